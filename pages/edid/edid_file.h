// EDID files of the EDID page: loading a 128- or 256-byte file with its checks, saving 256 bytes
// without ever leaving a half-written file, and the 290-byte data block that follows a download
// header on the wire.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "link/protocol.h"

namespace velantor {

constexpr size_t kEdidBlockLength = 128;  // one EDID block: the base block or one extension
using EdidData = std::array<uint8_t, protocol::kEdidDataSize>;
using EdidDataBlock = std::array<uint8_t, protocol::kEdidBlockSize>;

// What the message dialog shows when a file is refused; the reason beside it says why.
inline constexpr const char* kWrongEdidFileMessage = "Please select the correct EDID file!";
inline constexpr const char* kSaveFailedMessage = "Save EDID file failed!";

// An accepted EDID file.
struct EdidFile {
  std::string path;
  size_t fileSize = 0;  // 128 or 256
  // The file's bytes. A 128-byte file leaves 128..255 zero, so what is downloaded is what the
  // file holds and never an extension left over from an earlier file.
  EdidData bytes{};

  int ExtensionCount() const { return bytes[126]; }
  // The bytes that make up the EDID: the base block, plus the extension when byte 126 says 1.
  size_t EdidLength() const { return kEdidBlockLength * (1 + static_cast<size_t>(ExtensionCount())); }
};

enum class EdidFileError {
  kNone,
  kOpen,               // cannot be opened, or is not a regular file
  kRead,               // a read failed or the file shrank while it was read
  kSize,               // neither 128 nor 256 bytes
  kHeader,             // does not start with 00 FF FF FF FF FF FF 00
  kTooManyExtensions,  // byte 126 above 1
  kMissingExtension,   // byte 126 is 1 in a 128-byte file
  kBaseChecksum,
  kExtensionChecksum,
};

struct EdidLoadResult {
  std::optional<EdidFile> file;  // set only when accepted
  EdidFileError error = EdidFileError::kNone;
  std::string message;  // message dialog text, empty when accepted
  std::string reason;   // one sentence for the operator, empty when accepted
};

// Reads at most 257 bytes of `path` (enough to tell a longer file) and checks them.
EdidLoadResult LoadEdidFile(const std::string& path);

// The checks alone, on bytes already in memory (`size` is the file's real length).
EdidLoadResult CheckEdidFileBytes(std::span<const uint8_t> bytes, const std::string& path = {});

struct EdidSaveResult {
  bool ok = false;
  std::string message;  // message dialog text, empty on success
  std::string reason;
};

// Writes the 256 bytes to a new file beside `path` and renames it over `path`, so a failed save
// leaves any earlier file as it was. An existing file keeps its permissions.
EdidSaveResult SaveEdidFile(const std::string& path, std::span<const uint8_t, protocol::kEdidDataSize> data);

// The raw block sent after the download header: 0x00, the 256 EDID bytes, 33 bytes of 0x00.
EdidDataBlock BuildEdidDataBlock(const EdidFile& file);

}  // namespace velantor
