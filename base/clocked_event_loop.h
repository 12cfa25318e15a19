// Common part of the event loops that keep their own clock: the timer table, the queue of posted
// tasks (with an eventfd to wake a sleeping poll) and the descriptor watches.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <mutex>

#include "base/event_loop.h"
#include "base/timer_table.h"

namespace velantor {

class ClockedEventLoop : public EventLoop {
 public:
  ClockedEventLoop();
  ~ClockedEventLoop() override;

  void StartTimer(TimerTarget* target, int id, int periodMs) override;
  void StartTimerUs(TimerTarget* target, int id, int64_t periodUs) override;
  void StopTimer(TimerTarget* target, int id) override;
  void StopAllTimers(TimerTarget* target) override;
  bool IsTimerRunning(const TimerTarget* target, int id) const override;
  void Post(std::function<void()> task) override;
  int WatchFd(int fd, bool wantRead, bool wantWrite, FdCallback onReady) override;
  void UpdateFdWatch(int watchId, bool wantRead, bool wantWrite) override;
  void UnwatchFd(int watchId) override;

  size_t WatchCount() const { return watches_.size(); }

 protected:
  // Runs every task posted so far (tasks posted by them run too). Returns how many ran.
  int RunPosted();
  // Waits up to timeoutMs (0: just look, -1: forever) for watched descriptors or a post, and
  // calls the ready watches. Returns true when anything happened.
  bool PollDescriptors(int timeoutMs);
  // Fires the earliest timer due at or before `limit` (microseconds); returns false when none is.
  bool FireOneDue(int64_t limit, int64_t* deadline);
  TimerTable& Timers() { return timers_; }

 private:
  struct Watch {
    int fd;
    bool wantRead;
    bool wantWrite;
    FdCallback onReady;
  };
  TimerTable timers_;
  std::map<int, Watch> watches_;
  int nextWatchId_ = 1;
  std::mutex postedMutex_;
  std::deque<std::function<void()>> posted_;
  int wakeFd_ = -1;
};

}  // namespace velantor
