#include "gui/qt_event_loop.h"

#include <QMetaObject>
#include <QSocketNotifier>
#include <QTimer>

namespace velantor {

QtEventLoop::QtEventLoop() : context_(std::make_unique<QObject>()) { clock_.start(); }

QtEventLoop::~QtEventLoop() {
  watches_.clear();
  for (auto& [key, timer] : timers_) delete timer;
}

void QtEventLoop::StartTimer(TimerTarget* target, int id, int periodMs) {
  QTimer*& timer = timers_[{target, id}];
  if (!timer) {
    timer = new QTimer();
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer, &QTimer::timeout, context_.get(), [target, id] { target->OnTimer(id); });
  }
  timer->start(periodMs < 1 ? 1 : periodMs);
}

void QtEventLoop::StopTimer(TimerTarget* target, int id) {
  auto it = timers_.find({target, id});
  if (it == timers_.end()) return;
  it->second->stop();
  it->second->deleteLater();  // a handler may be stopping its own timer
  timers_.erase(it);
}

void QtEventLoop::StopAllTimers(TimerTarget* target) {
  for (auto it = timers_.begin(); it != timers_.end();) {
    if (it->first.first == target) {
      it->second->stop();
      it->second->deleteLater();
      it = timers_.erase(it);
    } else {
      ++it;
    }
  }
}

bool QtEventLoop::IsTimerRunning(const TimerTarget* target, int id) const {
  return timers_.count({target, id}) != 0;
}

void QtEventLoop::Post(std::function<void()> task) {
  QMetaObject::invokeMethod(context_.get(), std::move(task), Qt::QueuedConnection);
}

int QtEventLoop::WatchFd(int fd, bool wantRead, bool wantWrite, FdCallback onReady) {
  const int id = nextWatchId_++;
  Watch& w = watches_[id];
  w.read = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
  w.write = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
  QObject::connect(w.read.get(), &QSocketNotifier::activated, context_.get(),
                   [onReady] { onReady(kFdReadable); });
  QObject::connect(w.write.get(), &QSocketNotifier::activated, context_.get(),
                   [onReady] { onReady(kFdWritable); });
  UpdateFdWatch(id, wantRead, wantWrite);
  return id;
}

void QtEventLoop::UpdateFdWatch(int watchId, bool wantRead, bool wantWrite) {
  auto it = watches_.find(watchId);
  if (it == watches_.end()) return;
  it->second.read->setEnabled(wantRead);
  it->second.write->setEnabled(wantWrite);
}

void QtEventLoop::UnwatchFd(int watchId) {
  auto it = watches_.find(watchId);
  if (it == watches_.end()) return;
  // The callback that is running may be the one removing its own watch.
  it->second.read->setEnabled(false);
  it->second.write->setEnabled(false);
  it->second.read.release()->deleteLater();
  it->second.write.release()->deleteLater();
  watches_.erase(it);
}

}  // namespace velantor
