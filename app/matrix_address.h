// The switcher's address as a user types it: a dotted IPv4 address, optionally followed by
// ":PORT". The address box of the General page and the command line read it the same way.
#pragma once

#include <cstdint>
#include <string>

namespace velantor {

struct MatrixAddressText {
  std::string host;
  uint16_t port = 0;
  std::string error;  // empty when the text is usable; otherwise what is wrong with it
};

// A decimal number from 1 to 65535 and nothing else.
bool ParsePortNumber(const std::string& text, uint16_t* port);

// `defaultPort` is used when the text names no port.
MatrixAddressText ParseMatrixAddress(const std::string& text, uint16_t defaultPort);

}  // namespace velantor
