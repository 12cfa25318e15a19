#include "base/timer_table.h"

#include <algorithm>

#include "base/event_loop.h"

namespace velantor {

std::vector<TimerTable::Entry>::iterator TimerTable::Find(const TimerTarget* target, int id) {
  return std::find_if(timers_.begin(), timers_.end(),
                      [&](const Entry& e) { return e.target == target && e.id == id; });
}

void TimerTable::Start(TimerTarget* target, int id, int64_t periodUs, int64_t nowUs) {
  if (periodUs < 1) periodUs = 1;  // a zero period would fire forever without time passing
  const Entry entry{target, id, periodUs, nowUs + periodUs, nextOrder_++};
  auto it = Find(target, id);
  if (it != timers_.end()) {
    *it = entry;
  } else {
    timers_.push_back(entry);
  }
}

void TimerTable::Stop(TimerTarget* target, int id) {
  auto it = Find(target, id);
  if (it != timers_.end()) timers_.erase(it);
}

void TimerTable::StopAll(TimerTarget* target) {
  std::erase_if(timers_, [&](const Entry& e) { return e.target == target; });
}

bool TimerTable::IsRunning(const TimerTarget* target, int id) const {
  return std::any_of(timers_.begin(), timers_.end(),
                     [&](const Entry& e) { return e.target == target && e.id == id; });
}

std::optional<int64_t> TimerTable::NextDeadline() const {
  std::optional<int64_t> next;
  for (const Entry& entry : timers_) {
    if (!next || entry.deadline < *next) next = entry.deadline;
  }
  return next;
}

std::optional<TimerTable::Due> TimerTable::TakeDue(int64_t limit, int64_t* deadline) {
  auto best = timers_.end();
  for (auto it = timers_.begin(); it != timers_.end(); ++it) {
    if (it->deadline > limit) continue;
    if (best == timers_.end() || it->deadline < best->deadline ||
        (it->deadline == best->deadline && it->order < best->order)) {
      best = it;
    }
  }
  if (best == timers_.end()) return std::nullopt;
  *deadline = best->deadline;
  best->deadline += best->periodUs;
  // A loop that ran late fires a periodic timer once, not once for every period it missed (as a
  // window timer does); a virtual clock is never late, so its timers keep their exact periods.
  if (best->periodUs > 0 && best->deadline <= limit) best->deadline = limit + best->periodUs;
  best->order = nextOrder_++;
  return Due{const_cast<TimerTarget*>(best->target), best->id};
}

}  // namespace velantor
