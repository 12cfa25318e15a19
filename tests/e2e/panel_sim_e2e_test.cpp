// The Qt panel against the velantor-sim process: the quick start connects over TCP and over the
// emulator's pseudo-terminal, the state icons and logs show it, and pulling the plug is seen.
#include <gtest/gtest.h>

#include <QMessageBox>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "gui/qt_panel.h"
#include "pages/general/general_page.h"
#include "pages/general/device_panels_view.h"
#include "pages/general/general_page_view.h"
#include "support/sim_process.h"

namespace velantor {
namespace {

TEST(PanelWithEmulator, QuickStartOverTcpConnectsAndShowsTheLinkUp) {
  testing::SimProcess sim({"--tcp", "127.0.0.1:0", "--no-serial", "--no-udp", "--no-stdin"});
  ASSERT_TRUE(sim.Ready());
  const std::string tcp = sim.Endpoint("tcp");
  ASSERT_FALSE(tcp.empty());
  auto parsed = ParsePanelOptions({"--connect", "tcp:" + tcp});
  ASSERT_TRUE(parsed.options) << parsed.error;
  Panel panel(*parsed.options);
  panel.View().show();
  QTRY_COMPARE_WITH_TIMEOUT(panel.Shared().TcpLinkUp, 1, 3000);
  QCoreApplication::processEvents();  // the views redraw at the end of the loop turn
  auto* view = static_cast<GeneralPageView*>(panel.View().PageView(kPageGeneral));
  EXPECT_EQ(view->TcpConnectButton()->text().remove('&'), "Disconnect");
  EXPECT_TRUE(view->TcpStateIcon()->property("connected").toBool());
  // The first query went out and its reply came back.
  QTRY_VERIFY_WITH_TIMEOUT(!panel.GeneralPage().ReceivedLog()->Text().empty(), 3000);
  EXPECT_EQ(panel.GeneralPage().SentLog()->Text().substr(0, 39), "A5 5B 01 0A 00 00 00 00 00 00 00 00 F5 ");
  EXPECT_EQ(panel.GeneralPage().ReceivedLog()->Text().substr(0, 12), "A5 5B 01 0A ");

  // After the connect the page reads the options, the device and every port.
  CGeneralPage& page = panel.GeneralPage();
  QTRY_COMPARE_WITH_TIMEOUT(QString::fromStdString(page.StatusView().versionText), QString("1.5"), 5000);
  QTRY_VERIFY_WITH_TIMEOUT(page.StatusView().outputs[3].connected == 1, 5000);
  EXPECT_EQ(page.StatusView().inputs[0].text, "HDMI IN1: Connect");
  EXPECT_EQ(page.StatusView().outputs[3].text, "HDMI OUTD: Connect");
  EXPECT_EQ(page.StatusView().outputs[3].Colour(), (Rgb{0, 255, 0}));

  // The beep box changes only when the switcher acknowledges.
  QCheckBox* beep = view->OptionsPanel()->BeepCheck();
  QTRY_VERIFY_WITH_TIMEOUT(!page.PageBusy(), 5000);
  const bool before = beep->isChecked();
  QTest::mouseClick(beep, Qt::LeftButton);
  QTRY_COMPARE_WITH_TIMEOUT(beep->isChecked(), !before, 3000);

  // Factory Reset asks first: Cancel sends nothing; Reset runs the restore steps and reports success.
  const size_t sentBefore = page.SentLog()->Text().size();
  QTest::mouseClick(view->OptionsPanel()->FactoryResetButton(), Qt::LeftButton);
  QMessageBox* question = view->OptionsPanel()->ResetQuestion();
  ASSERT_NE(question, nullptr);
  EXPECT_EQ(question->windowModality(), Qt::WindowModal);
  question->button(QMessageBox::Cancel)->click();
  QCoreApplication::processEvents();
  EXPECT_EQ(page.SentLog()->Text().size(), sentBefore);
  EXPECT_FALSE(page.PageBusy());
  QTest::mouseClick(view->OptionsPanel()->FactoryResetButton(), Qt::LeftButton);
  question = view->OptionsPanel()->ResetQuestion();
  ASSERT_NE(question, nullptr);
  question->findChild<QPushButton*>("ConfirmFactoryReset")->click();
  QTRY_COMPARE_WITH_TIMEOUT(QString::fromStdString(panel.Shared().Message.DisplayedText()),
                            QString("Set successfully!"), 15000);
  EXPECT_FALSE(page.PageBusy());

  QTRY_VERIFY_WITH_TIMEOUT(!panel.Shared().Message.IsOpen(), 5000);
  QTest::mouseClick(view->TcpConnectButton(), Qt::LeftButton);
  QCoreApplication::processEvents();
  EXPECT_EQ(panel.Shared().TcpLinkUp, 0);
  EXPECT_EQ(view->TcpConnectButton()->text().remove('&'), "Connect");
}

TEST(PanelWithEmulator, QuickStartOverThePseudoTerminalOpensThePort) {
  const std::string link = "/tmp/velantor-e2e-serial-" + std::to_string(getpid());
  testing::SimProcess sim({"--no-tcp", "--serial", link, "--no-udp", "--no-stdin"});
  ASSERT_TRUE(sim.Ready());
  auto parsed = ParsePanelOptions({"--connect", "serial:" + link});
  ASSERT_TRUE(parsed.options);
  Panel panel(*parsed.options);
  panel.View().show();
  EXPECT_EQ(panel.Shared().ComLinkOpen, 1);
  QCoreApplication::processEvents();
  auto* view = static_cast<GeneralPageView*>(panel.View().PageView(kPageGeneral));
  EXPECT_EQ(view->ComConnectButton()->text().remove('&'), "Disconnect");
  QTRY_VERIFY_WITH_TIMEOUT(!panel.GeneralPage().ReceivedLog()->Text().empty(), 3000);
  EXPECT_EQ(panel.GeneralPage().ReceivedLog()->Text().substr(0, 12), "A5 5B 01 0A ");

  sim.Stop();  // the device vanishes: every port is closed and the page shows itself disconnected
  QTRY_COMPARE_WITH_TIMEOUT(panel.Shared().ComLinkOpen, 0, 3000);
  QCoreApplication::processEvents();
  EXPECT_EQ(view->ComConnectButton()->text().remove('&'), "Connect");
}

}  // namespace
}  // namespace velantor
