// The device information and port status part of the General page.
//
// Order after every connect: the first query (01 0A) starts the read-back chain of the device
// options; when that chain ends the device information is asked for (01 01, 01 02, 01 03), and
// the version reply starts the port walk. One query is outstanding at a time. The read-back
// queries have no timers, so timer 1 starts the device information anyway when the chain has not
// ended after kGeneralInfoStartDelayMs. A status request made while this runs joins it (its busy
// dialog shows, its walk is the one that follows the device information).
#include "pages/general/device_status.h"

#include <array>
#include <cstdio>
#include <utility>

#include "link/protocol.h"

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

DeviceStatus::DeviceStatus(GeneralPageTools& tools, DeviceStatusPeers peers)
    : tools_(tools), shared_(tools.Shared()), peers_(std::move(peers)) {
  for (int n = 1; n <= GeneralStatusViewState::kPorts; ++n) {
    // The pages show a four by four switcher; the lines for ports 5 to 8 stay hidden.
    view_.inputs[static_cast<size_t>(n - 1)] = {PortName(true, n), 0, n <= 4, false};
    view_.outputs[static_cast<size_t>(n - 1)] = {PortName(false, n), 0, n <= 4, false};
  }
}

bool DeviceStatus::StatusChainRunning() const { return tools_.Runner().RunningId() == kStatusChainExchange; }

void DeviceStatus::BeginVisible() {
  visible_ = true;
  tools_.ShowBusyDialog(BusyFamily::kGettingStatus, general_timers::kStatusAnimation);
}

void DeviceStatus::EndVisible() {
  if (!visible_) return;
  visible_ = false;
  tools_.CloseBusyDialog(general_timers::kStatusAnimation);
}

// A request walks the ports; it asks the device information first when that was not read over
// this link (the switcher did not answer the connect), so a fixed cable clears "does not answer".
void DeviceStatus::RequestStatus() {
  if (tools_.Runner().Running() && !StatusChainRunning()) {
    peers_.refuseWhileBusy();
    return;
  }
  if (Busy()) return;  // one request at a time
  const bool joining = readBackRunning_ || StatusChainRunning();
  if (!joining) {
    for (size_t i = 0; i < view_.inputs.size(); ++i) {
      view_.inputs[i].text.clear();
      view_.outputs[i].text.clear();
    }
  }
  view_.statusRadioChecked = true;
  if (shared_.LinkMode == 1) {
    RequestOverTcp(joining);
  } else {
    RequestOverSerial();
  }
}

// Without a connected socket the request connects first and runs when the connect is confirmed.
void DeviceStatus::RequestOverTcp(bool joining) {
  ignoreReplies_ = false;
  if (shared_.PageSocketConnected == 0) {
    if (!peers_.takeTypedAddress()) return;
    pendingRequest_ = 1;
    ignoreReplies_ = true;
    peers_.connectTcp(general_timers::kStatusConnect);
    tools_.Notify();
    return;
  }
  BeginVisible();
  if (!joining) StartStatusChain(!view_.deviceCurrent, false);
  tools_.Notify();
}

void DeviceStatus::RequestOverSerial() {
  if (shared_.ComLinkOpen == 0) {
    peers_.openCom();
    if (shared_.ComLinkOpen == 0) {
      view_.statusRadioChecked = false;
      tools_.Notify();
      return;
    }
  }
  // Opening the port starts the read-back chain, which the request then joins.
  const bool chained = readBackRunning_ || StatusChainRunning();
  BeginVisible();
  if (!chained) StartStatusChain(!view_.deviceCurrent, true);
  tools_.Notify();
}

void DeviceStatus::OnLinkOpened() {
  StartReadBackChain(true);
  if (pendingRequest_ != 1) return;
  // The request that had to connect first now joins the chain the connect started: its port
  // walk comes after the device information.
  pendingRequest_ = 0;
  ignoreReplies_ = false;
  BeginVisible();
  tools_.Notify();
}

void DeviceStatus::ConnectFailed() {
  tools_.KillTimer(general_timers::kStatusConnect);
  if (pendingRequest_ == 0) return;
  pendingRequest_ = 0;
  view_.statusRadioChecked = false;
}

void DeviceStatus::StartReadBackChain(bool thenDeviceInfo) {
  peers_.startReadBack();
  readBackRunning_ = thenDeviceInfo;
  if (thenDeviceInfo) tools_.SetTimer(general_timers::kInfoStart, kGeneralInfoStartDelayMs);
}

void DeviceStatus::ReadBackChainDone() {
  if (readBackRunning_) StartDeviceInfo();
}

void DeviceStatus::OnInfoStartTimer() {
  readBackStalled_ = readBackRunning_;
  StartDeviceInfo();
}

// A factory reset under way is not cut short: the device information waits for the next
// connect or request.
void DeviceStatus::StartDeviceInfo() {
  tools_.KillTimer(general_timers::kInfoStart);
  readBackRunning_ = false;
  if (tools_.Runner().Running()) return;
  StartStatusChain(true, false);
}

