// EDIDs built byte by byte for the tests: a valid two-block EDID whose bytes from `pairsFrom` to
// 125 are A5 5B pairs, so that data on the wire looks like the start of frames.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace velantor::testing {

inline void SealEdidBlock(std::vector<uint8_t>& e, size_t base) {
  uint8_t sum = 0;
  for (size_t i = base; i < base + 127; ++i) sum = static_cast<uint8_t>(sum + e[i]);
  e[base + 127] = static_cast<uint8_t>(0 - sum);
}

// One base block with the EDID header and nothing else, its checksum right.
inline std::vector<uint8_t> MinimalEdid() {
  std::vector<uint8_t> e(128, 0);
  const uint8_t header[] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
  std::copy(header, header + 8, e.begin());
  SealEdidBlock(e, 0);
  return e;
}

inline std::vector<uint8_t> EdidFullOfStartPairs(size_t pairsFrom = 54) {
  std::vector<uint8_t> e = MinimalEdid();
  e.resize(256, 0);
  for (size_t i = pairsFrom; i + 1 < 126; i += 2) {
    e[i] = 0xA5;
    e[i + 1] = 0x5B;
  }
  e[126] = 1;
  for (size_t i = 128; i < 255; ++i) e[i] = static_cast<uint8_t>(i);
  SealEdidBlock(e, 0);
  SealEdidBlock(e, 128);
  return e;
}

}  // namespace velantor::testing
