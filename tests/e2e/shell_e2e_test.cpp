// The real Qt panel, offscreen: it starts, a header click switches the page, and a message
// dialog keeps clicks off the main window until it closes itself.
#include <gtest/gtest.h>

#include <QApplication>
#include <QStackedWidget>
#define QTEST_QPA_MOUSE_HANDLING  // clicks go through the window system, where modality applies
#include <QTest>

#include "gui/diagnostics_view.h"
#include "gui/dialogs_view.h"
#include "gui/qt_panel.h"

namespace velantor {
namespace {

TEST(PanelEndToEnd, HeaderClickShowsThePageAndTheRefusalMessageBlocksClicksUntilItCloses) {
  PanelOptions options;
  Panel panel(options);
  panel.View().show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel.View()));
  EXPECT_EQ(panel.View().windowTitle(), "Velantor Ver7.01");
  EXPECT_TRUE(panel.View().windowFlags() & Qt::FramelessWindowHint);

  QTest::mouseClick(panel.View().Header(kPageMatrix), Qt::LeftButton);
  QCoreApplication::processEvents();  // the window redraws at the end of the loop turn
  EXPECT_EQ(panel.Main().CurrentPage(), kPageMatrix);
  ASSERT_NE(panel.View().PageView(kPageMatrix), nullptr);
  EXPECT_TRUE(panel.View().PageView(kPageMatrix)->isVisible());
  EXPECT_FALSE(panel.View().PageView(kPageGeneral)->isVisible());

  // In TCP mode with the link down a page change is refused with a message.
  panel.Shared().LinkMode = 1;
  QTest::mouseClick(panel.View().Header(kPageEdid), Qt::LeftButton);
  OverlayDialogView* message = panel.View().MessageView();
  ASSERT_TRUE(message->isVisible());
  EXPECT_EQ(message->Line(), "Connect to Matrix failed!");
  EXPECT_TRUE(message->isModal() || message->windowModality() == Qt::WindowModal);

  QTest::mouseClick(panel.View().Header(kPageFirmware), Qt::LeftButton);  // blocked
  EXPECT_EQ(panel.Main().CurrentPage(), kPageEdid);

  QTRY_VERIFY_WITH_TIMEOUT(!message->isVisible(), 3000);
  panel.Shared().LinkMode = 0;
  QTest::mouseClick(panel.View().Header(kPageFirmware), Qt::LeftButton);
  EXPECT_EQ(panel.Main().CurrentPage(), kPageFirmware);
}

TEST(PanelEndToEnd, BusyHeadersAreGreyedAndTheDiagnosticsViewIsOffByDefault) {
  PanelOptions options;
  Panel panel(options);
  panel.View().show();
  EXPECT_FALSE(panel.View().Diagnostics()->isVisible());
  panel.Main().HandleMessage(WM_PAGE_BUSY, 1);
  QCoreApplication::processEvents();
  EXPECT_FALSE(panel.View().Header(kPageEdid)->isEnabled());
  panel.Main().HandleMessage(WM_PAGE_BUSY, 0);
  QCoreApplication::processEvents();
  EXPECT_TRUE(panel.View().Header(kPageEdid)->isEnabled());
  panel.View().SetDiagnosticsVisible(true);
  EXPECT_TRUE(panel.View().Diagnostics()->isVisible());
}

}  // namespace
}  // namespace velantor
