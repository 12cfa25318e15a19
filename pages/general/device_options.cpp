// CGeneralPage, device options: beep, IR control, border, display mode with its settings, the
// input channel, the read-back chain after a connect, and the factory reset with its 19
// acknowledged restore steps. A control that changes the switcher shows its confirmed state
// until the switcher acknowledges the change.
#include <array>

#include "link/protocol.h"
#include "pages/general/general_page.h"

namespace velantor {

namespace {
constexpr int kReplyTimeoutMs = 5000;
namespace p = protocol;

struct StepFrame {
  uint8_t op;
  uint8_t sub;
  uint8_t b4;
  uint8_t b5;
  uint8_t b6;
};

CommandFrame Build(const StepFrame& f) {
  return BuildFrame({{2, f.op}, {3, f.sub}, {4, f.b4}, {5, f.b5}, {6, f.b6}});
}

// One restore step: its command (the TCP link sends its own EDID mode in step 6), the command of
// its retry, its timer pair. The acknowledgement repeats opcode, sub-command and byte 6 with
// status 0 in byte 4.
struct RestoreRow {
  StepFrame serial;
  StepFrame tcp;
  StepFrame resend;
  int firstTimer;
  int secondTimer;
  int firstMs;
};

constexpr RestoreRow Same(StepFrame f, int first, int second, int firstMs = kReplyTimeoutMs) {
  return {f, f, f, first, second, firstMs};
}

constexpr std::array<RestoreRow, 19> kRestoreSteps{{
    Same({p::kOpRouting, p::kSubSwitchOne, 1, 0, 1}, 101, 102, 10000),
    Same({p::kOpRouting, p::kSubSwitchOne, 2, 0, 2}, 103, 104),
    Same({p::kOpRouting, p::kSubSwitchOne, 3, 0, 3}, 105, 106),
    Same({p::kOpRouting, p::kSubSwitchOne, 4, 0, 4}, 107, 108),
    Same({p::kOpEdid, p::kSubEdidHandshake, p::kEdidModeFlag, 0, 0}, 117, 118),
    {{p::kOpEdid, p::kSubEdidModeAll, 2, p::kEdidModeFlag, 0},
     {p::kOpEdid, p::kSubEdidModeAll, 4, p::kEdidModeFlag, 0},
     {p::kOpEdid, p::kSubEdidModeAll, 3, 0, 0},
     119, 120, kReplyTimeoutMs},
    Same({p::kOpBeep, p::kSubSet, p::kOn, 0, 0}, 121, 122),
    Same({p::kOpInputType, p::kSubSetInputType, p::kSignalHdmi, 0, 1}, 123, 124),
    Same({p::kOpInputType, p::kSubSetInputType, p::kSignalHdmi, 0, 2}, 125, 126),
    Same({p::kOpInputType, p::kSubSetInputType, p::kSignalHdmi, 0, 3}, 127, 128),
    Same({p::kOpInputType, p::kSubSetInputType, p::kSignalHdmi, 0, 4}, 129, 130),
    Same({p::kOpSwitching, p::kSubEffect, 1, 0, 1}, 131, 132),
    Same({p::kOpSwitching, p::kSubEffect, 1, 0, 2}, 133, 134),
    Same({p::kOpSwitching, p::kSubEffect, 1, 0, 3}, 135, 136),
    Same({p::kOpSwitching, p::kSubEffect, 1, 0, 4}, 137, 138),
    Same({p::kOpSwitching, p::kSubTime, 4, 0, 1}, 139, 140),
    Same({p::kOpSwitching, p::kSubTime, 4, 0, 2}, 141, 142),
    Same({p::kOpSwitching, p::kSubTime, 4, 0, 3}, 143, 144),
    Same({p::kOpSwitching, p::kSubTime, 4, 0, 4}, 145, 146),
}};
constexpr int kBeepRestoreStep = 7;

// Which setting controls each display mode enables.
struct ModeEnabling {
  bool multiViewer;
  bool videoWall;
  uint8_t nextQueryOp;  // 0: the read-back chain ends here
  uint8_t nextQuerySub;
};
constexpr std::array<ModeEnabling, 3> kModeEnabling{{
    {false, false, 0, 0},
    {true, false, p::kOpMultiViewer, p::kSubQueryLayout},
    {false, true, p::kOpVideoWall, p::kSubQueryWallSize},
}};

std::vector<std::string> NumberItems(int count) {
  std::vector<std::string> items;
  for (int i = 1; i <= count; ++i) items.push_back(std::to_string(i));
  return items;
}

void Select(ListView& list, int value) {
  if (value >= 1 && value <= static_cast<int>(list.items.size())) list.selection = value - 1;
}

bool ValidIndex(const ListView& list, int index) {
  return index >= 0 && index < static_cast<int>(list.items.size());
}
}  // namespace

void CGeneralPage::InitialiseOptionsView() {
  options_.layout.items = NumberItems(4);
  options_.audio.items = NumberItems(4);
  options_.main.items = NumberItems(4);
  options_.wallX.items = NumberItems(32);
  options_.wallY.items = NumberItems(32);
  // Until the switcher names its display mode no mode setting can be changed.
  ApplyDisplayMode(0);
}

void CGeneralPage::SendOnOff(uint8_t op, CheckView& box, std::optional<bool>& pending) {
  // The click toggled the box; it shows its confirmed state until the acknowledgement.
  const bool on = !box.checked;
  pending = on;
  Send(p::SetOption(op, on));
  Notify();
}

// The acknowledgement gives the box the state last asked for, so two quick clicks that asked
// for the same change leave it right; an acknowledgement nobody asked for flips it.
void CGeneralPage::OnSwitchAck(CheckView& box, const std::optional<bool>& pending) {
  box.checked = pending ? *pending : !box.checked;
  Notify();
}

void CGeneralPage::OnBeepCheck() {
  if (RefuseWhileBusy() || !LinkReady()) return;
  SendOnOff(p::kOpBeep, options_.beep, pendingBeep_);
}

void CGeneralPage::OnIrCheck() {
  if (RefuseWhileBusy() || !LinkReady()) return;
  SendOnOff(p::kOpIrControl, options_.ir, pendingIr_);
}

void CGeneralPage::OnBorderCheck() {
  if (RefuseWhileBusy() || !LinkReady()) return;
  SendOnOff(p::kOpBorder, options_.border, pendingBorder_);
}

void CGeneralPage::OnModeCheck(int mode) {
  if (mode < 1 || mode > 3 || RefuseWhileBusy() || !LinkReady()) return;
  restoreFlag_ = 0;
  Send(p::SetDisplayMode(mode));
  Notify();
}

void CGeneralPage::OnLayoutSelChange(int index) {
  if (!ValidIndex(options_.layout, index) || RefuseWhileBusy() || !LinkReady()) return;
  restoreFlag_ = 0;
  Send(forms::FourByteGap(p::kOpMultiViewer, p::kSubSetLayout, index + 1, index + 1));
  Notify();
}

void CGeneralPage::OnMainSelChange(int index) {
  if (!ValidIndex(options_.main, index) || RefuseWhileBusy() || !LinkReady()) return;
  restoreFlag_ = 0;
  pendingMain_ = index;
  Send(forms::FourByteGap(p::kOpMultiViewer, p::kSubSetMainSource, index + 1, options_.layout.selection + 1));
  Notify();
}

void CGeneralPage::OnAudioSelChange(int index) {
  if (!ValidIndex(options_.audio, index) || RefuseWhileBusy() || !LinkReady()) return;
  restoreFlag_ = 0;
  Send(forms::FourByteGap(p::kOpInputChannel, p::kSubSetInputChannel, index + 1, index + 1));
  Notify();
}

void CGeneralPage::OnWallXSelChange(int index) {
  if (!ValidIndex(options_.wallX, index) || RefuseWhileBusy() || !LinkReady()) return;
  restoreFlag_ = 0;
  pendingWallX_ = index;
  Send(forms::ThreeByte(p::kOpVideoWall, p::kSubSetWallColumns, index + 1));
  Notify();
}

void CGeneralPage::OnWallYSelChange(int index) {
  if (!ValidIndex(options_.wallY, index) || RefuseWhileBusy() || !LinkReady()) return;
  restoreFlag_ = 0;
  pendingWallY_ = index;
  Send(forms::ThreeByte(p::kOpVideoWall, p::kSubSetWallRows, index + 1));
  Notify();
}

void CGeneralPage::OnInputCheck(int input) {
  if (input < 1 || input > 4 || RefuseWhileBusy() || !LinkReady()) return;
  restoreFlag_ = 0;
  Send(forms::FourByteGap(p::kOpInputChannel, p::kSubSetInputChannel, input, input));
  Notify();
}

void CGeneralPage::ApplyDisplayMode(int mode) {
  const bool known = mode >= 1 && mode <= 3;
  if (known) {
    displayMode_ = mode;
    for (int m = 1; m <= 3; ++m) options_.modes[static_cast<size_t>(m - 1)].checked = m == mode;
  }
  const ModeEnabling& e = kModeEnabling[static_cast<size_t>(known ? mode - 1 : 0)];
  options_.layout.enabled = options_.audio.enabled = options_.main.enabled = e.multiViewer;
  options_.border.enabled = options_.borderGroupEnabled = e.multiViewer;
  options_.wallX.enabled = options_.wallY.enabled = e.videoWall;
  for (CheckView& box : options_.inputs) box.enabled = e.videoWall;
  Notify();
  if (known && e.nextQueryOp != 0) {
    Send(p::Query(e.nextQueryOp, e.nextQuerySub));
  } else {
    ReadBackChainDone();
  }
}

// Outside multi-viewer mode the value is the input channel; in multi-viewer mode the audio
// source, which the read-back follows with the border.
void CGeneralPage::ApplyInputChannel(int value, bool readBack, bool serialPath) {
  if (!options_.modes[1].checked) {
    if (value >= 1 && value <= 4) {
      for (int n = 1; n <= 4; ++n) options_.inputs[static_cast<size_t>(n - 1)].checked = n == value;
    }
    Notify();
    if (readBack) ReadBackChainDone();
    return;
  }
  Select(options_.audio, value);
  Notify();
  if (readBack || !serialPath) Send(p::Query(p::kOpBorder, p::kSubQueryBorder));
}

bool CGeneralPage::HandleOptionFrame(const CommandFrame& frame, bool serialPath) {
  const uint8_t op = frame[p::kByteOpcode];
  const uint8_t sub = frame[p::kByteSub];
  const uint8_t b4 = frame[p::kByteValue];
  const uint8_t b6 = frame[p::kBytePort];

  if (restoreFlag_ == 1 && restoreStep_ >= 1) {
    const RestoreRow& step = kRestoreSteps[static_cast<size_t>(restoreStep_ - 1)];
    if (op == step.serial.op && sub == step.serial.sub && b4 == p::kAccepted && b6 == step.serial.b6) {
      KillTimer(step.firstTimer);
      KillTimer(step.secondTimer);
      if (restoreStep_ == kBeepRestoreStep) {
        options_.beep.checked = true;
        pendingBeep_.reset();
      }
      if (restoreStep_ == static_cast<int>(kRestoreSteps.size())) {
        EndRestore(true);
      } else {
        SendRestoreStep(restoreStep_ + 1, false);
      }
      Notify();
      return true;
    }
  }

  if (op == p::kOpDeviceInfo && sub == p::kSubIrState) {
    if (!serialPath && b4 != 0) return true;
    options_.ir.checked = p::OptionEnabled(frame);
    pendingIr_.reset();
    Notify();
    Send(p::Query(p::kOpDeviceInfo, p::kSubBeepState));
  } else if (op == p::kOpDeviceInfo && sub == p::kSubBeepState) {
    options_.beep.checked = p::OptionEnabled(frame);
    pendingBeep_.reset();
    Notify();
    Send(p::Query(p::kOpDisplayMode, p::kSubQueryDisplayMode));
  } else if (op == p::kOpIrControl && sub == p::kSubSet) {
    // A refused change (non-zero status) leaves the box as it was.
    if (b4 == p::kAccepted && b6 == 0) OnSwitchAck(options_.ir, pendingIr_);
  } else if (op == p::kOpBeep && sub == p::kSubSet) {
    if (b4 == p::kAccepted && b6 == 0) OnSwitchAck(options_.beep, pendingBeep_);
  } else if (op == p::kOpBorder && sub == p::kSubSetBorder) {
    if (b4 == p::kAccepted) OnSwitchAck(options_.border, pendingBorder_);
  } else if (op == p::kOpBorder && sub == p::kSubQueryBorder) {
    options_.border.checked = b4 == p::kOn || (b4 != p::kOff && !serialPath);
    pendingBorder_.reset();
    Notify();
    ReadBackChainDone();
  } else if (op == p::kOpDisplayMode && sub == p::kSubSetDisplayMode) {
    if (restoreFlag_ == 1 && restoreStep_ == 0 && b4 == p::kAccepted && b6 == p::kModeMatrix) {
      StartRestoreSequence();
    }
    ApplyDisplayMode(b6);
  } else if (op == p::kOpDisplayMode && sub == p::kSubQueryDisplayMode) {
    ApplyDisplayMode(b4);
  } else if (op == p::kOpMultiViewer && sub == p::kSubQueryLayout) {
    Select(options_.layout, b4);
    Notify();
    Send(forms::FourByteGap(p::kOpMultiViewer, p::kSubQueryMainSource, 0, b4));
  } else if (op == p::kOpMultiViewer && sub == p::kSubSetLayout) {
    if (b4 == p::kAccepted) Select(options_.layout, b6);
    Notify();
    Send(forms::FourByteGap(p::kOpMultiViewer, p::kSubQueryMainSource, 0, b6));
  } else if (op == p::kOpMultiViewer && sub == p::kSubSetMainSource) {
    if (b4 == p::kAccepted && pendingMain_) options_.main.selection = *pendingMain_;
    pendingMain_.reset();
    Notify();
  } else if (op == p::kOpMultiViewer && sub == p::kSubQueryMainSource) {
    Select(options_.main, b4);
    Notify();
    Send(p::Query(p::kOpInputChannel, p::kSubQueryInputChannel));
  } else if (op == p::kOpVideoWall && (sub == p::kSubSetWallColumns || sub == p::kSubSetWallRows)) {
    std::optional<int>& pending = sub == p::kSubSetWallColumns ? pendingWallX_ : pendingWallY_;
    ListView& list = sub == p::kSubSetWallColumns ? options_.wallX : options_.wallY;
    if (b4 == p::kAccepted && pending) list.selection = *pending;
    pending.reset();
    Notify();
  } else if (op == p::kOpVideoWall && sub == p::kSubQueryWallSize) {
    Select(options_.wallX, b4);
    Select(options_.wallY, b6);
    Notify();
    Send(p::Query(p::kOpInputChannel, p::kSubQueryInputChannel));
  } else if (op == p::kOpInputChannel && sub == p::kSubQueryInputChannel) {
    ApplyInputChannel(b4, true, serialPath);
  } else if (op == p::kOpInputChannel && sub == p::kSubSetInputChannel) {
    ApplyInputChannel(b6, false, serialPath);
  } else {
    return false;
  }
  return true;
}

void CGeneralPage::OnFactoryReset() {
  if (RefuseWhileBusy() || !LinkReady()) return;
  restoreFlag_ = 1;
  restoreStep_ = 0;
  restoreVisible_ = true;
  Send(p::SetDisplayMode(p::kModeMatrix));
  shared_.BusyPhase = 3;
  shared_.Busy.BusyText = BusyPhaseText(BusyFamily::kSetting, shared_.BusyPhase);
  SetTimer(kTimerResetAnimation, 500);
  shared_.Busy.Show();
  // The display-mode command that opens the reset is guarded like the steps, so a switcher
  // that never answers it does not leave the "Setting" dialog open.
  SetTimer(kTimerResetModeRetry, kReplyTimeoutMs);
  Notify();
}

void CGeneralPage::StartRestoreSequence() {
  KillTimer(kTimerResetModeRetry);
  KillTimer(kTimerResetModeTimeout);
  SendRestoreStep(1, false);
}

void CGeneralPage::SendRestoreStep(int step, bool resend) {
  restoreStep_ = step;
  const RestoreRow& s = kRestoreSteps[static_cast<size_t>(step - 1)];
  if (resend) {
    Send(Build(s.resend));
    SetTimer(s.secondTimer, kReplyTimeoutMs);
  } else {
    Send(Build(shared_.LinkMode == 1 ? s.tcp : s.serial));
    SetTimer(s.firstTimer, s.firstMs);
  }
}

void CGeneralPage::EndRestore(bool success) {
  for (const RestoreRow& s : kRestoreSteps) {
    KillTimer(s.firstTimer);
    KillTimer(s.secondTimer);
  }
  KillTimer(kTimerResetModeRetry);
  KillTimer(kTimerResetModeTimeout);
  KillTimer(kTimerResetAnimation);
  restoreFlag_ = 0;
  restoreStep_ = -1;
  restoreVisible_ = false;
  shared_.Busy.Close();
  if (success) {
    ClosePleaseWait();
    ShowMessageFor(1500, "Set successfully!");
  } else {
    ReportTimeOut();
  }
  Notify();
}

bool CGeneralPage::OnOptionTimer(int id) {
  if (id == kTimerResetAnimation) {
    shared_.BusyPhase = NextBusyPhase(shared_.BusyPhase);
    shared_.Busy.BusyText = BusyPhaseText(BusyFamily::kSetting, shared_.BusyPhase);
    shared_.Busy.Refresh();
    return true;
  }
  if (id == kTimerResetModeRetry) {
    KillTimer(id);
    Send(p::SetDisplayMode(p::kModeMatrix));
    SetTimer(kTimerResetModeTimeout, kReplyTimeoutMs);
    return true;
  }
  if (id == kTimerResetModeTimeout) {
    EndRestore(false);
    return true;
  }
  for (size_t i = 0; i < kRestoreSteps.size(); ++i) {
    if (id == kRestoreSteps[i].firstTimer) {
      KillTimer(id);
      SendRestoreStep(static_cast<int>(i) + 1, true);
      return true;
    }
    if (id == kRestoreSteps[i].secondTimer) {
      EndRestore(false);
      return true;
    }
  }
  return false;
}

}  // namespace velantor
