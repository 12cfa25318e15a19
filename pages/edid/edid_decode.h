// What an EDID says, decoded for the operator: who made the display, which model and unit, when,
// the EDID version, its preferred timing, its name, how many extensions follow and whether each
// block's checksum holds. Takes any bytes: fields beyond the bytes given are left unknown.
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
  std::string monitorName;  // from a display-name descriptor; empty when there is none
  std::string serialText;   // from a serial-number descriptor; empty when there is none
  int extensionCount = 0;
  std::vector<EdidBlockVerdict> blocks;  // one per whole 128-byte block given
};

EdidInfo DecodeEdid(std::span<const uint8_t> bytes);

// "1920x1080p" or "1920x1080i".
std::string ResolutionText(const EdidTiming& timing);
// "60 Hz", "59.94 Hz".
std::string RefreshText(const EdidTiming& timing);

// The decoded facts as lines of text, in the order an operator reads them.
std::vector<std::string> DescribeEdid(const EdidInfo& info);

}  // namespace velantor
