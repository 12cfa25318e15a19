// The real datagram socket of the IP search and the network configuration: bound with
// SO_REUSEADDR (the switcher answers on the port we listen on, and on one host other programs
// may hold it too), broadcast enabled, readiness through the event loop. Opening it again closes
// the previous use, so the search and the configuration take the socket from each other.
#pragma once

#include <cstdint>
#include <string>

#include "base/event_loop.h"
#include "link/datagram_socket.h"

namespace velantor {

class UdpSocket : public DatagramSocket {
 public:
  // Datagrams handled per readiness report, so a flood cannot hold the loop.
  static constexpr int kDatagramsPerWake = 64;

  explicit UdpSocket(EventLoop& loop) : loop_(loop) {}
  ~UdpSocket() override;
  UdpSocket(const UdpSocket&) = delete;
  UdpSocket& operator=(const UdpSocket&) = delete;

  std::string Open(const std::string& address, uint16_t port) override;
  bool EnableBroadcast() override;
  bool WatchReads(DatagramCallback onDatagram) override;
  long SendTo(const std::string& address, uint16_t port, const uint8_t* data, size_t length) override;
  void Close() override;

  bool IsOpen() const override { return fd_ >= 0; }
  uint16_t LocalPort() const override { return localPort_; }

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
