#include "pages/edid/edid_page.h"

#include "link/command_socket.h"
#include "link/protocol.h"

namespace velantor {

namespace {
namespace p = protocol;

constexpr int kMessageMs = 1500;

// The EDID page counts every serial byte in its received log, logs TCP frames one per line and
// logs what it sends after sending it.
PagePolicy EdidPolicy() {
  PagePolicy policy;
  policy.pageNumber = kPageEdid;
  policy.receive.serialCountsEveryByte = true;
  policy.receive.tcpLogsFrames = true;
  policy.sentLog = SentLogOrder::kAfterSend;
  policy.messageTimer = CEdidPage::kTimerMessage;
  policy.timeOutMessageMs = kMessageMs;
  return policy;
}

ListViewState ListOf(std::vector<std::string> items, int selection) {
  ListViewState list;
  list.items = std::move(items);
  list.selection = selection;
  return list;
}

std::vector<std::string> ModeItems() {
  std::vector<std::string> items;
  for (const EdidModeEntry& mode : EdidModes()) items.emplace_back(mode.text);
  return items;
}

// A selection the list can hold, or the list's first entry.
int Select(ListViewState& list, int index) {
  list.selection = index >= 0 && index < static_cast<int>(list.items.size()) ? index : 0;
  return list.selection;
}
}  // namespace

CEdidPage::CEdidPage(EventLoop& loop, SharedState& shared, MainWindowPort& mainWindow, SerialLink& port)
    : PageBase(loop, shared, mainWindow, port, EdidPolicy()) {
  // The lists offer the four ports the page shows; "All Inputs" then sits at index inputCount.
  modes_.modes = ListOf(ModeItems(), modeIndex_);
  modes_.setTargets = ListOf(EdidInputItems(inputCount_), setTarget_);
  modes_.copySources = ListOf(EdidOutputItems(inputCount_), copySource_);
  modes_.copyTargets = ListOf(EdidInputItems(inputCount_), copyTarget_);
  data_.downloadTargets = ListOf(EdidInputItems(inputCount_), downloadTarget_);
  data_.readSources = ListOf(EdidReadSourceItems(), readSource_);  // all eight outputs and both memories
  data_.columnHeaders = EdidContentColumnHeaders();
  for (int row = 0; row < kEdidContentRows; ++row) data_.rowHeaders[static_cast<size_t>(row)] = EdidContentRowHeader(row);
  InitialiseStatusView();
}

void CEdidPage::OnModeSelChange(int index) { modeIndex_ = Select(modes_.modes, index); }
void CEdidPage::OnSetTargetSelChange(int index) { setTarget_ = Select(modes_.setTargets, index); }
void CEdidPage::OnCopySourceSelChange(int index) { copySource_ = Select(modes_.copySources, index); }
void CEdidPage::OnCopyTargetSelChange(int index) { copyTarget_ = Select(modes_.copyTargets, index); }
void CEdidPage::OnDownloadTargetSelChange(int index) { downloadTarget_ = Select(data_.downloadTargets, index); }
void CEdidPage::OnReadSourceSelChange(int index) { readSource_ = Select(data_.readSources, index); }

int CEdidPage::Busy() const {
  return runner_.Running() && runner_.RunningId() != kRefreshExchange ? 1 : 0;
}

// Every command: replies count again; a click while an operation runs is answered with
// "Please wait..." (closed when that operation ends); a link that is down is reported.
bool CEdidPage::GuardedStart(EdidOperation operation) {
  ignoreReplies_ = 0;
  if (Busy() == 1) {
    ShowPleaseWait();
    Notify();
    return false;
  }
  operation_ = operation;
  failureText_.clear();
  return LinkReady();
}

// An operation the operator waits for: the animated busy dialog from the start, the page
// headers locked until it ends.
Exchange CEdidPage::VisibleExchange(int id, BusyFamily family) {
  Exchange exchange;
  exchange.id = id;
  exchange.busy = family;
  exchange.animationTimer = kTimerAnimation;
  exchange.busyFromStart = true;
  exchange.locksHeaders = true;
  return exchange;
}

// The handshake before every step that changes an input's EDID; any 03 08 reply answers it.
ExchangeStep CEdidPage::HandshakeStep() const {
  return ExchangeStep::Frame(forms::EdidFive(p::kOpEdid, p::kSubEdidHandshake, p::kEdidModeFlag, 0, 0),
                             {p::kOpEdid, p::kSubEdidHandshake}, kTimerHandshake, kTimerHandshakeTimeout);
}

// An acknowledgement with a non-zero status is the switcher's refusal, never a success.
ReplyVerdict CEdidPage::StatusVerdict(const CommandFrame& reply, const char* failure) {
  if (reply[p::kByteValue] == p::kAccepted) return ReplyVerdict::kAccept;
  failureText_ = failure;
  return ReplyVerdict::kRefuse;
}

// The end of a set, copy or download: the message, then the refresh of what changed (input
// `refreshInput`, or every input from the first when it is 0).
void CEdidPage::EndOperation(ExchangeEnd end, const char* success, int refreshInput) {
  // What the switcher changed, or may have changed when its answer never came, is old until the
  // refresh reads it.
  if (end == ExchangeEnd::kDone || end == ExchangeEnd::kTimeOut) MarkRowsStale(refreshInput);
  if (end == ExchangeEnd::kDone) {
    ClosePleaseWait();
    ShowMessageFor(kMessageMs, success);
    if (refreshInput == 0) {
      operation_ = EdidOperation::kRefresh;
      StartRefresh(1, inputCount_);
    } else {
      StartRefresh(refreshInput, refreshInput);
    }
  } else if (end == ExchangeEnd::kRefused) {
    Refuse(failureText_);
  }
  Notify();
}

void CEdidPage::Refuse(const std::string& text) {
  ClosePleaseWait();
  if (!text.empty()) ShowMessageFor(kMessageMs, text);
}

// The link went away under an operation: it ends at once with the link's message instead of
// resending into nothing until it times out.
void CEdidPage::AbandonOperation(const char* message) {
  const bool visible = Busy() == 1;
  KillTimer(kTimerReadSettle);
  StopCapture();
  runner_.End(ExchangeEnd::kAbandoned);
  if (visible) Refuse(message);
  Notify();
}

// The switcher went to standby: whatever runs stops, and the operator is told why.
void CEdidPage::OnStandby() {
  KillTimer(kTimerReadSettle);
  StopCapture();
  runner_.End(ExchangeEnd::kStandby);
  CloseBusyDialog(kTimerAnimation);
  ShowStandbyNotice();
  Notify();
}

bool CEdidPage::AcceptsTcpFrames() const {
  return shared_.CurrentPage == kPageEdid && ignoreReplies_ == 0;
}

// Only the awaited reply moves an operation; a status reply nobody waits for still updates its
// row, since it is the switcher's own report. A damaged frame changes nothing.
void CEdidPage::OnFrame(const CommandFrame& frame, bool /*sumOk*/, bool serialPath) {
  if (!frame.HasStartPair()) return;
  if (!serialPath && (shared_.LinkMode != 1 || ignoreReplies_ == 1)) return;
  if (protocol::IsStandbyReport(frame)) {
    OnStandby();
    return;
  }
  const bool intact = frame.ChecksumOk();
  if (runner_.OnFrame(frame, intact)) return;
  if (intact && protocol::IsReplyTo(frame, p::kOpDeviceInfo, p::kSubInputEdidState)) ApplyStatusReply(frame);
}

void CEdidPage::OnPageTimer(int id) {
  if (id == kTimerReadSettle) {
    KillTimer(id);
    FinishCapture();
    Notify();
  } else if (id == kTimerSocketConnect) {
    KillTimer(id);
    if (socketWait_.OnTimeout()) ShowMessageFor(kMessageMs, kConnectFailed);
    Notify();
  }
}

bool CEdidPage::SendWhole(const std::vector<uint8_t>& bytes) {
  const long taken = SendBlock(bytes);
  const bool sent = taken == static_cast<long>(bytes.size());
  if (sent) {
    for (uint8_t b : bytes) sentLog_.AppendCounted(b);
  } else if (taken > 0) {
    failureText_ = "Download failed!";  // part of a block is worse than none: the switcher takes what follows as its rest
  } else {
    failureText_ = shared_.LinkMode == 1 ? kConnectFailed : kOpenComFailed;
  }
  return sent;
}

// The entry refresh: the page's own serial port is opened again (the shell closed it while
// another page was shown), then the walk over the inputs runs quietly.
void CEdidPage::StartAction() {
  if (shared_.LinkMode == 1) {
    if (!socketWait_.Ready(
            shared_.PageSocketConnected == 1, [this](int ms) { SetTimer(kTimerSocketConnect, ms); },
            [this] {
              ShowMessageFor(kMessageMs, kConnectFailed);
              Notify();
            })) {
      return;
    }
  } else {
    if (shared_.ComLinkOpen == 0) {
      ShowMessageFor(kMessageMs, kOpenComFailed);
      Notify();
      return;
    }
    SerialSettings settings;  // 115200 8N2, the 512-byte write buffer
    if (port_.Open(this, shared_.ComPortNumber, settings) != 1) {
      ShowMessageFor(kMessageMs, kOpenComFailed);
      Notify();
      return;
    }
    port_.StartMonitoring();
  }
  StartEntryRefresh();
}

void CEdidPage::StartEntryRefresh() {
  if (Busy() == 1) return;  // an operation started in the meantime refreshes when it ends
  ignoreReplies_ = 0;
  operation_ = EdidOperation::kRefresh;
  StartRefresh(1, inputCount_);
  Notify();
}

// Choosing the EDID header mutes TCP replies until the page sends; leaving the page ends what
// it runs, since its replies can no longer reach it.
void CEdidPage::OnTabChosen(int page) {
  MarkRowsStale();  // read on this visit; the next one reads them again
  socketWait_.Reset();
  KillTimer(kTimerSocketConnect);
  if (page == kPageEdid) {
    ignoreReplies_ = 1;
    return;
  }
  if (!runner_.Running() && !capturing_) return;
  KillTimer(kTimerReadSettle);
  StopCapture();
  runner_.End(ExchangeEnd::kAbandoned);
  Notify();
}

// The shell closes the port when another page is chosen (the exchanges have ended then) or
// after a serial failure, which ends an operation that still runs.
// The rows no longer show what the switcher has once the link went or the page was left, or
// once an operation changed the input's EDID.
void CEdidPage::MarkRowsStale(int input) {
  for (size_t i = 0; i < status_.rows.size(); ++i) {
    if (input == 0 || static_cast<int>(i) + 1 == input) status_.rows[i].current = false;
  }
}

void CEdidPage::ClosePort() {
  port_.Close();
  MarkRowsStale();
  if (shared_.LinkMode != 1 && (runner_.Running() || capturing_)) AbandonOperation(kOpenComFailed);
}

void CEdidPage::OnSocketNotice(int event, int error, bool wasConnected) {
  if (event == kSocketConnect && socketWait_.OnConnect(error)) {
    KillTimer(kTimerSocketConnect);
    error == 0 ? StartEntryRefresh() : ShowMessageFor(kMessageMs, kConnectFailed);
    Notify();
    return;
  }
  if (event == kSocketClose && wasConnected) {
    MarkRowsStale();
    Notify();
  }
  if (event == kSocketClose && wasConnected && shared_.LinkMode == 1 && (runner_.Running() || capturing_)) {
    AbandonOperation(kConnectFailed);
  }
}

}  // namespace velantor
