// IPv4 "ADDR:PORT" endpoints as the emulator's command line and front ends take them.
#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <optional>
#include <string>

namespace velantor::sim {

struct Endpoint {
  std::string address;
  uint16_t port = 0;
  std::string Text() const { return address + ":" + std::to_string(port); }
};

// "127.0.0.1:8000" -> endpoint; nullopt for anything else (port 0 means "any free port").
std::optional<Endpoint> ParseEndpoint(const std::string& text);
// Fills a sockaddr_in; false when the address is not dotted IPv4.
bool ToSockaddr(const std::string& address, uint16_t port, sockaddr_in* out);
std::string AddressText(const sockaddr_in& address);

}  // namespace velantor::sim
