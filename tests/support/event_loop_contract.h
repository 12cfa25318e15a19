// The contract every event loop keeps, as one typed suite: window-timer semantics, posting from
// another thread, and descriptor readiness including error and hang-up. A test file instantiates
// it with a driver per loop:
//
//   struct Driver {
//     SomeLoop loop;
//     void RunFor(int ms);                                   // ms of the loop's own time
//     bool RunUntil(const std::function<bool()>& done, int ms);  // at most ms of loop time
//     bool WaitFor(const std::function<bool()>& done, int wallMs);  // events from outside
//   };
//
// Timers are checked by the loop's own clock with lower bounds (a timer never fires early) and
// generous upper bounds, so the suite holds on a busy machine as well as in virtual time.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "base/event_loop.h"

namespace velantor::testing {

// A timer target that notes each firing with the loop's time.
struct FiringLog : TimerTarget {
  explicit FiringLog(EventLoop& loop) : TimerTarget(loop) {}
  void OnTimer(int id) override {
    fired.push_back({id, Loop().NowMs()});
    if (onTimer) onTimer(id);
  }
  int Count(int id) const {
    return static_cast<int>(std::count_if(fired.begin(), fired.end(), [id](const auto& f) { return f.id == id; }));
  }
  std::vector<int64_t> Times(int id) const {
    std::vector<int64_t> out;
    for (const auto& f : fired) {
      if (f.id == id) out.push_back(f.atMs);
    }
    return out;
  }
  struct Firing {
    int id;
    int64_t atMs;
  };
  std::vector<Firing> fired;
  std::function<void(int)> onTimer;
};

// Both ends of a pipe, non-blocking, closed when the test ends unless closed before.
struct Pipe {
  Pipe() {
    int fds[2];
    if (::pipe2(fds, O_NONBLOCK | O_CLOEXEC) == 0) {
      readEnd = fds[0];
      writeEnd = fds[1];
    }
  }
  ~Pipe() {
    CloseRead();
    CloseWrite();
  }
  void CloseRead() { CloseFd(readEnd); }
  void CloseWrite() { CloseFd(writeEnd); }
  static void CloseFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
  bool Ok() const { return readEnd >= 0 && writeEnd >= 0; }
  int readEnd = -1;
  int writeEnd = -1;
};

template <class Driver>
class EventLoopContract : public ::testing::Test {
 protected:
  static constexpr int kWaitMs = 3000;  // the most any one wait may take
  static constexpr int kQuietMs = 100;  // how long "nothing happens" is watched

  EventLoop& Loop() { return driver.loop; }
  // Readiness reports of one watch, as the callback saw them.
  struct Reports {
    std::vector<unsigned> events;
    bool Any(unsigned bits) const {
      return std::any_of(events.begin(), events.end(), [bits](unsigned e) { return (e & bits) != 0; });
    }
  };
  bool QuietFor(const Reports& r) {
    const size_t before = r.events.size();
    return !driver.WaitFor([&] { return r.events.size() > before; }, kQuietMs);
  }

