// Virtual-time event loop for tests: time moves only when the test calls Advance, so a 10-second
// time-out is checked in microseconds and always the same way.
#pragma once

#include <functional>

#include "base/clocked_event_loop.h"

namespace velantor {

class VirtualEventLoop : public ClockedEventLoop {
 public:
  int64_t NowMs() const override { return now_; }

  // Moves the clock forward by `ms`, firing every timer that falls due on the way in deadline
  // order (timers started by handlers included) and running posted tasks between them.
  void Advance(int64_t ms);
  // Runs what is ready now (posted tasks, ready descriptors) without moving the clock.
  void RunPending();
  // For tests with real threads or sockets: pumps posted tasks and descriptors on the wall clock,
  // without moving virtual time, until `done` holds or `wallTimeoutMs` passes. Returns done().
  bool WaitUntil(const std::function<bool()>& done, int wallTimeoutMs = 3000);

 private:
  int64_t now_ = 0;
};

}  // namespace velantor
