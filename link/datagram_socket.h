// The datagram socket that the IP search and the network configuration share, as they use it:
// bind, broadcast, one callback per datagram, send, close. The real one is a UDP socket on the
// event loop; tests put a simulated network behind the same operations.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace velantor {

class DatagramSocket {
 public:
  // The most one receive takes; a longer datagram is cut to this.
  static constexpr size_t kReceiveSize = 1024;

  // One received datagram (at most kReceiveSize bytes), with the sender's dotted address and port.
  using DatagramCallback =
      std::function<void(const uint8_t* data, size_t length, const std::string& fromAddress, uint16_t fromPort)>;

  virtual ~DatagramSocket() = default;

  // Closes the previous use, then binds to address:port (port 0 picks a free one), sharing the
  // port with other sockets of this host. Empty on success, otherwise why it failed (the
  // socket is then closed).
  virtual std::string Open(const std::string& address, uint16_t port) = 0;
  virtual bool EnableBroadcast() = 0;
  // Delivers every datagram that arrives from now on to `onDatagram`. False when not open.
  virtual bool WatchReads(DatagramCallback onDatagram) = 0;
  // One send; the number of bytes sent, or -1 (also for a malformed address) with errno set.
  virtual long SendTo(const std::string& address, uint16_t port, const uint8_t* data, size_t length) = 0;
  virtual void Close() = 0;

  virtual bool IsOpen() const = 0;
  virtual uint16_t LocalPort() const = 0;
};

}  // namespace velantor
