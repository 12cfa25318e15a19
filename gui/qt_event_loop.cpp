#include "gui/qt_event_loop.h"

#include <poll.h>

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
  w.fd = fd;
  w.read = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
  w.write = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
  for (QSocketNotifier* n : {w.read.get(), w.write.get()}) {
    QObject::connect(n, &QSocketNotifier::activated, context_.get(), [this, id, onReady] { Report(id, onReady); });
  }
  UpdateFdWatch(id, wantRead, wantWrite);
  return id;
}

// A notifier only says that something happened; the descriptor itself tells what, so the
// callback gets the same bits as on the poll() loops, hang-ups and errors included.
void QtEventLoop::Report(int watchId, const FdCallback& onReady) {
  auto it = watches_.find(watchId);
  if (it == watches_.end()) return;
  const Watch& w = it->second;
  pollfd p{w.fd, static_cast<short>((w.wantRead ? POLLIN : 0) | (w.wantWrite ? POLLOUT : 0)), 0};
  if (::poll(&p, 1, 0) <= 0 || p.revents == 0) return;
  onReady(static_cast<unsigned>(p.revents));
}

void QtEventLoop::UpdateFdWatch(int watchId, bool wantRead, bool wantWrite) {
  auto it = watches_.find(watchId);
  if (it == watches_.end()) return;
  it->second.wantRead = wantRead;
  it->second.wantWrite = wantWrite;
  it->second.read->setEnabled(wantRead);
  it->second.write->setEnabled(wantWrite);
}

void QtEventLoop::UnwatchFd(int watchId) {
  auto it = watches_.find(watchId);
  if (it == watches_.end()) return;
  // The callback that is running may be the one removing its own watch.
  for (auto* n : {&it->second.read, &it->second.write}) {
    (*n)->setEnabled(false);
    n->release()->deleteLater();
  }
  watches_.erase(it);
}

}  // namespace velantor
