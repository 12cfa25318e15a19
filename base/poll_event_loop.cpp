#include "base/poll_event_loop.h"

#include <chrono>

namespace velantor {

namespace {
int64_t SteadyMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
}  // namespace

PollEventLoop::PollEventLoop() : start_(SteadyMs()) {}

int64_t PollEventLoop::NowMs() const { return SteadyMs() - start_; }

void PollEventLoop::Iterate(int64_t untilMs) {
  RunPosted();
  int64_t now = NowMs();
  int timeout = static_cast<int>(untilMs > now ? untilMs - now : 0);
  if (auto next = Timers().NextDeadline()) {
    int64_t toTimer = *next > now ? *next - now : 0;
    if (toTimer < timeout) timeout = static_cast<int>(toTimer);
  }
  PollDescriptors(timeout);
  RunPosted();
  int64_t deadline = 0;
  while (!quit_ && FireOneDue(NowMs(), &deadline)) RunPosted();
}

void PollEventLoop::Run() {
  quit_ = false;
  while (!quit_) Iterate(NowMs() + 1000);
}

void PollEventLoop::RunFor(int64_t ms) {
  quit_ = false;
  const int64_t end = NowMs() + ms;
  while (!quit_ && NowMs() < end) Iterate(end);
}

void PollEventLoop::Quit() {
  quit_ = true;
  Post([] {});  // wakes a sleeping poll
}

}  // namespace velantor
