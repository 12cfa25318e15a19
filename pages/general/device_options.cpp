// CGeneralPage, device options: beep, IR control, border, display mode with its settings, the
// input channel and the read-back chain after a connect. A control that changes the switcher
// shows its confirmed state until the switcher acknowledges the change. These commands have no
// guard timers (a lost acknowledgement leaves the control as it was), so they are not exchanges
// of the runner: their replies are state the switcher reports, dispatched through one table.
#include <array>

#include "link/protocol.h"
#include "pages/general/general_page.h"

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

void CGeneralPage::InitialiseOptionsView() {
  options_.layout.items = NumberItems(4);
  options_.audio.items = NumberItems(4);
  options_.main.items = NumberItems(4);
  options_.wallX.items = NumberItems(32);
  options_.wallY.items = NumberItems(32);
  // Until the switcher names its display mode no mode setting can be changed.
  ApplyDisplayMode(0);
}

void CGeneralPage::SendOnOff(uint8_t op, CheckViewState& box, std::optional<bool>& pending) {
  // The click toggled the box; it shows its confirmed state until the acknowledgement.
  const bool on = !box.checked;
  pending = on;
  StartOptionCommand(p::SetOption(op, on));
  Notify();
}

// Every option command is guarded: the first timer resends once, the second gives up with
// "Time out!". After a refusal or a time-out the options are read back, so the controls show
// what the switcher really has (it may have taken a change whose acknowledgement was lost).
void CGeneralPage::StartOptionCommand(const CommandFrame& frame) {
  Exchange command;
  command.id = kOptionCommand;
  command.steps.push_back(ExchangeStep::Frame(frame, {frame[p::kByteOpcode], frame[p::kByteSub]},
                                              kTimerOptionRetry, kTimerOptionTimeout));
  command.onReply = [this](const CommandFrame& reply, size_t) {
    optionReplyAwaited_ = true;
    HandleOptionFrame(reply, lastFrameSerial_);  // the control follows the acknowledgement
    optionReplyAwaited_ = false;
    return reply[p::kByteValue] == p::kAccepted ? ReplyVerdict::kAccept : ReplyVerdict::kRefuse;
  };
  command.onEnd = [this](ExchangeEnd end, size_t) { OnOptionCommandEnd(end); };
  runner_.Start(std::move(command));
}

void CGeneralPage::OnOptionCommandEnd(ExchangeEnd end) {
  if (end == ExchangeEnd::kDone) return;
  pendingBeep_.reset();
  pendingIr_.reset();
  pendingBorder_.reset();
  pendingMain_.reset();
  pendingWallX_.reset();
  pendingWallY_.reset();
  if (end == ExchangeEnd::kRefused) ShowMessageFor(1500, kSetFailed);
  if (end == ExchangeEnd::kRefused || end == ExchangeEnd::kTimeOut) StartReadBackChain(false);
}

