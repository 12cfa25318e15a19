// The timer bookkeeping of the loops that keep their own clock: a loop that ran late.
#include <gtest/gtest.h>

#include "base/timer_table.h"

namespace velantor {
namespace {

// A poll loop stalled for several periods (a busy machine) fires a periodic timer once and then
// keeps its period, instead of firing it back to back for every period it missed.
TEST(TimerTable, ALoopThatRanLateFiresAPeriodicTimerOnceNotOncePerMissedPeriod) {
  TimerTable table;
  TimerTarget* target = nullptr;
  table.Start(target, 7, 40'000, 0);
  int64_t deadline = 0;
  ASSERT_TRUE(table.TakeDue(200'000, &deadline));  // woke up 160 ms late
  EXPECT_EQ(deadline, 40'000);
  EXPECT_FALSE(table.TakeDue(200'000, &deadline));
  EXPECT_EQ(table.NextDeadline(), 240'000);
  // On time, the period is kept exactly.
  ASSERT_TRUE(table.TakeDue(240'000, &deadline));
  EXPECT_EQ(table.NextDeadline(), 280'000);
}

}  // namespace
}  // namespace velantor
