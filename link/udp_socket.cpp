#include "link/udp_socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace velantor {

namespace {
bool ToAddress(const std::string& text, uint16_t port, sockaddr_in* out) {
  *out = sockaddr_in{};
  out->sin_family = AF_INET;
  out->sin_port = htons(port);
  return !text.empty() && inet_pton(AF_INET, text.c_str(), &out->sin_addr) == 1;
}
}  // namespace

UdpSocket::~UdpSocket() { Close(); }

void UdpSocket::Close() {
  ++generation_;
  if (watch_) loop_.UnwatchFd(watch_);
  watch_ = 0;
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  localPort_ = 0;
  onDatagram_ = nullptr;
}

std::string UdpSocket::Open(const std::string& address, uint16_t port) {
  Close();
  sockaddr_in local{};
  if (!ToAddress(address, port, &local)) return "not an IPv4 address: \"" + address + "\"";
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return std::string("cannot create a UDP socket: ") + std::strerror(errno);
  int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    const std::string error =
        "cannot bind " + address + ":" + std::to_string(port) + ": " + std::strerror(errno);
    ::close(fd);
    return error;
  }
  socklen_t length = sizeof local;
  getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length);
  localPort_ = ntohs(local.sin_port);
  fd_ = fd;
  return "";
}

bool UdpSocket::EnableBroadcast() {
  int one = 1;
  return fd_ >= 0 && setsockopt(fd_, SOL_SOCKET, SO_BROADCAST, &one, sizeof one) == 0;
}

bool UdpSocket::WatchReads(DatagramCallback onDatagram) {
  if (fd_ < 0) return false;
  onDatagram_ = std::move(onDatagram);
  if (!watch_) watch_ = loop_.WatchFd(fd_, true, false, [this](unsigned) { OnReadable(); });
  return watch_ > 0;
}

long UdpSocket::SendTo(const std::string& address, uint16_t port, const uint8_t* data, size_t length) {
  sockaddr_in peer{};
  if (fd_ < 0 || !ToAddress(address, port, &peer)) {
    errno = fd_ < 0 ? EBADF : EINVAL;
    return -1;
  }
  return ::sendto(fd_, data, length, MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&peer), sizeof peer);
}

void UdpSocket::OnReadable() {
  const uint64_t generation = generation_;
  for (int i = 0; i < kDatagramsPerWake && fd_ >= 0; ++i) {
    uint8_t buffer[kReceiveSize];
    sockaddr_in from{};
    socklen_t fromLength = sizeof from;
    const ssize_t n = ::recvfrom(fd_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (n < 0) return;  // drained (EAGAIN), or an error the next datagram may not have
    char text[INET_ADDRSTRLEN] = "";
    inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
    // A copy: the handler may close the socket or hand it to the other exchange.
    const DatagramCallback callback = onDatagram_;
    if (callback) callback(buffer, static_cast<size_t>(n), text, ntohs(from.sin_port));
    if (generation != generation_) return;
  }
}

}  // namespace velantor
