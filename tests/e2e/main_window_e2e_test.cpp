// The main window on screen: a tap on a free spot does not start a window move, a real drag does,
// and the status line at the bottom tells the link, its state and the last message.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QTest>

#include "app/command_line.h"
#include "gui/diagnostics_view.h"
#include "gui/dialogs_view.h"
#include "gui/qt_panel.h"
#include "gui/status_line_view.h"
#include "support/sim_process.h"

namespace velantor {
namespace {

// The panel without a link, its window shown.
class UnlinkedWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  }
  PanelOptions options;
  Panel panel{options};
  MainWindowView& window = panel.View();
};

TEST_F(UnlinkedWindow, ATapOnAFreeSpotLeavesTheWindowWhereItIsWhileADragMovesIt) {
  const QPoint start = window.pos();
  const QPoint spot(window.width() - 40, 45);  // beside the headers: no control there

  QTest::mousePress(&window, Qt::LeftButton, {}, spot);
  QTest::mouseRelease(&window, Qt::LeftButton, {}, spot);
  QTest::mouseMove(&window, spot + QPoint(60, 40));
  EXPECT_EQ(window.pos(), start);

  QTest::mousePress(&window, Qt::LeftButton, {}, spot);
  QTest::mouseMove(&window, spot + QPoint(1, 0));  // within the drag distance
  EXPECT_EQ(window.pos(), start);
  QMouseEvent drag(QEvent::MouseMove, QPointF(spot + QPoint(60, 40)),
                   QPointF(window.mapToGlobal(spot + QPoint(60, 40))), Qt::NoButton, Qt::LeftButton, {});
  QApplication::sendEvent(&window, &drag);
  QTest::mouseRelease(&window, Qt::LeftButton, {}, spot + QPoint(60, 40));
  EXPECT_NE(window.pos(), start);
}

// A reason from a file or from the system is longer than one line of the message dialog: it
// wraps and the dialog grows to show all of it, then a short message gets the usual size back.
TEST_F(UnlinkedWindow, ALongMessageIsShownWholeAndAShortOneKeepsTheUsualSize) {
  OverlayDialogView* dialog = panel.View().MessageView();
  MessageDialog& message = panel.Shared().Message;
  message.MessageText = "Time out!";
  message.Open();
  QApplication::processEvents();
  const QSize usual = dialog->size();
  message.Close();
  message.MessageText =
      "The configuration could not be sent: cannot send to 192.168.1.255:30601: Network is unreachable";
  message.Open();
  QApplication::processEvents();
  auto* line = dialog->findChild<QLabel*>("1137");
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(dialog->width(), usual.width());
  EXPECT_GT(dialog->height(), usual.height());
  EXPECT_GE(line->height(), line->heightForWidth(line->width()));
  EXPECT_LE(line->geometry().bottom(), dialog->rect().bottom());
  message.Close();
  message.MessageText = "Set failed!";
  message.Open();
  QApplication::processEvents();
  EXPECT_EQ(dialog->size(), usual);
}

// The test screen is small (800 x 600) like a laptop's: the window, which the user cannot
// resize, still gives every page at least the room its controls need.
TEST_F(UnlinkedWindow, EveryPageGetsTheRoomItsControlsNeedOnASmallScreen) {
  for (Qt::Key key : {Qt::Key_1, Qt::Key_2, Qt::Key_3, Qt::Key_4}) {
    QTest::keyClick(&window, key, Qt::ControlModifier);
    QApplication::processEvents();
  }
  for (int page = kPageGeneral; page <= kPageFirmware; ++page) {
    SCOPED_TRACE(page);
    QWidget* view = window.PageView(page);
    ASSERT_NE(view, nullptr);
    EXPECT_GE(view->height(), view->minimumSizeHint().height());
    EXPECT_GE(view->width(), view->minimumSizeHint().width());
  }
}

TEST_F(UnlinkedWindow, KeysChooseThePagesAndTheDiagnosticsAndTabReachesTheHeaders) {
  window.activateWindow();
  QTest::keyClick(&window, Qt::Key_3, Qt::ControlModifier);
  EXPECT_EQ(panel.Main().CurrentPage(), kPageMatrix);
  QTest::keyClick(&window, Qt::Key_D, Qt::ControlModifier);
  EXPECT_TRUE(window.Diagnostics()->isVisible());
  QTest::keyClick(&window, Qt::Key_D, Qt::ControlModifier);
  EXPECT_FALSE(window.Diagnostics()->isVisible());

  QWidget* header = window.Header(kPageEdid);
  EXPECT_NE(header->focusPolicy() & Qt::TabFocus, 0);
  const QImage unfocused = header->grab().toImage();
  header->setFocus();
  EXPECT_NE(header->grab().toImage(), unfocused) << "the header with the focus is marked";
  QTest::keyClick(header, Qt::Key_Space);
  EXPECT_EQ(panel.Main().CurrentPage(), kPageEdid);
}

TEST(MainWindow, TheStatusLineShowsTheLinkItsDeviceTheLastMessageAndALostLink) {
  testing::SimProcess sim({"--tcp", "127.0.0.1:0", "--no-serial", "--no-udp", "--no-stdin"});
  ASSERT_TRUE(sim.Ready());
  const std::string tcp = sim.Endpoint("tcp");
  auto parsed = ParsePanelOptions({"--connect", "tcp:" + tcp});
  ASSERT_TRUE(parsed.options) << parsed.error;
  Panel panel(*parsed.options);
  panel.View().show();
  StatusLineView* line = panel.View().StatusLine();
  ASSERT_NE(line, nullptr);
  QTRY_VERIFY_WITH_TIMEOUT(line->LinkText().contains(QString::fromStdString(tcp) + " - connected"), 3000);
  QTRY_VERIFY_WITH_TIMEOUT(line->LinkText().contains("v1.5"), 5000);
  QTRY_VERIFY_WITH_TIMEOUT(!line->BusyShown(), 5000);

  sim.Stop();  // the switcher goes away
  QTRY_VERIFY_WITH_TIMEOUT(line->LinkText().contains(" - lost"), 3000);

  panel.Shared().Message.MessageText = "Time out!";
  panel.Shared().Message.Open();
  panel.Shared().Message.Close();
  QCoreApplication::processEvents();
  EXPECT_TRUE(line->MessageText().endsWith("  Time out!"));  // it stays after the dialog closed
}

}  // namespace
}  // namespace velantor
