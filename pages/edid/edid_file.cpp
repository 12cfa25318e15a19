#include "pages/edid/edid_file.h"

#include "app/file_access.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numeric>

namespace velantor {

namespace {

constexpr uint8_t kEdidHeader[] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
constexpr size_t kExtensionCountByte = 126;
constexpr size_t kTrailingZeros = protocol::kEdidBlockSize - 1 - protocol::kEdidDataSize;

uint8_t SumOf(const uint8_t* data, size_t n) { return static_cast<uint8_t>(std::accumulate(data, data + n, 0u)); }

std::string Hex2(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", value & 0xFFu);
  return text;
}

EdidLoadResult Refuse(EdidFileError error, std::string reason) {
  EdidLoadResult result;
  result.error = error;
  result.message = kWrongEdidFileMessage;
  result.reason = std::move(reason);
  return result;
}

EdidLoadResult WrongSize(uintmax_t size) {
  return Refuse(EdidFileError::kSize,
                "The file is " + std::to_string(size) + " bytes long; an EDID file holds 128 or 256 bytes.");
}

EdidSaveResult SaveFailed(std::string reason) { return {false, kSaveFailedMessage, std::move(reason)}; }

}  // namespace

EdidLoadResult CheckEdidFileBytes(std::span<const uint8_t> bytes, const std::string& path) {
  const size_t size = bytes.size();
  if (size != kEdidBlockLength && size != protocol::kEdidDataSize) {
    return WrongSize(size);
  }
  if (!std::equal(std::begin(kEdidHeader), std::end(kEdidHeader), bytes.begin())) {
    return Refuse(EdidFileError::kHeader, "The file does not start with the EDID header 00 FF FF FF FF FF FF 00.");
  }
  const int extensions = bytes[kExtensionCountByte];
  if (extensions > 1) {
    return Refuse(EdidFileError::kTooManyExtensions, "The EDID announces " + std::to_string(extensions) +
                                                         " extension blocks; a file can hold only one.");
  }
  if (extensions == 1 && size == kEdidBlockLength) {
    return Refuse(EdidFileError::kMissingExtension,
                  "The EDID announces an extension block, but the file holds only the 128-byte base block.");
  }
  if (const uint8_t sum = SumOf(bytes.data(), kEdidBlockLength); sum != 0) {
    return Refuse(EdidFileError::kBaseChecksum, "The base block's checksum is wrong: bytes 0 to 127 add up to " +
                                                    Hex2(sum) + " instead of 0x00.");
  }
  if (extensions == 1) {
    if (const uint8_t sum = SumOf(bytes.data() + kEdidBlockLength, kEdidBlockLength); sum != 0) {
      return Refuse(EdidFileError::kExtensionChecksum,
                    "The extension block's checksum is wrong: bytes 128 to 255 add up to " + Hex2(sum) +
                        " instead of 0x00.");
    }
  }
  EdidLoadResult result;
  result.file.emplace();
  result.file->path = path;
  result.file->fileSize = size;
  std::copy(bytes.begin(), bytes.end(), result.file->bytes.begin());
  return result;
}

EdidLoadResult LoadEdidFile(const std::string& path) {
  // One byte more than an EDID file may hold is read, so that any longer file is refused by size.
  DiskRead read = ReadBoundedFile(path, protocol::kEdidDataSize);
  switch (read.status) {
    case DiskRead::Status::kOk:
      break;
    case DiskRead::Status::kTooLarge:
      return WrongSize(read.fileSize);
    case DiskRead::Status::kOpen:
      return Refuse(EdidFileError::kOpen, read.reason);
    case DiskRead::Status::kRead:
      return Refuse(EdidFileError::kRead, read.reason);
  }
  if (read.bytes.size() != kEdidBlockLength && read.bytes.size() != protocol::kEdidDataSize) {
    return WrongSize(read.bytes.size());
  }
  return CheckEdidFileBytes(read.bytes, path);
}

EdidSaveResult SaveEdidFile(const std::string& path, std::span<const uint8_t, protocol::kEdidDataSize> data) {
  const std::string error = WriteWholeFile(path, data);
  if (!error.empty()) return SaveFailed(error);
  return {true, {}, {}};
}

EdidDataBlock BuildEdidDataBlock(const EdidFile& file) {
  static_assert(kTrailingZeros == 33);
  EdidDataBlock block{};
  std::copy(file.bytes.begin(), file.bytes.end(), block.begin() + 1);
  return block;
}

}  // namespace velantor
