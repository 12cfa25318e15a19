// CGeneralPage: connection management (the two link modes, the COM list with its rescan,
// Connect / Disconnect for both links, the first query after a link opens), the device
// information and port status chain, and the device options with the factory reset. The
// page's view state says what every control shows. It is made of parts, one file each: the
// link controls (general_page.cpp), the status chain (device_status.cpp), the options and their
// read-back (device_options.cpp) and the factory reset (factory_reset.cpp).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/page_base.h"
#include "pages/general/device_view_state.h"
#include "pages/general/ip_search.h"
#include "pages/general/network_config.h"
#include "link/udp_socket.h"

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
// Device information and status.
constexpr int kFirstInputLine = 1188;   // 1188..1195: inputs 1 to 8
constexpr int kFirstOutputLine = 1198;  // 1198..1205: outputs A to H
constexpr int kDeviceText = 1026;
constexpr int kVersionText = 1027;
constexpr int kStatusButton = 1025;
constexpr int kStatusRadio = 1180;
// Device options.
constexpr int kIrCheck = 1182;
constexpr int kBeepCheck = 1183;
constexpr int kBorderCheck = 1184;
constexpr int kBorderGroup = 1279;
constexpr int kFactoryResetButton = 1050;
constexpr int kFirstModeCheck = 1269;  // 1269..1271: matrix, multi-viewer, video wall
constexpr int kLayoutList = 1263;
constexpr int kAudioList = 1276;
constexpr int kMainList = 1281;
constexpr int kWallXList = 1264;
constexpr int kWallYList = 1265;
constexpr int kFirstInputCheck = 1272;  // 1272..1275: input channel 1 to 4
}  // namespace general_ids

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

class CGeneralPage : public PageBase, public GeneralShellPage {
 public:
  // Timer ids of the page.
  static constexpr int kTimerInfoStart = 1;  // 1..6: device-information steps
  static constexpr int kTimerTypeTimeout = 2;
  static constexpr int kTimerFirstPortStep = 7;  // 7..22: the eight port steps, two each
  static constexpr int kTimerStatusConnect = 45;
  static constexpr int kTimerTcpConfirm = 47;
  static constexpr int kTimerMessage = 55;
  static constexpr int kTimerStatusAnimation = 60;
  static constexpr int kTimerRescan = 66;
  static constexpr int kTimerSerialStatusStart = 91;
  static constexpr int kTimerResetAnimation = 100;
  static constexpr int kTimerFirstRestoreStep = 101;  // 101..146: the restore steps
  static constexpr int kTimerResetModeRetry = 147;    // guard of the reset's display-mode command
  static constexpr int kTimerResetModeTimeout = 148;
  static constexpr int kTimerOptionRetry = 150;  // guard of an option command
  static constexpr int kTimerOptionTimeout = 151;
  // The read-back chain after a connect has no timers of its own; when it has not finished
  // after this long the device information is asked for anyway.
  static constexpr int kInfoStartDelayMs = 1000;
  static constexpr const char* kNoAnswer = "The switcher does not answer";
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
  void OnSearch();  // "Search"
  void OnConfig();  // "Config...": the network configuration dialog
  // Where the search probe and the configuration packet go (the LAN broadcast by default).
  void SetBroadcastAddress(const std::string& address);
  IpSearch& Search() { return search_; }
  CNetworkConfigDialog& NetworkConfig() { return networkConfig_; }

  // Device status: the "Status" button (and its push-like twin).
  void RequestStatus();
  // Device options.
  void OnBeepCheck();
  void OnIrCheck();
  void OnBorderCheck();
  void OnModeCheck(int mode);  // 1 matrix, 2 multi-viewer, 3 video wall
  void OnLayoutSelChange(int index);
  void OnMainSelChange(int index);
  void OnAudioSelChange(int index);
  void OnWallXSelChange(int index);
  void OnWallYSelChange(int index);
  void OnInputCheck(int input);  // 1 to 4
  void OnFactoryReset();

  // Shell duties.
  void StartAction() override;  // the activation check
  void CloseSerialLink() override;
  void StartIpSearch() override;
  void OnTabChosen(int page) override;

  // Read-only state.
  const GeneralConnectionViewState& View() const { return view_; }
  const GeneralStatusViewState& StatusView() const { return status_; }
  const GeneralOptionsViewState& OptionsView() const { return options_; }
  // The page-wide busy flag: a status request, the device-information steps, the port walk or
  // the factory reset is under way, so command controls answer "Please wait...".
  bool PageBusy() const;
  int PendingStatusRequest() const { return pendingStatusRequest_; }
  int RestoreFlag() const { return restoreFlag_; }
  // -1 idle, 0 waiting for the reset's display-mode acknowledgement, then 1..19.
  int RestoreStep() const;
  int DisplayMode() const { return displayMode_; }
  int ComConnected() const { return comConnected_; }
  bool IgnoreStatusReplies() const { return ignoreStatusReplies_; }
  void SetAddresses(std::vector<std::string> addresses);
  int StopBits() const { return settings_.stopBits; }

 private:
  // The exchanges of the page, as the runner knows them.
  enum ExchangeId { kStatusChain = 1, kFactoryReset = 2, kOptionCommand = 3 };

