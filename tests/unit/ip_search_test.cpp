// The IP search: how answers on the search port become address-list entries with their MACs,
// and what a search does before its probe goes out.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "base/virtual_event_loop.h"
#include "pages/general/ip_search.h"
#include "sim/sim_datagram_socket.h"
#include "support/recording_main_window.h"

namespace velantor {
namespace {
using testing::RecordingMainWindow;

// A switcher's 55-byte answer: MAC, address, eight unused bytes, the signature, then padding.
std::vector<uint8_t> Answer(std::vector<uint8_t> mac, std::vector<uint8_t> ip, bool signature = true) {
  std::vector<uint8_t> reply(55, 0);
  std::copy(mac.begin(), mac.end(), reply.begin());
  std::copy(ip.begin(), ip.end(), reply.begin() + 6);
  if (signature) {
    reply[18] = 0x77;
    reply[19] = 0x88;
  }
  return reply;
}

class IpSearchTest : public ::testing::Test {
 protected:
  IpSearchTest() : socket(loop), search(loop, shared, mainWindow, socket) {
    search.SetAddressesHook([this](const std::vector<std::string>& a, int selected) {
      hookCalls.push_back({a, selected});
    });
  }
  void Feed(const std::vector<uint8_t>& bytes) { search.OnReceive(bytes.data(), bytes.size()); }
  // Points the search at a loopback port where nothing answers.
  void RouteToSink() { search.SetRoute({"127.0.0.1", 0, "127.0.0.1", 9}); }
  // What the search sent there.
  std::vector<std::vector<uint8_t>> Sunk() const {
    std::vector<std::vector<uint8_t>> sunk;
    for (const auto& d : socket.SentDatagrams()) {
      if (d.address == "127.0.0.1" && d.port == 9) sunk.push_back(d.bytes);
    }
    return sunk;
  }

