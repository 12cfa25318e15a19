#include "pages/edid/edid_tables.h"

#include <algorithm>

namespace velantor {

namespace {

constexpr EdidModeEntry kModes[] = {
    {"1080i,Stereo Audio 2.0", 1},
    {"1080p,Stereo Audio 2.0", 2},
    {"DVI 1920X1080 ", 3},  // the trailing space is part of the list text
};

constexpr const char* kStatusTexts[kEdidStatusCodeCount] = {
    "1080i,Stereo Audio 2.0", "1080i,Dolby/DTS 5.1", "1080i,HD Audio 7.1",
    "1080p,Stereo Audio 2.0", "1080p,Dolby/DTS 5.1", "1080p,HD Audio 7.1",
    "3D,Stereo Audio 2.0",    "3D,Dolby/DTS 5.1",    "3D,HD Audio 7.1",
    "4K2K,Stereo Audio 2.0",  "4K2K,Dolby/DTS 5.1",  "4K2K,HD Audio 7.1",
    "DVI 1024X768",           "DVI 1920X1080",       "DVI 1920X1200",
    "Copy HDMI OUT A",        "Copy HDMI OUT B",     "Copy HDMI OUT C",
    "Copy HDMI OUT D",
};
constexpr const char* kUserDefined = "User define";

constexpr const char* kHexDigits = "0123456789ABCDEF";

int ClampPorts(int count) { return std::clamp(count, 1, kEdidMaxPorts); }

}  // namespace

std::span<const EdidModeEntry> EdidModes() { return kModes; }

std::optional<uint8_t> EdidModeValue(int index) {
  if (index < 0 || index >= static_cast<int>(std::size(kModes))) return std::nullopt;
  return kModes[index].modeValue;
}

std::vector<std::string> EdidInputItems(int inputCount) {
  std::vector<std::string> items;
  for (int n = 1; n <= ClampPorts(inputCount); ++n) items.push_back("IN" + std::to_string(n));
  items.push_back("All Inputs");
  return items;
}

std::vector<std::string> EdidOutputItems(int outputCount) {
  std::vector<std::string> items;
  for (int i = 0; i < ClampPorts(outputCount); ++i) items.push_back(std::string("HDMI OUT ") + EdidOutputLetter(i));
  return items;
}

char EdidOutputLetter(int index) {
  return index >= 0 && index < kEdidMaxPorts ? static_cast<char>('A' + index) : '?';
}

std::vector<std::string> EdidReadSourceItems() {
  std::vector<std::string> items;
  for (int n = 1; n <= kEdidMaxPorts; ++n) items.push_back("Out" + std::to_string(n));
  items.push_back("User1 Memory");
  items.push_back("User2 Memory");
  return items;
}

std::string EdidStatusText(uint8_t code) {
  return code < kEdidStatusCodeCount ? kStatusTexts[code] : kUserDefined;
}

std::string EdidStatusLabel(int input) {
  if (input < 1 || input > kEdidMaxPorts) return {};
  return "IN" + std::to_string(input) + ":";
}

std::vector<std::string> EdidContentColumnHeaders() {
  std::vector<std::string> headers{"Offset"};
  for (int c = 0; c < kEdidContentByteColumns; ++c) headers.emplace_back(1, kHexDigits[c]);
  return headers;
}

std::string EdidContentRowHeader(int row) {
  if (row < 0 || row >= kEdidContentRows) return {};
  return EdidContentCellText(static_cast<uint8_t>(row * kEdidContentByteColumns));
}

std::string EdidContentCellText(uint8_t byte) { return {kHexDigits[byte >> 4], kHexDigits[byte & 0x0F]}; }

EdidCellPosition EdidContentCellOf(int k) {
  return {k / kEdidContentByteColumns, 1 + k % kEdidContentByteColumns};
}

EdidContentCells FormatEdidContent(std::span<const uint8_t, kEdidContentRows * kEdidContentByteColumns> bytes) {
  EdidContentCells cells;
  for (size_t k = 0; k < bytes.size(); ++k) {
    cells[k / kEdidContentByteColumns][k % kEdidContentByteColumns] = EdidContentCellText(bytes[k]);
  }
  return cells;
}

}  // namespace velantor
