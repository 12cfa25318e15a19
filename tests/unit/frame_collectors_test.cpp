// Received-frame assembly on the serial and TCP paths: start byte, verdict, logging, resync.
#include <gtest/gtest.h>

#include <vector>

#include "link/frame_collectors.h"
#include "support/collector_policies.h"
#include "support/bytes.h"

namespace velantor {
namespace {
using testing::Hex;
using testing::HexText;

struct Parsed {
  std::vector<std::string> frames;
  std::vector<bool> verdicts;
  FrameHandler Handler() {
    return [this](const CommandFrame& f, bool ok) {
      frames.push_back(HexText(f));
      verdicts.push_back(ok);
    };
  }
};

void FeedSerial(SerialCollector& c, const std::string& hex) {
  for (uint8_t b : Hex(hex)) c.OnByte(b, 1, 0);
}

TEST(SerialCollector, NoiseBeforeAFrameIsLoggedButNotCollected) {
  HexLog log;
  Parsed p;
  SerialCollector c(testing::policies::kGeneral, log, p.Handler());
  FeedSerial(c, "00 FF A5 5B 01 0A 00 00 00 00 00 00 00 00 F5");
  ASSERT_EQ(p.frames.size(), 1u);
  EXPECT_EQ(p.frames[0], "A5 5B 01 0A 00 00 00 00 00 00 00 00 F5");
  EXPECT_TRUE(p.verdicts[0]);
  EXPECT_EQ(log.Text(), "00 FF A5 5B 01 0A 00 00 00 00 00 00 00 00 F5 \r\n");
}

TEST(SerialCollector, AnA5InsideAFrameDoesNotRestartIt) {
  HexLog log;
  Parsed p;
  SerialCollector c(testing::policies::kMatrix, log, p.Handler());
  FeedSerial(c, "A5 5B 02 01 A5 00 03 00 00 00 00 00 00");
  ASSERT_EQ(p.frames.size(), 1u);
  EXPECT_EQ(p.frames[0].substr(0, 14), "A5 5B 02 01 A5");
}

TEST(SerialCollector, VerdictIsTheExactZeroSignedSum) {
  HexLog log;
  Parsed p;
  SerialCollector c(testing::policies::kGeneral, log, p.Handler());
  FeedSerial(c, "A5 5B 02 7F 7F 00 00 00 00 00 00 00 00");  // valid checksum, signed sum 256
  FeedSerial(c, "A5 5B 02 03 00 00 02 00 00 00 00 00 F9");  // good
  FeedSerial(c, "A5 5B 02 03 00 00 02 00 00 00 00 00 FA");  // corrupted checksum
  ASSERT_EQ(p.verdicts.size(), 3u);
  EXPECT_FALSE(p.verdicts[0]);
  EXPECT_TRUE(p.verdicts[1]);
  EXPECT_FALSE(p.verdicts[2]);
}

TEST(SerialCollector, ALostFirstByteMixesTwoRepliesAndAWrongStartPairIsStillHandedOn) {
  HexLog log;
  Parsed p;
  SerialCollector c(testing::policies::kGeneral, log, p.Handler());
  // First reply lost its A5; the collector starts at the second reply's A5.
  FeedSerial(c, "5B 01 04 01 00 FF 00 00 00 00 00 00 A5 5B 01 04 02 00 01 00 00 00 00 00 F7");
  ASSERT_EQ(p.frames.size(), 1u);
  EXPECT_EQ(p.frames[0], "A5 5B 01 04 02 00 01 00 00 00 00 00 F7");
}

TEST(SerialCollector, IgnoresBytesInTcpModeAndRejectsInvalidPortNumbers) {
  HexLog log;
  Parsed p;
  SerialCollector c(testing::policies::kGeneral, log, p.Handler());
  EXPECT_EQ(c.OnByte(0xA5, 1, 1), 0);
  EXPECT_EQ(c.CollectedCount(), 0);
  EXPECT_EQ(c.OnByte(0xA5, 0, 0), -1);
  EXPECT_EQ(c.OnByte(0xA5, 256, 0), -1);
  EXPECT_EQ(c.CollectedCount(), 0);
  EXPECT_EQ(log.Text(), "");
}

TEST(SerialCollector, EdidPageCountsEveryByteAndFeedsItsCapture) {
  HexLog log;
  Parsed p;
  std::vector<uint8_t> captured;
  SerialCollector c(testing::policies::kEdid, log, p.Handler());
  c.SetCaptureHook([&](uint8_t b) { captured.push_back(b); });
  FeedSerial(c, "00 00 00 00 00 00 00 00 00 00 00 00 00");
  EXPECT_EQ(log.Text(), "00 00 00 00 00 00 00 00 00 00 00 00 00 \r\n");
  EXPECT_EQ(captured.size(), 13u);
  EXPECT_TRUE(p.frames.empty());
}

TEST(SerialCollector, TheLastBytesLogComesAfterWhatItsParserLogged) {
  HexLog log;
  SerialCollector c(testing::policies::kGeneral, log, [&](const CommandFrame&, bool) { log.AppendLine(nullptr, 0); });
  FeedSerial(c, "A5 5B 01 0A 00 00 00 00 00 00 00 00 F5");
  EXPECT_EQ(log.Text().substr(log.Text().size() - 10), "00 \r\nF5 \r\n");
}

TEST(TcpCollector, SplitFramesTwoInOneReadAndGarbageAllParseAlike) {
  const std::string a = "A5 5B 02 01 01 00 03 00 00 00 00 00 F9";
  const std::string b = "A5 5B 02 01 02 00 04 00 00 00 00 00 F7";
  auto bytes = Hex("33 " + a + " 5B 00 " + b);
  std::vector<std::string> expected = {a, b};

  HexLog bulkLog, byteLog;
  Parsed bulk, single;
  TcpCollector inBulk(testing::policies::kGeneral, bulkLog, bulk.Handler());
  inBulk.Feed(bytes.data(), bytes.size(), true);
  TcpCollector byByte(testing::policies::kGeneral, byteLog, single.Handler());
  for (uint8_t x : bytes) byByte.Feed(&x, 1, true);
  EXPECT_EQ(bulk.frames, expected);
  EXPECT_EQ(single.frames, expected);
  EXPECT_EQ(bulkLog.Text(), byteLog.Text());
  EXPECT_EQ(bulkLog.Text(), a + " \r\n" + b + " \r\n");

  HexLog log;
  Parsed split;
  TcpCollector six7(testing::policies::kEdid, log, split.Handler());
  auto frame = Hex(a);
  six7.Feed(frame.data(), 6, true);
  EXPECT_TRUE(split.frames.empty());
  EXPECT_EQ(six7.Pending(), 6u);
  six7.Feed(frame.data() + 6, 7, true);
  EXPECT_EQ(split.frames, std::vector<std::string>{a});
}

TEST(TcpCollector, IdleGeneralPageDiscardsFramesAndIdleMatrixPageTakesNothing) {
  auto frame = Hex("A5 5B 02 01 01 00 03 00 00 00 00 00 F9");
  HexLog gLog, mLog;
  Parsed g, m;
  TcpCollector general(testing::policies::kGeneral, gLog, g.Handler());
  general.Feed(frame.data(), 8, false);
  general.Feed(frame.data() + 8, 5, false);
  EXPECT_TRUE(g.frames.empty());
  EXPECT_EQ(general.Pending(), 0u);
  TcpCollector matrix(testing::policies::kMatrix, mLog, m.Handler());
  matrix.Feed(frame.data(), frame.size(), false);
  EXPECT_EQ(matrix.Pending(), 0u);
  EXPECT_EQ(mLog.Text(), "");
  matrix.Feed(frame.data(), frame.size(), true);
  EXPECT_EQ(m.frames.size(), 1u);
  EXPECT_EQ(mLog.Text(), "A5 5B 02 01 01 00 03 00 00 00 00 00 F9 \r\n");
}

TEST(TcpCollector, AFloodNeverOverrunsTheBuffer) {
  HexLog log;
  Parsed p;
  TcpCollector c(testing::policies::kGeneral, log, p.Handler());
  std::vector<uint8_t> flood(5000, 0xA5);  // every byte could start a frame, none completes
  c.Feed(flood.data(), flood.size(), true);
  EXPECT_LE(c.Pending(), TcpCollector::kCapacity);
  auto frame = Hex("A5 5B 02 01 01 00 03 00 00 00 00 00 F9");
  c.Feed(frame.data(), frame.size(), true);
  ASSERT_FALSE(p.frames.empty());
  EXPECT_EQ(p.frames.back(), "A5 5B 02 01 01 00 03 00 00 00 00 00 F9");
}

}  // namespace
}  // namespace velantor
