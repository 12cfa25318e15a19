#include "skin/coalesced_refresh.h"

#include <QMetaObject>

#include "app/change_notifier.h"

namespace velantor::skin {

CoalescedRefresh::CoalescedRefresh(std::function<void()> redraw) : redraw_(std::move(redraw)) {}

CoalescedRefresh::CoalescedRefresh(ChangeNotifier& notifier, std::function<void()> redraw)
    : CoalescedRefresh(std::move(redraw)) {
  Watch(notifier);
}

CoalescedRefresh::~CoalescedRefresh() {
  for (auto [notifier, id] : subscriptions_) notifier->Unsubscribe(id);
}

void CoalescedRefresh::Watch(ChangeNotifier& notifier) {
  subscriptions_.emplace_back(&notifier, notifier.Subscribe([this] { MarkDirty(); }));
}

void CoalescedRefresh::MarkDirty() {
  if (dirty_) return;
  dirty_ = true;
  // A queued call runs when the loop comes back to its posted events, after everything the
  // current turn is still handling (the rest of a received buffer, other timers).
  QMetaObject::invokeMethod(&scheduler_, [this] { Flush(); }, Qt::QueuedConnection);
}

void CoalescedRefresh::Flush() {
  if (!dirty_) return;
  dirty_ = false;  // first, so a redraw that changes the core schedules the next turn's redraw
  ++redraws_;
  redraw_();
}

}  // namespace velantor::skin
