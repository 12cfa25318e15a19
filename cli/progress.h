// The progress bar of a firmware write on a terminal: one line, redrawn per block.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace velantor::cli {

// "LABEL [#####.....] DONE/TOTAL blocks"; `width` is the bar's inside width.
std::string ProgressLine(const std::string& label, size_t done, size_t total, size_t width = 30);

class ProgressBar {
 public:
  // Draws on `out` only when `terminal` is true; otherwise it stays silent.
  ProgressBar(std::FILE* out, bool terminal) : out_(out), terminal_(terminal) {}
  ~ProgressBar() { Clear(); }
  // Redraws the line when the figures changed.
  void Show(const std::string& label, size_t done, size_t total);
  // Erases the line, so other output can be printed; the next Show draws it again.
  void Clear();

 private:
  std::FILE* out_;
  bool terminal_;
  std::string shown_;
};

}  // namespace velantor::cli
