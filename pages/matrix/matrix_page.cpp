#include "pages/matrix/matrix_page.h"

#include "link/protocol.h"

namespace velantor {

namespace {
namespace p = protocol;

constexpr const char* kOpenPortReminder = "请打开串口";
constexpr int kMessageMs = 1500;

// The Matrix page logs TCP bytes as they are read and takes them only while its poll has
// opened reception; serial frames get the signed-sum verdict.
PagePolicy MatrixPolicy() {
  PagePolicy policy;
  policy.pageNumber = kPageMatrix;
  policy.receive.tcpLogsBytes = true;
  policy.receive.idle = CollectorPolicy::Idle::kDropBytes;
  policy.sentLog = SentLogOrder::kBeforeSend;
  policy.messageTimer = CMatrixPage::kTimerMessage;
  return policy;
}

std::string OutputLetterCaption(int output) { return std::string("OUTPUT ") + static_cast<char>('A' + output - 1); }
}  // namespace

CMatrixPage::CMatrixPage(EventLoop& loop, SharedState& shared, MainWindowPort& mainWindow, SerialLink& port)
    : PageBase(loop, shared, mainWindow, port, MatrixPolicy()) {
  InitialiseView();
  InitialiseScenes();
}

void CMatrixPage::InitialiseView() {
  for (int k = 1; k <= kMatrixPorts; ++k) {
    MatrixOutputViewState& out = view_.outputs[Slot(k)];
    const bool shown = k <= kMatrixShownPorts;
    out.caption = OutputLetterCaption(k);
    out.visible = shown;
    // The read-out starts on the working route as it stands, without the 1 added.
    out.display = std::to_string(workingRoute_[Slot(k)]);
    for (int n = 1; n <= kMatrixPorts; ++n) {
      out.inputs[Slot(n)] = CheckViewState{std::to_string(n), false, true, shown && n <= kMatrixShownPorts};
    }
    out.previous.visible = shown;
    out.next.visible = shown;
    view_.configInputs[Slot(k)] = CheckViewState{std::to_string(k), false, true, shown};
  }
  for (int k = 1; k <= kMatrixShownPorts; ++k) {
    MatrixColumnViewState& column = view_.columns[Slot(k)];
    column.mode.items.assign(kSwitchModeNames.begin(), kSwitchModeNames.end());
    column.time.items.assign(kSwitchTimeNames.begin(), kSwitchTimeNames.end());
    column.typeCaption = "INPUT " + std::to_string(k);
    // AUTO and SCALER wait for the poll to find the matrix display mode and the input types.
    column.autoButton.enabled = false;
    column.scaler.enabled = false;
  }
  for (int k = 1; k <= kMatrixShownPorts; ++k) view_.selectOutput.items.push_back("Output" + std::to_string(k));
  view_.selectOutput.items.push_back("All Output");
  view_.selectOutput.items.push_back("Port to Port");
  view_.selectOutput.selection = 0;
  for (int n = 1; n <= kMatrixShownPorts; ++n) view_.allList.items.push_back(std::to_string(n));
  // ALL always names an input: there is no input 0 to send.
  view_.allList.selection = 0;
}

// ---- received frames ----

// Reports the switcher sends about its state; they update the page whether or not a command
// awaits them. Acknowledgements that no command awaits are not in this table: they change
// nothing.
struct ReportRow {
  uint8_t op;
  uint8_t sub;
  void (CMatrixPage::*handler)(const CommandFrame& frame, bool serialPath);
};

void CMatrixPage::OnFrame(const CommandFrame& frame, bool sumOk, bool serialPath) {
  if (!frame.HasStartPair()) return;
  if (!serialPath && shared_.LinkMode != 1) return;
  if (p::IsStandbyReport(frame)) {
    OnStandby();
    return;
  }
  // Serial frames count only with an exactly-zero signed sum, every frame only with a right
  // checksum. A damaged acknowledgement of the switch in flight is answered by sending it again.
  const bool judged = frame.ChecksumOk() && (!serialPath || sumOk);
  if (!judged) ResendCorruptedAck(frame);
  if (runner_.OnFrame(frame, judged) || !judged) return;
  static constexpr ReportRow kReports[] = {
      {p::kOpRouting, p::kSubQueryRoute, &CMatrixPage::OnRouteReport},
      {p::kOpInputType, p::kSubSetInputType, &CMatrixPage::OnTypeAck},
      {p::kOpQueryInputType, 0x01, &CMatrixPage::OnTypeReport},
      {p::kOpQuerySwitching, p::kSubQueryEffect, &CMatrixPage::OnModeReport},
      {p::kOpQuerySwitching, p::kSubQueryTime, &CMatrixPage::OnTimeReport},
  };
  for (const ReportRow& row : kReports) {
    if (p::IsReplyTo(frame, row.op, row.sub)) {
      (this->*row.handler)(frame, serialPath);
      return;
    }
  }
}

// Every other timer of the page belongs to an exchange of the runner, the message or the
// animation.
void CMatrixPage::OnPageTimer(int id) {
  KillTimer(id);
  if (id == kTimerSocketConnect && socketWait_.OnTimeout()) SocketConnectFailed();
  if (id == kTimerTypeGuard) GuardTypeRequests();
}

std::vector<int> CMatrixPage::TimerIds() {
  std::vector<int> ids;
  for (int k = 1; k <= kMatrixPorts; ++k) {  // the switch timers of output k
    ids.push_back(2 * k - 1);
    ids.push_back(2 * k);
  }
  for (int id : {kTimerSocketConnect, kTimerMessage, kTimerAnimation, kTimerTypeGuard}) ids.push_back(id);
  for (const auto& part : {PollTimerIds(), EffectTimerIds()}) ids.insert(ids.end(), part.begin(), part.end());
  return ids;
}

bool CMatrixPage::AcceptsTcpFrames() const { return tcpReception_ && shared_.CurrentPage == kPageMatrix; }

// The poll waits for the socket's connect; once the switcher closed the connection no reply can
// come, so the command ends now.
void CMatrixPage::OnSocketNotice(int event, int error, bool wasConnected) {
  if (event == kSocketConnect && !socketWait_.OnConnect(error)) {
    // A connect after the page gave up on it starts no poll, but the controls can send on it
    // now, so their replies must be taken: without reception every command would end in
    // "Time out!" although the switcher carried it out.
    if (error == 0 && socketGaveUp_) {
      ResetCollectors();
      tcpReception_ = true;
    }
    return;
  }
  if (event == kSocketConnect) {
    if (error != 0) {
      SocketConnectFailed();
      return;
    }
    KillTimer(kTimerSocketConnect);
    ResetCollectors();
    tcpReception_ = true;
    StartPollChain();
    return;
  }
  if (event != kSocketClose || !wasConnected) return;
  MarkReportsStale();
  ForgetTypeRequests();  // no acknowledgement can come over a closed connection
  Notify();
  if (!runner_.Running()) return;
  runner_.End(ExchangeEnd::kAbandoned);
  ShowMessageFor(kMessageMs, kConnectFailed);
  Notify();
}

void CMatrixPage::ShowTimeOut(const std::string& text) { ShowMessageFor(kMessageMs, text, true); }

// Standby ends every operation as its time-out would, without the time-out's message: the
// controls show what the switcher last confirmed, and no request waits for an answer.
void CMatrixPage::OnStandby() {
  runner_.End(ExchangeEnd::kStandby);
  socketWait_.Reset();
  ForgetTypeRequests();
  for (int id = 1; id <= kLastPageTimer; ++id) KillTimer(id);
  shared_.Busy.Close();
  ShowStandbyNotice();
  Notify();
}

// Over TCP the link test of every other control applies: the serial port has nothing to do
// with a command that goes out on the socket.
bool CMatrixPage::ConfigLinkReady() {
  if (shared_.LinkMode == 1) return LinkReady();
  if (LinkUp()) return true;
  view_.systemMessage = kOpenPortReminder;
  ++view_.systemMessageCount;
  Notify();
  return false;
}

Exchange CMatrixPage::NewExchange(int id, bool withBusy) {
  Exchange exchange;
  exchange.id = id;
  exchange.locksHeaders = true;
  if (withBusy) {
    exchange.busy = BusyFamily::kPleaseWait;
    exchange.animationTimer = kTimerAnimation;
    exchange.busyFromStart = false;
    exchange.busyPerStep = true;
  }
  return exchange;
}

void CMatrixPage::OnExchangeEnd() {
  inputIdle_.fill(1);
  sceneIdle_ = 1;
  resendDone_ = 0;
  switchSteps_.clear();
  Notify();
}

// A closed port cannot answer: the command in flight ends with the port's message.
void CMatrixPage::ClosePort() {
  port_.Close();
  MarkReportsStale();
  ForgetTypeRequests();
  if (!runner_.Running()) return;
  runner_.End(ExchangeEnd::kAbandoned);
  ShowMessageFor(kMessageMs, kOpenComFailed);
  Notify();
}

// The read-outs, lists and type buttons no longer show what the switcher has once the link went
// or the page was left: they are drawn grey until a report comes.
void CMatrixPage::MarkReportsStale() {
  MarkRoutesStale();
  for (MatrixColumnViewState& column : view_.columns) column.modeCurrent = column.timeCurrent = column.typeCurrent = false;
}

void CMatrixPage::MarkRoutesStale() {
  for (MatrixOutputViewState& output : view_.outputs) output.current = false;
}

// Every page change stops TCP reception; leaving ends the command in flight quietly, since its
// reply can no longer reach this page.
void CMatrixPage::OnTabChosen(int /*page*/) {
  MarkReportsStale();  // read on this visit; the next one reads them again
  tcpReception_ = false;
  socketWait_.Reset();  // the shell connects the socket anew for the page shown
  socketGaveUp_ = false;
  KillTimer(kTimerSocketConnect);
  ForgetTypeRequests();
  if (runner_.Running()) runner_.End(ExchangeEnd::kAbandoned);
}

void CMatrixPage::ClearReceivedLog() {
  receivedLog_.Clear();
  Notify();
}

}  // namespace velantor
