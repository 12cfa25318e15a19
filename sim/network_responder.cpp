#include "sim/network_responder.h"

#include <algorithm>
#include <numeric>

namespace velantor::sim {

namespace {

constexpr uint8_t kProbe = 0x61;
constexpr uint8_t kRequestMark = 0xFF;  // byte 74 of a request; replies carry a status there
constexpr uint8_t kAccepted = 0x00;
constexpr uint8_t kRefused = 0x01;
constexpr size_t kStatusByte = 74;
constexpr size_t kSumByte = 75;

uint8_t Sum(const uint8_t* data, size_t n) {
  return static_cast<uint8_t>(std::accumulate(data, data + n, 0u));
}

// A MAC must be a unicast address and not all zeros.
bool UsableMac(const uint8_t* mac) {
  return (mac[0] & 0x01) == 0 && std::any_of(mac, mac + 6, [](uint8_t b) { return b != 0; });
}

bool UsableIp(const uint8_t* ip) { return ip[0] != 0 && ip[0] < 224 && ip[3] != 0 && ip[3] != 255; }

}  // namespace

std::optional<std::vector<uint8_t>> NetworkResponder::OnSearch(const uint8_t* data, size_t length) {
  if (length != 1 || data[0] != kProbe) {
    ++stats_.ignoredSearch;  // includes our own replies seen through a shared port
    return std::nullopt;
  }
  ++stats_.probes;
  std::vector<uint8_t> reply(kSearchReplySize, 0);
  std::copy(identity_.mac.begin(), identity_.mac.end(), reply.begin());
  std::copy(identity_.ip.begin(), identity_.ip.end(), reply.begin() + 6);
  std::copy(identity_.gateway.begin(), identity_.gateway.end(), reply.begin() + 10);
  std::copy(identity_.mask.begin(), identity_.mask.end(), reply.begin() + 14);
  reply[18] = 0x77;
  reply[19] = 0x88;
  return reply;
}

std::optional<std::vector<uint8_t>> NetworkResponder::OnConfig(const uint8_t* p, size_t length) {
  if (length != kConfigPacketSize || p[kStatusByte] != kRequestMark) {
    ++stats_.ignoredConfig;
    return std::nullopt;
  }
  if (Sum(p, kSumByte) != p[kSumByte]) {
    ++stats_.badChecksum;
    return std::nullopt;
  }
  if (!std::equal(identity_.mac.begin(), identity_.mac.end(), p)) {
    ++stats_.notForMe;
    return std::nullopt;
  }
  const bool autoIp = p[18] == 1;
  const bool usable = UsableMac(p + 19) && (autoIp || UsableIp(p + 6));
  std::vector<uint8_t> reply(p, p + kConfigPacketSize);
  if (usable) {
    ++stats_.configsApplied;
    identity_.autoIp = autoIp;
    if (!autoIp) {
      std::copy(p + 6, p + 10, identity_.ip.begin());
      std::copy(p + 10, p + 14, identity_.gateway.begin());
      std::copy(p + 14, p + 18, identity_.mask.begin());
    }
    std::copy(p + 19, p + 25, identity_.mac.begin());
    identity_.configFlags = p[25];
  } else {
    ++stats_.configsRefused;
  }
  reply[kStatusByte] = usable ? kAccepted : kRefused;
  reply[kSumByte] = Sum(reply.data(), kSumByte);
  return reply;
}

}  // namespace velantor::sim
