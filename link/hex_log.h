// The hidden hex traffic logs each page keeps of the bytes it sends and receives: "%02X " per
// byte, "\r\n" line breaks. The text is bounded: the oldest lines go first once it is full.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace velantor {

class HexLog {
 public:
  static constexpr size_t kDefaultLimit = 256 * 1024;
  explicit HexLog(size_t limitChars = kDefaultLimit) : limit_(limitChars) {}

  // Counts the byte and logs it; after every 13th counted byte a "\r\n" follows and the count
  // starts again (the sent logs, and the received logs that count every byte).
  void AppendCounted(uint8_t byte);
  // Logs the byte without counting it (noise that was not collected into a frame).
  void AppendUncounted(uint8_t byte);
  // Logs bytes as one line ending in "\r\n" (a frame taken from the TCP link).
  void AppendLine(const uint8_t* bytes, size_t count);
  // Plain text between the hex (the firmware page's block markers).
  void AppendText(const std::string& text) { Write(text.data(), text.size()); }

  // A log whose text is never written still keeps its count (the firmware page).
  void SetTextEnabled(bool enabled) { textEnabled_ = enabled; }
  bool TextEnabled() const { return textEnabled_; }

  const std::string& Text() const { return text_; }
  int Counter() const { return counter_; }
  // Grows on every change, so a view can tell whether to refresh.
  uint64_t Revision() const { return revision_; }
  void Clear();

 private:
  void Write(const char* chars, size_t count);
  std::string text_;
  size_t limit_;
  int counter_ = 0;
  bool textEnabled_ = true;
  uint64_t revision_ = 0;
};

}  // namespace velantor
