// The link controls of the General page: both links, the COM list and the address box.
#include "pages/general/link_controls.h"

#include <algorithm>
#include <utility>

#include "app/command_link.h"
#include "app/matrix_address.h"
#include "app/page_base.h"
#include "link/port_directory.h"

namespace velantor {

namespace {
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

GeneralLinkControls::GeneralLinkControls(EventLoop& loop, GeneralPageTools& tools, PortDirectory& directory,
                                         LinkControlsPeers peers)
    : tools_(tools),
      shared_(tools.Shared()),
      directory_(directory),
      peers_(std::move(peers)),
      udp_(loop),
      search_(loop, shared_, tools.MainWindow(), udp_),
      networkConfig_(loop, shared_, tools.MainWindow(), udp_, search_.MatrixMac) {
  WireSearch();
}

// Without a selection (nothing answered yet) the address box keeps what it shows, and so it does
// while a session is open: it names the session's switcher, with the port it was reached on.
void GeneralLinkControls::WireSearch() {
  search_.SetAddressesHook([this](const std::vector<std::string>& addresses, int selected) {
    view_.addresses = addresses;
    if (selected >= 0 && selected < static_cast<int>(addresses.size()) && !TcpInUse()) {
      view_.addressText = addresses[static_cast<size_t>(selected)];
    }
    view_.addressSelection = selected;
    view_.addressDetails.clear();
    for (const FoundMatrix& m : search_.Matrices()) view_.addressDetails.push_back(m.address + "  MAC " + m.mac);
    tools_.Notify();
  });
  search_.Changed().Subscribe([this] {
    view_.tcpDetail = search_.Summary();
    tools_.Notify();
  });
}

void GeneralLinkControls::Initialise() {
  comConnected_ = 0;
  settings_.stopBits = 1;
  RescanPorts();
  if (shared_.ComPortNumber != 0) {
    auto it = std::find(view_.ports.begin(), view_.ports.end(), PortName(shared_.ComPortNumber));
    if (it != view_.ports.end()) view_.portSelection = static_cast<int>(it - view_.ports.begin());
  }
  view_.comMode = true;
  view_.tcpGroupEnabled = false;
  tools_.SetTimer(general_timers::kRescan, 500);
  UpdatePortDetail();
  tools_.Notify();
}

void GeneralLinkControls::RescanPorts() {
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

int GeneralLinkControls::SelectedPortNumber() const {
  if (view_.portSelection < 0 || view_.portSelection >= static_cast<int>(view_.ports.size())) return 0;
  return PortNumberOf(view_.ports[static_cast<size_t>(view_.portSelection)]);
}

void GeneralLinkControls::UpdatePortDetail() {
  const int n = SelectedPortNumber();
  if (n == 0) {
    view_.portDetail = view_.ports.empty() ? "No serial port found" : "";
    return;
  }
  // Describe() already marks a device that is not there.
  const std::string error = directory_.LastError(n);
  view_.portDetail = directory_.Describe(n) + (error.empty() ? "" : ": " + error);
}

// Choosing a control mode closes the other mode's link: a link the user can no longer see or
// disconnect must not stay open (the TCP group's Disconnect is greyed out in COM mode).
void GeneralLinkControls::OnComMode() {
  if (TcpInUse()) CloseTcpLink();
  if (shared_.ComLinkOpen == 0) tools_.SetTimer(general_timers::kRescan, 500);
  shared_.LinkMode = 0;
  view_.comMode = true;
  view_.comGroupEnabled = true;
  view_.portListEnabled = shared_.ComLinkOpen == 0;
  view_.tcpGroupEnabled = false;
  tools_.Notify();
}

void GeneralLinkControls::OnTcpMode() {
  if (comConnected_ == 1) CloseSerialPort();
  shared_.LinkMode = 1;
  view_.comMode = false;
  view_.comGroupEnabled = false;
  view_.tcpGroupEnabled = true;
  tools_.Notify();
}

bool GeneralLinkControls::TcpInUse() const {
  return shared_.PageSocketConnected == 1 || shared_.TcpLinkUp == 1 || awaitingTcpConnect_;
}

void GeneralLinkControls::CloseSerialPort() {
  peers_.linkGoing();  // no reply can come over a closed port
  tools_.ResetCollectors();
  shared_.ComLinkOpen = 0;
  comConnected_ = 0;
  SetComClosedLook();
  tools_.Port().Close();
  shared_.Link.SetState(LinkReport::kClosed);
  tools_.SetTimer(general_timers::kRescan, 500);
  view_.portListEnabled = true;
}

void GeneralLinkControls::CloseTcpLink() {
  peers_.linkGoing();  // no reply can come over a closed socket
  tools_.ResetCollectors();
  DisconnectCommandSocket(shared_);
  awaitingTcpConnect_ = false;
  tools_.KillTimer(general_timers::kTcpConfirm);
  peers_.connectFailed();
  SetTcpLook(false);
  shared_.TcpLinkUp = 0;
  shared_.Link.SetState(LinkReport::kClosed);
}

void GeneralLinkControls::SetComClosedLook() {
  view_.comButton = "Connect";
  view_.comConnectedIcon = false;
}

void GeneralLinkControls::OnComConnect() {
  settings_ = SerialSettings{};  // 115200 8N2, event mask 3, 512-byte buffer
  if (comConnected_ == 1) {
    CloseSerialPort();
    tools_.Notify();
    return;
  }
  // Only a port the user can see in the list, and whose device is there, is ever opened.
  const int n = SelectedPortNumber();
  if (n == 0) {
    tools_.ShowMessageFor(1500, PageBase::kOpenComFailed);
    return;
  }
  if (!directory_.IsPresent(n)) {
    directory_.SetLastError(n, "the device is not there (unplugged?); nothing was opened");
    UpdatePortDetail();
    tools_.Notify();
    tools_.ShowMessageFor(1500, PageBase::kOpenComFailed);
    return;
  }
  portNumber_ = n;
  shared_.ComPortNumber = n;
  if (tools_.Port().Open(tools_.PortOwnerOfPage(), n, settings_) == 1) {
    tools_.ResetCollectors();
    tools_.Port().StartMonitoring();
    tools_.KillTimer(general_timers::kRescan);
    view_.portListEnabled = false;
    view_.comButton = "Disconnect";
    view_.comConnectedIcon = true;
    comConnected_ = 1;
    shared_.ComLinkOpen = 1;
    shared_.Link.Set(PortName(n) + " " + directory_.PathFor(n), LinkReport::kConnected);
    UpdatePortDetail();
    tools_.Notify();
    peers_.linkOpened();
    return;
  }
  UpdatePortDetail();
  tools_.Notify();
  tools_.ShowMessageFor(1500, PageBase::kOpenComFailed);
}

void GeneralLinkControls::SetTcpLook(bool connected) {
  view_.tcpButton = connected ? "Disconnect" : "Connect";
  view_.tcpConnectedIcon = connected;
}

void GeneralLinkControls::OnTcpConnect() {
  if (awaitingTcpConnect_) return;  // a second press while connecting (a double click) does nothing
  peers_.ignoreStatusReplies();
  if (shared_.PageSocketConnected == 1) {
    CloseTcpLink();
    tools_.Notify();
    return;
  }
  if (!TakeTypedAddress()) return;
  tools_.ResetCollectors();
  ConnectTcp(general_timers::kTcpConfirm);
}

// Judged by the connect notice itself; the timer only bounds how long that may take.
void GeneralLinkControls::ConnectTcp(int timerId) {
  ConnectCommandSocket(shared_, tools_.SocketReceiverOfPage());
  awaitingTcpConnect_ = true;
  tools_.SetTimer(timerId, kGeneralTcpConnectTimeoutMs);
}

// The address box holds "ADDRESS" or "ADDRESS:PORT"; a malformed one is named and nothing is
// connected. An address without a port goes to the panel's command port (8000, or the one the
// command line named): a port typed with an earlier address is not carried over to the next.
bool GeneralLinkControls::TakeTypedAddress() {
  if (shared_.CommandPortNumber != portTaken_) defaultPort_ = shared_.CommandPortNumber;  // set from outside
  const MatrixAddressText target = ParseMatrixAddress(view_.addressText, defaultPort_);
  if (!target.error.empty()) {
    view_.tcpDetail = target.error;
    tools_.Notify();
    tools_.ShowMessageFor(2500, target.error);
    return false;
  }
  BindAddress(target.host);
  shared_.CommandPortNumber = portTaken_ = target.port;
  view_.tcpDetail = search_.Summary();
  return true;
}

// The switcher at `host` becomes the one the panel addresses, by address and, through the search
// list, by MAC: an address no switcher answered from has no MAC, so the configuration can never
// pair one switcher's address with another's MAC.
void GeneralLinkControls::BindAddress(const std::string& host) {
  shared_.MatrixAddress = host;
  search_.OnAddressTyped(host);
  view_.addressSelection = search_.Selected();
}

// The dialog is for the switcher the address box names, unless a session holds the panel to
// the one it is connected to. An address already bound keeps its entry (chosen by index, as two
// switchers may answer from one address).
void GeneralLinkControls::OnConfig() {
  if (!TcpInUse()) {
    const MatrixAddressText typed = ParseMatrixAddress(view_.addressText, shared_.CommandPortNumber);
    if (typed.error.empty() && typed.host != shared_.MatrixAddress) BindAddress(typed.host);
  }
  networkConfig_.OpenNetworkConfig();
}

void GeneralLinkControls::TcpConnectConfirmed() {
  awaitingTcpConnect_ = false;
  tools_.KillTimer(general_timers::kTcpConfirm);
  tools_.KillTimer(general_timers::kStatusConnect);
  SetTcpLook(true);
  shared_.TcpLinkUp = 1;
  shared_.Link.Set(shared_.MatrixAddress + ":" + std::to_string(shared_.CommandPortNumber), LinkReport::kConnected);
  tools_.Notify();
  peers_.linkOpened();
}

void GeneralLinkControls::TcpConnectFailed() {
  awaitingTcpConnect_ = false;
  tools_.KillTimer(general_timers::kTcpConfirm);
  peers_.connectFailed();
  // A connect that never completed is dropped, so the next Connect starts afresh.
  DisconnectCommandSocket(shared_);
  SetTcpLook(false);
  shared_.TcpLinkUp = 0;
  tools_.Notify();
  tools_.ShowMessageFor(1000, PageBase::kConnectFailed);
}

void GeneralLinkControls::OnPortSelChange(int index) {
  view_.portSelection = index;
  if (comConnected_ == 1) {
    shared_.ComLinkOpen = 0;
    comConnected_ = 0;
    SetComClosedLook();
    tools_.Port().Close();
    view_.portListEnabled = true;
  }
  UpdatePortDetail();
  tools_.Notify();
}

// Choosing a switcher from the list ends the link to the present one exactly as Disconnect does:
// the status line, the port lines, a running exchange and the collectors all follow.
void GeneralLinkControls::OnAddressSelChange(int index) {
  if (TcpInUse()) CloseTcpLink();
  if (index >= 0 && index < static_cast<int>(view_.addresses.size())) {
    view_.addressText = view_.addresses[static_cast<size_t>(index)];
    if (view_.addresses == search_.Addresses()) {
      shared_.MatrixAddress = view_.addressText;
      view_.addressSelection = index;
      search_.OnAddressSelected(index);  // by index: two switchers may answer from one address
    } else {
      BindAddress(view_.addressText);  // a list the search did not make (the command line's)
    }
  }
  tools_.Notify();
}

void GeneralLinkControls::SetAddresses(std::vector<std::string> addresses) {
  view_.addresses = std::move(addresses);
  if (view_.addressText.empty() && !view_.addresses.empty()) view_.addressText = view_.addresses[0];
  tools_.Notify();
}

bool GeneralLinkControls::StartAction() {
  peers_.ignoreStatusReplies();
  // Bytes half received before the page was left would swallow the start of the first answer.
  tools_.ResetCollectors();
  if (shared_.LinkMode == 1) {
    // The shell connects a new socket for the page: a slow connect is waited for, not failed.
    return socketWait_.Ready(
        shared_.PageSocketConnected == 1, [this](int ms) { tools_.SetTimer(general_timers::kSocketWait, ms); },
        [this] { tools_.ShowMessageFor(1500, PageBase::kConnectFailed); });
  }
  if (shared_.ComLinkOpen == 0) {
    tools_.SetTimer(general_timers::kRescan, 500);
    tools_.ShowMessageFor(1500, PageBase::kOpenComFailed);
    return false;
  }
  // The shell closed the port while another page was shown: open it again.
  if (tools_.Port().Open(tools_.PortOwnerOfPage(), portNumber_, settings_) == 1) {
    tools_.Port().StartMonitoring();
    return true;
  }
  tools_.ShowMessageFor(1500, PageBase::kOpenComFailed);
  return false;
}

void GeneralLinkControls::OnTabChosen(bool leaving) {
  socketWait_.Reset();
  tools_.KillTimer(general_timers::kSocketWait);
  // A connect still under way would complete for a page no longer shown, whose answers nobody
  // reads: it is dropped, and the shell says the link is not up.
  if (leaving && awaitingTcpConnect_) CloseTcpLink();
}

void GeneralLinkControls::OnSocketWaitTimer() {
  tools_.KillTimer(general_timers::kSocketWait);
  if (socketWait_.OnTimeout()) tools_.ShowMessageFor(1500, PageBase::kConnectFailed);
}

void GeneralLinkControls::CloseSerialLink() {
  comConnected_ = 1;
  OnComConnect();
}

// The shell's search after a confirmed configuration drops the TCP link: the switcher it was made
// to may be about to answer from a new address.
void GeneralLinkControls::StartIpSearch() {
  if (TcpInUse()) CloseTcpLink();
  search_.SearchMatrix(SearchOrigin::kAfterConfiguration);
  tools_.Notify();
}

// The user's search leaves an open session alone: it only lists what answers.
void GeneralLinkControls::OnSearch() {
  search_.SearchMatrix(SearchOrigin::kUser);
  tools_.Notify();
}

void GeneralLinkControls::SetBroadcastAddress(const std::string& address) {
  SearchRoute searchRoute;
  searchRoute.broadcastAddress = address;
  search_.SetRoute(searchRoute);
  ConfigRoute configRoute;
  configRoute.broadcastAddress = address;
  networkConfig_.SetRoute(configRoute);
}

void GeneralLinkControls::OnSocketNotice(int event, int error, bool wasConnected) {
  if (event == kSocketConnect && socketWait_.OnConnect(error)) {
    tools_.KillTimer(general_timers::kSocketWait);
    if (error != 0) {
      tools_.ShowMessageFor(1500, PageBase::kConnectFailed);
    } else {
      peers_.socketReady();
    }
  }
  if (event == kSocketConnect && awaitingTcpConnect_) {
    error == 0 ? TcpConnectConfirmed() : TcpConnectFailed();
  } else if (event == kSocketClose && wasConnected) {
    SetTcpLook(false);  // the caption follows the socket
    shared_.Link.SetState(LinkReport::kLost);
    peers_.linkGoing();
    tools_.Notify();
  } else if (event == kSocketConnect && error == 0 && shared_.TcpLinkUp == 1) {
    SetTcpLook(true);  // the shell connected again for this page: Disconnect is what the button does now
    tools_.Notify();
  } else if (event == kSocketConnect && error != 0 && shared_.TcpLinkUp == 1) {
    SetTcpLook(false);  // the shell's connect for this page was refused: the button connects now
    tools_.Notify();
  }
}

void GeneralLinkControls::OnRescanTimer() {
  tools_.KillTimer(general_timers::kRescan);
  // Views are told only when the list really changed: the rescan runs twice a second.
  const auto ports = view_.ports;
  const int selection = view_.portSelection;
  const std::string detail = view_.portDetail;
  RescanPorts();
  if (ports != view_.ports || selection != view_.portSelection || detail != view_.portDetail) tools_.Notify();
  tools_.SetTimer(general_timers::kRescan, 500);
}

void GeneralLinkControls::OnTcpConnectTimer() {
  if (shared_.PageSocketConnected == 1) {
    TcpConnectConfirmed();
  } else {
    TcpConnectFailed();
  }
}

}  // namespace velantor
