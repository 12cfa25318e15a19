#include "sim/pty_port.h"

#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "sim/sim_serial_link.h"

namespace velantor::sim {

namespace {
constexpr int kLineTimer = 1;
}

PtyPort::PtyPort(EventLoop& loop, DeviceModel& model) : TimerTarget(loop), model_(model) {}

PtyPort::~PtyPort() { Close(); }

std::string PtyPort::Open(const std::string& linkPath, bool wireRate) {
  Close();
  if (openpty(&master_, &slave_, nullptr, nullptr, nullptr) != 0) {
    return std::string("openpty: ") + std::strerror(errno);
  }
  fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
  fcntl(master_, F_SETFD, FD_CLOEXEC);
  fcntl(slave_, F_SETFD, FD_CLOEXEC);
  // Raw on the slave: no echo, no line editing, no CR/LF translation of binary frames.
  termios tio{};
  tcgetattr(slave_, &tio);
  cfmakeraw(&tio);
  cfsetispeed(&tio, B115200);
  cfsetospeed(&tio, B115200);
  tio.c_cflag |= CLOCAL | CREAD | CSTOPB;
  tcsetattr(slave_, TCSANOW, &tio);
  char name[PATH_MAX] = {};
  if (ttyname_r(slave_, name, sizeof name) != 0) {
    Close();
    return "cannot name the pseudo-terminal";
  }
  slavePath_ = name;
  if (!linkPath.empty()) {
    struct stat st{};
    if (lstat(linkPath.c_str(), &st) == 0) {
      if (!S_ISLNK(st.st_mode)) {
        std::string error = linkPath + " exists and is not a symlink; not replacing it";
        Close();
        return error;
      }
      unlink(linkPath.c_str());
    }
    if (symlink(slavePath_.c_str(), linkPath.c_str()) != 0) {
      std::string error = "cannot link " + linkPath + ": " + std::strerror(errno);
      Close();
      return error;
    }
    linkPath_ = linkPath;
  }
  wireRate_ = wireRate;
  channel_ = model_.OpenChannel([this](const uint8_t* d, size_t n) { OnReply(d, n); });
  watch_ = Loop().WatchFd(master_, true, false, [this](unsigned ev) { OnReadable(ev); });
  return "";
}

void PtyPort::Close() {
  KillTimer(kLineTimer);
  queue_.clear();
  if (watch_) Loop().UnwatchFd(watch_);
  watch_ = 0;
  if (channel_ >= 0) model_.CloseChannel(channel_);
  channel_ = -1;
  if (!linkPath_.empty()) {
    // Remove the link only while it still names our terminal.
    char target[PATH_MAX] = {};
    ssize_t n = readlink(linkPath_.c_str(), target, sizeof target - 1);
    if (n > 0 && slavePath_ == std::string(target, static_cast<size_t>(n))) unlink(linkPath_.c_str());
    linkPath_.clear();
  }
  if (master_ >= 0) close(master_);
  if (slave_ >= 0) close(slave_);
  master_ = slave_ = -1;
  slavePath_.clear();
}

void PtyPort::OnReadable(unsigned events) {
  if (!(events & kFdReadable)) return;
  uint8_t buffer[1024];
  ssize_t n = read(master_, buffer, sizeof buffer);
  if (n <= 0) return;  // EAGAIN; EIO cannot come while our slave descriptor stays open
  stats_.bytesIn += static_cast<size_t>(n);
  model_.Feed(channel_, buffer, static_cast<size_t>(n));
}

void PtyPort::OnReply(const uint8_t* data, size_t length) {
  if (!wireRate_) {
    WriteOut(data, length);
    return;
  }
  const size_t room = kMaxQueuedBytes - std::min(kMaxQueuedBytes, queue_.size());
  const size_t take = std::min(room, length);
  stats_.bytesDropped += length - take;
  if (queue_.empty()) lineFreeNs_ = std::max(lineFreeNs_, NowNs());
  queue_.insert(queue_.end(), data, data + take);
  if (!TimerRunning(kLineTimer)) SetTimer(kLineTimer, 1);
}

// Releases the bytes whose wire time has passed.
void PtyPort::OnTimer(int) {
  const int64_t now = NowNs();
  uint8_t chunk[256];
  size_t n = 0;
  while (!queue_.empty() && lineFreeNs_ + kSerialByteNs <= now && n < sizeof chunk) {
    lineFreeNs_ += kSerialByteNs;
    chunk[n++] = queue_.front();
    queue_.pop_front();
  }
  if (n) WriteOut(chunk, n);
  if (queue_.empty()) KillTimer(kLineTimer);
}

void PtyPort::WriteOut(const uint8_t* data, size_t length) {
  size_t done = 0;
  while (done < length) {
    ssize_t n = write(master_, data + done, length - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    break;  // the terminal's buffer is full: nobody is reading the port
  }
  stats_.bytesOut += done;
  stats_.bytesDropped += length - done;
}

}  // namespace velantor::sim
