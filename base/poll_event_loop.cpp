#include "base/poll_event_loop.h"

#include <algorithm>
#include <chrono>

namespace velantor {

namespace {
int64_t SteadyUs() {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}
}  // namespace

PollEventLoop::PollEventLoop() : startUs_(SteadyUs()) {}

int64_t PollEventLoop::NowUs() const { return SteadyUs() - startUs_; }
int64_t PollEventLoop::NowMs() const { return NowUs() / 1000; }

void PollEventLoop::Iterate(int64_t untilMs) {
  RunPosted();
  const int64_t nowUs = NowUs();
  int64_t waitUs = std::max<int64_t>(0, untilMs * 1000 - nowUs);
  if (auto next = Timers().NextDeadline()) waitUs = std::min(waitUs, std::max<int64_t>(0, *next - nowUs));
  PollDescriptors(static_cast<int>((waitUs + 999) / 1000));  // poll() counts whole ms: never wake early
  RunPosted();
  int64_t deadline = 0;
  while (!quit_ && FireOneDue(NowUs(), &deadline)) RunPosted();
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
