// CGeneralPage, device information and port status: the status request, the status chain (the
// device-information steps and the eight port steps, each with its timer pair) on the exchange
// runner, the standby notice and the page-wide busy flag.
//
// Order after every connect: the first query (01 0A) starts the read-back chain of the device
// options (device_options.cpp); when that chain ends the device information is asked for
// (01 01, 01 02, 01 03), and the version reply starts the port walk. One query is outstanding at
// a time. The read-back queries have no timers, so timer 1 starts the device information anyway
// when the chain has not ended after kInfoStartDelayMs. A status request made while this runs
// joins it (its busy dialog shows, its walk is the one that follows the device information).
#include <array>
#include <cstdio>

#include "app/command_link.h"
#include "link/protocol.h"
#include "pages/general/general_page.h"

namespace velantor {

namespace {

// The walk alternates inputs and outputs; each step has a retry timer and a give-up timer.
struct PortStep {
  uint8_t sub;
  int port;
  int firstTimer;
  int secondTimer;
};
constexpr std::array<PortStep, 8> kPortSteps{{
    {protocol::kSubInputStatus, 1, 7, 8},
    {protocol::kSubOutputStatus, 1, 9, 10},
    {protocol::kSubInputStatus, 2, 11, 12},
    {protocol::kSubOutputStatus, 2, 13, 14},
    {protocol::kSubInputStatus, 3, 15, 16},
    {protocol::kSubOutputStatus, 3, 17, 18},
    {protocol::kSubInputStatus, 4, 19, 20},
    {protocol::kSubOutputStatus, 4, 21, 22},
}};

// The device-information steps. Step 1 is not asked again (its start is timer 1, the read-back
// chain's fallback); the later steps' first timers ask once more.
struct InfoStep {
  uint8_t sub;
  int firstTimer;
  int secondTimer;
};
constexpr std::array<InfoStep, 3> kInfoSteps{{
    {protocol::kSubDeviceType, 0, 2},
    {protocol::kSubMatrixSize, 3, 4},
    {protocol::kSubFirmwareVersion, 5, 6},
}};

std::string LineText(bool input, int port, bool connected) {
  char name[24];
  if (input) {
    std::snprintf(name, sizeof name, "HDMI IN%d:", port);
  } else {
    std::snprintf(name, sizeof name, "HDMI OUT%c:", static_cast<char>('A' + port - 1));
  }
  return std::string(name) + (connected ? " Connect" : " Disconnect");
}

std::string PortName(bool input, int port) {
  std::string text = LineText(input, port, true);
  return text.substr(0, text.find(':') + 1);
}
}  // namespace

void CGeneralPage::InitialiseStatusView() {
  for (int n = 1; n <= GeneralStatusViewState::kPorts; ++n) {
    // The pages show a four by four switcher; the lines for ports 5 to 8 stay hidden.
    status_.inputs[static_cast<size_t>(n - 1)] = {PortName(true, n), 0, n <= 4, false};
    status_.outputs[static_cast<size_t>(n - 1)] = {PortName(false, n), 0, n <= 4, false};
  }
}

bool CGeneralPage::PageBusy() const {
  return runner_.Running() || statusVisible_ || pendingStatusRequest_ == 1;
}

// A refused click is answered with "Please wait..."; the running exchange closes it when it ends.
bool CGeneralPage::RefuseWhileBusy() {
  if (!PageBusy()) return false;
  ShowPleaseWait();
  Notify();  // controls the click toggled show their confirmed state again
  return true;
}

void CGeneralPage::BeginVisibleStatus() {
  statusVisible_ = true;
  ShowBusyDialog(BusyFamily::kGettingStatus, kTimerStatusAnimation);
}

void CGeneralPage::EndVisibleStatus() {
  if (!statusVisible_) return;
  statusVisible_ = false;
  CloseBusyDialog(kTimerStatusAnimation);
}

void CGeneralPage::RequestStatus() {
  if (runner_.Running() && !StatusChainRunning()) {
    RefuseWhileBusy();
    return;
  }
  if (statusVisible_ || pendingStatusRequest_ == 1) return;  // one request at a time
  const bool joining = readBackRunning_ || StatusChainRunning();
  if (!joining) {
    for (size_t i = 0; i < status_.inputs.size(); ++i) {
      status_.inputs[i].text.clear();
      status_.outputs[i].text.clear();
    }
  }
  status_.statusRadioChecked = true;
  if (shared_.LinkMode == 1) {
    ignoreStatusReplies_ = false;
    if (shared_.PageSocketConnected == 0) {
      if (!TakeTypedAddress()) return;
      pendingStatusRequest_ = 1;
      ignoreStatusReplies_ = true;
      ConnectCommandSocket(shared_, this);
      awaitingTcpConnect_ = true;
      SetTimer(kTimerStatusConnect, kTcpConnectTimeoutMs);
      Notify();
      return;
    }
    BeginVisibleStatus();
    if (!joining) StartStatusChain(false, false);
  } else {
    if (shared_.ComLinkOpen == 0) {
      OnComConnect();  // reports its own failure
      if (shared_.ComLinkOpen == 0) {
        status_.statusRadioChecked = false;
        Notify();
        return;
      }
    }
    const bool chained = readBackRunning_ || StatusChainRunning();
    BeginVisibleStatus();
    if (!chained) StartStatusChain(false, true);
  }
  Notify();
}

// A request's connect that failed leaves no request pending, so the next request over a
// connected socket runs.
void CGeneralPage::StatusConnectFailed() {
  KillTimer(kTimerStatusConnect);
  if (pendingStatusRequest_ == 0) return;
  pendingStatusRequest_ = 0;
  status_.statusRadioChecked = false;
}

// After a connect the device information and the port walk follow the read-back; a read-back
// that repairs the controls after a failed option command is the read-back alone.
void CGeneralPage::StartReadBackChain(bool thenDeviceInfo) {
  SendReadBackQuery(protocol::DeviceQuery(protocol::kSubIrState));
  readBackRunning_ = thenDeviceInfo;
  if (thenDeviceInfo) SetTimer(kTimerInfoStart, kInfoStartDelayMs);
}

void CGeneralPage::ReadBackChainDone() {
  if (readBackRunning_) StartDeviceInfo();
}

// Timer 1 or the end of the read-back chain. A factory reset under way is not cut short: the
// device information waits for the next connect or request.
void CGeneralPage::StartDeviceInfo() {
  KillTimer(kTimerInfoStart);
  readBackRunning_ = false;
  if (runner_.Running()) return;
  StartStatusChain(true, false);
}

// The chain as data: the device-information steps (when asked for) and the eight port steps.
void CGeneralPage::StartStatusChain(bool withInfo, bool paused) {
  Exchange chain;
  chain.id = kStatusChain;
  if (withInfo) {
    for (const InfoStep& s : kInfoSteps) {
      chain.steps.push_back(ExchangeStep::Frame(protocol::DeviceQuery(s.sub), {protocol::kOpDeviceInfo, s.sub},
                                                s.firstTimer, s.secondTimer));
    }
  }
  for (const PortStep& s : kPortSteps) {
    chain.steps.push_back(ExchangeStep::Frame(protocol::DeviceQuery(s.sub, s.port),
                                              {protocol::kOpDeviceInfo, s.sub}, s.firstTimer, s.secondTimer));
  }
  if (paused) {
    // Over serial the walk starts a moment after the request, once the port has settled.
    chain.steps.front().pauseTimer = kTimerSerialStatusStart;
    chain.steps.front().pauseMs = 200;
  }
  const size_t infoSteps = withInfo ? kInfoSteps.size() : 0;
  chain.onReply = [this, infoSteps](const CommandFrame& frame, size_t index) {
    if (index < infoSteps) return OnInfoReply(frame, index);
    const PortStep& s = kPortSteps[index - infoSteps];
    if (frame[protocol::kByteValue] != s.port) {
      ApplyPortReply(frame);  // another port's line: shown, but it does not move the walk
      return ReplyVerdict::kWait;
    }
    ApplyPortReply(frame);
    return ReplyVerdict::kAccept;
  };
  chain.onEnd = [this, infoSteps](ExchangeEnd end, size_t index) {
    OnStatusChainEnd(end, index >= infoSteps ? 1 : 0);
    if (end != ExchangeEnd::kTimeOut) return;
    // Silence before the device information after a connect means nothing answers on this
    // link: said plainly, and the link stays open for the user to fix the cable.
    if (index < infoSteps) {
      status_.deviceText = kNoAnswer;
      status_.deviceCurrent = false;
      shared_.Link.SetState(LinkReport::kNoAnswer);
      ShowMessageFor(2500, kNoAnswer);
    } else {
      ShowTimeOut("Time out!");
    }
  };
  if (infoSteps > 0) chain.timeOutText.clear();
  if (infoSteps == 0) ignoreStatusReplies_ = false;
  runner_.Start(std::move(chain));
}

ReplyVerdict CGeneralPage::OnInfoReply(const CommandFrame& frame, size_t index) {
  const int a = frame[protocol::kByteValue];
  const int b = frame[protocol::kBytePort];
  if (index == 0) {
    if (const char* name = protocol::DeviceTypeName(a); *name != '\0') deviceType_ = name;
    if (!deviceType_.empty()) status_.deviceText = deviceType_;
  } else if (index == 1) {
    status_.deviceText = (deviceType_.empty() ? "" : deviceType_ + " ") + std::to_string(a) + "X" + std::to_string(b);
  } else {
    status_.versionText = std::to_string(a) + "." + std::to_string(b);
    status_.deviceCurrent = true;
    shared_.Link.SetDevice(status_.deviceText + "  v" + status_.versionText);
    ignoreStatusReplies_ = false;  // the port walk follows
  }
  return ReplyVerdict::kAccept;
}

bool CGeneralPage::ApplyPortReply(const CommandFrame& frame) {
  const bool input = frame[protocol::kByteSub] == protocol::kSubInputStatus;
  const int port = frame[protocol::kByteValue];
  if (port < 1 || port > GeneralStatusViewState::kPorts) return false;
  const bool connected = protocol::PortConnected(frame);
  PortLineViewState& line = (input ? status_.inputs : status_.outputs)[static_cast<size_t>(port - 1)];
  line.text = LineText(input, port, connected);
  line.connected = connected ? 1 : 0;
  line.current = true;
  return true;
}

// The link closed or failed: what the page shows stays, greyed, until it is read again.
void CGeneralPage::MarkStatusStale() {
  for (size_t i = 0; i < status_.inputs.size(); ++i) {
    status_.inputs[i].current = false;
    status_.outputs[i].current = false;
  }
  status_.deviceCurrent = false;
}

// A port reply outside the walk's awaited step (a late answer to a retry) updates its line and
// nothing else. Serial replies count only with an exactly-zero sum; TCP replies only while the
// page expects them.
bool CGeneralPage::HandlePortStatus(const CommandFrame& frame, bool sumOk, bool serialPath) {
  if (frame[protocol::kByteOpcode] != protocol::kOpDeviceInfo) return false;
  const uint8_t sub = frame[protocol::kByteSub];
  if (sub == protocol::kSubInputStatus || sub == protocol::kSubOutputStatus) {
    if (serialPath ? sumOk : sumOk && !ignoreStatusReplies_) ApplyPortReply(frame);
    return true;
  }
  // Device information that nobody asked for is not taken.
  return sub == protocol::kSubDeviceType || sub == protocol::kSubMatrixSize || sub == protocol::kSubFirmwareVersion;
}

// `walkReached` 1: the chain had reached the port walk.
void CGeneralPage::OnStatusChainEnd(ExchangeEnd end, size_t walkReached) {
  EndVisibleStatus();
  status_.statusRadioChecked = false;
  if (end == ExchangeEnd::kDone) {
    ClosePleaseWait();
    mainWindow_.PostMainMessage(WM_PAGE_BUSY, 0);
  } else if (end == ExchangeEnd::kTimeOut && walkReached == 1) {
    mainWindow_.PostMainMessage(WM_PAGE_BUSY, 0);
  }
}

// Every exchange ends through the runner; the read-back chain and a visible request go too.
void CGeneralPage::AbandonExchanges() {
  KillTimer(kTimerInfoStart);
  readBackRunning_ = false;
  runner_.End(ExchangeEnd::kAbandoned);
  EndVisibleStatus();
  status_.statusRadioChecked = false;
}

// The switcher went to standby: every exchange stops, the factory reset included.
void CGeneralPage::OnStandby() {
  KillTimer(kTimerInfoStart);
  readBackRunning_ = false;
  runner_.End(ExchangeEnd::kStandby);
  EndVisibleStatus();
  status_.statusRadioChecked = false;
  shared_.Busy.Close();
  ShowStandbyNotice();
  Notify();
}

// Leaving the page: its replies can no longer reach it (the socket serves the new page, the
// serial port is closed), so its exchanges end quietly instead of timing out over another page.
void CGeneralPage::OnTabChosen(int page) {
  if (page == kPageGeneral) return;
  if (!PageBusy() && !readBackRunning_) return;
  AbandonExchanges();
  Notify();
}

}  // namespace velantor
