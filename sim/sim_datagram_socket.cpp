#include "sim/sim_datagram_socket.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace velantor::sim {

namespace {
constexpr int kArrivalTimer = 1;
constexpr const char* kLimitedBroadcast = "255.255.255.255";

bool ParseAddress(const std::string& text, in_addr* out) {
  return !text.empty() && inet_pton(AF_INET, text.c_str(), out) == 1;
}

// The simulated host owns the wildcard and the whole loopback network, nothing else.
bool IsHostAddress(const in_addr& address) {
  const uint32_t host = ntohl(address.s_addr);
  return host == 0 || (host >> 24) == 127;
}

std::string Dotted(const std::array<uint8_t, 4>& ip) {
  return std::to_string(ip[0]) + "." + std::to_string(ip[1]) + "." + std::to_string(ip[2]) + "." +
         std::to_string(ip[3]);
}
}  // namespace

SimDatagramSocket::SimDatagramSocket(EventLoop& loop, std::string broadcastAddress, LanPorts ports)
    : TimerTarget(loop), broadcastAddress_(std::move(broadcastAddress)), ports_(ports) {}

SimDatagramSocket::~SimDatagramSocket() = default;

const NetworkResponder& SimDatagramSocket::AddDevice(NetworkIdentity& identity, int answerDelayMs) {
  devices_.push_back(std::make_unique<Device>(Device{identity, NetworkResponder(identity), answerDelayMs}));
  return devices_.back()->responder;
}

std::string SimDatagramSocket::Open(const std::string& address, uint16_t port) {
  Close();
  in_addr parsed{};
  if (!ParseAddress(address, &parsed)) {
    ++stats_.failedOpens;
    return "not an IPv4 address: \"" + address + "\"";
  }
  if (!IsHostAddress(parsed)) {
    ++stats_.failedOpens;
    return "cannot bind " + address + ":" + std::to_string(port) + ": " + std::strerror(EADDRNOTAVAIL);
  }
  ++stats_.opens;
  open_ = true;
  localPort_ = port != 0 ? port : nextEphemeral_++;
  return "";
}

bool SimDatagramSocket::EnableBroadcast() {
  if (open_) broadcast_ = true;
  return open_;
}

bool SimDatagramSocket::WatchReads(DatagramCallback onDatagram) {
  if (!open_) return false;
  onDatagram_ = std::move(onDatagram);
  // What landed before anyone watched is read now, ahead of anything still on its way.
  const int64_t now = Loop().NowMs();
  while (!unread_.empty()) {
    Arrival arrival = std::move(unread_.back());
    unread_.pop_back();
    arrival.dueMs = now;
    inFlight_.push_front(std::move(arrival));
  }
  Rearm();
  return true;
}

void SimDatagramSocket::Close() {
  stats_.lost += static_cast<int>(unread_.size());
  unread_.clear();
  open_ = false;
  broadcast_ = false;
  localPort_ = 0;
  onDatagram_ = nullptr;
}

long SimDatagramSocket::SendTo(const std::string& address, uint16_t port, const uint8_t* data, size_t length) {
  in_addr parsed{};
  const bool broadcast = address == broadcastAddress_ || address == kLimitedBroadcast;
  int error = 0;
  if (!open_) {
    error = EBADF;
  } else if (!ParseAddress(address, &parsed)) {
    error = EINVAL;
  } else if (broadcast && !broadcast_) {
    error = EACCES;  // what the system says without SO_BROADCAST
  }
  if (error != 0) {
    ++stats_.refusedSends;
    errno = error;
    return -1;
  }
  std::vector<uint8_t> bytes(data, data + length);
  sent_.push_back({address, port, bytes});
  ++stats_.sends;
  if ((broadcast || IsHostAddress(parsed)) && port == localPort_) {
    ++stats_.echoes;
    Schedule({Loop().NowMs(), kHostAddress, localPort_, localPort_, std::move(bytes)});
  }
  ReachDevices(broadcast, address, port, data, length, localPort_);
  return static_cast<long>(length);
}

void SimDatagramSocket::ReachDevices(bool broadcast, const std::string& address, uint16_t port,
                                     const uint8_t* data, size_t length, uint16_t replyPort) {
  for (auto& device : devices_) {
    const std::string deviceAddress = Dotted(device->identity.ip);  // before a configuration moves it
    if (!broadcast && address != deviceAddress) continue;
    std::optional<std::vector<uint8_t>> answer;
    if (port == ports_.search) {
      answer = device->responder.OnSearch(data, length);
    } else if (port == ports_.config) {
      answer = device->responder.OnConfig(data, length);
    }
    if (!answer) continue;
    ++stats_.answers;
    if (dropAnswers_ > 0) {
      --dropAnswers_;
      ++stats_.answersDropped;
      continue;
    }
    Schedule({Loop().NowMs() + device->answerDelayMs, deviceAddress, port, replyPort, std::move(*answer)});
  }
}

void SimDatagramSocket::Inject(std::vector<uint8_t> bytes, const std::string& fromAddress, uint16_t fromPort,
                               uint16_t toPort, int delayMs) {
  Schedule({Loop().NowMs() + std::max(0, delayMs), fromAddress, fromPort, toPort, std::move(bytes)});
}

void SimDatagramSocket::Schedule(Arrival arrival) {
  auto at = std::upper_bound(inFlight_.begin(), inFlight_.end(), arrival.dueMs,
                             [](int64_t due, const Arrival& a) { return due < a.dueMs; });
  inFlight_.insert(at, std::move(arrival));
  Rearm();
}

void SimDatagramSocket::Rearm() {
  if (inFlight_.empty()) {
    KillTimer(kArrivalTimer);
    return;
  }
  // The loop's timers count whole milliseconds, so "now" lands on the next one.
  SetTimer(kArrivalTimer, static_cast<int>(std::max<int64_t>(1, inFlight_.front().dueMs - Loop().NowMs())));
}

void SimDatagramSocket::OnTimer(int) {
  KillTimer(kArrivalTimer);
  const int64_t now = Loop().NowMs();
  while (!inFlight_.empty() && inFlight_.front().dueMs <= now) {
    Arrival arrival = std::move(inFlight_.front());
    inFlight_.pop_front();
    Land(std::move(arrival));  // the reader may send, close or reopen meanwhile
  }
  Rearm();
}

void SimDatagramSocket::Land(Arrival arrival) {
  if (!open_ || arrival.toPort != localPort_) {
    ++stats_.lost;
    return;
  }
  if (!onDatagram_) {
    unread_.push_back(std::move(arrival));
    return;
  }
  ++stats_.delivered;
  // A receive takes at most kReceiveSize bytes; the rest of a longer datagram is gone.
  const size_t length = std::min(arrival.bytes.size(), kReceiveSize);
  const DatagramCallback callback = onDatagram_;  // the reader may close or hand the socket on
  callback(arrival.bytes.data(), length, arrival.fromAddress, arrival.fromPort);
}

}  // namespace velantor::sim
