#include "cli/progress.h"

namespace velantor::cli {

std::string ProgressLine(const std::string& label, size_t done, size_t total, size_t width) {
  if (done > total) done = total;
  const size_t filled = total == 0 ? 0 : done * width / total;
  std::string line = label + " [" + std::string(filled, '#') + std::string(width - filled, '.') + "] ";
  return line + std::to_string(done) + "/" + std::to_string(total) + " blocks";
}

void ProgressBar::Show(const std::string& label, size_t done, size_t total) {
  if (!terminal_) return;
  const std::string line = ProgressLine(label, done, total);
  if (line == shown_) return;
  std::fprintf(out_, "\r\033[K%s", line.c_str());
  std::fflush(out_);
  shown_ = line;
}

void ProgressBar::Clear() {
  if (!terminal_ || shown_.empty()) return;
  std::fprintf(out_, "\r\033[K");
  std::fflush(out_);
  shown_.clear();
}

}  // namespace velantor::cli
