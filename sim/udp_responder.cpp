#include "sim/udp_responder.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "sim/socket_address.h"

namespace velantor::sim {

namespace {
constexpr size_t kMaxDatagram = 2048;  // both exchanges are far below this
}

UdpResponder::UdpResponder(EventLoop& loop, Answer answer) : loop_(loop), answer_(std::move(answer)) {}

UdpResponder::~UdpResponder() {
  if (watch_) loop_.UnwatchFd(watch_);
  if (fd_ >= 0) close(fd_);
}

std::string UdpResponder::Bind(const std::string& address, uint16_t port) {
  sockaddr_in addr{};
  if (!ToSockaddr(address, port, &addr)) return "not an IPv4 address: " + address;
  int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return std::string("socket: ") + std::strerror(errno);
  int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    std::string error = "cannot bind " + address + ":" + std::to_string(port) + ": " + std::strerror(errno);
    close(fd);
    return error;
  }
  socklen_t length = sizeof addr;
  getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length);
  port_ = ntohs(addr.sin_port);
  fd_ = fd;
  watch_ = loop_.WatchFd(fd, true, false, [this](unsigned) { OnReadable(); });
  return "";
}

void UdpResponder::OnReadable() {
  for (;;) {
    uint8_t buffer[kMaxDatagram];
    sockaddr_in from{};
    socklen_t fromLength = sizeof from;
    ssize_t n = recvfrom(fd_, buffer, sizeof buffer, MSG_TRUNC, reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (n < 0) return;
    ++stats_.received;
    if (static_cast<size_t>(n) > sizeof buffer) {
      ++stats_.oversize;
      continue;
    }
    auto reply = answer_(buffer, static_cast<size_t>(n));
    if (!reply) continue;
    sockaddr_in to = from;
    if (!replyAddress_.empty()) ToSockaddr(replyAddress_, ntohs(from.sin_port), &to);
    if (sendto(fd_, reply->data(), reply->size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to) < 0) {
      ++stats_.sendErrors;
    } else {
      ++stats_.answered;
    }
  }
}

}  // namespace velantor::sim
