// Splits the control console's input into lines. A line longer than the limit is dropped whole,
// up to and including its newline: running its tail as a command (a long line ending in "quit")
// would do what nobody typed.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace velantor::sim {

class ConsoleLines {
 public:
  static constexpr size_t kMaxLine = 4096;

  // The complete lines in `data` (and what was kept before it), without their newlines.
  std::vector<std::string> Feed(const char* data, size_t length);
  // At the end of the input: the last line when it had no newline (a file or a pipe may end so).
  std::optional<std::string> Finish();
  // Overlong lines dropped so far; each is reported once.
  int Dropped() const { return dropped_; }

 private:
  std::string pending_;
  bool discarding_ = false;  // inside an overlong line: everything up to its newline goes
  int dropped_ = 0;
};

}  // namespace velantor::sim
