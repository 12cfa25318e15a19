// The device options part of the General page. A control that changes the switcher shows its
// confirmed state until the switcher acknowledges the change; each change is one guarded
// exchange of the runner. The replies, and the answers of the read-back chain, are state the
// switcher reports, dispatched through one table.
#include "pages/general/device_options.h"

#include <array>
#include <utility>

#include "app/page_base.h"
#include "link/protocol.h"

namespace velantor {

namespace {
namespace p = protocol;

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

void Select(ListViewState& list, int value) {
  if (value >= 1 && value <= static_cast<int>(list.items.size())) list.selection = value - 1;
}

bool ValidIndex(const ListViewState& list, int index) {
  return index >= 0 && index < static_cast<int>(list.items.size());
}
}  // namespace

DeviceOptions::DeviceOptions(GeneralPageTools& tools, DeviceOptionsPeers peers)
    : tools_(tools), peers_(std::move(peers)) {
  view_.layout.items = NumberItems(4);
  view_.audio.items = NumberItems(4);
  view_.main.items = NumberItems(4);
  view_.wallX.items = NumberItems(32);
  view_.wallY.items = NumberItems(32);
  // Until the switcher names its display mode no mode setting can be changed.
  ShowDisplayMode(0);
}

void DeviceOptions::SendOnOff(uint8_t op, CheckViewState& box, std::optional<bool>& pending) {
  // The click toggled the box; it shows its confirmed state until the acknowledgement.
  const bool on = !box.checked;
  pending = on;
  StartOptionCommand(p::SetOption(op, on));
  tools_.Notify();
}

// Every option command is guarded: the first timer resends once, the second gives up with
// "Time out!". After a refusal or a time-out the options are read back, so the controls show
// what the switcher really has (it may have taken a change whose acknowledgement was lost).
void DeviceOptions::StartOptionCommand(const CommandFrame& frame) {
  walkMakesCurrent_ = false;  // the read-back it may start walks from the middle
  Exchange command;
  command.id = kOptionCommandExchange;
  command.steps.push_back(ExchangeStep::Frame(frame, {frame[p::kByteOpcode], frame[p::kByteSub]},
                                              general_timers::kOptionRetry, general_timers::kOptionTimeout));
  command.onReply = [this](const CommandFrame& reply, size_t) {
    optionReplyAwaited_ = true;
    OnFrame(reply, tools_.FrameFromSerial());  // the control follows the acknowledgement
    optionReplyAwaited_ = false;
    return reply[p::kByteValue] == p::kAccepted ? ReplyVerdict::kAccept : ReplyVerdict::kRefuse;
  };
  command.onEnd = [this](ExchangeEnd end, size_t) { OnOptionCommandEnd(end); };
  tools_.Runner().Start(std::move(command));
}

void DeviceOptions::OnOptionCommandEnd(ExchangeEnd end) {
  if (end == ExchangeEnd::kDone) return;
  pendingBeep_.reset();
  pendingIr_.reset();
  pendingBorder_.reset();
  pendingMain_.reset();
  pendingWallX_.reset();
  pendingWallY_.reset();
  if (end == ExchangeEnd::kRefused) tools_.ShowMessageFor(1500, PageBase::kSetFailed);
  // Unanswered, the change may have been taken: the boxes are grey until read back.
  if (end == ExchangeEnd::kTimeOut || end == ExchangeEnd::kAbandoned) view_.current = false;
  if (end == ExchangeEnd::kRefused || end == ExchangeEnd::kTimeOut) peers_.repairReadBack();
  // The switcher may have taken the change after the page stopped listening.
  if (end == ExchangeEnd::kAbandoned) readBackOwed_ = true;
}

// The acknowledgement gives the box the state last asked for, so two quick clicks that asked
// for the same change leave it right. An acknowledgement nobody asked for (a repeated one, or
// one that comes after its time-out) carries no state: flipping the box on it would show the
// opposite of what the switcher has.
void DeviceOptions::OnSwitchAck(CheckViewState& box, const std::optional<bool>& pending) {
  if (!pending) return;
  box.checked = *pending;
  tools_.Notify();
}

void DeviceOptions::OnBeepCheck() {
  if (peers_.refuseWhileBusy() || !tools_.LinkReady()) return;
  SendOnOff(p::kOpBeep, view_.beep, pendingBeep_);
}

void DeviceOptions::OnIrCheck() {
  if (peers_.refuseWhileBusy() || !tools_.LinkReady()) return;
  SendOnOff(p::kOpIrControl, view_.ir, pendingIr_);
}

void DeviceOptions::OnBorderCheck() {
  if (peers_.refuseWhileBusy() || !tools_.LinkReady()) return;
  SendOnOff(p::kOpBorder, view_.border, pendingBorder_);
}

// The display-mode settings: a valid choice on an idle, linked page is sent; the list shows
// its confirmed value until the acknowledgement.
bool DeviceOptions::SendSetting(bool valid, const CommandFrame& frame) {
  if (!valid || peers_.refuseWhileBusy() || !tools_.LinkReady()) return false;
  peers_.settingSent();
  StartOptionCommand(frame);
  tools_.Notify();
  return true;
}

void DeviceOptions::OnModeCheck(int mode) { SendSetting(mode >= 1 && mode <= 3, p::SetDisplayMode(mode)); }

void DeviceOptions::OnLayoutSelChange(int index) {
  SendSetting(ValidIndex(view_.layout, index),
              forms::FourByteGap(p::kOpMultiViewer, p::kSubSetLayout, index + 1, index + 1));
}

void DeviceOptions::OnMainSelChange(int index) {
  const auto frame =
      forms::FourByteGap(p::kOpMultiViewer, p::kSubSetMainSource, index + 1, view_.layout.selection + 1);
  if (SendSetting(ValidIndex(view_.main, index), frame)) pendingMain_ = index;
}

void DeviceOptions::OnAudioSelChange(int index) {
  SendSetting(ValidIndex(view_.audio, index),
              forms::FourByteGap(p::kOpInputChannel, p::kSubSetInputChannel, index + 1, index + 1));
}

void DeviceOptions::OnWallXSelChange(int index) {
  if (SendSetting(ValidIndex(view_.wallX, index), forms::ThreeByte(p::kOpVideoWall, p::kSubSetWallColumns, index + 1))) {
    pendingWallX_ = index;
  }
}

void DeviceOptions::OnWallYSelChange(int index) {
  if (SendSetting(ValidIndex(view_.wallY, index), forms::ThreeByte(p::kOpVideoWall, p::kSubSetWallRows, index + 1))) {
    pendingWallY_ = index;
  }
}

void DeviceOptions::OnInputCheck(int input) {
  SendSetting(input >= 1 && input <= 4, forms::FourByteGap(p::kOpInputChannel, p::kSubSetInputChannel, input, input));
}

// What a display mode enables, without going on with the read-back.
void DeviceOptions::ShowDisplayMode(int mode) {
  const bool known = mode >= 1 && mode <= 3;
  if (known) {
    displayMode_ = mode;
    for (int m = 1; m <= 3; ++m) view_.modes[static_cast<size_t>(m - 1)].checked = m == mode;
  }
  const ModeEnabling& e = kModeEnabling[static_cast<size_t>(known ? mode - 1 : 0)];
  view_.layout.enabled = view_.audio.enabled = view_.main.enabled = e.multiViewer;
  view_.border.enabled = view_.borderGroupEnabled = e.multiViewer;
  view_.wallX.enabled = view_.wallY.enabled = e.videoWall;
  for (CheckViewState& box : view_.inputs) box.enabled = e.videoWall;
  tools_.Notify();
}

void DeviceOptions::ApplyDisplayMode(int mode) {
  ShowDisplayMode(mode);
  const bool known = mode >= 1 && mode <= 3;
  const ModeEnabling& e = kModeEnabling[static_cast<size_t>(known ? mode - 1 : 0)];
  if (known && e.nextQueryOp != 0) {
    ContinueReadBack(p::Query(e.nextQueryOp, e.nextQuerySub));
  } else {
    EndReadBack();
  }
}

// Outside multi-viewer mode the value is the input channel; in multi-viewer mode the audio
// source, which the read-back follows with the border.
void DeviceOptions::ApplyInputChannel(int value, bool readBack, bool serialPath) {
  if (!view_.modes[1].checked) {
    if (value >= 1 && value <= 4) {
      for (int n = 1; n <= 4; ++n) view_.inputs[static_cast<size_t>(n - 1)].checked = n == value;
    }
    tools_.Notify();
    if (readBack) EndReadBack();
    return;
  }
  Select(view_.audio, value);
  tools_.Notify();
  if (readBack || !serialPath) ContinueReadBack(p::Query(p::kOpBorder, p::kSubQueryBorder));
}

// Replies of the option commands and of the read-back chain, by opcode and sub-command.
struct DeviceOptions::Handler {
  uint8_t op;
  uint8_t sub;
  void (DeviceOptions::*handle)(const CommandFrame&, bool serialPath);
};

bool DeviceOptions::OnFrame(const CommandFrame& frame, bool serialPath) {
  static constexpr Handler kHandlers[] = {
      {p::kOpDeviceInfo, p::kSubIrState, &DeviceOptions::OnIrState},
      {p::kOpDeviceInfo, p::kSubBeepState, &DeviceOptions::OnBeepState},
      {p::kOpIrControl, p::kSubSet, &DeviceOptions::OnIrAck},
      {p::kOpBeep, p::kSubSet, &DeviceOptions::OnBeepAck},
      {p::kOpBorder, p::kSubSetBorder, &DeviceOptions::OnBorderAck},
      {p::kOpBorder, p::kSubQueryBorder, &DeviceOptions::OnBorderState},
      {p::kOpDisplayMode, p::kSubSetDisplayMode, &DeviceOptions::OnDisplayModeAck},
      {p::kOpDisplayMode, p::kSubQueryDisplayMode, &DeviceOptions::OnDisplayModeState},
      {p::kOpMultiViewer, p::kSubQueryLayout, &DeviceOptions::OnLayoutState},
      {p::kOpMultiViewer, p::kSubSetLayout, &DeviceOptions::OnLayoutAck},
      {p::kOpMultiViewer, p::kSubSetMainSource, &DeviceOptions::OnMainAck},
      {p::kOpMultiViewer, p::kSubQueryMainSource, &DeviceOptions::OnMainState},
      {p::kOpVideoWall, p::kSubSetWallColumns, &DeviceOptions::OnWallSizeAck},
      {p::kOpVideoWall, p::kSubSetWallRows, &DeviceOptions::OnWallSizeAck},
      {p::kOpVideoWall, p::kSubQueryWallSize, &DeviceOptions::OnWallSizeState},
      {p::kOpInputChannel, p::kSubQueryInputChannel, &DeviceOptions::OnInputChannelState},
      {p::kOpInputChannel, p::kSubSetInputChannel, &DeviceOptions::OnInputChannelAck},
  };
  for (const Handler& h : kHandlers) {
    if (frame[p::kByteOpcode] == h.op && frame[p::kByteSub] == h.sub) {
      const std::pair<uint8_t, uint8_t> key{h.op, h.sub};
      readBackMayGoOn_ = optionReplyAwaited_ || readBackAwaited_ == key;
      if (readBackAwaited_ == key) readBackAwaited_.reset();
      (this->*h.handle)(frame, serialPath);
      readBackMayGoOn_ = false;
      return true;
    }
  }
  return false;
}

void DeviceOptions::StartReadBack() {
  walkMakesCurrent_ = true;
  SendReadBackQuery(p::DeviceQuery(p::kSubIrState));
}

// Only a walk that went from the first query to its end, each answer the awaited one, shows
// every box as the switcher has it; a walk cut short by a lost or damaged answer leaves them grey.
void DeviceOptions::EndReadBack() {
  if (readBackMayGoOn_ && std::exchange(walkMakesCurrent_, false)) {
    view_.current = true;
    onlySettingsUnread_ = false;
  }
  tools_.Notify();
  peers_.readBackDone();
}

void DeviceOptions::BeepRestored() {
  view_.beep.checked = true;
  pendingBeep_.reset();
}

void DeviceOptions::SendReadBackQuery(const CommandFrame& query) {
  readBackAwaited_ = std::make_pair(query[p::kByteOpcode], query[p::kByteSub]);
  tools_.Send(query);
}

void DeviceOptions::ContinueReadBack(const CommandFrame& next) {
  if (readBackMayGoOn_) SendReadBackQuery(next);
}

// A state answer shows what the switcher has; the change clicked meanwhile still waits for its
// acknowledgement, which must find what it asked for (a read-back answer asked before the click
// carries the old state).
void DeviceOptions::SettleFromState(std::optional<bool>& pending) {
  if (tools_.Runner().RunningId() != kOptionCommandExchange) pending.reset();
}

void DeviceOptions::OnIrState(const CommandFrame& f, bool serialPath) {
  if (!serialPath && f[p::kByteValue] != 0) return;
  view_.ir.checked = p::OptionEnabled(f);
  SettleFromState(pendingIr_);
  tools_.Notify();
  ContinueReadBack(p::Query(p::kOpDeviceInfo, p::kSubBeepState));
}

void DeviceOptions::OnBeepState(const CommandFrame& f, bool) {
  view_.beep.checked = p::OptionEnabled(f);
  SettleFromState(pendingBeep_);
  tools_.Notify();
  ContinueReadBack(p::Query(p::kOpDisplayMode, p::kSubQueryDisplayMode));
}

// A refused change (non-zero status) leaves the box as it was.
void DeviceOptions::OnIrAck(const CommandFrame& f, bool) {
  if (f[p::kByteValue] == p::kAccepted && f[p::kBytePort] == 0) OnSwitchAck(view_.ir, pendingIr_);
}

void DeviceOptions::OnBeepAck(const CommandFrame& f, bool) {
  if (f[p::kByteValue] == p::kAccepted && f[p::kBytePort] == 0) OnSwitchAck(view_.beep, pendingBeep_);
}

void DeviceOptions::OnBorderAck(const CommandFrame& f, bool) {
  if (f[p::kByteValue] == p::kAccepted) OnSwitchAck(view_.border, pendingBorder_);
}

void DeviceOptions::OnBorderState(const CommandFrame& f, bool serialPath) {
  const uint8_t b4 = f[p::kByteValue];
  view_.border.checked = b4 == p::kOn || (b4 != p::kOff && !serialPath);
  SettleFromState(pendingBorder_);
  tools_.Notify();
  EndReadBack();
}

void DeviceOptions::OnDisplayModeAck(const CommandFrame& f, bool) {
  BeginSettingsWalk();
  ApplyDisplayMode(f[p::kBytePort]);
}

// A new display mode (or layout) is followed by the walk that reads its settings: until that walk
// ends they are not read, so the boxes are grey; it makes them current again if they were before.
void DeviceOptions::BeginSettingsWalk() {
  if (!readBackMayGoOn_) return;  // a stray acknowledgement starts no walk
  walkMakesCurrent_ = onlySettingsUnread_ = view_.current || onlySettingsUnread_;
  view_.current = false;
}

void DeviceOptions::OnDisplayModeState(const CommandFrame& f, bool) { ApplyDisplayMode(f[p::kByteValue]); }

void DeviceOptions::OnLayoutState(const CommandFrame& f, bool) {
  Select(view_.layout, f[p::kByteValue]);
  tools_.Notify();
  ContinueReadBack(forms::FourByteGap(p::kOpMultiViewer, p::kSubQueryMainSource, 0, f[p::kByteValue]));
}

void DeviceOptions::OnLayoutAck(const CommandFrame& f, bool) {
  if (f[p::kByteValue] == p::kAccepted) Select(view_.layout, f[p::kBytePort]);
  BeginSettingsWalk();
  tools_.Notify();
  ContinueReadBack(forms::FourByteGap(p::kOpMultiViewer, p::kSubQueryMainSource, 0, f[p::kBytePort]));
}

void DeviceOptions::OnMainAck(const CommandFrame& f, bool) {
  if (f[p::kByteValue] == p::kAccepted && pendingMain_) view_.main.selection = *pendingMain_;
  pendingMain_.reset();
  tools_.Notify();
}

void DeviceOptions::OnMainState(const CommandFrame& f, bool) {
  Select(view_.main, f[p::kByteValue]);
  tools_.Notify();
  ContinueReadBack(p::Query(p::kOpInputChannel, p::kSubQueryInputChannel));
}

void DeviceOptions::OnWallSizeAck(const CommandFrame& f, bool) {
  const bool columns = f[p::kByteSub] == p::kSubSetWallColumns;
  std::optional<int>& pending = columns ? pendingWallX_ : pendingWallY_;
  ListViewState& list = columns ? view_.wallX : view_.wallY;
  if (f[p::kByteValue] == p::kAccepted && pending) list.selection = *pending;
  pending.reset();
  tools_.Notify();
}

void DeviceOptions::OnWallSizeState(const CommandFrame& f, bool) {
  Select(view_.wallX, f[p::kByteValue]);
  Select(view_.wallY, f[p::kBytePort]);
  tools_.Notify();
  ContinueReadBack(p::Query(p::kOpInputChannel, p::kSubQueryInputChannel));
}

void DeviceOptions::OnInputChannelState(const CommandFrame& f, bool serialPath) {
  ApplyInputChannel(f[p::kByteValue], true, serialPath);
}

void DeviceOptions::OnInputChannelAck(const CommandFrame& f, bool serialPath) {
  ApplyInputChannel(f[p::kBytePort], false, serialPath);
}

}  // namespace velantor
