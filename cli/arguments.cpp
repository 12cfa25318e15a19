#include "cli/arguments.h"

#include <arpa/inet.h>

#include <cctype>
#include <cmath>
#include <map>

namespace velantor::cli {

namespace {

bool AllDigits(const std::string& s) {
  if (s.empty() || s.size() > 9) return false;
  for (char c : s) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

// The link as the panel's own command line reads it, so both programs take the same texts.
std::string ApplyConnect(const std::string& value, CliOptions& o) {
  ParsedOptions parsed = ParsePanelOptions({"--connect", value});
  if (!parsed.options) return parsed.error;
  o.panel.connect = parsed.options->connect;
  o.panel.host = parsed.options->host;
  o.panel.port = parsed.options->port;
  o.panel.serialPath = parsed.options->serialPath;
  o.linkGiven = true;
  o.connectText = value;
  return "";
}

std::string ApplyPort(const std::string& name, const std::string& value, uint16_t* port) {
  const std::optional<int> n = ParseNumber(value, 1, 65535);
  if (!n) return name + " needs a port number from 1 to 65535";
  *port = static_cast<uint16_t>(*n);
  return "";
}

}  // namespace

ParsedCli ParseCliArguments(const std::vector<std::string>& args, const std::string& envConnect) {
  CliOptions o;
  std::optional<std::string> connect;
  bool optionsEnded = false;
  // One bad option is told (the first, the link's last); the rest of the line is still read, so
  // that a --json after it is known and the error comes as JSON. An empty text is no error.
  std::string error;
  auto fail = [&error](std::string text) {
    if (error.empty()) error = std::move(text);
  };
  for (size_t i = 0; i < args.size(); ++i) {
    std::string a = args[i];
    if (optionsEnded || a.size() < 2 || a[0] != '-') {
      o.words.push_back(a);
      continue;
    }
    if (a == "--") {
      optionsEnded = true;
      continue;
    }
    // --name=value is read as --name value.
    std::optional<std::string> inlineValue;
    if (const size_t eq = a.find('='); a.rfind("--", 0) == 0 && eq != std::string::npos) {
      inlineValue = a.substr(eq + 1);
      a = a.substr(0, eq);
    }
    auto value = [&](std::string* out) {
      if (inlineValue) {
        *out = *inlineValue;
        return true;
      }
      if (i + 1 >= args.size()) return false;
      *out = args[++i];
      return true;
    };
    std::string v;
    if (a == "--help" || a == "-h") {
      o.help = true;
    } else if (a == "--version") {
      o.version = true;
    } else if (a == "--json") {
      o.json = true;
    } else if (a == "--connect") {
      if (value(&v)) {
        connect = v;
      } else {
        fail("--connect needs tcp:HOST[:PORT] or serial:PATH");
      }
    } else if (a == "--timeout") {
      if (!value(&v)) {
        fail("--timeout needs seconds");
      } else if (o.timeoutMs = ParseSeconds(v); !o.timeoutMs) {
        fail("--timeout needs seconds (more than 0, for example 2 or 0.5), not " + v);
      }
    } else if (a == "--broadcast") {
      in_addr address{};
      if (!value(&v) || inet_pton(AF_INET, v.c_str(), &address) != 1) {
        fail("--broadcast needs a dotted IPv4 address");
      } else {
        o.panel.broadcast = v;
      }
    } else if (a == "--search-port") {
      fail(value(&v) ? ApplyPort(a, v, &o.searchPort) : "--search-port needs a port number");
    } else if (a == "--config-port") {
      fail(value(&v) ? ApplyPort(a, v, &o.configPort) : "--config-port needs a port number");
    } else {
      o.words.push_back(args[i]);  // the command's own option; the command judges it
    }
  }
  if (connect) {
    if (!connect->empty()) fail(ApplyConnect(*connect, o));  // an empty one names no link
  } else if (!envConnect.empty()) {
    if (std::string e = ApplyConnect(envConnect, o); !e.empty()) o.linkError = "VELANTOR_CONNECT: " + e;
  }
  if (!error.empty()) return {std::nullopt, error, o.json, o.words};
  return {o, "", o.json, o.words};
}

std::optional<int> ParseNumber(const std::string& word, int low, int high) {
  if (!AllDigits(word)) return std::nullopt;
  const long n = std::stol(word);
  if (n < low || n > high) return std::nullopt;
  return static_cast<int>(n);
}

std::optional<int> ParseOutput(const std::string& word) {
  if (word.size() == 1) {
    const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(word[0])));
    if (c >= 'A' && c <= 'D') return c - 'A' + 1;
  }
  return ParseNumber(word, 1, 4);
}

std::optional<int> ParseInput(const std::string& word) { return ParseNumber(word, 1, 4); }

std::optional<bool> ParseOnOff(const std::string& word) {
  if (word == "on") return true;
  if (word == "off") return false;
  return std::nullopt;
}

std::optional<std::vector<int>> ParseRoutePlan(const std::string& word) {
  std::vector<int> plan;
  size_t start = 0;
  for (;;) {
    const size_t comma = word.find(',', start);
    const std::optional<int> input = ParseInput(word.substr(start, comma - start));
    if (!input) return std::nullopt;
    plan.push_back(*input);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  if (plan.size() != 4) return std::nullopt;
  return plan;
}

std::optional<int> ParseSeconds(const std::string& word) {
  if (word.empty() || word.size() > 12 || word.find_first_not_of("0123456789.") != std::string::npos ||
      word.find('.') != word.rfind('.') || word.front() == '.' || word.back() == '.') {
    return std::nullopt;
  }
  const double seconds = std::stod(word);
  const long ms = std::lround(seconds * 1000.0);
  if (ms <= 0 || ms > 24L * 3600 * 1000) return std::nullopt;
  return static_cast<int>(ms);
}

std::optional<std::string> ParseMac(const std::string& word) {
  std::string digits;
  for (size_t i = 0; i < word.size(); ++i) {
    const char c = word[i];
    if ((c == ':' || c == '-') && i % 3 == 2 && word.size() == 17) continue;
    if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
    digits += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  if (digits.size() != 12) return std::nullopt;
  return digits;
}

std::optional<std::vector<int>> ParseIpv4(const std::string& word) {
  in_addr address{};
  if (inet_pton(AF_INET, word.c_str(), &address) != 1) return std::nullopt;
  const auto* b = reinterpret_cast<const uint8_t*>(&address.s_addr);
  return std::vector<int>{b[0], b[1], b[2], b[3]};
}

}  // namespace velantor::cli
