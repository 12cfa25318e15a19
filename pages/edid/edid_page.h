// CEdidPage: which EDID each input of the switcher presents. Built-in modes and copies from an
// output's display (edid_modes.cpp), the input EDID list with its status walk and quiet refresh
// (edid_status.cpp), EDID files and their download (edid_download.cpp), and the read of an
// output's or a user memory's EDID into the content grid, with save and clear (edid_read.cpp).
// Every operation is one exchange of the runner; this file holds what they share: the guarded
// start, the frame and timer dispatch, standby and the page's duties towards the shell.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/page_base.h"
#include "app/socket_connect_wait.h"
#include "pages/edid/edid_file.h"
#include "pages/edid/edid_view_state.h"

namespace velantor {

// Control ids of the EDID page, as the layout names them.
namespace edid_ids {
constexpr int kModeList = 1080;
constexpr int kSetTargetList = 1081;
constexpr int kSetButton = 1082;
constexpr int kCopySourceList = 1083;
constexpr int kCopyTargetList = 1084;
constexpr int kCopyButton = 1085;
constexpr int kReadSourceList = 1086;
constexpr int kReadButton = 1087;
constexpr int kSaveButton = 1088;
constexpr int kContentList = 1089;
constexpr int kOpenButton = 1090;
constexpr int kDownloadButton = 1091;
constexpr int kSavedPathEdit = 1097;
constexpr int kFilePathEdit = 1098;
constexpr int kDownloadTargetList = 1099;
constexpr int kClearButton = 1100;
constexpr int kAutoModeRadio = 1139;
constexpr int kManualModeRadio = 1140;
constexpr int kStatusButton = 1222;
constexpr int kStatusGroup = 1232;
// The rows of the input EDID list, inputs 1 to 8.
constexpr int kStatusLabels[kEdidMaxPorts] = {1212, 1213, 1214, 1215, 1227, 1228, 1229, 1230};
constexpr int kStatusTexts[kEdidMaxPorts] = {1218, 1219, 1220, 1221, 1223, 1224, 1225, 1226};
}  // namespace edid_ids

// The operation in progress or last started; it names the busy text.
enum class EdidOperation : uint8_t {
  kNone = 0,
  kSetMode = 1,
  kCopy = 2,
  kDownload = 3,
  kRefresh = 4,
  kStatus = 5,
  kRead = 6,
};

class CEdidPage : public PageBase {
 public:
  // Timer ids of the page.
  static constexpr int kTimerRead = 1;           // gives up a read
  static constexpr int kTimerBlockPause = 2;     // 200 ms between the header and the data block
  static constexpr int kTimerDownloadResult = 3;
  static constexpr int kTimerReadSettle = 4;     // a lead byte may still follow 256 read bytes
  static constexpr int kTimerHandshake = 5;      // 5 resends, 6 gives up
  static constexpr int kTimerHandshakeTimeout = 6;
  static constexpr int kTimerModeAll = 13;       // 13/14 all inputs, 21/22 one input
  static constexpr int kTimerModeOne = 21;
  static constexpr int kTimerCopyAll = 23;       // 23/24 all inputs, 25/26 one input
  static constexpr int kTimerCopyOne = 25;
  static constexpr int kTimerAnnounceOne = 27;   // 27/28 one input, 29/30 all inputs
  static constexpr int kTimerAnnounceAll = 29;
  static constexpr int kTimerSocketConnect = 36;  // the wait for the command socket at entry
  static constexpr int kTimerMessage = 55;
  static constexpr int kTimerCopyCheck = 58;
  static constexpr int kTimerAnimation = 60;
  static constexpr int kTimerFirstStatus = 70;   // 70/71 input 1, 72/73 input 2, ... 84/85 input 8
  static constexpr int kReadSettleMs = 150;

  CEdidPage(EventLoop& loop, SharedState& shared, MainWindowPort& mainWindow, SerialLink& port);

