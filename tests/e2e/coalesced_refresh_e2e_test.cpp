// Views redraw at most once per turn of the Qt event loop, however many core changes the turn holds.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <memory>

#include "app/change_notifier.h"
#include "gui/qt_panel.h"
#include "pages/general/general_page.h"
#include "pages/general/general_page_view.h"
#include "skin/coalesced_refresh.h"

namespace velantor {
namespace {

TEST(CoalescedRefresh, AThousandChangesInOneTurnRedrawOnceAtItsEndAndARedrawThatChangesMoreRedrawsAgain) {
  ChangeNotifier changed;
  int redraws = 0;
  skin::CoalescedRefresh refresh(changed, [&] {
    if (++redraws == 2) changed.Notify();  // the second redraw changes the core itself
  });
  for (int i = 0; i < 1000; ++i) changed.Notify();
  EXPECT_EQ(redraws, 0);  // the core went on undisturbed
  QCoreApplication::processEvents();
  EXPECT_EQ(redraws, 1);
  QCoreApplication::processEvents();
  EXPECT_EQ(redraws, 1);  // nothing changed since

  changed.Notify();
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
  EXPECT_EQ(redraws, 3);
}

TEST(CoalescedRefresh, AViewGoneBeforeTheTurnEndsIsNeitherRedrawnNorStillSubscribed) {
  ChangeNotifier changed;
  int redraws = 0;
  auto refresh = std::make_unique<skin::CoalescedRefresh>(changed, [&] { ++redraws; });
  changed.Notify();
  refresh.reset();
  QCoreApplication::processEvents();
  changed.Notify();  // would reach a dead view if the subscription were left behind
  QCoreApplication::processEvents();
  EXPECT_EQ(redraws, 0);
}

TEST(CoalescedRefresh, TheGeneralPageAndTheMainWindowRedrawOnceForAThousandNotifications) {
  PanelOptions options;
  Panel panel(options);
  panel.View().show();
  QCoreApplication::processEvents();
  auto* general = static_cast<GeneralPageView*>(panel.View().PageView(kPageGeneral));
  ASSERT_NE(general, nullptr);
  const int pageBefore = general->Refresh().Redraws();
  const int windowBefore = panel.View().Refresh().Redraws();

  for (int i = 0; i < 1000; ++i) {
    panel.GeneralPage().Changed().Notify();
    panel.Main().Changed().Notify();
  }
  EXPECT_EQ(general->Refresh().Redraws(), pageBefore);
  QCoreApplication::processEvents();
  EXPECT_EQ(general->Refresh().Redraws(), pageBefore + 1);
  EXPECT_EQ(panel.View().Refresh().Redraws(), windowBefore + 1);
}

}  // namespace
}  // namespace velantor
