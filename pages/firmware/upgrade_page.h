// CUpgradePage: the "FW Upgrade" page. It loads a firmware file, shows which switcher it talks to,
// writes the file's parts into the switcher's microcontrollers block by block over the current
// link, and merges microcontroller images into firmware files. A firmware write is the one
// operation that can leave a switcher unusable, so the page writes only a file the user chose,
// reports success only for what the switcher confirmed, and always ends. Made of parts, one file
// each: the file, the shell duties and the frame dispatch (upgrade_page.cpp), the entry query and
// the device line (device_query.cpp), the write as one exchange of the runner (upgrade_write.cpp)
// and the merge group (merge_panel.cpp).
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "app/page_base.h"
#include "app/socket_connect_wait.h"
#include "pages/firmware/firmware_file.h"
#include "pages/firmware/firmware_merge.h"
#include "pages/firmware/firmware_plan.h"

namespace velantor {

// Control ids of the FW Upgrade page, as the layout names them.
namespace firmware_ids {
constexpr int kPathEdit = 1060;
constexpr int kOpenButton = 1101;
constexpr int kUpgradeButton = 1103;
constexpr int kProgressBar = 1125;
constexpr int kMessageLog = 1104;
constexpr int kClearButton = 1106;
constexpr int kDeviceLine = 1176;
constexpr int kMergeGroup = 1198;
constexpr int kMergeButton = 1122;
// The message box of the page: the answer buttons of a plain box (OK) or a question.
constexpr int kPromptOk = 1;
constexpr int kPromptCancel = 2;
// The merge sources by part - 1: main MCU, slave MCU1, IR MCU2, panel MCU3.
struct MergeSourceIds {
  int path;
  int open;
  int version1;
  int version2;
};
constexpr std::array<MergeSourceIds, kFirmwarePartCount> kMergeSources{{
    {1107, 1105, 1108, 1109},
    {1110, 1111, 1112, 1113},
    {1114, 1115, 1116, 1117},
    {1118, 1121, 1119, 1120},
}};
}  // namespace firmware_ids

// The page's own message box: the plain one with an OK button that reports a refused slave write,
// or the question asked before a doubtful file is written.
struct UpgradePromptViewState {
  bool visible = false;
  bool question = false;  // "Write anyway" and "Cancel"; otherwise one "OK"
  std::string text;
};

struct UpgradeViewState {
  std::string filePath;  // 1060
  bool openEnabled = true;
  bool upgradeEnabled = true;
  int progressMax = 0;  // 1125, in bytes of the part being written
  int progressValue = 0;
  std::string log;         // 1104
  std::string deviceLine;  // 1176
  bool deviceLineCurrent = false;  // answered since the page was last shown (drawn grey otherwise)
  UpgradePromptViewState prompt;
};

struct MergeSourceViewState {
  std::string caption;
  std::string path;
  std::string version1Caption;
  std::string version2Caption;
  std::string version1;
  std::string version2;
};

struct MergeViewState {
  bool visible = true;  // the layout hides the group; the page shows it, so the merge is reachable
  std::array<MergeSourceViewState, kFirmwarePartCount> sources;
};

class CUpgradePage : public PageBase {
 public:
  // Timer ids of the page.
  static constexpr int kTimerPrepareSend = 1;   // 200 ms before the first part-1 preparation
  static constexpr int kTimerFirstBlock = 2;    // 200 ms from a part's first header to its block
  static constexpr int kTimerNextBlock = 3;     // 100 ms from a later header to its block
  static constexpr int kTimerRebootFirst = 4;   // 4..10: the reboot check asked again every 3 s
  static constexpr int kTimerRebootGiveUp = 11;
  static constexpr int kTimerPart1Retry = 15;
  static constexpr int kTimerPart1Timeout = 16;
  static constexpr int kTimerPart2Retry = 17;   // part 2, and part 3 through part 2's channel
  static constexpr int kTimerPart2Timeout = 18;
  static constexpr int kTimerBlockRetry = 33;
  static constexpr int kTimerBlockTimeout = 34;  // also bounds the wait for the final report
  static constexpr int kTimerPrepare2Retry = 36;
  static constexpr int kTimerPrepare2Timeout = 37;
  static constexpr int kTimerPrepare1Retry = 38;
  static constexpr int kTimerPrepare1Timeout = 39;
  static constexpr int kTimerFirstBlockRetry = 40;
  static constexpr int kTimerFirstBlockTimeout = 41;
  static constexpr int kTimerMessage = 55;
  static constexpr int kTimerQueryRetry = 61;  // the entry query's guard
  static constexpr int kTimerQueryTimeout = 62;
  static constexpr int kTimerSocketConnect = 63;  // the wait for the command socket at entry

  CUpgradePage(EventLoop& loop, SharedState& shared, MainWindowPort& mainWindow, SerialLink& port);

