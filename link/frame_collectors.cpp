#include "link/frame_collectors.h"

#include <cstring>

#include "link/command_socket.h"

namespace velantor {

SerialCollector::SerialCollector(const CollectorPolicy& policy, HexLog& receivedLog, FrameHandler handler)
    : policy_(policy), log_(receivedLog), handler_(std::move(handler)) {
  if (!policy_.logText) log_.SetTextEnabled(false);
}

void SerialCollector::Reset() {
  buffer_.fill(0);
  count_ = 0;
  collecting_ = false;
  signedSum_ = 0;
}

int SerialCollector::OnByte(uint8_t byte, int portNumber, int linkMode) {
  if (linkMode == 1) return 0;
  if (portNumber < 1 || portNumber > 255) return -1;
  if (capture_) capture_(byte);

  const bool collected = byte == kStartByte1 || collecting_;
  if (collected) {
    buffer_[count_++] = byte;
    collecting_ = true;
    signedSum_ += static_cast<int8_t>(byte);
  }
  if (count_ == static_cast<int>(kFrameSize)) {
    const CommandFrame frame = CommandFrame::FromBytes(buffer_.data());
    const bool sumIsZero = signedSum_ == 0;
    buffer_.fill(0);
    count_ = 0;
    collecting_ = false;
    signedSum_ = 0;
    if (handler_) handler_(frame, sumIsZero);
  }
  // Logged last, so a frame's last byte appears after whatever its parser sent.
  if (collected || policy_.serialCountsEveryByte) {
    log_.AppendCounted(byte);
  } else {
    log_.AppendUncounted(byte);
  }
  return 0;
}

TcpCollector::TcpCollector(const CollectorPolicy& policy, HexLog& receivedLog, FrameHandler handler)
    : policy_(policy), log_(receivedLog), handler_(std::move(handler)) {
  if (!policy_.logText) log_.SetTextEnabled(false);
}

void TcpCollector::OnReadable(CommandSocket& socket, bool accepting) {
  uint8_t chunk[kReadSize];
  const size_t room = kCapacity - fill_;
  long got = socket.Receive(chunk, room < kReadSize ? room : kReadSize);
  if (got > 0) Feed(chunk, static_cast<size_t>(got), accepting);
}

void TcpCollector::Feed(const uint8_t* data, size_t length, bool accepting) {
  if (!accepting && policy_.idle == Idle::kDropBytes) return;
  if (raw_ && length) raw_(data, length);
  for (size_t i = 0; i < length; ++i) {
    TakeByte(data[i]);
    if (fill_ == kCapacity) Extract(accepting);  // never append past the end
  }
  Extract(accepting);
}

void TcpCollector::TakeByte(uint8_t byte) {
  buffer_[fill_++] = byte;
  if (policy_.tcpLogsBytes) log_.AppendCounted(byte);
}

void TcpCollector::Extract(bool accepting) {
  size_t start = 0;
  for (;;) {
    // Resync: a frame begins only at the start pair.
    while (start < fill_ && (buffer_[start] != kStartByte1 ||
                             (start + 1 < fill_ && buffer_[start + 1] != kStartByte2))) {
      ++start;
      ++resyncDrops_;
    }
    if (fill_ - start < kFrameSize) break;
    const CommandFrame frame = CommandFrame::FromBytes(buffer_.data() + start);
    start += kFrameSize;
    if (!accepting) continue;
    if (handler_) handler_(frame, frame.ChecksumOk());
    if (policy_.tcpLogsFrames) log_.AppendLine(frame.data(), kFrameSize);
  }
  if (start > 0) {
    std::memmove(buffer_.data(), buffer_.data() + start, fill_ - start);
    fill_ -= start;
  }
}

}  // namespace velantor
