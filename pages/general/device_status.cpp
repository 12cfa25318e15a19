// CGeneralPage, device information and port status: the status request, the device-information
// steps, the eight port steps with their timer pairs, time-outs, the standby notice and the
// page-wide busy flag.
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
constexpr int kReplyTimeoutMs = 5000;
constexpr const char* kPleaseWait = "Please wait...";
constexpr const char* kTimeOut = "Time out!";

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

// The device-information steps. Step 1's first timer is the start itself (the chain's fallback);
// the later steps' first timers ask once more.
struct InfoStep {
  uint8_t sub;
  int firstTimer;
  int secondTimer;
};
constexpr std::array<InfoStep, 3> kInfoSteps{{
    {protocol::kSubDeviceType, 1, 2},
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
  for (int n = 1; n <= GeneralStatusView::kPorts; ++n) {
    // The pages show a four by four switcher; the lines for ports 5 to 8 stay hidden.
    status_.inputs[static_cast<size_t>(n - 1)] = {PortName(true, n), 0, n <= 4};
    status_.outputs[static_cast<size_t>(n - 1)] = {PortName(false, n), 0, n <= 4};
  }
}

bool CGeneralPage::PageBusy() const {
  return connectChain_ == ConnectChain::kInfo || walkRunning_ || statusVisible_ || pendingStatusRequest_ == 1 ||
         restoreStep_ >= 0;
}

bool CGeneralPage::ClosePleaseWait() {
  if (shared_.Message.MessageShown != 1 || shared_.Message.MessageText != kPleaseWait) return false;
  CloseMessage(*this, shared_.Message, kTimerMessage);
  return true;
}

// A refused click is answered with "Please wait..."; the running exchange closes it when it ends.
bool CGeneralPage::RefuseWhileBusy() {
  if (!PageBusy()) return false;
  ShowMessageFor(1500, kPleaseWait);
  Notify();  // controls the click toggled show their confirmed state again
  return true;
}

bool CGeneralPage::LinkReady() {
  if (shared_.LinkMode == 1) {
    if (shared_.TcpLinkUp == 1 && shared_.PageSocketConnected == 1) return true;
    ShowMessageFor(1500, "Connect to Matrix failed!");
  } else {
    if (shared_.ComLinkOpen == 1 && port_.IsOpen()) return true;
    ShowMessageFor(1500, "Open COM failed!");
  }
  Notify();
  return false;
}

// A "Please wait..." left from a refused click does not stand in for the failure: it is
// replaced by "Time out!".
void CGeneralPage::ReportTimeOut() {
  ClosePleaseWait();
  ShowMessage(*this, shared_.Message, kTimerMessage, 1000, kTimeOut, true);
}

void CGeneralPage::BeginVisibleStatus() {
  statusVisible_ = true;
  shared_.BusyPhase = 3;
  shared_.Busy.BusyText = BusyPhaseText(BusyFamily::kGettingStatus, shared_.BusyPhase);
  SetTimer(kTimerStatusAnimation, 500);
  shared_.Busy.Show();
}

void CGeneralPage::EndVisibleStatus() {
  if (!statusVisible_) return;
  statusVisible_ = false;
  KillTimer(kTimerStatusAnimation);
  shared_.Busy.Close();
}

void CGeneralPage::RequestStatus() {
  if (restoreStep_ >= 0) {
    RefuseWhileBusy();
    return;
  }
  if (statusVisible_ || pendingStatusRequest_ == 1) return;  // one request at a time
  const bool joining = connectChain_ != ConnectChain::kNone || walkRunning_;
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
      pendingStatusRequest_ = 1;
      ignoreStatusReplies_ = true;
      shared_.MatrixAddress = view_.addressText;
      ConnectCommandSocket(shared_, this);
      awaitingTcpConnect_ = true;
      SetTimer(kTimerStatusConnect, kTcpConnectTimeoutMs);
      Notify();
      return;
    }
    BeginVisibleStatus();
    if (!joining) StartWalk();
  } else {
    if (shared_.ComLinkOpen == 0) {
      OnComConnect();  // reports its own failure
      if (shared_.ComLinkOpen == 0) {
        status_.statusRadioChecked = false;
        Notify();
        return;
      }
    }
    const bool chained = connectChain_ != ConnectChain::kNone || walkRunning_;
    BeginVisibleStatus();
    if (!chained) SetTimer(kTimerSerialStatusStart, 200);
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

void CGeneralPage::StartReadBackChain() {
  Send(protocol::DeviceQuery(protocol::kSubIrState));
  connectChain_ = ConnectChain::kReadBack;
  SetTimer(kTimerInfoStart, kInfoStartDelayMs);
}

void CGeneralPage::ReadBackChainDone() {
  if (connectChain_ == ConnectChain::kReadBack) StartDeviceInfo();
}

void CGeneralPage::StartDeviceInfo() {
  KillTimer(kInfoSteps[0].firstTimer);
  connectChain_ = ConnectChain::kInfo;
  Send(protocol::DeviceQuery(kInfoSteps[0].sub));
  SetTimer(kInfoSteps[0].secondTimer, kReplyTimeoutMs);
}

void CGeneralPage::StartWalk() {
  for (const PortStep& s : kPortSteps) {
    KillTimer(s.firstTimer);
    KillTimer(s.secondTimer);
  }
  ignoreStatusReplies_ = false;
  walkRunning_ = true;
  SendPortStep(0);
}

void CGeneralPage::SendPortStep(int step) {
  walkStep_ = step;
  const PortStep& s = kPortSteps[static_cast<size_t>(step)];
  Send(protocol::DeviceQuery(s.sub, s.port));
  SetTimer(s.firstTimer, kReplyTimeoutMs);
}

void CGeneralPage::EndWalk() {
  walkRunning_ = false;
  mainWindow_.PostMainMessage(WM_PAGE_BUSY, 0);
  status_.statusRadioChecked = false;
  ClosePleaseWait();
  EndVisibleStatus();
}

void CGeneralPage::OnPortReply(const CommandFrame& frame) {
  const bool input = frame[protocol::kByteSub] == protocol::kSubInputStatus;
  const int port = frame[protocol::kByteValue];
  if (port < 1 || port > GeneralStatusView::kPorts) return;
  const bool connected = protocol::PortConnected(frame);
  PortLineView& line = (input ? status_.inputs : status_.outputs)[static_cast<size_t>(port - 1)];
  line.text = LineText(input, port, connected);
  line.connected = connected ? 1 : 0;
  // Only the reply of the step in progress moves the walk on: a late or repeated reply (the
  // answer to a step's retry) updates its line but does not start a second walk.
  const int step = (port - 1) * 2 + (input ? 0 : 1);
  if (walkRunning_ && step == walkStep_) {
    KillTimer(kPortSteps[static_cast<size_t>(step)].firstTimer);
    KillTimer(kPortSteps[static_cast<size_t>(step)].secondTimer);
    if (step + 1 < static_cast<int>(kPortSteps.size())) {
      SendPortStep(step + 1);
    } else {
      EndWalk();
    }
  }
  Notify();
}

bool CGeneralPage::HandleStatusFrame(const CommandFrame& frame, bool sumIsZero, bool serialPath) {
  if (frame[protocol::kByteOpcode] != protocol::kOpDeviceInfo) return false;
  const uint8_t sub = frame[protocol::kByteSub];
  if (sub == protocol::kSubInputStatus || sub == protocol::kSubOutputStatus) {
    // Serial replies count only with an exactly-zero sum; TCP replies only while the page
    // expects them.
    if (serialPath ? sumIsZero : !ignoreStatusReplies_) OnPortReply(frame);
    return true;
  }
  if (sub != protocol::kSubDeviceType && sub != protocol::kSubMatrixSize && sub != protocol::kSubFirmwareVersion) {
    return false;
  }
  // Over TCP the device information is taken while the page is asking for it.
  if (serialPath ? !sumIsZero : connectChain_ != ConnectChain::kInfo) return true;
  const int a = frame[protocol::kByteValue];
  const int b = frame[protocol::kBytePort];
  size_t step = 0;
  if (sub == protocol::kSubDeviceType) {
    if (const char* name = protocol::DeviceTypeName(a); *name != '\0') deviceType_ = name;
    if (!deviceType_.empty()) status_.deviceText = deviceType_;
  } else if (sub == protocol::kSubMatrixSize) {
    step = 1;
    status_.deviceText = (deviceType_.empty() ? "" : deviceType_ + " ") + std::to_string(a) + "X" + std::to_string(b);
  } else {
    step = 2;
    status_.versionText = std::to_string(a) + "." + std::to_string(b);
  }
  KillTimer(kInfoSteps[step].firstTimer);
  KillTimer(kInfoSteps[step].secondTimer);
  if (step + 1 < kInfoSteps.size()) {
    connectChain_ = ConnectChain::kInfo;
    Send(protocol::DeviceQuery(kInfoSteps[step + 1].sub));
    SetTimer(kInfoSteps[step + 1].firstTimer, kReplyTimeoutMs);
  } else {
    connectChain_ = ConnectChain::kNone;
    StartWalk();
  }
  Notify();
  return true;
}

void CGeneralPage::StatusTimeOut(int id, bool portStep) {
  KillTimer(id);
  if (portStep) {
    walkRunning_ = false;
  } else {
    connectChain_ = ConnectChain::kNone;
  }
  EndVisibleStatus();
  ReportTimeOut();
  status_.statusRadioChecked = false;
  if (portStep) mainWindow_.PostMainMessage(WM_PAGE_BUSY, 0);
  Notify();
}

bool CGeneralPage::OnStatusTimer(int id) {
  if (id == kTimerStatusAnimation) {
    shared_.BusyPhase = NextBusyPhase(shared_.BusyPhase);
    shared_.Busy.BusyText = BusyPhaseText(BusyFamily::kGettingStatus, shared_.BusyPhase);
    shared_.Busy.Refresh();
    return true;
  }
  if (id == kTimerSerialStatusStart) {
    KillTimer(id);
    StartWalk();
    return true;
  }
  if (id == kTimerInfoStart) {
    StartDeviceInfo();
    return true;
  }
  for (size_t i = 1; i < kInfoSteps.size(); ++i) {
    if (id == kInfoSteps[i].firstTimer) {
      KillTimer(id);
      Send(protocol::DeviceQuery(kInfoSteps[i].sub));
      SetTimer(kInfoSteps[i].secondTimer, kReplyTimeoutMs);
      return true;
    }
  }
  for (const InfoStep& s : kInfoSteps) {
    if (id == s.secondTimer) {
      StatusTimeOut(id, false);
      return true;
    }
  }
  for (const PortStep& s : kPortSteps) {
    if (id == s.firstTimer) {
      KillTimer(id);
      Send(protocol::DeviceQuery(s.sub, s.port));
      SetTimer(s.secondTimer, kReplyTimeoutMs);
      return true;
    }
    if (id == s.secondTimer) {
      StatusTimeOut(id, true);
      return true;
    }
  }
  return false;
}

// Timers of the page's exchanges (not of the connection management: the port rescan and the
// TCP connect guard go on).
namespace {
bool IsExchangeTimer(int id) {
  return (id >= 1 && id <= 22) || id == CGeneralPage::kTimerStatusAnimation ||
         id == CGeneralPage::kTimerSerialStatusStart ||
         (id >= CGeneralPage::kTimerResetAnimation && id <= CGeneralPage::kTimerResetModeTimeout);
}
}  // namespace

void CGeneralPage::AbandonExchanges() {
  for (int id = 1; id <= kTimerResetModeTimeout; ++id) {
    if (IsExchangeTimer(id)) KillTimer(id);
  }
  if (statusVisible_ || restoreVisible_) shared_.Busy.Close();
  statusVisible_ = false;
  connectChain_ = ConnectChain::kNone;
  walkRunning_ = false;
  status_.statusRadioChecked = false;
  restoreFlag_ = 0;
  restoreStep_ = -1;
  restoreVisible_ = false;
}

// The switcher went to standby: every exchange stops, the factory reset included.
void CGeneralPage::OnStandby() {
  AbandonExchanges();
  shared_.Busy.Close();
  if (shared_.Message.MessageShown == 1) CloseMessage(*this, shared_.Message, kTimerMessage);
  ShowMessage(*this, shared_.Message, kTimerMessage, 2500, "Matrix is in standby mode!", true);
  Notify();
}

// Leaving the page: its replies can no longer reach it (the socket serves the new page, the
// serial port is closed), so its exchanges end quietly instead of timing out over another page.
void CGeneralPage::OnTabChosen(int page) {
  if (page == kPageGeneral) return;
  if (!PageBusy() && connectChain_ == ConnectChain::kNone) return;
  AbandonExchanges();
  Notify();
}

}  // namespace velantor
