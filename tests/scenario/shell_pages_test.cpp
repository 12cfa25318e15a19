// The whole shell with its real pages on the shared harness: a connect from the General page,
// page changes that move the link, and what went on the wire as the emulator saw it.
#include <gtest/gtest.h>

#include "pages/general/general_page.h"
#include "support/shell_harness.h"

namespace velantor::testing {
namespace {

TEST(ShellPages, ASerialConnectRunsTheReadBackTheDeviceInformationAndThePortWalk) {
  ShellHarness h;
  auto& general = h.PageAs<CGeneralPage>(1);
  general.OnComConnect();
  ASSERT_EQ(h.shared.ComLinkOpen, 1);
  h.loop.Advance(2000);
  const auto sent = h.FramesToDevice();
  ASSERT_GE(sent.size(), 14u);
  EXPECT_EQ(sent.front(), "A5 5B 01 0A 00 00 00 00 00 00 00 00 F5");
  EXPECT_EQ(sent.back(), "A5 5B 01 05 04 00 00 00 00 00 00 00 F6");
  EXPECT_EQ(general.StatusView().versionText, "1.5");
  EXPECT_FALSE(general.PageBusy());
  EXPECT_TRUE(h.main->HeadersEnabled());
}

// Two headers chosen within the start delay: only the page shown starts. A hidden Matrix page
// starting behind the General page took the port from it (serial) or polled into it (TCP).
TEST(ShellPages, APageLeftWithinItsStartDelayDoesNotStartBehindTheNextOne) {
  for (bool tcp : {false, true}) {
    SCOPED_TRACE(tcp ? "tcp" : "serial");
    ShellHarness h;
    ASSERT_TRUE(h.LinkFromGeneral(tcp));
    h.loop.Advance(3000);
    const int messages = h.MessagesOpened();
    const size_t mark = h.FrameCount();
    h.main->OnHeaderClick(3);  // Matrix
    h.loop.Advance(50);
    h.ChoosePage(1, 10000);
    EXPECT_TRUE(h.FramesToDevice(mark).empty());  // no Matrix poll
    EXPECT_EQ(h.MessagesOpened(), messages);
    EXPECT_TRUE(h.main->HeadersEnabled());
    EXPECT_EQ(h.shared.Link.state, "connected");
  }
}

TEST(ShellPages, OverTcpEveryPageChoiceReconnectsTheSocketAndReturningRunsTheLinkCheckQuietly) {
  ShellHarness h;
  auto& general = h.PageAs<CGeneralPage>(1);
  general.OnTcpMode();
  general.OnAddressEdited("127.0.0.1");
  general.OnTcpConnect();
  h.loop.Advance(2000);
  ASSERT_EQ(h.shared.TcpLinkUp, 1);
  const int messages = h.MessagesOpened();
  for (int page : {3, 2, 4, 1}) {
    h.ChoosePage(page, 500);
    EXPECT_EQ(h.shared.CurrentPage, page);
    EXPECT_EQ(h.shared.PageSocketConnected, 1) << page;
  }
  EXPECT_EQ(h.MessagesOpened(), messages);  // the General page's link check found the link up
}

}  // namespace
}  // namespace velantor::testing
