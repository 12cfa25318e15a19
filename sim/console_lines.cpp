#include "sim/console_lines.h"

namespace velantor::sim {

std::vector<std::string> ConsoleLines::Feed(const char* data, size_t length) {
  std::vector<std::string> lines;
  for (size_t i = 0; i < length; ++i) {
    const char c = data[i];
    if (c == '\n') {
      if (!discarding_) lines.push_back(pending_);
      pending_.clear();
      discarding_ = false;
      continue;
    }
    if (discarding_) continue;
    if (pending_.size() >= kMaxLine) {
      pending_.clear();
      discarding_ = true;
      ++dropped_;
      continue;
    }
    pending_.push_back(c);
  }
  return lines;
}

std::optional<std::string> ConsoleLines::Finish() {
  std::optional<std::string> last;
  if (!discarding_ && !pending_.empty()) last = pending_;
  pending_.clear();
  discarding_ = false;
  return last;
}

}  // namespace velantor::sim
