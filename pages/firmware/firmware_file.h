// Firmware files: the images of up to four microcontrollers, each behind its two-byte marker in a
// fixed order (main, slave, IR, panel), with no length field, the whole stream XORed with a mask
// that depends on the stream's length. The merge writes them; the upgrade loads them and writes
// them part by part.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace velantor {

// The program's own constant in the scrambling mask. Merge and load use it both, so every file the
// merge writes loads in the upgrade; files scrambled with another constant fail the marker check.
inline constexpr uint8_t kFirmwareKey = 0xC3;
inline constexpr size_t kFirmwareFileLimit = 200000;  // the upgrade's image buffer
inline constexpr size_t kMcuImageLimit = 50000;       // one microcontroller image of the merge
inline constexpr size_t kFirmwareMarkerSize = 2;
inline constexpr int kFirmwarePartCount = 4;

// Part 1 main MCU, 2 slave MCU1, 3 IR MCU2, 4 panel MCU3.
struct FirmwarePartInfo {
  int part;
  uint8_t marker[kFirmwareMarkerSize];
  const char* name;  // for messages: "main MCU", "slave MCU1", ...
};
// Part 1 to 4; nullptr for any other number.
const FirmwarePartInfo* FindPartInfo(int part);
// The part whose marker the two bytes are, or 0.
int PartOfMarker(uint8_t first, uint8_t second);

// k = (low 8 bits of the stream's length) XOR kFirmwareKey.
uint8_t FirmwareMask(size_t streamLength);
// XORs every byte with the mask of the stream's own length; applying it twice restores the input.
void ScrambleFirmware(std::span<uint8_t> stream);

struct FirmwareSection {
  int part = 0;
  std::vector<uint8_t> image;
};

struct FirmwareAssembly {
  std::vector<uint8_t> plain;  // markers and images, not yet scrambled; empty on error
  std::string error;           // one sentence for the operator, empty on success
  bool ok() const { return error.empty(); }
};

// Markers and images in the order given, which must be the order of the parts, each part at most
// once, every image non-empty and at most kMcuImageLimit bytes, the whole at most
// kFirmwareFileLimit bytes.
FirmwareAssembly AssembleFirmware(std::span<const FirmwareSection> sections);

// Where one part lies in an unscrambled file.
struct FirmwarePart {
  int part = 0;
  size_t markerOffset = 0;
  size_t dataBegin = 0;  // markerOffset + 2
  size_t dataEnd = 0;    // one past the last image byte
  size_t DataLength() const { return dataEnd - dataBegin; }
};

// Where a part that starts at `markerOffset` ends. Part 1 takes the whole rest of the file: a
// main image holds arbitrary bytes, so any marker inside it may be data, and the files that carry
// a main image alone must reach the main MCU whole. The slave and IR parts end at the first
// marker of a later part; the panel part is the last one and takes the rest.
size_t FindPartEnd(std::span<const uint8_t> plain, int part, size_t markerOffset);
inline constexpr size_t kNoMarker = static_cast<size_t>(-1);
// The first offset at or after `from` where the marker of a part after `part` sits, or kNoMarker.
size_t FindLaterMarker(std::span<const uint8_t> plain, int part, size_t from);

// A main part runs to the end of the file, so a file merged from the main image and others would
// write them all into the main MCU. Returns the offset of the first later part's marker from
// which the rest of the file reads as later parts in order, each non-empty and of a size the
// merge allows, with a main image before it of such a size; kNoMarker when the file cannot be
// such a merge. A main image may hold marker bytes by chance, so a hit is a doubt, not a proof.
size_t FindImagesAfterMain(std::span<const uint8_t> plain);

enum class FirmwareFileError {
  kNone,
  kExtension,     // the path ends neither in ".fw" nor in ".BIN"
  kOpen,          // cannot be opened, or not a regular file
  kRead,          // a read failed or the file changed while it was read
  kTooLarge,      // longer than the image buffer
  kTruncated,     // too short to hold a marker and one byte of image
  kMarker,        // does not start with a part's marker (damaged, or scrambled by another program)
  kEmptySection,  // a marker directly followed by the next marker or the end of the file
};

struct FirmwareFile {
  std::string path;
  std::vector<uint8_t> image;       // the file's bytes, unscrambled
  std::vector<FirmwarePart> parts;  // in file order, which is the order they are written
};

struct FirmwareLoadResult {
  std::optional<FirmwareFile> file;  // set only when accepted
  FirmwareFileError error = FirmwareFileError::kNone;
  std::string reason;  // one sentence for the operator, empty when accepted
};

// True when the path ends in ".fw" or ".BIN", exactly in that case.
bool HasFirmwareExtension(const std::string& path);

// Unscrambles the file's bytes and finds its parts.
FirmwareLoadResult ParseFirmware(std::span<const uint8_t> fileBytes, const std::string& path = {});
// Checks the extension, reads at most kFirmwareFileLimit + 1 bytes and parses them.
FirmwareLoadResult LoadFirmwareFile(const std::string& path);

}  // namespace velantor
