// The General page never leaves a link open that the user cannot see, never opens a device other
// than the one chosen, ignores a second Connect press while a connect is under way, and never lets
// an address typed or chosen point the link or the configuration at another switcher or port.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>

#include "pages/general/general_page.h"
#include "support/shell_harness.h"

namespace velantor::testing {
namespace {

class GeneralLinks : public ::testing::Test {
 protected:
  GeneralLinks() : general(h.PageAs<CGeneralPage>(1)) {}
  void ConnectTcp() {
    general.OnTcpMode();
    general.OnAddressEdited("127.0.0.1");
    general.OnTcpConnect();
    h.loop.Advance(2000);
    ASSERT_EQ(h.shared.TcpLinkUp, 1);
  }
  ShellHarness h;
  CGeneralPage& general;
};

TEST_F(GeneralLinks, ChoosingComModeClosesTheTcpLinkAndChoosingTcpModeClosesTheSerialPort) {
  ConnectTcp();
  general.OnComMode();
  EXPECT_EQ(h.shared.TcpLinkUp, 0);
  EXPECT_EQ(h.shared.PageSocketConnected, 0);
  EXPECT_FALSE(h.socket.IsOpen());
  EXPECT_EQ(general.View().tcpButton, "Connect");

  general.OnComConnect();
  ASSERT_EQ(h.shared.ComLinkOpen, 1);
  h.loop.Advance(2000);
  general.OnTcpMode();
  EXPECT_EQ(h.shared.ComLinkOpen, 0);
  EXPECT_FALSE(h.Port(1).IsOpen());
  EXPECT_EQ(general.View().comButton, "Connect");
  EXPECT_FALSE(general.PageBusy());
}

TEST_F(GeneralLinks, AVanishedDeviceKeepsItsEntryAndSelectionAndConnectOpensNothingUntilItReturns) {
  const auto other = h.root / "dev" / "ttyVEL1";
  std::ofstream(other) << "";
  ASSERT_EQ(h.directory.AddPath(other.string()), 2);
  h.loop.Advance(600);  // the rescan lists COM2
  ASSERT_EQ(general.View().ports, (std::vector<std::string>{"COM1", "COM2"}));
  general.OnPortSelChange(1);

  std::filesystem::remove(other);  // the adapter is pulled
  h.loop.Advance(600);
  EXPECT_EQ(general.View().ports, (std::vector<std::string>{"COM1", "COM2"}));
  EXPECT_EQ(general.View().portSelection, 1);
  EXPECT_EQ(general.View().portDetail, "COM2 — " + other.string() + " (not present)");  // said once

  const int opens = h.Port(1).Counters().opens;
  general.OnComConnect();
  EXPECT_EQ(h.shared.ComLinkOpen, 0);
  EXPECT_EQ(h.Port(1).Counters().opens, opens);  // neither COM2 nor COM1 was opened
  EXPECT_EQ(h.shared.Message.DisplayedText(), "Open COM failed!");

  std::ofstream(other) << "";  // plugged in again
  h.loop.Advance(600);
  EXPECT_EQ(general.View().portSelection, 1);
  EXPECT_EQ(general.View().portDetail.find("not present"), std::string::npos);
  general.OnComConnect();
  EXPECT_EQ(h.shared.ComLinkOpen, 1);
  EXPECT_EQ(h.Port(1).PortNumber(), 2);
}

TEST_F(GeneralLinks, ASecondConnectPressWhileConnectingDoesNotDisconnect) {
  general.OnTcpMode();
  general.OnAddressEdited("127.0.0.1");
  general.OnTcpConnect();
  general.OnTcpConnect();  // the second half of a double click
  h.loop.Advance(2000);
  EXPECT_EQ(h.shared.TcpLinkUp, 1);
  EXPECT_EQ(general.View().tcpButton, "Disconnect");
}

TEST_F(GeneralLinks, APartialFrameOfTheLastConnectionDoesNotEatTheNextConnectionsFirstReply) {
  general.OnComConnect();
  h.loop.Advance(2000);
  for (uint8_t b : Hex("A5 5B 01 0A 00 00")) general.OnPortRxChar(b, 1);  // cut off by the disconnect
  general.OnComConnect();
  h.model.State().options.ir = !general.OptionsView().ir.checked;
  general.OnComConnect();
  h.loop.Advance(2000);
  EXPECT_EQ(general.OptionsView().ir.checked, h.model.State().options.ir);
}

TEST_F(GeneralLinks, AFloodOfStandbyReportsOpensOneNotice) {
  general.OnComConnect();
  h.loop.Advance(2000);
  const int opened = h.MessagesOpened();
  const auto standby = Frame({0x88, 0x88});
  for (int i = 0; i < 500; ++i) {
    for (uint8_t b : standby) general.OnPortRxChar(b, 1);
  }
  EXPECT_EQ(h.MessagesOpened(), opened + 1);
  EXPECT_EQ(h.shared.Message.DisplayedText(), "Matrix is in standby mode!");
  h.loop.Advance(2600);
  EXPECT_FALSE(h.shared.Message.IsOpen());
}

TEST_F(GeneralLinks, StatusIsGreyUntilReadAndGreyAgainOnceTheLinkCloses) {
  const Rgb grey{150, 150, 150};
  EXPECT_EQ(general.StatusView().inputs[0].Colour(), grey);  // nothing read: neither green nor red
  general.OnComConnect();
  h.loop.Advance(2000);
  EXPECT_EQ(general.StatusView().inputs[0].Colour(), (Rgb{0, 255, 0}));
  EXPECT_TRUE(general.StatusView().deviceCurrent);
  general.OnComConnect();  // disconnect
  EXPECT_EQ(general.StatusView().inputs[0].Colour(), grey);
  EXPECT_EQ(general.StatusView().inputs[0].text, "HDMI IN1: Connect");  // kept, but marked old
  EXPECT_FALSE(general.StatusView().deviceCurrent);

  ConnectTcp();
  EXPECT_TRUE(general.StatusView().deviceCurrent);
  h.model.CloseConnections();  // the switcher drops the connection
  h.loop.Advance(100);
  EXPECT_FALSE(general.StatusView().deviceCurrent);
  EXPECT_EQ(general.StatusView().outputs[0].Colour(), grey);
}

}  // namespace
}  // namespace velantor::testing

