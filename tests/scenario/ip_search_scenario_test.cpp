// The IP search on a simulated LAN in virtual time: one and two switchers answering, answers
// that come late or never, and stray datagrams from other hosts.
#include <gtest/gtest.h>

#include "scenario/lan_fixture.h"

namespace velantor::testing {
namespace {

using IpSearchScenario = LanScenario;

TEST_F(IpSearchScenario, ASearchBroadcastsOneLetterAAndListsTheSwitcherThatAnswers) {
  const auto& device = lan.AddDevice(first);
  search.SearchMatrix();
  ASSERT_EQ(lan.SentDatagrams().size(), 1u);
  EXPECT_EQ(lan.SentDatagrams()[0].address, "127.255.255.255");
  EXPECT_EQ(lan.SentDatagrams()[0].port, 30600);
  EXPECT_EQ(lan.SentDatagrams()[0].bytes, std::vector<uint8_t>{0x61});

  loop.Advance(4);  // our own probe is back, the answer is not
  EXPECT_EQ(lan.Counters().echoes, 1);
  EXPECT_TRUE(search.Matrices().empty());
  EXPECT_EQ(search.BufferedBytes(), 0u);

  loop.Advance(1);
  ASSERT_EQ(search.Matrices().size(), 1u);
  EXPECT_EQ(search.Matrices()[0].address, "192.168.1.239");
  EXPECT_EQ(search.Matrices()[0].mac, "02564C540001");
  EXPECT_EQ(shared.MatrixAddress, "192.168.1.239");
  EXPECT_EQ(search.MatrixMac, "02564C540001");
  EXPECT_EQ(mainWindow.Count(0x41E, 2), 1);
  EXPECT_EQ(device.Counters().probes, 1);
  EXPECT_EQ(device.Counters().ignoredSearch, 0);
}

TEST_F(IpSearchScenario, TwoSwitchersAreListedInTheOrderTheyAnsweredEvenWhenOneAnswersLate) {
  lan.AddDevice(second, 3000);  // added first, but slow
  lan.AddDevice(first);
  search.SearchMatrix();
  loop.Advance(2999);
  ASSERT_EQ(search.Addresses(), std::vector<std::string>{"192.168.1.239"});
  loop.Advance(1);  // the search has no time-out: the socket is still open for the late one
  ASSERT_EQ(search.Addresses(), (std::vector<std::string>{"192.168.1.239", "192.168.1.240"}));
  EXPECT_EQ(search.Selected(), 0);
  EXPECT_EQ(search.MatrixMac, "02564C540001");
  EXPECT_EQ(shared.MatrixAddress, "192.168.1.239");
  EXPECT_EQ(mainWindow.Count(0x41E, 2), 2);

  search.OnAddressSelected(1);
  EXPECT_EQ(search.MatrixMac, "02564C540002");

  // A new search starts the list again from the answers to the new probe.
  search.SearchMatrix();
  EXPECT_TRUE(search.Matrices().empty());
  loop.Advance(3000);
  EXPECT_EQ(search.Addresses(), (std::vector<std::string>{"192.168.1.239", "192.168.1.240"}));
}

TEST_F(IpSearchScenario, StrayDatagramsFromOtherHostsDoNotSpoilTheAnswersAroundThem) {
  lan.AddDevice(first);
  lan.AddDevice(second, 20);
  search.SearchMatrix();
  lan.Inject({0x00}, "192.168.1.77", 5000, 30600, 2);    // before the first answer
  lan.Inject({0x42}, "192.168.1.78", 30600, 30600, 10);  // between the two answers
  // A switcher that is not on our LAN answers in two pieces from one address.
  const auto third = SearchAnswer({0x02, 0x56, 0x4C, 0x54, 0x00, 0x03}, {10, 0, 0, 9});
  lan.Inject({third.begin(), third.begin() + 30}, "10.0.0.9", 30600, 30600, 30);
  lan.Inject({third.begin() + 30, third.end()}, "10.0.0.9", 30600, 30600, 31);
  lan.Inject({0x13}, "192.168.1.79", 30600, 30600, 40);  // after everything: waits, harmless
  loop.Advance(50);

  EXPECT_EQ(search.Addresses(), (std::vector<std::string>{"192.168.1.239", "192.168.1.240", "10.0.0.9"}));
  EXPECT_EQ(search.Matrices()[2].mac, "02564C540003");
  EXPECT_EQ(mainWindow.Count(0x41E, 2), 3);
  EXPECT_EQ(search.BufferedBytes(), 1u);
  EXPECT_EQ(lan.Counters().delivered, 8);  // own probe, two answers, five injected
}

TEST_F(IpSearchScenario, AnAnswerLostOnTheWayLeavesTheListEmptyAndSaysNothing) {
  const auto& device = lan.AddDevice(first);
  lan.DropNextAnswers();
  search.SearchMatrix();
  loop.Advance(10000);
  EXPECT_EQ(device.Counters().probes, 1);
  EXPECT_EQ(lan.Counters().answersDropped, 1);
  EXPECT_TRUE(search.Matrices().empty());
  EXPECT_EQ(search.LastError(), "");
  EXPECT_EQ(mainWindow.Count(0x41E, 2), 0);
  EXPECT_EQ(shared.Message.MessageShown, 0);
}

}  // namespace
}  // namespace velantor::testing
