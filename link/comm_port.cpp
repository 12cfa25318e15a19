#include "link/comm_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <deque>
#include <mutex>
#include <system_error>
#include <utility>
#include <vector>

namespace velantor {

namespace {

struct BaudRate {
  int baud;
  speed_t speed;
};
constexpr BaudRate kBaudRates[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

struct ParityBits {
  char letter;
  tcflag_t bits;
};
constexpr ParityBits kParities[] = {
    {'N', 0},
    {'E', PARENB},
    {'O', PARENB | PARODD},
    {'M', PARENB | PARODD | CMSPAR},
    {'S', PARENB | CMSPAR},
};

struct DataBits {
  int count;
  tcflag_t bits;
};
constexpr DataBits kDataBits[] = {{5, CS5}, {6, CS6}, {7, CS7}, {8, CS8}};

// The notices that follow a burst, in the order they are sent, with the mask bit of each.
struct Notice {
  uint32_t maskBit;
  unsigned message;
};
constexpr Notice kBurstNotices[] = {
    {kEvCts, kPortNoticeCts},
    {kEvBreak, kPortNoticeBreak},
    {kEvErr, kPortNoticeLineError},
    {kEvRing, kPortNoticeRing},
    {kEvRxFlag, kPortNoticeEventChar},
};

constexpr tcflag_t kLineBits = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | CLOCAL | CREAD;

// Raw 8-bit line without flow control, as asked. Returns true when the device took every
// setting: tcsetattr succeeds when any one change applied, so the settings are read back.
bool ConfigureLine(int fd, const SerialSettings& settings) {
  termios tio{};
  if (tcgetattr(fd, &tio) != 0) return false;
  bool valid = true;
  cfmakeraw(&tio);
  tio.c_iflag &= ~(IXON | IXOFF | IXANY);
  tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | HUPCL);
  tio.c_cflag |= CLOCAL | CREAD;

  tcflag_t size = CS8;
  bool sizeKnown = false;
  for (const DataBits& d : kDataBits) {
    if (d.count == settings.dataBits) size = d.bits, sizeKnown = true;
  }
  tio.c_cflag |= size;
  valid = valid && sizeKnown;

  bool parityKnown = false;
  const char letter = static_cast<char>(settings.parity >= 'a' && settings.parity <= 'z'
                                            ? settings.parity - 'a' + 'A'
                                            : settings.parity);
  for (const ParityBits& p : kParities) {
    if (p.letter == letter) tio.c_cflag |= p.bits, parityKnown = true;
  }
  valid = valid && parityKnown;

  if (settings.stopBits == 2) tio.c_cflag |= CSTOPB;
  valid = valid && (settings.stopBits == 1 || settings.stopBits == 2);

  bool speedKnown = false;
  for (const BaudRate& b : kBaudRates) {
    if (b.baud == settings.baud) {
      cfsetispeed(&tio, b.speed);
      cfsetospeed(&tio, b.speed);
      speedKnown = true;
    }
  }
  valid = valid && speedKnown;  // an unknown rate keeps the device's current one

  // One byte is enough for read() to return, so read() == 0 can only mean a hang-up.
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
  if (tcsetattr(fd, TCSANOW, &tio) != 0) return false;

  termios back{};
  if (tcgetattr(fd, &back) != 0) return false;
  return valid && (back.c_cflag & kLineBits) == (tio.c_cflag & kLineBits) &&
         cfgetospeed(&back) == cfgetospeed(&tio) && cfgetispeed(&back) == cfgetispeed(&tio) &&
         back.c_cc[VMIN] == 1 && back.c_cc[VTIME] == 0;
}

// 0, or the errno to report: two programs must never share a port without knowing it.
int TakeExclusively(int fd) {
  if (!isatty(fd)) return ENOTTY;
  // Programs that lock the device instead of (or besides) TIOCEXCL, and root, which TIOCEXCL
  // does not stop, are kept out by the lock. It comes first, so that a refused open leaves
  // the device's exclusive flag as the holder set it.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) return errno;
  if (ioctl(fd, TIOCEXCL) != 0) return errno;
  return 0;
}

void CloseDevice(int fd) {
  if (fd < 0) return;
  // The exclusive flag belongs to the tty, not the descriptor: clear it, or a device that
  // someone else still holds open stays closed to our next open.
  ioctl(fd, TIOCNXCL);
  ::close(fd);
}

}  // namespace

// What one open shares between the loop thread and its worker. Posted tasks hold it too, so it
// outlives the port object if need be; `retired` keeps them from delivering after a close.
struct CCommPort::Session {
  Session(int deviceFd, int eventFd, PortOwner* portOwner, int number, const SerialSettings& s,
          std::function<void()> failure)
      : fd(deviceFd),
        wakeFd(eventFd),
        owner(portOwner),
        portNumber(number),
        mask(s.eventMask),
        blockLimit(s.bufferSize),
        onFailure(std::move(failure)) {}
  ~Session() { ::close(wakeFd); }

