// What an EDID says, decoded for the operator: who made the display, which model and unit, when,
// the EDID version, its preferred timing, range limits, its name, how many extensions follow,
// what a CTA-861 extension offers (video codes, audio formats, the HDMI physical address) and
// whether each block's checksum holds. Takes any bytes: fields beyond the bytes given are left
// unknown, and a data block that claims more bytes than its extension holds is not read.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace velantor {

// The first detailed timing descriptor, which the EDID names as its preferred timing.
struct EdidTiming {
  uint32_t pixelClockKHz = 0;
  int hActive = 0;
  int vActive = 0;  // lines of the whole frame (both fields when interlaced)
  int hBlank = 0;
  int vBlank = 0;   // per field when interlaced
  bool interlaced = false;
  uint32_t refreshMilliHz = 0;  // frames per second, or fields per second when interlaced
};

// The display's range limits descriptor.
struct EdidRangeLimits {
  int minVerticalHz = 0;
  int maxVerticalHz = 0;
  int minHorizontalKHz = 0;
  int maxHorizontalKHz = 0;
  int maxPixelClockMHz = 0;  // 0 when not given
};

// One short audio descriptor of a CTA-861 audio data block.
struct EdidAudioFormat {
  int format = 0;    // 1 LPCM, 2 AC-3, ... (the CTA-861 audio format codes)
  int channels = 0;  // the most channels the format is taken with
  uint8_t sampleRates = 0;  // bit 0 32 kHz, 1 44.1, 2 48, 3 88.2, 4 96, 5 176.4, 6 192
};

// One video code (VIC) of a CTA-861 video data block.
struct EdidVideoCode {
  int vic = 0;
  bool native = false;
};

struct EdidCtaInfo {
  int revision = 0;
  std::vector<EdidVideoCode> videoCodes;
  std::vector<EdidAudioFormat> audioFormats;
  std::optional<uint16_t> physicalAddress;  // from the vendor block with the HDMI OUI
  bool truncated = false;  // a data block ran past the data area: the rest was not read
};

struct EdidBlockVerdict {
  int index = 0;      // 0 the base block, 1.. the extensions
  uint8_t sum = 0;    // the block's 128 bytes added modulo 256
  bool ChecksumOk() const { return sum == 0; }
};

struct EdidInfo {
  bool complete = false;  // at least the 128-byte base block was given
  bool headerOk = false;
  std::string manufacturer;  // three letters; '?' where a letter code is outside A..Z
  uint16_t productCode = 0;
  uint32_t serialNumber = 0;
  int week = 0;       // 0 not given, 0xFF: the year is a model year
  int year = 0;
  int versionMajor = 0;
  int versionMinor = 0;
  std::optional<EdidTiming> preferredTiming;
  std::optional<EdidRangeLimits> rangeLimits;
  std::string monitorName;  // from a display-name descriptor; empty when there is none
  std::string serialText;   // from a serial-number descriptor; empty when there is none
  int extensionCount = 0;
  std::optional<EdidCtaInfo> cta;  // the first CTA-861 extension given, when there is one
  std::vector<EdidBlockVerdict> blocks;  // one per whole 128-byte block given
};

EdidInfo DecodeEdid(std::span<const uint8_t> bytes);

// "1920x1080p 60 Hz" for the common video codes, "" for one the table does not hold.
std::string VideoCodeName(int vic);
// "LPCM 2.0", "LPCM 5.1", "LPCM 7.1", "AC-3 6 channels", ...
std::string AudioFormatText(const EdidAudioFormat& format);
// "1.0.0.0".
std::string PhysicalAddressText(uint16_t address);
// True for the byte offsets that hold a block's checksum (127, 255, ...).
inline bool IsEdidChecksumByte(size_t offset) { return offset % 128 == 127; }

// "1920x1080p" or "1920x1080i".
std::string ResolutionText(const EdidTiming& timing);
// "60 Hz", "59.94 Hz".
std::string RefreshText(const EdidTiming& timing);

// The decoded facts as lines of text, in the order an operator reads them.
std::vector<std::string> DescribeEdid(const EdidInfo& info);

}  // namespace velantor
