// The Matrix page's switching against the emulator on both links: single switches, previous and
// next, resend and time-out, refused, damaged and stray acknowledgements, the sequences (All
// Output, Port to Port), the Output configuration group and the ALL command.
#include <gtest/gtest.h>

#include "scenario/matrix_page_fixture.h"

namespace velantor::testing {
namespace {

std::string Switch(int input, int output) { return MatrixWire(0x02, 0x03, input, 0, output); }
std::string RouteQuery(int output) { return MatrixWire(0x02, 0x01, output); }

class MatrixRouting : public MatrixPageTest, public ::testing::WithParamInterface<Link> {};

TEST_P(MatrixRouting, AnInputButtonSwitchesItsOutputAndTheButtonsChangeOnlyOnTheAcknowledgement) {
  ConnectAndShow(GetParam());
  EXPECT_EQ(Out(2).display, "2");
  EXPECT_EQ(Checked(2), std::vector<int>{2});
  const size_t mark = Mark();
  Page().OnInputButton(2, 3);
  EXPECT_EQ(Checked(2), std::vector<int>{2});
  EXPECT_EQ(Page().PageBusy(), 1);
  EXPECT_TRUE(h.main->HeadersLocked());
  h.loop.Advance(50);
  EXPECT_EQ(SentSince(mark), std::vector<std::string>{"A5 5B 02 03 03 00 02 00 00 00 00 00 F6"});
  EXPECT_EQ(Out(2).display, "3");
  EXPECT_EQ(Checked(2), std::vector<int>{3});
  EXPECT_EQ(Page().OutputSource(2), 3);
  EXPECT_EQ(h.model.State().Output(2).route, 3);
  EXPECT_EQ(Page().PageBusy(), 0);
  EXPECT_FALSE(h.main->HeadersLocked());
  EXPECT_TRUE(h.main->HeadersEnabled());
  EXPECT_FALSE(h.shared.Message.IsOpen());
}

TEST_P(MatrixRouting, AMissingAcknowledgementIsSentOnceMoreAfterThreeSecondsAndGivesUpFiveSecondsLater) {
  ConnectAndShow(GetParam());
  h.model.Faults().dropNext = 2;
  const int opened = h.MessagesOpened();
  const size_t mark = Mark();
  Page().OnInputButton(1, 2);
  h.loop.Advance(2999);
  EXPECT_EQ(SentSince(mark).size(), 1u);
  EXPECT_FALSE(h.shared.Busy.IsOpen());
  h.loop.Advance(1);
  ASSERT_TRUE(h.shared.Busy.IsOpen());
  EXPECT_EQ(h.shared.Busy.DisplayedText(), "Please wait . . .");
  h.loop.Advance(500);
  EXPECT_EQ(SentSince(mark), (std::vector<std::string>{Switch(2, 1), Switch(2, 1)}));
  EXPECT_EQ(h.shared.Busy.DisplayedText(), "Please wait .    ");
  h.loop.Advance(500);
  EXPECT_EQ(h.shared.Busy.DisplayedText(), "Please wait . .  ");
  h.loop.Advance(3999);
  EXPECT_EQ(h.MessagesOpened(), opened);
  h.loop.Advance(1);
  EXPECT_EQ(h.MessagesOpened(), opened + 1);
  EXPECT_EQ(h.shared.Message.DisplayedText(), "Time out!");
  EXPECT_FALSE(h.shared.Busy.IsOpen());
  EXPECT_FALSE(Page().TimerRunning(CMatrixPage::kTimerAnimation));
  EXPECT_EQ(Page().PageBusy(), 0);
  EXPECT_TRUE(h.main->HeadersEnabled());
  EXPECT_EQ(Checked(1), std::vector<int>{1});
  h.loop.Advance(1499);
  EXPECT_TRUE(h.shared.Message.IsOpen());
  h.loop.Advance(1);
  EXPECT_FALSE(h.shared.Message.IsOpen());
  // The switch may have been made: output 1 is grey until the switcher reports it again.
  EXPECT_FALSE(Out(1).current);
  EXPECT_TRUE(Out(2).current);
}

// A refusal is the switcher's answer: it is said at once as a refusal, not blamed on the link by a
// time-out 8 s later, and nothing further is sent.
TEST_P(MatrixRouting, ARefusedSwitchIsNeverShownAndSaysSetFailedAtOnce) {
  ConnectAndShow(GetParam());
  h.model.Faults().status = 0x01;
  const int opened = h.MessagesOpened();
  const size_t mark = Mark();
  Page().OnInputButton(3, 1);
  h.loop.Advance(50);
  EXPECT_EQ(Page().PageBusy(), 0);
  EXPECT_EQ(h.MessagesOpened(), opened + 1);
  EXPECT_EQ(h.shared.Message.DisplayedText(), "Set failed!");
  EXPECT_EQ(Checked(3), std::vector<int>{3});
  EXPECT_EQ(Out(3).display, "3");
  EXPECT_EQ(Page().OutputSource(3), 3);
  EXPECT_TRUE(h.main->HeadersEnabled());
  h.loop.Advance(10000);
  EXPECT_EQ(SentSince(mark).size(), 1u);
  EXPECT_EQ(h.MessagesOpened(), opened + 1);
  // The refusal lifted, the same click switches.
  h.model.Faults().status = 0;
  Page().OnInputButton(3, 1);
  h.loop.Advance(50);
  EXPECT_EQ(Checked(3), std::vector<int>{1});
}

TEST_P(MatrixRouting, ARefusalInTheMiddleOfAllOutputStopsTheSequenceWhereItWas) {
  ConnectAndShow(GetParam());
  const size_t mark = Mark();
  Page().OnSelectOutput(4);
  // Output 1 switches (its acknowledgement held a moment); output 2 is refused.
  h.model.Faults().lateNext = 1;
  h.model.Faults().lateMs = 100;
  Page().OnConfigInput(2);
  h.loop.Advance(20);
  EXPECT_EQ(h.model.State().Output(1).route, 2);
  h.model.Faults().status = 0x01;
  h.loop.Advance(200);
  EXPECT_EQ(h.shared.Message.DisplayedText(), "Set failed!");
  EXPECT_EQ(Page().PageBusy(), 0);
  EXPECT_EQ(Out(1).display, "2");
  EXPECT_EQ(SentSince(mark).size(), 2u);
  h.loop.Advance(10000);
  EXPECT_EQ(SentSince(mark).size(), 2u);
}

TEST_P(MatrixRouting, AllOutputSwitchesOutputsOneToFourEachAfterThePreviousAcknowledgement) {
  ConnectAndShow(GetParam());
  const int opened = h.MessagesOpened();
  const size_t mark = Mark();
  Page().OnSelectOutput(4);
  EXPECT_EQ(Page().SelectedOutput(), CMatrixPage::kAllOutputs);
  h.model.Faults().dropNext = 1;  // output 1's acknowledgement is lost: nothing follows it yet
  Page().OnConfigInput(2);
  EXPECT_EQ(Page().InputIdle(2), 0);
  h.loop.Advance(4990);
  EXPECT_EQ(SentSince(mark).size(), 1u);
  h.loop.Advance(100);  // the resend after 5 s, then the other outputs
  EXPECT_EQ(SentSince(mark),
            (std::vector<std::string>{Switch(2, 1), Switch(2, 1), Switch(2, 2), Switch(2, 3), Switch(2, 4)}));
  for (int k = 1; k <= 4; ++k) {
    EXPECT_EQ(Out(k).display, "2") << k;
    EXPECT_EQ(Checked(k), std::vector<int>{2}) << k;
    EXPECT_EQ(Page().OutputSource(k), 2) << k;
    EXPECT_EQ(h.model.State().Output(k).route, 2) << k;
  }
  EXPECT_EQ(Page().PageBusy(), 0);
  EXPECT_EQ(Page().InputIdle(2), 1);
  EXPECT_TRUE(h.main->HeadersEnabled());
  h.loop.Advance(10000);  // the sequence ended with output 4: no time-out waits for output 5
  EXPECT_EQ(h.MessagesOpened(), opened);
}

TEST_P(MatrixRouting, PortToPortSwitchesInputKToOutputKAndCanRunAgain) {
  SetRoutes({1, 1, 1, 1});
  ConnectAndShow(GetParam());
  size_t mark = Mark();
  Page().OnSelectOutput(5);
  EXPECT_EQ(Page().SceneIdle(), 0);
  h.loop.Advance(100);
  EXPECT_EQ(SentSince(mark), (std::vector<std::string>{Switch(1, 1), Switch(2, 2), Switch(3, 3), Switch(4, 4)}));
  for (int k = 1; k <= 4; ++k) {
    EXPECT_EQ(Page().WorkingRoute(k), k - 1);
    EXPECT_EQ(Checked(k), std::vector<int>{k});
  }
  EXPECT_EQ(Page().SceneIdle(), 1);
  // The group's input buttons do nothing while Port to Port is chosen.
  mark = Mark();
  Page().OnConfigInput(1);
  h.loop.Advance(100);
  EXPECT_TRUE(SentSince(mark).empty());
  SetRoutes({4, 4, 4, 4});
  Page().OnSelectOutput(5);
  h.loop.Advance(100);
  EXPECT_EQ(SentSince(mark).size(), 4u);
  EXPECT_EQ(h.model.State().Output(4).route, 4);
}

TEST_P(MatrixRouting, AllStartsOnInputOneAndAnEmptyChoiceNeverSendsInputZero) {
  ConnectAndShow(GetParam());
  EXPECT_EQ(Page().View().allList.selection, 0);
  Page().OnAllListSelChange(-1);
  EXPECT_EQ(Page().View().allList.selection, 0);
  const size_t mark = Mark();
  Page().OnAllButton();
  h.loop.Advance(100);
  ASSERT_FALSE(SentSince(mark).empty());
  EXPECT_EQ(SentSince(mark)[0], MatrixWire(0x02, 0x02, 1));
  EXPECT_EQ(Checked(3), std::vector<int>{1});
}

TEST_P(MatrixRouting, TheAllButtonSendsItsInputAndReadsTheRoutesBack) {
  ConnectAndShow(GetParam());
  size_t mark = Mark();
  Page().OnAllListSelChange(2);
  Page().OnAllButton();
  h.loop.Advance(100);
  EXPECT_EQ(SentSince(mark), (std::vector<std::string>{"A5 5B 02 02 03 00 00 00 00 00 00 00 F9", RouteQuery(1),
                                                       RouteQuery(2), RouteQuery(3), RouteQuery(4)}));
  for (int k = 1; k <= 4; ++k) EXPECT_EQ(Checked(k), std::vector<int>{3}) << k;
  EXPECT_EQ(Page().PageBusy(), 0);
  // ALL switched every output: one whose route was not read back is grey, not its old input.
  h.model.Faults().dropEvery = 1;
  Page().OnAllListSelChange(1);
  Page().OnAllButton();
  h.loop.Advance(20000);
  EXPECT_EQ(h.model.State().Output(4).route, 2);
  for (int k = 1; k <= 4; ++k) EXPECT_FALSE(Out(k).current) << k;
}

INSTANTIATE_TEST_SUITE_P(BothLinks, MatrixRouting, ::testing::Values(Link::kSerial, Link::kTcp), LinkName);

class MatrixRoutingSerial : public MatrixPageTest {};

TEST_F(MatrixRoutingSerial, NextAndPreviousStepWithinInputsOneToFour) {
  SetRoutes({4, 1, 3, 2});
  ConnectAndShow(Link::kSerial);
  const size_t mark = Mark();
  const auto step = [this](void (CMatrixPage::*button)(int), int output) {
    (Page().*button)(output);
    h.loop.Advance(50);
  };
  step(&CMatrixPage::OnNext, 1);      // 4 -> 1
  step(&CMatrixPage::OnPrevious, 1);  // 1 -> 4
  step(&CMatrixPage::OnPrevious, 3);  // 3 -> 2
  step(&CMatrixPage::OnNext, 4);      // 2 -> 3
  EXPECT_EQ(SentSince(mark), (std::vector<std::string>{Switch(1, 1), Switch(4, 1), Switch(2, 3), Switch(3, 4)}));
  EXPECT_EQ(Page().OutputSource(1), 4);
  EXPECT_EQ(Checked(4), std::vector<int>{3});
}

TEST_F(MatrixRoutingSerial, AClickWhileACommandIsInFlightSendsNothingAndTheHeadersStayLocked) {
  ConnectAndShow(Link::kSerial);
  h.model.Faults().dropNext = 1;
  Page().OnInputButton(1, 2);
  h.loop.Advance(20);
  const size_t mark = Mark();
  Page().OnInputButton(1, 3);
  Page().OnNext(2);
  Page().OnConfigInput(1);
  Page().OnAllButton();
  Page().OnSceneSet();
  Page().OnSwitchModeSelChange(1, 3);
  h.main->OnHeaderClick(kPageGeneral);
  h.loop.Advance(100);
  EXPECT_TRUE(SentSince(mark).empty());
  EXPECT_EQ(h.shared.CurrentPage, kPageMatrix);
}

TEST_F(MatrixRoutingSerial, ADamagedAcknowledgementIsAnsweredByOneImmediateResendAndNeverActs) {
  ConnectAndShow(Link::kSerial);
  h.model.Faults().corruptNext = 2;
  const int opened = h.MessagesOpened();
  const size_t mark = Mark();
  Page().OnInputButton(2, 4);
  h.loop.Advance(50);
  EXPECT_EQ(SentSince(mark), (std::vector<std::string>{Switch(4, 2), Switch(4, 2)}));  // once, not twice
  EXPECT_EQ(Out(2).display, "2");
  EXPECT_EQ(Page().PageBusy(), 1);
  h.loop.Advance(3000);  // the first timer's resend is answered intact
  EXPECT_EQ(SentSince(mark).size(), 3u);
  EXPECT_EQ(Checked(2), std::vector<int>{4});
  EXPECT_EQ(Page().PageBusy(), 0);
  EXPECT_EQ(h.MessagesOpened(), opened);
}

TEST_F(MatrixRoutingSerial, ADamagedAcknowledgementDoesNotMoveASequenceOn) {
  ConnectAndShow(Link::kSerial);
  Page().OnSelectOutput(4);
  h.model.Faults().corruptNext = 2;
  const size_t mark = Mark();
  Page().OnConfigInput(3);
  h.loop.Advance(100);
  EXPECT_EQ(SentSince(mark), (std::vector<std::string>{Switch(3, 1), Switch(3, 1)}));
  EXPECT_EQ(Out(1).display, "1");
  h.loop.Advance(5000);
  EXPECT_EQ(SentSince(mark).size(), 6u);
  EXPECT_EQ(Checked(4), std::vector<int>{3});
}

TEST_F(MatrixRoutingSerial, AnAcknowledgementForAnotherOutputChangesNothing) {
  ConnectAndShow(Link::kSerial);
  h.model.Faults().dropNext = 1;
  Page().OnInputButton(2, 4);
  h.loop.Advance(20);
  Inject(Frame({0x02, 0x03, 0x00, 0x00, 0x03}));
  EXPECT_EQ(Page().PageBusy(), 1);
  EXPECT_EQ(Out(3).display, "3");
  EXPECT_EQ(Checked(3), std::vector<int>{3});
  EXPECT_EQ(Out(2).display, "2");
  Inject(Frame({0x02, 0x03, 0x00, 0x00, 0x02}));
  EXPECT_EQ(Page().PageBusy(), 0);
  EXPECT_EQ(Checked(2), std::vector<int>{4});
}

TEST_F(MatrixRoutingSerial, WithTheSerialPortClosedEveryControlReportsItAndSendsNothing) {
  ShowMatrix();
  EXPECT_EQ(h.shared.Message.DisplayedText(), "Open COM failed!");
  h.loop.Advance(1500);
  const int opened = h.MessagesOpened();
  const size_t mark = Mark();
  Page().OnConfigInput(1);
  Page().OnSceneSet();
  Page().OnSelectOutput(5);
  EXPECT_EQ(Page().View().systemMessage, "请打开串口");
  EXPECT_EQ(Page().View().systemMessageCount, 3);
  Page().OnInputButton(1, 2);
  EXPECT_EQ(h.MessagesOpened(), opened + 1);
  EXPECT_EQ(h.shared.Message.DisplayedText(), "Open COM failed!");
  h.loop.Advance(100);
  EXPECT_TRUE(SentSince(mark).empty());
  EXPECT_EQ(Page().SceneIdle(), 1);
}

TEST_F(MatrixRoutingSerial, AConnectionTheSwitcherClosesEndsTheSwitchAtOnceWithTheLinkMessage) {
  ConnectAndShow(Link::kTcp);
  h.model.Faults().dropNext = 1;
  Page().OnInputButton(1, 3);
  h.loop.Advance(20);
  h.model.CloseConnections();
  h.loop.Advance(20);
  EXPECT_EQ(h.shared.Message.DisplayedText(), "Connect to Matrix failed!");
  EXPECT_EQ(Page().PageBusy(), 0);
  EXPECT_TRUE(h.main->HeadersEnabled());
}

// A type request whose connection closed cannot be answered: the link is lost, not timed out.
TEST_F(MatrixRoutingSerial, ATypeRequestIsForgottenWhenTheConnectionCloses) {
  ConnectAndShow(Link::kTcp);
  h.model.Faults().dropNext = 1;
  Page().OnTypeButton(2, 2);
  h.loop.Advance(20);
  const int opened = h.MessagesOpened();
  h.model.CloseConnections();
  h.loop.Advance(8000);
  EXPECT_EQ(h.MessagesOpened(), opened);
  EXPECT_FALSE(Page().TimerRunning(CMatrixPage::kTimerTypeGuard));
  EXPECT_EQ(h.shared.Link.state, "lost");
}

class MatrixRoutingEightByEight : public MatrixPageTest {
 protected:
  MatrixRoutingEightByEight() : MatrixPageTest(sim::MakeDeviceState(8, 8)) {}
};

TEST_F(MatrixRoutingEightByEight, NextAndPreviousFromAReportedInputSevenStayWithinOneToFour) {
  SetRoutes({7, 7});
  ConnectAndShow(Link::kTcp);
  EXPECT_EQ(Page().OutputSource(1), 7);
  const size_t mark = Mark();
  Page().OnNext(1);
  h.loop.Advance(50);
  Page().OnPrevious(2);
  h.loop.Advance(50);
  EXPECT_EQ(SentSince(mark), (std::vector<std::string>{Switch(1, 1), Switch(4, 2)}));
}

}  // namespace
}  // namespace velantor::testing
