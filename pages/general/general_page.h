// CGeneralPage: connection management (the two link modes, the COM list with its rescan,
// Connect / Disconnect for both links, the first query after a link opens), the device
// information and port status chain, and the device options with the factory reset. The page
// is made of parts, each a class of its own with its own state and view state: the link
// controls (link_controls.h), the device status (device_status.h), the device options
// (device_options.h) and the factory reset (factory_reset.h). The page keeps the shell's and
// views' interface, lends the parts its tools and routes frames and timers to them by tables.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/page_base.h"
#include "pages/general/device_options.h"
#include "pages/general/device_status.h"
#include "pages/general/device_view_state.h"
#include "pages/general/factory_reset.h"
#include "pages/general/general_parts.h"
#include "pages/general/ip_search.h"
#include "pages/general/link_controls.h"
#include "pages/general/network_config.h"

namespace velantor {

class PortDirectory;

// Control ids of the General page, as the layout names them.
namespace general_ids {
constexpr int kModeGroup = 1019;  // "Control Mode Select"
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

class CGeneralPage : public PageBase, public GeneralShellPage {
 public:
  // Timer ids of the page (general_parts.h says what each one guards).
  static constexpr int kTimerInfoStart = general_timers::kInfoStart;
  static constexpr int kTimerTypeTimeout = general_timers::kTypeTimeout;
  static constexpr int kTimerFirstPortStep = general_timers::kFirstPortStep;
  static constexpr int kTimerStatusConnect = general_timers::kStatusConnect;
  static constexpr int kTimerTcpConfirm = general_timers::kTcpConfirm;
  static constexpr int kTimerMessage = general_timers::kMessage;
  static constexpr int kTimerStatusAnimation = general_timers::kStatusAnimation;
  static constexpr int kTimerRescan = general_timers::kRescan;
  static constexpr int kTimerSocketWait = general_timers::kSocketWait;
  static constexpr int kTimerSerialStatusStart = general_timers::kSerialStatusStart;
  static constexpr int kTimerResetAnimation = general_timers::kResetAnimation;
  static constexpr int kTimerFirstRestoreStep = general_timers::kFirstRestoreStep;
  static constexpr int kTimerResetModeRetry = general_timers::kResetModeRetry;
  static constexpr int kTimerResetModeTimeout = general_timers::kResetModeTimeout;
  static constexpr int kTimerOptionRetry = general_timers::kOptionRetry;
  static constexpr int kTimerOptionTimeout = general_timers::kOptionTimeout;
  static constexpr int kInfoStartDelayMs = kGeneralInfoStartDelayMs;
  static constexpr const char* kNoAnswer = kGeneralNoAnswer;
  static constexpr int kTcpConnectTimeoutMs = kGeneralTcpConnectTimeoutMs;

  CGeneralPage(EventLoop& loop, SharedState& shared, MainWindowPort& mainWindow, SerialLink& port,
               PortDirectory& directory);
  ~CGeneralPage() override;

  // Page initialisation: the port list from the directory, COM mode, the rescan.
  void Initialise();

  // User actions.
  void OnComMode() { links_.OnComMode(); }
  void OnTcpMode() { links_.OnTcpMode(); }
  void OnComConnect() { links_.OnComConnect(); }
  void OnTcpConnect() { links_.OnTcpConnect(); }
  void OnPortSelChange(int index) { links_.OnPortSelChange(index); }
  void OnAddressEdited(const std::string& text) { links_.OnAddressEdited(text); }  // typing into the address box
  void OnAddressSelChange(int index) { links_.OnAddressSelChange(index); }
  void OnSearch() { links_.OnSearch(); }  // "Search"
  void OnConfig() { links_.OnConfig(); }  // "Config...": the network configuration dialog
  // Where the search probe and the configuration packet go (the LAN broadcast by default).
  void SetBroadcastAddress(const std::string& address) { links_.SetBroadcastAddress(address); }
  IpSearch& Search() { return links_.Search(); }
  CNetworkConfigDialog& NetworkConfig() { return links_.NetworkConfig(); }

