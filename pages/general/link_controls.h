// The link controls of the General page: the two link modes, the COM list with its rescan,
// Connect / Disconnect for both links, the address box with the IP search and the network
// configuration dialog that share its UDP socket.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/socket_connect_wait.h"
#include "base/event_loop.h"
#include "link/udp_socket.h"
#include "pages/general/general_parts.h"
#include "pages/general/ip_search.h"
#include "pages/general/network_config.h"

namespace velantor {

class PortDirectory;

// What the connection controls show.
struct GeneralConnectionViewState {
  bool comMode = true;  // radio 1013 checked (else 1014)
  bool comGroupEnabled = true;
  bool portListEnabled = true;
  bool tcpGroupEnabled = false;
  std::vector<std::string> ports;  // "COM1", "COM3", ...
  int portSelection = -1;
  std::string comButton = "Connect";
  bool comConnectedIcon = false;
  std::vector<std::string> addresses;
  std::vector<std::string> addressDetails;  // per entry: what answered (address and MAC)
  int addressSelection = -1;
  std::string addressText;
  std::string tcpDetail;  // the last search's outcome, or what is wrong with the typed address
  std::string tcpButton = "Connect";
  bool tcpConnectedIcon = false;
  std::string portDetail;  // which device the selected COM number stands for, or why it failed
};

// What the link controls need of the other parts.
struct LinkControlsPeers {
  std::function<void()> linkGoing;      // every exchange ends; what the page shows goes grey
  std::function<void()> linkOpened;     // the first query after a link opens
  std::function<void()> connectFailed;  // a status request's connect failed
  std::function<void()> ignoreStatusReplies;  // TCP port replies count only once asked for
  std::function<void()> socketReady;  // the command socket the page waited for came up
};

class GeneralLinkControls {
 public:
  GeneralLinkControls(EventLoop& loop, GeneralPageTools& tools, PortDirectory& directory, LinkControlsPeers peers);

  const GeneralConnectionViewState& View() const { return view_; }
  int ComConnected() const { return comConnected_; }
  int StopBits() const { return settings_.stopBits; }
  IpSearch& Search() { return search_; }
  CNetworkConfigDialog& NetworkConfig() { return networkConfig_; }

  // The port list from the directory, COM mode, the rescan.
  void Initialise();
  void OnComMode();
  void OnTcpMode();
  void OnComConnect();
  void OnTcpConnect();
  void OnPortSelChange(int index);
  void OnAddressEdited(const std::string& text) { view_.addressText = text; }
  void OnAddressSelChange(int index);
  void SetAddresses(std::vector<std::string> addresses);
  void OnSearch();
  void OnConfig();
  void SetBroadcastAddress(const std::string& address);

  // Shell duties.
  // True when the link can be used at once; over TCP a socket still connecting is waited for
  // and `socketReady` follows.
  bool StartAction();
  void OnTabChosen(bool leaving);
  void OnSocketWaitTimer();
  void CloseSerialLink();
  void StartIpSearch();
  void OnSocketNotice(int event, int error, bool wasConnected);

  // The address box names a switcher (host and port are taken), else it says what is wrong.
  bool TakeTypedAddress();
  // Connects the command socket; `timerId` bounds how long the connect may take.
  void ConnectTcp(int timerId);
  void OnRescanTimer();
  void OnTcpConnectTimer();

 private:
  void WireSearch();
  void RescanPorts();
  int SelectedPortNumber() const;
  void UpdatePortDetail();
  void CloseSerialPort();
  void CloseTcpLink();
  void BindAddress(const std::string& host);
  bool TcpInUse() const;
  void SetComClosedLook();
  void SetTcpLook(bool connected);
  void TcpConnectConfirmed();
  void TcpConnectFailed();

  GeneralPageTools& tools_;
  SharedState& shared_;
  PortDirectory& directory_;
  LinkControlsPeers peers_;
  SerialSettings settings_;
  GeneralConnectionViewState view_;
  int comConnected_ = 0;
  int portNumber_ = 0;
  bool awaitingTcpConnect_ = false;
  SocketConnectWait socketWait_;
  // The port for an address typed without one, and the port the address box last gave the link
  // (so a port set from outside, by the command line, is told from one typed with an address).
  uint16_t defaultPort_ = kCommandPort;
  uint16_t portTaken_ = 0;
  // The IP search and the network configuration share one UDP socket.
  UdpSocket udp_;
  IpSearch search_;
  CNetworkConfigDialog networkConfig_;
};

}  // namespace velantor