  void Wake() const {
    uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(wakeFd, &one, sizeof one);
  }

  const int fd;  // the worker's once it runs; closed by whoever owns it at the end
  const int wakeFd;
  PortOwner* const owner;
  const int portNumber;
  const uint32_t mask;
  const size_t blockLimit;
  const std::function<void()> onFailure;

  bool retired = false;  // loop thread only
  std::atomic<bool> stop{false};
  std::atomic<uint64_t> received{0};

  std::mutex mutex;  // guards the three below
  std::deque<std::vector<uint8_t>> writes;
  std::vector<uint8_t> inbox;
  bool deliveryPosted = false;
};

CCommPort::CCommPort(EventLoop& loop, PortDirectory& directory, std::function<void()> onPortFailure)
    : loop_(loop), directory_(directory), onPortFailure_(std::move(onPortFailure)) {}

CCommPort::~CCommPort() { StopWorker(); }

uint64_t CCommPort::BytesReceived() const { return session_ ? session_->received.load() : 0; }

void CCommPort::StopWorker() {
  if (!session_) return;
  session_->retired = true;
  if (worker_.joinable()) {
    // The worker's only wait includes the wake-up, and it never waits for this thread, so
    // the join is short; once it returns the device is closed and free for the next open.
    session_->stop = true;
    session_->Wake();
    worker_.join();
  } else {
    CloseDevice(session_->fd);
  }
  session_.reset();
}

void CCommPort::Close() { StopWorker(); }

int CCommPort::Open(PortOwner* owner, int portNumber, const SerialSettings& settings) {
  StopWorker();  // the old descriptor must be gone before the exclusive open below
  portNumber_ = portNumber;
  settingsApplied_ = false;
  eventChar_ = 'q';

  const std::string path = directory_.PathFor(portNumber);
  if (path.empty()) {
    directory_.SetLastError(portNumber, PortDirectory::OpenFailureReason(
                                            ENODEV, "COM" + std::to_string(portNumber)));
    return 0;
  }
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    directory_.SetLastError(portNumber, PortDirectory::OpenFailureReason(errno, path));
    return 0;
  }
  if (int error = TakeExclusively(fd)) {
    ::close(fd);
    directory_.SetLastError(portNumber, PortDirectory::OpenFailureReason(error, path));
    return 0;
  }
  settingsApplied_ = ConfigureLine(fd, settings);
  int rts = TIOCM_RTS;
  ioctl(fd, TIOCMBIS, &rts);  // a pseudo-terminal answers ENOTTY: nothing to raise there
  // Bytes left from before this open belong to no request of ours. Output is never dropped.
  tcflush(fd, TCIFLUSH);

  const int wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (wakeFd < 0) {
    directory_.SetLastError(portNumber, PortDirectory::OpenFailureReason(errno, path));
    CloseDevice(fd);
    return 0;
  }
  session_ = std::make_shared<Session>(fd, wakeFd, owner, portNumber, settings, onPortFailure_);
  directory_.SetLastError(portNumber, "");
  return 1;
}

int CCommPort::StartMonitoring() {
  if (!session_ || worker_.joinable()) return 0;
  try {
    worker_ = std::thread(Work, std::ref(loop_), session_);
  } catch (const std::system_error&) {
    return 0;
  }
  return 1;
}

void CCommPort::Write(const uint8_t* data, size_t length) {
  if (!session_ || !data || length == 0 || length > session_->blockLimit) return;
  {
    std::lock_guard<std::mutex> lock(session_->mutex);
    if (session_->writes.size() >= kMaxQueuedBlocks) return;
    session_->writes.emplace_back(data, data + length);
  }
  session_->Wake();
}

