// The command line of velantor-sim.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/socket_address.h"

namespace velantor::sim {

struct ProgramOptions {
  bool tcp = true;
  Endpoint tcpAt{"127.0.0.1", 8000};
  bool serial = true;
  std::string serialLink;  // symlink made to the pseudo-terminal, empty: none
  bool wireRate = false;
  bool udp = true;
  Endpoint search{"0.0.0.0", 30600};
  Endpoint config{"0.0.0.0", 30601};
  std::string replyAddress;  // UDP answers go here (sender's port) instead of to the sender
  int inputs = 4;
  int outputs = 4;
  uint8_t type = 1;
  uint8_t versionMajor = 1;
  uint8_t versionMinor = 5;
  int rebootMs = 2000;
  std::optional<std::array<uint8_t, 6>> mac;
  std::optional<std::array<uint8_t, 4>> ip;
  bool readStdin = true;      // control commands on standard input
  bool keepAfterEof = false;  // end of input does not stop the emulator
  bool help = false;
  bool version = false;  // print the program's version and exit
};

struct ParsedOptions {
  std::optional<ProgramOptions> options;
  std::string error;  // set when options is empty
};

ParsedOptions ParseProgramOptions(const std::vector<std::string>& args);
std::string ProgramUsage();

}  // namespace velantor::sim
