// Virtual-time event loop for tests: time moves only when the test calls Advance, so a 10-second
// time-out is checked in microseconds and always the same way.
#pragma once

#include <functional>

#include "base/clocked_event_loop.h"

namespace velantor {

class VirtualEventLoop : public ClockedEventLoop {
 public:
  // The clock counts microseconds; what happens inside a millisecond is seen at its end, as a
  // window timer would see it.
  int64_t NowMs() const override { return (nowUs_ + 999) / 1000; }
  int64_t NowUs() const override { return nowUs_; }

  // Moves the clock forward by `ms`, firing every timer that falls due on the way in deadline
  // order (timers started by handlers included) and running posted tasks between them.
  void Advance(int64_t ms) { AdvanceUs(ms * 1000); }
  void AdvanceUs(int64_t us);
  // Runs what is ready now (posted tasks, ready descriptors) without moving the clock.
  void RunPending();
  // For tests with real threads or sockets: pumps posted tasks and descriptors on the wall clock,
  // without moving virtual time, until `done` holds or `wallTimeoutMs` passes. Returns done().
  bool WaitUntil(const std::function<bool()>& done, int wallTimeoutMs = 3000);

 private:
  int64_t nowUs_ = 0;
};

}  // namespace velantor
