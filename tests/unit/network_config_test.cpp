// The network configuration dialog: its fields on each open, the 76-byte packet for automatic
// and static addressing, the refusal of fields that hold no valid value, and what counts as the
// matrix's confirmation.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/virtual_event_loop.h"
#include "pages/general/network_config.h"
#include "sim/sim_datagram_socket.h"
#include "support/bytes.h"
#include "support/recording_main_window.h"

namespace velantor {
namespace {
using testing::RecordingMainWindow;

using testing::Hex;
using testing::HexText;

std::string PacketText(const ConfigPacket& p) { return HexText(p.data(), p.size()); }
std::string Zeros(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += " 00";
  return s;
}

class NetworkConfigTest : public ::testing::Test {
 protected:
  NetworkConfigTest() : socket(loop), dialog(loop, shared, mainWindow, socket, matrixMac) {
    dialog.SetRoute({"127.0.0.1", 0, "127.0.0.1", 9});  // a loopback port where nothing answers
    shared.MatrixAddress = "192.168.1.239";
    matrixMac = "02564C540001";
  }
  void SetMac(const std::vector<std::string>& fields) {
    for (size_t i = 0; i < fields.size(); ++i) dialog.OnMacEdited(static_cast<int>(i), fields[i]);
  }
  void SetIp(const std::vector<std::string>& fields) {
    for (size_t i = 0; i < fields.size(); ++i) dialog.OnIpEdited(static_cast<int>(i), fields[i]);
  }
  void Feed(const std::vector<uint8_t>& bytes) { dialog.OnReceive(bytes.data(), bytes.size()); }
  int Confirmations() const {
    int n = 0;
    for (auto& m : mainWindow.posted) n += m == std::pair<unsigned, int>{0x41E, 1};
    return n;
  }