// Runs on the loop thread: hands every byte taken so far to the owner, then the notices.
void CCommPort::Deliver(Session& s) {
  if (s.retired) return;
  std::vector<uint8_t> bytes;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    bytes.swap(s.inbox);
    s.deliveryPosted = false;
  }
  if (bytes.size() >= kReceiveQueueLimit) s.Wake();  // the worker stopped reading; resume it
  if (s.mask & kEvRxChar) {
    for (uint8_t byte : bytes) {
      if (s.retired) return;  // the owner closed or re-opened the port from its handler
      if (s.owner) s.owner->OnPortRxChar(byte, s.portNumber);
    }
  }
  for (const Notice& notice : kBurstNotices) {
    if (s.retired) return;
    if ((s.mask & notice.maskBit) && s.owner) s.owner->OnPortNotice(notice.message, s.portNumber);
  }
}

namespace {

bool DeviceGone(int error) { return error == EIO || error == ENXIO || error == ENODEV; }

}  // namespace

void CCommPort::Work(EventLoop& loop, std::shared_ptr<Session> s) {
  // Takes what has arrived, up to the receive queue's room. False when the device failed.
  auto readAvailable = [&loop, &s]() -> bool {
    uint8_t chunk[512];
    bool took = false;
    bool healthy = true;
    for (;;) {
      size_t room;
      {
        std::lock_guard<std::mutex> lock(s->mutex);
        room = kReceiveQueueLimit - std::min(kReceiveQueueLimit, s->inbox.size());
      }
      if (room == 0) break;
      const ssize_t n = ::read(s->fd, chunk, std::min(room, sizeof chunk));
      if (n > 0) {
        std::lock_guard<std::mutex> lock(s->mutex);
        s->inbox.insert(s->inbox.end(), chunk, chunk + n);
        s->received += static_cast<uint64_t>(n);
        took = true;
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
      healthy = false;  // read() == 0 is a hang-up; any other error would make us spin
      break;
    }
    bool post = false;
    if (took) {
      std::lock_guard<std::mutex> lock(s->mutex);
      post = !s->deliveryPosted;
      s->deliveryPosted = true;
    }
    if (post) loop.Post([s] { Deliver(*s); });
    return healthy;
  };

  std::vector<uint8_t> block;  // the block being written and how much of it is out
  size_t sent = 0;
  // Writes queued blocks whole and in order until the device stops taking bytes.
  auto writePending = [&s, &block, &sent](bool* wantOut) -> bool {
    *wantOut = false;
    for (;;) {
      if (sent == block.size()) {
        std::lock_guard<std::mutex> lock(s->mutex);
        if (s->writes.empty()) return true;
        block = std::move(s->writes.front());
        s->writes.pop_front();
        sent = 0;
      }
      const ssize_t n = ::write(s->fd, block.data() + sent, block.size() - sent);
      if (n > 0) {
        sent += static_cast<size_t>(n);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n == 0 || errno == EAGAIN || errno == EWOULDBLOCK) {
        *wantOut = true;
        return true;
      }
      if (DeviceGone(errno)) return false;
      sent = block.size();  // a block the device refuses is dropped, as before, unreported
    }
  };

  bool failed = false;
  bool deviceError = false;
  bool wantOut = false;
  while (!s->stop) {
    if (!failed) {
      // What has arrived is read (and handed over) before anything is written.
      failed = !readAvailable() || deviceError || !writePending(&wantOut);
      if (failed) {
        loop.Post([s] {
          if (!s->retired && s->onFailure) s->onFailure();
        });
        CloseDevice(s->fd);  // let a vanished adapter go; only the stop is awaited now
      }
    }
    bool room;
    {
      std::lock_guard<std::mutex> lock(s->mutex);
      room = s->inbox.size() < kReceiveQueueLimit;
    }
    pollfd fds[2] = {{s->wakeFd, POLLIN, 0},
                     {s->fd, static_cast<short>((room ? POLLIN : 0) | (wantOut ? POLLOUT : 0)), 0}};
    // A full receive queue leaves the device out of the wait, or a hang-up would spin us.
    const nfds_t count = !failed && (room || wantOut) ? 2 : 1;
    if (::poll(fds, count, -1) < 0 && errno != EINTR) {
      deviceError = true;
      if (failed) break;  // not even the stop can be awaited
      continue;
    }
    if (fds[0].revents & POLLIN) {
      uint64_t counter;
      [[maybe_unused]] ssize_t n = ::read(s->wakeFd, &counter, sizeof counter);
    }
    if (count == 2 && (fds[1].revents & (POLLERR | POLLNVAL))) deviceError = true;
  }
  if (!failed) CloseDevice(s->fd);
}

}  // namespace velantor
