#include "link/hex_log.h"

namespace velantor {

namespace {
constexpr char kHex[] = "0123456789ABCDEF";
constexpr int kBytesPerLine = 13;
}  // namespace

void HexLog::Write(const char* chars, size_t count) {
  ++revision_;
  if (!textEnabled_) return;
  text_.append(chars, count);
  if (text_.size() <= limit_) return;
  // Drop whole lines from the front so what remains still starts on a frame boundary.
  size_t cut = text_.size() - limit_ / 2;
  size_t lineEnd = text_.find("\r\n", cut);
  text_.erase(0, lineEnd == std::string::npos ? cut : lineEnd + 2);
}

void HexLog::AppendUncounted(uint8_t byte) {
  const char chars[3] = {kHex[byte >> 4], kHex[byte & 0xF], ' '};
  Write(chars, 3);
}

void HexLog::AppendCounted(uint8_t byte) {
  ++counter_;
  AppendUncounted(byte);
  if (counter_ > kBytesPerLine - 1) {
    Write("\r\n", 2);
    counter_ = 0;
  }
}

void HexLog::AppendLine(const uint8_t* bytes, size_t count) {
  for (size_t i = 0; i < count; ++i) AppendUncounted(bytes[i]);
  Write("\r\n", 2);
}

void HexLog::Clear() {
  text_.clear();
  counter_ = 0;
  ++revision_;
}

}  // namespace velantor
