// A list of callbacks that views subscribe to, so they redraw when core state changes.
#pragma once

#include <functional>
#include <map>

namespace velantor {

class ChangeNotifier {
 public:
  int Subscribe(std::function<void()> callback) {
    callbacks_[nextId_] = std::move(callback);
    return nextId_++;
  }
  void Unsubscribe(int id) { callbacks_.erase(id); }
  void Notify() const {
    auto copy = callbacks_;  // a callback may subscribe or unsubscribe
    for (auto& [id, callback] : copy) callback();
  }

 private:
  std::map<int, std::function<void()>> callbacks_;
  int nextId_ = 1;
};

}  // namespace velantor
