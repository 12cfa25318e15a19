#include "sim/socket_address.h"

#include <arpa/inet.h>

#include <cstring>

#include "sim/control_console.h"

namespace velantor::sim {

std::optional<Endpoint> ParseEndpoint(const std::string& text) {
  const size_t colon = text.rfind(':');
  if (colon == std::string::npos) return std::nullopt;
  Endpoint e;
  e.address = text.substr(0, colon);
  long port = 0;
  if (!ParseNumber(text.substr(colon + 1), 0, 65535, &port)) return std::nullopt;
  e.port = static_cast<uint16_t>(port);
  sockaddr_in probe{};
  if (!ToSockaddr(e.address, e.port, &probe)) return std::nullopt;
  return e;
}

bool ToSockaddr(const std::string& address, uint16_t port, sockaddr_in* out) {
  std::memset(out, 0, sizeof *out);
  out->sin_family = AF_INET;
  out->sin_port = htons(port);
  return inet_pton(AF_INET, address.c_str(), &out->sin_addr) == 1;
}

std::string AddressText(const sockaddr_in& address) {
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
  return std::string(text) + ":" + std::to_string(ntohs(address.sin_port));
}

}  // namespace velantor::sim
