// The network configuration on a simulated LAN in virtual time, with the main window's
// configuring dialog: confirmed and followed by its search, refused, unanswered (also right after
// a confirmed one), addressed to one of two switchers, and cut short by a search that takes the
// shared socket.
#include <gtest/gtest.h>

#include "scenario/lan_fixture.h"

namespace velantor::testing {
namespace {

class NetworkConfigScenario : public LanScenario {
 protected:
  // Searches, then opens the dialog on the switcher chosen in the list.
  void FindAndOpen(int chosen = 0) {
    search.SearchMatrix();
    loop.Advance(3000);
    ASSERT_GT(search.Matrices().size(), static_cast<size_t>(chosen));
    search.OnAddressSelected(chosen);
    configuringTexts.clear();
    mainWindow.posted.clear();
    dialog.OpenNetworkConfig();
  }
  void OkWithStaticAddress(const std::string& third, const std::string& fourth) {
    dialog.OnStaticIp();
    dialog.OnIpEdited(2, third);
    dialog.OnIpEdited(3, fourth);
    dialog.OnOk();
    okAtMs = loop.NowMs();
  }
  // The configuring dialog gives up 10 s after it opened and closes 2 s after that.
  void ExpectConfigureFailedAfterTenSeconds() {
    loop.Advance(okAtMs + 9999 - loop.NowMs());
    EXPECT_TRUE(shell.Configuring().IsOpen());
    EXPECT_EQ(TimesShown("configure failed!"), 0);
    loop.Advance(1);
    EXPECT_EQ(shell.Configuring().Text(), "configure failed!");
    EXPECT_EQ(TimesShown("configure failed!"), 1);
    loop.Advance(1999);
    EXPECT_TRUE(shell.Configuring().IsOpen());
    loop.Advance(1);
    EXPECT_FALSE(shell.Configuring().IsOpen());
    EXPECT_EQ(mainWindow.Count(0x41E, 1), 0);
  }

