// CUpgradePage, the write: the planner's parts laid out as one exchange of the runner, step by
// step as the switcher expects them, each with its timer pair:
//   part start (part 1: 15/16, parts 2 and 3: 17/18, 3 s each),
//   part 1's preparations 80 (200 ms after the ready report; 38/39) and 10 (36/37, 4 s each),
//   per block the header, then 200 ms (first block, timer 2) or 100 ms (later blocks, timer 3)
//   later the 257-byte block; its acknowledgement is awaited with 40/41 (7 s each) or 33/34
//   (7 s and 8 s); the first timer sends header and block again,
//   parts 1 and 2: the final report after the last block (given up after 8 s on timer 34), then the
//   reboot check: 01 01 at once and on timers 4 to 10, every 3 s, given up on timer 11.
// Part 3 has no final report and no reboot: the acknowledgement of its last block ends it. Part 4
// takes its start frame only; its image is never written, and the page says so instead of
// reporting success.
#include <array>

#include "link/protocol.h"
#include "pages/firmware/upgrade_page.h"

namespace velantor {

namespace {
namespace p = protocol;

// What the log says about each part; the empty texts are not logged.
struct PartTexts {
  const char* starting;
  const char* confirmed;
  const char* startFailed;  // no ready report, or a preparation not answered
  const char* blockFailed;  // a block, or the final report, not answered
  const char* refused;      // the switcher refused the write (0x44)
  const char* rebootFailed;  // no answer after the reboot
};
constexpr std::array<PartTexts, kFirmwarePartCount> kTexts{{
    {"Upgrading Part_1.1.0.0...\r\n", "Part_1.1.0.0 upgrading complete\r\n", "Write to Part_1.1.0.0 failed\r\n",
     "Upgrading Part_1.1.0.0 failed\r\n", "Write to Part_1.1.0.0 failed", "Write to Part_1.1.0.0 failed\r\n"},
    {"Upgrading Part_2.1.0.0...\r\n", "Part_2.1.0.0 upgrading complete\r\n", "Upgrading Part_2.1.0.0 failed\r\n",
     "Upgrading Part_2.1.0.0 failed\r\n", "Write to Part_2.1.0.0 failed", "Write to Part_2.1.0.0 failed\r\n"},
    {"Upgrading Part_3.1.0.0...\r\n",
     "Part_3.1.0.0 upgrading complete: every block acknowledged (the switcher sends no final report for this "
     "part)\r\n",
     "Upgrading Part_3.1.0.0 failed\r\n", "Upgrading Part_3.1.0.0 failed\r\n", "Write to Part_3.1.0.0 failed", ""},
    {"", "", "", "", "", ""},
}};
const PartTexts& TextsOf(int part) { return kTexts[static_cast<size_t>(part - 1)]; }

constexpr const char* kRebooting = "System rebooting,Please wait...\r\n";
constexpr const char* kRebootOk = "System reboot ok\r\n";
constexpr const char* kSuccess = "Firmware upgrade Successfully\r\n";
constexpr const char* kPanelNotWritten =
    "Part_4 (panel MCU3): start sent; its image was not written, the switcher takes no data for this part\r\n";
constexpr const char* kIncomplete = "Firmware upgrade incomplete: the panel MCU3 image was not written\r\n";

constexpr int kStartMs = 3000;
constexpr int kPrepare1Ms = 3000;
constexpr int kPrepare2Ms = 4000;
constexpr int kBlockMs = 7000;
constexpr int kLaterBlockTimeoutMs = 8000;
constexpr int kRebootMs = 3000;

std::vector<uint8_t> BytesOf(const CommandFrame& f) { return {f.data(), f.data() + f.size()}; }

// The step that sends a frame and waits for the reply of `channel`.
ExchangeStep FrameStep(const CommandFrame& f, uint8_t op, uint8_t channel, int first, int second, int firstMs,
                       int secondMs) {
  return ExchangeStep::Frame(f, {op, channel}, first, second, firstMs, secondMs);
}

// The ready report of a part's start: part 1 20 01 AA with bytes 6, 7, 8 and 10 zero, part 2
// 20 02 AA with byte 7 zero, part 3 (through part 2's channel) 20 02 FE with byte 7 zero.
bool IsReady(int part, const CommandFrame& f) {
  if (f[p::kByte7] != 0) return false;
  if (part == 3) return f[p::kByteValue] == p::kFwPart3Ready;
  if (f[p::kByteValue] != p::kFwBlockHeader) return false;
  return part != 1 || (f[p::kBytePort] == 0 && f[p::kByte8] == 0 && f[p::kByte10] == 0);
}

// 20 01 00 with bytes 6, 7, 8 and 10 zero answers either preparation.
bool IsPrepared(const CommandFrame& f) {
  return f[p::kByteValue] == p::kAccepted && f[p::kBytePort] == 0 && f[p::kByte7] == 0 && f[p::kByte8] == 0 &&
         f[p::kByte10] == 0;
}

// The switcher answers again after its reboot: the device type (any known one) with byte 5 zero.
bool IsBackAfterReboot(const CommandFrame& f) {
  return *p::DeviceTypeName(f[p::kByteValue]) != '\0' && f[p::kByte5] == 0;
}
}  // namespace

bool CUpgradePage::InRebootWait() const {
  return runner_.RunningId() == kWrite && writeSteps_[runner_.StepIndex()].kind == StepKind::kRebootCheck;
}

void CUpgradePage::StartWrite() {
  Exchange write = BuildWrite();
  upgrading_ = 1;
  blockIndex_ = 0;
  blockCounter_ = 0;
  progress_ = 0;
  refusedPart_ = 0;
  abandonReason_.clear();
  view_.upgradeEnabled = false;
  view_.openEnabled = false;
  BeginPart(0);
  runner_.Start(std::move(write));
}

Exchange CUpgradePage::BuildWrite() {
  Exchange write;
  write.id = kWrite;
  write.locksHeaders = true;
  writeSteps_.clear();
  for (size_t i = 0; i < plan_.parts.size(); ++i) AddPartSteps(write, i);
  write.onReply = [this](const CommandFrame& f, size_t index) { return OnWriteReply(f, index); };
  write.onEnd = [this](ExchangeEnd end, size_t index) { OnWriteEnd(end, index); };
  return write;
}

void CUpgradePage::AddPartSteps(Exchange& write, size_t partIndex) {
  const FirmwarePartPlan& part = plan_.parts[partIndex];
  auto add = [&](ExchangeStep step, StepKind kind, size_t item = 0) {
    write.steps.push_back(std::move(step));
    writeSteps_.push_back({kind, partIndex, item});
  };
  // Part 4 has no exchange to write its image: its start goes out and nothing is awaited.
  if (part.part == kFirmwarePartCount) {
    ExchangeStep start;
    start.bytes = BytesOf(part.start);
    add(std::move(start), StepKind::kStart);
    return;
  }
  const bool first = part.part == 1;
  const uint8_t startChannel = part.start[p::kByteSub];
  add(FrameStep(part.start, p::kOpFirmware, startChannel, first ? kTimerPart1Retry : kTimerPart2Retry,
                first ? kTimerPart1Timeout : kTimerPart2Timeout, kStartMs, kStartMs),
      StepKind::kStart);
  for (size_t i = 0; i < part.preparations.size(); ++i) {
    ExchangeStep prepare =
        i == 0 ? FrameStep(part.preparations[i], p::kOpFirmware, part.channel, kTimerPrepare1Retry,
                           kTimerPrepare1Timeout, kPrepare1Ms, kPrepare1Ms)
               : FrameStep(part.preparations[i], p::kOpFirmware, part.channel, kTimerPrepare2Retry,
                           kTimerPrepare2Timeout, kPrepare2Ms, kPrepare2Ms);
    if (i == 0) {
      prepare.pauseTimer = kTimerPrepareSend;
      prepare.pauseMs = 200;
    }
    add(std::move(prepare), StepKind::kPrepare, i);
  }
  for (size_t i = 0; i < part.blocks.size(); ++i) {
    const FirmwareBlockStep& b = part.blocks[i];
    ExchangeStep header;
    header.bytes = BytesOf(b.header);
    add(std::move(header), StepKind::kHeader, i);
    // The block follows its header after a pause; its acknowledgement carries byte 6 = 0.
    ExchangeStep block;
    block.bytes.assign(b.block.begin(), b.block.end());
    std::vector<uint8_t> again = BytesOf(b.header);
    again.insert(again.end(), b.block.begin(), b.block.end());
    block.resend = std::move(again);
    block.awaited = ReplyMatch{p::kOpFirmware, part.channel, 0};
    block.whole = true;
    block.pauseTimer = i == 0 ? kTimerFirstBlock : kTimerNextBlock;
    block.pauseMs = i == 0 ? 200 : 100;
    block.firstTimer = i == 0 ? kTimerFirstBlockRetry : kTimerBlockRetry;
    block.secondTimer = i == 0 ? kTimerFirstBlockTimeout : kTimerBlockTimeout;
    block.firstMs = kBlockMs;
    block.secondMs = i == 0 ? kBlockMs : kLaterBlockTimeoutMs;
    add(std::move(block), StepKind::kBlock, i);
  }
  if (part.part == 3) return;
  // After the last block's acknowledgement the switcher reports the part written (byte 6 FE).
  ExchangeStep report;
  report.awaited = ReplyMatch{p::kOpFirmware, part.channel, p::kFwMarker};
  report.secondTimer = kTimerBlockTimeout;
  report.secondMs = kLaterBlockTimeoutMs;
  add(std::move(report), StepKind::kFinalReport);
  ExchangeStep check = FrameStep(FirmwareDeviceQuery(p::kSubDeviceType), p::kOpDeviceInfo, p::kSubDeviceType,
                                 kTimerRebootFirst, kTimerRebootGiveUp, kRebootMs, kRebootMs);
  for (int id = kTimerRebootFirst + 1; id < kTimerRebootGiveUp; ++id) check.retryTimers.push_back(id);
  add(std::move(check), StepKind::kRebootCheck);
}

void CUpgradePage::BeginPart(size_t partIndex) {
  const FirmwarePartPlan& part = plan_.parts[partIndex];
  currentPart_ = part.part;
  blockIndex_ = 0;
  blockCounter_ = 0;
  prepStep_ = 0;
  progress_ = 0;
  view_.progressMax = static_cast<int>(part.DataLength());
  view_.progressValue = 0;
  AppendLog(TextsOf(part.part).starting);
}

// The part is in the switcher, as far as the switcher tells: the next part starts at once.
void CUpgradePage::PartConfirmed(size_t partIndex) {
  AppendLog(TextsOf(plan_.parts[partIndex].part).confirmed);
  if (partIndex + 1 < plan_.parts.size()) BeginPart(partIndex + 1);
}

ReplyVerdict CUpgradePage::OnWriteReply(const CommandFrame& f, size_t index) {
  const WriteStep& step = writeSteps_[index];
  const FirmwarePartPlan& part = plan_.parts[step.part];
  switch (step.kind) {
    case StepKind::kStart:
      return IsReady(part.part, f) ? ReplyVerdict::kAccept : ReplyVerdict::kWait;
    case StepKind::kPrepare:
      if (!IsPrepared(f)) return ReplyVerdict::kWait;
      prepStep_ = step.item == 0 ? 1 : 0;
      return ReplyVerdict::kAccept;
    case StepKind::kBlock:
      return OnBlockAcknowledged(step, f);
    case StepKind::kFinalReport:
      if (!part.IsFinalAcknowledgement(f)) return ReplyVerdict::kWait;
      if (part.part == 1) {
        AppendLog(kRebooting);
      } else {
        AppendLog(TextsOf(part.part).confirmed);
        AppendLog(kRebooting);
      }
      return ReplyVerdict::kAccept;
    case StepKind::kRebootCheck:
      if (!IsBackAfterReboot(f)) return ReplyVerdict::kWait;
      AppendLog(kRebootOk);
      progress_ = 0;  // the bar keeps showing what the part reached
      if (part.part == 1) {
        PartConfirmed(step.part);
      } else if (step.part + 1 < plan_.parts.size()) {
        BeginPart(step.part + 1);  // part 2's completion was logged with its final report
      }
      return ReplyVerdict::kAccept;
    case StepKind::kHeader:
      break;
  }
  return ReplyVerdict::kWait;
}

ReplyVerdict CUpgradePage::OnBlockAcknowledged(const WriteStep& step, const CommandFrame& f) {
  const FirmwarePartPlan& part = plan_.parts[step.part];
  const FirmwareBlockStep& block = part.blocks[step.item];
  if (!block.IsAcknowledgedBy(f)) return ReplyVerdict::kWait;  // another block's late answer
  ++blockCounter_;
  const bool wrapped = f[p::kByte9] == p::kFwChannelWrap;
  blockIndex_ = wrapped ? 0 : block.Index() + 1;
  progress_ = block.progress;
  view_.progressValue = static_cast<int>(progress_);
  // Part 3 has no final report: the acknowledgement of its last block is the switcher's last word.
  if (part.part == 3 && step.item + 1 == part.blocks.size()) PartConfirmed(step.part);
  return ReplyVerdict::kAccept;
}

void CUpgradePage::ReportRefusal(int part) {
  const PartTexts& t = TextsOf(part);
  AppendLog(std::string(t.refused) + "\r\n");
  if (part == 1) {
    ShowMessageFor(1500, std::string(t.refused) + "!");
  } else {
    ShowPrompt(Prompt::kNotice, t.refused);  // the page's own box with an OK button
  }
}

void CUpgradePage::OnWriteEnd(ExchangeEnd end, size_t index) {
  const WriteStep& step = writeSteps_[index];
  const int part = plan_.parts[step.part].part;
  const PartTexts& t = TextsOf(part);
  upgrading_ = 0;
  blockCounter_ = 0;
  view_.upgradeEnabled = true;
  view_.openEnabled = true;
  switch (end) {
    case ExchangeEnd::kDone:
      if (part == kFirmwarePartCount) {
        AppendLog(kPanelNotWritten);
        AppendLog(kIncomplete);
        ShowMessageFor(1500, "Upgrade incomplete!");
      } else {
        AppendLog(kSuccess);
      }
      // The switcher runs the new firmware now: the device line shows its version once asked.
      view_.deviceLineCurrent = false;
      StartDeviceQuery();
      break;
    case ExchangeEnd::kTimeOut:  // the runner shows "Time out!"
      switch (step.kind) {
        case StepKind::kStart:
        case StepKind::kPrepare:
          AppendLog(t.startFailed);
          break;
        case StepKind::kRebootCheck:
          AppendLog(t.rebootFailed);
          AppendLog("The switcher did not answer within 24 s of its reboot\r\n");
          break;
        default:
          AppendLog(t.blockFailed);
          break;
      }
      break;
    case ExchangeEnd::kRefused:
      if (refusedPart_ != 0) {
        ReportRefusal(refusedPart_);
      } else {  // the link took only part of a block
        AppendLog(t.blockFailed);
        AppendLog("The link did not take a firmware block whole\r\n");
        ShowMessageFor(1500, "Upgrade failed!");
      }
      break;
    case ExchangeEnd::kStandby:
      AppendLog("Upgrade stopped: the matrix is in standby mode\r\n");
      break;
    case ExchangeEnd::kAbandoned:
      AppendLog("Upgrade stopped: " + abandonReason_ + "\r\n");
      ShowMessageFor(1500, "Upgrade failed!");
      break;
  }
  Notify();
}

}  // namespace velantor
