// The General page's connection management against the emulator model in virtual time: COM
// and TCP connect and disconnect, the first query, the port list rescan and the mended faults.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "pages/general/general_page.h"
#include "support/shell_harness.h"

namespace velantor {
namespace {

// The shell with its real pages, its directory empty at the start: each test adds the devices it
// needs before it first asks for the page, which then reads the list anew.
class GeneralConnection : public ::testing::Test {
 protected:
  std::string MakeDevice(const std::string& name) {
    std::string path = (h.root / "dev" / name).string();
    std::ofstream(path) << "";
    return path;
  }
  CGeneralPage& Page() {
    CGeneralPage& page = h.PageAs<CGeneralPage>(kPageGeneral);
    if (!initialised) page.Initialise();
    initialised = true;
    return page;
  }
  std::string FirstSentLine() { return Page().SentLog()->Text().substr(0, 39); }

  testing::ShellHarness h{sim::MakeDeviceState(), /*addCom1=*/false};
  VirtualEventLoop& loop = h.loop;
  SharedState& shared = h.shared;
  PortDirectory& directory = h.directory;
  sim::SimSerialLink& serial = h.Port(kPageGeneral);
  sim::SimCommandSocket& socket = h.socket;
  bool initialised = false;
};

TEST_F(GeneralConnection, ComConnectOpensTheChosenPortSendsTheFirstQueryAndDisconnects) {
  directory.AddPath(MakeDevice("ttyVEL0"));
  CGeneralPage& p = Page();
  ASSERT_EQ(p.View().ports, std::vector<std::string>{"COM1"});
  EXPECT_EQ(p.View().portSelection, 0);
  EXPECT_EQ(p.StopBits(), 1);
  p.OnComConnect();
  EXPECT_EQ(p.View().comButton, "Disconnect");
  EXPECT_TRUE(p.View().comConnectedIcon);
  EXPECT_FALSE(p.View().portListEnabled);
  EXPECT_EQ(shared.ComLinkOpen, 1);
  EXPECT_EQ(shared.ComPortNumber, 1);
  EXPECT_EQ(p.StopBits(), 2);
  EXPECT_EQ(FirstSentLine(), "A5 5B 01 0A 00 00 00 00 00 00 00 00 F5 ");
  EXPECT_FALSE(p.TimerRunning(CGeneralPage::kTimerRescan));
  loop.Advance(50);
  EXPECT_GT(serial.Counters().bytesWritten, 0u);
  EXPECT_GE(serial.Counters().bytesDelivered, 13u);  // the IR state reply came back

  p.OnComConnect();
  EXPECT_EQ(p.View().comButton, "Connect");
  EXPECT_FALSE(p.View().comConnectedIcon);
  EXPECT_EQ(shared.ComLinkOpen, 0);
  EXPECT_FALSE(serial.IsOpen());
  EXPECT_TRUE(p.TimerRunning(CGeneralPage::kTimerRescan));
}

TEST_F(GeneralConnection, ComConnectWithAnEmptyListOpensNothing) {
  CGeneralPage& p = Page();
  EXPECT_TRUE(p.View().ports.empty());
  p.OnComConnect();
  EXPECT_EQ(serial.Counters().opens + serial.Counters().failedOpens, 0);
  EXPECT_TRUE(shared.Message.IsOpen());
  EXPECT_EQ(shared.Message.DisplayedText(), "Open COM failed!");
  loop.Advance(1500);
  EXPECT_FALSE(shared.Message.IsOpen());
}

TEST_F(GeneralConnection, AFailedOpenLeavesThePageDisconnectedWithTheRescanRunning) {
  directory.AddPath(MakeDevice("ttyVEL0"));
  serial.SetPortPresent(false);
  CGeneralPage& p = Page();
  p.OnComConnect();
  EXPECT_EQ(shared.Message.DisplayedText(), "Open COM failed!");
  EXPECT_EQ(shared.ComLinkOpen, 0);
  EXPECT_EQ(p.View().comButton, "Connect");
  EXPECT_TRUE(p.TimerRunning(CGeneralPage::kTimerRescan));
}

// A selected device that goes keeps its entry and the selection: falling back to another
// device would make the next Connect open equipment the user did not choose.
TEST_F(GeneralConnection, RescanKeepsTheSelectedPortEvenWhileItsDeviceIsGone) {
  const std::string second = MakeDevice("ttyVEL1");
  directory.AddPath(MakeDevice("ttyVEL0"));
  directory.AddPath(second);
  CGeneralPage& p = Page();
  p.OnPortSelChange(1);
  const std::string third = MakeDevice("ttyVEL2");
  directory.AddPath(third);
  loop.Advance(500);
  EXPECT_EQ(p.View().ports, (std::vector<std::string>{"COM1", "COM2", "COM3"}));
  EXPECT_EQ(p.View().portSelection, 1);
  std::filesystem::remove(second);
  loop.Advance(500);
  EXPECT_EQ(p.View().ports, (std::vector<std::string>{"COM1", "COM2", "COM3"}));
  EXPECT_EQ(p.View().portSelection, 1);
  std::filesystem::remove(third);  // an unselected device that goes leaves the list
  loop.Advance(500);
  EXPECT_EQ(p.View().ports, (std::vector<std::string>{"COM1", "COM2"}));
}

// Leaving the page while its connect is under way: the connect would complete for a page whose
// answers nobody reads, and "The switcher does not answer" would follow on the next page.
TEST_F(GeneralConnection, LeavingThePageDuringASlowTcpConnectDropsItAndSaysTheLinkIsNotUp) {
  CGeneralPage& p = Page();
  p.OnTcpMode();
  socket.SetConnectDelayMs(400);
  p.OnAddressEdited("127.0.0.1");
  p.OnTcpConnect();
  loop.Advance(100);
  h.ChoosePage(kPageMatrix, 10000);
  EXPECT_EQ(shared.TcpLinkUp, 0);
  EXPECT_EQ(p.View().tcpButton, "Connect");
  EXPECT_EQ(shared.Link.state, "not connected");
  EXPECT_EQ(shared.Message.DisplayedText(), "Connect to Matrix failed!");
  EXPECT_TRUE(h.main->HeadersEnabled());
}

TEST_F(GeneralConnection, ASlowTcpConnectIsStillConfirmedByItsNotification) {
  CGeneralPage& p = Page();
  p.OnTcpMode();
  EXPECT_EQ(shared.LinkMode, 1);
  EXPECT_TRUE(p.View().tcpGroupEnabled);
  EXPECT_FALSE(p.View().comGroupEnabled);
  socket.SetConnectDelayMs(400);
  p.OnAddressEdited("127.0.0.1");
  p.OnTcpConnect();
  EXPECT_EQ(shared.MatrixAddress, "127.0.0.1");
  loop.Advance(150);
  EXPECT_EQ(p.View().tcpButton, "Connect");  // still connecting, no failure reported
  EXPECT_FALSE(shared.Message.IsOpen());
  loop.Advance(300);
  EXPECT_EQ(p.View().tcpButton, "Disconnect");
  EXPECT_TRUE(p.View().tcpConnectedIcon);
  EXPECT_EQ(shared.TcpLinkUp, 1);
  EXPECT_EQ(FirstSentLine(), "A5 5B 01 0A 00 00 00 00 00 00 00 00 F5 ");
  loop.Advance(10);
  EXPECT_GE(socket.Counters().bytesReceived, 13u);

  p.OnTcpConnect();  // Disconnect
  EXPECT_EQ(p.View().tcpButton, "Connect");
  EXPECT_EQ(shared.TcpLinkUp, 0);
  EXPECT_EQ(shared.PageSocketConnected, 0);
}

TEST_F(GeneralConnection, ARefusedTcpConnectReportsFailureAndTheNextPressConnectsAnew) {
  CGeneralPage& p = Page();
  p.OnTcpMode();
  socket.SetReachable(false);
  p.OnAddressEdited("127.0.0.1");
  p.OnTcpConnect();
  loop.Advance(20);
  EXPECT_EQ(shared.Message.DisplayedText(), "Connect to Matrix failed!");
  EXPECT_EQ(p.View().tcpButton, "Connect");
  EXPECT_EQ(shared.TcpLinkUp, 0);
  loop.Advance(1000);
  EXPECT_FALSE(shared.Message.IsOpen());
  socket.SetReachable(true);
  p.OnTcpConnect();
  loop.Advance(20);
  EXPECT_EQ(shared.TcpLinkUp, 1);
  EXPECT_EQ(p.View().tcpButton, "Disconnect");
}

TEST_F(GeneralConnection, AConnectThatNeverAnswersTimesOutAndIsDropped) {
  CGeneralPage& p = Page();
  p.OnTcpMode();
  socket.SetConnectDelayMs(60000);
  p.OnAddressEdited("127.0.0.1");
  p.OnTcpConnect();
  loop.Advance(3000);
  EXPECT_EQ(shared.Message.DisplayedText(), "Connect to Matrix failed!");
  EXPECT_FALSE(socket.IsOpen());
  loop.Advance(60000);  // the abandoned connect never flips the page to connected
  EXPECT_EQ(shared.TcpLinkUp, 0);
  EXPECT_EQ(p.View().tcpButton, "Connect");
}

TEST_F(GeneralConnection, ChoosingAnotherAddressDropsTheLink) {
  CGeneralPage& p = Page();
  p.OnTcpMode();
  p.SetAddresses({"127.0.0.1", "127.0.0.2"});
  p.OnTcpConnect();
  loop.Advance(20);
  ASSERT_EQ(shared.TcpLinkUp, 1);
  p.OnAddressSelChange(1);
  EXPECT_EQ(shared.MatrixAddress, "127.0.0.2");
  EXPECT_EQ(shared.TcpLinkUp, 0);
  EXPECT_EQ(shared.PageSocketConnected, 0);
  EXPECT_EQ(p.View().tcpButton, "Connect");
}

TEST_F(GeneralConnection, SerialFailureRequestAndActivationCheck) {
  directory.AddPath(MakeDevice("ttyVEL0"));
  CGeneralPage& p = Page();
  p.OnComConnect();
  ASSERT_EQ(shared.ComLinkOpen, 1);
  p.ClosePort();  // another page was shown
  EXPECT_FALSE(serial.IsOpen());
  p.StartAction();  // back on General: the port is opened again
  EXPECT_TRUE(serial.IsOpen());
  p.CloseSerialLink();
  EXPECT_EQ(shared.ComLinkOpen, 0);
  EXPECT_EQ(p.View().comButton, "Connect");
  p.StartAction();
  EXPECT_EQ(shared.Message.DisplayedText(), "Open COM failed!");
}

}  // namespace
}  // namespace velantor
