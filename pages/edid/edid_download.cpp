// CEdidPage, EDID files and their download: "Open" takes a file only when every check passes
// (a refused file is never kept, so it can never be sent), and "Set" writes the accepted EDID
// into one input or all inputs: the handshake, the announcement, the switcher's "ready", the
// header, and 200 ms later the 290-byte data block, sent whole or not at all.
#include "link/protocol.h"
#include "pages/edid/edid_page.h"

namespace velantor {

namespace {
namespace p = protocol;

constexpr const char* kDownloadDone = "Download successfully!";
constexpr const char* kDownloadFailed = "Download failed!";
constexpr const char* kSelectFile = "Select the file!";
constexpr int kBlockPauseMs = 200;
constexpr uint8_t kResultFlag = 0x01;  // byte 7 of a download's result reply

std::string FileSource(const std::string& path) {
  const size_t slash = path.rfind('/');
  return "File " + (slash == std::string::npos ? path : path.substr(slash + 1));
}
}  // namespace

void CEdidPage::OnOpenFile(const std::string& path) {
  EdidLoadResult loaded = LoadEdidFile(path);
  if (!loaded.file) {
    // The file shown and the bytes a download would send stay those of the last good file.
    data_.problem = loaded.reason;
    ShowMessageFor(1500, loaded.message, true);
    Notify();
    return;
  }
  file_ = std::move(*loaded.file);
  data_.filePath.text = path;
  data_.problem.clear();
  for (size_t i = 0; i < file_->EdidLength(); ++i) sentLog_.AppendCounted(file_->bytes[i]);
  ShowContent(file_->bytes, file_->EdidLength(), FileSource(path));
  Notify();
}

void CEdidPage::OnDownload() {
  if (!GuardedStart(EdidOperation::kDownload)) return;
  if (!file_) {
    ShowMessageFor(1500, kSelectFile);
    Notify();
    return;
  }
  const bool all = downloadTarget_ == inputCount_;
  const int input = downloadTarget_ + 1;
  const uint8_t sub = all ? p::kSubEdidDownloadAll : p::kSubEdidDownloadOne;
  Exchange download = VisibleExchange(kDownloadExchange, BusyFamily::kDownloading);
  download.steps.push_back(HandshakeStep());
  // The announcement names the input, or 0xFE for all of them.
  const int announceTimer = all ? kTimerAnnounceAll : kTimerAnnounceOne;
  download.steps.push_back(
      ExchangeStep::Frame(forms::EdidFive(p::kOpEdid, sub, all ? p::kEdidAllInputs : input, 0, p::kEdidModeFlag),
                          {p::kOpEdid, sub}, announceTimer, announceTimer + 1));
  // The header announces the block; nothing answers it.
  const CommandFrame header = forms::EdidFlagged(p::kOpEdid, sub, p::kEdidBlockHeader, 0, 0);
  ExchangeStep headerStep;
  headerStep.bytes.assign(header.data(), header.data() + header.size());
  download.steps.push_back(headerStep);
  // The block, from the file as it was accepted; the result answers it.
  const EdidDataBlock block = BuildEdidDataBlock(*file_);
  ExchangeStep blockStep;
  blockStep.bytes.assign(block.begin(), block.end());
  blockStep.whole = true;
  blockStep.awaited = ReplyMatch{p::kOpEdid, sub};
  blockStep.pauseTimer = kTimerBlockPause;
  blockStep.pauseMs = kBlockPauseMs;
  blockStep.secondTimer = kTimerDownloadResult;
  download.steps.push_back(blockStep);

  download.onReply = [this](const CommandFrame& reply, size_t index) {
    const uint8_t status = reply[p::kByteValue];
    const bool result = reply[p::kByte7] == kResultFlag;
    if (index == 0) return ReplyVerdict::kAccept;
    if (index == 1 && status == p::kEdidReady && !result) return ReplyVerdict::kAccept;
    // A result, or 0xFF in either form, answers the download as a whole: a refused announcement
    // ends it here instead of being taken for "ready".
    if (result || status == p::kReplyOff) return StatusVerdict(reply, kDownloadFailed);
    return ReplyVerdict::kWait;
  };
  download.onEnd = [this, all, input](ExchangeEnd end, size_t) {
    EndOperation(end, kDownloadDone, all ? 0 : input);
  };
  runner_.Start(std::move(download));
  Notify();
}

}  // namespace velantor
