// The loop contract on the virtual-time and poll loops, and the exact timing and ordering that
// only virtual time promises.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/poll_event_loop.h"
#include "base/virtual_event_loop.h"
#include "support/event_loop_contract.h"

namespace velantor::testing {
namespace {

struct VirtualLoopDriver {
  VirtualEventLoop loop;
  void RunFor(int ms) { loop.Advance(ms); }
  bool RunUntil(const std::function<bool()>& done, int ms) {
    for (int i = 0; i < ms && !done(); ++i) loop.Advance(1);
    return done();
  }
  bool WaitFor(const std::function<bool()>& done, int wallMs) { return loop.WaitUntil(done, wallMs); }
};

struct PollLoopDriver {
  PollEventLoop loop;
  void RunFor(int ms) { loop.RunFor(ms); }
  bool RunUntil(const std::function<bool()>& done, int ms) {
    const int64_t end = loop.NowMs() + ms;
    while (!done() && loop.NowMs() < end) loop.RunFor(2);
    return done();
  }
  bool WaitFor(const std::function<bool()>& done, int wallMs) { return RunUntil(done, wallMs); }
};

using Loops = ::testing::Types<VirtualLoopDriver, PollLoopDriver>;
INSTANTIATE_TYPED_TEST_SUITE_P(Clocked, EventLoopContract, Loops);

// The loops on poll() go further than the contract: as poll() itself, they report a hang-up even
// to a watch that wants nothing at the moment.
template <class Driver>
class ClockedLoop : public ::testing::Test {
 protected:
  Driver driver;
};
TYPED_TEST_SUITE(ClockedLoop, Loops);

TYPED_TEST(ClockedLoop, AHangUpReachesAWatchThatWantsNothing) {
  Pipe p;
  ASSERT_TRUE(p.Ok());
  unsigned seen = 0;
  int watch = 0;
  watch = this->driver.loop.WatchFd(p.readEnd, false, false, [&](unsigned e) {
    seen |= e;
    this->driver.loop.UnwatchFd(watch);
  });
  p.CloseWrite();
  EXPECT_TRUE(this->driver.WaitFor([&] { return (seen & kFdHangUp) != 0; }, 3000));
}

struct Recorder : TimerTarget {
  Recorder(EventLoop& loop, std::string name, std::vector<std::string>& log)
      : TimerTarget(loop), name(std::move(name)), log(log) {}
  void OnTimer(int id) override {
    log.push_back(name + std::to_string(id) + "@" + std::to_string(Loop().NowMs()));
    if (onTimer) onTimer(id);
  }
  std::string name;
  std::vector<std::string>& log;
  std::function<void(int)> onTimer;
};

TEST(VirtualEventLoop, TimersArePeriodicUntilStopped) {
  VirtualEventLoop loop;
  std::vector<std::string> log;
  Recorder r(loop, "a", log);
  r.SetTimer(66, 500);
  loop.Advance(1600);
  EXPECT_EQ(log, (std::vector<std::string>{"a66@500", "a66@1000", "a66@1500"}));
  r.KillTimer(66);
  r.KillTimer(66);  // stopping a stopped timer is harmless
  loop.Advance(1000);
  EXPECT_EQ(log.size(), 3u);
}

TEST(VirtualEventLoop, RestartingARunningTimerResetsItsPeriod) {
  VirtualEventLoop loop;
  std::vector<std::string> log;
  Recorder r(loop, "a", log);
  r.SetTimer(1, 3000);
  loop.Advance(2000);
  r.SetTimer(1, 5000);
  loop.Advance(4000);
  EXPECT_TRUE(log.empty());
  loop.Advance(1000);
  EXPECT_EQ(log, std::vector<std::string>{"a1@7000"});
}

TEST(VirtualEventLoop, EqualDeadlinesFireInTheOrderSetAndIdSpacesAreSeparate) {
  VirtualEventLoop loop;
  std::vector<std::string> log;
  Recorder a(loop, "a", log), b(loop, "b", log);
  b.SetTimer(55, 150);
  a.SetTimer(55, 150);
  a.SetTimer(1, 150);
  loop.Advance(150);
  EXPECT_EQ(log, (std::vector<std::string>{"b55@150", "a55@150", "a1@150"}));
  EXPECT_TRUE(a.TimerRunning(55));
  b.KillTimer(55);
  EXPECT_TRUE(a.TimerRunning(55));
}

TEST(VirtualEventLoop, HandlersThatStopOrStartTimersAreHonouredInTheSameAdvance) {
  VirtualEventLoop loop;
  std::vector<std::string> log;
  Recorder r(loop, "r", log);
  r.onTimer = [&](int id) {
    r.KillTimer(id);
    if (id == 7) r.SetTimer(8, 500);
    if (id == 8) r.SetTimer(9, 5000);
  };
  r.SetTimer(7, 2000);
  loop.Advance(10000);
  EXPECT_EQ(log, (std::vector<std::string>{"r7@2000", "r8@2500", "r9@7500"}));
}

}  // namespace
}  // namespace velantor::testing
