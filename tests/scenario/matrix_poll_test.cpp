// The Matrix page's poll when it is shown, against the emulator on both links: the order of the
// 17 queries and what the replies show, the display mode that disables the page, resends,
// time-outs, standby, stray replies, leaving the page and a link that is down at the start.
#include <gtest/gtest.h>

#include <algorithm>

#include "scenario/matrix_page_fixture.h"

namespace velantor::testing {
namespace {

std::string RouteQuery(int output) { return MatrixWire(0x02, 0x01, output); }
const std::string kDisplayModeQuery = "A5 5B 13 02 00 00 00 00 00 00 00 00 EB";

class MatrixPoll : public MatrixPageTest, public ::testing::WithParamInterface<Link> {};

TEST_P(MatrixPoll, ShowingThePageReadsRoutesDisplayModeTypesEffectsAndTimesInThatOrder) {
  SetRoutes({2, 3, 4, 1});
  h.model.State().Input(2).signalType = 2;
  h.model.State().Input(3).signalType = 3;
  h.model.State().Output(1).effect = 16;
  h.model.State().Output(4).time = 8;
  Connect(GetParam());
  const int opened = h.MessagesOpened();
  const size_t mark = Mark();
  ShowMatrix();
  std::vector<std::string> expected{RouteQuery(1), kDisplayModeQuery, RouteQuery(2), RouteQuery(3), RouteQuery(4)};
  for (int op : {0x90, 0x98}) {
    for (int sub : op == 0x90 ? std::vector<int>{1} : std::vector<int>{1, 2}) {
      for (int k = 1; k <= 4; ++k) expected.push_back(MatrixWire(op, sub, 0, 0, k));
    }
  }
  EXPECT_EQ(SentSince(mark), expected);
  const std::vector<std::string> displays{Out(1).display, Out(2).display, Out(3).display, Out(4).display};
  EXPECT_EQ(displays, (std::vector<std::string>{"2", "3", "4", "1"}));
  EXPECT_EQ(Checked(3), std::vector<int>{4});
  EXPECT_EQ(Page().OutputSource(4), 1);
  EXPECT_TRUE(Column(1).types[0].checked);
  EXPECT_TRUE(Column(2).types[1].checked);
  EXPECT_TRUE(Column(3).types[2].checked);
  EXPECT_FALSE(Column(3).types[0].checked);
  // AUTO only for VGA; SCALER for every type, on either link.
  for (int k = 1; k <= 4; ++k) {
    EXPECT_EQ(Column(k).autoButton.enabled, k == 2) << k;
    EXPECT_TRUE(Column(k).scaler.enabled) << k;
  }
  EXPECT_EQ(Column(1).mode.selection, 15);
  EXPECT_EQ(Column(1).mode.items[15], "垂直棋盘 ");
  EXPECT_EQ(Page().ConfirmedMode(1), 15);
  EXPECT_EQ(Page().PendingMode(1), 15);
  EXPECT_EQ(Column(2).mode.selection, 0);
  EXPECT_EQ(Column(4).time.selection, 7);
  EXPECT_EQ(Page().ConfirmedTime(4), 7);
  EXPECT_EQ(Page().PageBusy(), 0);
  EXPECT_TRUE(h.main->HeadersEnabled());
  EXPECT_EQ(h.MessagesOpened(), opened);
}

TEST_P(MatrixPoll, AMissingReplyToTheFirstQueryOpensTheBusyDialogAfterThreeSecondsAndTimesOutFiveLater) {
  Connect(GetParam());
  h.model.Faults().dropNext = 2;
  const int opened = h.MessagesOpened();
  const size_t mark = Mark();
  h.ChoosePage(kPageMatrix, 150);  // the poll starts now
  EXPECT_TRUE(h.main->HeadersLocked());
  h.loop.Advance(2999);
  EXPECT_FALSE(h.shared.Busy.IsOpen());
  h.loop.Advance(1);
  EXPECT_EQ(h.shared.Busy.DisplayedText(), "Please wait . . .");
  h.loop.Advance(4999);
  EXPECT_EQ(SentSince(mark), (std::vector<std::string>{RouteQuery(1), RouteQuery(1)}));
  EXPECT_EQ(h.MessagesOpened(), opened);
  h.loop.Advance(1);
  EXPECT_EQ(h.MessagesOpened(), opened + 1);
  EXPECT_EQ(h.shared.Message.DisplayedText(), "Time out!");
  EXPECT_FALSE(h.shared.Busy.IsOpen());
  EXPECT_EQ(Page().PageBusy(), 0);
  EXPECT_TRUE(h.main->HeadersEnabled());
  h.loop.Advance(1500);
  EXPECT_FALSE(h.shared.Message.IsOpen());
  EXPECT_EQ(SentSince(mark).size(), 2u);  // the poll ended there
}

TEST_P(MatrixPoll, StandbyDuringThePollStopsItAndItsMessageClosesAfterTwoAndAHalfSeconds) {
  Connect(GetParam());
  h.model.Faults().dropNext = 1;
  h.ChoosePage(kPageMatrix, 160);
  ASSERT_EQ(Page().PageBusy(), 1);
  h.model.SetStandby(true);
  h.loop.Advance(10);
  EXPECT_EQ(h.shared.Message.DisplayedText(), "Matrix is in standby mode!");
  EXPECT_EQ(Page().PageBusy(), 0);
  EXPECT_FALSE(h.shared.Busy.IsOpen());
  EXPECT_TRUE(h.main->HeadersEnabled());
  for (int id = 1; id <= 79; ++id) {
    if (id != CMatrixPage::kTimerMessage) {
      EXPECT_FALSE(Page().TimerRunning(id)) << id;
    }
  }
  h.loop.Advance(2480);
  EXPECT_TRUE(h.shared.Message.IsOpen());
  h.loop.Advance(20);
  EXPECT_FALSE(h.shared.Message.IsOpen());
}

TEST_P(MatrixPoll, RepliesOutOfRangeLeaveTheirControlsUnselectedAndThePollStillRunsToTheEnd) {
  ConnectAndShow(GetParam());
  ASSERT_EQ(Checked(1), std::vector<int>{1});
  ASSERT_EQ(Column(1).mode.selection, 0);
  SetRoutes({0, 17});
  h.model.State().Output(1).effect = 0;
  h.model.State().Output(2).time = 9;
  const int opened = h.MessagesOpened();
  const size_t mark = Mark();
  h.ChoosePage(kPageGeneral, 200);
  ShowMatrix();
  EXPECT_EQ(SentSince(mark).size(), 17u);
  EXPECT_EQ(Page().PageBusy(), 0);
  EXPECT_EQ(h.MessagesOpened(), opened);
  // Neither the read-out nor next / previous keep the input shown before.
  for (int k : {1, 2}) {
    EXPECT_TRUE(Checked(k).empty()) << k;
    EXPECT_EQ(Out(k).display, "-") << k;
    EXPECT_EQ(Page().OutputSource(k), 0) << k;
  }
  EXPECT_EQ(Column(1).mode.selection, -1);
  EXPECT_EQ(Page().ConfirmedMode(1), -1);
  EXPECT_EQ(Column(2).time.selection, -1);
  EXPECT_EQ(Column(2).mode.selection, 0);
  const size_t next = Mark();
  Page().OnNext(2);
  h.loop.Advance(100);
  EXPECT_EQ(SentSince(next), std::vector<std::string>{MatrixWire(0x02, 0x03, 1, 0, 2)});
}

INSTANTIATE_TEST_SUITE_P(BothLinks, MatrixPoll, ::testing::Values(Link::kSerial, Link::kTcp), LinkName);

TEST(MatrixTimers, EveryTimerOfThePageIsWithinOneToSeventyNineAndUsedOnce) {
  std::vector<int> ids = CMatrixPage::TimerIds();
  for (int id : ids) EXPECT_TRUE(id >= 1 && id <= 79) << id;
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end()) << "a timer id is used twice";
  EXPECT_GE(ids.size(), 60u);  // switch, poll, effect, AUTO, SCALER, message and animation timers
}

class MatrixPollSerial : public MatrixPageTest {};

TEST_F(MatrixPollSerial, ADisplayModeOtherThanMatrixDisablesTheRoutingControlsAndEndsThePollQuietly) {
  h.model.State().options.displayMode = 2;
  Connect(Link::kSerial);
  const int opened = h.MessagesOpened();
  size_t mark = Mark();
  ShowMatrix();
  EXPECT_EQ(SentSince(mark), (std::vector<std::string>{RouteQuery(1), kDisplayModeQuery}));
  for (int k = 1; k <= 4; ++k) {
    EXPECT_FALSE(Out(k).inputs[0].enabled) << k;
    EXPECT_FALSE(Out(k).next.enabled) << k;
    EXPECT_FALSE(Column(k).mode.enabled) << k;
    EXPECT_FALSE(Column(k).types[2].enabled) << k;
    EXPECT_FALSE(Column(k).autoButton.enabled) << k;
    EXPECT_FALSE(Column(k).scaler.enabled) << k;
  }
  EXPECT_EQ(Page().PageBusy(), 0);
  EXPECT_TRUE(h.main->HeadersEnabled());
  EXPECT_EQ(h.MessagesOpened(), opened);
  // The Output configuration group, ALL and "Set" are routing controls like the others.
  EXPECT_FALSE(Page().View().selectOutput.enabled);
  EXPECT_FALSE(Page().View().configInputs[0].enabled);
  EXPECT_FALSE(Page().View().allButton.enabled);
  EXPECT_FALSE(Page().View().sceneSet.enabled);
  mark = Mark();
  Page().OnInputButton(1, 2);
  Page().OnNext(1);
  Page().OnTypeButton(1, 2);
  Page().OnConfigInput(2);
  Page().OnSelectOutput(5);
  Page().OnAllButton();
  Page().OnSceneSet();
  h.loop.Advance(100);
  EXPECT_TRUE(SentSince(mark).empty());
}

TEST_F(MatrixPollSerial, ASilentDisplayModeQueryIsAskedOnceMoreAndThenEndsThePollWithTimeOut) {
  Connect(Link::kSerial);
  const int opened = h.MessagesOpened();
  const size_t mark = Mark();
  h.ChoosePage(kPageMatrix, 150);
  for (int ms = 0; ms < 100 && Page().Runner().StepIndex() < 1; ++ms) h.loop.Advance(1);
  ASSERT_EQ(Page().Runner().StepIndex(), 1u);
  h.model.Faults().dropNext = 2;
  h.loop.Advance(5100);
  EXPECT_EQ(SentSince(mark), (std::vector<std::string>{RouteQuery(1), kDisplayModeQuery, kDisplayModeQuery}));
  EXPECT_TRUE(h.shared.Busy.IsOpen());
  h.loop.Advance(5000);
  EXPECT_EQ(h.MessagesOpened(), opened + 1);
  EXPECT_EQ(h.shared.Message.DisplayedText(), "Time out!");
  EXPECT_EQ(Page().PageBusy(), 0);
  EXPECT_EQ(SentSince(mark).size(), 3u);
}

TEST_F(MatrixPollSerial, LeavingThePageMidPollEndsItQuietly) {
  Connect(Link::kSerial);
  h.model.Faults().dropNext = 1;
  h.ChoosePage(kPageMatrix, 160);
  ASSERT_EQ(Page().PageBusy(), 1);
  h.main->OnHeaderClick(kPageGeneral);  // locked while the poll runs
  EXPECT_EQ(h.shared.CurrentPage, kPageMatrix);
  const int opened = h.MessagesOpened();
  h.main->TabAction(kPageGeneral);
  h.loop.Advance(20000);
  EXPECT_EQ(Page().PageBusy(), 0);
  EXPECT_TRUE(h.main->HeadersEnabled());
  EXPECT_EQ(h.MessagesOpened(), opened);
  EXPECT_FALSE(h.shared.Busy.IsOpen());
}

class MatrixPollThreeInputs : public MatrixPageTest {
 protected:
  MatrixPollThreeInputs() : MatrixPageTest(sim::MakeDeviceState(3, 4)) {}
};

// The switcher has no input 4, so it leaves that type query unanswered.
TEST_F(MatrixPollThreeInputs, AnUnansweredTypeQueryEndsThePollAfterFiveSecondsWithoutResend) {
  Connect(Link::kSerial);
  const int opened = h.MessagesOpened();
  const size_t mark = Mark();
  ShowMatrix();
  EXPECT_EQ(SentSince(mark).size(), 9u);
  EXPECT_EQ(Page().PageBusy(), 1);
  h.loop.Advance(4600);
  EXPECT_EQ(h.MessagesOpened(), opened);
  h.loop.Advance(100);
  EXPECT_EQ(h.MessagesOpened(), opened + 1);
  EXPECT_EQ(h.shared.Message.DisplayedText(), "Time out!");
  EXPECT_EQ(SentSince(mark).size(), 9u);
  EXPECT_EQ(Page().PageBusy(), 0);
}

TEST_F(MatrixPollThreeInputs, RepliesThatAreNotTheAwaitedOneUpdateTheViewButNeverMoveThePoll) {
  Connect(Link::kSerial);
  ShowMatrix();
  ASSERT_EQ(Page().Runner().StepIndex(), 8u);  // waiting for input 4's type
  Inject(Frame({0x02, 0x01, 0x02, 0x00, 0x03}));  // output 2 shows input 3
  Inject(Frame({0x90, 0x01, 0x02, 0x00, 0x01}));  // input 1 is VGA
  auto damaged = Frame({0x90, 0x01, 0x01, 0x00, 0x04});
  damaged[12] ^= 0x40;
  Inject(damaged);
  EXPECT_EQ(Page().Runner().StepIndex(), 8u);
  EXPECT_EQ(Out(2).display, "3");
  EXPECT_EQ(Checked(2), std::vector<int>{3});
  EXPECT_TRUE(Column(1).types[1].checked);
  EXPECT_FALSE(Column(4).types[0].checked);
  Inject(Frame({0x90, 0x01, 0x01, 0x00, 0x04}));
  EXPECT_EQ(Page().Runner().StepIndex(), 9u);
  EXPECT_TRUE(Column(4).types[0].checked);
}

TEST_F(MatrixPollSerial, ATcpSocketThatCannotConnectShowsTheLinkMessageAndNothingIsSent) {
  Connect(Link::kTcp);
  h.socket.SetReachable(false);
  const size_t mark = Mark();
  ShowMatrix();
  EXPECT_EQ(h.shared.Message.DisplayedText(), "Connect to Matrix failed!");
  EXPECT_TRUE(SentSince(mark).empty());
  EXPECT_EQ(Page().PageBusy(), 0);
}

class MatrixPollEightByEight : public MatrixPageTest {
 protected:
  MatrixPollEightByEight() : MatrixPageTest(sim::MakeDeviceState(8, 8)) {}
};

TEST_F(MatrixPollEightByEight, OverTheSerialLinkAnInputBeyondFourIsOnlyShownAsItsNumber) {
  SetRoutes({1, 6});
  Connect(Link::kSerial);
  ShowMatrix();
  EXPECT_EQ(Out(2).display, "6");
  EXPECT_TRUE(Checked(2).empty());
  EXPECT_EQ(Page().OutputSource(2), 1);
}

TEST_F(MatrixPollEightByEight, OverTcpAnInputBeyondFourIsTakenWhole) {
  SetRoutes({1, 6});
  Connect(Link::kTcp);
  ShowMatrix();
  EXPECT_EQ(Out(2).display, "6");
  EXPECT_EQ(Checked(2), std::vector<int>{6});
  EXPECT_FALSE(Out(2).inputs[5].visible);
  EXPECT_EQ(Page().OutputSource(2), 6);
}

TEST_F(MatrixPollSerial, APartFrameLeftFromTheLastShowingDoesNotSpoilTheNextPollsFirstReply) {
  ConnectAndShow(Link::kSerial);
  Inject({0xA5, 0x5B, 0x02, 0x01});
  h.ChoosePage(kPageGeneral, 200);
  const int opened = h.MessagesOpened();
  const size_t mark = Mark();
  ShowMatrix();
  EXPECT_EQ(SentSince(mark).size(), 17u);
  EXPECT_EQ(Page().PageBusy(), 0);
  EXPECT_EQ(h.MessagesOpened(), opened);
}

class MatrixPollTcp : public MatrixPageTest {};

TEST_F(MatrixPollTcp, TheReadOutsAreCurrentOnlyOnceThePollReadThemAndNotAfterLeavingOrALostLink) {
  const auto current = [this] {
    std::vector<bool> flags;
    for (int k = 1; k <= 4; ++k) flags.push_back(Out(k).current);
    return flags;
  };
  const std::vector<bool> all(4, true), none(4, false);
  ConnectAndShow(Link::kTcp);
  EXPECT_EQ(current(), all);
  h.ChoosePage(kPageGeneral, 500);
  EXPECT_EQ(current(), none);  // read on the last visit: the switcher may have changed since
  h.model.Faults().dropNext = 100;
  h.ChoosePage(kPageMatrix, 9000);
  EXPECT_EQ(current(), none);  // the poll read nothing
  h.model.Faults().dropNext = 0;
  h.ChoosePage(kPageGeneral, 500);
  h.ChoosePage(kPageMatrix, 3000);
  EXPECT_EQ(current(), all);
  h.socket.Reset();
  h.loop.Advance(10);
  EXPECT_EQ(current(), none);
}

TEST_F(MatrixPollTcp, ThePollWaitsForTheCommandSocketToConnect) {
  Connect(Link::kTcp);
  h.socket.SetConnectDelayMs(1000);
  const int opened = h.MessagesOpened();
  const size_t mark = Mark();
  ShowMatrix(900);
  EXPECT_TRUE(SentSince(mark).empty());
  h.loop.Advance(600);
  EXPECT_EQ(h.MessagesOpened(), opened);
  EXPECT_EQ(SentSince(mark).size(), 17u);
  EXPECT_EQ(Page().PageBusy(), 0);
  EXPECT_EQ(Checked(2), std::vector<int>{2});
}

TEST_F(MatrixPollTcp, ASocketStillUnconnectedAfterThreeSecondsFailsAndALaterConnectStartsNothing) {
  Connect(Link::kTcp);
  h.socket.SetConnectDelayMs(5000);
  const int opened = h.MessagesOpened();
  const size_t mark = Mark();
  ShowMatrix(3140);
  EXPECT_EQ(h.MessagesOpened(), opened);
  h.loop.Advance(10);
  EXPECT_EQ(h.MessagesOpened(), opened + 1);
  EXPECT_EQ(h.shared.Message.DisplayedText(), "Connect to Matrix failed!");
  h.loop.Advance(3000);
  EXPECT_TRUE(SentSince(mark).empty());
  EXPECT_EQ(Page().PageBusy(), 0);
  EXPECT_TRUE(h.main->HeadersEnabled());
}

TEST_F(MatrixPollTcp, ACommandOnASocketThatConnectedAfterThePageGaveUpTakesItsReply) {
  Connect(Link::kTcp);
  h.socket.SetConnectDelayMs(5000);
  ShowMatrix(3150);
  ASSERT_EQ(h.shared.Message.DisplayedText(), "Connect to Matrix failed!");
  h.loop.Advance(3000);  // the connect comes, and the message has closed
  ASSERT_EQ(h.shared.PageSocketConnected, 1);
  const int opened = h.MessagesOpened();
  Page().OnInputButton(2, 3);
  h.loop.Advance(200);
  EXPECT_EQ(Checked(2), std::vector<int>{3});
  EXPECT_EQ(Out(2).display, "3");
  EXPECT_EQ(Page().PageBusy(), 0);
  h.loop.Advance(9000);
  EXPECT_EQ(h.MessagesOpened(), opened);
}

}  // namespace
}  // namespace velantor::testing
