// The main window's logic under virtual time: tab actions in both link modes, the header lock,
// the window messages and the timelines of the message and configuring dialogs.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "base/virtual_event_loop.h"

namespace velantor {
namespace {

struct FakeSocket : CommandSocket {
  void Connect(SocketReceiver* r, const std::string& address, uint16_t port) override {
    connects.push_back({r, address + ":" + std::to_string(port)});
    open = true;
  }
  void Close() override { ++closes; open = false; }
  long Send(const uint8_t*, size_t n) override { return static_cast<long>(n); }
  long Receive(uint8_t*, size_t) override { return 0; }
  bool IsOpen() const override { return open; }
  std::vector<std::pair<SocketReceiver*, std::string>> connects;
  int closes = 0;
  bool open = false;
};

struct FakePage : GeneralShellPage, SocketReceiver {
  FakePage(int n, std::vector<std::string>& log) : number(n), log(log) {}
  void StartAction() override { log.push_back("start" + std::to_string(number)); }
  void ClosePort() override { log.push_back("close" + std::to_string(number)); }
  SocketReceiver* SocketTarget() override { return this; }
  void OnSocketEvent(int, int) override {}
  bool LocksHeaders() const override { return locks; }
  void CloseSerialLink() override { log.push_back("disconnect" + std::to_string(number)); }
  void StartIpSearch() override { log.push_back("search"); }
  int number;
  bool locks = false;
  std::vector<std::string>& log;
};

class Shell : public ::testing::Test {
 protected:
  Shell() {
    shared.PageSocket = &socket;
    shared.MatrixAddress = "127.0.0.1";
    main = std::make_unique<CMainDialog>(loop, shared, [this](int n, MainWindowPort&) {
      auto page = std::make_unique<FakePage>(n, log);
      pages[n] = page.get();
      log.push_back("create" + std::to_string(n));
      return page;
    });
    log.clear();
  }
  VirtualEventLoop loop;
  SharedState shared;
  FakeSocket socket;
  std::vector<std::string> log;
  FakePage* pages[5] = {};
  std::unique_ptr<CMainDialog> main;
};

using Log = std::vector<std::string>;

TEST_F(Shell, SerialTabActionClosesTheOtherPortsAndStartsThePage150msLater) {
  main->OnHeaderClick(kPageEdid);
  EXPECT_EQ(log, (Log{"close1", "create2"}));
  EXPECT_EQ(main->CurrentPage(), kPageEdid);
  EXPECT_TRUE(main->HeaderSelected(kPageEdid));
  EXPECT_FALSE(main->HeaderSelected(kPageGeneral));
  loop.Advance(149);
  EXPECT_EQ(log.size(), 2u);
  loop.Advance(1);
  EXPECT_EQ(log.back(), "start2");
  loop.Advance(1000);  // the page timer fires once
  EXPECT_EQ(log.back(), "start2");
  EXPECT_EQ(log.size(), 3u);

  log.clear();
  main->OnHeaderClick(kPageMatrix);
  main->OnHeaderClick(kPageMatrix);  // the page already shown runs the full action again
  loop.Advance(150);
  EXPECT_EQ(log, (Log{"close1", "close2", "create3", "close1", "close2", "start3"}));
  EXPECT_TRUE(socket.connects.empty());
}

TEST_F(Shell, TcpTabActionReconnectsTheSocketForTheNewPage) {
  shared.LinkMode = 1;
  shared.TcpLinkUp = 1;
  shared.PageSocketConnected = 1;
  shared.CommandPortNumber = 8123;
  main->OnHeaderClick(kPageFirmware);
  ASSERT_EQ(socket.connects.size(), 1u);
  EXPECT_EQ(socket.connects[0].first, static_cast<SocketReceiver*>(pages[kPageFirmware]));
  EXPECT_EQ(socket.connects[0].second, "127.0.0.1:8123");
  EXPECT_EQ(shared.PageSocketConnected, 0);
  EXPECT_EQ(log, (Log{"create4"}));  // no port is closed in TCP mode
  loop.Advance(150);
  EXPECT_EQ(log.back(), "start4");
}

TEST_F(Shell, TcpTabActionWithTheLinkDownRefusesWithAMessageThatClosesAfter1500ms) {
  shared.LinkMode = 1;
  main->OnHeaderClick(kPageMatrix);
  EXPECT_TRUE(socket.connects.empty());
  EXPECT_TRUE(shared.Message.IsOpen());
  EXPECT_EQ(shared.Message.DisplayedText(), "Connect to Matrix failed!");
  EXPECT_EQ(main->CurrentPage(), kPageMatrix);  // the page is shown...
  loop.Advance(1499);
  EXPECT_TRUE(shared.Message.IsOpen());
  loop.Advance(1);
  EXPECT_FALSE(shared.Message.IsOpen());
  EXPECT_EQ(shared.Message.MessageShown, 0);
  loop.Advance(5000);
  EXPECT_EQ(log, (Log{"create3"}));  // ...but its start action never runs
}

TEST_F(Shell, HeaderClicksAreIgnoredWhileAPageIsBusyOrLocks) {
  main->HandleMessage(WM_PAGE_BUSY, 1);
  EXPECT_FALSE(main->HeadersEnabled());
  main->OnHeaderClick(kPageEdid);
  main->HandleMessage(WM_PAGE_BUSY, 2);  // neither 0 nor 1: nothing changes
  EXPECT_FALSE(main->HeadersEnabled());
  main->HandleMessage(WM_PAGE_BUSY, 0);
  EXPECT_TRUE(main->HeadersEnabled());
  main->HandleMessage(WM_PAGE_BUSY, 2);
  EXPECT_TRUE(main->HeadersEnabled());
  EXPECT_EQ(main->CurrentPage(), kPageGeneral);
  EXPECT_TRUE(log.empty());

  pages[kPageGeneral]->locks = true;
  main->OnHeaderClick(kPageEdid);
  EXPECT_EQ(main->CurrentPage(), kPageGeneral);
  pages[kPageGeneral]->locks = false;
  main->OnHeaderClick(kPageEdid);
  EXPECT_EQ(main->CurrentPage(), kPageEdid);
}

TEST_F(Shell, PostedMessagesAreHandledAfterTheSendersHandler) {
  main->PostMainMessage(WM_PAGE_BUSY, 1);
  EXPECT_TRUE(main->HeadersEnabled());
  loop.RunPending();
  EXPECT_FALSE(main->HeadersEnabled());
}

TEST_F(Shell, SerialFailureClosesEveryPortAndDisconnectsTheGeneralPage) {
  main->OnHeaderClick(kPageEdid);
  main->OnHeaderClick(kPageMatrix);
  log.clear();
  main->HandleMessage(kMsgLinkNotice, 3);
  EXPECT_EQ(log, (Log{"close2", "close3", "disconnect1"}));
  log.clear();
  main->HandleMessage(kMsgLinkNotice, 2);
  EXPECT_TRUE(log.empty());
}

TEST_F(Shell, ConfiguringDialogWithoutConfirmationFailsAfter10sAndCloses2sLater) {
  main->HandleMessage(kMsgLinkNotice, 1);
  auto& dlg = main->Configuring();
  EXPECT_TRUE(dlg.IsOpen());
  EXPECT_EQ(dlg.Text(), "Configuring . . .");
  loop.Advance(500);
  EXPECT_EQ(dlg.Text(), "Configuring . .  ");
  loop.Advance(500);
  EXPECT_EQ(dlg.Text(), "Configuring . . .");
  loop.Advance(500);
  EXPECT_EQ(dlg.Text(), "Configuring .    ");
  loop.Advance(8500);
  EXPECT_EQ(dlg.Text(), "configure failed!");
  loop.Advance(1999);
  EXPECT_TRUE(dlg.IsOpen());
  loop.Advance(1);
  EXPECT_FALSE(dlg.IsOpen());
}

TEST_F(Shell, ConfirmationAfter3sThenASearchThatFindsNothing) {
  main->HandleMessage(kMsgLinkNotice, 1);
  auto& dlg = main->Configuring();
  loop.Advance(3000);
  main->HandleMessage(kMsgNetworkNotice, 1);
  EXPECT_EQ(dlg.Text(), "Matrix configuration completed successfully!");
  EXPECT_EQ(shared.ConfigurationSuccess, 1);
  loop.Advance(1999);
  EXPECT_EQ(dlg.Text(), "Matrix configuration completed successfully!");  // the 10-s time-out is gone
  loop.Advance(1);
  EXPECT_EQ(dlg.Text(), "Searching Matrix IP . . .");
  loop.Advance(500);
  EXPECT_EQ(log, (Log{"search"}));
  loop.Advance(4999);
  EXPECT_EQ(dlg.Text(), "Searching Matrix IP . . .");
  loop.Advance(1);
  EXPECT_EQ(dlg.Text(), "Search Matrix IP failed!");
  loop.Advance(500);
  EXPECT_FALSE(dlg.IsOpen());
}

TEST_F(Shell, AConfirmationAfterTheFailureClosedTheDialogOpensItAgainWithTheSuccess) {
  main->HandleMessage(kMsgLinkNotice, 1);
  auto& dlg = main->Configuring();
  loop.Advance(12500);
  ASSERT_FALSE(dlg.IsOpen());  // "configure failed!" was shown and closed
  main->HandleMessage(kMsgNetworkNotice, 1);
  EXPECT_TRUE(dlg.IsOpen());
  EXPECT_EQ(dlg.Text(), "Matrix configuration completed successfully!");
  loop.Advance(2500);
  EXPECT_EQ(log, (Log{"search"}));
}

TEST_F(Shell, ASearchAnswerBeforeTimer9ClosesTheConfiguringDialogAtOnce) {
  main->HandleMessage(kMsgLinkNotice, 1);
  main->HandleMessage(kMsgNetworkNotice, 1);
  loop.Advance(2500 + 1000);
  main->HandleMessage(kMsgNetworkNotice, 2);
  EXPECT_FALSE(main->Configuring().IsOpen());
  loop.Advance(10000);
  EXPECT_NE(main->Configuring().Text(), "Search Matrix IP failed!");
  EXPECT_FALSE(main->Configuring().IsOpen());
}

TEST(SharedDialogs, GuardedMessageKeepsTheOpenLineAndTheFirstTimerClosesIt) {
  VirtualEventLoop loop;
  struct Page : TimerTarget {
    using TimerTarget::TimerTarget;
    void OnTimer(int id) override { CloseMessage(*this, *dialog, id); }
    MessageDialog* dialog = nullptr;
  } page(loop);
  MessageDialog dialog;
  page.dialog = &dialog;
  ShowMessage(page, dialog, 55, 1500, "Time out!", true);
  loop.Advance(500);
  ShowMessage(page, dialog, 55, 1500, "Matrix is in standby mode!", true);
  EXPECT_EQ(dialog.MessageText, "Matrix is in standby mode!");
  EXPECT_EQ(dialog.DisplayedText(), "Time out!");
  EXPECT_EQ(dialog.OpenCount(), 1);
  loop.Advance(1500);
  EXPECT_FALSE(dialog.IsOpen());
  EXPECT_EQ(dialog.MessageShown, 0);
}

TEST(SharedDialogs, BusyDialogIsSharedAndEveryFamilyKeepsItsLength) {
  BusyDialog busy;
  busy.BusyText = BusyPhaseText(BusyFamily::kSetting, 3);
  busy.Show();
  busy.BusyText = BusyPhaseText(BusyFamily::kCopying, 3);
  busy.Show();  // already open: reused, its line unchanged until a refresh
  EXPECT_EQ(busy.DisplayedText(), "Setting . . .");
  busy.Refresh();
  EXPECT_EQ(busy.DisplayedText(), "Copying . . .");
  busy.Close();
  EXPECT_EQ(busy.BusyShown, 0);
  EXPECT_FALSE(busy.IsOpen());

  EXPECT_EQ(BusyPhaseText(BusyFamily::kGettingStatus, 1), "Getting status .    ");
  EXPECT_EQ(BusyPhaseText(BusyFamily::kDownloading, 2), "Downloading . .  ");
  EXPECT_EQ(BusyPhaseText(BusyFamily::kPleaseWait, 3), "Please wait . . .");
  for (auto f : {BusyFamily::kSetting, BusyFamily::kCopying, BusyFamily::kDownloading,
                 BusyFamily::kGettingStatus, BusyFamily::kPleaseWait, BusyFamily::kConfiguring}) {
    EXPECT_EQ(BusyPhaseText(f, 1).size(), BusyPhaseText(f, 3).size());
    EXPECT_EQ(BusyPhaseText(f, 2).size(), BusyPhaseText(f, 3).size());
  }
  EXPECT_EQ(NextBusyPhase(1), 2);
  EXPECT_EQ(NextBusyPhase(3), 1);
}

}  // namespace
}  // namespace velantor
