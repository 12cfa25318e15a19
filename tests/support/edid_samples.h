// EDIDs built byte by byte for the tests: a valid two-block EDID whose bytes from `pairsFrom` to
// 125 are A5 5B pairs, so that data on the wire looks like the start of frames, and a CTA-861
// extension put together from its data blocks.
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

// A CTA-861 extension block (tag 02, revision 3) built from data blocks: each is a tag (1 audio,
// 2 video, 3 vendor, 4 speakers) and its payload. Timings start right after the data blocks;
// the checksum is right unless the caller spoils it.
class CtaBlockBuilder {
 public:
  CtaBlockBuilder& Block(uint8_t tag, const std::vector<uint8_t>& payload) {
    blocks_.push_back(static_cast<uint8_t>(tag << 5 | payload.size()));
    blocks_.insert(blocks_.end(), payload.begin(), payload.end());
    return *this;
  }
  // Short video descriptors as they travel: 0x80 | vic marks a native code (for VIC 1 to 64).
  CtaBlockBuilder& Video(const std::vector<uint8_t>& codes) { return Block(2, codes); }
  // One LPCM descriptor: channels, 32/44.1/48 kHz, 16/20/24 bit.
  CtaBlockBuilder& Lpcm(int channels) { return Block(1, {static_cast<uint8_t>(1 << 3 | (channels - 1)), 0x07, 0x07}); }
  // The vendor block with the HDMI OUI 00-0C-03 and physical address a.b.c.d.
  CtaBlockBuilder& Hdmi(uint8_t ab, uint8_t cd) { return Block(3, {0x03, 0x0C, 0x00, ab, cd}); }

  std::vector<uint8_t> Build() const {
    std::vector<uint8_t> ext(128, 0);
    ext[0] = 0x02;
    ext[1] = 0x03;
    ext[2] = static_cast<uint8_t>(4 + blocks_.size());
    std::copy(blocks_.begin(), blocks_.end(), ext.begin() + 4);
    SealEdidBlock(ext, 0);
    return ext;
  }

 private:
  std::vector<uint8_t> blocks_;
};

// MinimalEdid with `extension` appended and announced in byte 126.
inline std::vector<uint8_t> EdidWithExtension(const std::vector<uint8_t>& extension) {
  std::vector<uint8_t> e = MinimalEdid();
  e[126] = 1;
  SealEdidBlock(e, 0);
  e.insert(e.end(), extension.begin(), extension.end());
  return e;
}

}  // namespace velantor::testing
