// A UDP front end of the device: one socket bound (SO_REUSEADDR, so the panel can share the
// port on one machine) to an address and port, each datagram handed to an answer function,
// its answer sent back to the sender's address and port, or, when a reply address is set,
// to that address at the sender's port (for a panel bound to the same port on this host,
// where a unicast would reach only one of the two sockets).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/event_loop.h"

namespace velantor::sim {

class UdpResponder {
 public:
  using Answer = std::function<std::optional<std::vector<uint8_t>>(const uint8_t*, size_t)>;
  struct Stats {
    int received = 0;
    int answered = 0;
    int oversize = 0;
    int sendErrors = 0;
  };

  UdpResponder(EventLoop& loop, Answer answer);
  ~UdpResponder();
  UdpResponder(const UdpResponder&) = delete;
  UdpResponder& operator=(const UdpResponder&) = delete;

  std::string Bind(const std::string& address, uint16_t port);  // empty on success
  void SetReplyAddress(std::string address) { replyAddress_ = std::move(address); }
  uint16_t Port() const { return port_; }
  const Stats& Counters() const { return stats_; }

 private:
  void OnReadable();

  EventLoop& loop_;
  Answer answer_;
  int fd_ = -1;
  int watch_ = 0;
  uint16_t port_ = 0;
  std::string replyAddress_;
  Stats stats_;
};

}  // namespace velantor::sim
