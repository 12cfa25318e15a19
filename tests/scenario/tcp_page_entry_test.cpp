// Entering a page over TCP, where the shell connects a new command socket for it: a slow connect
// is waited for, a connect that never comes fails plainly, and the status line follows the socket.
#include <gtest/gtest.h>

#include <algorithm>

#include "pages/edid/edid_page.h"
#include "pages/firmware/upgrade_page.h"
#include "pages/general/general_page.h"
#include "support/shell_harness.h"

namespace velantor::testing {
namespace {

class TcpPageEntry : public ::testing::TestWithParam<int> {
 protected:
  // The General page is entered from another page; its entry work is the read-back of an option
  // whose acknowledgement was lost when the page was left.
  void SetUp() override {
    ASSERT_TRUE(h.LinkFromGeneral(true));
    if (GetParam() != kPageGeneral) return;
    h.model.Faults().dropNext = 1;
    h.PageAs<CGeneralPage>(kPageGeneral).OnIrCheck();
    h.loop.Advance(100);
    h.ChoosePage(kPageMatrix, 3000);
  }
  ShellHarness h;
};

TEST_P(TcpPageEntry, ASlowConnectIsWaitedForAndThePageDoesItsEntryWorkWithoutAFailureMessage) {
  h.socket.SetConnectDelayMs(1000);
  const int opened = h.MessagesOpened();
  const size_t mark = h.FrameCount();
  h.ChoosePage(GetParam(), 900);  // the page's start came 150 ms after the click
  EXPECT_TRUE(h.FramesToDevice(mark).empty());
  h.loop.Advance(600);
  EXPECT_FALSE(h.FramesToDevice(mark).empty());
  h.loop.Advance(8000);
  EXPECT_EQ(h.MessagesOpened(), opened);
  EXPECT_TRUE(h.main->HeadersEnabled());
}

TEST_P(TcpPageEntry, AConnectThatNeverComesFailsAfterThreeSecondsAndALaterOneStartsNothing) {
  h.socket.SetConnectDelayMs(5000);
  const int opened = h.MessagesOpened();
  const size_t mark = h.FrameCount();
  h.ChoosePage(GetParam(), 3100);
  EXPECT_EQ(h.MessagesOpened(), opened);
  h.loop.Advance(100);
  EXPECT_EQ(h.MessagesOpened(), opened + 1);
  EXPECT_EQ(h.shared.Message.DisplayedText(), "Connect to Matrix failed!");
  h.loop.Advance(3000);  // the connect comes after all
  ASSERT_EQ(h.shared.PageSocketConnected, 1);
  EXPECT_TRUE(h.FramesToDevice(mark).empty());
  EXPECT_TRUE(h.main->HeadersEnabled());
}

TEST_P(TcpPageEntry, ARefusedConnectFailsAtTheStartWithoutWaiting) {
  h.socket.SetReachable(false);
  const int opened = h.MessagesOpened();
  h.ChoosePage(GetParam(), 200);
  EXPECT_EQ(h.MessagesOpened(), opened + 1);
  EXPECT_EQ(h.shared.Message.DisplayedText(), "Connect to Matrix failed!");
}

INSTANTIATE_TEST_SUITE_P(Pages, TcpPageEntry, ::testing::Values(kPageGeneral, kPageEdid, kPageFirmware), [](const auto& info) {
  return info.param == kPageGeneral ? std::string("General") : info.param == kPageEdid ? std::string("Edid") : std::string("Firmware");
});

TEST(TcpStatusLine, TheSwitcherClosingTheSocketShowsLostOnAnyPageAndTheNextPagesConnectShowsConnected) {
  ShellHarness h;
  ASSERT_TRUE(h.LinkFromGeneral(true));
  h.ChoosePage(kPageMatrix, 2000);
  ASSERT_EQ(h.shared.Link.state, "connected");
  h.socket.Reset();
  h.loop.Advance(50);
  EXPECT_EQ(h.shared.Link.state, "lost");
  h.ChoosePage(kPageEdid, 2000);
  EXPECT_EQ(h.shared.Link.state, "connected");
  // Back on General the button says what it does now: the socket is connected again.
  h.ChoosePage(kPageGeneral, 500);
  auto& general = h.PageAs<CGeneralPage>(kPageGeneral);
  EXPECT_EQ(general.View().tcpButton, "Disconnect");
  general.OnTcpConnect();
  EXPECT_EQ(h.shared.TcpLinkUp, 0);
  EXPECT_EQ(general.View().tcpButton, "Connect");
}

// What the General page read over a connection the switcher closed while another page was shown
// is old: on return it is greyed and read again over the new connection.
TEST(TcpStatusLine, AConnectionLostOnAnotherPageIsReadAgainWhenTheGeneralPageIsShown) {
  ShellHarness h;
  ASSERT_TRUE(h.LinkFromGeneral(true));
  h.loop.Advance(3000);
  auto& general = h.PageAs<CGeneralPage>(kPageGeneral);
  ASSERT_TRUE(general.StatusView().deviceCurrent && general.OptionsView().current);
  h.ChoosePage(kPageMatrix, 2000);
  h.socket.Reset();
  h.loop.Advance(50);
  h.model.State().options.beep = false;  // changed at the switcher's front panel meanwhile
  const size_t mark = h.FrameCount();
  h.ChoosePage(kPageGeneral, 3000);
  const auto sent = h.FramesToDevice(mark);
  EXPECT_NE(std::find(sent.begin(), sent.end(), "A5 5B 01 03 00 00 00 00 00 00 00 00 FC"), sent.end());  // the version
  EXPECT_TRUE(general.StatusView().deviceCurrent);
  EXPECT_TRUE(general.StatusView().inputs[0].current);
  EXPECT_TRUE(general.OptionsView().current);
  EXPECT_FALSE(general.OptionsView().beep.checked);
}

TEST(TcpStatusLine, AConnectRefusedForTheNextPageShowsTheLinkLost) {
  ShellHarness h;
  ASSERT_TRUE(h.LinkFromGeneral(true));
  h.ChoosePage(kPageMatrix, 2000);
  h.socket.SetReachable(false);
  h.ChoosePage(kPageEdid, 500);
  EXPECT_EQ(h.shared.Link.state, "lost");
  EXPECT_EQ(h.shared.Message.DisplayedText(), "Connect to Matrix failed!");
  // On the General page the button says what a press does: connect again.
  h.ChoosePage(kPageGeneral, 500);
  auto& general = h.PageAs<CGeneralPage>(kPageGeneral);
  EXPECT_EQ(general.View().tcpButton, "Connect");
  h.socket.SetReachable(true);
  general.OnTcpConnect();
  h.loop.Advance(2000);
  EXPECT_EQ(general.View().tcpButton, "Disconnect");
  EXPECT_EQ(h.shared.Link.state, "connected");
  h.ChoosePage(kPageMatrix, 2000);
  EXPECT_EQ(h.shared.Link.state, "connected");
}

TEST(TcpStatusLine, AnotherSwitchersLinkDoesNotShowTheDeviceReadFromTheLastOne) {
  LinkReport report;
  report.Set("192.168.1.80:8000", LinkReport::kConnected);
  report.SetDevice("HDMI MATRIX 4X4  v1.5");
  report.Set("192.168.1.80:8000", LinkReport::kConnected);
  EXPECT_EQ(report.device, "HDMI MATRIX 4X4  v1.5");  // the same switcher again
  report.Set("192.168.1.81:8000", LinkReport::kNoAnswer);
  EXPECT_EQ(report.Text(), "192.168.1.81:8000 - no answer");
}

}  // namespace
}  // namespace velantor::testing