namespace velantor::testing {
namespace {

TEST_F(GeneralLinks, AConnectToASilentLinkSaysPlainlyThatTheSwitcherDoesNotAnswerAndKeepsTheLinkOpen) {
  h.model.Faults().dropEvery = 1;
  general.OnComConnect();
  ASSERT_EQ(h.shared.ComLinkOpen, 1);
  h.loop.Advance(10000);
  EXPECT_EQ(h.shared.Message.OpenCount(), 1);
  EXPECT_EQ(h.shared.Message.DisplayedText(), "The switcher does not answer");
  EXPECT_EQ(general.StatusView().deviceText, "The switcher does not answer");
  EXPECT_FALSE(general.StatusView().deviceCurrent);
  EXPECT_EQ(h.shared.ComLinkOpen, 1);
  EXPECT_FALSE(general.PageBusy());

  // The cable fixed, a status request reads the device as usual.
  h.model.Faults().dropEvery = 0;
  general.RequestStatus();
  h.loop.Advance(5000);
  EXPECT_TRUE(general.StatusView().inputs[0].current);
}

TEST_F(GeneralLinks, RepliesWithAWrongChecksumAreDroppedOverBothLinksAndCounted) {
  for (bool tcp : {false, true}) {
    ShellHarness fresh;
    fresh.model.Faults().corruptNext = 1000;
    fresh.LinkFromGeneral(tcp);
    fresh.loop.Advance(10000);
    auto& page = fresh.PageAs<CGeneralPage>(1);
    EXPECT_EQ(page.DisplayMode(), 0) << tcp;  // no display mode taken from a damaged reply
    EXPECT_EQ(page.StatusView().versionText, "Not Known") << tcp;
    EXPECT_GE(fresh.shared.ChecksumRejects, 2u) << tcp;
  }
}

TEST_F(GeneralLinks, TheStatusLineReportFollowsTheLinkThroughConnectSilenceStandbyLossAndClose) {
  EXPECT_EQ(h.shared.Link.Text(), "No link - not connected");
  int mostWaiting = 0;
  h.shared.Link.changed.Subscribe([&] { mostWaiting = std::max(mostWaiting, h.shared.Link.waiting); });
  general.OnComConnect();
  EXPECT_EQ(h.shared.Link.state, "connected");
  EXPECT_EQ(h.shared.Link.link.rfind("COM1 ", 0), 0u);
  h.loop.Advance(5000);
  EXPECT_EQ(mostWaiting, 1);  // the status chain after the connect waited for its replies
  EXPECT_EQ(h.shared.Link.waiting, 0);
  EXPECT_NE(h.shared.Link.device.find("v"), std::string::npos);

  h.model.Faults().dropEvery = 1;
  general.OnComConnect();  // disconnect
  EXPECT_EQ(h.shared.Link.state, "not connected");
  general.OnComConnect();
  h.loop.Advance(10000);
  EXPECT_EQ(h.shared.Link.state, "no answer");
  h.model.Faults().dropEvery = 0;
  general.RequestStatus();
  h.loop.Advance(3000);
  EXPECT_EQ(h.shared.Link.state, "connected");  // it answers again

  general.OnComConnect();
  ConnectTcp();
  EXPECT_EQ(h.shared.Link.Text().rfind("127.0.0.1:8000 - connected", 0), 0u);
  h.model.SetStandby(true);
  h.loop.Advance(100);
  EXPECT_EQ(h.shared.Link.state, "standby");
  h.model.SetStandby(false);
  h.model.CloseConnections();
  h.loop.Advance(100);
  EXPECT_EQ(h.shared.Link.state, "lost");
}

TEST_F(GeneralLinks, TheAddressBoxTakesAPortAndAMalformedAddressSaysWhatIsWrongAndConnectsNothing) {
  general.OnTcpMode();
  for (const char* bad : {"127.0.0.1:70000", "127.0.0.300", "", "127.0.0.1:80a"}) {
    const int opened = h.shared.Message.OpenCount();
    general.OnAddressEdited(bad);
    general.OnTcpConnect();
    EXPECT_EQ(h.shared.Message.OpenCount(), opened + 1) << bad;
    EXPECT_EQ(h.shared.Message.DisplayedText(), general.View().tcpDetail) << bad;
    EXPECT_FALSE(h.socket.IsOpen()) << bad;
    h.loop.Advance(3000);
    EXPECT_EQ(general.View().tcpButton, "Connect") << bad;
  }
  EXPECT_NE(general.View().tcpDetail.find("bad port \"80a\""), std::string::npos);

  general.OnAddressEdited("127.0.0.1:9000");  // nothing listens there
  general.OnTcpConnect();
  h.loop.Advance(3000);
  EXPECT_EQ(h.shared.TcpLinkUp, 0);
  EXPECT_EQ(h.shared.Message.DisplayedText(), "Connect to Matrix failed!");

  general.OnAddressEdited(" 127.0.0.1:8000 ");
  general.OnTcpConnect();
  h.loop.Advance(2000);
  EXPECT_EQ(h.shared.TcpLinkUp, 1);
  EXPECT_EQ(h.shared.MatrixAddress, "127.0.0.1");
  EXPECT_EQ(h.shared.CommandPortNumber, 8000);
}

}  // namespace
}  // namespace velantor::testing

