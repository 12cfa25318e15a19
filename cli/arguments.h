// The command line of velantorctl: the global options (anywhere on the line), the command words,
// and the readers of the words a command takes (outputs, inputs, on/off, plans, seconds).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/command_line.h"

namespace velantor::cli {

struct CliOptions {
  PanelOptions panel;            // the link (--connect, or VELANTOR_CONNECT) and --broadcast
  bool linkGiven = false;        // a link was named on the line or in the environment
  std::string connectText;       // as given, for messages
  std::string linkError;         // a VELANTOR_CONNECT that could not be read: told when a command needs the link
  bool json = false;             // --json: one JSON document on standard output
  std::optional<int> timeoutMs;  // --timeout S: how long the whole command may take
  uint16_t searchPort = 30600;   // --search-port: UDP port of the IP search
  uint16_t configPort = 30601;   // --config-port: UDP port of the network configuration
  bool help = false;
  bool version = false;
  std::vector<std::string> words;  // the command and its own arguments and options
};

struct ParsedCli {
  std::optional<CliOptions> options;
  std::string error;  // one line, for a bad command line
  bool json = false;  // --json was on the line, even if something else on it was bad
  std::vector<std::string> words;  // the command's words, also when the line was bad
};

// `envConnect` is VELANTOR_CONNECT (empty when unset); --connect wins over it. A bad value there
// fails only the commands that open the link (CliOptions::linkError), not those that need none.
ParsedCli ParseCliArguments(const std::vector<std::string>& args, const std::string& envConnect);

// Output 1 to 4 or A to D (either case); nullopt for anything else.
std::optional<int> ParseOutput(const std::string& word);
// Input 1 to 4.
std::optional<int> ParseInput(const std::string& word);
// A whole number in [low, high].
std::optional<int> ParseNumber(const std::string& word, int low, int high);
// "on" / "off".
std::optional<bool> ParseOnOff(const std::string& word);
// "IN,IN,IN,IN": one input for each of outputs 1 to 4.
std::optional<std::vector<int>> ParseRoutePlan(const std::string& word);
// Seconds, whole or with a fraction ("2", "0.5"), more than 0 and at most a day; milliseconds.
std::optional<int> ParseSeconds(const std::string& word);
// A MAC as 12 hex digits, with or without ':' or '-' between pairs; upper-case digits.
std::optional<std::string> ParseMac(const std::string& word);
// A dotted IPv4 address; its four octets.
std::optional<std::vector<int>> ParseIpv4(const std::string& word);

}  // namespace velantor::cli
