// CGeneralPage, connection management: the two link modes, the COM list with its rescan,
// Connect / Disconnect for both links with their captions and state icons, and the first query
// after a link opens. The page's view state says what every control shows.
#pragma once

#include <string>
#include <vector>

#include "app/change_notifier.h"
#include "app/event_loop.h"
#include "app/shared_state.h"
#include "app/shell_page.h"
#include "app/window_messages.h"
#include "link/command_sender.h"
#include "link/frame_collectors.h"
#include "link/hex_log.h"
#include "link/serial_link.h"

namespace velantor {

class PortDirectory;

// Control ids of the General page, as the layout names them.
namespace general_ids {
constexpr int kComModeRadio = 1013;
constexpr int kTcpModeRadio = 1014;
constexpr int kComGroup = 1020;
constexpr int kPortLabel = 1022;
constexpr int kPortList = 1015;
constexpr int kComConnectButton = 1126;
constexpr int kComStateIcon = 1127;
constexpr int kTcpGroup = 1021;
constexpr int kAddressLabel = 1177;
constexpr int kAddressList = 1016;
constexpr int kSearchButton = 1017;
constexpr int kConfigButton = 1018;
constexpr int kTcpConnectButton = 1132;
constexpr int kTcpStateIcon = 1128;
}  // namespace general_ids

// What the connection controls show.
struct GeneralConnectionView {
  bool comMode = true;  // radio 1013 checked (else 1014)
  bool comGroupEnabled = true;
  bool portListEnabled = true;
  bool tcpGroupEnabled = false;
  std::vector<std::string> ports;  // "COM1", "COM3", ...
  int portSelection = -1;
  std::string comButton = "Connect";
  bool comConnectedIcon = false;
  std::vector<std::string> addresses;
  std::string addressText;
  std::string tcpButton = "Connect";
  bool tcpConnectedIcon = false;
  std::string portDetail;  // which device the selected COM number stands for, or why it failed
};

class CGeneralPage : public GeneralShellPage, public SocketReceiver, public PortOwner, public TimerTarget {
 public:
  // Timer ids of the page.
  static constexpr int kTimerTcpConfirm = 47;
  static constexpr int kTimerMessage = 55;
  static constexpr int kTimerRescan = 66;
  // How long a TCP connect may take before it counts as failed.
  static constexpr int kTcpConnectTimeoutMs = 3000;

  CGeneralPage(EventLoop& loop, SharedState& shared, MainWindowPort& mainWindow, SerialLink& port,
               PortDirectory& directory);

  // Page initialisation: the port list from the directory, COM mode, the rescan.
  void Initialise();

  // User actions.
  void OnComMode();
  void OnTcpMode();
  void OnComConnect();
  void OnTcpConnect();
  void OnPortSelChange(int index);
  void OnAddressEdited(const std::string& text);  // typing into the address box
  void OnAddressSelChange(int index);

  // Shell duties.
  void StartAction() override;  // the activation check
  void ClosePort() override { port_.Close(); }
  SocketReceiver* SocketTarget() override { return this; }
  void CloseSerialLink() override;
  void StartIpSearch() override;
  const HexLog* SentLog() const override { return &sentLog_; }
  const HexLog* ReceivedLog() const override { return &receivedLog_; }

  // Link events.
  void OnSocketEvent(int event, int error) override;
  int OnPortRxChar(uint8_t byte, int portNumber) override;
  void OnTimer(int id) override;

  // Read-only state.
  const GeneralConnectionView& View() const { return view_; }
  ChangeNotifier& Changed() { return changed_; }
  int ComConnected() const { return comConnected_; }
  bool IgnoreStatusReplies() const { return ignoreStatusReplies_; }
  void SetAddresses(std::vector<std::string> addresses);
  int StopBits() const { return settings_.stopBits; }

 private:
  void Send(const CommandFrame& frame) { sender_.Send(frame); }
  void SendFirstQuery();
  void OnFrame(const CommandFrame& frame, bool sumIsZero);
  void ShowMessageFor(int periodMs, const std::string& text);
  void RescanPorts();
  void SetComClosedLook();
  void SetTcpLook(bool connected);
  void TcpConnectConfirmed();
  void TcpConnectFailed();
  int SelectedPortNumber() const;
  void UpdatePortDetail();
  void Notify() { changed_.Notify(); }

  SharedState& shared_;
  MainWindowPort& mainWindow_;
  SerialLink& port_;
  PortDirectory& directory_;
  SerialSettings settings_;
  HexLog sentLog_;
  HexLog receivedLog_;
  CommandSender sender_;
  SerialCollector serialCollector_;
  TcpCollector tcpCollector_;
  GeneralConnectionView view_;
  ChangeNotifier changed_;
  int comConnected_ = 0;
  int portNumber_ = 0;
  bool awaitingTcpConnect_ = false;
  bool ignoreStatusReplies_ = true;
};

}  // namespace velantor