  Driver driver;
};

TYPED_TEST_SUITE_P(EventLoopContract);

TYPED_TEST_P(EventLoopContract, ATimerFiresEveryPeriodUntilItIsStoppedAndStoppingTwiceIsHarmless) {
  FiringLog t(this->Loop());
  const int64_t start = this->Loop().NowMs();
  t.SetTimer(66, 40);
  EXPECT_TRUE(t.TimerRunning(66));
  ASSERT_TRUE(this->driver.RunUntil([&] { return t.Count(66) >= 3; }, this->kWaitMs));
  const auto times = t.Times(66);
  // Clocks that count whole milliseconds may see a period as one millisecond shorter.
  EXPECT_GE(times[0] - start, 39);
  EXPECT_GE(times[1] - times[0], 39);
  EXPECT_GE(times[2] - times[1], 39);
  t.KillTimer(66);
  t.KillTimer(66);
  EXPECT_FALSE(t.TimerRunning(66));
  const int fired = t.Count(66);
  this->driver.RunFor(200);
  EXPECT_EQ(t.Count(66), fired);
}

TYPED_TEST_P(EventLoopContract, StartingARunningTimerStartsItsPeriodAgainWithTheNewLength) {
  FiringLog t(this->Loop());
  t.SetTimer(1, 200);
  this->driver.RunFor(100);
  const int64_t restart = this->Loop().NowMs();
  t.SetTimer(1, 200);  // the first deadline is forgotten
  ASSERT_TRUE(this->driver.RunUntil([&] { return t.Count(1) == 1; }, this->kWaitMs));
  EXPECT_GE(t.Times(1)[0] - restart, 199);

  t.SetTimer(1, 2000);
  this->driver.RunFor(50);
  const int64_t shortened = this->Loop().NowMs();
  t.SetTimer(1, 100);
  ASSERT_TRUE(this->driver.RunUntil([&] { return t.Count(1) == 2; }, this->kWaitMs));
  EXPECT_GE(t.Times(1)[1] - shortened, 99);
  EXPECT_LT(t.Times(1)[1] - shortened, 1500);  // not the old 2 s
}

TYPED_TEST_P(EventLoopContract, TimerIdsBelongToTheirTarget) {
  FiringLog a(this->Loop()), b(this->Loop());
  a.SetTimer(55, 30);
  b.SetTimer(55, 30);
  a.SetTimer(1, 30);
  b.KillTimer(55);
  a.KillTimer(1);
  EXPECT_TRUE(a.TimerRunning(55));
  EXPECT_FALSE(a.TimerRunning(1));
  EXPECT_FALSE(b.TimerRunning(55));
  ASSERT_TRUE(this->driver.RunUntil([&] { return a.Count(55) >= 2; }, this->kWaitMs));
  EXPECT_EQ(a.Count(1), 0);
  EXPECT_TRUE(b.fired.empty());
}

// The usual handler stops its own timer first and may start the next one; a target that is gone
// takes its timers with it.
TYPED_TEST_P(EventLoopContract, HandlersStopTheirOwnTimerAndStartOthersAndDestroyedTargetsLeaveNoTimers) {
  FiringLog t(this->Loop());
  t.onTimer = [&](int id) {
    t.KillTimer(id);
    if (id == 7) t.SetTimer(8, 30);
  };
  t.SetTimer(7, 30);
  ASSERT_TRUE(this->driver.RunUntil([&] { return t.Count(8) == 1; }, this->kWaitMs));
  this->driver.RunFor(150);
  EXPECT_EQ(t.Count(7), 1);
  EXPECT_EQ(t.Count(8), 1);
  EXPECT_FALSE(t.TimerRunning(7) || t.TimerRunning(8));

  int firedAfterDeath = 0;
  auto doomed = std::make_unique<FiringLog>(this->Loop());
  doomed->onTimer = [&](int) { ++firedAfterDeath; };
  doomed->SetTimer(3, 10);
  doomed.reset();
  this->driver.RunFor(100);
  EXPECT_EQ(firedAfterDeath, 0);
}

TYPED_TEST_P(EventLoopContract, TasksPostedFromAnotherThreadRunOnTheLoopsThreadInTheirOrder) {
  const auto loopThread = std::this_thread::get_id();
  std::vector<int> order;
  bool allOnLoopThread = true;
  std::thread poster([&] {
    for (int i = 0; i < 200; ++i) {
      this->Loop().Post([&, i] {
        order.push_back(i);
        allOnLoopThread = allOnLoopThread && std::this_thread::get_id() == loopThread;
      });
    }
  });
  poster.join();
  EXPECT_TRUE(order.empty());  // nothing runs until the loop does
  ASSERT_TRUE(this->driver.WaitFor([&] { return order.size() == 200; }, this->kWaitMs));
  std::vector<int> expected(200);
  std::iota(expected.begin(), expected.end(), 0);
  EXPECT_EQ(order, expected);
  EXPECT_TRUE(allOnLoopThread);

  // A task posted by a running task runs after it, never inside it.
  std::vector<std::string> steps;
  this->Loop().Post([&] {
    this->Loop().Post([&] { steps.push_back("inner"); });
    steps.push_back("outer done");
  });
  ASSERT_TRUE(this->driver.WaitFor([&] { return steps.size() == 2; }, this->kWaitMs));
  EXPECT_EQ(steps, (std::vector<std::string>{"outer done", "inner"}));
}

// Callbacks take what made them ready, as every user does: readiness is reported again for as
// long as it lasts.
TYPED_TEST_P(EventLoopContract, ReadinessIsReportedWhileWantedAndNeverAfterTheWatchEnds) {
  Pipe p;
  ASSERT_TRUE(p.Ok());
  typename TestFixture::Reports r;
  const int watch = this->Loop().WatchFd(p.readEnd, true, false, [&](unsigned e) {
    r.events.push_back(e);
    char byte;
    while (::read(p.readEnd, &byte, 1) == 1) {
    }
  });
  EXPECT_GT(watch, 0);
  EXPECT_TRUE(this->QuietFor(r));  // nothing to read yet
  ASSERT_EQ(::write(p.writeEnd, "x", 1), 1);
  ASSERT_TRUE(this->driver.WaitFor([&] { return !r.events.empty(); }, this->kWaitMs));
  EXPECT_TRUE(r.events[0] & kFdReadable);
  EXPECT_FALSE(r.Any(kFdHangUp | kFdError));

  this->Loop().UpdateFdWatch(watch, false, false);
  r.events.clear();
  ASSERT_EQ(::write(p.writeEnd, "y", 1), 1);
  EXPECT_TRUE(this->QuietFor(r));  // readable, but no longer wanted
  this->Loop().UpdateFdWatch(watch, true, false);
  ASSERT_TRUE(this->driver.WaitFor([&] { return !r.events.empty(); }, this->kWaitMs));
  this->Loop().UnwatchFd(watch);
  r.events.clear();
  ASSERT_EQ(::write(p.writeEnd, "z", 1), 1);
  EXPECT_TRUE(this->QuietFor(r));

  // A socket with room is writable; its user stops wanting that once it has written.
  int sockets[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, sockets), 0);
  typename TestFixture::Reports w;
  int writeWatch = 0;
  writeWatch = this->Loop().WatchFd(sockets[0], false, true, [&](unsigned e) {
    w.events.push_back(e);
    this->Loop().UpdateFdWatch(writeWatch, false, false);
  });
  const bool writable = this->driver.WaitFor([&] { return !w.events.empty(); }, this->kWaitMs);
  this->Loop().UnwatchFd(writeWatch);
  ::close(sockets[0]);
  ::close(sockets[1]);
  ASSERT_TRUE(writable);
  EXPECT_TRUE(w.events[0] & kFdWritable);
  EXPECT_FALSE(w.Any(kFdReadable));
}

