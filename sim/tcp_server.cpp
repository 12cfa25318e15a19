#include "sim/tcp_server.h"

#include <fcntl.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "sim/socket_address.h"

namespace velantor::sim {

namespace {
constexpr int kTimerResumeAccept = 1;
constexpr int kResumeAcceptMs = 250;
}  // namespace

TcpServer::TcpServer(EventLoop& loop, DeviceModel& model) : TimerTarget(loop), loop_(loop), model_(model) {}

TcpServer::~TcpServer() {
  *alive_ = false;
  CloseAll();
  if (listenWatch_) loop_.UnwatchFd(listenWatch_);
  if (listenFd_ >= 0) close(listenFd_);
}

std::string TcpServer::Listen(const std::string& address, uint16_t port) {
  sockaddr_in addr{};
  if (!ToSockaddr(address, port, &addr)) return "not an IPv4 address: " + address;
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return std::string("socket: ") + std::strerror(errno);
  int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, 16) != 0) {
    std::string error = "cannot listen on " + address + ":" + std::to_string(port) + ": " +
                        std::strerror(errno);
    close(fd);
    return error;
  }
  socklen_t length = sizeof addr;
  getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length);
  listenFd_ = fd;
  port_ = ntohs(addr.sin_port);
  address_ = address;
  listenWatch_ = loop_.WatchFd(fd, true, false, [this](unsigned) { OnAccept(); });
  return "";
}

void TcpServer::OnAccept() {
  for (;;) {
    int fd = accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
      // Out of descriptors the waiting connection stays queued and the socket stays readable:
      // accepting again at once would spin. Wait for a descriptor to come free instead.
      if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) PauseAccepting();
      return;  // EAGAIN, or a connection that vanished before we took it
    }
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);  // a split reply stays split
    const int id = nextId_++;
    auto c = std::make_unique<Connection>();
    c->fd = fd;
    c->shaper = std::make_unique<ReplyShaper>(loop_, model_.Faults(),
                                              [this, id](const uint8_t* d, size_t n) { Queue(id, d, n); });
    ReplyShaper* shaper = c->shaper.get();
    c->channel = model_.OpenChannel([shaper](const uint8_t* d, size_t n) { shaper->Push(d, n); },
                                    [this, id] {
                                      ++stats_.closedByDevice;
                                      Drop(id);
                                    });
    c->watch = loop_.WatchFd(fd, true, false, [this, id](unsigned ev) { OnReadable(id, ev); });
    connections_[id] = std::move(c);
    ++stats_.accepted;
  }
}

void TcpServer::PauseAccepting() {
  if (acceptPaused_) return;
  acceptPaused_ = true;
  ++stats_.acceptPauses;
  loop_.UpdateFdWatch(listenWatch_, false, false);
  SetTimer(kTimerResumeAccept, kResumeAcceptMs);  // descriptors may come free outside this server too
}

void TcpServer::ResumeAccepting() {
  if (!acceptPaused_) return;
  acceptPaused_ = false;
  KillTimer(kTimerResumeAccept);
  loop_.UpdateFdWatch(listenWatch_, true, false);
}

void TcpServer::OnTimer(int id) {
  if (id == kTimerResumeAccept) ResumeAccepting();
}

void TcpServer::OnReadable(int id, unsigned events) {
  auto it = connections_.find(id);
  if (it == connections_.end() || it->second->dead) return;
  Connection& c = *it->second;
  if (events & kFdWritable) Flush(id);
  if (!connections_.count(id) || c.dead) return;
  if (!(events & (kFdReadable | kFdHangUp | kFdError))) return;
  uint8_t buffer[4096];
  ssize_t n = recv(c.fd, buffer, sizeof buffer, 0);
  if (n > 0) {
    stats_.bytesIn += static_cast<size_t>(n);
    model_.Feed(c.channel, buffer, static_cast<size_t>(n));
    return;
  }
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
  ++stats_.closedByPeer;
  Drop(id);
}

void TcpServer::Queue(int id, const uint8_t* data, size_t length) {
  auto it = connections_.find(id);
  if (it == connections_.end() || it->second->dead) return;
  Connection& c = *it->second;
  if (c.out.size() + length > kMaxQueuedBytes) {
    ++stats_.overflows;
    DropLater(id);
    return;
  }
  c.out.insert(c.out.end(), data, data + length);
  Flush(id);
}

void TcpServer::Flush(int id) {
  Connection& c = *connections_.at(id);
  size_t sent = 0;
  while (sent < c.out.size()) {
    ssize_t n = send(c.fd, c.out.data() + sent, c.out.size() - sent, MSG_NOSIGNAL);
    if (n > 0) {
      sent += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    DropLater(id);  // the peer went away; we may be inside the device's reply path
    return;
  }
  stats_.bytesOut += sent;
  c.out.erase(c.out.begin(), c.out.begin() + static_cast<long>(sent));
  loop_.UpdateFdWatch(c.watch, true, !c.out.empty());
}

void TcpServer::DropLater(int id) {
  auto it = connections_.find(id);
  if (it == connections_.end()) return;
  it->second->dead = true;
  std::weak_ptr<bool> alive = alive_;
  loop_.Post([this, alive, id] {
    if (auto token = alive.lock(); token && *token) Drop(id);
  });
}

void TcpServer::Drop(int id) {
  auto it = connections_.find(id);
  if (it == connections_.end()) return;
  std::unique_ptr<Connection> c = std::move(it->second);
  connections_.erase(it);
  loop_.UnwatchFd(c->watch);
  model_.CloseChannel(c->channel);
  c->shaper->Clear();
  close(c->fd);
  ResumeAccepting();  // a descriptor is free again
}

void TcpServer::CloseAll() {
  while (!connections_.empty()) Drop(connections_.begin()->first);
}

}  // namespace velantor::sim