  // Device status: the "Status" button (and its push-like twin).
  void RequestStatus() { status_.RequestStatus(); }
  // Device options.
  void OnBeepCheck() { options_.OnBeepCheck(); }
  void OnIrCheck() { options_.OnIrCheck(); }
  void OnBorderCheck() { options_.OnBorderCheck(); }
  void OnModeCheck(int mode) { options_.OnModeCheck(mode); }  // 1 matrix, 2 multi-viewer, 3 video wall
  void OnLayoutSelChange(int index) { options_.OnLayoutSelChange(index); }
  void OnMainSelChange(int index) { options_.OnMainSelChange(index); }
  void OnAudioSelChange(int index) { options_.OnAudioSelChange(index); }
  void OnWallXSelChange(int index) { options_.OnWallXSelChange(index); }
  void OnWallYSelChange(int index) { options_.OnWallYSelChange(index); }
  void OnInputCheck(int input) { options_.OnInputCheck(input); }  // 1 to 4
  void OnFactoryReset() { reset_.OnFactoryReset(); }

  // Shell duties.
  void StartAction() override;  // the activation check
  void CloseSerialLink() override { links_.CloseSerialLink(); }
  void StartIpSearch() override { links_.StartIpSearch(); }
  void OnTabChosen(int page) override;

  // Read-only state.
  const GeneralConnectionViewState& View() const { return links_.View(); }
  const GeneralStatusViewState& StatusView() const { return status_.View(); }
  const GeneralOptionsViewState& OptionsView() const { return options_.View(); }
  // The page-wide busy flag: a status request, the device-information steps, the port walk or
  // the factory reset is under way, so command controls answer "Please wait...".
  bool PageBusy() const { return runner_.Running() || status_.Busy(); }
  int PendingStatusRequest() const { return status_.PendingRequest(); }
  int RestoreFlag() const { return reset_.RestoreFlag(); }
  // -1 idle, 0 waiting for the reset's display-mode acknowledgement, then 1..19.
  int RestoreStep() const { return reset_.RestoreStep(); }
  int DisplayMode() const { return options_.DisplayMode(); }
  int ComConnected() const { return links_.ComConnected(); }
  bool IgnoreStatusReplies() const { return status_.IgnoreReplies(); }
  void SetAddresses(std::vector<std::string> addresses) { links_.SetAddresses(std::move(addresses)); }
  int StopBits() const { return links_.StopBits(); }

 private:
  class Tools;
  // How a frame arrived: `counted` is the verdict the status chain goes by (serial replies only
  // with an exactly-zero signed sum, the rest only with a right checksum).
  struct Arrival {
    bool counted;
    bool intact;
    bool serialPath;
  };

  void OnFrame(const CommandFrame& frame, bool sumOk, bool serialPath) override;
  void OnPageTimer(int id) override;
  void OnSocketNotice(int event, int error, bool wasConnected) override;
  // A refused click is answered with "Please wait..."; the running exchange closes it when it ends.
  bool RefuseWhileBusy();
  DeviceStatusPeers StatusPeers();
  DeviceOptionsPeers OptionsPeers();
  FactoryResetPeers ResetPeers();
  LinkControlsPeers LinkPeers();
  // The link can be used on the page's start: what it owes is read (an option cut short when the
  // page was left, or everything after a connection lost on another page).
  void OnLinkReady();

  bool lastFrameSerial_ = true;  // where the frame being handled came from
  int lossesSeen_ = 0;           // the shared count of lost connections when this page last read
  std::unique_ptr<Tools> tools_;
  DeviceStatus status_;
  DeviceOptions options_;
  FactoryReset reset_;
  GeneralLinkControls links_;
};

}  // namespace velantor
