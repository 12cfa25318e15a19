#include "link/tcp_command_socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace velantor {

TcpCommandSocket::~TcpCommandSocket() { Close(); }

void TcpCommandSocket::Close() {
  ++generation_;
  if (watch_) loop_.UnwatchFd(watch_);
  watch_ = 0;
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  connecting_ = connected_ = peerClosed_ = false;
  inbox_.clear();
}

void TcpCommandSocket::Notify(int event, int error) {
  if (receiver_) receiver_->OnSocketEvent(event, error);
}

void TcpCommandSocket::NotifyLater(int event, int error) {
  const uint64_t generation = generation_;
  loop_.Post([this, generation, event, error] {
    if (generation == generation_) Notify(event, error);
  });
}

void TcpCommandSocket::Watch(bool wantRead, bool wantWrite) {
  if (watch_) {
    loop_.UpdateFdWatch(watch_, wantRead, wantWrite);
  } else {
    watch_ = loop_.WatchFd(fd_, wantRead, wantWrite, [this](unsigned events) { OnReady(events); });
  }
}

void TcpCommandSocket::Connect(SocketReceiver* receiver, const std::string& address, uint16_t port) {
  Close();
  receiver_ = receiver;
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(port);
  // A connect notification always follows, so a bad address fails the way a refused one does.
  if (address.empty() || inet_pton(AF_INET, address.c_str(), &peer.sin_addr) != 1) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    NotifyLater(kSocketConnect, EINVAL);
    return;
  }
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd_ < 0) {
    NotifyLater(kSocketConnect, errno);
    return;
  }
  int one = 1;
  setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  if (::connect(fd_, reinterpret_cast<sockaddr*>(&peer), sizeof peer) == 0) {
    connected_ = true;
    Watch(true, false);
    NotifyLater(kSocketConnect, 0);
    return;
  }
  if (errno != EINPROGRESS) {
    NotifyLater(kSocketConnect, errno);
    return;
  }
  connecting_ = true;
  Watch(false, true);
}

void TcpCommandSocket::FinishConnect() {
  int error = 0;
  socklen_t len = sizeof error;
  if (getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &len) != 0) error = errno;
  connecting_ = false;
  if (error != 0) {
    loop_.UnwatchFd(watch_);
    watch_ = 0;
    Notify(kSocketConnect, error);
    return;
  }
  connected_ = true;
  Watch(true, false);
  Notify(kSocketConnect, 0);
}

void TcpCommandSocket::ReadAvailable() {
  uint8_t chunk[4096];
  while (inbox_.size() < kInboxLimit) {
    size_t room = kInboxLimit - inbox_.size();
    ssize_t n = ::recv(fd_, chunk, room < sizeof chunk ? room : sizeof chunk, 0);
    if (n > 0) {
      inbox_.insert(inbox_.end(), chunk, chunk + n);
      continue;
    }
    if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) peerClosed_ = true;
    break;
  }
  // A full inbox waits for the page to read; the wire keeps the rest meanwhile.
  Watch(!peerClosed_ && inbox_.size() < kInboxLimit, false);
}

void TcpCommandSocket::OnReady(unsigned events) {
  const uint64_t generation = generation_;
  if (connecting_) {
    FinishConnect();
    return;
  }
  if (!connected_) return;
  if (events & (kFdReadable | kFdHangUp | kFdError)) ReadAvailable();
  if (!inbox_.empty()) Notify(kSocketRead, 0);
  if (generation != generation_) return;  // the page closed or reconnected meanwhile
  if (peerClosed_ && inbox_.empty()) {
    loop_.UnwatchFd(watch_);
    watch_ = 0;
    connected_ = false;
    Notify(kSocketClose, 0);
  }
}

long TcpCommandSocket::Send(const uint8_t* data, size_t length) {
  if (fd_ < 0 || !connected_) return -1;
  return ::send(fd_, data, length, MSG_NOSIGNAL);
}

long TcpCommandSocket::Receive(uint8_t* buffer, size_t capacity) {
  size_t n = inbox_.size() < capacity ? inbox_.size() : capacity;
  for (size_t i = 0; i < n; ++i) buffer[i] = inbox_[i];
  inbox_.erase(inbox_.begin(), inbox_.begin() + static_cast<long>(n));
  if (n > 0 && connected_ && !peerClosed_) Watch(true, false);
  if (!inbox_.empty()) {
    // What is left is announced again, as a socket announces unread data.
    const uint64_t generation = generation_;
    loop_.Post([this, generation] {
      if (generation == generation_ && !inbox_.empty()) Notify(kSocketRead, 0);
    });
  } else if (peerClosed_ && connected_) {
    const uint64_t generation = generation_;
    loop_.Post([this, generation] {
      if (generation != generation_ || !connected_ || !inbox_.empty()) return;
      if (watch_) loop_.UnwatchFd(watch_);
      watch_ = 0;
      connected_ = false;
      Notify(kSocketClose, 0);
    });
  }
  return static_cast<long>(n);
}

}  // namespace velantor
