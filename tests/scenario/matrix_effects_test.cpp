// The Matrix page's switching effects, input signal types, AUTO and SCALER against the emulator:
// each control shows what the switcher confirmed, and is put back on refusal or time-out.
#include <gtest/gtest.h>

#include "scenario/matrix_page_fixture.h"

namespace velantor::testing {
namespace {

class MatrixEffects : public MatrixPageTest, public ::testing::WithParamInterface<Link> {};

TEST_P(MatrixEffects, ASwitchTimeIsSentAndTheListMovesOnlyOnTheAcknowledgement) {
  ConnectAndShow(GetParam());
  ASSERT_EQ(Column(2).time.selection, 0);
  const size_t mark = Mark();
  Page().OnSwitchTimeSelChange(2, 7);
  EXPECT_EQ(Column(2).time.selection, 0);
  EXPECT_EQ(Page().PendingTime(2), 7);
  EXPECT_EQ(Page().PageBusy(), 1);
  h.loop.Advance(50);
  EXPECT_EQ(SentSince(mark), std::vector<std::string>{"A5 5B 0B 02 08 00 02 00 00 00 00 00 E9"});
  EXPECT_EQ(Column(2).time.selection, 7);
  EXPECT_EQ(Page().ConfirmedTime(2), 7);
  EXPECT_EQ(h.model.State().Output(2).time, 8);
  EXPECT_EQ(Page().PageBusy(), 0);
}

// The lists and type buttons claim the switcher's settings only while they show what it reported
// on this visit: a change left unanswered may have been made, and a closed link or another page
// leaves them as they were, greyed.
TEST_P(MatrixEffects, ListsAndTypesAreGreyAfterAnUnansweredChangeALostLinkOrLeavingThePage) {
  ConnectAndShow(GetParam());
  ASSERT_TRUE(Column(2).modeCurrent && Column(2).timeCurrent && Column(2).typeCurrent);
  h.model.Faults().dropEvery = 1;
  Page().OnSwitchModeSelChange(2, 4);
  h.loop.Advance(9000);
  EXPECT_FALSE(Column(2).modeCurrent);
  EXPECT_TRUE(Column(2).timeCurrent);
  Page().OnTypeButton(3, 2);
  h.loop.Advance(6000);
  EXPECT_FALSE(Column(3).typeCurrent);
  EXPECT_TRUE(Column(2).typeCurrent);
  h.model.Faults().dropEvery = 0;
  h.ChoosePage(kPageGeneral, 500);
  EXPECT_FALSE(Column(1).modeCurrent || Column(1).timeCurrent || Column(1).typeCurrent);
  h.ChoosePage(kPageMatrix, 3000);
  EXPECT_TRUE(Column(2).modeCurrent && Column(3).typeCurrent);  // the poll read them again
}

TEST_P(MatrixEffects, ARefusedSwitchModePutsTheListBackWithoutAMessage) {
  ConnectAndShow(GetParam());
  h.model.Faults().status = 0x01;
  const int opened = h.MessagesOpened();
  Page().OnSwitchModeSelChange(3, 5);
  h.loop.Advance(50);
  EXPECT_EQ(Column(3).mode.selection, 0);
  EXPECT_EQ(Page().ConfirmedMode(3), 0);
  EXPECT_EQ(Page().PendingMode(3), 0);
  EXPECT_EQ(Page().PageBusy(), 0);
  EXPECT_EQ(h.MessagesOpened(), opened);
}

TEST_P(MatrixEffects, AnInputTypeShowsTheConfirmedTypeUntilAcknowledgedAndDecidesAutoAndScaler) {
  ConnectAndShow(GetParam());
  ASSERT_TRUE(Column(1).types[0].checked);
  EXPECT_FALSE(Column(1).autoButton.enabled);
  const size_t mark = Mark();
  Page().OnTypeButton(1, 2);
  EXPECT_TRUE(Column(1).types[0].checked);
  EXPECT_FALSE(Column(1).types[1].checked);
  EXPECT_EQ(Page().PendingType(1), 2);
  EXPECT_EQ(Page().PageBusy(), 0);  // a type request does not make the page busy
  h.loop.Advance(50);
  EXPECT_EQ(SentSince(mark), std::vector<std::string>{"A5 5B 0A 01 02 00 01 00 00 00 00 00 F2"});
  EXPECT_TRUE(Column(1).types[1].checked);
  EXPECT_FALSE(Column(1).types[0].checked);
  EXPECT_EQ(Page().ConfirmedType(1), 2);
  EXPECT_TRUE(Column(1).autoButton.enabled);
  EXPECT_TRUE(Column(1).scaler.enabled);
  Page().OnTypeButton(1, 3);
  h.loop.Advance(50);
  EXPECT_TRUE(Column(1).types[2].checked);
  EXPECT_FALSE(Column(1).autoButton.enabled);
  EXPECT_TRUE(Column(1).scaler.enabled);  // SCALER serves every type on either link
}

TEST_P(MatrixEffects, StandbyEndsEveryOperationAsItsTimeOutWouldButWithoutTheTimeOutMessage) {
  h.model.State().Input(1).signalType = 2;
  ConnectAndShow(GetParam());
  ASSERT_TRUE(Column(1).autoButton.enabled);
  h.model.Faults().dropNext = 2;
  Page().OnTypeButton(2, 2);
  Page().OnAutoButton(1);
  h.loop.Advance(50);
  ASSERT_EQ(Page().PendingType(2), 2);
  ASSERT_FALSE(Column(1).autoButton.enabled);
  const int opened = h.MessagesOpened();
  h.model.SetStandby(true);
  h.loop.Advance(10);
  EXPECT_EQ(h.shared.Message.DisplayedText(), "Matrix is in standby mode!");
  EXPECT_EQ(Page().PendingType(2), 0);
  EXPECT_TRUE(Column(2).types[0].checked);
  EXPECT_FALSE(Column(2).autoButton.enabled);
  EXPECT_TRUE(Column(2).scaler.enabled);
  EXPECT_TRUE(Column(1).autoButton.enabled);
  EXPECT_EQ(Page().PageBusy(), 0);
  h.loop.Advance(8000);
  EXPECT_EQ(h.MessagesOpened(), opened + 1);
}

TEST_P(MatrixEffects, AutoIsDisabledUntilItsAcknowledgement) {
  h.model.State().Input(3).signalType = 2;
  ConnectAndShow(GetParam());
  ASSERT_TRUE(Column(3).autoButton.enabled);
  const size_t mark = Mark();
  Page().OnAutoButton(3);
  EXPECT_FALSE(Column(3).autoButton.enabled);
  EXPECT_EQ(Page().PageBusy(), 1);
  h.loop.Advance(50);
  EXPECT_EQ(SentSince(mark), std::vector<std::string>{MatrixWire(0x0A, 0x0E, 0, 0, 3)});
  EXPECT_TRUE(Column(3).autoButton.enabled);
  EXPECT_EQ(Page().PageBusy(), 0);
  EXPECT_EQ(h.model.State().Input(3).autoAdjustments, 1);
}

TEST_P(MatrixEffects, ARefusedAutoOrScalerSaysSetFailedAndChangesNothing) {
  h.model.State().Input(3).signalType = 2;
  ConnectAndShow(GetParam());
  h.model.Faults().status = 1;
  const bool scaler = h.model.State().Input(2).scaler;
  for (auto press : {&CMatrixPage::OnAutoButton, &CMatrixPage::OnScalerButton}) {
    const int opened = h.MessagesOpened();
    (Page().*press)(press == &CMatrixPage::OnAutoButton ? 3 : 2);
    h.loop.Advance(50);
    EXPECT_EQ(h.MessagesOpened(), opened + 1);
    EXPECT_EQ(h.shared.Message.DisplayedText(), "Set failed!");
    EXPECT_EQ(Page().PageBusy(), 0);
    h.loop.Advance(3000);
  }
  EXPECT_TRUE(Column(3).autoButton.enabled);
  EXPECT_TRUE(Column(2).scaler.enabled);
  EXPECT_EQ(h.model.State().Input(3).autoAdjustments, 0);
  EXPECT_EQ(h.model.State().Input(2).scaler, scaler);
}

INSTANTIATE_TEST_SUITE_P(BothLinks, MatrixEffects, ::testing::Values(Link::kSerial, Link::kTcp), LinkName);

class MatrixEffectsSerial : public MatrixPageTest {};

TEST_F(MatrixEffectsSerial, AnUnansweredModeIsSentOnceMoreThenTimesOutWithTheListBack) {
  ConnectAndShow(Link::kSerial);
  h.model.Faults().dropNext = 2;
  const int opened = h.MessagesOpened();
  const size_t mark = Mark();
  Page().OnSwitchModeSelChange(1, 4);
  h.loop.Advance(3000);
  EXPECT_TRUE(h.shared.Busy.IsOpen());
  h.loop.Advance(4990);
  EXPECT_EQ(SentSince(mark), (std::vector<std::string>(2, MatrixWire(0x0B, 0x01, 5, 0, 1))));
  EXPECT_EQ(h.MessagesOpened(), opened);
  h.loop.Advance(10);
  EXPECT_EQ(h.MessagesOpened(), opened + 1);
  EXPECT_EQ(h.shared.Message.DisplayedText(), "Time out!");
  EXPECT_EQ(Column(1).mode.selection, 0);
  EXPECT_EQ(Page().PendingMode(1), 0);
  EXPECT_EQ(Page().PageBusy(), 0);
  EXPECT_FALSE(h.shared.Busy.IsOpen());
}

TEST_F(MatrixEffectsSerial, AModeChosenBeforeThePollHasAnsweredLeavesTheListWithoutSelection) {
  Connect(Link::kSerial);
  h.model.Faults().dropNext = 1;
  h.ChoosePage(kPageMatrix, 160);
  const size_t mark = Mark();
  Page().OnSwitchModeSelChange(1, 3);
  h.loop.Advance(20);
  EXPECT_EQ(Column(1).mode.selection, -1);
  EXPECT_EQ(Page().PendingMode(1), -1);
  EXPECT_TRUE(SentSince(mark).empty());
}

TEST_F(MatrixEffectsSerial, ATypeAcknowledgementAnswersItsInputsOldestRequestAndARefusalDropsIt) {
  ConnectAndShow(Link::kSerial);
  h.model.Faults().dropNext = 4;
  Page().OnTypeButton(2, 2);
  Page().OnTypeButton(2, 3);
  h.loop.Advance(50);
  EXPECT_TRUE(Column(2).types[0].checked);
  Inject(Frame({0x0A, 0x01, 0x01, 0x00, 0x02}));  // refuses VGA
  EXPECT_TRUE(Column(2).types[0].checked);
  EXPECT_EQ(Page().ConfirmedType(2), 1);
  Inject(Frame({0x0A, 0x01, 0x00, 0x00, 0x02}));  // confirms AV
  EXPECT_TRUE(Column(2).types[2].checked);
  EXPECT_EQ(Page().ConfirmedType(2), 3);
  // Two requests, then the first one's acknowledgement: the first request's type is shown.
  Page().OnTypeButton(2, 2);
  Page().OnTypeButton(2, 1);
  h.loop.Advance(50);
  Inject(Frame({0x0A, 0x01, 0x00, 0x00, 0x02}));
  EXPECT_TRUE(Column(2).types[1].checked);
  EXPECT_EQ(Page().ConfirmedType(2), 2);
  EXPECT_EQ(Page().PendingType(2), 1);
  Inject(Frame({0x0A, 0x01, 0x01, 0x00, 0x02}));  // refuses HDMI
  Inject(Frame({0x0A, 0x01, 0x00, 0x00, 0x02}));  // answers nothing outstanding
  EXPECT_EQ(Page().ConfirmedType(2), 2);
  EXPECT_EQ(Page().PendingType(2), 0);
}

TEST_F(MatrixEffectsSerial, AnUnansweredTypeSaysTimeOutOnceAfterFiveSecondsAndARefusedOneSaysSetFailed) {
  ConnectAndShow(Link::kSerial);
  h.model.Faults().dropNext = 2;
  const int opened = h.MessagesOpened();
  Page().OnTypeButton(2, 2);
  h.loop.Advance(3000);
  Page().OnTypeButton(3, 3);  // both lost: a message for each, when its reply time is over
  h.loop.Advance(1990);
  EXPECT_EQ(h.MessagesOpened(), opened);
  h.loop.Advance(20);
  EXPECT_EQ(h.MessagesOpened(), opened + 1);
  EXPECT_EQ(h.shared.Message.DisplayedText(), "Time out!");
  EXPECT_TRUE(Column(2).types[0].checked);
  EXPECT_EQ(Page().PendingType(2), 0);
  EXPECT_EQ(Page().PendingType(3), 3);
  h.loop.Advance(3000);
  EXPECT_EQ(h.MessagesOpened(), opened + 2);
  EXPECT_EQ(Page().PendingType(3), 0);
  h.loop.Advance(6000);
  EXPECT_EQ(h.MessagesOpened(), opened + 2);  // nothing left to guard
  EXPECT_FALSE(Page().TimerRunning(CMatrixPage::kTimerTypeGuard));

  h.model.Faults().status = 0x01;
  Page().OnTypeButton(2, 3);
  h.loop.Advance(50);
  EXPECT_EQ(h.shared.Message.DisplayedText(), "Set failed!");
  EXPECT_TRUE(Column(2).types[0].checked);
  EXPECT_FALSE(Page().TimerRunning(CMatrixPage::kTimerTypeGuard));
}

TEST_F(MatrixEffectsSerial, AnUnansweredScalerTimesOutAfterFiveSecondsWithoutResendOrBusyDialog) {
  ConnectAndShow(Link::kSerial);
  h.model.Faults().dropNext = 1;
  const int opened = h.MessagesOpened();
  const size_t mark = Mark();
  Page().OnScalerButton(2);
  h.loop.Advance(4999);
  EXPECT_FALSE(Column(2).scaler.enabled);
  EXPECT_FALSE(h.shared.Busy.IsOpen());
  h.loop.Advance(1);
  EXPECT_EQ(h.MessagesOpened(), opened + 1);
  EXPECT_EQ(h.shared.Message.DisplayedText(), "Time out!");
  EXPECT_TRUE(Column(2).scaler.enabled);
  EXPECT_EQ(Page().PageBusy(), 0);
  EXPECT_EQ(SentSince(mark), std::vector<std::string>{MatrixWire(0x0A, 0x0F, 0, 0, 2)});
}

}  // namespace
}  // namespace velantor::testing
