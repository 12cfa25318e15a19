#include "sim/reply_shaper.h"

#include <algorithm>

namespace velantor::sim {

namespace {
constexpr int kJoinTimer = 1;
constexpr int kPieceTimer = 2;
}  // namespace

ReplyShaper::ReplyShaper(EventLoop& loop, const FaultKnobs& knobs, Emit emit)
    : TimerTarget(loop), knobs_(knobs), emit_(std::move(emit)) {}

void ReplyShaper::Push(const uint8_t* data, size_t length) {
  if (knobs_.joinCount > 1) {
    joining_.insert(joining_.end(), data, data + length);
    if (++joined_ == 1) SetTimer(kJoinTimer, std::max(1, knobs_.joinFlushMs));
    if (joined_ < knobs_.joinCount) return;
    KillTimer(kJoinTimer);
    joined_ = 0;
    std::vector<uint8_t> segment;
    segment.swap(joining_);
    Split(std::move(segment));
    return;
  }
  if (!joining_.empty()) {  // the join was switched off while replies waited
    KillTimer(kJoinTimer);
    joined_ = 0;
    std::vector<uint8_t> segment;
    segment.swap(joining_);
    Split(std::move(segment));
  }
  Split(std::vector<uint8_t>(data, data + length));
}

void ReplyShaper::Split(std::vector<uint8_t> segment) {
  const size_t piece = knobs_.splitBytes > 0 ? static_cast<size_t>(knobs_.splitBytes) : 0;
  std::deque<std::vector<uint8_t>> cut;
  if (piece == 0 || segment.size() <= piece) {
    cut.push_back(std::move(segment));
  } else {
    for (size_t at = 0; at < segment.size(); at += piece) {
      size_t end = std::min(segment.size(), at + piece);
      cut.emplace_back(segment.begin() + static_cast<long>(at), segment.begin() + static_cast<long>(end));
    }
  }
  const bool waiting = !pieces_.empty();
  for (auto& p : cut) pieces_.push_back(std::move(p));
  if (waiting) return;  // the piece timer carries on in order
  Send(pieces_.front());
  pieces_.pop_front();
  if (!pieces_.empty()) {
    if (knobs_.splitGapMs <= 0) {
      while (!pieces_.empty()) {
        Send(pieces_.front());
        pieces_.pop_front();
      }
      return;
    }
    SetTimer(kPieceTimer, knobs_.splitGapMs);
  }
}

void ReplyShaper::Send(const std::vector<uint8_t>& piece) {
  ++segments_;
  if (emit_) emit_(piece.data(), piece.size());
}

void ReplyShaper::OnTimer(int id) {
  if (id == kJoinTimer) {
    KillTimer(kJoinTimer);
    joined_ = 0;
    std::vector<uint8_t> segment;
    segment.swap(joining_);
    if (!segment.empty()) Split(std::move(segment));
    return;
  }
  if (pieces_.empty()) {
    KillTimer(kPieceTimer);
    return;
  }
  std::vector<uint8_t> piece = std::move(pieces_.front());
  pieces_.pop_front();
  if (pieces_.empty()) KillTimer(kPieceTimer);
  Send(piece);
}

void ReplyShaper::Clear() {
  KillTimer(kJoinTimer);
  KillTimer(kPieceTimer);
  joining_.clear();
  joined_ = 0;
  pieces_.clear();
}

size_t ReplyShaper::HeldBytes() const {
  size_t n = joining_.size();
  for (const auto& p : pieces_) n += p.size();
  return n;
}

}  // namespace velantor::sim
