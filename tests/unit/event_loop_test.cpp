// Virtual-time loop: window-timer semantics, ordering, posting and handlers that change timers.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "base/virtual_event_loop.h"

namespace velantor {
namespace {

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

TEST(VirtualEventLoop, DestroyedTargetsLeaveNoTimers) {
  VirtualEventLoop loop;
  std::vector<std::string> log;
  {
    Recorder r(loop, "r", log);
    r.SetTimer(1, 10);
  }
  loop.Advance(100);
  EXPECT_TRUE(log.empty());
}

TEST(VirtualEventLoop, TasksPostedFromAnotherThreadRunOnTheLoop) {
  VirtualEventLoop loop;
  int ran = 0;
  std::thread t([&] {
    for (int i = 0; i < 100; ++i) loop.Post([&] { ++ran; });
  });
  t.join();
  EXPECT_EQ(ran, 0);
  EXPECT_TRUE(loop.WaitUntil([&] { return ran == 100; }));
}

}  // namespace
}  // namespace velantor