// The acknowledgement gives the box the state last asked for, so two quick clicks that asked
// for the same change leave it right. An acknowledgement nobody asked for (a repeated one, or
// one that comes after its time-out) carries no state: flipping the box on it would show the
// opposite of what the switcher has.
void CGeneralPage::OnSwitchAck(CheckViewState& box, const std::optional<bool>& pending) {
  if (!pending) return;
  box.checked = *pending;
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

// The display-mode settings: a valid choice on an idle, linked page is sent; the list shows
// its confirmed value until the acknowledgement.
bool CGeneralPage::SendSetting(bool valid, const CommandFrame& frame) {
  if (!valid || RefuseWhileBusy() || !LinkReady()) return false;
  restoreFlag_ = 0;
  StartOptionCommand(frame);
  Notify();
  return true;
}

void CGeneralPage::OnModeCheck(int mode) { SendSetting(mode >= 1 && mode <= 3, p::SetDisplayMode(mode)); }

void CGeneralPage::OnLayoutSelChange(int index) {
  SendSetting(ValidIndex(options_.layout, index),
              forms::FourByteGap(p::kOpMultiViewer, p::kSubSetLayout, index + 1, index + 1));
}

void CGeneralPage::OnMainSelChange(int index) {
  const auto frame =
      forms::FourByteGap(p::kOpMultiViewer, p::kSubSetMainSource, index + 1, options_.layout.selection + 1);
  if (SendSetting(ValidIndex(options_.main, index), frame)) pendingMain_ = index;
}

void CGeneralPage::OnAudioSelChange(int index) {
  SendSetting(ValidIndex(options_.audio, index),
              forms::FourByteGap(p::kOpInputChannel, p::kSubSetInputChannel, index + 1, index + 1));
}

void CGeneralPage::OnWallXSelChange(int index) {
  if (SendSetting(ValidIndex(options_.wallX, index), forms::ThreeByte(p::kOpVideoWall, p::kSubSetWallColumns, index + 1))) {
    pendingWallX_ = index;
  }
}

void CGeneralPage::OnWallYSelChange(int index) {
  if (SendSetting(ValidIndex(options_.wallY, index), forms::ThreeByte(p::kOpVideoWall, p::kSubSetWallRows, index + 1))) {
    pendingWallY_ = index;
  }
}

void CGeneralPage::OnInputCheck(int input) {
  SendSetting(input >= 1 && input <= 4, forms::FourByteGap(p::kOpInputChannel, p::kSubSetInputChannel, input, input));
}

// What a display mode enables, without going on with the read-back.
void CGeneralPage::ShowDisplayMode(int mode) {
  const bool known = mode >= 1 && mode <= 3;
  if (known) {
    displayMode_ = mode;
    for (int m = 1; m <= 3; ++m) options_.modes[static_cast<size_t>(m - 1)].checked = m == mode;
  }
  const ModeEnabling& e = kModeEnabling[static_cast<size_t>(known ? mode - 1 : 0)];
  options_.layout.enabled = options_.audio.enabled = options_.main.enabled = e.multiViewer;
  options_.border.enabled = options_.borderGroupEnabled = e.multiViewer;
  options_.wallX.enabled = options_.wallY.enabled = e.videoWall;
  for (CheckViewState& box : options_.inputs) box.enabled = e.videoWall;
  Notify();
}

void CGeneralPage::ApplyDisplayMode(int mode) {
  ShowDisplayMode(mode);
  const bool known = mode >= 1 && mode <= 3;
  const ModeEnabling& e = kModeEnabling[static_cast<size_t>(known ? mode - 1 : 0)];
  if (known && e.nextQueryOp != 0) {
    ContinueReadBack(p::Query(e.nextQueryOp, e.nextQuerySub));
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
  if (readBack || !serialPath) ContinueReadBack(p::Query(p::kOpBorder, p::kSubQueryBorder));
}

// Replies of the option commands and of the read-back chain, by opcode and sub-command.
struct CGeneralPage::OptionHandler {
  uint8_t op;
  uint8_t sub;
  void (CGeneralPage::*handle)(const CommandFrame&, bool serialPath);
};

bool CGeneralPage::HandleOptionFrame(const CommandFrame& frame, bool serialPath) {
  static constexpr OptionHandler kHandlers[] = {
      {p::kOpDeviceInfo, p::kSubIrState, &CGeneralPage::OnIrState},
      {p::kOpDeviceInfo, p::kSubBeepState, &CGeneralPage::OnBeepState},
      {p::kOpIrControl, p::kSubSet, &CGeneralPage::OnIrAck},
      {p::kOpBeep, p::kSubSet, &CGeneralPage::OnBeepAck},
      {p::kOpBorder, p::kSubSetBorder, &CGeneralPage::OnBorderAck},
      {p::kOpBorder, p::kSubQueryBorder, &CGeneralPage::OnBorderState},
      {p::kOpDisplayMode, p::kSubSetDisplayMode, &CGeneralPage::OnDisplayModeAck},
      {p::kOpDisplayMode, p::kSubQueryDisplayMode, &CGeneralPage::OnDisplayModeState},
      {p::kOpMultiViewer, p::kSubQueryLayout, &CGeneralPage::OnLayoutState},
      {p::kOpMultiViewer, p::kSubSetLayout, &CGeneralPage::OnLayoutAck},
      {p::kOpMultiViewer, p::kSubSetMainSource, &CGeneralPage::OnMainAck},
      {p::kOpMultiViewer, p::kSubQueryMainSource, &CGeneralPage::OnMainState},
      {p::kOpVideoWall, p::kSubSetWallColumns, &CGeneralPage::OnWallSizeAck},
      {p::kOpVideoWall, p::kSubSetWallRows, &CGeneralPage::OnWallSizeAck},
      {p::kOpVideoWall, p::kSubQueryWallSize, &CGeneralPage::OnWallSizeState},
      {p::kOpInputChannel, p::kSubQueryInputChannel, &CGeneralPage::OnInputChannelState},
      {p::kOpInputChannel, p::kSubSetInputChannel, &CGeneralPage::OnInputChannelAck},
  };
  for (const OptionHandler& h : kHandlers) {
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

void CGeneralPage::SendReadBackQuery(const CommandFrame& query) {
  readBackAwaited_ = std::make_pair(query[p::kByteOpcode], query[p::kByteSub]);
  Send(query);
}

void CGeneralPage::ContinueReadBack(const CommandFrame& next) {
  if (readBackMayGoOn_) SendReadBackQuery(next);
}

void CGeneralPage::OnIrState(const CommandFrame& f, bool serialPath) {
  if (!serialPath && f[p::kByteValue] != 0) return;
  options_.ir.checked = p::OptionEnabled(f);
  pendingIr_.reset();
  Notify();
  ContinueReadBack(p::Query(p::kOpDeviceInfo, p::kSubBeepState));
}

void CGeneralPage::OnBeepState(const CommandFrame& f, bool) {
  options_.beep.checked = p::OptionEnabled(f);
  pendingBeep_.reset();
  Notify();
  ContinueReadBack(p::Query(p::kOpDisplayMode, p::kSubQueryDisplayMode));
}

// A refused change (non-zero status) leaves the box as it was.
void CGeneralPage::OnIrAck(const CommandFrame& f, bool) {
  if (f[p::kByteValue] == p::kAccepted && f[p::kBytePort] == 0) OnSwitchAck(options_.ir, pendingIr_);
}

void CGeneralPage::OnBeepAck(const CommandFrame& f, bool) {
  if (f[p::kByteValue] == p::kAccepted && f[p::kBytePort] == 0) OnSwitchAck(options_.beep, pendingBeep_);
}

void CGeneralPage::OnBorderAck(const CommandFrame& f, bool) {
  if (f[p::kByteValue] == p::kAccepted) OnSwitchAck(options_.border, pendingBorder_);
}

void CGeneralPage::OnBorderState(const CommandFrame& f, bool serialPath) {
  const uint8_t b4 = f[p::kByteValue];
  options_.border.checked = b4 == p::kOn || (b4 != p::kOff && !serialPath);
  pendingBorder_.reset();
  Notify();
  ReadBackChainDone();
}

void CGeneralPage::OnDisplayModeAck(const CommandFrame& f, bool) { ApplyDisplayMode(f[p::kBytePort]); }

void CGeneralPage::OnDisplayModeState(const CommandFrame& f, bool) { ApplyDisplayMode(f[p::kByteValue]); }

void CGeneralPage::OnLayoutState(const CommandFrame& f, bool) {
  Select(options_.layout, f[p::kByteValue]);
  Notify();
  ContinueReadBack(forms::FourByteGap(p::kOpMultiViewer, p::kSubQueryMainSource, 0, f[p::kByteValue]));
}

void CGeneralPage::OnLayoutAck(const CommandFrame& f, bool) {
  if (f[p::kByteValue] == p::kAccepted) Select(options_.layout, f[p::kBytePort]);
  Notify();
  ContinueReadBack(forms::FourByteGap(p::kOpMultiViewer, p::kSubQueryMainSource, 0, f[p::kBytePort]));
}

void CGeneralPage::OnMainAck(const CommandFrame& f, bool) {
  if (f[p::kByteValue] == p::kAccepted && pendingMain_) options_.main.selection = *pendingMain_;
  pendingMain_.reset();
  Notify();
}

void CGeneralPage::OnMainState(const CommandFrame& f, bool) {
  Select(options_.main, f[p::kByteValue]);
  Notify();
  ContinueReadBack(p::Query(p::kOpInputChannel, p::kSubQueryInputChannel));
}

void CGeneralPage::OnWallSizeAck(const CommandFrame& f, bool) {
  const bool columns = f[p::kByteSub] == p::kSubSetWallColumns;
  std::optional<int>& pending = columns ? pendingWallX_ : pendingWallY_;
  ListViewState& list = columns ? options_.wallX : options_.wallY;
  if (f[p::kByteValue] == p::kAccepted && pending) list.selection = *pending;
  pending.reset();
  Notify();
}

void CGeneralPage::OnWallSizeState(const CommandFrame& f, bool) {
  Select(options_.wallX, f[p::kByteValue]);
  Select(options_.wallY, f[p::kBytePort]);
  Notify();
  ContinueReadBack(p::Query(p::kOpInputChannel, p::kSubQueryInputChannel));
}

void CGeneralPage::OnInputChannelState(const CommandFrame& f, bool serialPath) {
  ApplyInputChannel(f[p::kByteValue], true, serialPath);
}

void CGeneralPage::OnInputChannelAck(const CommandFrame& f, bool serialPath) {
  ApplyInputChannel(f[p::kBytePort], false, serialPath);
}

}  // namespace velantor
