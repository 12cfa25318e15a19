// CEdidPage, reading an EDID: "Read" asks the switcher for the EDID of an output's display or of
// a user memory, and the 256 bytes come back raw. While they come the page takes every received
// byte past its frame collectors, so EDID bytes that happen to hold A5 5B are never taken for a
// frame. The bytes fill the "EDID content" grid and the decoded summary beside it; "Save" writes
// what the grid shows, "Clear" empties it.
#include <algorithm>

#include "link/command_socket.h"
#include "link/protocol.h"
#include "pages/edid/edid_decode.h"
#include "pages/edid/edid_page.h"

namespace velantor {

namespace {
namespace p = protocol;

constexpr const char* kReadFailed = "Read failed!";
constexpr const char* kNothingToSave = "No EDID data to save!";
constexpr size_t kReadOutputs = kEdidMaxPorts;  // list entries 0..7 are outputs, then the memories
// A switcher may put one lead byte before the EDID (as the download block does); with it the
// answer is one byte longer.
constexpr size_t kCaptureCapacity = protocol::kEdidDataSize + 1;
}  // namespace

int CEdidPage::OnPortRxChar(uint8_t byte, int portNumber) {
  if (!capturing_ || shared_.LinkMode == 1 || portNumber < 1 || portNumber > 255) {
    return PageBase::OnPortRxChar(byte, portNumber);
  }
  OnCaptureByte(byte, true);
  Notify();
  return 0;
}

void CEdidPage::OnSocketEvent(int event, int error) {
  if (event != kSocketRead || !capturing_ || !shared_.PageSocket) {
    PageBase::OnSocketEvent(event, error);
    return;
  }
  uint8_t chunk[TcpCollector::kReadSize];
  const long got = shared_.PageSocket->Receive(chunk, sizeof chunk);
  size_t used = 0;
  for (; got > 0 && used < static_cast<size_t>(got) && capturing_; ++used) OnCaptureByte(chunk[used], false);
  // What follows the EDID in the same read is frames again.
  if (got > 0 && used < static_cast<size_t>(got)) {
    tcpCollector_.Feed(chunk + used, static_cast<size_t>(got) - used, AcceptsTcpFrames());
  }
  Notify();
}

void CEdidPage::OnRead() {
  if (!GuardedStart(EdidOperation::kRead)) return;
  const auto source = static_cast<size_t>(readSource_);
  CommandFrame query;
  if (source < kReadOutputs) {
    query = forms::EdidFive(p::kOpEdid, p::kSubEdidRead, readSource_ + 1, 0, p::kEdidModeFlag);
  } else {
    query = forms::EdidFive(p::kOpEdid, p::kSubEdidRead, 0, 0, source == kReadOutputs ? p::kEdidUser1 : p::kEdidUser2);
  }
  captureSource_ = "Read from " + data_.readSources.items[source];
  Exchange read = VisibleExchange(kReadExchange, BusyFamily::kPleaseWait);
  // Only a frame can match: the switcher's refusal. The EDID itself ends the read from the capture.
  read.steps.push_back(ExchangeStep::Frame(query, {p::kOpEdid, p::kSubEdidRead}, 0, kTimerRead));
  read.onReply = [this](const CommandFrame&, size_t) {
    failureText_ = kReadFailed;
    return ReplyVerdict::kRefuse;
  };
  read.onEnd = [this](ExchangeEnd end, size_t) {
    KillTimer(kTimerReadSettle);
    if (end == ExchangeEnd::kDone && captured_.size() >= p::kEdidDataSize) {
      EdidData bytes{};
      std::copy(captured_.end() - static_cast<long>(bytes.size()), captured_.end(), bytes.begin());
      ClosePleaseWait();
      ShowContent(bytes, bytes.size(), captureSource_);
    } else if (end == ExchangeEnd::kRefused) {
      Refuse(failureText_);
    }
    StopCapture();
    Notify();
  };
  StartCapture();
  runner_.Start(std::move(read));
  Notify();
}

void CEdidPage::StartCapture() {
  capturing_ = true;
  captured_.clear();
  captureFrame_.clear();
}

void CEdidPage::StopCapture() {
  capturing_ = false;
  captured_.clear();
  captureFrame_.clear();
}

// An EDID starts with its header byte 00, never with A5: a frame that comes instead of the data
// (the switcher's refusal, a standby report, a late status answer) is assembled and handled as a
// frame. Every other byte is EDID data.
void CEdidPage::OnCaptureByte(uint8_t byte, bool serialPath) {
  receivedLog_.AppendCounted(byte);
  if (captured_.empty() && (!captureFrame_.empty() || byte == kStartByte1)) {
    captureFrame_.push_back(byte);
    if (captureFrame_.size() < kFrameSize) return;
    const CommandFrame frame = CommandFrame::FromBytes(captureFrame_.data());
    captureFrame_.clear();
    OnFrame(frame, frame.ChecksumOk(), serialPath);
    return;
  }
  captured_.push_back(byte);
  if (captured_.size() == p::kEdidDataSize) {
    SetTimer(kTimerReadSettle, kReadSettleMs);
  } else if (captured_.size() == kCaptureCapacity) {
    FinishCapture();  // the lead byte is dropped with the first of the 257
  }
}

void CEdidPage::FinishCapture() {
  KillTimer(kTimerReadSettle);
  capturing_ = false;
  if (runner_.RunningId() == kReadExchange) runner_.End(ExchangeEnd::kDone);
  StopCapture();
}

void CEdidPage::ShowContent(const EdidData& bytes, size_t edidLength, const std::string& source) {
  shown_ = bytes;
  data_.cells = FormatEdidContent(bytes);
  data_.contentSource = source;
  data_.summary = DescribeEdid(DecodeEdid(std::span<const uint8_t>(bytes.data(), edidLength)));
}

void CEdidPage::OnSave(const std::string& path) {
  if (!shown_) {
    ShowMessageFor(1500, kNothingToSave);
    Notify();
    return;
  }
  data_.savedPath.text = path;
  const EdidSaveResult saved = SaveEdidFile(path, *shown_);
  data_.problem = saved.reason;
  if (!saved.ok) ShowMessageFor(1500, saved.message);
  Notify();
}

void CEdidPage::OnClear() {
  shown_.reset();
  data_.cells = EdidContentCells{};
  data_.contentSource.clear();
  data_.summary.clear();
  Notify();
}

}  // namespace velantor
