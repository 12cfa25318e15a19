// Shapes the replies a stream front end (TCP) sends: several replies joined into one segment,
// or one reply split into pieces sent a little apart, as the "join" and "split" faults ask.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

#include "base/event_loop.h"
#include "sim/fault_knobs.h"

namespace velantor::sim {

class ReplyShaper : public TimerTarget {
 public:
  using Emit = std::function<void(const uint8_t* data, size_t length)>;
  ReplyShaper(EventLoop& loop, const FaultKnobs& knobs, Emit emit);

  void Push(const uint8_t* data, size_t length);  // one reply
  void Clear();                                   // forget what is held
  size_t HeldBytes() const;
  int Segments() const { return segments_; }      // segments emitted so far

  void OnTimer(int id) override;

 private:
  void Split(std::vector<uint8_t> segment);
  void Send(const std::vector<uint8_t>& piece);

  const FaultKnobs& knobs_;
  Emit emit_;
  std::vector<uint8_t> joining_;
  int joined_ = 0;
  std::deque<std::vector<uint8_t>> pieces_;  // split pieces still to go, in order
  int segments_ = 0;
};

}  // namespace velantor::sim
