// The real command socket: a non-blocking IPv4 TCP connection whose readiness comes through the
// event loop. Received bytes are taken off the wire into a bounded buffer at once, so a page that
// reads slowly never makes the loop spin, and a peer's close is reported after its last bytes.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include "base/event_loop.h"
#include "link/command_socket.h"

namespace velantor {

class TcpCommandSocket : public CommandSocket {
 public:
  static constexpr size_t kInboxLimit = 64 * 1024;

  explicit TcpCommandSocket(EventLoop& loop) : loop_(loop) {}
  ~TcpCommandSocket() override;

  void Connect(SocketReceiver* receiver, const std::string& address, uint16_t port) override;
  void Close() override;
  long Send(const uint8_t* data, size_t length) override;
  long Receive(uint8_t* buffer, size_t capacity) override;
  bool IsOpen() const override { return fd_ >= 0; }
  bool IsConnected() const { return connected_; }

 private:
  void OnReady(unsigned events);
  void FinishConnect();
  void ReadAvailable();
  void Notify(int event, int error);
  void NotifyLater(int event, int error);
  void Watch(bool wantRead, bool wantWrite);

  EventLoop& loop_;
  SocketReceiver* receiver_ = nullptr;
  int fd_ = -1;
  int watch_ = 0;
  bool connecting_ = false;
  bool connected_ = false;
  bool peerClosed_ = false;
  uint64_t generation_ = 0;  // posted notices of an older connection are not delivered
  std::deque<uint8_t> inbox_;
};

}  // namespace velantor
