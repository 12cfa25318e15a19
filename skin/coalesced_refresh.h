// Binds a view to a core change notifier so that any number of changes within one turn of the Qt
// event loop redraw the view once, at the end of that turn. The core stays synchronous: it
// notifies as it changes; only the drawing is deferred, so a flood of frames costs view work
// once per turn instead of once per frame.
#pragma once

#include <QObject>
#include <functional>
#include <vector>

namespace velantor {
class ChangeNotifier;
}

namespace velantor::skin {

class CoalescedRefresh {
 public:
  // `redraw` runs at most once per loop turn after any of the watched notifiers changed.
  explicit CoalescedRefresh(std::function<void()> redraw);
  CoalescedRefresh(ChangeNotifier& notifier, std::function<void()> redraw);
  ~CoalescedRefresh();
  CoalescedRefresh(const CoalescedRefresh&) = delete;
  CoalescedRefresh& operator=(const CoalescedRefresh&) = delete;

  void Watch(ChangeNotifier& notifier);
  // Marks the view dirty and schedules the redraw, once, for the end of the current turn.
  void MarkDirty();
  // Redraws now when a redraw is pending (for a caller that needs the widgets current at once).
  void Flush();
  bool Dirty() const { return dirty_; }
  int Redraws() const { return redraws_; }

 private:
  std::function<void()> redraw_;
  std::vector<std::pair<ChangeNotifier*, int>> subscriptions_;
  QObject scheduler_;  // a pending redraw dies with it when the view goes away first
  bool dirty_ = false;
  int redraws_ = 0;
};

}  // namespace velantor::skin
