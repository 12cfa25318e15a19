// The EDID page's built-in modes and copies against the emulator over both links: the
// handshake before each step, resends and time-outs, refusals, "Please wait...", standby and the
// refresh of the inputs that changed.
#include <gtest/gtest.h>

#include "scenario/edid_page_fixture.h"

namespace velantor::testing {
namespace {

class EdidModesOnBothLinks : public EdidOnBothLinks {};
INSTANTIATE_TEST_SUITE_P(Links, EdidModesOnBothLinks, ::testing::Bool(), LinkName);

constexpr const char* kHandshake = "A5 5B 03 08 F0 00 00 00 00 00 00 00 05";

TEST_P(EdidModesOnBothLinks, SettingAModeOnOneInputHandshakesSetsAndRefreshesThatInputOnly) {
  CEdidPage& edid = Enter(GetParam());
  const size_t mark = Mark();
  edid.OnModeSelChange(1);  // "1080p,Stereo Audio 2.0"
  edid.OnSetTargetSelChange(2);  // "IN3"
  edid.OnSetMode();
  EXPECT_TRUE(h.shared.Busy.IsOpen());
  EXPECT_EQ(h.shared.Busy.DisplayedText(), "Setting . . .");
  h.loop.Advance(300);
  const std::vector<std::string> expected = {kHandshake, "A5 5B 03 02 02 F0 03 00 00 00 00 00 06",
                                             EdidWire(0x01, 0x0C, 3)};
  EXPECT_EQ(SentSince(mark), expected);
  EXPECT_EQ(Message(), "Set successfully!");
  EXPECT_FALSE(h.shared.Busy.IsOpen());
  EXPECT_TRUE(h.main->HeadersEnabled());
  EXPECT_EQ(Row(3), "1080p,Stereo Audio 2.0");
  EXPECT_EQ(h.model.State().Input(3).edidCode, 3);
  EXPECT_EQ(edid.Busy(), 0);
  EXPECT_EQ(edid.Operation(), EdidOperation::kSetMode);
}

// A row shows the input's EDID as the switcher reported it: once a set changed it (or may have,
// when its answer never came) the old text is grey until a status answer reads it again.
TEST_P(EdidModesOnBothLinks, ARowTheSetChangedIsGreyUntilTheRefreshReadsIt) {
  CEdidPage& edid = Enter(GetParam());
  const auto current = [&](int n) { return edid.StatusView().rows[static_cast<size_t>(n - 1)].current; };
  ASSERT_TRUE(current(3));
  h.model.Faults().misportNext = 1000;  // the refresh's answers name the neighbouring input
  edid.OnModeSelChange(1);
  edid.OnSetTargetSelChange(2);  // "IN3"
  edid.OnSetMode();
  h.loop.Advance(10000);
  EXPECT_EQ(h.model.State().Input(3).edidCode, 3);
  EXPECT_FALSE(current(3));
  EXPECT_TRUE(current(1));
  h.model.Faults().misportNext = 0;
  h.model.Faults().dropEvery = 1;  // the next set is never answered
  edid.OnSetTargetSelChange(0);  // "IN1"
  edid.OnSetMode();
  h.loop.Advance(10000);
  EXPECT_EQ(Message(), "Time out!");
  EXPECT_FALSE(current(1));
  EXPECT_TRUE(current(2));
}

TEST_P(EdidModesOnBothLinks, SettingAModeOnAllInputsRefreshesEveryInputFromTheFirst) {
  CEdidPage& edid = Enter(GetParam());
  const size_t mark = Mark();
  edid.OnModeSelChange(2);  // "DVI 1920X1080 "
  edid.OnSetTargetSelChange(4);  // "All Inputs"
  edid.OnSetMode();
  h.loop.Advance(300);
  const std::vector<std::string> expected = {kHandshake,
                                             EdidWire(0x03, 0x01, 3, 0xF0),
                                             EdidWire(0x01, 0x0C, 1),
                                             EdidWire(0x01, 0x0C, 2),
                                             EdidWire(0x01, 0x0C, 3),
                                             EdidWire(0x01, 0x0C, 4)};
  EXPECT_EQ(SentSince(mark), expected);
  EXPECT_EQ(Message(), "Set successfully!");
  EXPECT_EQ(edid.Operation(), EdidOperation::kRefresh);
  for (int n = 1; n <= 4; ++n) EXPECT_EQ(Row(n), "DVI 1920X1080") << n;
}

TEST_P(EdidModesOnBothLinks, AnUnansweredHandshakeIsSentOnceMoreThenTimesOutAndTheNextSetWorks) {
  CEdidPage& edid = Enter(GetParam());
  const size_t mark = Mark();
  const int opened = h.MessagesOpened();
  h.model.Faults().dropNext = 2;
  edid.OnSetMode();
  h.loop.Advance(4999);
  EXPECT_EQ(SentSince(mark), std::vector<std::string>{kHandshake});
  h.loop.Advance(5);  // the resend on the wire
  EXPECT_EQ(SentSince(mark), (std::vector<std::string>{kHandshake, kHandshake}));
  EXPECT_EQ(h.MessagesOpened(), opened);
  h.loop.Advance(4996);
  EXPECT_EQ(Message(), "Time out!");
  EXPECT_EQ(h.MessagesOpened(), opened + 1);
  EXPECT_EQ(edid.Busy(), 0);
  EXPECT_FALSE(h.shared.Busy.IsOpen());
  h.loop.Advance(20000);
  EXPECT_EQ(SentSince(mark).size(), 2u);  // nothing more once it ended
  EXPECT_TRUE(h.main->HeadersEnabled());

  edid.OnSetMode();
  h.loop.Advance(300);
  EXPECT_EQ(Message(), "Set successfully!");
}

TEST_P(EdidModesOnBothLinks, ACorruptedAnswerIsDroppedAndTheResentHandshakeCarriesOn) {
  CEdidPage& edid = Enter(GetParam());
  const size_t mark = Mark();
  h.model.Faults().corruptNext = 1;
  edid.OnSetMode();
  h.loop.Advance(300);
  EXPECT_EQ(SentSince(mark), std::vector<std::string>{kHandshake});
  EXPECT_EQ(edid.Runner().DroppedReplies(), 1u);
  h.loop.Advance(5000);
  EXPECT_EQ(Count(SentSince(mark), kHandshake), 2u);
  EXPECT_EQ(Message(), "Set successfully!");
}

TEST_P(EdidModesOnBothLinks, ASecondCommandWhileBusySaysPleaseWaitSendsNothingAndIsClosedAtTheEnd) {
  CEdidPage& edid = Enter(GetParam());
  h.model.Faults().delayMs = 1000;
  const size_t mark = Mark();
  edid.OnSetMode();
  h.loop.Advance(10);
  for (auto command : {&CEdidPage::OnSetMode, &CEdidPage::OnCopy, &CEdidPage::OnStatus, &CEdidPage::OnRead,
                       &CEdidPage::OnDownload}) {
    (edid.*command)();
    EXPECT_EQ(Message(), "Please wait...");
  }
  EXPECT_EQ(SentSince(mark), std::vector<std::string>{kHandshake});
  h.loop.Advance(2100);
  EXPECT_EQ(Message(), "Set successfully!");
}

TEST_P(EdidModesOnBothLinks, ARefusedSetIsReportedAndChangesNoRow) {
  CEdidPage& edid = Enter(GetParam());
  const std::string before = Row(1);
  h.model.Faults().status = 5;
  edid.OnModeSelChange(1);
  edid.OnSetMode();
  h.loop.Advance(300);
  EXPECT_EQ(Message(), "Set failed!");
  EXPECT_EQ(Row(1), before);
  EXPECT_EQ(edid.Busy(), 0);
  EXPECT_TRUE(h.main->HeadersEnabled());
}

TEST_P(EdidModesOnBothLinks, CopyingFromAnOutputWithoutADisplaySaysSoAndSendsNoHandshake) {
  CEdidPage& edid = Enter(GetParam());
  h.model.SetPortConnected(false, 3, false);
  const size_t mark = Mark();
  edid.OnCopySourceSelChange(2);
  edid.OnCopy();
  EXPECT_EQ(h.shared.Busy.DisplayedText(), "Copying . . .");
  h.loop.Advance(300);
  EXPECT_EQ(SentSince(mark), std::vector<std::string>{EdidWire(0x01, 0x05, 3)});
  EXPECT_EQ(Message(), "HDMI OUT C is not connected!");
  EXPECT_FALSE(h.shared.Busy.IsOpen());
  EXPECT_EQ(edid.Busy(), 0);
}

TEST_P(EdidModesOnBothLinks, CopyingToOneInputChecksTheOutputHandshakesCopiesAndRefreshesThatInput) {
  CEdidPage& edid = Enter(GetParam());
  const size_t mark = Mark();
  edid.OnCopySourceSelChange(1);  // HDMI OUT B
  edid.OnCopyTargetSelChange(0);  // IN1
  edid.OnCopy();
  h.loop.Advance(300);
  const std::vector<std::string> expected = {EdidWire(0x01, 0x05, 2), kHandshake, EdidWire(0x03, 0x04, 2, 0, 1),
                                             EdidWire(0x01, 0x0C, 1)};
  EXPECT_EQ(SentSince(mark), expected);
  EXPECT_EQ(Message(), "Copy successfully!");
  EXPECT_EQ(Row(1), "Copy HDMI OUT B");
}

TEST_P(EdidModesOnBothLinks, CopyingToAllInputsRefreshesEveryInputAndARefusalSaysCopyFailed) {
  CEdidPage& edid = Enter(GetParam());
  edid.OnCopySourceSelChange(3);
  edid.OnCopyTargetSelChange(4);  // "All Inputs"
  size_t mark = Mark();
  edid.OnCopy();
  h.loop.Advance(300);
  auto sent = SentSince(mark);
  ASSERT_EQ(sent.size(), 7u);
  EXPECT_EQ(sent[2], EdidWire(0x03, 0x03, 4));
  EXPECT_EQ(sent[6], EdidWire(0x01, 0x0C, 4));
  EXPECT_EQ(Message(), "Copy successfully!");
  for (int n = 1; n <= 4; ++n) EXPECT_EQ(Row(n), "Copy HDMI OUT D") << n;

  h.loop.Advance(2000);
  h.model.Faults().status = 7;
  mark = Mark();
  edid.OnCopy();
  h.loop.Advance(300);
  EXPECT_EQ(Message(), "Copy failed!");
  EXPECT_EQ(SentSince(mark).size(), 3u);  // no refresh after a refusal
}

TEST_P(EdidModesOnBothLinks, AnUnansweredOutputCheckIsNotResentAndTimesOut) {
  CEdidPage& edid = Enter(GetParam());
  const int opened = h.MessagesOpened();
  const size_t mark = Mark();
  h.model.Faults().dropNext = 1;
  edid.OnCopy();
  h.loop.Advance(5000);
  EXPECT_EQ(SentSince(mark), std::vector<std::string>{EdidWire(0x01, 0x05, 1)});
  EXPECT_EQ(Message(), "Time out!");
  EXPECT_EQ(h.MessagesOpened(), opened + 1);
  EXPECT_FALSE(h.shared.Busy.IsOpen());
  EXPECT_TRUE(h.main->HeadersEnabled());
}

TEST_P(EdidModesOnBothLinks, StandbyDuringAnOperationStopsItsTimersAndSaysSo) {
  CEdidPage& edid = Enter(GetParam());
  h.model.Faults().dropNext = 1;  // the handshake's answer is lost; standby comes instead
  edid.OnSetMode();
  h.loop.Advance(100);
  const size_t mark = Mark();
  h.model.SetStandby(true);
  h.loop.Advance(100);
  EXPECT_EQ(Message(), "Matrix is in standby mode!");
  EXPECT_FALSE(h.shared.Busy.IsOpen());
  EXPECT_EQ(edid.Busy(), 0);
  const int opened = h.MessagesOpened();
  h.loop.Advance(20000);
  EXPECT_EQ(SentSince(mark).size(), 0u);  // no resend, no time-out
  EXPECT_EQ(h.MessagesOpened(), opened);
  EXPECT_TRUE(h.main->HeadersEnabled());
}

class EdidModes : public EdidPageTest {};

TEST_F(EdidModes, AReplyForAnotherInputOrALateHandshakeNeverMovesTheOperation) {
  CEdidPage& edid = Enter(false);
  h.model.Faults().delayMs = 1000;
  edid.OnSetTargetSelChange(2);
  edid.OnSetMode();
  h.loop.Advance(1100);  // the handshake answered; the step waits for input 3
  auto inject = [&](const std::vector<uint8_t>& bytes) {
    for (uint8_t b : bytes) edid.OnPortRxChar(b, 1);
  };
  inject(Frame({0x03, 0x02, 0, 0, 1}));
  inject(Frame({0x03, 0x08}));
  EXPECT_EQ(edid.Busy(), 1);
  EXPECT_TRUE(h.shared.Busy.IsOpen());
  h.loop.Advance(1000);
  EXPECT_EQ(Message(), "Set successfully!");
  const size_t mark = Mark();
  h.loop.Advance(2000);
  inject(Frame({0x03, 0x08}));  // a stray handshake answer after the end starts nothing
  h.loop.Advance(1000);
  EXPECT_EQ(SentSince(mark).size(), 0u);
}

TEST_F(EdidModes, TheHeadersStayLockedWhileAnOperationRunsAndASerialFailureEndsIt) {
  CEdidPage& edid = Enter(false);
  h.model.Faults().delayMs = 1000;
  edid.OnSetMode();
  h.loop.Advance(10);
  h.main->OnHeaderClick(kPageGeneral);
  EXPECT_EQ(h.shared.CurrentPage, kPageEdid);
  h.main->HandleMessage(kMsgLinkNotice, kLinkNoticeSerialFailure);
  EXPECT_EQ(Message(), "Open COM failed!");
  EXPECT_FALSE(h.shared.Busy.IsOpen());
  EXPECT_EQ(edid.Busy(), 0);
  h.loop.Advance(1);
  EXPECT_TRUE(h.main->HeadersEnabled());
}

}  // namespace
}  // namespace velantor::testing
