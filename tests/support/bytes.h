// Test helpers: frames written as the hex text a wire capture would show.
#pragma once

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "link/command_frame.h"

namespace velantor::testing {

inline std::vector<uint8_t> Hex(const std::string& text) {
  std::vector<uint8_t> out;
  std::istringstream in(text);
  std::string token;
  while (in >> token) out.push_back(static_cast<uint8_t>(std::stoul(token, nullptr, 16)));
  return out;
}

inline std::string HexText(const uint8_t* data, size_t n) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (size_t i = 0; i < n; ++i) {
    if (i) out += ' ';
    out += digits[data[i] >> 4];
    out += digits[data[i] & 0xF];
  }
  return out;
}

inline std::string HexText(const CommandFrame& frame) { return HexText(frame.data(), frame.size()); }
inline std::string HexText(const std::vector<uint8_t>& v) { return HexText(v.data(), v.size()); }

// A frame from its bytes 2 to 11 (missing ones are 0), with start pair and checksum.
inline std::vector<uint8_t> Frame(std::initializer_list<int> body) {
  std::vector<uint8_t> f{0xA5, 0x5B};
  for (int b : body) f.push_back(static_cast<uint8_t>(b));
  f.resize(12, 0);
  uint8_t sum = 0;
  for (uint8_t b : f) sum = static_cast<uint8_t>(sum + b);
  f.push_back(static_cast<uint8_t>(0 - sum));
  return f;
}

inline CommandFrame FrameOf(const std::string& text) {
  auto bytes = Hex(text);
  bytes.resize(kFrameSize);
  return CommandFrame::FromBytes(bytes.data());
}

}  // namespace velantor::testing
