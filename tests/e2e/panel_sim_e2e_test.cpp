// The Qt panel against the velantor-sim process: the quick start connects over TCP and over the
// emulator's pseudo-terminal, the state icons and logs show it, and pulling the plug is seen.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "app/qt_panel.h"
#include "pages/general/general_page.h"
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
  auto* view = static_cast<GeneralPageView*>(panel.View().PageView(kPageGeneral));
  EXPECT_EQ(view->TcpConnectButton()->text(), "Disconnect");
  EXPECT_TRUE(view->TcpStateIcon()->property("connected").toBool());
  // The first query went out and its reply came back.
  QTRY_VERIFY_WITH_TIMEOUT(!panel.GeneralPage().ReceivedLog()->Text().empty(), 3000);
  EXPECT_EQ(panel.GeneralPage().SentLog()->Text().substr(0, 39), "A5 5B 01 0A 00 00 00 00 00 00 00 00 F5 ");
  EXPECT_EQ(panel.GeneralPage().ReceivedLog()->Text().substr(0, 12), "A5 5B 01 0A ");

  QTest::mouseClick(view->TcpConnectButton(), Qt::LeftButton);
  EXPECT_EQ(panel.Shared().TcpLinkUp, 0);
  EXPECT_EQ(view->TcpConnectButton()->text(), "Connect");
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
  auto* view = static_cast<GeneralPageView*>(panel.View().PageView(kPageGeneral));
  EXPECT_EQ(view->ComConnectButton()->text(), "Disconnect");
  QTRY_VERIFY_WITH_TIMEOUT(!panel.GeneralPage().ReceivedLog()->Text().empty(), 3000);
  EXPECT_EQ(panel.GeneralPage().ReceivedLog()->Text().substr(0, 12), "A5 5B 01 0A ");

  sim.Stop();  // the device vanishes: every port is closed and the page shows itself disconnected
  QTRY_COMPARE_WITH_TIMEOUT(panel.Shared().ComLinkOpen, 0, 3000);
  EXPECT_EQ(view->ComConnectButton()->text(), "Connect");
}

}  // namespace
}  // namespace velantor
