// The one main-window fake of the tests: records what pages post, and can pass it on to a real
// main window.
#pragma once

#include <algorithm>
#include <utility>
#include <vector>

#include "app/window_messages.h"

namespace velantor::testing {

struct RecordingMainWindow : MainWindowPort {
  RecordingMainWindow() = default;
  explicit RecordingMainWindow(MainWindowPort& passOnTo) : next(&passOnTo) {}

  void PostMainMessage(unsigned message, int wParam) override {
    posted.push_back({message, wParam});
    if (next) next->PostMainMessage(message, wParam);
  }
  int Count(unsigned message, int wParam) const {
    return static_cast<int>(std::count(posted.begin(), posted.end(), std::pair<unsigned, int>{message, wParam}));
  }
  // How often the headers were enabled again (WM_PAGE_BUSY 0).
  int PageBusyEnables() const { return Count(0x419, 0); }

  MainWindowPort* next = nullptr;
  std::vector<std::pair<unsigned, int>> posted;
};

}  // namespace velantor::testing
