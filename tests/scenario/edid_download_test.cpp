// EDID files and their download against the emulator: what "Open" accepts, the announcement, the
// 290-byte block 200 ms after the header, the results, refusals and a link lost before the block.
#include <gtest/gtest.h>

#include "scenario/edid_page_fixture.h"
#include "sim/edid_data.h"

namespace velantor::testing {
namespace {

class EdidDownloadOnBothLinks : public EdidOnBothLinks {};
INSTANTIATE_TEST_SUITE_P(Links, EdidDownloadOnBothLinks, ::testing::Bool(), LinkName);

class EdidDownload : public EdidPageTest {
 protected:
  // A file of the EDID the switcher's second display carries under another name.
  std::vector<uint8_t> Sample() const {
    const sim::EdidBytes e = sim::MakeEdid("OPERATOR EDID", 9);
    return {e.begin(), e.end()};
  }
  static std::vector<uint8_t> DataBlock(const std::vector<uint8_t>& edid) {
    std::vector<uint8_t> block{0x00};
    block.insert(block.end(), edid.begin(), edid.end());
    block.resize(290, 0x00);
    return block;
  }
};

TEST_P(EdidDownloadOnBothLinks, DownloadingToOneInputSendsTheBlock200MsAfterTheHeaderAndRefreshesThatInput) {
  CEdidPage& edid = Enter(GetParam());
  const std::vector<uint8_t> file = EdidFullOfStartPairs();
  edid.OnOpenFile(WriteFile("start-pairs.bin", file));
  ASSERT_TRUE(edid.LoadedFile().has_value());
  const size_t mark = Mark();
  edid.OnDownloadTargetSelChange(1);  // IN2
  edid.OnDownload();
  EXPECT_EQ(h.shared.Busy.DisplayedText(), "Downloading . . .");
  h.loop.Advance(600);
  const std::vector<std::string> expected = {"A5 5B 03 08 F0 00 00 00 00 00 00 00 05", EdidWire(0x03, 0x07, 2, 0xF0),
                                             EdidWire(0x03, 0x07, 0x56, 0, 0, 0x01), EdidWire(0x01, 0x0C, 2)};
  EXPECT_EQ(SentSince(mark), expected);
  std::vector<uint8_t> block{0x00};
  block.insert(block.end(), file.begin(), file.end());
  block.resize(290, 0x00);
  ASSERT_EQ(BlocksToDevice().size(), 1u);
  EXPECT_EQ(BlocksToDevice()[0], block);
  EXPECT_EQ(Message(), "Download successfully!");
  EXPECT_EQ(Row(2), "User define");
  EXPECT_EQ(std::vector<uint8_t>(h.model.State().Input(2).edid.begin(), h.model.State().Input(2).edid.end()), file);
  EXPECT_EQ(h.model.Counters().badFrames, 0);  // the A5 5B pairs in the block were never taken for frames
  EXPECT_TRUE(h.main->HeadersEnabled());

  // The pause: the block left no earlier than 200 ms after the header.
  int64_t headerAt = -1;
  for (const auto& e : h.model.Log().Select(sim::Direction::kIn, sim::PayloadKind::kFrame)) {
    if (HexText(e.bytes) == EdidWire(0x03, 0x07, 0x56, 0, 0, 0x01)) headerAt = e.timeMs;
  }
  const auto blocks = h.model.Log().Select(sim::Direction::kIn, sim::PayloadKind::kEdidBlock);
  EXPECT_GE(blocks.at(0).timeMs - headerAt, 200);
}

TEST_P(EdidDownloadOnBothLinks, DownloadingToAllInputsAnnouncesFeAndRefreshesEveryInput) {
  CEdidPage& edid = Enter(GetParam());
  edid.OnOpenFile(WriteFile("all.bin", EdidFullOfStartPairs()));
  edid.OnDownloadTargetSelChange(4);
  const size_t mark = Mark();
  edid.OnDownload();
  h.loop.Advance(600);
  const auto sent = SentSince(mark);
  ASSERT_EQ(sent.size(), 7u);
  EXPECT_EQ(sent[1], "A5 5B 03 06 FE F0 00 00 00 00 00 00 09");
  EXPECT_EQ(sent[2], EdidWire(0x03, 0x06, 0x56, 0, 0, 0x01));
  EXPECT_EQ(sent[3], EdidWire(0x01, 0x0C, 1));
  EXPECT_EQ(Message(), "Download successfully!");
  EXPECT_EQ(edid.Operation(), EdidOperation::kRefresh);
  for (int n = 1; n <= 4; ++n) EXPECT_EQ(Row(n), "User define") << n;
}

TEST_P(EdidDownloadOnBothLinks, ARefusedAnnouncementEndsWithDownloadFailedAndNoBlock) {
  CEdidPage& edid = Enter(GetParam());
  edid.OnOpenFile(WriteFile("refused.bin", EdidFullOfStartPairs()));
  h.model.Faults().status = 1;
  edid.OnDownload();
  h.loop.Advance(600);
  EXPECT_EQ(Message(), "Download failed!");
  EXPECT_TRUE(BlocksToDevice().empty());
  EXPECT_EQ(edid.Busy(), 0);
  EXPECT_FALSE(h.shared.Busy.IsOpen());
}

TEST_P(EdidDownloadOnBothLinks, AnUnansweredBlockIsNotSentAgainAndTimesOut) {
  CEdidPage& edid = Enter(GetParam());
  edid.OnOpenFile(WriteFile("lost.bin", EdidFullOfStartPairs()));
  const int opened = h.MessagesOpened();
  edid.OnDownload();
  h.loop.Advance(100);  // ready came, the header went out, the block waits for its pause
  h.model.Faults().dropNext = 1;  // the result
  h.loop.Advance(5000);
  EXPECT_TRUE(h.shared.Busy.IsOpen());
  h.loop.Advance(200);
  EXPECT_EQ(Message(), "Time out!");
  EXPECT_EQ(h.MessagesOpened(), opened + 1);
  EXPECT_EQ(BlocksToDevice().size(), 1u);
  EXPECT_TRUE(h.main->HeadersEnabled());
}

TEST_F(EdidDownload, AFileThatFailsACheckIsRefusedAndNeverSent) {
  CEdidPage& edid = Enter(false);
  std::vector<uint8_t> bad = Sample();
  bad[20] ^= 0x01;  // the base block's sum no longer holds
  edid.OnOpenFile(WriteFile("bad.bin", bad));
  EXPECT_EQ(Message(), "Please select the correct EDID file!");
  EXPECT_FALSE(edid.LoadedFile().has_value());
  EXPECT_EQ(edid.DataView().filePath.text, "");
  EXPECT_NE(edid.DataView().problem.find("checksum"), std::string::npos);
  h.loop.Advance(2000);
  const size_t mark = Mark();
  edid.OnDownload();
  EXPECT_EQ(Message(), "Select the file!");
  EXPECT_EQ(SentSince(mark).size(), 0u);
}

TEST_F(EdidDownload, ARefusedFileLeavesTheLastGoodFileToBeDownloaded) {
  CEdidPage& edid = Enter(false);
  const std::vector<uint8_t> good = Sample();
  const std::string goodPath = WriteFile("good.bin", good);
  const size_t logged = edid.SentLog()->Text().size();
  edid.OnOpenFile(goodPath);
  EXPECT_EQ(edid.DataView().filePath.text, goodPath);
  EXPECT_EQ(edid.DataView().contentSource, "File good.bin");
  // The accepted bytes are logged: 256 bytes, 13 to a line.
  EXPECT_EQ(edid.SentLog()->Text().substr(logged, 24), "00 FF FF FF FF FF FF 00 ");
  EXPECT_EQ(edid.SentLog()->Text().size() - logged, 256 * 3 + 19 * 2u);
  edid.OnOpenFile(WriteFile("short.bin", std::vector<uint8_t>(100, 0)));
  EXPECT_EQ(edid.DataView().filePath.text, goodPath);
  h.loop.Advance(2000);
  edid.OnDownload();
  h.loop.Advance(600);
  ASSERT_EQ(BlocksToDevice().size(), 1u);
  EXPECT_EQ(BlocksToDevice()[0], DataBlock(good));
}

TEST_F(EdidDownload, AnAnnouncementRefusedInTheReadyFormIsStillAFailure) {
  CEdidPage& edid = Enter(false);
  edid.OnOpenFile(WriteFile("ff.bin", Sample()));
  h.model.Faults().delayMs = 1000;
  edid.OnDownload();
  h.loop.Advance(1100);  // the handshake answered, the announcement waits
  for (uint8_t b : Frame({0x03, 0x07, 0xFF})) edid.OnPortRxChar(b, 1);
  EXPECT_EQ(Message(), "Download failed!");
  EXPECT_EQ(edid.Busy(), 0);
  h.loop.Advance(3000);
  EXPECT_TRUE(BlocksToDevice().empty());
}

TEST_F(EdidDownload, ALinkLostBeforeTheBlockEndsTheDownloadAtOnceWithTheLinksMessage) {
  CEdidPage& edid = Enter(true);
  edid.OnOpenFile(WriteFile("gone.bin", Sample()));
  edid.OnDownload();
  h.loop.Advance(100);  // the block waits for its 200 ms
  h.model.CloseConnections();
  h.loop.Advance(50);
  EXPECT_EQ(Message(), "Connect to Matrix failed!");
  EXPECT_FALSE(h.shared.Busy.IsOpen());
  EXPECT_EQ(edid.Busy(), 0);
  h.loop.Advance(10000);
  EXPECT_TRUE(BlocksToDevice().empty());
  EXPECT_TRUE(h.main->HeadersEnabled());
}

}  // namespace
}  // namespace velantor::testing
