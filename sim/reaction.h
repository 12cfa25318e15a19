// What the device does in answer to one received frame or block: the replies in order, a raw
// block to expect next, a reboot to start. Command handlers fill it; the model carries it out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "link/command_frame.h"

namespace velantor::sim {

enum class PayloadKind { kFrame, kEdidBlock, kFirmwareBlock, kEdidData, kGarbage };
const char* PayloadKindName(PayloadKind kind);

enum class BlockPurpose { kNone, kEdid, kFirmware };

struct Outgoing {
  PayloadKind kind;
  std::vector<uint8_t> bytes;
};

struct Reaction {
  std::vector<Outgoing> replies;
  size_t expectBlock = 0;  // length of the raw block that follows this frame
  BlockPurpose blockPurpose = BlockPurpose::kNone;
  bool reboot = false;     // the device restarts after sending the replies
  std::string rejected;    // why a request got no answer (empty: not rejected)

  // A reply frame; unnamed bytes are 0.
  void Frame(uint8_t op, uint8_t sub, uint8_t b4 = 0, uint8_t b5 = 0, uint8_t b6 = 0,
             uint8_t b7 = 0, uint8_t b8 = 0, uint8_t b9 = 0, uint8_t b10 = 0);
  void Raw(PayloadKind kind, const uint8_t* data, size_t length);
  void Reject(std::string why) { rejected = std::move(why); }
  void ExpectBlock(size_t length, BlockPurpose purpose) {
    expectBlock = length;
    blockPurpose = purpose;
  }
};

}  // namespace velantor::sim
