// Hostile input: seeded random bytes, damaged frames and oversized datagrams fed to every
// receiving part. Nothing may overrun (the sanitizer build checks), and each part must still
// work correctly afterwards.
#include <gtest/gtest.h>

#include <random>

#include "link/frame_collectors.h"
#include "support/collector_policies.h"
#include "pages/general/ip_search.h"
#include "pages/general/network_config.h"
#include "scenario/general_page_fixture.h"

namespace velantor {
namespace {
using testing::Frame;

// Random bytes, with start pairs and whole valid frames mixed in so the parsers get past their
// first check often enough to be exercised.
std::vector<uint8_t> Noise(std::mt19937& rng, size_t length) {
  std::vector<uint8_t> out;
  std::uniform_int_distribution<int> byte(0, 255), pick(0, 9);
  while (out.size() < length) {
    switch (pick(rng)) {
      case 0: out.insert(out.end(), {0xA5, 0x5B}); break;
      case 1: {
        auto f = Frame({byte(rng) % 0x20, byte(rng) % 0x10, byte(rng), byte(rng), byte(rng) % 9});
        if (pick(rng) < 3) f[static_cast<size_t>(byte(rng) % 13)] ^= static_cast<uint8_t>(1 + byte(rng) % 255);
        out.insert(out.end(), f.begin(), f.end());
        break;
      }
      default: out.push_back(static_cast<uint8_t>(byte(rng)));
    }
  }
  out.resize(length);
  return out;
}

TEST(RandomInput, CollectorsStayInsideTheirBuffersAndHandOverOnlyWholeFrames) {
  std::mt19937 rng(7);
  HexLog log;
  size_t frames = 0;
  bool allStartRight = true;
  TcpCollector tcp(testing::policies::kGeneral, log, [&](const CommandFrame& f, bool) {
    ++frames;
    allStartRight = allStartRight && f.HasStartPair();
  });
  SerialCollector serial(testing::policies::kMatrix, log, [&](const CommandFrame&, bool) { ++frames; });
  for (int round = 0; round < 400; ++round) {
    auto burst = Noise(rng, 1 + rng() % 3000);
    tcp.Feed(burst.data(), burst.size(), round % 5 != 0);
    ASSERT_LT(tcp.Pending(), kFrameSize);
    for (uint8_t b : burst) serial.OnByte(b, 1 + static_cast<int>(rng() % 300), 0);
    ASSERT_LE(serial.CollectedCount(), 12);
  }
  EXPECT_GT(frames, 1000u);
  EXPECT_TRUE(allStartRight);
  EXPECT_LE(log.Text().size(), HexLog::kDefaultLimit);
}

TEST(RandomInput, TheEmulatorSurvivesGarbageAndStillAnswersAValidQuery) {
  VirtualEventLoop loop;
  sim::DeviceModel model(loop);
  std::vector<uint8_t> replies;
  model.SetReplySink([&](const uint8_t* d, size_t n) { replies.insert(replies.end(), d, d + n); });
  std::mt19937 rng(11);
  for (int round = 0; round < 300; ++round) {
    auto burst = Noise(rng, 1 + rng() % 600);
    model.Feed(burst.data(), burst.size());
    loop.Advance(static_cast<int>(rng() % 50));
  }
  loop.Advance(5000);  // any half-received block is given up
  model.SetStandby(false);
  model.Faults() = {};
  replies.clear();
  const auto query = Frame({0x01, 0x0A});
  for (int i = 0; i < 3 && replies.size() < 13; ++i) {  // a frame may still complete a stale one
    model.Feed(query.data(), query.size());
    loop.Advance(2000);
  }
  ASSERT_GE(replies.size(), 13u);
  EXPECT_EQ(replies[replies.size() - 13 + 2], 0x01);
  EXPECT_EQ(replies[replies.size() - 13 + 3], 0x0A);
}

TEST(RandomInput, SearchAndConfigurationRepliesOfAnySizeNeverOverrun) {
  VirtualEventLoop loop;
  SharedState shared;
  testing::RecordingMainWindow mainWindow;
  UdpSocket socket(loop);
  IpSearch search(loop, shared, mainWindow, socket);
  std::string mac = "02564C540001";
  CNetworkConfigDialog config(loop, shared, mainWindow, socket, mac);
  std::mt19937 rng(3);
  for (int round = 0; round < 500; ++round) {
    auto datagram = Noise(rng, rng() % 2500);
    if (round % 7 == 0 && datagram.size() > 20) {
      datagram[18] = 0x77;  // looks like an answer
      datagram[19] = 0x88;
    }
    search.OnReceive(datagram.data(), datagram.size());
    config.OnReceive(datagram.data(), datagram.size());
    ASSERT_LE(search.Matrices().size(), IpSearch::kMaxMatrices);
  }
}

class RandomInputGeneralPage : public testing::GeneralPageTest {};

TEST_F(RandomInputGeneralPage, LineNoiseDoesNotBreakTheNextStatusRequest) {
  ConnectSerial();
  loop.Advance(3000);
  std::mt19937 rng(5);
  for (int round = 0; round < 200; ++round) {
    Inject(Noise(rng, 1 + rng() % 200));
    loop.Advance(static_cast<int>(rng() % 300));
  }
  loop.Advance(30000);  // whatever the noise started has ended by now
  // A stale partial frame may swallow the first reply; a request still completes.
  const std::vector<uint8_t> flush(13, 0x00);
  Inject(flush);
  shared.Message.Close();
  page->RequestStatus();
  loop.Advance(30000);
  EXPECT_FALSE(page->PageBusy());
  EXPECT_EQ(page->StatusView().inputs[0].text, "HDMI IN1: Connect");
  EXPECT_EQ(page->StatusView().outputs[3].text, "HDMI OUTD: Connect");
}

}  // namespace
}  // namespace velantor
