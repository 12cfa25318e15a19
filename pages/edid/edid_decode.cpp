#include "pages/edid/edid_decode.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <numeric>

namespace velantor {

namespace {

constexpr size_t kBlockLength = 128;
constexpr uint8_t kHeader[] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};

// Byte positions of the base block.
constexpr size_t kManufacturer = 8;
constexpr size_t kProduct = 10;
constexpr size_t kSerial = 12;
constexpr size_t kWeek = 16;
constexpr size_t kYear = 17;
constexpr size_t kVersion = 18;
constexpr size_t kRevision = 19;
constexpr size_t kFirstDescriptor = 54;
constexpr size_t kDescriptorLength = 18;
constexpr int kDescriptorCount = 4;
constexpr size_t kExtensionCount = 126;
constexpr int kYearBase = 1990;

// Display descriptors (pixel clock 0) carry a tag in their byte 3 and text in bytes 5 to 17.
constexpr uint8_t kTagSerialText = 0xFF;
constexpr uint8_t kTagMonitorName = 0xFC;
constexpr size_t kTextStart = 5;

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// Three letters of five bits each, 1 = 'A', packed big-endian into two bytes.
std::string ManufacturerId(const uint8_t* p) {
  const unsigned packed = static_cast<unsigned>(p[0]) << 8 | p[1];
  std::string id;
  for (int shift : {10, 5, 0}) {
    const unsigned code = packed >> shift & 0x1F;
    id += code >= 1 && code <= 26 ? static_cast<char>('A' + code - 1) : '?';
  }
  return id;
}

// Descriptor text ends at a line feed; the rest is space padding. Anything unprintable shows as
// '?', so a damaged EDID cannot put control characters on the operator's screen.
std::string DescriptorText(const uint8_t* d) {
  std::string text;
  for (size_t i = kTextStart; i < kDescriptorLength && d[i] != 0x0A; ++i) {
    text += d[i] >= 0x20 && d[i] < 0x7F ? static_cast<char>(d[i]) : '?';
  }
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

std::optional<EdidTiming> DetailedTiming(const uint8_t* d) {
  EdidTiming t;
  t.pixelClockKHz = Le16(d) * 10u;
  if (t.pixelClockKHz == 0) return std::nullopt;  // a display descriptor, not a timing
  t.hActive = d[2] | (d[4] & 0xF0) << 4;
  t.hBlank = d[3] | (d[4] & 0x0F) << 8;
  const int fieldLines = d[5] | (d[7] & 0xF0) << 4;
  t.vBlank = d[6] | (d[7] & 0x0F) << 8;
  t.interlaced = (d[17] & 0x80) != 0;
  t.vActive = t.interlaced ? 2 * fieldLines : fieldLines;
  const uint64_t dotsPerField = static_cast<uint64_t>(t.hActive + t.hBlank) * (fieldLines + t.vBlank);
  if (dotsPerField != 0) {
    const uint64_t milliHz = (uint64_t{t.pixelClockKHz} * 1000 * 1000 + dotsPerField / 2) / dotsPerField;
    t.refreshMilliHz = static_cast<uint32_t>(std::min<uint64_t>(milliHz, UINT32_MAX));
  }
  return t;
}

std::string Format(const char* pattern, unsigned a, unsigned b = 0) {
  char text[64];
  std::snprintf(text, sizeof text, pattern, a, b);
  return text;
}

std::string MadeText(const EdidInfo& info) {
  const std::string year = std::to_string(info.year);
  if (info.week == 0xFF) return "model year " + year;
  if (info.week == 0) return year;
  return "week " + std::to_string(info.week) + " of " + year;
}

}  // namespace

EdidInfo DecodeEdid(std::span<const uint8_t> bytes) {
  EdidInfo info;
  for (size_t start = 0; start + kBlockLength <= bytes.size(); start += kBlockLength) {
    const uint8_t* block = bytes.data() + start;
    info.blocks.push_back({static_cast<int>(start / kBlockLength),
                           static_cast<uint8_t>(std::accumulate(block, block + kBlockLength, 0u))});
  }
  if (bytes.size() < kBlockLength) return info;
  const uint8_t* e = bytes.data();
  info.complete = true;
  info.headerOk = std::equal(std::begin(kHeader), std::end(kHeader), e);
  info.manufacturer = ManufacturerId(e + kManufacturer);
  info.productCode = Le16(e + kProduct);
  info.serialNumber = static_cast<uint32_t>(Le16(e + kSerial)) | static_cast<uint32_t>(Le16(e + kSerial + 2)) << 16;
  info.week = e[kWeek];
  info.year = kYearBase + e[kYear];
  info.versionMajor = e[kVersion];
  info.versionMinor = e[kRevision];
  info.extensionCount = e[kExtensionCount];
  for (int n = 0; n < kDescriptorCount; ++n) {
    const uint8_t* d = e + kFirstDescriptor + n * kDescriptorLength;
    if (n == 0) info.preferredTiming = DetailedTiming(d);
    if (d[0] != 0 || d[1] != 0) continue;
    if (d[3] == kTagMonitorName && info.monitorName.empty()) info.monitorName = DescriptorText(d);
    if (d[3] == kTagSerialText && info.serialText.empty()) info.serialText = DescriptorText(d);
  }
  return info;
}

std::string ResolutionText(const EdidTiming& timing) {
  return std::to_string(timing.hActive) + "x" + std::to_string(timing.vActive) + (timing.interlaced ? "i" : "p");
}

std::string RefreshText(const EdidTiming& timing) {
  const uint64_t hundredths = (uint64_t{timing.refreshMilliHz} + 5) / 10;
  const std::string whole = std::to_string(hundredths / 100);
  if (hundredths % 100 == 0) return whole + " Hz";
  return whole + Format(".%02u Hz", static_cast<unsigned>(hundredths % 100));
}

std::vector<std::string> DescribeEdid(const EdidInfo& info) {
  std::vector<std::string> lines;
  if (!info.complete) {
    lines.push_back("Incomplete EDID: fewer than 128 bytes");
    return lines;
  }
  if (!info.headerOk) lines.push_back("Header: missing (not an EDID?)");
  lines.push_back("Manufacturer: " + info.manufacturer);
  lines.push_back(Format("Product code: 0x%04X", info.productCode));
  lines.push_back("Serial number: " + std::to_string(info.serialNumber));
  if (!info.serialText.empty()) lines.push_back("Serial text: " + info.serialText);
  lines.push_back("Made: " + MadeText(info));
  lines.push_back(Format("EDID version: %u.%u", static_cast<unsigned>(info.versionMajor),
                         static_cast<unsigned>(info.versionMinor)));
  if (info.preferredTiming) {
    const EdidTiming& t = *info.preferredTiming;
    lines.push_back("Preferred timing: " + ResolutionText(t) + " " + RefreshText(t) +
                    Format(" (pixel clock %u.%02u MHz)", t.pixelClockKHz / 1000, t.pixelClockKHz % 1000 / 10));
  } else {
    lines.push_back("Preferred timing: none");
  }
  lines.push_back("Monitor name: " + (info.monitorName.empty() ? std::string("none") : info.monitorName));
  lines.push_back("Extension blocks: " + std::to_string(info.extensionCount));
  for (const EdidBlockVerdict& b : info.blocks) {
    const std::string name = b.index == 0 ? "Base block" : "Extension block " + std::to_string(b.index);
    lines.push_back(name + " checksum: " +
                    (b.ChecksumOk() ? std::string("good") : Format("wrong (bytes add up to 0x%02X)", b.sum)));
  }
  return lines;
}

}  // namespace velantor
