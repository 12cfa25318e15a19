// The pages' file access: read a whole file of bounded size, and write a whole file so that a
// failed write never leaves a half-written file behind (EDID files, firmware files).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace velantor {

struct DiskRead {
  enum class Status { kOk, kOpen, kRead, kTooLarge };
  Status status = Status::kOk;
  std::vector<uint8_t> bytes;  // the whole file when kOk
  size_t fileSize = 0;         // as the file system reports it (set from kRead on)
  std::string reason;          // one sentence for the operator, empty when kOk
};

// Reads the regular file at `path` when it holds at most `limit` bytes; a longer file is refused
// before any byte of it is read.
DiskRead ReadBoundedFile(const std::string& path, size_t limit);

// Writes `bytes` to a new file beside `path` and renames it over `path` (a symbolic link keeps
// pointing where it did: the file it names is replaced). Returns why it failed, or an empty text.
std::string WriteWholeFile(const std::string& path, std::span<const uint8_t> bytes);

}  // namespace velantor
