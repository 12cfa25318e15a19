// The "TCP Configuration" dialog on screen, offscreen: it follows the core, hands clicks and
// typing to it, and swallows Enter, Escape and Space.
#include <gtest/gtest.h>

#include <cstdlib>

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QWidget>

#include "base/virtual_event_loop.h"
#include "link/udp_socket.h"
#include "pages/general/network_config.h"
#include "pages/general/network_config_view.h"
#include "support/recording_main_window.h"

namespace velantor {
namespace {
using testing::RecordingMainWindow;

class NetworkConfigViewTest : public ::testing::Test {
 protected:
  NetworkConfigViewTest() : socket(loop), sink(loop), dialog(loop, shared, mainWindow, socket, matrixMac) {
    EXPECT_EQ(sink.Open("127.0.0.1", 0), "");
    dialog.SetRoute({"127.0.0.1", 0, "127.0.0.1", sink.LocalPort()});
    shared.MatrixAddress = "192.168.1.239";
    matrixMac = "02564C540001";
    window.resize(600, 400);
    window.show();
  }

  VirtualEventLoop loop;
  SharedState shared;
  RecordingMainWindow mainWindow;
  std::string matrixMac;
  UdpSocket socket;
  UdpSocket sink;
  CNetworkConfigDialog dialog;
  QWidget window;
  NetworkConfigView view{dialog, &window};
};

TEST_F(NetworkConfigViewTest, OpensFilledAndTheRadiosEnableTheAddressEdits) {
  EXPECT_FALSE(view.isVisible());
  dialog.OpenNetworkConfig();
  QCoreApplication::processEvents();  // the view redraws at the end of the loop turn
  ASSERT_TRUE(view.isVisible());
  EXPECT_TRUE(view.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_FALSE(view.isModal());
  EXPECT_EQ(view.IpEdit(3)->text(), "239");
  EXPECT_EQ(view.MacEdit(2)->text(), "4C");
  EXPECT_TRUE(view.AutoIpRadio()->isChecked());
  EXPECT_FALSE(view.IpEdit(0)->isEnabled());

  QTest::mouseClick(view.StaticIpRadio(), Qt::LeftButton);
  QCoreApplication::processEvents();
  EXPECT_FALSE(dialog.View().autoIp);
  EXPECT_TRUE(view.IpEdit(0)->isEnabled());

  view.IpEdit(3)->selectAll();
  QTest::keyClicks(view.IpEdit(3), "50");
  EXPECT_EQ(dialog.View().ip[3], "50");
  view.MacEdit(5)->selectAll();
  QTest::keyClicks(view.MacEdit(5), "ab");
  QCoreApplication::processEvents();
  EXPECT_EQ(dialog.View().mac[5], "AB");
  EXPECT_EQ(view.MacEdit(5)->text(), "AB");
  // scripts/screenshots.sh takes the README's picture of the dialog here.
  if (const char* dir = std::getenv("VELANTOR_SCREENSHOT_DIR")) {
    EXPECT_TRUE(view.grab().save(QString(dir) + "/network_config.png", "PNG"));
  }
}

TEST_F(NetworkConfigViewTest, EnterEscapeAndSpaceNeitherCloseTheDialogNorPressAButton) {
  dialog.OpenNetworkConfig();
  QCoreApplication::processEvents();  // the view redraws at the end of the loop turn
  for (QWidget* target : {static_cast<QWidget*>(&view), static_cast<QWidget*>(view.OkButton()),
                          static_cast<QWidget*>(view.IpEdit(0))}) {
    QTest::keyClick(target, Qt::Key_Escape);
    QTest::keyClick(target, Qt::Key_Return);
    QTest::keyClick(target, Qt::Key_Enter);
    QTest::keyClick(target, Qt::Key_Space);
  }
  EXPECT_TRUE(view.isVisible());
  EXPECT_TRUE(dialog.View().shown);
  EXPECT_EQ(dialog.PacketsSent(), 0);
  EXPECT_TRUE(mainWindow.posted.empty());
}

TEST_F(NetworkConfigViewTest, OkSendsAndHidesWhileCancelAndTheCloseButtonOnlyHide) {
  dialog.OpenNetworkConfig();
  QCoreApplication::processEvents();  // the view redraws at the end of the loop turn
  QTest::mouseClick(view.CancelButton(), Qt::LeftButton);
  QCoreApplication::processEvents();
  EXPECT_FALSE(view.isVisible());
  dialog.OpenNetworkConfig();
  QCoreApplication::processEvents();  // the view redraws at the end of the loop turn
  QTest::mouseClick(view.CloseButton(), Qt::LeftButton);
  QCoreApplication::processEvents();
  EXPECT_FALSE(view.isVisible());
  EXPECT_EQ(dialog.PacketsSent(), 0);

  // OK asks first, naming the switcher; Cancel (the default) sends nothing.
  dialog.OpenNetworkConfig();
  QCoreApplication::processEvents();  // the view redraws at the end of the loop turn
  QTest::mouseClick(view.OkButton(), Qt::LeftButton);
  auto* question = view.findChild<QMessageBox*>("NetworkChangeQuestion");
  ASSERT_NE(question, nullptr);
  EXPECT_TRUE(question->text().contains("192.168.1.239"));
  EXPECT_TRUE(question->text().contains("02564C540001"));
  EXPECT_EQ(question->defaultButton(), question->button(QMessageBox::Cancel));
  QTest::mouseClick(question->button(QMessageBox::Cancel), Qt::LeftButton);
  EXPECT_EQ(dialog.PacketsSent(), 0);
  EXPECT_TRUE(view.isVisible());

  QTest::mouseClick(view.OkButton(), Qt::LeftButton);
  question = view.findChild<QMessageBox*>("NetworkChangeQuestion");
  ASSERT_NE(question, nullptr);
  QTest::mouseClick(question->findChild<QPushButton*>("ConfirmNetworkChange"), Qt::LeftButton);
  QCoreApplication::processEvents();
  EXPECT_FALSE(view.isVisible());
  EXPECT_EQ(dialog.PacketsSent(), 1);
  ASSERT_EQ(mainWindow.posted.size(), 1u);
  EXPECT_EQ(mainWindow.posted[0], (std::pair<unsigned, int>{0x41D, 1}));
}

}  // namespace
}  // namespace velantor
