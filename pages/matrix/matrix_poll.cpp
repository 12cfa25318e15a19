// CMatrixPage, the poll: when the page is shown it reads, one query at a time, the input of
// outputs 1 to 4, the display mode, the signal type of inputs 1 to 4 and the switching effect
// and time of outputs 1 to 4. A display mode other than matrix disables the routing controls
// and ends the poll there.
#include <string>

#include "link/protocol.h"
#include "pages/matrix/matrix_page.h"

namespace velantor {

namespace {
namespace p = protocol;

// One query of the chain: its frame's opcode, sub-command and port (the output of a routing
// query travels in byte 4, every other port in byte 6), and its timers. A step with a first
// timer asks once more before giving up; the later steps give up at once.
struct PollStep {
  uint8_t op;
  uint8_t sub;
  int port;
  int firstTimer;
  int firstMs;
  int secondTimer;
};
constexpr PollStep kPollSteps[] = {
    {p::kOpRouting, p::kSubQueryRoute, 1, CMatrixPage::kTimerPollFirst, 3000, CMatrixPage::kTimerPollTimeout},
    // The switcher's display-mode answer decides whether the rest of the poll runs; the query
    // is guarded like the routing steps so that silence cannot leave the page busy.
    {p::kOpDisplayMode, p::kSubQueryDisplayMode, 0, CMatrixPage::kTimerDisplayModeRetry, 5000,
     CMatrixPage::kTimerDisplayModeTimeout},
    {p::kOpRouting, p::kSubQueryRoute, 2, 20, 5000, 21},
    {p::kOpRouting, p::kSubQueryRoute, 3, 22, 5000, 23},
    {p::kOpRouting, p::kSubQueryRoute, 4, 24, 5000, 25},
    {p::kOpQueryInputType, 0x01, 1, 0, 0, 62},
    {p::kOpQueryInputType, 0x01, 2, 0, 0, 63},
    {p::kOpQueryInputType, 0x01, 3, 0, 0, 64},
    {p::kOpQueryInputType, 0x01, 4, 0, 0, 65},
    {p::kOpQuerySwitching, p::kSubQueryEffect, 1, 0, 0, 66},
    {p::kOpQuerySwitching, p::kSubQueryEffect, 2, 0, 0, 67},
    {p::kOpQuerySwitching, p::kSubQueryEffect, 3, 0, 0, 68},
    {p::kOpQuerySwitching, p::kSubQueryEffect, 4, 0, 0, 69},
    {p::kOpQuerySwitching, p::kSubQueryTime, 1, 0, 0, 70},
    {p::kOpQuerySwitching, p::kSubQueryTime, 2, 0, 0, 71},
    {p::kOpQuerySwitching, p::kSubQueryTime, 3, 0, 0, 72},
    {p::kOpQuerySwitching, p::kSubQueryTime, 4, 0, 0, 73},
};
constexpr int kReplyTimeoutMs = 5000;

ExchangeStep PollExchangeStep(const PollStep& s) {
  if (s.op == p::kOpRouting) {
    return ExchangeStep::Frame(p::QueryRoute(s.port), {s.op, s.sub}, s.firstTimer, s.secondTimer, s.firstMs,
                               kReplyTimeoutMs);
  }
  if (s.op == p::kOpDisplayMode) {
    return ExchangeStep::Frame(p::Query(s.op, s.sub), {s.op, s.sub}, s.firstTimer, s.secondTimer, s.firstMs,
                               kReplyTimeoutMs);
  }
  return ExchangeStep::Frame(forms::FourByteGap(s.op, s.sub, 0, s.port), {s.op, s.sub, s.port}, 0, s.secondTimer,
                             kReplyTimeoutMs, kReplyTimeoutMs);
}
}  // namespace

// Over TCP the poll starts on the command socket's connect notification (the shell connects it
// for the page), or at once when it is connected already; over the serial link the page opens
// its own port, and only while the panel's serial link is open.
void CMatrixPage::StartPolling() {
  if (shared_.LinkMode == 1) {
    if (!socketWait_.Ready(
            shared_.PageSocketConnected == 1, [this](int ms) { SetTimer(kTimerSocketConnect, ms); },
            [this] { SocketConnectFailed(); })) {
      return;
    }
    ResetCollectors();
    tcpReception_ = true;
  } else {
    if (shared_.ComLinkOpen != 1) {
      ShowMessageFor(1500, kOpenComFailed);
      Notify();
      return;
    }
    // The page's own port, on the shared settings but with two stop bits.
    SerialSettings settings;
    settings.stopBits = 2;
    shared_.SharedStopBits = 2;
    if (port_.Open(this, shared_.ComPortNumber, settings) != 1) {
      ShowMessageFor(1500, kOpenComFailed);
      Notify();
      return;
    }
    ResetCollectors();
    port_.StartMonitoring();
  }
  StartPollChain();
}

void CMatrixPage::SocketConnectFailed() {
  socketGaveUp_ = true;
  KillTimer(kTimerSocketConnect);
  ShowMessageFor(1500, kConnectFailed);
  Notify();
}

void CMatrixPage::StartPollChain() {
  singleSwitch_ = 1;
  Exchange poll = NewExchange(kPoll, true);
  for (const PollStep& s : kPollSteps) poll.steps.push_back(PollExchangeStep(s));
  poll.onReply = [this](const CommandFrame& frame, size_t index) { return OnPollReply(frame, index); };
  poll.onEnd = [this](ExchangeEnd, size_t) { OnExchangeEnd(); };
  runner_.Start(std::move(poll));
  Notify();
}

// The routing queries of outputs `firstOutput` to 4, as the poll asks them.
void CMatrixPage::AppendRouteQueries(Exchange& exchange, int firstOutput) const {
  for (const PollStep& s : kPollSteps) {
    if (s.op == p::kOpRouting && s.port >= firstOutput) exchange.steps.push_back(PollExchangeStep(s));
  }
}

ReplyVerdict CMatrixPage::OnPollReply(const CommandFrame& frame, size_t index) {
  if (index >= std::size(kPollSteps)) return ReplyVerdict::kWait;
  const PollStep& s = kPollSteps[index];
  const bool serialPath = shared_.LinkMode != 1;
  switch (s.op) {
    case p::kOpRouting:
      return OnRouteReply(frame, s.port, serialPath);
    case p::kOpDisplayMode:
      ApplyDisplayMode(frame[p::kByteValue]);
      return frame[p::kByteValue] == p::kModeMatrix ? ReplyVerdict::kAccept : ReplyVerdict::kFinish;
    case p::kOpQueryInputType:
      OnTypeReport(frame, serialPath);
      return ReplyVerdict::kAccept;
    default:
      s.sub == p::kSubQueryEffect ? OnModeReport(frame, serialPath) : OnTimeReport(frame, serialPath);
      return ReplyVerdict::kAccept;
  }
}

// Any output's routing reply is shown; only the asked output's moves the chain on.
ReplyVerdict CMatrixPage::OnRouteReply(const CommandFrame& frame, int output, bool serialPath) {
  ApplyRouteReport(frame, serialPath);
  return frame[p::kByteValue] == output ? ReplyVerdict::kAccept : ReplyVerdict::kWait;
}

void CMatrixPage::OnRouteReport(const CommandFrame& frame, bool serialPath) { ApplyRouteReport(frame, serialPath); }

// Byte 4 names the output, byte 6 its input. The read-out shows whatever the switcher reports;
// over the serial link only inputs 1 to 4 move the buttons and the routing model, over TCP any.
void CMatrixPage::ApplyRouteReport(const CommandFrame& frame, bool serialPath) {
  const int output = frame[p::kByteValue];
  const int input = frame[p::kBytePort];
  if (output < 1 || output > kMatrixPorts) return;
  // An input the switcher cannot have is no route: the output shows none rather than a guess,
  // on the read-out too, and next / previous do not step from the input it showed before.
  if (input < 1 || input > kMaxReportedInput) {
    for (CheckViewState& button : view_.outputs[Slot(output)].inputs) button.checked = false;
    view_.outputs[Slot(output)].display = std::string(kNoInputShown);
    view_.outputs[Slot(output)].current = true;
    outputSource_[Slot(output)] = kNoInput;
    shownInput_[Slot(output)] = kNoInput;
    return;
  }
  ShowNumber(output, input);
  if (serialPath && (input < 1 || input > kMatrixShownPorts)) return;
  currentInput_ = input;
  outputSource_[Slot(output)] = input;
  ShowInput(output, input);
}

void CMatrixPage::ApplyDisplayMode(int mode) { SetRoutingControlsEnabled(mode == p::kModeMatrix); }

std::vector<int> CMatrixPage::PollTimerIds() {
  std::vector<int> ids;
  for (const PollStep& s : kPollSteps) {
    if (s.firstTimer != 0) ids.push_back(s.firstTimer);
    ids.push_back(s.secondTimer);
  }
  return ids;
}

// Outside the matrix display mode nothing of the routing page applies.
void CMatrixPage::SetRoutingControlsEnabled(bool enabled) {
  routingEnabled_ = enabled;
  view_.selectOutput.enabled = enabled;
  view_.allList.enabled = enabled;
  view_.allButton.enabled = enabled;
  view_.sceneSet.enabled = enabled;
  for (int n = 1; n <= kMatrixShownPorts; ++n) view_.configInputs[Slot(n)].enabled = enabled;
  for (int k = 1; k <= kMatrixShownPorts; ++k) {
    MatrixOutputViewState& out = view_.outputs[Slot(k)];
    for (int n = 1; n <= kMatrixShownPorts; ++n) out.inputs[Slot(n)].enabled = enabled;
    out.previous.enabled = enabled;
    out.next.enabled = enabled;
    MatrixColumnViewState& column = view_.columns[Slot(k)];
    column.mode.enabled = enabled;
    column.time.enabled = enabled;
    RestoreColumnButtons(k);
    for (CheckViewState& type : column.types) type.enabled = enabled;
  }
}

}  // namespace velantor
