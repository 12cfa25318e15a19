#include "pages/general/general_page.h"

#include <algorithm>

#include "app/command_link.h"
#include "app/matrix_address.h"
#include "link/port_directory.h"
#include "link/protocol.h"

namespace velantor {

namespace {
// The General page logs only what it collects into frames, one line per TCP frame, and throws
// away frames that arrive while another page is shown.
PagePolicy GeneralPolicy() {
  PagePolicy policy;
  policy.pageNumber = kPageGeneral;
  policy.receive.tcpLogsFrames = true;
  policy.sentLog = SentLogOrder::kBeforeSend;
  policy.messageTimer = CGeneralPage::kTimerMessage;
  return policy;
}

std::string PortName(int number) { return "COM" + std::to_string(number); }

// "COM7" -> 7; 0 when the text names no port from 1 to 19.
int PortNumberOf(const std::string& text) {
  if (text.size() < 4 || text.size() > 5 || text.compare(0, 3, "COM") != 0) return 0;
  for (int n = 1; n <= 19; ++n) {
    if (text.substr(3) == std::to_string(n)) return n;
  }
  return 0;
}
}  // namespace

CGeneralPage::CGeneralPage(EventLoop& loop, SharedState& shared, MainWindowPort& mainWindow, SerialLink& port,
                           PortDirectory& directory)
    : PageBase(loop, shared, mainWindow, port, GeneralPolicy()),
      directory_(directory),
      udp_(loop),
      search_(loop, shared, mainWindow, udp_),
      networkConfig_(loop, shared, mainWindow, udp_, search_.MatrixMac) {
  // Without a selection (nothing answered yet, or an open session holds it) the address box
  // keeps what it shows.
  search_.SetAddressesHook([this](const std::vector<std::string>& addresses, int selected) {
    view_.addresses = addresses;
    if (selected >= 0 && selected < static_cast<int>(addresses.size())) {
      view_.addressText = addresses[static_cast<size_t>(selected)];
    }
    view_.addressSelection = selected;
    view_.addressDetails.clear();
    for (const FoundMatrix& m : search_.Matrices()) view_.addressDetails.push_back(m.address + "  MAC " + m.mac);
    Notify();
  });
  search_.Changed().Subscribe([this] {
    view_.tcpDetail = search_.Summary();
    Notify();
  });
  InitialiseStatusView();
  InitialiseOptionsView();
  Initialise();
}

void CGeneralPage::Initialise() {
  comConnected_ = 0;
  settings_.stopBits = 1;
  RescanPorts();
  if (shared_.ComPortNumber != 0) {
    auto it = std::find(view_.ports.begin(), view_.ports.end(), PortName(shared_.ComPortNumber));
    if (it != view_.ports.end()) view_.portSelection = static_cast<int>(it - view_.ports.begin());
  }
  view_.comMode = true;
  view_.tcpGroupEnabled = false;
  SetTimer(kTimerRescan, 500);
  UpdatePortDetail();
  Notify();
}

void CGeneralPage::RescanPorts() {
  // The directory lists devices without opening them, so the rescan never disturbs a device
  // that belongs to someone else.
  directory_.Rescan();
  const std::string current =
      view_.portSelection >= 0 && view_.portSelection < static_cast<int>(view_.ports.size())
          ? view_.ports[static_cast<size_t>(view_.portSelection)]
          : "";
  // A selected device that vanished keeps its entry (shown absent), so the selection stays on it
  // and it is chosen again when it returns, instead of falling to another device.
  const int currentNumber = PortNumberOf(current);
  std::vector<int> numbers = directory_.PresentNumbers();
  if (currentNumber != 0 && !directory_.IsPresent(currentNumber) && !directory_.PathFor(currentNumber).empty()) {
    numbers.insert(std::lower_bound(numbers.begin(), numbers.end(), currentNumber), currentNumber);
  }
  std::vector<std::string> found;
  for (int n : numbers) {
    if (n >= 1 && n <= 19) found.push_back(PortName(n));
  }
  view_.ports = found;
  auto it = std::find(found.begin(), found.end(), current);
  view_.portSelection = found.empty() ? -1 : it != found.end() ? static_cast<int>(it - found.begin()) : 0;
  UpdatePortDetail();
}

int CGeneralPage::SelectedPortNumber() const {
  if (view_.portSelection < 0 || view_.portSelection >= static_cast<int>(view_.ports.size())) return 0;
  return PortNumberOf(view_.ports[static_cast<size_t>(view_.portSelection)]);
}

void CGeneralPage::UpdatePortDetail() {
  const int n = SelectedPortNumber();
  if (n == 0) {
    view_.portDetail = view_.ports.empty() ? "No serial port found" : "";
    return;
  }
  const std::string error = directory_.LastError(n);
  const std::string absent = directory_.IsPresent(n) ? "" : " (absent)";
  view_.portDetail = directory_.Describe(n) + absent + (error.empty() ? "" : ": " + error);
}

// Choosing a control mode closes the other mode's link: a link the user can no longer see or
// disconnect must not stay open (the TCP group's Disconnect is greyed out in COM mode).
void CGeneralPage::OnComMode() {
  if (shared_.PageSocketConnected == 1 || shared_.TcpLinkUp == 1 || awaitingTcpConnect_) CloseTcpLink();
  if (shared_.ComLinkOpen == 0) SetTimer(kTimerRescan, 500);
  shared_.LinkMode = 0;
  view_.comMode = true;
  view_.comGroupEnabled = true;
  view_.portListEnabled = shared_.ComLinkOpen == 0;
  view_.tcpGroupEnabled = false;
  Notify();
}

void CGeneralPage::OnTcpMode() {
  if (comConnected_ == 1) CloseSerialPort();
  shared_.LinkMode = 1;
  view_.comMode = false;
  view_.comGroupEnabled = false;
  view_.tcpGroupEnabled = true;
  Notify();
}

void CGeneralPage::CloseSerialPort() {
  AbandonExchanges();  // no reply can come over a closed port
  ResetCollectors();
  MarkStatusStale();
  shared_.ComLinkOpen = 0;
  comConnected_ = 0;
  SetComClosedLook();
  port_.Close();
  shared_.Link.SetState(LinkReport::kClosed);
  SetTimer(kTimerRescan, 500);
  view_.portListEnabled = true;
}

void CGeneralPage::CloseTcpLink() {
  AbandonExchanges();  // no reply can come over a closed socket
  ResetCollectors();
  MarkStatusStale();
  DisconnectCommandSocket(shared_);
  awaitingTcpConnect_ = false;
  KillTimer(kTimerTcpConfirm);
  StatusConnectFailed();
  SetTcpLook(false);
  shared_.TcpLinkUp = 0;
  shared_.Link.SetState(LinkReport::kClosed);
}

void CGeneralPage::SetComClosedLook() {
  view_.comButton = "Connect";
  view_.comConnectedIcon = false;
}

void CGeneralPage::OnComConnect() {
  settings_ = SerialSettings{};  // 115200 8N2, event mask 3, 512-byte buffer
  if (comConnected_ == 1) {
    CloseSerialPort();
    Notify();
    return;
  }
  // Only a port the user can see in the list, and whose device is there, is ever opened.
  const int n = SelectedPortNumber();
  if (n == 0) {
    ShowMessageFor(1500, kOpenComFailed);
    return;
  }
  if (!directory_.IsPresent(n)) {
    directory_.SetLastError(n, "the device is not there (unplugged?); nothing was opened");
    UpdatePortDetail();
    Notify();
    ShowMessageFor(1500, kOpenComFailed);
    return;
  }
  portNumber_ = n;
  shared_.ComPortNumber = n;
  if (port_.Open(this, n, settings_) == 1) {
    ResetCollectors();
    port_.StartMonitoring();
    KillTimer(kTimerRescan);
    view_.portListEnabled = false;
    view_.comButton = "Disconnect";
    view_.comConnectedIcon = true;
    comConnected_ = 1;
    shared_.ComLinkOpen = 1;
    shared_.Link.Set(PortName(n) + " " + directory_.PathFor(n), LinkReport::kConnected);
    UpdatePortDetail();
    Notify();
    SendFirstQuery();
    return;
  }
  UpdatePortDetail();
  Notify();
  ShowMessageFor(1500, kOpenComFailed);
}

void CGeneralPage::SetTcpLook(bool connected) {
  view_.tcpButton = connected ? "Disconnect" : "Connect";
  view_.tcpConnectedIcon = connected;
}

void CGeneralPage::OnTcpConnect() {
  if (awaitingTcpConnect_) return;  // a second press while connecting (a double click) does nothing
  ignoreStatusReplies_ = true;
  if (shared_.PageSocketConnected == 1) {
    CloseTcpLink();
    Notify();
    return;
  }
  if (!TakeTypedAddress()) return;
  ResetCollectors();
  ConnectCommandSocket(shared_, this);
  // Judged by the connect notice itself; the timer only bounds how long that may take.
  awaitingTcpConnect_ = true;
  SetTimer(kTimerTcpConfirm, kTcpConnectTimeoutMs);
}

// The address box holds "ADDRESS" or "ADDRESS:PORT"; a malformed one is named and nothing is
// connected.
bool CGeneralPage::TakeTypedAddress() {
  const MatrixAddressText target = ParseMatrixAddress(view_.addressText, shared_.CommandPortNumber);
  if (!target.error.empty()) {
    view_.tcpDetail = target.error;
    Notify();
    ShowMessageFor(2500, target.error);
    return false;
  }
  shared_.MatrixAddress = target.host;
  shared_.CommandPortNumber = target.port;
  view_.tcpDetail = search_.Summary();
  return true;
}

void CGeneralPage::TcpConnectConfirmed() {
  awaitingTcpConnect_ = false;
  KillTimer(kTimerTcpConfirm);
  KillTimer(kTimerStatusConnect);
  SetTcpLook(true);
  shared_.TcpLinkUp = 1;
  shared_.Link.Set(shared_.MatrixAddress + ":" + std::to_string(shared_.CommandPortNumber), LinkReport::kConnected);
  Notify();
  SendFirstQuery();
  if (pendingStatusRequest_ == 1) {
    // The request that had to connect first now joins the chain the connect started: its
    // port walk comes after the device information.
    pendingStatusRequest_ = 0;
    ignoreStatusReplies_ = false;
    BeginVisibleStatus();
    Notify();
  }
}

void CGeneralPage::TcpConnectFailed() {
  awaitingTcpConnect_ = false;
  KillTimer(kTimerTcpConfirm);
  StatusConnectFailed();
  // A connect that never completed is dropped, so the next Connect starts afresh.
  DisconnectCommandSocket(shared_);
  SetTcpLook(false);
  shared_.TcpLinkUp = 0;
  Notify();
  ShowMessageFor(1000, kConnectFailed);
}

void CGeneralPage::OnPortSelChange(int index) {
  view_.portSelection = index;
  if (comConnected_ == 1) {
    shared_.ComLinkOpen = 0;
    comConnected_ = 0;
    SetComClosedLook();
    port_.Close();
    view_.portListEnabled = true;
  }
  UpdatePortDetail();
  Notify();
}

void CGeneralPage::OnAddressEdited(const std::string& text) { view_.addressText = text; }

void CGeneralPage::OnAddressSelChange(int index) {
  if (index >= 0 && index < static_cast<int>(view_.addresses.size())) {
    view_.addressText = view_.addresses[static_cast<size_t>(index)];
  }
  shared_.MatrixAddress = view_.addressText;
  shared_.PageSocketConnected = 0;
  if (shared_.PageSocket) shared_.PageSocket->Close();
  awaitingTcpConnect_ = false;
  KillTimer(kTimerTcpConfirm);
  StatusConnectFailed();
  SetTcpLook(false);
  shared_.TcpLinkUp = 0;
  search_.OnAddressSelected(index);
  Notify();
}

void CGeneralPage::SetAddresses(std::vector<std::string> addresses) {
  view_.addresses = std::move(addresses);
  if (view_.addressText.empty() && !view_.addresses.empty()) view_.addressText = view_.addresses[0];
  Notify();
}

void CGeneralPage::StartAction() {
  ignoreStatusReplies_ = true;
  if (shared_.LinkMode == 1) {
    if (shared_.PageSocketConnected == 0) ShowMessageFor(1500, kConnectFailed);
    return;
  }
  if (shared_.ComLinkOpen == 0) {
    SetTimer(kTimerRescan, 500);
    ShowMessageFor(1500, kOpenComFailed);
    return;
  }
  // The shell closed the port while another page was shown: open it again.
  if (port_.Open(this, portNumber_, settings_) == 1) {
    port_.StartMonitoring();
  } else {
    ShowMessageFor(1500, kOpenComFailed);
  }
}

void CGeneralPage::CloseSerialLink() {
  comConnected_ = 1;
  OnComConnect();
}

// The shell's search after a confirmed configuration drops the TCP link: the switcher it was made
// to may be about to answer from a new address.
void CGeneralPage::StartIpSearch() {
  if (shared_.PageSocketConnected == 1 || shared_.TcpLinkUp == 1 || awaitingTcpConnect_) CloseTcpLink();
  search_.SearchMatrix(SearchOrigin::kAfterConfiguration);
  Notify();
}

// The user's search leaves an open session alone: it only lists what answers.
void CGeneralPage::OnSearch() {
  search_.SearchMatrix(SearchOrigin::kUser);
  Notify();
}

void CGeneralPage::OnConfig() { networkConfig_.OpenNetworkConfig(); }

void CGeneralPage::SetBroadcastAddress(const std::string& address) {
  SearchRoute searchRoute;
  searchRoute.broadcastAddress = address;
  search_.SetRoute(searchRoute);
  ConfigRoute configRoute;
  configRoute.broadcastAddress = address;
  networkConfig_.SetRoute(configRoute);
}

void CGeneralPage::OnSocketNotice(int event, int error, bool wasConnected) {
  if (event == kSocketConnect && awaitingTcpConnect_) {
    error == 0 ? TcpConnectConfirmed() : TcpConnectFailed();
  } else if (event == kSocketClose && wasConnected) {
    SetTcpLook(false);  // the caption follows the socket
    shared_.Link.SetState(LinkReport::kLost);
    AbandonExchanges();
    MarkStatusStale();
    Notify();
  }
}

void CGeneralPage::OnFrame(const CommandFrame& frame, bool sumOk, bool serialPath) {
  if (!frame.HasStartPair()) return;
  if (!serialPath && shared_.LinkMode != 1) return;
  if (protocol::IsStandbyReport(frame)) {
    OnStandby();
    return;
  }
  // Serial replies of the status chain count only with an exactly-zero signed sum; anything
  // else only with a right checksum. A damaged frame changes nothing.
  const bool intact = frame.ChecksumOk();
  lastFrameSerial_ = serialPath;
  if (runner_.OnFrame(frame, serialPath ? sumOk && intact : intact)) return;
  if (HandlePortStatus(frame, serialPath ? sumOk && intact : intact, serialPath)) return;
  if (intact) HandleOptionFrame(frame, serialPath);
}

// The first query after a link opens starts the read-back chain of the device options; the
// device information and the port walk follow it.
void CGeneralPage::SendFirstQuery() { StartReadBackChain(true); }

void CGeneralPage::OnRescanTimer() {
  KillTimer(kTimerRescan);
  // Views are told only when the list really changed: the rescan runs twice a second.
  const auto ports = view_.ports;
  const int selection = view_.portSelection;
  const std::string detail = view_.portDetail;
  RescanPorts();
  if (ports != view_.ports || selection != view_.portSelection || detail != view_.portDetail) Notify();
  SetTimer(kTimerRescan, 500);
}

void CGeneralPage::OnTcpConnectTimer() {
  if (shared_.PageSocketConnected == 1) {
    TcpConnectConfirmed();
  } else {
    TcpConnectFailed();
  }
}

void CGeneralPage::OnPageTimer(int id) {
  struct Entry {
    int id;
    void (CGeneralPage::*handler)();
  };
  static constexpr Entry kTimers[] = {
      {kTimerRescan, &CGeneralPage::OnRescanTimer},
      {kTimerTcpConfirm, &CGeneralPage::OnTcpConnectTimer},
      {kTimerStatusConnect, &CGeneralPage::OnTcpConnectTimer},
      {kTimerInfoStart, &CGeneralPage::StartDeviceInfo},
  };
  for (const Entry& e : kTimers) {
    if (e.id == id) {
      (this->*e.handler)();
      return;
    }
  }
}

}  // namespace velantor
