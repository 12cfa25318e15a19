#include "sim/frame_stream.h"

#include <algorithm>
#include <cstring>

namespace velantor::sim {

void FrameStream::ExpectBlock(size_t length) {
  blockExpected_ = length;
  block_.clear();
  block_.reserve(length);
}

void FrameStream::AbandonBlock() {
  blockExpected_ = 0;
  block_.clear();
}

void FrameStream::Feed(const uint8_t* data, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    if (blockExpected_ > 0) {
      // Take as much of the block as this burst holds in one go.
      size_t take = std::min(blockExpected_ - block_.size(), length - i);
      block_.insert(block_.end(), data + i, data + i + take);
      i += take - 1;
      if (block_.size() == blockExpected_) {
        std::vector<uint8_t> done;
        done.swap(block_);
        blockExpected_ = 0;
        if (handlers_.onBlock) handlers_.onBlock(done);
      }
      continue;
    }
    TakeFrameByte(data[i]);
  }
}

void FrameStream::TakeFrameByte(uint8_t byte) {
  if (held_ == 0 && byte != kStartByte1) {
    if (handlers_.onGarbage) handlers_.onGarbage(1);
    return;
  }
  if (held_ == 1 && byte != kStartByte2) {
    // A lone 0xA5: drop it; this byte may itself start a frame.
    held_ = 0;
    if (handlers_.onGarbage) handlers_.onGarbage(1);
    TakeFrameByte(byte);
    return;
  }
  frame_[held_++] = byte;
  if (held_ < kFrameSize) return;
  CommandFrame frame = CommandFrame::FromBytes(frame_);
  if (frame.ChecksumOk()) {
    held_ = 0;
    if (handlers_.onFrame) handlers_.onFrame(frame);
    return;
  }
  if (handlers_.onBadFrame) handlers_.onBadFrame(frame);
  Rescan();
}

// After a bad frame, restart at the next 0xA5 inside it: the frame may have swallowed the
// beginning of the one that follows.
void FrameStream::Rescan() {
  uint8_t rest[kFrameSize];
  size_t restLength = 0;
  for (size_t i = 1; i < kFrameSize; ++i) {
    if (frame_[i] == kStartByte1) {
      restLength = kFrameSize - i;
      std::memcpy(rest, frame_ + i, restLength);
      break;
    }
  }
  held_ = 0;
  // Fed as a stream: a good frame found in the rest may arm a block for the bytes after it.
  Feed(rest, restLength);
}

}  // namespace velantor::sim
