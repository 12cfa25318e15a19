// Timer bookkeeping shared by the loops that keep their own clock (virtual time and poll()).
// Deadlines and periods are in microseconds.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace velantor {

class TimerTarget;

class TimerTable {
 public:
  struct Due {
    TimerTarget* target;
    int id;
  };

  void Start(TimerTarget* target, int id, int64_t periodUs, int64_t nowUs);
  void Stop(TimerTarget* target, int id);
  void StopAll(TimerTarget* target);
  bool IsRunning(const TimerTarget* target, int id) const;

  // Earliest deadline, if any timer runs.
  std::optional<int64_t> NextDeadline() const;
  // Takes the earliest timer due at or before `limit` (the loop's time now) and reschedules it
  // one period later, or one period after `limit` when that is already past (a handler may stop
  // or restart it). Equal deadlines fire in the order they were set.
  std::optional<Due> TakeDue(int64_t limit, int64_t* deadline);

 private:
  struct Entry {
    const TimerTarget* target;
    int id;
    int64_t periodUs;
    int64_t deadline;
    uint64_t order;
  };
  std::vector<Entry>::iterator Find(const TimerTarget* target, int id);

  // A handful of timers run at once and every lookup scans them all anyway, so a flat list
  // beats a tree: a timer restarted per serial byte costs no allocation.
  std::vector<Entry> timers_;
  uint64_t nextOrder_ = 0;
};

}  // namespace velantor