  VirtualEventLoop loop;
  SharedState shared;
  RecordingMainWindow mainWindow;
  std::string matrixMac;
  sim::SimDatagramSocket socket;
  CNetworkConfigDialog dialog;
};

// Two switchers answered; the user opened the dialog for one. A late search answer from the
// other moves MatrixMac, but OK still addresses the switcher the dialog shows.
TEST_F(NetworkConfigTest, OkAddressesTheSwitcherTheDialogWasOpenedForWhateverAnswersLater) {
  dialog.OpenNetworkConfig();
  matrixMac = "02564C5400AA";  // the other switcher's late answer
  dialog.OnOk();
  EXPECT_EQ(HexText(dialog.LastPacket().data(), 6), "02 56 4C 54 00 01");
}

TEST_F(NetworkConfigTest, OpeningFillsTheFieldsAndALaterOpenRefillsThemButKeepsTheRadios) {
  dialog.OpenNetworkConfig();
  const NetworkConfigState& v = dialog.View();
  EXPECT_TRUE(v.shown);
  EXPECT_TRUE(v.autoIp);
  EXPECT_FALSE(v.ipEditsEnabled);
  EXPECT_EQ(v.ip, (std::array<std::string, 4>{"192", "168", "1", "239"}));
  EXPECT_EQ(v.mac, (std::array<std::string, 6>{"02", "56", "4C", "54", "00", "01"}));

  dialog.OnStaticIp();
  EXPECT_TRUE(v.ipEditsEnabled);
  dialog.OnIpEdited(3, "50");
  dialog.OnCancel();
  EXPECT_FALSE(v.shown);

  shared.MatrixAddress = "10.1";
  matrixMac = "";
  dialog.OpenNetworkConfig();
  EXPECT_FALSE(v.autoIp);
  EXPECT_TRUE(v.ipEditsEnabled);
  EXPECT_EQ(v.ip, (std::array<std::string, 4>{"10", "1", "", ""}));
  EXPECT_EQ(v.mac, (std::array<std::string, 6>{"", "", "", "", "", ""}));
}

TEST_F(NetworkConfigTest, StaticIpPacketCarriesAddressGatewayMaskNewMacAndChecksum) {
  dialog.OpenNetworkConfig();
  dialog.OnStaticIp();
  SetIp({"192", "168", "1", "50"});
  SetMac({"02", "56", "4c", "54", "00", "09"});  // lower case is taken as upper case
  dialog.OnOk();

  EXPECT_EQ(PacketText(dialog.LastPacket()),
            "02 56 4C 54 00 01 C0 A8 01 32 C0 A8 01 01 FF FF FF 00 00 02 56 4C 54 00 09 17" + Zeros(48) +
                " FF 12");
  EXPECT_EQ(dialog.PacketsSent(), 1);
  EXPECT_FALSE(dialog.View().shown);
  ASSERT_EQ(mainWindow.posted.size(), 1u);
  EXPECT_EQ(mainWindow.posted[0], (std::pair<unsigned, int>{0x41D, 1}));
}

TEST_F(NetworkConfigTest, AutoIpPacketKeepsBytesSixToSeventeenOfThePreviousPacket) {
  dialog.OpenNetworkConfig();
  SetMac({"02", "56", "4C", "54", "00", "0A"});
  dialog.OnOk();  // before any static packet those bytes are 0
  EXPECT_EQ(PacketText(dialog.LastPacket()),
            "02 56 4C 54 00 01" + Zeros(12) + " 01 02 56 4C 54 00 0A 16" + Zeros(48) + " FF 11");

  dialog.OpenNetworkConfig();
  dialog.OnStaticIp();
  SetIp({"192", "168", "1", "50"});
  dialog.OnOk();
  dialog.OpenNetworkConfig();
  dialog.OnAutoIp();
  SetIp({"1", "2", "3", "x"});  // disabled in auto mode: neither checked nor sent
  dialog.OnOk();  // the new MAC is the refilled matrix MAC again
  EXPECT_EQ(PacketText(dialog.LastPacket()),
            "02 56 4C 54 00 01 C0 A8 01 32 C0 A8 01 01 FF FF FF 00 01 02 56 4C 54 00 01 16" + Zeros(48) +
                " FF 0A");
  EXPECT_EQ(dialog.PacketsSent(), 3);
}

// The packet keeps the previous target bytes where the MAC text has none, which would address the
// switcher configured before: without a known MAC, OK sends nothing and says why.
TEST_F(NetworkConfigTest, WithoutAKnownMatrixMacOkSendsNothingRatherThanAddressTheSwitcherConfiguredBefore) {
  matrixMac = "0A0B0C0D0E0F";
  dialog.OpenNetworkConfig();
  dialog.OnOk();
  ASSERT_EQ(dialog.PacketsSent(), 1);
  matrixMac = "";
  dialog.OpenNetworkConfig();
  SetMac({"02", "00", "00", "00", "00", "01"});
  EXPECT_EQ(dialog.ChangeQuestion(), "");
  dialog.OnOk();
  EXPECT_EQ(dialog.PacketsSent(), 1);
  EXPECT_TRUE(dialog.View().shown);
  EXPECT_EQ(shared.Message.DisplayedText(),
            "The switcher's MAC is not known: search for it and choose it in the address list");
  EXPECT_EQ(HexText(BuildConfigPacket(dialog.LastPacket(), "", ConfigFields{}).data(), 6), "0A 0B 0C 0D 0E 0F");
}

TEST_F(NetworkConfigTest, TheHexParserSkipsSpacesAndStopsAtTheFirstNonDigitOrALoneDigit) {
  EXPECT_EQ(ParseHexBytes("02564C540001"), Hex("02 56 4C 54 00 01"));
  EXPECT_EQ(ParseHexBytes(" 0a 1B"), Hex("0A 1B"));
  EXPECT_EQ(ParseHexBytes("12G4"), Hex("12"));
  EXPECT_EQ(ParseHexBytes("ABC"), Hex("AB"));
  EXPECT_TRUE(ParseHexBytes("").empty());
}

TEST_F(NetworkConfigTest, TheQuestionBeforeOkNamesTheSwitcherAndWhatItsAddressBecomes) {
  dialog.OpenNetworkConfig();
  EXPECT_EQ(dialog.ChangeQuestion(),
            "Change the network settings of the switcher at 192.168.1.239 (MAC 02564C540001) to take its "
            "address automatically? It will no longer answer at its present address.");
  dialog.OnStaticIp();
  SetIp({"10", "0", "0", "7"});
  matrixMac = "02564C540002";  // a late search answer: the question keeps the dialog's switcher
  EXPECT_NE(dialog.ChangeQuestion().find("(MAC 02564C540001) to use the address 10.0.0.7?"), std::string::npos);
  EXPECT_EQ(dialog.PacketsSent(), 0);  // asking sends nothing
}

TEST_F(NetworkConfigTest, FieldsWithoutAValidValueAreNamedAndNothingIsSent) {
  struct Case {
    std::vector<std::string> ip;
    std::vector<std::string> mac;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"192", "168", "1", "300"}, {"02", "56", "4C", "54", "00", "01"}, "IP Address field 4: \"300\" is above 255"},
      {{"192", "", "1", "5"}, {"02", "56", "4C", "54", "00", "01"}, "IP Address field 2 is empty"},
      {{"19x", "168", "1", "5"}, {"02", "56", "4C", "54", "00", "01"}, "IP Address field 1: \"19x\" is not a number"},
      {{"99999999999999999999", "1", "1", "5"}, {"02", "56", "4C", "54", "00", "01"},
       "IP Address field 1: \"99999999999999999999\" is above 255"},
      {{"192", "168", "1", "5"}, {"02", "56", "G4", "54", "00", "01"}, "MAC field 3: \"G4\" is not two hex digits"},
      {{"192", "168", "1", "5"}, {"02", "56", "4C", "5", "00", "01"}, "MAC field 4: \"5\" is not two hex digits"},
      {{"192", "168", "1", "5"}, {"02", "56", "4C", "54", "00", ""}, "MAC field 6: \"\" is not two hex digits"},
  };
  dialog.OpenNetworkConfig();
  dialog.OnStaticIp();
  const ConfigPacket before = dialog.LastPacket();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    SetIp(c.ip);
    SetMac(c.mac);
    EXPECT_EQ(dialog.ChangeQuestion(), "");  // nothing to ask: OK names the field
    dialog.OnOk();
    EXPECT_EQ(shared.Message.MessageText, c.message);
    EXPECT_TRUE(dialog.View().shown);
    EXPECT_EQ(dialog.PacketsSent(), 0);
    EXPECT_EQ(dialog.LastPacket(), before);
    EXPECT_FALSE(dialog.AwaitingConfirmation());
  }
  EXPECT_TRUE(mainWindow.posted.empty());
  EXPECT_TRUE(shared.Message.IsOpen());
  loop.Advance(2500);
  EXPECT_FALSE(shared.Message.IsOpen());
}