// The chain as data: the device-information steps (when asked for) and the eight port steps.
void DeviceStatus::StartStatusChain(bool withInfo, bool paused) {
  Exchange chain;
  chain.id = kStatusChainExchange;
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
    chain.steps.front().pauseTimer = general_timers::kSerialStatusStart;
    chain.steps.front().pauseMs = 200;
  }
  const size_t infoSteps = withInfo ? kInfoSteps.size() : 0;
  chain.onReply = [this, infoSteps](const CommandFrame& frame, size_t index) {
    if (index < infoSteps) return OnInfoReply(frame, index);
    ApplyPortReply(frame);
    // Another port's line is shown, but it does not move the walk.
    return frame[protocol::kByteValue] == kPortSteps[index - infoSteps].port ? ReplyVerdict::kAccept
                                                                            : ReplyVerdict::kWait;
  };
  chain.onEnd = [this, infoSteps](ExchangeEnd end, size_t index) {
    OnChainEnd(end, index >= infoSteps);
    if (std::exchange(readBackStalled_, false) && end == ExchangeEnd::kDone) peers_.startReadBack();
    if (end != ExchangeEnd::kTimeOut) return;
    // Silence before the device information after a connect means nothing answers on this
    // link: said plainly, and the link stays open for the user to fix the cable.
    if (index < infoSteps) {
      view_.deviceText = kGeneralNoAnswer;
      view_.deviceCurrent = false;
      shared_.Link.SetState(LinkReport::kNoAnswer);
      tools_.ShowMessageFor(2500, kGeneralNoAnswer);
    } else {
      tools_.ShowTimeOut("Time out!");
    }
  };
  if (infoSteps > 0) chain.timeOutText.clear();
  if (infoSteps == 0) ignoreReplies_ = false;
  tools_.Runner().Start(std::move(chain));
}

ReplyVerdict DeviceStatus::OnInfoReply(const CommandFrame& frame, size_t index) {
  const int a = frame[protocol::kByteValue];
  const int b = frame[protocol::kBytePort];
  if (index == 0) {
    if (const char* name = protocol::DeviceTypeName(a); *name != '\0') deviceType_ = name;
    if (!deviceType_.empty()) view_.deviceText = deviceType_;
  } else if (index == 1) {
    view_.deviceText = (deviceType_.empty() ? "" : deviceType_ + " ") + std::to_string(a) + "X" + std::to_string(b);
  } else {
    view_.versionText = std::to_string(a) + "." + std::to_string(b);
    view_.deviceCurrent = true;
    shared_.Link.SetDevice(view_.deviceText + "  v" + view_.versionText);
    ignoreReplies_ = false;  // the port walk follows
  }
  return ReplyVerdict::kAccept;
}

void DeviceStatus::ApplyPortReply(const CommandFrame& frame) {
  const bool input = frame[protocol::kByteSub] == protocol::kSubInputStatus;
  const int port = frame[protocol::kByteValue];
  if (port < 1 || port > GeneralStatusViewState::kPorts) return;
  const bool connected = protocol::PortConnected(frame);
  PortLineViewState& line = (input ? view_.inputs : view_.outputs)[static_cast<size_t>(port - 1)];
  line.text = LineText(input, port, connected);
  line.connected = connected ? 1 : 0;
  line.current = true;
}

void DeviceStatus::MarkStale() {
  for (size_t i = 0; i < view_.inputs.size(); ++i) {
    view_.inputs[i].current = false;
    view_.outputs[i].current = false;
  }
  view_.deviceCurrent = false;
}

// A port reply outside the walk's awaited step (a late answer to a retry) updates its line and
// nothing else. Serial replies count only with an exactly-zero sum; TCP replies only while the
// page expects them.
bool DeviceStatus::OnFrame(const CommandFrame& frame, bool sumOk, bool serialPath) {
  if (frame[protocol::kByteOpcode] != protocol::kOpDeviceInfo) return false;
  const uint8_t sub = frame[protocol::kByteSub];
  if (sub == protocol::kSubInputStatus || sub == protocol::kSubOutputStatus) {
    if (serialPath ? sumOk : sumOk && !ignoreReplies_) ApplyPortReply(frame);
    return true;
  }
  // Device information that nobody asked for is not taken.
  return sub == protocol::kSubDeviceType || sub == protocol::kSubMatrixSize || sub == protocol::kSubFirmwareVersion;
}

void DeviceStatus::OnChainEnd(ExchangeEnd end, bool walkReached) {
  EndVisible();
  view_.statusRadioChecked = false;
  if (end == ExchangeEnd::kDone) {
    tools_.ClosePleaseWait();
    tools_.MainWindow().PostMainMessage(WM_PAGE_BUSY, 0);
  } else if (end == ExchangeEnd::kTimeOut && walkReached) {
    tools_.MainWindow().PostMainMessage(WM_PAGE_BUSY, 0);
  }
}

void DeviceStatus::StopAll(ExchangeEnd end) {
  tools_.KillTimer(general_timers::kInfoStart);
  readBackRunning_ = false;
  readBackStalled_ = false;
  tools_.Runner().End(end);
  EndVisible();
  view_.statusRadioChecked = false;
}

void DeviceStatus::AbandonExchanges() { StopAll(ExchangeEnd::kAbandoned); }

// The switcher went to standby: every exchange stops, the factory reset included.
void DeviceStatus::OnStandby() {
  StopAll(ExchangeEnd::kStandby);
  shared_.Busy.Close();
  tools_.ShowStandbyNotice();
  tools_.Notify();
}

}  // namespace velantor