  void OnFrame(const CommandFrame& frame, bool sumOk, bool serialPath) override;
  void OnPageTimer(int id) override;
  void OnSocketNotice(int event, int error, bool wasConnected) override;
  void SendFirstQuery();
  void OnRescanTimer();
  void OnTcpConnectTimer();
  void RescanPorts();
  void SetComClosedLook();
  void CloseSerialPort();
  void CloseTcpLink();
  void SetTcpLook(bool connected);
  bool TakeTypedAddress();
  void TcpConnectConfirmed();
  void TcpConnectFailed();
  int SelectedPortNumber() const;
  void UpdatePortDetail();

  // Device status (device_status.cpp).
  void InitialiseStatusView();
  bool HandlePortStatus(const CommandFrame& frame, bool sumOk, bool serialPath);
  void StartReadBackChain(bool thenDeviceInfo);
  void ReadBackChainDone();
  void StartDeviceInfo();
  void StartStatusChain(bool withInfo, bool paused);
  ReplyVerdict OnInfoReply(const CommandFrame& frame, size_t index);
  bool ApplyPortReply(const CommandFrame& frame);
  void MarkStatusStale();
  void OnStatusChainEnd(ExchangeEnd end, size_t index);
  bool StatusChainRunning() const { return runner_.RunningId() == kStatusChain; }
  void BeginVisibleStatus();
  void EndVisibleStatus();
  void OnStandby();
  void AbandonExchanges();
  void StatusConnectFailed();
  bool RefuseWhileBusy();

  // Device options (device_options.cpp).
  struct OptionHandler;
  void InitialiseOptionsView();
  bool HandleOptionFrame(const CommandFrame& frame, bool serialPath);
  void SendReadBackQuery(const CommandFrame& query);
  void ContinueReadBack(const CommandFrame& next);
  void SendOnOff(uint8_t op, CheckViewState& box, std::optional<bool>& pending);
  void OnSwitchAck(CheckViewState& box, const std::optional<bool>& pending);
  void ShowDisplayMode(int mode);
  void ApplyDisplayMode(int mode);
  void ApplyInputChannel(int value, bool readBack, bool serialPath);
  bool SendSetting(bool valid, const CommandFrame& frame);
  void StartOptionCommand(const CommandFrame& frame);
  void OnOptionCommandEnd(ExchangeEnd end);
  void OnIrState(const CommandFrame& f, bool serialPath);
  void OnBeepState(const CommandFrame& f, bool serialPath);
  void OnIrAck(const CommandFrame& f, bool serialPath);
  void OnBeepAck(const CommandFrame& f, bool serialPath);
  void OnBorderAck(const CommandFrame& f, bool serialPath);
  void OnBorderState(const CommandFrame& f, bool serialPath);
  void OnDisplayModeAck(const CommandFrame& f, bool serialPath);
  void OnDisplayModeState(const CommandFrame& f, bool serialPath);
  void OnLayoutState(const CommandFrame& f, bool serialPath);
  void OnLayoutAck(const CommandFrame& f, bool serialPath);
  void OnMainAck(const CommandFrame& f, bool serialPath);
  void OnMainState(const CommandFrame& f, bool serialPath);
  void OnWallSizeAck(const CommandFrame& f, bool serialPath);
  void OnWallSizeState(const CommandFrame& f, bool serialPath);
  void OnInputChannelState(const CommandFrame& f, bool serialPath);
  void OnInputChannelAck(const CommandFrame& f, bool serialPath);

  // Factory reset (factory_reset.cpp).
  ReplyVerdict OnRestoreReply(const CommandFrame& frame, size_t index);
  void OnRestoreEnd(ExchangeEnd end);

  PortDirectory& directory_;
  SerialSettings settings_;
  GeneralConnectionViewState view_;
  int comConnected_ = 0;
  int portNumber_ = 0;
  bool awaitingTcpConnect_ = false;
  bool ignoreStatusReplies_ = true;
  bool lastFrameSerial_ = true;  // where the frame being handled came from

  GeneralStatusViewState status_;
  bool readBackRunning_ = false;  // the untimed read-back chain after a connect
  // The read-back walks only on the answer it waits for (opcode, sub-command), or on the
  // acknowledgement of the running option command: a duplicate or stray answer is shown but
  // sends nothing, so it cannot start a second walk beside the first.
  std::optional<std::pair<uint8_t, uint8_t>> readBackAwaited_;
  bool readBackMayGoOn_ = false;  // the frame being handled is one of those
  bool optionReplyAwaited_ = false;
  bool statusVisible_ = false;    // a request with the "Getting status" dialog is under way
  int pendingStatusRequest_ = 0;  // a request waits for its TCP connect
  std::string deviceType_;

  GeneralOptionsViewState options_;
  int displayMode_ = 0;  // 0 until the switcher has told it
  int restoreFlag_ = 0;
  std::optional<bool> pendingBeep_;
  std::optional<bool> pendingIr_;
  std::optional<bool> pendingBorder_;
  std::optional<int> pendingMain_;
  std::optional<int> pendingWallX_;
  std::optional<int> pendingWallY_;

  // The IP search and the network configuration share one UDP socket.
  UdpSocket udp_;
  IpSearch search_;
  CNetworkConfigDialog networkConfig_;
};

}  // namespace velantor
