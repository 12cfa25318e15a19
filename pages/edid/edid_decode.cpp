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
constexpr uint8_t kTagRangeLimits = 0xFD;
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
  // Counted in half lines: an interlaced field is half a line longer than its descriptor says
  // (1125 lines make two fields of 562.5), so 1080i60 reads 60 Hz, not 60.05.
  const uint64_t halfLines = 2 * static_cast<uint64_t>(fieldLines + t.vBlank) + (t.interlaced ? 1 : 0);
  const uint64_t halfDots = static_cast<uint64_t>(t.hActive + t.hBlank) * halfLines;
  if (halfDots != 0) {
    const uint64_t milliHz = (uint64_t{t.pixelClockKHz} * 1000 * 1000 * 2 + halfDots / 2) / halfDots;
    t.refreshMilliHz = static_cast<uint32_t>(std::min<uint64_t>(milliHz, UINT32_MAX));
  }
  return t;
}

// Range limits: rates in bytes 5 to 8, each 255 higher where EDID 1.4's flags in byte 4 say so.
EdidRangeLimits RangeLimits(const uint8_t* d) {
  EdidRangeLimits r;
  r.minVerticalHz = d[5] + ((d[4] & 0x03) == 0x03 ? 255 : 0);
  r.maxVerticalHz = d[6] + ((d[4] & 0x02) != 0 ? 255 : 0);
  r.minHorizontalKHz = d[7] + ((d[4] & 0x0C) == 0x0C ? 255 : 0);
  r.maxHorizontalKHz = d[8] + ((d[4] & 0x08) != 0 ? 255 : 0);
  r.maxPixelClockMHz = d[9] * 10;
  return r;
}

// CTA-861 extension: tag 02; byte 2 is where the detailed timings start, the data blocks run from
// byte 4 up to there, each a header byte (tag in bits 7-5, length in bits 4-0) and its payload.
constexpr uint8_t kCtaTag = 0x02;
constexpr size_t kCtaDataStart = 4;
constexpr size_t kCtaChecksum = 127;
enum CtaBlockTag : uint8_t { kAudioBlock = 1, kVideoBlock = 2, kVendorBlock = 3 };
constexpr uint8_t kHdmiOui[] = {0x03, 0x0C, 0x00};  // 00-0C-03, least significant byte first

void ReadVideoBlock(const uint8_t* p, size_t n, EdidCtaInfo& cta) {
  for (size_t i = 0; i < n; ++i) {
    const int code = p[i];
    if (code == 0 || code == 128) continue;  // reserved
    // Codes 129-192 mark VIC 1-64 as native; 193 and above are VICs themselves.
    const bool native = code >= 129 && code <= 192;
    cta.videoCodes.push_back({native ? code & 0x7F : code, native});
  }
}

void ReadAudioBlock(const uint8_t* p, size_t n, EdidCtaInfo& cta) {
  for (size_t i = 0; i + 3 <= n; i += 3) {
    cta.audioFormats.push_back({p[i] >> 3 & 0x0F, (p[i] & 0x07) + 1, static_cast<uint8_t>(p[i + 1] & 0x7F)});
  }
}

void ReadVendorBlock(const uint8_t* p, size_t n, EdidCtaInfo& cta) {
  if (n < 5 || !std::equal(std::begin(kHdmiOui), std::end(kHdmiOui), p) || cta.physicalAddress) return;
  cta.physicalAddress = static_cast<uint16_t>(p[3] << 8 | p[4]);
}

