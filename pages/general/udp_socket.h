// The datagram socket that the IP search and the network configuration share: bound with
// SO_REUSEADDR (the switcher answers on the port we listen on, and on one host other programs
// may hold it too), broadcast enabled, readiness through the event loop. Opening it again closes
// the previous use, so the search and the configuration take the socket from each other.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "app/event_loop.h"

namespace velantor {

class UdpSocket {
 public:
  // The most one receive takes; a longer datagram is cut to this.
  static constexpr size_t kReceiveSize = 1024;
  // Datagrams handled per readiness report, so a flood cannot hold the loop.
  static constexpr int kDatagramsPerWake = 64;

  // One received datagram, with the sender's dotted address and port.
  using DatagramCallback =
      std::function<void(const uint8_t* data, size_t length, const std::string& fromAddress, uint16_t fromPort)>;

  explicit UdpSocket(EventLoop& loop) : loop_(loop) {}
  ~UdpSocket();
  UdpSocket(const UdpSocket&) = delete;
  UdpSocket& operator=(const UdpSocket&) = delete;

  // Closes the previous use, then creates a datagram socket bound to address:port (port 0 picks
  // a free one). Empty on success, otherwise why it failed (the socket is then closed).
  std::string Open(const std::string& address, uint16_t port);
  bool EnableBroadcast();
  // Delivers every datagram that arrives from now on to `onDatagram`. False when not open.
  bool WatchReads(DatagramCallback onDatagram);
  // One send; the number of bytes sent, or -1 (also for a malformed address).
  long SendTo(const std::string& address, uint16_t port, const uint8_t* data, size_t length);
  void Close();

  bool IsOpen() const { return fd_ >= 0; }
  uint16_t LocalPort() const { return localPort_; }

 private:
  void OnReadable();

  EventLoop& loop_;
  int fd_ = -1;
  int watch_ = 0;
  uint16_t localPort_ = 0;
  uint64_t generation_ = 0;  // a callback that closes or reopens the socket ends the read loop
  DatagramCallback onDatagram_;
};

}  // namespace velantor