// The other end closing is reported as a hang-up, not merely as readable, and a watch may end
// itself from its callback, as every user of a closed descriptor does.
TYPED_TEST_P(EventLoopContract, AHangUpIsReportedAsSuchAndTheCallbackMayEndItsWatch) {
  Pipe p;
  ASSERT_TRUE(p.Ok());
  typename TestFixture::Reports r;
  int watch = 0;
  watch = this->Loop().WatchFd(p.readEnd, true, false, [&](unsigned e) {
    r.events.push_back(e);
    if (e & kFdHangUp) this->Loop().UnwatchFd(watch);
  });
  EXPECT_TRUE(this->QuietFor(r));
  p.CloseWrite();
  const bool reported = this->driver.WaitFor([&] { return r.Any(kFdHangUp); }, this->kWaitMs);
  if (!reported) this->Loop().UnwatchFd(watch);
  ASSERT_TRUE(reported);
  char byte;
  EXPECT_EQ(::read(p.readEnd, &byte, 1), 0);  // the end of the stream
  r.events.clear();
  EXPECT_TRUE(this->QuietFor(r));  // the watch ended itself
}

// A pipe whose reader has gone is an error for its writer. The pipe is full, so only the error
// can wake the watch.
TYPED_TEST_P(EventLoopContract, AnErrorIsReportedAsSuch) {
  Pipe p;
  ASSERT_TRUE(p.Ok());
  const std::vector<char> chunk(4096, 'x');
  while (::write(p.writeEnd, chunk.data(), chunk.size()) > 0) {
  }
  typename TestFixture::Reports r;
  int watch = 0;
  watch = this->Loop().WatchFd(p.writeEnd, false, true, [&](unsigned e) {
    r.events.push_back(e);
    if (e & kFdError) this->Loop().UnwatchFd(watch);
  });
  EXPECT_TRUE(this->QuietFor(r));  // full: not writable
  p.CloseRead();
  const bool reported = this->driver.WaitFor([&] { return r.Any(kFdError); }, this->kWaitMs);
  if (!reported) this->Loop().UnwatchFd(watch);
  EXPECT_TRUE(reported);
}

REGISTER_TYPED_TEST_SUITE_P(EventLoopContract, ATimerFiresEveryPeriodUntilItIsStoppedAndStoppingTwiceIsHarmless,
                            StartingARunningTimerStartsItsPeriodAgainWithTheNewLength, TimerIdsBelongToTheirTarget,
                            HandlersStopTheirOwnTimerAndStartOthersAndDestroyedTargetsLeaveNoTimers,
                            TasksPostedFromAnotherThreadRunOnTheLoopsThreadInTheirOrder,
                            ReadinessIsReportedWhileWantedAndNeverAfterTheWatchEnds,
                            AHangUpIsReportedAsSuchAndTheCallbackMayEndItsWatch, AnErrorIsReportedAsSuch);

}  // namespace velantor::testing
