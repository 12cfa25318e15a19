#include "sim/sim_command_socket.h"

#include <arpa/inet.h>

#include <cerrno>

namespace velantor::sim {

namespace {
constexpr int kConnectTimer = 1;
}

SimCommandSocket::SimCommandSocket(EventLoop& loop, DeviceModel& model, std::string deviceAddress,
                                   uint16_t devicePort)
    : TimerTarget(loop),
      model_(model),
      deviceAddress_(std::move(deviceAddress)),
      devicePort_(devicePort),
      shaper_(loop, model.Faults(), [this](const uint8_t* d, size_t n) { OnSegment(d, n); }) {}

SimCommandSocket::~SimCommandSocket() {
  *alive_ = false;
  Close();
}

void SimCommandSocket::Connect(SocketReceiver* receiver, const std::string& address,
                               uint16_t port) {
  Close();
  receiver_ = receiver;
  state_ = State::kConnecting;
  in_addr parsed{};
  if (inet_pton(AF_INET, address.c_str(), &parsed) != 1) {
    connectError_ = EINVAL;
  } else if (!reachable_ || port != devicePort_ ||
             (!deviceAddress_.empty() && address != deviceAddress_)) {
    connectError_ = ECONNREFUSED;
  } else {
    connectError_ = 0;
  }
  if (cableOut_) return;  // the connect is never answered
  SetTimer(kConnectTimer, connectDelayMs_);
}

void SimCommandSocket::OnTimer(int id) {
  KillTimer(id);
  if (state_ != State::kConnecting) return;
  if (connectError_ != 0) {
    state_ = State::kFailed;
    ++stats_.refusedConnects;
    Notify(kSocketConnect, connectError_);
    return;
  }
  state_ = State::kConnected;
  ++stats_.connects;
  const uint64_t generation = generation_;
  channel_ = model_.OpenChannel(
      [this, generation](const uint8_t* d, size_t n) {
        if (generation == generation_) shaper_.Push(d, n);
      },
      [this, generation] {
        if (generation == generation_) OnDeviceClose();
      });
  Notify(kSocketConnect, 0);
}

void SimCommandSocket::Close() {
  ++generation_;
  KillTimer(kConnectTimer);
  if (channel_ >= 0) model_.CloseChannel(channel_);
  channel_ = -1;
  shaper_.Clear();
  rx_.clear();
  readNoticePending_ = false;
  reset_ = false;
  state_ = State::kClosed;
}

long SimCommandSocket::Send(const uint8_t* data, size_t length) {
  if (state_ == State::kPeerClosed && reset_) {
    errno = ECONNRESET;
    return -1;
  }
  if (state_ != State::kConnected) {
    errno = ENOTCONN;
    return -1;
  }
  ++stats_.sends;
  if (cableOut_) {
    stats_.bytesLost += length;
    return static_cast<long>(length);
  }
  stats_.bytesSent += length;
  model_.Feed(channel_, data, length);
  return static_cast<long>(length);
}

long SimCommandSocket::Receive(uint8_t* buffer, size_t capacity) {
  if (rx_.empty() || capacity == 0) {
    errno = EWOULDBLOCK;
    return -1;
  }
  size_t n = std::min(capacity, rx_.size());
  for (size_t i = 0; i < n; ++i) {
    buffer[i] = rx_.front();
    rx_.pop_front();
  }
  stats_.bytesReceived += n;
  if (!rx_.empty()) PostReadNotice();  // data left: the socket says so again
  return static_cast<long>(n);
}

void SimCommandSocket::Reset() {
  if (state_ != State::kConnected) return;
  ++stats_.resets;
  OnDeviceClose(ECONNRESET);
}

void SimCommandSocket::SetCableOut(bool out) {
  cableOut_ = out;
  if (out) shaper_.Clear();  // what was on its way is lost
}

void SimCommandSocket::OnSegment(const uint8_t* data, size_t length) {
  if (cableOut_) return;
  rx_.insert(rx_.end(), data, data + length);
  PostReadNotice();
}

void SimCommandSocket::PostReadNotice() {
  if (readNoticePending_) return;
  readNoticePending_ = true;
  std::weak_ptr<bool> alive = alive_;
  const uint64_t generation = generation_;
  Loop().Post([this, alive, generation] {
    auto token = alive.lock();
    if (!token || !*token || generation != generation_) return;
    readNoticePending_ = false;
    if (rx_.empty()) return;
    ++stats_.readNotices;
    Notify(kSocketRead, 0);
  });
}

// The device hung up: bytes already sent stay readable, then the close notice follows. A reset
// loses them and says so in the notice.
void SimCommandSocket::OnDeviceClose(int error) {
  if (channel_ >= 0) model_.CloseChannel(channel_);
  channel_ = -1;
  shaper_.Clear();
  state_ = State::kPeerClosed;
  reset_ = error != 0;
  if (reset_) {
    rx_.clear();
    readNoticePending_ = false;
  } else {
    ++stats_.closedByDevice;
  }
  std::weak_ptr<bool> alive = alive_;
  const uint64_t generation = generation_;
  Loop().Post([this, alive, generation, error] {
    auto token = alive.lock();
    if (!token || !*token || generation != generation_) return;
    Notify(kSocketClose, error);
  });
}

void SimCommandSocket::Notify(int event, int error) {
  if (receiver_) receiver_->OnSocketEvent(event, error);
}

}  // namespace velantor::sim
