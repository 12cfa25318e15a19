// CMatrixPage, routing: single switches from an output's input buttons and its previous / next
// buttons, sequences that switch outputs 1 to 4 one after another from the working route (All
// Output, Port to Port, scene recall), the Output configuration group and the ALL command.
// A switch shows its input only when the switcher acknowledges it with status 0.
#include <string>

#include "link/protocol.h"
#include "pages/matrix/matrix_page.h"

namespace velantor {

namespace {
namespace p = protocol;

// "Select Output" entries as the routing model counts them: Output1 to Output4, then All
// Output and Port to Port.
constexpr int kSelectValues[] = {0, 1, 2, 3, CMatrixPage::kAllOutputs, CMatrixPage::kPortToPort};
}  // namespace

// ---- showing an output's input ----

void CMatrixPage::ShowNumber(int output, int value) {
  view_.outputs[Slot(output)].display = std::to_string(value);
  view_.outputs[Slot(output)].current = true;
  shownInput_[Slot(output)] = value;
}

// The read-out shows the number; the buttons check the input's own button and clear the rest.
// Inputs outside 1 to 8 have no button: the buttons stay as they are.
void CMatrixPage::ShowInput(int output, int input) {
  ShowNumber(output, input);
  if (input < 1 || input > kMatrixPorts) return;
  auto& buttons = view_.outputs[Slot(output)].inputs;
  for (int n = 1; n <= kMatrixPorts; ++n) buttons[Slot(n)].checked = n == input;
}

// ---- switch exchanges ----

ExchangeStep CMatrixPage::SwitchStep(int input, int output, int firstMs) const {
  return ExchangeStep::Frame(p::SwitchOne(input, output), {p::kOpRouting, p::kSubSwitchOne, output}, 2 * output - 1,
                             2 * output, firstMs, kReplyMs);
}

void CMatrixPage::StartSingleSwitch(int output, int input, int firstMs) {
  singleSwitch_ = 1;
  currentInput_ = input;
  resendDone_ = 0;
  Exchange exchange = NewExchange(kSingleSwitch, true);
  exchange.steps.push_back(SwitchStep(input, output, firstMs));
  exchange.onReply = [this](const CommandFrame& frame, size_t index) { return OnSwitchAck(frame, index); };
  exchange.onEnd = [this](ExchangeEnd end, size_t index) { OnSwitchEnd(end, index); };
  runner_.Start(std::move(exchange));
  switchSteps_ = {{input, output}};
  Notify();
}

// Outputs 1 to 4 in turn, each after the previous one's acknowledgement; the sequence is done
// with output 4, the last output of the switcher the page drives (or with the last output a
// scene names).
void CMatrixPage::StartSequence() {
  std::vector<std::pair<int, int>> steps;
  for (int k = 1; k <= kMatrixShownPorts; ++k) steps.push_back({workingRoute_[Slot(k)] + 1, k});
  StartSequence(std::move(steps));
}

void CMatrixPage::StartSequence(std::vector<std::pair<int, int>> steps) {
  singleSwitch_ = 0;
  resendDone_ = 0;
  Exchange exchange = NewExchange(kSequence, true);
  for (const auto& [input, output] : steps) exchange.steps.push_back(SwitchStep(input, output, kReplyMs));
  exchange.onReply = [this](const CommandFrame& frame, size_t index) { return OnSwitchAck(frame, index); };
  exchange.onEnd = [this](ExchangeEnd end, size_t index) { OnSwitchEnd(end, index); };
  runner_.Start(std::move(exchange));
  switchSteps_ = std::move(steps);
  Notify();
}

// The awaited output's acknowledgement. One with a status other than 0 is the switcher's refusal:
// the output keeps its input, and waiting for a time-out would blame the link for it.
ReplyVerdict CMatrixPage::OnSwitchAck(const CommandFrame& frame, size_t index) {
  if (index >= switchSteps_.size()) return ReplyVerdict::kWait;
  if (frame[p::kByteValue] != p::kAccepted) return ReplyVerdict::kRefuse;
  const auto [input, output] = switchSteps_[index];
  currentInput_ = input;
  outputSource_[Slot(output)] = input;
  ShowInput(output, input);
  resendDone_ = 0;
  return ReplyVerdict::kAccept;
}

// A switch whose acknowledgement never came may have been made: the output's read-out is grey
// until the switcher reports it again.
void CMatrixPage::OnSwitchEnd(ExchangeEnd end, size_t index) {
  if (end == ExchangeEnd::kRefused) ShowMessageFor(1500, kSetFailed);
  if (end == ExchangeEnd::kTimeOut && index < switchSteps_.size()) {
    view_.outputs[Slot(switchSteps_[index].second)].current = false;
  }
  OnExchangeEnd();
}

// A damaged acknowledgement of the output being switched: the switch goes out once more at
// once. The step's timers keep running, so a second damaged one ends by the time-out.
void CMatrixPage::ResendCorruptedAck(const CommandFrame& frame) {
  const int id = runner_.RunningId();
  if ((id != kSingleSwitch && id != kSequence) || !p::IsReplyTo(frame, p::kOpRouting, p::kSubSwitchOne)) return;
  const size_t index = runner_.StepIndex();
  if (index >= switchSteps_.size() || resendDone_ == 1) return;
  const auto [input, output] = switchSteps_[index];
  if (frame[p::kBytePort] != output) return;
  Send(p::SwitchOne(input, output));
  resendDone_ = 1;
}

// ---- user actions ----

void CMatrixPage::OnInputButton(int output, int input) {
  // The button's own toggle is undone by showing the state again: it changes on the
  // acknowledgement only.
  Notify();
  if (!ValidOutput(output) || input < 1 || input > kMatrixShownPorts) return;
  if (!view_.outputs[Slot(output)].inputs[Slot(input)].enabled) return;
  if (PageBusy() == 1 || !LinkReady()) return;
  StartSingleSwitch(output, input, kButtonFirstMs);
}

void CMatrixPage::SwitchFromSource(int output, int input, bool enabled) {
  if (!enabled || PageBusy() == 1 || !LinkReady()) return;
  StartSingleSwitch(output, input, kButtonFirstMs);
}

// The steps stay within inputs 1 to 4, whatever input the switcher last reported.
void CMatrixPage::OnNext(int output) {
  if (!ValidOutput(output)) return;
  const int v = OutputSource(output);
  SwitchFromSource(output, v >= 1 && v < kMatrixShownPorts ? v + 1 : 1, view_.outputs[Slot(output)].next.enabled);
}

void CMatrixPage::OnPrevious(int output) {
  if (!ValidOutput(output)) return;
  const int v = OutputSource(output);
  SwitchFromSource(output, v >= 2 && v <= kMatrixShownPorts ? v - 1 : kMatrixShownPorts,
                   view_.outputs[Slot(output)].previous.enabled);
}

void CMatrixPage::OnSelectOutput(int listIndex) {
  if (listIndex < 0 || listIndex >= static_cast<int>(std::size(kSelectValues))) return;
  if (!view_.selectOutput.enabled) {
    Notify();  // the list shows the entry chosen before
    return;
  }
  view_.selectOutput.selection = listIndex;
  selectedOutput_ = kSelectValues[listIndex];
  Notify();
  if (selectedOutput_ != kPortToPort) return;
  if (PageBusy() == 1 || sceneIdle_ == 0 || !ConfigLinkReady()) return;
  for (int k = 1; k <= kMatrixPorts; ++k) workingRoute_[Slot(k)] = k - 1;
  sceneIdle_ = 0;
  StartSequence();
}

void CMatrixPage::OnConfigInput(int input) {
  if (input < 1 || input > kMatrixShownPorts || !view_.configInputs[Slot(input)].enabled) return;
  if (PageBusy() == 1 || !ConfigLinkReady()) return;
  if (selectedOutput_ == kPortToPort || sceneIdle_ == 0) return;
  for (int idle : inputIdle_) {
    if (idle == 0) return;
  }
  inputIdle_[Slot(input)] = 0;
  currentInput_ = input;
  if (selectedOutput_ == kAllOutputs) {
    workingRoute_.fill(input - 1);
    StartSequence();
    return;
  }
  StartSingleSwitch(selectedOutput_ + 1, input, kReplyMs);
}

void CMatrixPage::OnAllListSelChange(int index) {
  if (index < 0 || index >= static_cast<int>(view_.allList.items.size())) return;
  view_.allList.selection = index;
  Notify();
}

// ALL switches every output at once. The switcher does not acknowledge it, so the page reads
// the routes of outputs 1 to 4 back to show what it did.
void CMatrixPage::OnAllButton() {
  if (!view_.allButton.enabled || view_.allList.selection < 0 || PageBusy() == 1 || !LinkReady()) return;
  MarkRoutesStale();  // every output has switched: each is shown again once read back
  Exchange exchange = NewExchange(kAllCommand, true);
  ExchangeStep all;
  const CommandFrame frame = p::SwitchAll(view_.allList.selection + 1);
  all.bytes.assign(frame.data(), frame.data() + frame.size());
  exchange.steps.push_back(std::move(all));
  AppendRouteQueries(exchange, 1);
  exchange.onReply = [this](const CommandFrame& reply, size_t index) {
    return OnRouteReply(reply, static_cast<int>(index), shared_.LinkMode != 1);
  };
  exchange.onEnd = [this](ExchangeEnd, size_t) { OnExchangeEnd(); };
  runner_.Start(std::move(exchange));
  Notify();
}

}  // namespace velantor
