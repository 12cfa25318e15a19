// The event-loop seam on Qt: QTimer per (target, id), queued invocations for posts from any
// thread, QSocketNotifier for descriptor readiness.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <map>
#include <memory>

#include "base/event_loop.h"

class QSocketNotifier;
class QTimer;

namespace velantor {

class QtEventLoop : public EventLoop {
 public:
  QtEventLoop();
  ~QtEventLoop() override;

  void StartTimer(TimerTarget* target, int id, int periodMs) override;
  void StopTimer(TimerTarget* target, int id) override;
  void StopAllTimers(TimerTarget* target) override;
  bool IsTimerRunning(const TimerTarget* target, int id) const override;
  void Post(std::function<void()> task) override;
  int WatchFd(int fd, bool wantRead, bool wantWrite, FdCallback onReady) override;
  void UpdateFdWatch(int watchId, bool wantRead, bool wantWrite) override;
  void UnwatchFd(int watchId) override;
  int64_t NowMs() const override { return clock_.elapsed(); }

 private:
  struct Watch {
    int fd = -1;
    bool wantRead = false;
    bool wantWrite = false;
    std::unique_ptr<QSocketNotifier> read;
    std::unique_ptr<QSocketNotifier> write;
  };
  void Report(int watchId, const FdCallback& onReady);
  using Key = std::pair<const TimerTarget*, int>;
  std::unique_ptr<QObject> context_;
  std::map<Key, QTimer*> timers_;
  std::map<int, Watch> watches_;
  int nextWatchId_ = 1;
  QElapsedTimer clock_;
};

}  // namespace velantor