  // Selections.
  void OnModeSelChange(int index);
  void OnSetTargetSelChange(int index);
  void OnCopySourceSelChange(int index);
  void OnCopyTargetSelChange(int index);
  void OnDownloadTargetSelChange(int index);
  void OnReadSourceSelChange(int index);
  // Commands.
  void OnSetMode();                            // "Set" 1082
  void OnCopy();                               // "Set" 1085
  void OnStatus();                             // "Status" 1222
  void OnOpenFile(const std::string& path);    // "Open" 1090, after the file dialog
  void OnDownload();                           // "Set" 1091
  void OnRead();                               // "Read" 1087
  void OnSave(const std::string& path);        // "Save" 1088, after the file dialog
  void OnClear();                              // "Clear" 1100

  // Shell duties.
  void StartAction() override;  // the entry refresh
  void OnTabChosen(int page) override;
  void ClosePort() override;
  int OnPortRxChar(uint8_t byte, int portNumber) override;
  void OnSocketEvent(int event, int error) override;

  // Read-only state.
  const EdidModesViewState& ModesView() const { return modes_; }
  const EdidStatusViewState& StatusView() const { return status_; }
  const EdidDataViewState& DataView() const { return data_; }
  EdidOperation Operation() const { return operation_; }
  // 1 while a set, copy, download, status or read operation waits for the switcher.
  int Busy() const;
  int IgnoreReplies() const { return ignoreReplies_; }
  int InputCount() const { return inputCount_; }
  const std::optional<EdidFile>& LoadedFile() const { return file_; }
  // The 256 bytes the content grid shows, when it shows any.
  const std::optional<EdidData>& ShownEdid() const { return shown_; }
  bool Capturing() const { return capturing_; }

 protected:
  bool SendWhole(const std::vector<uint8_t>& bytes) override;

 private:
  enum ExchangeId { kSetModeExchange = 1, kCopyExchange, kDownloadExchange, kStatusExchange, kRefreshExchange,
                    kReadExchange };

  void OnFrame(const CommandFrame& frame, bool sumOk, bool serialPath) override;
  void OnPageTimer(int id) override;
  void OnSocketNotice(int event, int error, bool wasConnected) override;
  bool AcceptsTcpFrames() const override;

  // What every operation shares (edid_page.cpp).
  bool GuardedStart(EdidOperation operation);
  Exchange VisibleExchange(int id, BusyFamily family);
  ExchangeStep HandshakeStep() const;
  ReplyVerdict StatusVerdict(const CommandFrame& reply, const char* failure);
  void EndOperation(ExchangeEnd end, const char* success, int refreshInput);
  void Refuse(const std::string& text);
  void AbandonOperation(const char* message);
  void OnStandby();

  // Input EDID status (edid_status.cpp).
  void InitialiseStatusView();
  ExchangeStep StatusStep(int input, bool resend) const;
  bool ApplyStatusReply(const CommandFrame& frame);
  void StartRefresh(int firstInput, int lastInput);
  void StartEntryRefresh();
  void MarkRowsStale(int input = 0);  // 0: every row

  // Reading (edid_read.cpp).
  void StartCapture();
  void StopCapture();
  void OnCaptureByte(uint8_t byte, bool serialPath);
  void FinishCapture();
  void ShowContent(const EdidData& bytes, size_t edidLength, const std::string& source);

  // Page state.
  EdidOperation operation_ = EdidOperation::kNone;
  int ignoreReplies_ = 0;
  int inputCount_ = 4;
  int modeIndex_ = 0;
  int setTarget_ = 0;
  int copySource_ = 0;
  int copyTarget_ = 0;
  int downloadTarget_ = 0;
  int readSource_ = 0;
  std::string failureText_;  // what a refused operation shows
  SocketConnectWait socketWait_;

  // The accepted EDID file, whose bytes a download sends.
  std::optional<EdidFile> file_;
  // The read: raw bytes taken past the frame collector while it runs.
  bool capturing_ = false;
  std::vector<uint8_t> captured_;
  std::vector<uint8_t> captureFrame_;  // a frame that came instead of the data
  std::string captureSource_;
  std::optional<EdidData> shown_;

  EdidModesViewState modes_;
  EdidStatusViewState status_;
  EdidDataViewState data_;
};

}  // namespace velantor
