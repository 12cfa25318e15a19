#include "app/file_access.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace velantor {

namespace {

constexpr int kTempNameAttempts = 100;

std::string SystemError(const std::string& what, const std::string& path, int error) {
  return what + " " + path + ": " + std::strerror(error) + ".";
}

DiskRead Failed(DiskRead::Status status, std::string reason, size_t fileSize = 0) {
  DiskRead result;
  result.status = status;
  result.fileSize = fileSize;
  result.reason = std::move(reason);
  return result;
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

DiskRead ReadBoundedFile(const std::string& path, size_t limit) {
  // Non-blocking, so that a named pipe chosen by mistake cannot hang the page.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return Failed(DiskRead::Status::kOpen, SystemError("Cannot open", path, errno));
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return Failed(DiskRead::Status::kOpen, path + " is not a regular file.");
  }
  const auto statSize = static_cast<uintmax_t>(st.st_size);
  if (statSize > limit) {
    ::close(fd);
    return Failed(DiskRead::Status::kTooLarge,
                  path + " is " + std::to_string(statSize) + " bytes long; at most " + std::to_string(limit) +
                      " bytes are accepted.",
                  static_cast<size_t>(statSize));
  }
  // One byte more than the file should hold tells a file that grew since fstat.
  std::vector<uint8_t> bytes(static_cast<size_t>(statSize) + 1);
  size_t got = 0;
  int readError = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      readError = errno;
      break;
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  ::close(fd);
  const auto size = static_cast<size_t>(statSize);
  if (readError != 0) return Failed(DiskRead::Status::kRead, SystemError("Cannot read", path, readError), size);
  if (got != size) return Failed(DiskRead::Status::kRead, path + " changed while it was read.", size);
  bytes.resize(size);
  DiskRead result;
  result.bytes = std::move(bytes);
  result.fileSize = size;
  return result;
}

std::string WriteWholeFile(const std::string& path, std::span<const uint8_t> bytes) {
  if (path.empty()) return "No file name was given.";
  const std::string target = ResolveTarget(path);
  struct stat st;
  const bool exists = ::stat(target.c_str(), &st) == 0;
  if (exists && !S_ISREG(st.st_mode)) return path + " is not a regular file.";
  std::string tempPath;
  const int fd = CreateTempBeside(target, &tempPath);
  if (fd < 0) return SystemError("Cannot create a file beside", path, errno);
  if (exists) ::fchmod(fd, st.st_mode & 07777);  // best effort: the bytes matter more than the mode
  bool ok = WriteAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
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
    return SystemError("Cannot write", path, error);
  }
  return {};
}

}  // namespace velantor
