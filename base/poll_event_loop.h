// Wall-clock event loop on poll(), for programs without Qt (the emulator, the command-line client).
#pragma once

#include <atomic>

#include "base/clocked_event_loop.h"

namespace velantor {

class PollEventLoop : public ClockedEventLoop {
 public:
  PollEventLoop();
  int64_t NowMs() const override;
  int64_t NowUs() const override;

  // Runs until Quit() is called (from any thread, or from a handler).
  void Run();
  // Runs for about `ms` milliseconds of wall time, then returns.
  void RunFor(int64_t ms);
  void Quit();

 private:
  void Iterate(int64_t untilMs);
  int64_t startUs_;
  std::atomic<bool> quit_{false};
};

}  // namespace velantor
