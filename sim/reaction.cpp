#include "sim/reaction.h"

namespace velantor::sim {

const char* PayloadKindName(PayloadKind kind) {
  switch (kind) {
    case PayloadKind::kFrame: return "frame";
    case PayloadKind::kEdidBlock: return "edid-block";
    case PayloadKind::kFirmwareBlock: return "firmware-block";
    case PayloadKind::kEdidData: return "edid-data";
    case PayloadKind::kGarbage: return "garbage";
  }
  return "?";
}

void Reaction::Frame(uint8_t op, uint8_t sub, uint8_t b4, uint8_t b5, uint8_t b6, uint8_t b7,
                     uint8_t b8, uint8_t b9, uint8_t b10) {
  CommandFrame f = BuildFrame({{2, op}, {3, sub}, {4, b4}, {5, b5}, {6, b6}, {7, b7}, {8, b8},
                               {9, b9}, {10, b10}});
  replies.push_back({PayloadKind::kFrame, std::vector<uint8_t>(f.bytes.begin(), f.bytes.end())});
}

void Reaction::Raw(PayloadKind kind, const uint8_t* data, size_t length) {
  replies.push_back({kind, std::vector<uint8_t>(data, data + length)});
}

}  // namespace velantor::sim
