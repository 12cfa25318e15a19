// The device's answers on the two UDP ports: the search probe (one byte 0x61) and the network
// configuration packet (76 bytes). No sockets here: datagram in, datagram (or nothing) out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "sim/device_state.h"

namespace velantor::sim {

constexpr size_t kSearchReplySize = 55;
constexpr size_t kConfigPacketSize = 76;

class NetworkResponder {
 public:
  struct Stats {
    int probes = 0;          // answered searches
    int ignoredSearch = 0;   // datagrams on the search port that are not a probe
    int configsApplied = 0;
    int configsRefused = 0;  // for this device, checksum right, but values unusable
    int badChecksum = 0;
    int notForMe = 0;        // another device's MAC
    int ignoredConfig = 0;   // wrong size, or a reply rather than a request
  };

  explicit NetworkResponder(NetworkIdentity& identity) : identity_(identity) {}

  std::optional<std::vector<uint8_t>> OnSearch(const uint8_t* data, size_t length);
  std::optional<std::vector<uint8_t>> OnConfig(const uint8_t* data, size_t length);
  const Stats& Counters() const { return stats_; }

 private:
  NetworkIdentity& identity_;
  Stats stats_;
};

}  // namespace velantor::sim
