#include "sim/transcript.h"

#include <cstdio>

namespace velantor::sim {

void Transcript::Add(TranscriptEntry entry) {
  if (limit_ == 0) return;
  while (entries_.size() >= limit_) {
    entries_.pop_front();
    ++dropped_;
  }
  entries_.push_back(std::move(entry));
}

void Transcript::SetLimit(size_t limit) {
  limit_ = limit;
  while (entries_.size() > limit_) {
    entries_.pop_front();
    ++dropped_;
  }
}

std::vector<TranscriptEntry> Transcript::Select(Direction direction, PayloadKind kind) const {
  std::vector<TranscriptEntry> out;
  for (const TranscriptEntry& e : entries_) {
    if (e.direction == direction && e.kind == kind) out.push_back(e);
  }
  return out;
}

std::string HexBytes(const uint8_t* data, size_t length) {
  std::string text;
  char buf[4];
  for (size_t i = 0; i < length; ++i) {
    std::snprintf(buf, sizeof buf, i ? " %02X" : "%02X", data[i]);
    text += buf;
  }
  return text;
}

std::string FormatEntry(const TranscriptEntry& e, size_t maxBytes) {
  char head[64];
  std::snprintf(head, sizeof head, "%lld.%03lld %-3s #%d %s ", static_cast<long long>(e.timeMs / 1000),
                static_cast<long long>(e.timeMs % 1000), e.direction == Direction::kIn ? "in" : "out",
                e.channel, PayloadKindName(e.kind));
  std::string text = head;
  const size_t shown = e.bytes.size() < maxBytes ? e.bytes.size() : maxBytes;
  text += HexBytes(e.bytes.data(), shown);
  if (shown < e.bytes.size()) text += " ... (" + std::to_string(e.bytes.size()) + " bytes)";
  if (!e.note.empty()) text += " [" + e.note + "]";
  return text;
}

}  // namespace velantor::sim
