// CUpgradePage: the loaded file, the page's message box, the shell duties (entry, leaving, the
// link going away) and the dispatch of received frames.
#include "pages/firmware/upgrade_page.h"

#include "app/command_link.h"
#include "link/protocol.h"

namespace velantor {

namespace {
namespace p = protocol;

// The page keeps no text of what it receives (only the count), and its sent log marks the
// write's steps instead of holding every byte of the image; frames from the socket come only while
// the page is current.
PagePolicy UpgradePolicy() {
  PagePolicy policy;
  policy.pageNumber = kPageFirmware;
  policy.receive.logText = false;
  policy.sentLog = SentLogOrder::kNone;
  policy.messageTimer = CUpgradePage::kTimerMessage;
  policy.timeOutMessageMs = 1500;
  return policy;
}

std::string Sizes(const FirmwareFile& file) {
  std::string text;
  for (const FirmwarePart& part : file.parts) {
    if (!text.empty()) text += ", ";
    text += std::string(FindPartInfo(part.part)->name) + " " + std::to_string(part.DataLength()) + " bytes";
  }
  return text;
}
}  // namespace

CUpgradePage::CUpgradePage(EventLoop& loop, SharedState& shared, MainWindowPort& mainWindow, SerialLink& port)
    : PageBase(loop, shared, mainWindow, port, UpgradePolicy()) {
  InitialiseMergeView();
}

uint64_t CUpgradePage::PartEnd(int part) const {
  if (!file_) return 0;
  for (const FirmwarePart& p : file_->parts) {
    if (p.part == part) return p.dataEnd;
  }
  return 0;
}

void CUpgradePage::AppendLog(const std::string& text) { view_.log += text; }

// A refused file changes nothing: the file loaded before stays loaded, and the log says why.
void CUpgradePage::OnOpenFile(const std::string& path) {
  // "Open" is disabled while a write runs, and the question about a file stands for that file.
  if (upgrading_ == 1 || prompt_ == Prompt::kConfirmWrite) return;
  FirmwareLoadResult loaded = LoadFirmwareFile(path);
  if (!loaded.file) {
    AppendLog("Firmware file not loaded: " + loaded.reason + "\r\n");
    Notify();
    return;
  }
  FirmwarePlanResult planned = PlanFirmwareUpgrade(*loaded.file);
  if (!planned.ok()) {
    AppendLog("Firmware file not loaded: " + planned.error + "\r\n");
    Notify();
    return;
  }
  file_ = std::move(loaded.file);
  plan_ = std::move(planned.plan);
  doubtfulSplit_ = FindImagesAfterMain(file_->image);
  view_.filePath = path;
  AppendLog("Firmware file loaded: " + Sizes(*file_) + "\r\n");
  if (doubtfulSplit_ != kNoMarker) {
    AppendLog("Warning: the main MCU part takes the whole rest of the file, and from byte " +
              std::to_string(doubtfulSplit_) +
              " on the file reads like other MCU images merged after it. Writing it puts all of it into the "
              "main MCU.\r\n");
  }
  if (plan_.parts.back().part == kFirmwarePartCount) {
    AppendLog("The panel MCU3 image cannot be written over the link: the switcher takes only the start of that "
              "part.\r\n");
  }
  Notify();
}

void CUpgradePage::OnClear() {
  view_.log.clear();
  Notify();
}

void CUpgradePage::ShowPrompt(Prompt kind, const std::string& text) {
  prompt_ = kind;
  view_.prompt.visible = kind != Prompt::kNone;
  view_.prompt.question = kind == Prompt::kConfirmWrite;
  view_.prompt.text = text;
}

void CUpgradePage::OnPromptAnswer(bool accepted) {
  const Prompt answered = prompt_;
  ShowPrompt(Prompt::kNone, "");
  if (answered == Prompt::kConfirmWrite) {
    if (accepted) {
      // Time has passed since the question: the link is tested again.
      if (LinkReady()) StartWrite();
    } else {
      AppendLog("Upgrade cancelled\r\n");
    }
  }
  Notify();
}

void CUpgradePage::OnUpgrade() {
  if (upgrading_ == 1 || prompt_ != Prompt::kNone) return;  // "Upgrade" is disabled meanwhile
  upgradeRepliesOpen_ = true;
  standbyOpen_ = true;
  upgradeMode_ = 1;
  if (!LinkReady()) return;
  if (!file_) {
    upgrading_ = 0;
    AppendLog("No firmware file is loaded\r\n");
    ShowMessageFor(1500, "Upgrade failed!");
    Notify();
    return;
  }
  if (doubtfulSplit_ != kNoMarker) {
    ShowPrompt(Prompt::kConfirmWrite,
               "From byte " + std::to_string(doubtfulSplit_) +
                   " on, this file reads like other MCU images merged after the main MCU image.\n"
                   "The main MCU part takes the whole rest of the file, so all of it would be written into the "
                   "main MCU.\n\nWrite the whole file into the main MCU?");
    Notify();
    return;
  }
  StartWrite();
  Notify();
}

void CUpgradePage::StartAction() {
  if (upgrading_ == 1) return;  // "Upgrade" pressed before the entry query: the write goes on
  if (shared_.LinkMode == 1) {
    if (socketWait_.Ready(
            shared_.PageSocketConnected == 1, [this](int ms) { SetTimer(kTimerSocketConnect, ms); },
            [this] { ShowMessageFor(1500, kConnectFailed); })) {
      StartDeviceQuery();
    }
    return;
  }
  if (shared_.ComLinkOpen != 1) {
    ShowMessageFor(1500, kOpenComFailed);
    return;
  }
  // Every open that lasts uses two stop bits, and the pages' first opens use them from now on.
  SerialSettings settings;
  settings.stopBits = 2;
  shared_.SharedStopBits = 2;
  if (port_.Open(this, shared_.ComPortNumber, settings) != 1) {
    ShowMessageFor(1500, kOpenComFailed);
    return;
  }
  port_.StartMonitoring();
  StartDeviceQuery();
}

void CUpgradePage::OnPageTimer(int id) {
  if (id != kTimerSocketConnect) return;
  KillTimer(id);
  if (socketWait_.OnTimeout()) ShowMessageFor(1500, kConnectFailed);
  Notify();
}

void CUpgradePage::OnTabChosen(int page) {
  view_.deviceLineCurrent = false;  // asked again on this visit
  socketWait_.Reset();
  KillTimer(kTimerSocketConnect);
  if (page == kPageFirmware) {
    upgradeMode_ = 0;
    upgradeRepliesOpen_ = false;
    standbyOpen_ = false;
  }
  // Only the entry query can run here: the headers stay locked while a write runs.
  if (runner_.RunningId() == kDeviceQuery) runner_.End(ExchangeEnd::kAbandoned);
}

void CUpgradePage::AbandonWrite(const std::string& reason) {
  if (runner_.RunningId() != kWrite) return;
  abandonReason_ = reason;
  runner_.End(ExchangeEnd::kAbandoned);
}

// A serial failure closes the port: no reply can come any more, so the write or the device
// query ends at once with the port's message instead of resending into nothing.
void CUpgradePage::ClosePort() {
  AbandonWrite("the serial port closed");
  if (runner_.RunningId() == kDeviceQuery) {
    runner_.End(ExchangeEnd::kAbandoned);
    ShowMessageFor(1500, kOpenComFailed);
  }
  port_.Close();
  view_.deviceLineCurrent = false;
}

// A switcher that restarts may drop its connection; while the page waits for it to answer again,
// the next check reconnects instead (see SendBytes). Anywhere else the write cannot go on.
void CUpgradePage::OnSocketNotice(int event, int error, bool /*wasConnected*/) {
  if (event == kSocketConnect && socketWait_.OnConnect(error)) {
    KillTimer(kTimerSocketConnect);
    if (error != 0) {
      ShowMessageFor(1500, kConnectFailed);
    } else if (upgrading_ == 0) {
      StartDeviceQuery();
    }
    Notify();
    return;
  }
  if (event != kSocketClose) return;
  view_.deviceLineCurrent = false;  // the reboot wait asks the switcher again
  if (!InRebootWait()) AbandonWrite("the TCP connection closed");
  Notify();
}

void CUpgradePage::SendBytes(const std::vector<uint8_t>& bytes) {
  if (shared_.LinkMode == 1 && shared_.PageSocketConnected != 1 && InRebootWait()) {
    ConnectCommandSocket(shared_, this);
    return;
  }
  PageBase::SendBytes(bytes);
  LogSent(bytes.size());
}

bool CUpgradePage::SendWhole(const std::vector<uint8_t>& bytes) {
  const bool taken = PageBase::SendWhole(bytes);
  if (taken) LogSent(bytes.size());
  return taken;
}

// The sent log: a line break for every frame of the write, "Send data:" and a line break for
// every block (again for a block sent with its header after a silence).
void CUpgradePage::LogSent(size_t length) {
  if (runner_.RunningId() != kWrite) return;
  sentLog_.AppendText(length > kFrameSize ? "Send data:\r\n\r\n" : "\r\n");
}

// A block goes out whole or not at all: part of one would be read by the switcher as the start of
// whatever follows.
bool CUpgradePage::IsRefusalOfRunningPart(const CommandFrame& f) const {
  if (f[p::kByteOpcode] != p::kOpFirmware || f[p::kByteValue] != p::kFwRefused) return false;
  if (f[p::kBytePort] != 0 || f[p::kByte7] != 0 || f[p::kByte8] != 0 || f[p::kByte10] != 0) return false;
  const int channel = f[p::kByteSub];
  // Part 3 is started through part 2's channel and then written on its own.
  return channel == currentPart_ || (currentPart_ == 3 && channel == p::kFwPart2);
}

void CUpgradePage::OnStandby() {
  runner_.End(ExchangeEnd::kStandby);
  upgrading_ = 0;
  ShowStandbyNotice();
}

void CUpgradePage::OnFrame(const CommandFrame& frame, bool /*sumOk*/, bool serialPath) {
  if (!frame.HasStartPair()) return;
  if (!serialPath && shared_.LinkMode != 1) return;
  if (p::IsStandbyReport(frame)) {
    if (serialPath || standbyOpen_) OnStandby();
    return;
  }
  if (!serialPath && frame[p::kByteOpcode] == p::kOpFirmware && !upgradeRepliesOpen_) return;
  // A damaged reply is never taken: the step it would answer sends again when its timer runs out.
  const bool intact = frame.ChecksumOk();
  if (intact && runner_.RunningId() == kWrite && IsRefusalOfRunningPart(frame)) {
    refusedPart_ = currentPart_;
    runner_.End(ExchangeEnd::kRefused);
    return;
  }
  runner_.OnFrame(frame, intact);
}

}  // namespace velantor
