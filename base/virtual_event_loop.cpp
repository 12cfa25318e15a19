#include "base/virtual_event_loop.h"

#include <chrono>

namespace velantor {

void VirtualEventLoop::RunPending() {
  while (RunPosted() > 0 || PollDescriptors(0)) {
  }
}

void VirtualEventLoop::AdvanceUs(int64_t us) {
  const int64_t target = nowUs_ + (us < 0 ? 0 : us);
  RunPending();
  int64_t deadline = 0;
  for (;;) {
    auto next = Timers().NextDeadline();
    if (!next || *next > target) break;
    if (*next > nowUs_) nowUs_ = *next;
    if (FireOneDue(nowUs_, &deadline)) RunPending();
  }
  nowUs_ = target;
  RunPending();
}

bool VirtualEventLoop::WaitUntil(const std::function<bool()>& done, int wallTimeoutMs) {
  using Clock = std::chrono::steady_clock;
  const auto end = Clock::now() + std::chrono::milliseconds(wallTimeoutMs);
  RunPending();
  while (!done()) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
    if (left <= 0) return done();
    PollDescriptors(static_cast<int>(left < 20 ? left : 20));
    RunPending();
  }
  return true;
}

}  // namespace velantor
