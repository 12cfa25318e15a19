// Cuts the byte stream a switcher receives into 13-byte frames and the raw blocks announced by
// header frames. Garbage before a frame is skipped; a frame whose checksum fails is rescanned
// for a later start pair so one lost byte costs one frame, not the rest of the stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "link/command_frame.h"

namespace velantor::sim {

class FrameStream {
 public:
  struct Handlers {
    std::function<void(const CommandFrame&)> onFrame;         // checksum good
    std::function<void(const CommandFrame&)> onBadFrame;      // start pair right, checksum wrong
    std::function<void(const std::vector<uint8_t>&)> onBlock;  // a raw block, complete
    std::function<void(size_t)> onGarbage;                    // bytes skipped while hunting
  };
  explicit FrameStream(Handlers handlers) : handlers_(std::move(handlers)) {}

  void Feed(const uint8_t* data, size_t length);
  // The next `length` bytes form a raw block. Called from onFrame for a header frame.
  void ExpectBlock(size_t length);
  // Drops a partial raw block (the sender went quiet) and hunts for frames again.
  void AbandonBlock();
  bool InBlock() const { return blockExpected_ > 0; }
  size_t BlockBytesHeld() const { return block_.size(); }

 private:
  void TakeFrameByte(uint8_t byte);
  void Rescan();

  Handlers handlers_;
  uint8_t frame_[kFrameSize]{};
  size_t held_ = 0;
  size_t blockExpected_ = 0;
  std::vector<uint8_t> block_;
};

}  // namespace velantor::sim
