// The EDID page's input EDID list against the emulator: the quiet refresh on entering the page,
// the "Status" walk with its timer pairs and time-out, the code texts, and leaving the page while
// a walk runs.
#include <gtest/gtest.h>

#include "scenario/edid_page_fixture.h"

namespace velantor::testing {
namespace {

class EdidStatusOnBothLinks : public EdidOnBothLinks {};
INSTANTIATE_TEST_SUITE_P(Links, EdidStatusOnBothLinks, ::testing::Bool(), LinkName);

class EdidStatus : public EdidPageTest {
 protected:
  std::vector<std::string> StatusQueries(size_t mark) const {
    std::vector<std::string> out;
    for (const auto& f : SentSince(mark)) {
      if (f.compare(0, 11, "A5 5B 01 0C") == 0) out.push_back(f);
    }
    return out;
  }
  void Inject(const std::vector<uint8_t>& bytes) {
    for (uint8_t b : bytes) Edid().OnPortRxChar(b, 1);
  }
};

TEST_P(EdidStatusOnBothLinks, EnteringThePageWalksTheFourInputsQuietlyAndShowsTheirCodes) {
  h.model.State().Input(2).edidCode = 5;
  h.model.State().Input(3).edidCode = 0xFF;
  h.model.State().Input(4).edidCode = 18;
  const int opened = h.MessagesOpened();
  const size_t mark = Mark();
  CEdidPage& edid = Enter(GetParam());
  const auto sent = SentSince(mark);
  const std::vector<std::string> walk(sent.end() - 4, sent.end());
  const std::vector<std::string> expected = {"A5 5B 01 0C 01 00 00 00 00 00 00 00 F2", EdidWire(0x01, 0x0C, 2),
                                             EdidWire(0x01, 0x0C, 3), EdidWire(0x01, 0x0C, 4)};
  EXPECT_EQ(walk, expected);
  EXPECT_EQ(Row(1), "1080i,Stereo Audio 2.0");
  EXPECT_EQ(Row(2), "1080p,HD Audio 7.1");
  EXPECT_EQ(Row(3), "User define");
  EXPECT_EQ(Row(4), "Copy HDMI OUT D");
  for (size_t i = 0; i < 4; ++i) EXPECT_TRUE(edid.StatusView().rows[i].current) << i;
  EXPECT_EQ(edid.StatusView().rows[0].label, "IN1:");
  EXPECT_FALSE(edid.StatusView().rows[4].visible);
  EXPECT_EQ(edid.Operation(), EdidOperation::kRefresh);
  EXPECT_FALSE(h.shared.Busy.IsOpen());
  EXPECT_EQ(h.MessagesOpened(), opened);
}

TEST_F(EdidStatus, TheStatusButtonWalksWithTheBusyDialogAndAsksAnUnansweredInputOnceMore) {
  CEdidPage& edid = Enter(false);
  h.model.State().Input(2).edidCode = 9;
  const size_t mark = Mark();
  h.model.Faults().dropNext = 1;
  edid.OnStatus();
  EXPECT_EQ(h.shared.Busy.DisplayedText(), "Getting status . . .");
  h.loop.Advance(4990);
  EXPECT_EQ(StatusQueries(mark).size(), 1u);
  EXPECT_TRUE(h.shared.Busy.IsOpen());
  h.loop.Advance(100);  // timer 70 asked input 1 again
  const std::vector<std::string> expected = {EdidWire(0x01, 0x0C, 1), EdidWire(0x01, 0x0C, 1),
                                             EdidWire(0x01, 0x0C, 2), EdidWire(0x01, 0x0C, 3),
                                             EdidWire(0x01, 0x0C, 4)};
  EXPECT_EQ(StatusQueries(mark), expected);
  EXPECT_EQ(Row(2), "4K2K,Stereo Audio 2.0");
  EXPECT_FALSE(h.shared.Busy.IsOpen());
  EXPECT_EQ(edid.Busy(), 0);
  EXPECT_FALSE(h.shared.Message.IsOpen());
}

TEST_F(EdidStatus, TheRowsAreGreyAfterLeavingThePageUntilTheNextVisitReadsThemAgain) {
  CEdidPage& edid = Enter(true);
  ASSERT_TRUE(edid.StatusView().rows[0].current);
  h.ChoosePage(kPageGeneral, 500);
  EXPECT_FALSE(edid.StatusView().rows[0].current);
  h.model.Faults().dropNext = 100;
  h.ChoosePage(kPageEdid, 9000);
  for (size_t i = 0; i < 4; ++i) EXPECT_FALSE(edid.StatusView().rows[i].current) << i;  // nothing answered
}

TEST_F(EdidStatus, AStatusWalkWithoutAnswerTimesOutAndKeepsTheRows) {
  CEdidPage& edid = Enter(true);
  const std::string before = Row(1);
  const int opened = h.MessagesOpened();
  h.model.Faults().dropNext = 2;
  edid.OnStatus();
  h.loop.Advance(10000);
  EXPECT_EQ(Message(), "Time out!");
  EXPECT_EQ(h.MessagesOpened(), opened + 1);
  EXPECT_EQ(Row(1), before);
  EXPECT_EQ(edid.Busy(), 0);
  EXPECT_TRUE(h.main->HeadersEnabled());
}

// A lost answer must not leave the page (and a script waiting for it) waiting for good.
TEST_F(EdidStatus, AQuietRefreshSkipsAnUnansweredInputSilentlyAndAsksTheRestOnce) {
  h.model.State().Input(3).edidCode = 9;
  ASSERT_TRUE(h.LinkFromGeneral(true));
  const int opened = h.MessagesOpened();
  const size_t mark = Mark();
  h.model.Faults().dropNext = 1;  // input 1's answer is lost
  h.ChoosePage(kPageEdid, 500);
  CEdidPage& edid = Edid();
  EXPECT_TRUE(edid.Runner().Running());
  h.loop.Advance(5000);
  EXPECT_FALSE(edid.Runner().Running());
  const std::vector<std::string> expected = {EdidWire(0x01, 0x0C, 1), EdidWire(0x01, 0x0C, 2),
                                             EdidWire(0x01, 0x0C, 3), EdidWire(0x01, 0x0C, 4)};
  EXPECT_EQ(StatusQueries(mark), expected);
  EXPECT_EQ(Row(1), "s");  // as before: never answered
  EXPECT_EQ(Row(3), "4K2K,Stereo Audio 2.0");
  EXPECT_EQ(h.MessagesOpened(), opened);
  EXPECT_EQ(h.shared.Link.waiting, 0);
  // The next command runs as usual.
  edid.OnStatus();
  h.loop.Advance(1000);
  EXPECT_EQ(Row(1), "1080i,Stereo Audio 2.0");
  EXPECT_EQ(edid.Busy(), 0);
}

TEST_F(EdidStatus, AReplyWithByteFiveSetIsIgnoredAndOneForAnotherInputUpdatesOnlyItsRow) {
  CEdidPage& edid = Enter(false);
  h.model.Faults().delayMs = 1000;
  edid.OnStatus();
  h.loop.Advance(10);
  Inject(Frame({0x01, 0x0C, 1, 0x01, 5}));
  EXPECT_EQ(Row(1), "1080i,Stereo Audio 2.0");
  Inject(Frame({0x01, 0x0C, 3, 0, 13}));
  EXPECT_EQ(Row(3), "DVI 1920X1080");
  EXPECT_EQ(edid.Runner().StepIndex(), 0u);  // still waiting for input 1
  h.loop.Advance(5000);
  EXPECT_EQ(Row(3), "1080i,Stereo Audio 2.0");  // the switcher's own answer in the end
  EXPECT_EQ(edid.Busy(), 0);
}

TEST_F(EdidStatus, LeavingThePageEndsARefreshSoNoQueryGoesOutOverAnotherPage) {
  General().OnComConnect();
  h.loop.Advance(2000);
  h.model.Faults().delayMs = 400;
  h.ChoosePage(kPageEdid, 200);  // the refresh waits for input 1
  const size_t mark = Mark();
  const int opened = h.MessagesOpened();
  h.ChoosePage(kPageGeneral, 3000);
  EXPECT_EQ(StatusQueries(mark).size(), 0u);
  EXPECT_FALSE(Edid().Runner().Running());
  EXPECT_EQ(h.MessagesOpened(), opened);
}

}  // namespace
}  // namespace velantor::testing
