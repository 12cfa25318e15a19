#include "base/clocked_event_loop.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace velantor {

ClockedEventLoop::ClockedEventLoop() : wakeFd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

ClockedEventLoop::~ClockedEventLoop() {
  if (wakeFd_ >= 0) close(wakeFd_);
}

// A window timer counts from the millisecond the caller sees, so it fires on whole milliseconds.
void ClockedEventLoop::StartTimer(TimerTarget* target, int id, int periodMs) {
  timers_.Start(target, id, std::max(1, periodMs) * int64_t{1000}, NowMs() * 1000);
}
void ClockedEventLoop::StartTimerUs(TimerTarget* target, int id, int64_t periodUs) {
  timers_.Start(target, id, periodUs, NowUs());
}
void ClockedEventLoop::StopTimer(TimerTarget* target, int id) { timers_.Stop(target, id); }
void ClockedEventLoop::StopAllTimers(TimerTarget* target) { timers_.StopAll(target); }
bool ClockedEventLoop::IsTimerRunning(const TimerTarget* target, int id) const {
  return timers_.IsRunning(target, id);
}

void ClockedEventLoop::Post(std::function<void()> task) {
  // Only a post into an empty queue needs to wake the poll: the loop runs the whole queue once
  // woken, and does not sleep while tasks are queued.
  bool wake = false;
  {
    std::lock_guard<std::mutex> lock(postedMutex_);
    wake = posted_.empty();
    posted_.push_back(std::move(task));
  }
  if (wake && wakeFd_ >= 0) {
    uint64_t one = 1;
    [[maybe_unused]] ssize_t n = write(wakeFd_, &one, sizeof one);
  }
}

int ClockedEventLoop::WatchFd(int fd, bool wantRead, bool wantWrite, FdCallback onReady) {
  int id = nextWatchId_++;
  watches_[id] = Watch{fd, wantRead, wantWrite, std::move(onReady)};
  return id;
}

void ClockedEventLoop::UpdateFdWatch(int watchId, bool wantRead, bool wantWrite) {
  auto it = watches_.find(watchId);
  if (it == watches_.end()) return;
  it->second.wantRead = wantRead;
  it->second.wantWrite = wantWrite;
}

void ClockedEventLoop::UnwatchFd(int watchId) { watches_.erase(watchId); }

int ClockedEventLoop::RunPosted() {
  int ran = 0;
  for (;;) {
    std::function<void()> task;
    {
      std::lock_guard<std::mutex> lock(postedMutex_);
      if (posted_.empty()) return ran;
      task = std::move(posted_.front());
      posted_.pop_front();
    }
    task();
    ++ran;
  }
}

bool ClockedEventLoop::PollDescriptors(int timeoutMs) {
  // A look without waiting has nothing to find when no descriptor is watched: posted tasks are
  // run from the queue, and the wake-up count only matters to a poll that sleeps.
  if (timeoutMs == 0 && watches_.empty()) return false;
  std::vector<pollfd> fds;
  std::vector<int> ids;
  fds.push_back({wakeFd_, POLLIN, 0});
  for (const auto& [id, w] : watches_) {
    short events = static_cast<short>((w.wantRead ? POLLIN : 0) | (w.wantWrite ? POLLOUT : 0));
    fds.push_back({w.fd, events, 0});
    ids.push_back(id);
  }
  {
    std::lock_guard<std::mutex> lock(postedMutex_);
    if (!posted_.empty()) timeoutMs = 0;
  }
  int n = poll(fds.data(), fds.size(), timeoutMs);
  if (n <= 0) return false;
  if (fds[0].revents & POLLIN) {
    uint64_t count;
    [[maybe_unused]] ssize_t r = read(wakeFd_, &count, sizeof count);
  }
  bool any = fds[0].revents != 0;
  for (size_t i = 1; i < fds.size(); ++i) {
    if (!fds[i].revents) continue;
    auto it = watches_.find(ids[i - 1]);  // an earlier callback may have removed it
    if (it == watches_.end()) continue;
    FdCallback callback = it->second.onReady;  // the callback may unwatch itself
    callback(static_cast<unsigned>(fds[i].revents));
    any = true;
  }
  return any;
}

bool ClockedEventLoop::FireOneDue(int64_t limit, int64_t* deadline) {
  auto due = timers_.TakeDue(limit, deadline);
  if (!due) return false;
  due->target->OnTimer(due->id);
  return true;
}

}  // namespace velantor
