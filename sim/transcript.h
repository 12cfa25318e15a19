// Time-stamped record of every frame and block the device received and sent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "sim/reaction.h"

namespace velantor::sim {

enum class Direction { kIn, kOut };

struct TranscriptEntry {
  int64_t timeMs;
  Direction direction;
  PayloadKind kind;
  int channel;
  std::vector<uint8_t> bytes;
  std::string note;  // why it was not answered or not sent, empty otherwise
};

class Transcript {
 public:
  explicit Transcript(size_t limit = 20000) : limit_(limit) {}
  void Add(TranscriptEntry entry);
  void Clear() { entries_.clear(); }
  void SetLimit(size_t limit);
  const std::deque<TranscriptEntry>& Entries() const { return entries_; }
  size_t Size() const { return entries_.size(); }
  // Entries of one direction and kind, in order.
  std::vector<TranscriptEntry> Select(Direction direction, PayloadKind kind) const;
  size_t Dropped() const { return dropped_; }  // oldest entries let go to keep the limit

 private:
  size_t limit_;
  size_t dropped_ = 0;
  std::deque<TranscriptEntry> entries_;
};

// "12.345 in  frame A5 5B 01 ..." for logs and the control console.
std::string FormatEntry(const TranscriptEntry& entry, size_t maxBytes = 16);
std::string HexBytes(const uint8_t* data, size_t length);

}  // namespace velantor::sim