  VirtualEventLoop loop;
  SharedState shared;
  RecordingMainWindow mainWindow;
  sim::SimDatagramSocket socket;
  IpSearch search;
  std::vector<std::pair<std::vector<std::string>, int>> hookCalls;
};

TEST_F(IpSearchTest, AnAnswerAfterOurOwnProbeIsListedWithItsAddressAndMacAndReported) {
  Feed({0x61});  // our probe, back through the shared port
  EXPECT_TRUE(search.Matrices().empty());
  Feed(Answer({0x02, 0x56, 0x4C, 0x54, 0x00, 0x01}, {192, 168, 1, 239}));

  ASSERT_EQ(search.Matrices().size(), 1u);
  EXPECT_EQ(search.Matrices()[0].address, "192.168.1.239");
  EXPECT_EQ(search.Matrices()[0].mac, "02564C540001");
  EXPECT_EQ(search.Selected(), 0);
  EXPECT_EQ(shared.MatrixAddress, "192.168.1.239");
  EXPECT_EQ(search.MatrixMac, "02564C540001");
  ASSERT_EQ(hookCalls.size(), 1u);
  EXPECT_EQ(hookCalls[0].first, std::vector<std::string>{"192.168.1.239"});
  EXPECT_EQ(hookCalls[0].second, 0);
  ASSERT_EQ(mainWindow.posted.size(), 1u);
  EXPECT_EQ(mainWindow.posted[0], (std::pair<unsigned, int>{0x41E, 2}));
  EXPECT_EQ(search.BufferedBytes(), 0u);
}

TEST_F(IpSearchTest, AddressTextHasNoLeadingZerosAndProbesInFrontOfAnAnswerInOneReceiveAreSkipped) {
  std::vector<uint8_t> bytes{0x61, 0x61, 0x61};
  auto answer = Answer({0xAB, 0xCD, 0xEF, 0x01, 0x02, 0x03}, {10, 0, 7, 5});
  bytes.insert(bytes.end(), answer.begin(), answer.end());
  Feed(bytes);
  ASSERT_EQ(search.Matrices().size(), 1u);
  EXPECT_EQ(search.Matrices()[0].address, "10.0.7.5");
  EXPECT_EQ(search.Matrices()[0].mac, "ABCDEF010203");
}

TEST_F(IpSearchTest, AnAnswerSplitOverDatagramsWaitsUntilFiftyBytesOfItHaveArrived) {
  auto answer = Answer({0x02, 0, 0, 0, 0, 0x07}, {192, 168, 0, 7});
  Feed({0x61});
  Feed(std::vector<uint8_t>(answer.begin(), answer.begin() + 30));
  EXPECT_TRUE(search.Matrices().empty());
  EXPECT_EQ(search.BufferedBytes(), 30u);  // the probe does not count towards the fifty
  Feed(std::vector<uint8_t>(answer.begin() + 30, answer.begin() + 49));
  EXPECT_TRUE(search.Matrices().empty());
  Feed(std::vector<uint8_t>(answer.begin() + 49, answer.end()));
  ASSERT_EQ(search.Matrices().size(), 1u);
  EXPECT_EQ(search.Matrices()[0].address, "192.168.0.7");
  EXPECT_EQ(search.BufferedBytes(), 0u);
}

TEST_F(IpSearchTest, TwoMatricesGiveTwoEntriesWhileTheFirstStaysSelectedUntilTheUserChooses) {
  Feed(Answer({0x02, 0, 0, 0, 0, 0x01}, {192, 168, 1, 10}));
  Feed(Answer({0x02, 0, 0, 0, 0, 0x02}, {192, 168, 1, 20}));
  ASSERT_EQ(search.Addresses(), (std::vector<std::string>{"192.168.1.10", "192.168.1.20"}));
  EXPECT_EQ(search.Selected(), 0);
  EXPECT_EQ(search.MatrixMac, "020000000001");
  EXPECT_EQ(shared.MatrixAddress, "192.168.1.10");
  EXPECT_EQ(mainWindow.posted.size(), 2u);

  search.OnAddressSelected(1);
  EXPECT_EQ(search.MatrixMac, "020000000002");
  search.OnAddressSelected(2);  // no such entry: nothing changes
  search.OnAddressSelected(-1);
  EXPECT_EQ(search.MatrixMac, "020000000002");
  EXPECT_EQ(search.Selected(), 1);
}

TEST_F(IpSearchTest, DatagramsWithoutTheSignatureAreDroppedWhole) {
  auto unsigned_ = Answer({0x02, 0, 0, 0, 0, 0x01}, {192, 168, 1, 10}, false);
  Feed(unsigned_);
  auto halfSigned = unsigned_;
  halfSigned[18] = 0x77;
  Feed(halfSigned);
  EXPECT_TRUE(search.Matrices().empty());
  EXPECT_TRUE(mainWindow.posted.empty());
  EXPECT_EQ(search.BufferedBytes(), 0u);
  // A good answer right after them is read from its own first byte.
  Feed(Answer({0x02, 0, 0, 0, 0, 0x03}, {192, 168, 1, 30}));
  ASSERT_EQ(search.Matrices().size(), 1u);
  EXPECT_EQ(search.Matrices()[0].mac, "020000000003");
}

TEST_F(IpSearchTest, AMatrixAnsweringAgainKeepsItsEntryAndTheListStopsAtThirtyTwo) {
  for (int i = 0; i < 300; ++i) {
    Feed(Answer({0x02, 0, 0, 0, static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i)},
                {10, 0, static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i)}));
  }
  ASSERT_EQ(search.Matrices().size(), 32u);
  EXPECT_EQ(search.Matrices()[31].mac, "02000000001F");
  EXPECT_EQ(search.MatrixMac, "020000000000");
  // Answers beyond the list are not announced as found.
  EXPECT_EQ(mainWindow.posted.size(), 32u);

  // The first matrix got a new address: same place, new text.
  Feed(Answer({0x02, 0, 0, 0, 0, 0}, {172, 16, 0, 1}));
  ASSERT_EQ(search.Matrices().size(), 32u);
  EXPECT_EQ(search.Matrices()[0].address, "172.16.0.1");
  EXPECT_EQ(shared.MatrixAddress, "172.16.0.1");
}

