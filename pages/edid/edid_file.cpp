#include "pages/edid/edid_file.h"

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
constexpr int kTempNameAttempts = 100;

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

std::string SystemError(const std::string& what, const std::string& path, int error) {
  return what + " " + path + ": " + std::strerror(error) + ".";
}

// Reads until `capacity` bytes or the end of the file; -1 on a read error.
ssize_t ReadUpTo(int fd, uint8_t* buffer, size_t capacity) {
  size_t got = 0;
  while (got < capacity) {
    const ssize_t n = ::read(fd, buffer + got, capacity - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  return static_cast<ssize_t>(got);
}

bool WriteAll(int fd, const uint8_t* data, size_t length) {
  size_t done = 0;
  while (done < length) {
    const ssize_t n = ::write(fd, data + done, length - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

// A symbolic link keeps pointing where it did: the new bytes go to the file it names.
std::string ResolveTarget(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char* real = ::realpath(path.c_str(), nullptr);
  if (!real) return path;
  std::string resolved = real;
  std::free(real);
  return resolved;
}

// Creates a new, empty file in the directory of `target`; the umask applies as for any new file.
int CreateTempBeside(const std::string& target, std::string* tempPath) {
  const size_t slash = target.rfind('/');
  const std::string dir = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
    *tempPath = dir + "." + base + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
    const int fd = ::open(tempPath->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

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
  // Non-blocking, so that a named pipe chosen by mistake cannot hang the page.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return Refuse(EdidFileError::kOpen, SystemError("Cannot open", path, errno));
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return Refuse(EdidFileError::kOpen, path + " is not a regular file.");
  }
  // One byte more than an EDID file may hold tells a file that grew since fstat.
  uint8_t buffer[protocol::kEdidDataSize + 1];
  const ssize_t got = ReadUpTo(fd, buffer, sizeof buffer);
  const int readError = errno;
  ::close(fd);
  if (got < 0) return Refuse(EdidFileError::kRead, SystemError("Cannot read", path, readError));
  const auto statSize = static_cast<uintmax_t>(st.st_size);
  if (statSize != kEdidBlockLength && statSize != protocol::kEdidDataSize) {
    return WrongSize(statSize);
  }
  if (static_cast<uintmax_t>(got) != statSize) {
    return Refuse(EdidFileError::kRead, path + " changed while it was read.");
  }
  return CheckEdidFileBytes(std::span<const uint8_t>(buffer, static_cast<size_t>(got)), path);
}

EdidSaveResult SaveEdidFile(const std::string& path, std::span<const uint8_t, protocol::kEdidDataSize> data) {
  if (path.empty()) return SaveFailed("No file name was given.");
  const std::string target = ResolveTarget(path);
  struct stat st;
  const bool exists = ::stat(target.c_str(), &st) == 0;
  if (exists && !S_ISREG(st.st_mode)) return SaveFailed(path + " is not a regular file.");

  std::string tempPath;
  const int fd = CreateTempBeside(target, &tempPath);
  if (fd < 0) return SaveFailed(SystemError("Cannot create a file beside", path, errno));
  if (exists) ::fchmod(fd, st.st_mode & 07777);  // best effort: the bytes matter more than the mode
  bool ok = WriteAll(fd, data.data(), data.size()) && ::fsync(fd) == 0;
  int error = errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (ok && ::rename(tempPath.c_str(), target.c_str()) != 0) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    ::unlink(tempPath.c_str());
    return SaveFailed(SystemError("Cannot write", path, error));
  }
  return {true, {}, {}};
}

EdidDataBlock BuildEdidDataBlock(const EdidFile& file) {
  static_assert(kTrailingZeros == 33);
  EdidDataBlock block{};
  std::copy(file.bytes.begin(), file.bytes.end(), block.begin() + 1);
  return block;
}

}  // namespace velantor
