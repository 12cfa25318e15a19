// The General page's device options against the emulator model in virtual time: the read-back
// chain, check boxes changed only by acknowledgements, display modes with their enabling, the
// lists, the link test, and the factory reset with its retries, time-outs and standby.
#include <gtest/gtest.h>

#include <algorithm>

#include "scenario/general_page_fixture.h"

namespace velantor {
namespace {
using testing::Frame;
using testing::HexText;
using testing::Wire;

class GeneralOptions : public testing::GeneralPageTest {
 protected:
  // The test answers for the switcher (serial link).
  void Reply(std::initializer_list<int> body) {
    for (uint8_t b : Frame(body)) page->OnPortRxChar(b, 1);
  }
  const GeneralOptionsViewState& V() const { return page->OptionsView(); }
};

TEST_F(GeneralOptions, BeforeAnyReplyEveryModeSettingIsDisabled) {
  EXPECT_EQ(V().beep.caption, "Enable Beep ");
  EXPECT_EQ(V().ir.caption, "Enable IR Control");
  for (const CheckViewState& m : V().modes) EXPECT_FALSE(m.checked);
  EXPECT_FALSE(V().layout.enabled);
  EXPECT_FALSE(V().wallX.enabled);
  EXPECT_FALSE(V().border.enabled);
  EXPECT_EQ(V().wallY.items.size(), 32u);
  EXPECT_EQ(V().main.items, (std::vector<std::string>{"1", "2", "3", "4"}));
}

TEST_F(GeneralOptions, TheReadBackChainInMultiViewerModeReadsLayoutMainAudioAndBorder) {
  auto& o = model.State().options;
  o.ir = false;
  o.displayMode = 2;
  o.layout = 3;
  o.mainSource[2] = 2;
  o.inputChannel = 4;
  o.border = false;
  ConnectSerial();
  const auto sent = Sent();
  ASSERT_GE(sent.size(), 8u);
  EXPECT_EQ(std::vector<std::string>(sent.begin(), sent.begin() + 8),
            (std::vector<std::string>{Wire(0x01, 0x0A), Wire(0x01, 0x0B), Wire(0x13, 0x02), Wire(0x14, 0x02),
                                      Wire(0x14, 0x04, 0, 0, 3), Wire(0x16, 0x02), Wire(0x0C, 0x03),
                                      Wire(0x01, 0x01)}));
  EXPECT_FALSE(V().ir.checked);
  EXPECT_TRUE(V().beep.checked);
  EXPECT_FALSE(V().modes[0].checked);
  EXPECT_TRUE(V().modes[1].checked);
  EXPECT_FALSE(V().modes[2].checked);
  EXPECT_EQ(V().layout.selection, 2);
  EXPECT_EQ(V().main.selection, 1);
  EXPECT_EQ(V().audio.selection, 3);
  EXPECT_FALSE(V().border.checked);
  EXPECT_TRUE(V().layout.enabled && V().audio.enabled && V().main.enabled && V().border.enabled);
  EXPECT_TRUE(V().borderGroupEnabled);
  EXPECT_FALSE(V().wallX.enabled || V().wallY.enabled || V().inputs[0].enabled);
}

TEST_F(GeneralOptions, TheReadBackChainInVideoWallModeOverTcpReadsTheWallAndTheInputChannel) {
  auto& o = model.State().options;
  o.displayMode = 3;
  o.wallColumns = 5;
  o.wallRows = 7;
  o.inputChannel = 2;
  ConnectTcp();
  const auto sent = Sent();
  EXPECT_EQ(sent[3], Wire(0x15, 0x03));
  EXPECT_EQ(sent[4], Wire(0x16, 0x02));
  EXPECT_EQ(sent[5], Wire(0x01, 0x01));
  EXPECT_TRUE(V().modes[2].checked);
  EXPECT_EQ(V().wallX.selection, 4);
  EXPECT_EQ(V().wallY.selection, 6);
  EXPECT_TRUE(V().inputs[1].checked);
  EXPECT_FALSE(V().inputs[0].checked || V().inputs[2].checked || V().inputs[3].checked);
  EXPECT_TRUE(V().wallX.enabled && V().inputs[3].enabled);
  EXPECT_FALSE(V().layout.enabled || V().border.enabled || V().borderGroupEnabled);
}

TEST_F(GeneralOptions, TheBeepBoxChangesOnlyWithTheAcknowledgement) {
  model.State().options.beep = false;
  ConnectSerial();
  ASSERT_FALSE(V().beep.checked);
  size_t mark = Sent().size();
  page->OnBeepCheck();
  loop.Advance(kWireMs);
  EXPECT_EQ(SentSince(mark), std::vector<std::string>{"A5 5B 06 01 0F 00 00 00 00 00 00 00 EA"});
  EXPECT_FALSE(V().beep.checked);
  loop.Advance(10);
  EXPECT_TRUE(V().beep.checked);
  EXPECT_TRUE(model.State().options.beep);
  mark = Sent().size();
  page->OnBeepCheck();
  loop.Advance(kWireMs);
  EXPECT_EQ(SentSince(mark), std::vector<std::string>{Wire(0x06, 0x01, 0xF0)});
  EXPECT_TRUE(V().beep.checked);
  loop.Advance(10);
  EXPECT_FALSE(V().beep.checked);
}

// An option command is guarded like every other: one lost acknowledgement is made good by the
// resend; a switcher that never answers ends in "Time out!"; a refusal says so. After either the
// options are read back, so the box shows what the switcher has.
TEST_F(GeneralOptions, AMissingAcknowledgementIsResentOnceThenTimesOutAndTheOptionsAreReadBack) {
  ConnectSerial();
  const bool ir = V().ir.checked;
  model.Faults().dropNext = 1;
  page->OnIrCheck();
  EXPECT_TRUE(page->PageBusy());
  loop.Advance(4990);
  EXPECT_EQ(V().ir.checked, ir);
  loop.Advance(100);  // the resend at 5000 ms is answered
  EXPECT_EQ(V().ir.checked, !ir);
  EXPECT_FALSE(page->PageBusy());

  model.Faults().dropNext = 2;
  const int opened = shared.Message.OpenCount();
  page->OnIrCheck();
  loop.Advance(10000);
  EXPECT_EQ(shared.Message.OpenCount(), opened + 1);
  EXPECT_EQ(shared.Message.DisplayedText(), "Time out!");
  EXPECT_FALSE(page->PageBusy());
  const size_t mark = Sent().size();
  loop.Advance(100);
  EXPECT_EQ(V().ir.checked, model.State().options.ir);  // read back from the switcher
  ASSERT_GE(Sent().size(), mark);
  EXPECT_FALSE(page->TimerRunning(CGeneralPage::kTimerOptionRetry) ||
               page->TimerRunning(CGeneralPage::kTimerOptionTimeout));
  EXPECT_TRUE(V().current);

  // The read-back after the time-out is lost too: the switcher may have taken the change, so the
  // boxes no longer claim its state.
  model.Faults().dropNext = 3;
  page->OnIrCheck();
  loop.Advance(10100);
  EXPECT_EQ(shared.Message.DisplayedText(), "Time out!");
  EXPECT_FALSE(V().current);
}

// The read-back has no timers: an answer lost or damaged on the way stops the walk, and the
// boxes would go on showing what they held before as if the switcher had it.
TEST_F(GeneralOptions, AWalkStoppedByADamagedAnswerLeavesTheBoxesGreyAndIsMadeAgainAfterTheDeviceInformation) {
  auto& o = model.State().options;
  o.ir = false;
  o.beep = false;
  model.Faults().corruptNext = 1;  // the IR state's answer fails its checksum
  ConnectSerial();
  EXPECT_FALSE(V().current);
  EXPECT_EQ(h.shared.Message.DisplayedText(), "");
  loop.Advance(3000);
  EXPECT_TRUE(V().current);
  EXPECT_FALSE(V().ir.checked);
  EXPECT_FALSE(V().beep.checked);
  EXPECT_TRUE(V().modes[0].checked);
  const auto sent = Sent();
  EXPECT_EQ(std::count(sent.begin(), sent.end(), Wire(0x01, 0x0A)), 2);  // the walk, once more
  EXPECT_TRUE(page->StatusView().deviceCurrent);
}

TEST_F(GeneralOptions, BoxesNotReadInEitherWalkStayGreyAndAClosedLinkGreysThemAgain) {
  model.Faults().dropNext = 1;
  ConnectSerial();
  // The walk is made again right after the last port answer: lose its first answer too.
  for (int t = 0; t < 5000 && !page->StatusView().outputs[3].current; ++t) loop.Advance(1);
  ASSERT_TRUE(page->StatusView().outputs[3].current);
  model.Faults().dropNext = 1;
  loop.Advance(5000);
  EXPECT_FALSE(V().current);
  EXPECT_FALSE(page->PageBusy());
  EXPECT_TRUE(h.main->HeadersEnabled());
  // A status request reads the ports only; a new link walks the options again.
  page->OnComConnect();
  ConnectSerial();
  EXPECT_TRUE(V().current);
  page->OnComConnect();
  EXPECT_FALSE(V().current);
}

// The read-back's IR answer, asked before the click, comes while the change is on its way.
TEST_F(GeneralOptions, AChangeClickedDuringTheReadBackShowsWhatTheSwitcherTookWhenAcknowledged) {
  model.State().options.ir = false;
  page->OnComConnect();
  ASSERT_EQ(shared.ComLinkOpen, 1);
  ASSERT_FALSE(V().ir.checked);
  page->OnIrCheck();  // asks for IR on
  loop.Advance(3000);
  EXPECT_TRUE(model.State().options.ir);
  EXPECT_TRUE(V().ir.checked);
}

// A new display mode's settings are read after its acknowledgement by queries without timers:
// one lost answer leaves settings never read, which must not look read.
TEST_F(GeneralOptions, ANewDisplayModesSettingsAreGreyUntilTheWalkAfterItReadsThemAll) {
  ConnectSerial();
  loop.Advance(3000);
  ASSERT_TRUE(V().current);
  page->OnModeCheck(2);
  for (int t = 0; t < 1000 && !V().modes[1].checked; ++t) loop.Advance(1);
  ASSERT_TRUE(V().modes[1].checked);
  EXPECT_FALSE(V().current);
  model.Faults().dropNext = 1;  // the layout's answer
  loop.Advance(3000);
  EXPECT_FALSE(V().current);
  page->OnModeCheck(2);  // asked again, all answered
  loop.Advance(3000);
  EXPECT_TRUE(V().current);
}

TEST_F(GeneralOptions, AChangeCutShortByLeavingThePageIsReadBackOnReturn) {
  ConnectSerial();
  const bool ir = V().ir.checked;
  model.Faults().dropNext = 1;  // the switcher takes the change; its acknowledgement is lost
  page->OnIrCheck();
  loop.Advance(100);
  ASSERT_EQ(model.State().options.ir, !ir);
  h.ChoosePage(kPageMatrix, 500);
  EXPECT_FALSE(page->PageBusy());
  EXPECT_EQ(V().ir.checked, ir);
  h.ChoosePage(kPageGeneral, 1000);
  EXPECT_EQ(V().ir.checked, !ir);  // read back from the switcher
  // Only once: a later return asks nothing.
  h.ChoosePage(kPageMatrix, 3000);
  const size_t mark = Sent().size();
  h.ChoosePage(kPageGeneral, 1000);
  EXPECT_EQ(SentSince(mark), std::vector<std::string>{});
}

TEST_F(GeneralOptions, ARefusedChangeSaysSoAndLeavesTheBoxAsTheSwitcherHasIt) {
  ConnectSerial();
  const bool ir = V().ir.checked;
  model.Faults().status = 1;
  page->OnIrCheck();
  loop.Advance(10);
  EXPECT_EQ(shared.Message.DisplayedText(), "Set failed!");
  model.Faults().status = 0;
  loop.Advance(200);
  EXPECT_EQ(V().ir.checked, ir);
  EXPECT_FALSE(page->PageBusy());
}

TEST_F(GeneralOptions, TwoQuickClicksAskingTheSameChangeEndWithThatChange) {
  model.State().options.beep = false;
  ConnectSerial();
  page->OnBeepCheck();
  page->OnBeepCheck();
  loop.Advance(10);
  EXPECT_TRUE(V().beep.checked);
  EXPECT_TRUE(model.State().options.beep);
}

TEST_F(GeneralOptions, WithoutALinkNothingIsSentAndTheLinkFailureIsShown) {
  page->OnBeepCheck();
  EXPECT_EQ(shared.Message.DisplayedText(), "Open COM failed!");
  loop.Advance(1500);
  EXPECT_FALSE(shared.Message.IsOpen());
  page->OnTcpMode();
  page->OnFactoryReset();
  EXPECT_EQ(shared.Message.DisplayedText(), "Connect to Matrix failed!");
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(Writes(), 0);
  EXPECT_TRUE(page->SentLog()->Text().empty());
  EXPECT_FALSE(shared.Busy.IsOpen());
  EXPECT_EQ(page->RestoreFlag(), 0);
}

TEST_F(GeneralOptions, AModeIsCheckedOnlyByTheSwitchersReplyAndMatrixModeDisablesItsSettings) {
  ConnectSerial();
  ASSERT_TRUE(V().modes[0].checked);
  size_t mark = Sent().size();
  page->OnModeCheck(3);
  loop.Advance(kWireMs);
  EXPECT_EQ(SentSince(mark), std::vector<std::string>{Wire(0x13, 0x01, 3, 0, 3)});
  EXPECT_TRUE(V().modes[0].checked);
  EXPECT_FALSE(V().modes[2].checked);
  loop.Advance(10);
  EXPECT_TRUE(V().modes[2].checked);
  EXPECT_FALSE(V().modes[0].checked || V().modes[1].checked);
  EXPECT_EQ(SentSince(mark)[1], Wire(0x15, 0x03));
  page->OnModeCheck(1);
  loop.Advance(10);
  EXPECT_TRUE(V().modes[0].checked);
  EXPECT_FALSE(V().layout.enabled || V().audio.enabled || V().main.enabled || V().border.enabled ||
               V().borderGroupEnabled || V().wallX.enabled || V().wallY.enabled);
  for (const CheckViewState& box : V().inputs) EXPECT_FALSE(box.enabled);
}

TEST_F(GeneralOptions, ListsSendTheChosenValueAndFollowTheAcknowledgement) {
  model.State().options.displayMode = 2;
  ConnectSerial();
  ASSERT_EQ(V().layout.selection, 0);
  size_t mark = Sent().size();
  page->OnLayoutSelChange(2);
  loop.Advance(kWireMs);
  EXPECT_EQ(SentSince(mark), std::vector<std::string>{Wire(0x14, 0x01, 3, 0, 3)});
  EXPECT_EQ(V().layout.selection, 0);
  loop.Advance(10);
  EXPECT_EQ(V().layout.selection, 2);
  EXPECT_EQ(SentSince(mark)[1], Wire(0x14, 0x04, 0, 0, 3));
  mark = Sent().size();
  const int mainBefore = V().main.selection;
  page->OnMainSelChange(3);
  loop.Advance(kWireMs);
  EXPECT_EQ(SentSince(mark), std::vector<std::string>{Wire(0x14, 0x03, 4, 0, 3)});
  EXPECT_EQ(V().main.selection, mainBefore);
  loop.Advance(10);
  EXPECT_EQ(V().main.selection, 3);
  EXPECT_EQ(model.State().options.mainSource[2], 4);
  page->OnAudioSelChange(1);
  loop.Advance(10);
  EXPECT_EQ(V().audio.selection, 1);

  page->OnModeCheck(3);
  loop.Advance(10);
  page->OnWallXSelChange(31);
  page->OnWallYSelChange(0);
  loop.Advance(10);
  model.Faults().status = 1;
  page->OnWallYSelChange(9);
  loop.Advance(10);
  EXPECT_EQ(V().wallX.selection, 31);
  EXPECT_EQ(V().wallY.selection, 0);  // the refused change left it
  model.Faults().status = 0;
  page->OnInputCheck(3);
  EXPECT_FALSE(V().inputs[2].checked);
  loop.Advance(10);
  EXPECT_TRUE(V().inputs[2].checked);
}

class GeneralFactoryReset : public GeneralOptions {
 protected:
  void SetUp() override {
    ConnectSerial();
    model.Faults().dropEvery = 1;  // the test answers for the switcher
    mark = Sent().size();
  }
  // Starts the reset and lets its first step reach the switcher.
  void StartReset() {
    page->OnFactoryReset();
    loop.Advance(kWireMs);
  }
  // Answers the running step by its acknowledgement and returns what the page sent next, once
  // it has reached the switcher.
  std::string AckAndNext(std::initializer_list<int> ack) {
    const size_t before = Sent().size();
    Reply(ack);
    loop.Advance(kWireMs);
    const auto sent = SentSince(before);
    return sent.empty() ? "" : sent.back();
  }
  size_t mark = 0;
};

TEST_F(GeneralFactoryReset, NineteenAcknowledgedStepsEndWithSetSuccessfully) {
  model.Faults().dropEvery = 0;
  model.State().options.beep = false;
  model.State().outputs[1].route = 3;
  page->OnFactoryReset();
  EXPECT_EQ(shared.Busy.DisplayedText(), "Setting . . .");
  loop.Advance(200);
  const auto sent = SentSince(mark);
  ASSERT_EQ(sent.size(), 20u);
  EXPECT_EQ(sent[0], "A5 5B 13 01 01 00 01 00 00 00 00 00 EA");
  EXPECT_EQ(sent[1], "A5 5B 02 03 01 00 01 00 00 00 00 00 F9");
  EXPECT_EQ(sent[4], Wire(0x02, 0x03, 4, 0, 4));
  EXPECT_EQ(sent[5], Wire(0x03, 0x08, 0xF0));
  EXPECT_EQ(sent[6], Wire(0x03, 0x01, 2, 0xF0));
  EXPECT_EQ(sent[7], Wire(0x06, 0x01, 0x0F));
  EXPECT_EQ(sent[8], Wire(0x0A, 0x01, 1, 0, 1));
  EXPECT_EQ(sent[12], Wire(0x0B, 0x01, 1, 0, 1));
  EXPECT_EQ(sent[19], Wire(0x0B, 0x02, 4, 0, 4));
  EXPECT_EQ(shared.Message.DisplayedText(), "Set successfully!");
  EXPECT_FALSE(shared.Busy.IsOpen());
  EXPECT_TRUE(V().beep.checked);
  EXPECT_EQ(model.State().outputs[1].route, 2);
  EXPECT_EQ(model.State().outputs[3].time, 4);
  EXPECT_EQ(page->RestoreFlag(), 0);
  EXPECT_FALSE(page->TimerRunning(CGeneralPage::kTimerResetAnimation));
  loop.Advance(1500);
  EXPECT_FALSE(shared.Message.IsOpen());
}

TEST_F(GeneralFactoryReset, OverTcpTheEdidStepSendsModeFour) {
  page->OnComConnect();
  model.Faults().dropEvery = 0;
  ConnectTcp();
  const size_t start = Sent().size();
  page->OnFactoryReset();
  loop.Advance(50);
  const auto sent = SentSince(start);
  ASSERT_EQ(sent.size(), 20u);
  EXPECT_EQ(sent[6], Wire(0x03, 0x01, 4, 0xF0));
  EXPECT_EQ(shared.Message.DisplayedText(), "Set successfully!");
}

TEST_F(GeneralFactoryReset, TheFirstStepWaitsTenSecondsBeforeItsRetryAndLaterStepsFive) {
  StartReset();
  EXPECT_EQ(AckAndNext({0x13, 0x01, 0x00, 0x00, 0x01}), Wire(0x02, 0x03, 1, 0, 1));
  size_t before = Sent().size();
  const int writes = Writes();
  loop.Advance(9999 - kWireMs);
  EXPECT_EQ(Writes(), writes);
  loop.Advance(1);
  EXPECT_EQ(Writes(), writes + 1);
  loop.Advance(kWireMs);
  EXPECT_EQ(SentSince(before), std::vector<std::string>{Wire(0x02, 0x03, 1, 0, 1)});
  for (int n = 1; n <= 4; ++n) AckAndNext({0x02, 0x03, 0x00, 0x00, n});
  EXPECT_EQ(AckAndNext({0x03, 0x08}), Wire(0x03, 0x01, 2, 0xF0));
  before = Sent().size();
  loop.Advance(5000);
  // The EDID step's retry asks for mode 3.
  EXPECT_EQ(SentSince(before), std::vector<std::string>{Wire(0x03, 0x01, 3)});
  EXPECT_EQ(page->RestoreStep(), 6);
  loop.Advance(4999 - kWireMs);
  EXPECT_FALSE(shared.Message.IsOpen());
  loop.Advance(1);
  EXPECT_EQ(shared.Message.DisplayedText(), "Time out!");
  EXPECT_FALSE(shared.Busy.IsOpen());
  EXPECT_EQ(page->RestoreFlag(), 0);
  loop.Advance(1000);
  EXPECT_FALSE(shared.Message.IsOpen());
}

TEST_F(GeneralFactoryReset, OnlyTheRunningStepsAcknowledgementMovesTheSequenceOn) {
  StartReset();
  AckAndNext({0x13, 0x01, 0x00, 0x00, 0x01});
  AckAndNext({0x02, 0x03, 0x00, 0x00, 0x01});
  EXPECT_EQ(AckAndNext({0x02, 0x03, 0x00, 0x00, 0x01}), "");  // a repeated one
  EXPECT_EQ(AckAndNext({0x02, 0x03, 0x00, 0x00, 0x03}), "");  // another output's
  EXPECT_EQ(page->RestoreStep(), 2);
}

TEST_F(GeneralFactoryReset, AStepTheSwitcherRefusesEndsTheResetAtOnceWithSetFailed) {
  StartReset();
  AckAndNext({0x13, 0x01, 0x00, 0x00, 0x01});
  AckAndNext({0x02, 0x03, 0x00, 0x00, 0x01});
  const int writes = Writes();
  Reply({0x02, 0x03, 0x01, 0x00, 0x02});  // output 2's step refused
  EXPECT_EQ(shared.Message.DisplayedText(), "Set failed!");
  EXPECT_FALSE(shared.Busy.IsOpen());
  EXPECT_EQ(page->RestoreStep(), -1);
  EXPECT_EQ(page->RestoreFlag(), 0);
  EXPECT_FALSE(page->PageBusy());
  const int opened = shared.Message.OpenCount();
  loop.Advance(20000);
  EXPECT_EQ(Writes(), writes);  // no resend of the refused step, no next step
  EXPECT_EQ(shared.Message.OpenCount(), opened);  // and no "Time out!" later
}

// Refusing the display-mode command that opens the reset, the switcher names the mode it stays
// in: that is a refusal of the reset too, not an answer to wait past.
TEST_F(GeneralFactoryReset, AModeCommandRefusedInAnotherModeEndsWithSetFailedAtOnce) {
  for (int mode : {2, 3}) {
    SCOPED_TRACE(mode);
    StartReset();
    const int writes = Writes();
    EXPECT_EQ(AckAndNext({0x13, 0x01, 0x00, 0x00, mode}), "");  // another mode taken: not ours
    EXPECT_EQ(page->RestoreStep(), 0);
    Reply({0x13, 0x01, 0x01, 0x00, mode});
    EXPECT_EQ(shared.Message.DisplayedText(), "Set failed!");
    EXPECT_FALSE(shared.Busy.IsOpen());
    EXPECT_EQ(page->RestoreFlag(), 0);
    EXPECT_FALSE(page->PageBusy());
    loop.Advance(20000);
    EXPECT_EQ(Writes(), writes);
  }
}

TEST_F(GeneralFactoryReset, AnUnansweredModeCommandIsRetriedAndThenReportedAsTimeOut) {
  ASSERT_TRUE(page->OptionsView().current);
  StartReset();
  const size_t before = Sent().size();
  loop.Advance(5000);
  EXPECT_EQ(SentSince(before), std::vector<std::string>{Wire(0x13, 0x01, 1, 0, 1)});
  loop.Advance(5000);
  EXPECT_EQ(shared.Message.DisplayedText(), "Time out!");
  EXPECT_FALSE(shared.Busy.IsOpen());
  EXPECT_FALSE(page->PageBusy());
  EXPECT_FALSE(page->OptionsView().current);  // the switcher may have taken the mode
}

TEST_F(GeneralFactoryReset, AMatrixModeAcknowledgementWithoutTheResetOnlyUpdatesTheControls) {
  page->OnModeCheck(1);
  loop.Advance(kWireMs);
  EXPECT_EQ(SentSince(mark), std::vector<std::string>{Wire(0x13, 0x01, 1, 0, 1)});
  EXPECT_EQ(AckAndNext({0x13, 0x01, 0x00, 0x00, 0x01}), "");
  EXPECT_TRUE(V().modes[0].checked);
  EXPECT_EQ(page->RestoreStep(), -1);
}

TEST_F(GeneralFactoryReset, ClicksDuringTheResetSendNothing) {
  StartReset();
  const size_t before = Sent().size();
  const int writes = Writes();
  page->OnBeepCheck();
  page->RequestStatus();
  EXPECT_EQ(shared.Message.DisplayedText(), "Please wait...");
  EXPECT_EQ(Writes(), writes);
  loop.Advance(kWireMs);
  EXPECT_TRUE(SentSince(before).empty());
}

TEST_F(GeneralFactoryReset, StandbyEndsTheResetWithoutALaterTimeOut) {
  StartReset();
  AckAndNext({0x13, 0x01, 0x00, 0x00, 0x01});
  Reply({0x88, 0x88});
  EXPECT_EQ(shared.Message.DisplayedText(), "Matrix is in standby mode!");
  EXPECT_FALSE(shared.Busy.IsOpen());
  EXPECT_EQ(page->RestoreFlag(), 0);
  const int opened = shared.Message.OpenCount();
  loop.Advance(2500);
  loop.Advance(20000);
  EXPECT_FALSE(shared.Message.IsOpen());
  EXPECT_EQ(shared.Message.OpenCount(), opened);  // no "Time out!" came and closed meanwhile
}

}  // namespace
}  // namespace velantor
