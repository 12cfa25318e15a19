#include "app/matrix_address.h"

#include <arpa/inet.h>

#include <algorithm>

namespace velantor {

bool ParsePortNumber(const std::string& text, uint16_t* port) {
  if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  const unsigned long value = std::stoul(text);
  if (value < 1 || value > 65535) return false;
  *port = static_cast<uint16_t>(value);
  return true;
}

MatrixAddressText ParseMatrixAddress(const std::string& text, uint16_t defaultPort) {
  MatrixAddressText out;
  const auto first = text.find_first_not_of(" \t");
  const auto last = text.find_last_not_of(" \t");
  const std::string trimmed = first == std::string::npos ? "" : text.substr(first, last - first + 1);
  if (trimmed.empty()) {
    out.error = "no address: type the switcher's IP address (e.g. 192.168.1.80) or search for it";
    return out;
  }
  if (trimmed[0] == '[' || std::count(trimmed.begin(), trimmed.end(), ':') > 1) {
    out.error = "bad address \"" + trimmed + "\": IPv6 is not supported; four numbers 0-255 joined by dots, e.g. 192.168.1.80";
    return out;
  }
  const auto colon = trimmed.find(':');
  out.host = trimmed.substr(0, colon);
  out.port = defaultPort;
  if (colon != std::string::npos && !ParsePortNumber(trimmed.substr(colon + 1), &out.port)) {
    out.error = "bad port \"" + trimmed.substr(colon + 1) + "\": a number from 1 to 65535";
    return out;
  }
  in_addr parsed{};
  if (inet_pton(AF_INET, out.host.c_str(), &parsed) != 1) {
    out.error = "bad address \"" + out.host + "\": four numbers 0-255 joined by dots, e.g. 192.168.1.80";
  }
  return out;
}

}  // namespace velantor