EdidCtaInfo DecodeCta(const uint8_t* ext) {
  EdidCtaInfo cta;
  cta.revision = ext[1];
  // A timing offset of 0 means no data blocks and no timings; past the checksum is damage.
  const size_t end = std::min<size_t>(ext[2] == 0 ? kCtaDataStart : ext[2], kCtaChecksum);
  for (size_t at = kCtaDataStart; at < end;) {
    const uint8_t tag = ext[at] >> 5;
    const size_t length = ext[at] & 0x1F;
    const uint8_t* payload = ext + at + 1;
    if (at + 1 + length > end) {
      cta.truncated = true;
      break;
    }
    if (tag == kVideoBlock) ReadVideoBlock(payload, length, cta);
    if (tag == kAudioBlock) ReadAudioBlock(payload, length, cta);
    if (tag == kVendorBlock) ReadVendorBlock(payload, length, cta);
    at += 1 + length;
  }
  return cta;
}

// The video codes an operator meets most; others are shown by number only.
struct VideoCodeRow {
  int vic;
  const char* name;
};
constexpr VideoCodeRow kVideoCodes[] = {
    {1, "640x480p 60 Hz"},     {2, "720x480p 60 Hz"},     {3, "720x480p 60 Hz"},
    {4, "1280x720p 60 Hz"},    {5, "1920x1080i 60 Hz"},   {6, "720x480i 60 Hz"},
    {7, "720x480i 60 Hz"},     {16, "1920x1080p 60 Hz"},  {17, "720x576p 50 Hz"},
    {18, "720x576p 50 Hz"},    {19, "1280x720p 50 Hz"},   {20, "1920x1080i 50 Hz"},
    {21, "720x576i 50 Hz"},    {22, "720x576i 50 Hz"},    {31, "1920x1080p 50 Hz"},
    {32, "1920x1080p 24 Hz"},  {33, "1920x1080p 25 Hz"},  {34, "1920x1080p 30 Hz"},
    {93, "3840x2160p 24 Hz"},  {94, "3840x2160p 25 Hz"},  {95, "3840x2160p 30 Hz"},
    {96, "3840x2160p 50 Hz"},  {97, "3840x2160p 60 Hz"},  {98, "4096x2160p 24 Hz"},
    {99, "4096x2160p 25 Hz"},  {100, "4096x2160p 30 Hz"}, {101, "4096x2160p 50 Hz"},
    {102, "4096x2160p 60 Hz"},
};

constexpr const char* kAudioFormatNames[] = {
    "", "LPCM", "AC-3", "MPEG-1", "MP3", "MPEG-2", "AAC", "DTS", "ATRAC", "DSD", "E-AC-3", "DTS-HD",
    "Dolby TrueHD", "DST", "WMA Pro",
};

// Channel counts as the EDID modes name them.
struct ChannelWording {
  int channels;
  const char* text;
};
constexpr ChannelWording kChannelWords[] = {{2, "2.0"}, {6, "5.1"}, {8, "7.1"}};

constexpr const char* kSampleRates[] = {"32", "44.1", "48", "88.2", "96", "176.4", "192"};

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

std::string RangeLimitsText(const EdidRangeLimits& r) {
  std::string text = Format("Range limits: %u-%u Hz", static_cast<unsigned>(r.minVerticalHz),
                            static_cast<unsigned>(r.maxVerticalHz)) +
                     Format(", %u-%u kHz", static_cast<unsigned>(r.minHorizontalKHz),
                            static_cast<unsigned>(r.maxHorizontalKHz));
  if (r.maxPixelClockMHz > 0) text += Format(", up to %u MHz", static_cast<unsigned>(r.maxPixelClockMHz));
  return text;
}

std::string SampleRatesText(uint8_t rates) {
  std::string text;
  for (size_t bit = 0; bit < std::size(kSampleRates); ++bit) {
    if (!(rates >> bit & 1)) continue;
    text += (text.empty() ? "" : "/") + std::string(kSampleRates[bit]);
  }
  return text.empty() ? text : " (" + text + " kHz)";
}

