// CMatrixPage, switching effects and input types: SWITCH MODE and SWITCH TIME per output,
// HDMI / VGA / AV per input, and the AUTO and SCALER commands per column. The lists and the type
// buttons show what the switcher confirmed; a refused or unanswered change is put back.
#include "link/protocol.h"
#include "pages/matrix/matrix_page.h"

#include <algorithm>

namespace velantor {

namespace p = protocol;

// SWITCH MODE and SWITCH TIME differ only in their sub-command, their entries, their timers
// and where their state and list live.
struct CMatrixPage::EffectKind {
  uint8_t sub;
  int entries;
  std::array<int, kMatrixShownPorts> firstTimers;
  std::array<int, kMatrixShownPorts> secondTimers;
  EffectSetting CMatrixPage::*setting;
  ListViewState MatrixColumnViewState::*list;
  bool MatrixColumnViewState::*current;
};

const CMatrixPage::EffectKind CMatrixPage::kModeKind{
    p::kSubEffect, 16, {40, 45, 49, 53}, {41, 46, 50, 54}, &CMatrixPage::mode_, &MatrixColumnViewState::mode,
    &MatrixColumnViewState::modeCurrent};
const CMatrixPage::EffectKind CMatrixPage::kTimeKind{
    p::kSubTime, 8, {42, 47, 51, 55}, {43, 48, 52, 56}, &CMatrixPage::time_, &MatrixColumnViewState::time,
    &MatrixColumnViewState::timeCurrent};

namespace {
constexpr int kEffectFirstMs = 3000;
constexpr int kEffectTimeoutMs = 5000;
constexpr int kColumnTimeoutMs = 5000;
constexpr std::array<int, kMatrixShownPorts> kAutoTimers{44, 57, 58, 61};
constexpr std::array<int, kMatrixShownPorts> kScalerTimers{74, 75, 76, 77};
}  // namespace

ListViewState& CMatrixPage::EffectList(const EffectKind& kind, int column) {
  return view_.columns[Slot(column)].*kind.list;
}

void CMatrixPage::OnSwitchModeSelChange(int column, int index) { OnEffectSelChange(kModeKind, column, index); }
void CMatrixPage::OnSwitchTimeSelChange(int column, int index) { OnEffectSelChange(kTimeKind, column, index); }

void CMatrixPage::OnEffectSelChange(const EffectKind& kind, int column, int index) {
  if (!ValidOutput(column)) return;
  const size_t k = Slot(column);
  EffectSetting& setting = this->*kind.setting;
  // The list goes back to the confirmed entry at once and moves on the acknowledgement.
  EffectList(kind, column).selection = setting.confirmed[k];
  Notify();
  if (!EffectList(kind, column).enabled || PageBusy() == 1 || !LinkReady()) return;
  if (index < 0 || index >= kind.entries) return;
  setting.pending[k] = index;
  Exchange exchange = NewExchange(kEffectCommand, true);
  exchange.steps.push_back(ExchangeStep::Frame(p::SetSwitching(kind.sub, index + 1, column),
                                               {p::kOpSwitching, kind.sub, column}, kind.firstTimers[k],
                                               kind.secondTimers[k], kEffectFirstMs, kEffectTimeoutMs));
  const EffectKind* which = &kind;
  exchange.onReply = [this, which, column, k](const CommandFrame& frame, size_t) {
    if (frame[p::kByteValue] != p::kAccepted) return ReplyVerdict::kRefuse;
    EffectSetting& s = this->*which->setting;
    s.confirmed[k] = s.pending[k];
    EffectList(*which, column).selection = s.confirmed[k];
    view_.columns[k].*which->current = true;
    return ReplyVerdict::kAccept;
  };
  exchange.onEnd = [this, which, column, k](ExchangeEnd end, size_t) {
    EffectSetting& s = this->*which->setting;
    if (end != ExchangeEnd::kDone) s.pending[k] = s.confirmed[k];
    EffectList(*which, column).selection = s.confirmed[k];
    // Unanswered, the change may have been made: the list is grey until reported again.
    if (end == ExchangeEnd::kTimeOut) view_.columns[k].*which->current = false;
    OnExchangeEnd();
  };
  runner_.Start(std::move(exchange));
  Notify();
}

// A report of effect or time number `value` (1-based) for output `column`.
// A number outside the list is no setting the page knows: the list shows none.
void CMatrixPage::ApplyEffectReport(const EffectKind& kind, int column, int value) {
  if (!ValidOutput(column)) return;
  const int index = value >= 1 && value <= kind.entries ? value - 1 : -1;
  EffectSetting& setting = this->*kind.setting;
  setting.confirmed[Slot(column)] = index;
  setting.pending[Slot(column)] = index;
  EffectList(kind, column).selection = index;
  view_.columns[Slot(column)].*kind.current = true;
}

void CMatrixPage::OnModeReport(const CommandFrame& frame, bool) {
  ApplyEffectReport(kModeKind, frame[p::kBytePort], frame[p::kByteValue]);
}

void CMatrixPage::OnTimeReport(const CommandFrame& frame, bool) {
  ApplyEffectReport(kTimeKind, frame[p::kBytePort], frame[p::kByteValue]);
}

// ---- input types ----

// The radio buttons' own change is undone: they show the confirmed type until the switcher
// acknowledges. A type request does not make the page busy; several may wait at once, and one
// guard timer says "Time out!" for those never answered, so no click ends without a word.
void CMatrixPage::OnTypeButton(int column, int type) {
  Notify();
  if (!ValidOutput(column) || type < p::kSignalHdmi || type > p::kSignalAv) return;
  if (!view_.columns[Slot(column)].types[static_cast<size_t>(type - 1)].enabled) return;
  if (PageBusy() == 1 || !LinkUp()) return;
  Send(p::SetInputType(type, column));
  typeRequests_[Slot(column)].push_back({type, Loop().NowMs()});
  if (!TimerRunning(kTimerTypeGuard)) SetTimer(kTimerTypeGuard, kReplyMs);
}

// Requests past the reply time are lost: say so once, and wait for the oldest one left.
void CMatrixPage::GuardTypeRequests() {
  KillTimer(kTimerTypeGuard);
  const int64_t now = Loop().NowMs();
  bool lost = false;
  int64_t oldest = -1;
  for (size_t k = 0; k < typeRequests_.size(); ++k) {
    std::deque<TypeRequest>& requests = typeRequests_[k];
    while (!requests.empty() && now - requests.front().sentMs >= kReplyMs) {
      requests.pop_front();
      lost = true;
      view_.columns[k].typeCurrent = false;  // the switcher may have taken it
    }
    if (!requests.empty() && (oldest < 0 || requests.front().sentMs < oldest)) oldest = requests.front().sentMs;
  }
  if (oldest >= 0) SetTimer(kTimerTypeGuard, static_cast<int>(std::max<int64_t>(1, oldest + kReplyMs - now)));
  if (lost) ShowTimeOut("Time out!");
  Notify();
}

void CMatrixPage::ForgetTypeRequests() {
  for (auto& requests : typeRequests_) requests.clear();
  KillTimer(kTimerTypeGuard);
}

void CMatrixPage::ApplyType(int column, int type, bool /*serialPath*/) {
  if (!ValidOutput(column) || type < p::kSignalHdmi || type > p::kSignalAv) return;
  MatrixColumnViewState& view = view_.columns[Slot(column)];
  for (int t = p::kSignalHdmi; t <= p::kSignalAv; ++t) view.types[static_cast<size_t>(t - 1)].checked = t == type;
  confirmedType_[Slot(column)] = type;
  view.typeCurrent = true;
  RestoreColumnButtons(column);
}

// AUTO adjusts an analogue picture, so only VGA offers it; SCALER serves every known type, on
// either link. Outside the matrix display mode neither applies.
void CMatrixPage::RestoreColumnButtons(int column) {
  MatrixColumnViewState& view = view_.columns[Slot(column)];
  const int type = confirmedType_[Slot(column)];
  view.autoButton.enabled = routingEnabled_ && type == p::kSignalVga;
  view.scaler.enabled = routingEnabled_ && type >= p::kSignalHdmi && type <= p::kSignalAv;
}

// The acknowledgement carries no type: it answers the oldest request of its input still within
// the reply time, which it confirms or, refused, drops.
void CMatrixPage::OnTypeAck(const CommandFrame& frame, bool serialPath) {
  const int column = frame[p::kBytePort];
  if (!ValidOutput(column)) return;
  std::deque<TypeRequest>& requests = typeRequests_[Slot(column)];  // the guard dropped the lost ones
  if (requests.empty()) return;
  const int type = requests.front().type;
  requests.pop_front();
  if (std::all_of(typeRequests_.begin(), typeRequests_.end(), [](const auto& r) { return r.empty(); })) {
    KillTimer(kTimerTypeGuard);
  }
  if (frame[p::kByteValue] == p::kAccepted) {
    ApplyType(column, type, serialPath);
  } else {
    ShowMessageFor(1500, kSetFailed);  // the radio stays on the confirmed type: say why
  }
}

void CMatrixPage::OnTypeReport(const CommandFrame& frame, bool serialPath) {
  ApplyType(frame[p::kBytePort], frame[p::kByteValue], serialPath);
}

// ---- AUTO and SCALER ----

void CMatrixPage::OnAutoButton(int column) { StartColumnCommand(p::kSubAuto, column); }
void CMatrixPage::OnScalerButton(int column) { StartColumnCommand(p::kSubScaler, column); }

// The button stays disabled until the acknowledgement or the time-out; there is no resend.
void CMatrixPage::StartColumnCommand(uint8_t sub, int column) {
  if (!ValidOutput(column) || PageBusy() == 1 || !LinkReady()) return;
  const bool isAuto = sub == p::kSubAuto;
  CheckViewState MatrixColumnViewState::*button = isAuto ? &MatrixColumnViewState::autoButton : &MatrixColumnViewState::scaler;
  CheckViewState& state = view_.columns[Slot(column)].*button;
  if (!state.enabled) return;
  state.enabled = false;
  const int timer = (isAuto ? kAutoTimers : kScalerTimers)[Slot(column)];
  Exchange exchange = NewExchange(kColumnCommand, false);
  exchange.steps.push_back(ExchangeStep::Frame(p::ColumnCommand(sub, column), {p::kOpInputType, sub, column}, 0,
                                               timer, kColumnTimeoutMs, kColumnTimeoutMs));
  // AUTO and SCALER leave nothing on screen to show whether they took: a refusal is said.
  exchange.onReply = [](const CommandFrame& frame, size_t) {
    return frame[p::kByteValue] == p::kAccepted ? ReplyVerdict::kAccept : ReplyVerdict::kRefuse;
  };
  exchange.onEnd = [this, column](ExchangeEnd end, size_t) {
    RestoreColumnButtons(column);
    OnExchangeEnd();
    if (end == ExchangeEnd::kRefused) ShowMessageFor(1500, kSetFailed);
  };
  runner_.Start(std::move(exchange));
  Notify();
}

std::vector<int> CMatrixPage::EffectTimerIds() {
  std::vector<int> ids;
  for (const EffectKind* kind : {&kModeKind, &kTimeKind}) {
    ids.insert(ids.end(), kind->firstTimers.begin(), kind->firstTimers.end());
    ids.insert(ids.end(), kind->secondTimers.begin(), kind->secondTimers.end());
  }
  ids.insert(ids.end(), kAutoTimers.begin(), kAutoTimers.end());
  ids.insert(ids.end(), kScalerTimers.begin(), kScalerTimers.end());
  return ids;
}

}  // namespace velantor
