#include "sim/edid_data.h"

#include <algorithm>
#include <array>
#include <numeric>

namespace velantor::sim {

namespace {

constexpr std::array<uint8_t, 8> kEdidHeader{0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
constexpr size_t kBlock = 128;

// The timings the device's EDIDs prefer (CTA-861 and VESA values).
constexpr EdidTimingSpec k1080p60{148500, 1920, 280, 88, 44, 1080, 45, 4, 5, false, true, true};
constexpr EdidTimingSpec k1080i60{74250, 1920, 280, 88, 44, 540, 22, 2, 5, true, true, true};
constexpr EdidTimingSpec k2160p30{297000, 3840, 560, 176, 88, 2160, 90, 8, 10, false, true, true};
constexpr EdidTimingSpec k768p60{65000, 1024, 320, 24, 136, 768, 38, 3, 6, false, false, false};
constexpr EdidTimingSpec k1200p60{154000, 1920, 160, 48, 32, 1200, 35, 3, 6, false, true, false};

// Video codes, the first one native where its number allows: 1080i60, 1080p60, 2160p30 and their usual companions.
const std::vector<uint8_t> kVideo1080i{5, 4, 3};
const std::vector<uint8_t> kVideo1080p{16, 5, 4, 3};
const std::vector<uint8_t> kVideo3d{16, 32, 19, 4};
const std::vector<uint8_t> kVideo2160p{95, 94, 93, 16, 4};

// Built-in modes the device offers, by mode value, with the status code each reports and the
// EDID it presents: the name says the timing and the audio (2.0, 5.1, 7.1 LPCM; DVI: none).
struct BuiltInMode {
  int mode;
  uint8_t code;
  const char* name;
  EdidProfile profile;
};
const std::vector<BuiltInMode>& Modes() {
  static const std::vector<BuiltInMode> modes = {
      {1, 0, "1080i 2.0", {k1080i60, kVideo1080i, 2, true}},
      {2, 3, "1080p 2.0", {k1080p60, kVideo1080p, 2, true}},
      {3, 13, "DVI 1920", {k1080p60, {16}, 0, false}},
      {4, 1, "1080i 5.1", {k1080i60, kVideo1080i, 6, true}},
      {5, 2, "1080i 7.1", {k1080i60, kVideo1080i, 8, true}},
      {6, 4, "1080p 5.1", {k1080p60, kVideo1080p, 6, true}},
      {7, 5, "1080p 7.1", {k1080p60, kVideo1080p, 8, true}},
      {8, 6, "3D 2.0", {k1080p60, kVideo3d, 2, true}},
      {9, 7, "3D 5.1", {k1080p60, kVideo3d, 6, true}},
      {10, 8, "3D 7.1", {k1080p60, kVideo3d, 8, true}},
      {11, 9, "4K2K 2.0", {k2160p30, kVideo2160p, 2, true}},
      {12, 10, "4K2K 5.1", {k2160p30, kVideo2160p, 6, true}},
      {13, 11, "4K2K 7.1", {k2160p30, kVideo2160p, 8, true}},
      {14, 12, "DVI 1024", {k768p60, {}, 0, false}},
      {15, 14, "DVI 1200", {k1200p60, {}, 0, false}},
  };
  return modes;
}

const BuiltInMode* FindMode(int mode) {
  for (const BuiltInMode& m : Modes()) {
    if (m.mode == mode) return &m;
  }
  return nullptr;
}

uint8_t SumOf(const uint8_t* data, size_t n) {
  return static_cast<uint8_t>(std::accumulate(data, data + n, 0u));
}

void Seal128(uint8_t* block) { block[127] = static_cast<uint8_t>(0 - SumOf(block, 127)); }

uint8_t Lo(int v) { return static_cast<uint8_t>(v & 0xFF); }

// An 18-byte detailed timing descriptor; the image is 531 x 299 mm (a 24-inch 16:9 panel).
void WriteTiming(uint8_t* d, const EdidTimingSpec& t) {
  const int clock = static_cast<int>(t.pixelClockKHz / 10);
  const int hSize = 531, vSize = 299;
  d[0] = Lo(clock);
  d[1] = Lo(clock >> 8);
  d[2] = Lo(t.hActive);
  d[3] = Lo(t.hBlank);
  d[4] = static_cast<uint8_t>((t.hActive >> 8) << 4 | (t.hBlank >> 8));
  d[5] = Lo(t.vActive);
  d[6] = Lo(t.vBlank);
  d[7] = static_cast<uint8_t>((t.vActive >> 8) << 4 | (t.vBlank >> 8));
  d[8] = Lo(t.hSyncOffset);
  d[9] = Lo(t.hSyncWidth);
  d[10] = static_cast<uint8_t>((t.vSyncOffset & 0x0F) << 4 | (t.vSyncWidth & 0x0F));
  d[11] = static_cast<uint8_t>((t.hSyncOffset >> 8) << 6 | (t.hSyncWidth >> 8) << 4 | (t.vSyncOffset >> 4) << 2 |
                               (t.vSyncWidth >> 4));
  d[12] = Lo(hSize);
  d[13] = Lo(vSize);
  d[14] = static_cast<uint8_t>((hSize >> 8) << 4 | (vSize >> 8));
  // Digital separate sync with its polarities.
  d[17] = static_cast<uint8_t>((t.interlaced ? 0x80 : 0) | 0x18 | (t.vSyncPositive ? 0x04 : 0) |
                               (t.hSyncPositive ? 0x02 : 0));
}

// Range limits: 23-76 Hz, 15-140 kHz, up to 300 MHz.
void WriteRangeLimits(uint8_t* d) {
  const uint8_t limits[18] = {0, 0, 0, 0xFD, 0, 23, 76, 15, 140, 30, 0, 0x0A, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20};
  std::copy(std::begin(limits), std::end(limits), d);
}

void WriteName(uint8_t* d, const std::string& name) {
  d[3] = 0xFC;
  for (size_t i = 0; i < 13; ++i) d[5 + i] = i < name.size() ? static_cast<uint8_t>(name[i]) : 0x20;
  if (name.size() < 13) d[5 + name.size()] = 0x0A;
}

// The CTA-861 extension: video codes, LPCM audio with its speakers, the HDMI vendor block with
// physical address 1.0.0.0, then the preferred timing again as the native one.
void WriteCtaBlock(uint8_t* ext, const EdidProfile& p) {
  std::vector<uint8_t> blocks;
  auto add = [&](uint8_t tag, std::initializer_list<uint8_t> payload) {
    blocks.push_back(static_cast<uint8_t>(tag << 5 | payload.size()));
    blocks.insert(blocks.end(), payload);
  };
  if (!p.videoCodes.empty()) {
    blocks.push_back(static_cast<uint8_t>(2 << 5 | p.videoCodes.size()));
    // Bit 7 marks the native code, but only VICs 1 to 64 can carry it.
    for (size_t i = 0; i < p.videoCodes.size(); ++i) {
      const bool native = i == 0 && p.videoCodes[i] <= 64;
      blocks.push_back(static_cast<uint8_t>(p.videoCodes[i] | (native ? 0x80 : 0)));
    }
  }
  if (p.lpcmChannels > 0) {
    // LPCM, 32/44.1/48 kHz, 16/20/24 bit; speakers FL/FR, + LFE/FC/RL/RR for 5.1, + RLC/RRC for 7.1.
    add(1, {static_cast<uint8_t>(1 << 3 | (p.lpcmChannels - 1)), 0x07, 0x07});
    const uint8_t speakers = p.lpcmChannels >= 8 ? 0x4F : p.lpcmChannels >= 6 ? 0x0F : 0x01;
    add(4, {speakers, 0, 0});
  }
  if (p.hdmi) add(3, {0x03, 0x0C, 0x00, 0x10, 0x00});
  ext[0] = 0x02;
  ext[1] = 0x03;
  ext[2] = static_cast<uint8_t>(4 + blocks.size());
  ext[3] = static_cast<uint8_t>((p.lpcmChannels > 0 ? 0x40 : 0) | (p.hdmi ? 0x30 : 0) | 0x01);
  std::copy(blocks.begin(), blocks.end(), ext + 4);
  WriteTiming(ext + ext[2], p.timing);
  Seal128(ext);
}

}  // namespace

const EdidProfile& DisplayProfile() {
  static const EdidProfile profile{k1080p60, kVideo1080p, 2, true};
  return profile;
}

EdidBytes MakeEdid(const std::string& name, uint8_t serial, const EdidProfile& profile) {
  EdidBytes e{};
  std::copy(kEdidHeader.begin(), kEdidHeader.end(), e.begin());
  e[8] = 0x59;  // manufacturer "VLT" packed as three 5-bit letters
  e[9] = 0x94;
  e[10] = 0x01;
  e[11] = 0x00;
  e[12] = serial;
  e[16] = 1;     // week
  e[17] = 34;    // year 2024
  e[18] = 1;     // EDID 1.3
  e[19] = 3;
  e[20] = 0x80;  // digital input
  e[21] = 53;    // 53 x 30 cm
  e[22] = 30;
  e[23] = 0x78;  // gamma 2.2
  e[24] = 0x0A;  // RGB colour, the first timing is the preferred one
  const uint8_t chroma[10] = {0xEE, 0x91, 0xA3, 0x54, 0x4C, 0x99, 0x26, 0x0F, 0x50, 0x54};  // sRGB
  std::copy(std::begin(chroma), std::end(chroma), e.begin() + 25);
  e[35] = 0x21;  // 640x480 and 800x600 at 60 Hz
  e[36] = 0x08;  // 1024x768 at 60 Hz
  std::fill(e.begin() + 38, e.begin() + 54, 0x01);  // no standard timings
  WriteTiming(&e[54], profile.timing);
  WriteRangeLimits(&e[72]);
  e[90 + 3] = 0x10;  // an unused descriptor
  WriteName(&e[108], name);
  e[126] = 1;  // one extension block
  Seal128(e.data());
  WriteCtaBlock(&e[kBlock], profile);
  return e;
}

std::optional<uint8_t> BuiltInModeCode(int mode) {
  const BuiltInMode* m = FindMode(mode);
  if (!m) return std::nullopt;
  return m->code;
}

EdidBytes BuiltInModeEdid(int mode) {
  const BuiltInMode* m = FindMode(mode);
  if (!m) return MakeEdid("", static_cast<uint8_t>(mode));
  return MakeEdid(m->name, static_cast<uint8_t>(mode), m->profile);
}

uint8_t CopiedEdidCode(int output) { return static_cast<uint8_t>(14 + output); }

namespace {
// The checks an EDID's own bytes must pass, wherever they come from.
std::string EdidProblem(const uint8_t* edid, size_t length) {
  if (!std::equal(kEdidHeader.begin(), kEdidHeader.end(), edid)) return "EDID header missing";
  if (SumOf(edid, kBlock) != 0) return "base block checksum wrong";
  if (edid[126] > 1) return "more than one extension block";
  if (edid[126] == 1 && length < kEdidSize) return "extension announced but missing";
  if (edid[126] == 1 && SumOf(edid + kBlock, kBlock) != 0) return "extension block checksum wrong";
  return {};
}
}  // namespace

EdidBlockVerdict CheckEdidBlock(const uint8_t* block, size_t length) {
  if (length != kEdidBlockSize) return {std::nullopt, "block is not 290 bytes"};
  if (block[0] != 0x00) return {std::nullopt, "lead byte is not 0x00"};
  const uint8_t* edid = block + 1;
  std::string problem = EdidProblem(edid, kEdidSize);
  if (!problem.empty()) return {std::nullopt, problem};
  if (std::any_of(block + 257, block + kEdidBlockSize, [](uint8_t b) { return b != 0; })) {
    return {std::nullopt, "trailing bytes are not 0x00"};
  }
  EdidBlockVerdict verdict;
  verdict.edid.emplace();
  std::copy(edid, edid + kEdidSize, verdict.edid->begin());
  return verdict;
}

EdidBlockVerdict CheckEdidFile(const std::vector<uint8_t>& bytes) {
  if (bytes.size() != kBlock && bytes.size() != kEdidSize) return {std::nullopt, "not 128 or 256 bytes"};
  std::string problem = EdidProblem(bytes.data(), bytes.size());
  if (!problem.empty()) return {std::nullopt, problem};
  EdidBlockVerdict verdict;
  verdict.edid.emplace();
  verdict.edid->fill(0);
  std::copy(bytes.begin(), bytes.end(), verdict.edid->begin());
  return verdict;
}

}  // namespace velantor::sim