namespace velantor::testing {
namespace {

// A switcher's 55-byte search answer: MAC, address, the signature, padding.
std::vector<uint8_t> SearchAnswer(uint8_t macLast, std::vector<uint8_t> ip) {
  std::vector<uint8_t> reply(55, 0);
  const uint8_t mac[6] = {0x02, 0x56, 0x4C, 0x54, 0x00, macLast};
  std::copy(mac, mac + 6, reply.begin());
  std::copy(ip.begin(), ip.end(), reply.begin() + 6);
  reply[18] = 0x77;
  reply[19] = 0x88;
  return reply;
}

TEST_F(GeneralLinks, ATypedAddressBindsTheConfigurationToTheSwitcherFoundThereOrToNoSwitcherAtAll) {
  general.OnTcpMode();
  for (const auto& answer : {SearchAnswer(0x01, {127, 0, 0, 1}), SearchAnswer(0x02, {127, 0, 0, 2})}) {
    general.Search().OnReceive(answer.data(), answer.size());
  }
  general.OnAddressSelChange(1);  // the user chose B ...
  ASSERT_EQ(general.Search().MatrixMac, "02564C540002");
  general.OnAddressEdited("127.0.0.1");  // ... then typed A's address and connected
  general.OnTcpConnect();
  h.loop.Advance(2000);
  ASSERT_EQ(h.shared.TcpLinkUp, 1);
  EXPECT_EQ(general.View().addressSelection, 0);
  general.OnConfig();
  const NetworkConfigState& config = general.NetworkConfig().View();
  EXPECT_EQ(config.ip, (std::array<std::string, 4>{"127", "0", "0", "1"}));
  EXPECT_EQ(config.mac, (std::array<std::string, 6>{"02", "56", "4C", "54", "00", "01"}));
  EXPECT_NE(general.NetworkConfig().ChangeQuestion().find("127.0.0.1 (MAC 02564C540001)"), std::string::npos);
  general.NetworkConfig().OnCancel();

  // An address no switcher answered from has no MAC: OK names that and sends nothing.
  general.OnTcpConnect();  // disconnect
  general.OnAddressEdited("127.0.0.3");
  general.OnConfig();
  EXPECT_EQ(config.ip, (std::array<std::string, 4>{"127", "0", "0", "3"}));
  EXPECT_EQ(config.mac, (std::array<std::string, 6>{}));
  for (int i = 0; i < 6; ++i) general.NetworkConfig().OnMacEdited(i, "0" + std::to_string(i));
  EXPECT_EQ(general.NetworkConfig().ChangeQuestion(), "");
  general.NetworkConfig().OnOk();
  EXPECT_EQ(general.NetworkConfig().PacketsSent(), 0);
  EXPECT_TRUE(config.shown);
  EXPECT_EQ(h.shared.Message.DisplayedText(),
            "The switcher's MAC is not known: search for it and choose it in the address list");
}

TEST_F(GeneralLinks, ChoosingAnotherAddressWhileConnectedEndsTheLinkAndWhatItShowsAsDisconnectDoes) {
  ConnectTcp();
  ASSERT_EQ(h.shared.Link.state, "connected");
  ASSERT_TRUE(general.StatusView().deviceCurrent);
  general.SetAddresses({"127.0.0.1", "127.0.0.2"});
  h.model.Faults().dropEvery = 1;
  general.OnBeepCheck();  // an option command under way
  ASSERT_TRUE(general.PageBusy());

  general.OnAddressSelChange(1);
  EXPECT_EQ(h.shared.MatrixAddress, "127.0.0.2");
  EXPECT_EQ(h.shared.TcpLinkUp, 0);
  EXPECT_FALSE(h.socket.IsOpen());
  EXPECT_EQ(general.View().tcpButton, "Connect");
  EXPECT_EQ(h.shared.Link.state, "not connected");
  EXPECT_FALSE(general.PageBusy());
  EXPECT_FALSE(general.StatusView().deviceCurrent);
  EXPECT_EQ(general.StatusView().outputs[0].Colour(), (Rgb{150, 150, 150}));
  const int opened = h.MessagesOpened();
  h.loop.Advance(20000);  // the abandoned command neither times out nor reports the link silent
  EXPECT_EQ(h.MessagesOpened(), opened);
  EXPECT_EQ(h.shared.Link.state, "not connected");
}

TEST_F(GeneralLinks, AnAddressWithoutAPortGoesToTheCommandPortNotToThePortTypedBefore) {
  general.OnTcpMode();
  general.OnAddressEdited("127.0.0.1:9000");  // nothing listens there
  general.OnTcpConnect();
  h.loop.Advance(3000);
  ASSERT_EQ(h.shared.TcpLinkUp, 0);
  general.OnAddressEdited("127.0.0.1");
  general.OnTcpConnect();
  h.loop.Advance(2000);
  EXPECT_EQ(h.shared.TcpLinkUp, 1);
  EXPECT_EQ(h.shared.CommandPortNumber, 8000);
  EXPECT_EQ(h.shared.Link.link, "127.0.0.1:8000");
  general.OnTcpConnect();  // disconnect

  // A command port named on the command line (--connect tcp:HOST:PORT) is the one an address
  // without a port goes to, before and after a connect to a typed HOST:PORT.
  sim::SimCommandSocket elsewhere(h.loop, h.model, "", 9000);
  h.shared.PageSocket = &elsewhere;
  h.shared.CommandPortNumber = 9000;
  general.OnTcpConnect();
  h.loop.Advance(2000);
  EXPECT_EQ(h.shared.TcpLinkUp, 1);
  general.OnTcpConnect();
  general.OnAddressEdited("127.0.0.1:8000");
  general.OnTcpConnect();
  h.loop.Advance(3000);
  EXPECT_EQ(h.shared.TcpLinkUp, 0);
  general.OnAddressEdited("127.0.0.1");
  general.OnTcpConnect();
  h.loop.Advance(2000);
  EXPECT_EQ(h.shared.TcpLinkUp, 1);
  EXPECT_EQ(h.shared.CommandPortNumber, 9000);
  general.OnTcpConnect();
  h.shared.PageSocket = &h.socket;
}

}  // namespace
}  // namespace velantor::testing