TEST_F(NetworkConfigTest, OnlyTheMatrixsAcceptanceOfThePacketSentConfirms) {
  dialog.OpenNetworkConfig();
  dialog.OnOk();
  std::vector<uint8_t> own(dialog.LastPacket().begin(), dialog.LastPacket().end());

  Feed(own);  // our own broadcast: status 0xFF
  EXPECT_EQ(Confirmations(), 0);

  std::vector<uint8_t> stranger(76, 0x33);
  stranger[74] = 0x00;  // accepted, but nothing in it lines up with our packet
  Feed(stranger);
  EXPECT_EQ(Confirmations(), 0);

  std::vector<uint8_t> refused = own;
  refused[74] = 0x01;
  Feed(refused);
  EXPECT_EQ(Confirmations(), 0);

  std::vector<uint8_t> accepted = own;
  accepted[74] = 0x00;
  Feed(std::vector<uint8_t>(accepted.begin(), accepted.begin() + 75));
  EXPECT_EQ(Confirmations(), 0);
  EXPECT_EQ(dialog.BufferedBytes(), 75u);
  Feed({accepted[75]});
  EXPECT_EQ(Confirmations(), 1);
  EXPECT_EQ(dialog.BufferedBytes(), 0u);

  Feed(accepted);  // the same answer again confirms nothing more
  EXPECT_EQ(Confirmations(), 1);
  EXPECT_NE(dialog.ReceiveLog().Text().find("02 56 4C 54 00 01 "), std::string::npos);
}

TEST_F(NetworkConfigTest, AShortStrayDatagramFromTheSwitcherBeforeItsAcceptanceDoesNotHideIt) {
  dialog.OpenNetworkConfig();
  dialog.OnOk();
  std::vector<uint8_t> accepted(dialog.LastPacket().begin(), dialog.LastPacket().end());
  accepted[74] = 0x00;
  const std::vector<uint8_t> stray(10, 0x5A);
  dialog.OnReceive(stray.data(), stray.size(), "192.168.1.239");
  dialog.OnReceive(accepted.data(), accepted.size(), "192.168.1.239");
  EXPECT_EQ(Confirmations(), 1);
  EXPECT_EQ(dialog.BufferedBytes(), 0u);
}

TEST_F(NetworkConfigTest, NothingConfirmsBeforeAPacketWasSentAndFloodsStayInsideTheBuffer) {
  Feed(std::vector<uint8_t>(76, 0x00));  // would line up with the all-zero packet of no send
  EXPECT_EQ(Confirmations(), 0);
  for (int i = 0; i < 500; ++i) {
    Feed(std::vector<uint8_t>(static_cast<size_t>(i * 7 % 1500), static_cast<uint8_t>(i)));
    ASSERT_LT(dialog.BufferedBytes(), 76u);
  }
  EXPECT_EQ(Confirmations(), 0);
}

}  // namespace
}  // namespace velantor
