#include "base/timer_table.h"

#include "base/event_loop.h"

namespace velantor {

void TimerTable::Start(TimerTarget* target, int id, int64_t periodUs, int64_t nowUs) {
  if (periodUs < 1) periodUs = 1;  // a zero period would fire forever without time passing
  timers_[{target, id}] = Entry{periodUs, nowUs + periodUs, nextOrder_++};
}

void TimerTable::Stop(TimerTarget* target, int id) { timers_.erase({target, id}); }

void TimerTable::StopAll(TimerTarget* target) {
  for (auto it = timers_.begin(); it != timers_.end();) {
    it = it->first.first == target ? timers_.erase(it) : std::next(it);
  }
}

bool TimerTable::IsRunning(const TimerTarget* target, int id) const {
  return timers_.count({target, id}) != 0;
}

std::optional<int64_t> TimerTable::NextDeadline() const {
  std::optional<int64_t> next;
  for (const auto& [key, entry] : timers_) {
    if (!next || entry.deadline < *next) next = entry.deadline;
  }
  return next;
}

std::optional<TimerTable::Due> TimerTable::TakeDue(int64_t limit, int64_t* deadline) {
  auto best = timers_.end();
  for (auto it = timers_.begin(); it != timers_.end(); ++it) {
    if (it->second.deadline > limit) continue;
    if (best == timers_.end() || it->second.deadline < best->second.deadline ||
        (it->second.deadline == best->second.deadline && it->second.order < best->second.order)) {
      best = it;
    }
  }
  if (best == timers_.end()) return std::nullopt;
  *deadline = best->second.deadline;
  best->second.deadline += best->second.periodUs;
  best->second.order = nextOrder_++;
  return Due{const_cast<TimerTarget*>(best->first.first), best->first.second};
}

}  // namespace velantor
