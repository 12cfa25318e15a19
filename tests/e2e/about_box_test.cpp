// The About box of the real Qt panel, offscreen: it opens window-modal without a nested event
// loop, the panel's timers go on meanwhile, and a second request raises the same box.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "gui/qt_panel.h"

namespace velantor {
namespace {

TEST(AboutBox, OpensWindowModalWithoutANestedLoopWhileTheTimersGoOn) {
  PanelOptions options;
  Panel panel(options);
  panel.View().show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel.View()));

  // Were opening the box to run a nested loop, this would fire inside it and end it.
  bool returned = false;
  bool nestedLoopRan = false;
  QTimer::singleShot(0, &panel.View(), [&] {
    if (returned) return;
    nestedLoopRan = true;
    if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
  });
  panel.View().ShowAbout();
  returned = true;
  EXPECT_FALSE(nestedLoopRan);

  QMessageBox* box = panel.View().AboutBox();
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(box->isVisible());
  EXPECT_EQ(box->windowModality(), Qt::WindowModal);
  EXPECT_TRUE(box->text().contains("Velantor"));
  EXPECT_TRUE(box->text().contains("7.01"));

  // A refused page change opens its message, which closes itself while the box stays open.
  panel.Shared().LinkMode = 1;
  panel.Main().OnHeaderClick(kPageEdid);
  EXPECT_TRUE(panel.Shared().Message.IsOpen());
  QTRY_VERIFY_WITH_TIMEOUT(!panel.Shared().Message.IsOpen(), 3000);
  EXPECT_TRUE(box->isVisible());

  panel.View().ShowAbout();
  EXPECT_EQ(panel.View().AboutBox(), box);
  EXPECT_EQ(panel.View().findChildren<QMessageBox*>().size(), 1);

  box->button(QMessageBox::Ok)->click();
  QTRY_VERIFY_WITH_TIMEOUT(panel.View().AboutBox() == nullptr, 3000);

  // The title bar's button opens it again.
  auto* button = panel.View().findChild<QAbstractButton*>("AboutButton");
  ASSERT_NE(button, nullptr);
  button->click();
  ASSERT_NE(panel.View().AboutBox(), nullptr);
  EXPECT_TRUE(panel.View().AboutBox()->isVisible());
}

}  // namespace
}  // namespace velantor