TEST_F(IpSearchTest, FloodsOfProbesOversizedDatagramsAndGarbageNeverOverrunTheBuffer) {
  Feed(std::vector<uint8_t>(1024, 0x61));
  EXPECT_EQ(search.BufferedBytes(), 0u);

  // A datagram longer than one receive: only its first 1024 bytes count.
  auto big = Answer({0x02, 0, 0, 0, 0, 0x09}, {192, 168, 9, 9});
  big.resize(5000, 0xEE);
  Feed(big);
  ASSERT_EQ(search.Matrices().size(), 1u);

  std::mt19937 random(7);
  for (int i = 0; i < 2000; ++i) {
    std::vector<uint8_t> junk(random() % 1100);
    for (auto& b : junk) b = static_cast<uint8_t>(random());
    Feed(junk);
    ASSERT_LT(search.BufferedBytes(), 50u);
  }
  EXPECT_LE(search.Matrices().size(), 32u);
}

TEST_F(IpSearchTest, TheShellsSearchEmptiesTheListDropsTheTcpLinkAndBroadcastsOneLetterA) {
  RouteToSink();
  Feed(Answer({0x02, 0, 0, 0, 0, 0x01}, {192, 168, 1, 10}));
  Feed({0x02, 0x00});  // half an answer to the old probe
  shared.TcpLinkUp = 1;
  shared.PageSocketConnected = 1;
  hookCalls.clear();

  search.SearchMatrix(SearchOrigin::kAfterConfiguration);
  EXPECT_TRUE(search.Matrices().empty());
  EXPECT_EQ(search.BufferedBytes(), 0u);
  EXPECT_EQ(shared.TcpLinkUp, 0);
  EXPECT_EQ(shared.PageSocketConnected, 0);
  ASSERT_EQ(hookCalls.size(), 1u);
  EXPECT_TRUE(hookCalls[0].first.empty());
  EXPECT_EQ(search.LastError(), "");
  const auto sunk = Sunk();
  ASSERT_EQ(sunk.size(), 1u);
  EXPECT_EQ(sunk[0], std::vector<uint8_t>{0x61});
}

TEST_F(IpSearchTest, TheUsersSearchLeavesAnOpenSessionAndItsSwitcherSelected) {
  RouteToSink();
  Feed(Answer({0x02, 0, 0, 0, 0, 0x01}, {192, 168, 1, 10}));
  Feed(Answer({0x02, 0, 0, 0, 0, 0x02}, {192, 168, 1, 20}));
  search.OnAddressSelected(1);
  shared.MatrixAddress = "192.168.1.20";
  shared.TcpLinkUp = 1;
  shared.PageSocketConnected = 1;

  search.SearchMatrix();
  EXPECT_EQ(shared.TcpLinkUp, 1);
  // Another switcher answering first does not take the selection from the session's one.
  Feed(Answer({0x02, 0, 0, 0, 0, 0x01}, {192, 168, 1, 10}));
  EXPECT_EQ(search.Selected(), -1);
  EXPECT_EQ(shared.MatrixAddress, "192.168.1.20");
  EXPECT_EQ(search.MatrixMac, "020000000002");
  Feed(Answer({0x02, 0, 0, 0, 0, 0x02}, {192, 168, 1, 20}));
  EXPECT_EQ(search.Selected(), 1);
  EXPECT_EQ(search.MatrixMac, "020000000002");
  EXPECT_EQ(search.Summary(), "2 switchers answered");
}

// The session was opened to A by its typed address while B, chosen earlier, was still what the
// search prefers: no answer may move the session's address, which the next header click
// reconnects to.
TEST_F(IpSearchTest, WhileASessionIsOpenNoAnswerMovesMatrixAddressNotEvenThePreferredSwitchers) {
  RouteToSink();
  Feed(Answer({0x02, 0, 0, 0, 0, 0x01}, {192, 168, 1, 10}));
  Feed(Answer({0x02, 0, 0, 0, 0, 0x02}, {192, 168, 1, 20}));
  search.OnAddressSelected(1);
  shared.MatrixAddress = "192.168.1.10";
  shared.TcpLinkUp = 1;

  search.SearchMatrix();
  Feed(Answer({0x02, 0, 0, 0, 0, 0x02}, {192, 168, 1, 20}));
  EXPECT_EQ(shared.MatrixAddress, "192.168.1.10");
  EXPECT_EQ(search.Selected(), -1);
  Feed(Answer({0x02, 0, 0, 0, 0, 0x01}, {192, 168, 1, 10}));
  EXPECT_EQ(search.Selected(), 1);
  EXPECT_EQ(search.MatrixMac, "020000000001");
  Feed(Answer({0x02, 0, 0, 0, 0, 0x01}, {192, 168, 1, 11}));  // the session's switcher moved
  EXPECT_EQ(shared.MatrixAddress, "192.168.1.10");
  EXPECT_EQ(search.Addresses(), (std::vector<std::string>{"192.168.1.20", "192.168.1.11"}));
  ASSERT_FALSE(hookCalls.empty());
  EXPECT_EQ(hookCalls.back().first, search.Addresses());  // the list is still refreshed
}