  int64_t okAtMs = 0;
};

TEST_F(NetworkConfigScenario, AConfirmedStaticAddressIsWhatTheSearchAfterItFinds) {
  const auto& device = lan.AddDevice(first);
  FindAndOpen();
  dialog.OnMacEdited(5, "2a");
  OkWithStaticAddress("7", "77");
  ASSERT_EQ(dialog.LastError(), "");
  EXPECT_EQ(lan.SentDatagrams().back().address, "127.255.255.255");
  EXPECT_EQ(lan.SentDatagrams().back().port, 30601);
  EXPECT_EQ(mainWindow.Count(0x41D, 1), 1);

  loop.Advance(5);
  EXPECT_EQ(mainWindow.Count(0x41E, 1), 1);
  // Our own packet came back first and was not taken for the answer.
  EXPECT_EQ(ReceivedDatagrams(), 2u);
  EXPECT_EQ(device.Counters().configsApplied, 1);
  EXPECT_EQ(first.gateway, (std::array<uint8_t, 4>{192, 168, 7, 1}));
  EXPECT_EQ(shell.Configuring().Text(), "Matrix configuration completed successfully!");

  loop.Advance(2000 + 500 + 5);  // the main window's search, and the switcher's answer to it
  EXPECT_EQ(configuringTexts, (std::vector<std::string>{"Configuring . . .",
                                                        "Matrix configuration completed successfully!",
                                                        "Searching Matrix IP . . .", "(closed)"}));
  ASSERT_EQ(search.Matrices().size(), 1u);
  EXPECT_EQ(search.Matrices()[0].address, "192.168.7.77");
  EXPECT_EQ(search.Matrices()[0].mac, "02564C54002A");
  EXPECT_EQ(mainWindow.Count(0x41E, 2), 1);
}

TEST_F(NetworkConfigScenario, AnUnansweredConfigurationAfterAConfirmedOneStillEndsInConfigureFailed) {
  lan.AddDevice(first);
  FindAndOpen();
  OkWithStaticAddress("7", "77");
  loop.Advance(5 + 2000 + 500 + 5);  // confirmed, then found again by the main window's search
  ASSERT_EQ(TimesShown("Matrix configuration completed successfully!"), 1);
  ASSERT_FALSE(shell.Configuring().IsOpen());
  loop.Advance(5000);  // that search's window ends

  FindAndOpen();
  lan.DropNextAnswers();
  OkWithStaticAddress("7", "78");
  ExpectConfigureFailedAfterTenSeconds();
  EXPECT_EQ(TimesShown("Matrix configuration completed successfully!"), 0);
}

TEST_F(NetworkConfigScenario, AConfigurationTheSwitcherRefusesEndsInConfigureFailed) {
  const auto& device = lan.AddDevice(first);
  FindAndOpen();
  OkWithStaticAddress("1", "255");  // a broadcast address is no address for a switcher
  loop.Advance(5);
  EXPECT_EQ(ReceivedDatagrams(), 2u);
  EXPECT_EQ(device.Counters().configsRefused, 1);
  EXPECT_TRUE(dialog.AwaitingConfirmation());
  ExpectConfigureFailedAfterTenSeconds();
  EXPECT_EQ(first.ip, (std::array<uint8_t, 4>{192, 168, 1, 239}));
}

// A packet that never left the machine (no such local address to listen on, or a send the
// system refused) is said at once with its reason; the entries stay for another try.
TEST_F(NetworkConfigScenario, APacketThatCouldNotBeSentIsReportedAtOnceAndNothingWaitsForAnAnswer) {
  const auto& device = lan.AddDevice(first);
  for (const ConfigRoute& route : {ConfigRoute{"192.0.2.1", 30601, "127.255.255.255", 30601},
                                  ConfigRoute{"0.0.0.0", 30601, "no-such-host", 30601}}) {
    SCOPED_TRACE(route.bindAddress + " -> " + route.broadcastAddress);
    dialog.SetRoute(route);
    FindAndOpen();
    const size_t sent = lan.SentDatagrams().size();
    OkWithStaticAddress("7", "77");
    EXPECT_NE(dialog.LastError(), "");
    EXPECT_EQ(shared.Message.DisplayedText(), "The configuration could not be sent: " + dialog.LastError());
    EXPECT_TRUE(dialog.View().shown);
    EXPECT_EQ(dialog.View().ip[3], "77");
    EXPECT_FALSE(dialog.AwaitingConfirmation());
    EXPECT_EQ(mainWindow.Count(0x41D, 1), 0);
    EXPECT_FALSE(shell.Configuring().IsOpen());
    EXPECT_EQ(lan.SentDatagrams().size(), sent);
    loop.Advance(12000);
    EXPECT_TRUE(configuringTexts.empty());
    dialog.OnCancel();
  }
  EXPECT_EQ(device.Counters().configsApplied, 0);
}

TEST_F(NetworkConfigScenario, AConfirmationLostOnTheWayEndsInConfigureFailedThoughTheSwitcherTookIt) {
  const auto& device = lan.AddDevice(first);
  FindAndOpen();
  lan.DropNextAnswers();
  OkWithStaticAddress("7", "77");
  loop.Advance(5);
  EXPECT_EQ(device.Counters().configsApplied, 1);
  EXPECT_EQ(ReceivedDatagrams(), 1u);  // only our own packet
  ExpectConfigureFailedAfterTenSeconds();
}

TEST_F(NetworkConfigScenario, OnlyTheChosenSwitcherAnswersAndOtherTrafficOnThePortNeitherConfirmsNorSpoilsIt) {
  const auto& one = lan.AddDevice(first);
  const auto& two = lan.AddDevice(second, 20);
  FindAndOpen(1);
  EXPECT_EQ(dialog.View().mac[5], "02");
  dialog.OnOk();  // automatic addressing

  // Before the switcher answers, an acceptance of a packet for another MAC arrives, then a
  // stray byte from a third host.
  std::vector<uint8_t> foreign = lan.SentDatagrams().back().bytes;
  const uint8_t otherMac[6] = {0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F};
  std::copy(otherMac, otherMac + 6, foreign.begin());
  foreign[74] = 0x00;
  foreign[75] = 0;
  for (size_t i = 0; i < 75; ++i) foreign[75] = static_cast<uint8_t>(foreign[75] + foreign[i]);
  lan.Inject(foreign, "192.168.1.50", 30601, 30601, 10);
  lan.Inject({0x00}, "192.168.1.77", 30601, 30601, 15);
  loop.Advance(19);
  EXPECT_EQ(ReceivedDatagrams(), 3u);
  EXPECT_EQ(mainWindow.Count(0x41E, 1), 0);

  loop.Advance(1);
  EXPECT_EQ(mainWindow.Count(0x41E, 1), 1);
  EXPECT_EQ(one.Counters().notForMe, 1);
  EXPECT_EQ(one.Counters().configsApplied, 0);
  EXPECT_EQ(two.Counters().configsApplied, 1);
  EXPECT_TRUE(second.autoIp);
  EXPECT_FALSE(first.autoIp);
}

TEST_F(NetworkConfigScenario, ASearchStartedBeforeTheAnswerTakesTheSocketAndItsAnswerClosesTheDialog) {
  lan.AddDevice(first);
  FindAndOpen();
  OkWithStaticAddress("7", "77");
  loop.RunPending();
  EXPECT_TRUE(shell.Configuring().IsOpen());
  search.SearchMatrix();  // the configuration port is closed before anything came back on it

  loop.Advance(5);
  EXPECT_EQ(lan.Counters().lost, 2);  // our own packet and the switcher's acceptance
  EXPECT_EQ(ReceivedDatagrams(), 0u);
  EXPECT_EQ(mainWindow.Count(0x41E, 1), 0);
  EXPECT_EQ(search.Addresses(), std::vector<std::string>{"192.168.7.77"});
  EXPECT_FALSE(shell.Configuring().IsOpen());
  EXPECT_EQ(TimesShown("configure failed!"), 0);
}

}  // namespace
}  // namespace velantor::testing
