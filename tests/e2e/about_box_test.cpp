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
  auto* button = panel.View().findChild<QAbstractButton*>("AboutButton");
  ASSERT_NE(button, nullptr);

  // Were the click to run a nested loop, this would fire inside it and end it.
  bool clickReturned = false;
  bool nestedLoopRan = false;
  QTimer::singleShot(0, &panel.View(), [&] {
    if (clickReturned) return;
    nestedLoopRan = true;
    if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
  });
  QTest::mouseClick(button, Qt::LeftButton);
  clickReturned = true;
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

  QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
  QTRY_VERIFY_WITH_TIMEOUT(panel.View().AboutBox() == nullptr, 3000);
}

}  // namespace
}  // namespace velantor