TEST_F(IpSearchTest, TheSwitcherTheUserChoseIsChosenAgainWhenItAnswersAfterAnother) {
  RouteToSink();
  Feed(Answer({0x02, 0, 0, 0, 0, 0x01}, {192, 168, 1, 10}));
  Feed(Answer({0x02, 0, 0, 0, 0, 0x02}, {192, 168, 1, 20}));
  search.OnAddressSelected(1);

  search.SearchMatrix();
  Feed(Answer({0x02, 0, 0, 0, 0, 0x01}, {192, 168, 1, 10}));
  EXPECT_EQ(search.Selected(), 0);  // nothing better yet: the first answer
  Feed(Answer({0x02, 0, 0, 0, 0, 0x02}, {192, 168, 1, 21}));
  EXPECT_EQ(search.Selected(), 1);
  EXPECT_EQ(shared.MatrixAddress, "192.168.1.21");
  Feed(Answer({0x02, 0, 0, 0, 0, 0x03}, {192, 168, 1, 30}));
  EXPECT_EQ(search.Selected(), 1);
}

TEST_F(IpSearchTest, AShortDatagramBeforeAWholeAnswerFromTheSameSenderDoesNotShiftIt) {
  const auto answer = Answer({0x02, 0, 0, 0, 0, 0x05}, {192, 168, 1, 50});
  search.OnReceive(std::vector<uint8_t>{0x00}.data(), 1, "192.168.1.50");
  search.OnReceive(answer.data(), answer.size(), "192.168.1.50");
  ASSERT_EQ(search.Matrices().size(), 1u);
  EXPECT_EQ(search.Matrices()[0].address, "192.168.1.50");
  EXPECT_EQ(search.BufferedBytes(), 0u);
}

TEST_F(IpSearchTest, TheSearchSocketClosesAfterItsWindowAndAUserSearchWithoutAnswerSaysSo) {
  RouteToSink();
  search.SearchMatrix();
  EXPECT_TRUE(socket.IsOpen());
  EXPECT_EQ(search.Summary(), "Searching...");
  loop.Advance(4999);
  EXPECT_TRUE(socket.IsOpen());
  EXPECT_FALSE(shared.Message.IsOpen());
  loop.Advance(1);
  EXPECT_FALSE(socket.IsOpen());
  EXPECT_EQ(shared.Message.DisplayedText(), "No switcher answered");
  EXPECT_EQ(search.Summary(), "No switcher answered");
  loop.Advance(1500);
  EXPECT_FALSE(shared.Message.IsOpen());

  // The shell's search after a configuration has its own report: no message here.
  search.SearchMatrix(SearchOrigin::kAfterConfiguration);
  loop.Advance(5000);
  EXPECT_FALSE(socket.IsOpen());
  EXPECT_EQ(shared.Message.OpenCount(), 1);
}

TEST_F(IpSearchTest, ASearchSocketThatCannotBeBoundSaysSearchFailedForOneAndAHalfSeconds) {
  search.SetRoute({"192.0.2.1", 0, "127.0.0.1", 9});  // not an address of this host
  search.SearchMatrix();
  EXPECT_FALSE(socket.IsOpen());
  EXPECT_NE(search.LastError().find("cannot bind 192.0.2.1"), std::string::npos);
  EXPECT_TRUE(shared.Message.IsOpen());
  EXPECT_EQ(shared.Message.DisplayedText(), "Search failed");
  loop.Advance(1499);
  EXPECT_TRUE(shared.Message.IsOpen());
  loop.Advance(1);
  EXPECT_FALSE(shared.Message.IsOpen());
  EXPECT_EQ(shared.Message.MessageShown, 0);
}

}  // namespace
}  // namespace velantor