// An extension without data blocks says nothing worth a line.
void AddCtaLines(const EdidCtaInfo& cta, std::vector<std::string>& lines) {
  if (cta.videoCodes.empty() && cta.audioFormats.empty() && !cta.physicalAddress && !cta.truncated) return;
  std::string video;
  for (const EdidVideoCode& v : cta.videoCodes) {
    const std::string name = VideoCodeName(v.vic);
    video += (video.empty() ? "" : ", ") + std::to_string(v.vic) + (name.empty() ? "" : " " + name) +
             (v.native ? " (native)" : "");
  }
  std::string audio;
  for (const EdidAudioFormat& a : cta.audioFormats) {
    audio += (audio.empty() ? "" : ", ") + AudioFormatText(a) + SampleRatesText(a.sampleRates);
  }
  lines.push_back("Video codes: " + (video.empty() ? std::string("none") : video));
  lines.push_back("Audio: " + (audio.empty() ? std::string("none") : audio));
  if (cta.physicalAddress) lines.push_back("HDMI physical address: " + PhysicalAddressText(*cta.physicalAddress));
  if (cta.truncated) lines.push_back("CTA data blocks: damaged (a block runs past the data area)");
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
    if (d[3] == kTagRangeLimits && !info.rangeLimits) info.rangeLimits = RangeLimits(d);
    if (d[3] == kTagMonitorName && info.monitorName.empty()) info.monitorName = DescriptorText(d);
    if (d[3] == kTagSerialText && info.serialText.empty()) info.serialText = DescriptorText(d);
  }
  for (size_t start = kBlockLength; start + kBlockLength <= bytes.size(); start += kBlockLength) {
    if (bytes[start] == kCtaTag) {
      info.cta = DecodeCta(bytes.data() + start);
      break;
    }
  }
  return info;
}

std::string VideoCodeName(int vic) {
  for (const VideoCodeRow& row : kVideoCodes) {
    if (row.vic == vic) return row.name;
  }
  return {};
}

std::string AudioFormatText(const EdidAudioFormat& format) {
  const bool named = format.format >= 1 && format.format < static_cast<int>(std::size(kAudioFormatNames));
  std::string text = named ? kAudioFormatNames[format.format] : "format " + std::to_string(format.format);
  for (const ChannelWording& w : kChannelWords) {
    if (w.channels == format.channels) return text + " " + w.text;
  }
  return text + " " + std::to_string(format.channels) + (format.channels == 1 ? " channel" : " channels");
}

std::string PhysicalAddressText(uint16_t address) {
  return Format("%u.%u.", address >> 12 & 0xF, address >> 8 & 0xF) +
         Format("%u.%u", address >> 4 & 0xF, address & 0xF);
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
  // Warnings, not refusals: such an EDID can be sent, but a display may read it wrongly.
  if (info.versionMajor != 1 || info.versionMinor < 3 || info.versionMinor > 4) {
    lines.push_back("Warning: unusual EDID version (1.3 or 1.4 expected)");
  }
  if (info.preferredTiming) {
    const EdidTiming& t = *info.preferredTiming;
    lines.push_back("Preferred timing: " + ResolutionText(t) + " " + RefreshText(t) +
                    Format(" (pixel clock %u.%02u MHz)", t.pixelClockKHz / 1000, t.pixelClockKHz % 1000 / 10));
  } else {
    lines.push_back("Preferred timing: none");
    lines.push_back("Warning: no preferred timing (a display may not know which mode to use)");
  }
  if (info.rangeLimits) lines.push_back(RangeLimitsText(*info.rangeLimits));
  lines.push_back("Monitor name: " + (info.monitorName.empty() ? std::string("none") : info.monitorName));
  lines.push_back("Extension blocks: " + std::to_string(info.extensionCount));
  if (info.cta) AddCtaLines(*info.cta, lines);
  for (const EdidBlockVerdict& b : info.blocks) {
    const std::string name = b.index == 0 ? "Base block" : "Extension block " + std::to_string(b.index);
    lines.push_back(name + " checksum: " +
                    (b.ChecksumOk() ? std::string("good") : Format("wrong (bytes add up to 0x%02X)", b.sum)));
  }
  return lines;
}

}  // namespace velantor
