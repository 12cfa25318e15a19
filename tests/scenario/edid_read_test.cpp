// Reading an EDID into the "EDID content" grid against the emulator: raw capture past the frame
// collectors over both links, refusals, time-outs, a lead byte, and saving and clearing the grid.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "scenario/edid_page_fixture.h"

namespace velantor::testing {
namespace {

class EdidReadOnBothLinks : public EdidOnBothLinks {};
INSTANTIATE_TEST_SUITE_P(Links, EdidReadOnBothLinks, ::testing::Bool(), LinkName);

class EdidRead : public EdidPageTest {
 protected:
  void Inject(const std::vector<uint8_t>& bytes) {
    for (uint8_t b : bytes) Edid().OnPortRxChar(b, 1);
  }
  std::string Cell(int row, int column) {
    return Edid().DataView().cells[static_cast<size_t>(row)][static_cast<size_t>(column)];
  }
};

// An EDID whose bytes hold a whole, well-summed standby report: taken for a frame, it would stop
// the read and put "Matrix is in standby mode!" on the screen.
std::vector<uint8_t> EdidHidingAStandbyReport() {
  std::vector<uint8_t> e = EdidFullOfStartPairs();
  const std::vector<uint8_t> standby = Frame({0x88, 0x88});
  std::copy(standby.begin(), standby.end(), e.begin() + 60);
  uint8_t sum = 0;
  for (size_t i = 0; i < 127; ++i) sum = static_cast<uint8_t>(sum + e[i]);
  e[127] = static_cast<uint8_t>(0 - sum);
  return e;
}

TEST_P(EdidReadOnBothLinks, ReadingAnOutputFillsTheGridAndTheSummaryAndNoDataByteIsTakenForAFrame) {
  const std::vector<uint8_t> display = EdidHidingAStandbyReport();
  std::copy(display.begin(), display.end(), h.model.State().Output(2).displayEdid.begin());
  CEdidPage& edid = Enter(GetParam());
  const size_t mark = Mark();
  const int opened = h.MessagesOpened();
  edid.OnReadSourceSelChange(1);  // "Out2"
  edid.OnRead();
  EXPECT_TRUE(edid.Capturing());
  h.loop.Advance(500);
  EXPECT_EQ(SentSince(mark), std::vector<std::string>{EdidWire(0x03, 0x05, 2, 0xF0)});
  EXPECT_FALSE(edid.Capturing());
  ASSERT_TRUE(edid.ShownEdid().has_value());
  EXPECT_TRUE(std::equal(display.begin(), display.end(), edid.ShownEdid()->begin()));
  const auto& v = edid.DataView();
  EXPECT_EQ(v.cells[0][0], "00");
  EXPECT_EQ(v.cells[3][12], "A5");  // byte 60
  EXPECT_EQ(v.cells[3][13], "5B");
  EXPECT_EQ(v.cells[15][15], EdidContentCellText(display[255]));
  EXPECT_EQ(v.contentSource, "Read from Out2");
  ASSERT_FALSE(v.summary.empty());
  EXPECT_EQ(v.summary.back(), "Extension block 1 checksum: good");
  EXPECT_EQ(h.MessagesOpened(), opened);  // no standby, no failure
  EXPECT_FALSE(h.shared.Busy.IsOpen());
  EXPECT_EQ(edid.Busy(), 0);

  // Frames count again after the read.
  edid.OnSetMode();
  h.loop.Advance(300);
  EXPECT_EQ(Message(), "Set successfully!");
}

TEST_P(EdidReadOnBothLinks, AReadTheSwitcherRefusesSaysSoAtOnce) {
  CEdidPage& edid = Enter(GetParam());
  h.model.SetPortConnected(false, 3, false);
  edid.OnReadSourceSelChange(2);
  edid.OnRead();
  h.loop.Advance(200);
  EXPECT_EQ(Message(), "Read failed!");
  EXPECT_FALSE(edid.Capturing());
  EXPECT_FALSE(edid.ShownEdid().has_value());
  EXPECT_EQ(edid.Busy(), 0);
}

TEST_P(EdidReadOnBothLinks, AnUnansweredReadTimesOutAndASecondReadFromAUserMemoryWorks) {
  CEdidPage& edid = Enter(GetParam());
  const int opened = h.MessagesOpened();
  h.model.Faults().dropNext = 1;
  edid.OnRead();
  h.loop.Advance(5000);
  EXPECT_EQ(Message(), "Time out!");
  EXPECT_EQ(h.MessagesOpened(), opened + 1);
  EXPECT_FALSE(edid.Capturing());
  h.loop.Advance(2000);
  const size_t mark = Mark();
  edid.OnReadSourceSelChange(9);  // "User2 Memory"
  edid.OnRead();
  h.loop.Advance(500);
  EXPECT_EQ(SentSince(mark), std::vector<std::string>{EdidWire(0x03, 0x05, 0, 0xF2)});
  ASSERT_TRUE(edid.ShownEdid().has_value());
  const auto& memory = h.model.State().userMemory[1];
  EXPECT_TRUE(std::equal(memory.begin(), memory.end(), edid.ShownEdid()->begin()));
  EXPECT_EQ(edid.DataView().contentSource, "Read from User2 Memory");
}

TEST_F(EdidRead, A257thByteMeansALeadByteAndTheLast256AreShown) {
  CEdidPage& edid = Enter(false);
  h.model.Faults().dropNext = 1;  // the switcher's own answer is lost; the test answers instead
  edid.OnRead();
  h.loop.Advance(50);
  std::vector<uint8_t> answer{0x00};
  const std::vector<uint8_t> e = EdidFullOfStartPairs();
  answer.insert(answer.end(), e.begin(), e.end());
  Inject(answer);
  EXPECT_FALSE(edid.Capturing());  // no wait for the settle time once 257 are held
  ASSERT_TRUE(edid.ShownEdid().has_value());
  EXPECT_TRUE(std::equal(e.begin(), e.end(), edid.ShownEdid()->begin()));
}

TEST_F(EdidRead, A256ByteAnswerIsShownAfterAShortSettleAndAFrameBeforeItIsHandledAsAFrame) {
  CEdidPage& edid = Enter(false);
  h.model.Faults().dropNext = 1;
  edid.OnRead();
  h.loop.Advance(50);
  Inject(Frame({0x01, 0x0C, 2, 0, 14}));  // a late status answer comes first
  EXPECT_EQ(Row(2), "DVI 1920X1200");
  const std::vector<uint8_t> e = EdidFullOfStartPairs();
  Inject(e);
  EXPECT_TRUE(edid.Capturing());
  h.loop.Advance(CEdidPage::kReadSettleMs);
  EXPECT_FALSE(edid.Capturing());
  ASSERT_TRUE(edid.ShownEdid().has_value());
  EXPECT_TRUE(std::equal(e.begin(), e.end(), edid.ShownEdid()->begin()));
  EXPECT_FALSE(h.shared.Message.IsOpen());
}

TEST_F(EdidRead, SaveWritesWhatTheGridShowsAndClearEmptiesIt) {
  CEdidPage& edid = Enter(true);
  edid.OnRead();
  h.loop.Advance(500);
  const std::string path = (h.root / "saved.bin").string();
  edid.OnSave(path);
  EXPECT_EQ(edid.DataView().savedPath.text, path);
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> saved{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const auto& display = h.model.State().Output(1).displayEdid;
  EXPECT_EQ(saved, std::vector<uint8_t>(display.begin(), display.end()));
  EXPECT_FALSE(h.shared.Message.IsOpen());

  edid.OnClear();
  EXPECT_EQ(Cell(0, 0), "");
  EXPECT_TRUE(edid.DataView().summary.empty());
  edid.OnSave((h.root / "empty.bin").string());
  EXPECT_EQ(Message(), "No EDID data to save!");
  EXPECT_FALSE(std::filesystem::exists(h.root / "empty.bin"));
}

}  // namespace
}  // namespace velantor::testing