  // User actions.
  void OnOpenFile(const std::string& path);  // "Open": the path the file dialog gave
  void OnUpgrade();
  void OnClear();
  void OnPromptAnswer(bool accepted);  // OK / "Write anyway" (true) or "Cancel" (false)
  void OnOpenMergeSource(int part, const std::string& path);
  void OnMerge();

  // Shell duties.
  void StartAction() override;  // the entry query
  void ClosePort() override;
  void OnTabChosen(int page) override;
  bool LocksHeaders() const override { return upgrading_ == 1; }
  std::string CloseWarning() const override {
    return upgrading_ == 1 ? "A firmware upgrade is being written. Closing now stops it half way and may leave "
                             "the switcher without working firmware. Close anyway?"
                           : "";
  }

  // Read-only state.
  const UpgradeViewState& View() const { return view_; }
  const MergeViewState& MergeView() const { return merge_; }
  int Upgrading() const { return upgrading_; }
  int UpgradeMode() const { return upgradeMode_; }
  int CurrentPart() const { return currentPart_; }
  int BlockIndex() const { return blockIndex_; }
  int BlockCounter() const { return blockCounter_; }
  int PrepStep() const { return prepStep_; }
  size_t Progress() const { return progress_; }
  uint64_t ImageLength() const { return file_ ? file_->image.size() : 0; }
  // Where part 1 to 4 of the loaded file ends (0 for a part it does not hold).
  uint64_t PartEnd(int part) const;
  const std::string& DeviceText() const { return deviceText_; }
  // The device and its firmware version as the General page names them ("HDMI MATRIX 4X4", "1.5").
  const std::string& StatusDevice() const { return statusDevice_; }
  const std::string& StatusVersion() const { return statusVersion_; }
  const std::optional<FirmwareFile>& LoadedFile() const { return file_; }
  bool WriteRunning() const { return runner_.RunningId() == kWrite; }

 private:
  enum ExchangeId { kDeviceQuery = 1, kWrite = 2 };
  enum class StepKind { kStart, kPrepare, kHeader, kBlock, kFinalReport, kRebootCheck };
  // What a step of the write exchange stands for: its kind, its part (index into the plan) and,
  // for blocks and preparations, which one.
  struct WriteStep {
    StepKind kind;
    size_t part;
    size_t item;
  };
  enum class Prompt { kNone, kNotice, kConfirmWrite };

  void OnFrame(const CommandFrame& frame, bool sumOk, bool serialPath) override;
  void OnPageTimer(int id) override;
  void OnSocketNotice(int event, int error, bool wasConnected) override;
  void SendBytes(const std::vector<uint8_t>& bytes) override;
  bool SendWhole(const std::vector<uint8_t>& bytes) override;
  void LogSent(size_t length);
  void AppendLog(const std::string& text);
  void ShowPrompt(Prompt kind, const std::string& text);
  bool IsRefusalOfRunningPart(const CommandFrame& frame) const;
  void OnStandby();
  // Ends a running write because the link went away.
  void AbandonWrite(const std::string& reason);

  // Entry query and device line (device_query.cpp).
  void StartDeviceQuery();
  ReplyVerdict OnDeviceReply(const CommandFrame& frame, size_t index);

  // The write (upgrade_write.cpp).
  void StartWrite();
  Exchange BuildWrite();
  void AddPartSteps(Exchange& write, size_t partIndex);
  ReplyVerdict OnWriteReply(const CommandFrame& frame, size_t index);
  ReplyVerdict OnBlockAcknowledged(const WriteStep& step, const CommandFrame& frame);
  void BeginPart(size_t partIndex);
  void PartConfirmed(size_t partIndex);
  void OnWriteEnd(ExchangeEnd end, size_t index);
  void ReportRefusal(int part);
  bool InRebootWait() const;

  // Merge (merge_panel.cpp).
  void InitialiseMergeView();

  UpgradeViewState view_;
  MergeViewState merge_;
  Prompt prompt_ = Prompt::kNone;

  // The loaded file and what the write of it is, worked out when it was loaded.
  std::optional<FirmwareFile> file_;
  FirmwarePlan plan_;
  size_t doubtfulSplit_ = kNoMarker;  // where other images may follow the main image
  std::vector<WriteStep> writeSteps_;

  int upgrading_ = 0;
  SocketConnectWait socketWait_;
  int upgradeMode_ = 0;  // 1 once "Upgrade" was pressed, 0 again at every tab choice
  int currentPart_ = 0;
  int blockIndex_ = 0;    // byte 10 of the next block header
  int blockCounter_ = 0;  // blocks of the current part acknowledged so far
  int prepStep_ = 0;
  size_t progress_ = 0;
  std::string deviceType_;
  std::string deviceText_;
  std::string statusDevice_;  // "HDMI MATRIX 4X4", as the status line shows it
  std::string statusVersion_;  // "1.5"
  // Socket gates: upgrade replies only after "Upgrade", standby only after a query was sent.
  bool upgradeRepliesOpen_ = false;
  bool standbyOpen_ = false;
  std::string abandonReason_;
  int refusedPart_ = 0;

  MergeSources mergeSources_;
};

}  // namespace velantor
