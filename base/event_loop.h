// The event-loop seam: window-style timers, cross-thread posting and descriptor readiness.
// Pages, dialogs, links and the emulator depend on this interface only; the panel runs it on
// Qt, tests on virtual time, the emulator on poll().
#pragma once

#include <cstdint>
#include <functional>

namespace velantor {

class TimerTarget;

// Readiness bits reported to a descriptor watch (the poll() values).
enum FdEvent : unsigned {
  kFdReadable = 0x001,  // POLLIN
  kFdWritable = 0x004,  // POLLOUT
  kFdError = 0x008,     // POLLERR
  kFdHangUp = 0x010,    // POLLHUP
  kFdInvalid = 0x020,   // POLLNVAL
};

class EventLoop {
 public:
  virtual ~EventLoop() = default;

  // Timers keep the semantics of window timers: a timer fires every `periodMs` until it is
  // stopped; starting a running (target, id) restarts it with the new period; stopping a stopped
  // timer is harmless. Each target has its own id space, as each window has.
  virtual void StartTimer(TimerTarget* target, int id, int periodMs) = 0;
  virtual void StopTimer(TimerTarget* target, int id) = 0;
  virtual void StopAllTimers(TimerTarget* target) = 0;
  virtual bool IsTimerRunning(const TimerTarget* target, int id) const = 0;

  // Runs `task` on the loop's thread, after the current handler. Safe from any thread.
  virtual void Post(std::function<void()> task) = 0;

  // Calls `onReady` with FdEvent bits whenever `fd` is readable (wantRead) or writable
  // (wantWrite); errors and hang-ups are always reported. Returns a watch id (> 0).
  using FdCallback = std::function<void(unsigned events)>;
  virtual int WatchFd(int fd, bool wantRead, bool wantWrite, FdCallback onReady) = 0;
  virtual void UpdateFdWatch(int watchId, bool wantRead, bool wantWrite) = 0;
  virtual void UnwatchFd(int watchId) = 0;

  // Milliseconds on the loop's clock (virtual in tests).
  virtual int64_t NowMs() const = 0;

  // Finer time for what models a wire byte by byte (the emulated serial line): a loop whose clock
  // counts microseconds keeps them; the others round to whole milliseconds.
  virtual int64_t NowUs() const { return NowMs() * 1000; }
  virtual void StartTimerUs(TimerTarget* target, int id, int64_t periodUs) {
    StartTimer(target, id, static_cast<int>((periodUs + 999) / 1000));
  }
};

// Base of everything that owns window timers (pages, dialogs, the main window). Its timers are
// stopped when it is destroyed, so no timer fires into a dead object.
class TimerTarget {
 public:
  explicit TimerTarget(EventLoop& loop) : loop_(loop) {}
  virtual ~TimerTarget() { loop_.StopAllTimers(this); }
  TimerTarget(const TimerTarget&) = delete;
  TimerTarget& operator=(const TimerTarget&) = delete;

  virtual void OnTimer(int id) = 0;

  void SetTimer(int id, int periodMs) { loop_.StartTimer(this, id, periodMs); }
  void SetTimerUs(int id, int64_t periodUs) { loop_.StartTimerUs(this, id, periodUs); }
  void KillTimer(int id) { loop_.StopTimer(this, id); }
  bool TimerRunning(int id) const { return loop_.IsTimerRunning(this, id); }
  EventLoop& Loop() const { return loop_; }

 private:
  EventLoop& loop_;
};

}  // namespace velantor
