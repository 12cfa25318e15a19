#include "sim/edid_data.h"

#include <algorithm>
#include <array>
#include <numeric>

namespace velantor::sim {

namespace {

constexpr std::array<uint8_t, 8> kEdidHeader{0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};

// Built-in modes the device offers, by mode value, with the status code each reports.
struct BuiltInMode {
  int mode;
  uint8_t code;
  const char* name;
};
constexpr BuiltInMode kBuiltInModes[] = {
    {1, 0, "1080i 2.0"},    {2, 3, "1080p 2.0"},   {3, 13, "DVI 1920"},   {4, 1, "1080i 5.1"},
    {5, 2, "1080i 7.1"},    {6, 4, "1080p 5.1"},   {7, 5, "1080p 7.1"},   {8, 6, "3D 2.0"},
    {9, 7, "3D 5.1"},       {10, 8, "3D 7.1"},     {11, 9, "4K2K 2.0"},   {12, 10, "4K2K 5.1"},
    {13, 11, "4K2K 7.1"},   {14, 12, "DVI 1024"},  {15, 14, "DVI 1200"},
};

const BuiltInMode* FindMode(int mode) {
  for (const BuiltInMode& m : kBuiltInModes) {
    if (m.mode == mode) return &m;
  }
  return nullptr;
}

uint8_t SumOf(const uint8_t* data, size_t n) {
  return static_cast<uint8_t>(std::accumulate(data, data + n, 0u));
}

void Seal128(uint8_t* block) { block[127] = static_cast<uint8_t>(0 - SumOf(block, 127)); }

}  // namespace

EdidBytes MakeEdid(const std::string& name, uint8_t serial) {
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
  // Monitor name descriptor in the fourth descriptor slot.
  uint8_t* d = &e[108];
  d[3] = 0xFC;
  for (size_t i = 0; i < 13; ++i) d[5 + i] = i < name.size() ? static_cast<uint8_t>(name[i]) : 0x20;
  if (name.size() < 13) d[5 + name.size()] = 0x0A;
  e[126] = 1;  // one extension block
  Seal128(e.data());
  uint8_t* ext = &e[128];
  ext[0] = 0x02;  // CEA extension, revision 3
  ext[1] = 0x03;
  ext[2] = 0x04;  // no data blocks
  Seal128(ext);
  return e;
}

std::optional<uint8_t> BuiltInModeCode(int mode) {
  const BuiltInMode* m = FindMode(mode);
  if (!m) return std::nullopt;
  return m->code;
}

EdidBytes BuiltInModeEdid(int mode) {
  const BuiltInMode* m = FindMode(mode);
  return MakeEdid(m ? m->name : "", static_cast<uint8_t>(mode));
}

uint8_t CopiedEdidCode(int output) { return static_cast<uint8_t>(14 + output); }

EdidBlockVerdict CheckEdidBlock(const uint8_t* block, size_t length) {
  if (length != kEdidBlockSize) return {std::nullopt, "block is not 290 bytes"};
  if (block[0] != 0x00) return {std::nullopt, "lead byte is not 0x00"};
  const uint8_t* edid = block + 1;
  if (!std::equal(kEdidHeader.begin(), kEdidHeader.end(), edid)) {
    return {std::nullopt, "EDID header missing"};
  }
  if (SumOf(edid, 128) != 0) return {std::nullopt, "base block checksum wrong"};
  if (edid[126] > 1) return {std::nullopt, "more than one extension block"};
  if (edid[126] == 1 && SumOf(edid + 128, 128) != 0) {
    return {std::nullopt, "extension block checksum wrong"};
  }
  if (std::any_of(block + 257, block + kEdidBlockSize, [](uint8_t b) { return b != 0; })) {
    return {std::nullopt, "trailing bytes are not 0x00"};
  }
  EdidBlockVerdict verdict;
  verdict.edid.emplace();
  std::copy(edid, edid + kEdidSize, verdict.edid->begin());
  return verdict;
}

}  // namespace velantor::sim
