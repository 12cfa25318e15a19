#include "sim/program_options.h"

#include <arpa/inet.h>

#include <cctype>
#include <cstdio>

#include "sim/control_console.h"

namespace velantor::sim {

namespace {

using Apply = std::string (*)(ProgramOptions&, const std::string&);

struct OptionRow {
  const char* name;
  const char* value;  // nullptr for a flag
  const char* help;
  Apply apply;
};

std::string Endpointed(Endpoint& target, const std::string& v, const char* what) {
  auto e = ParseEndpoint(v);
  if (!e) {
    // Say which half is wrong: the address or the port.
    const size_t colon = v.rfind(':');
    long port = 0;
    if (colon == std::string::npos) return std::string(what) + " wants ADDR:PORT, not \"" + v + "\"";
    if (!ParseNumber(v.substr(colon + 1), 0, 65535, &port))
      return std::string(what) + ": bad port \"" + v.substr(colon + 1) + "\": a number from 0 to 65535";
    return std::string(what) + ": \"" + v.substr(0, colon) + "\" is not an IPv4 address";
  }
  target = *e;
  return "";
}

std::string ParseSize(ProgramOptions& o, const std::string& v) {
  const size_t x = v.find_first_of("xX");
  long in = 0, out = 0;
  if (x == std::string::npos || !ParseNumber(v.substr(0, x), 1, 8, &in) ||
      !ParseNumber(v.substr(x + 1), 1, 8, &out)) {
    return "--size wants INxOUT with 1 to 8 ports each (4x4, 8x8), not \"" + v + "\"";
  }
  o.inputs = int(in);
  o.outputs = int(out);
  return "";
}

std::string ParseMac(ProgramOptions& o, const std::string& v) {
  std::array<uint8_t, 6> mac{};
  unsigned b[6];
  char tail;
  if (std::sscanf(v.c_str(), "%2x:%2x:%2x:%2x:%2x:%2x%c", &b[0], &b[1], &b[2], &b[3], &b[4], &b[5], &tail) != 6 ||
      v.size() != 17) {
    return "--mac wants six hex pairs like 02:56:4C:54:00:01, not \"" + v + "\"";
  }
  for (int i = 0; i < 6; ++i) mac[i] = static_cast<uint8_t>(b[i]);
  o.mac = mac;
  return "";
}

std::string ParseIp(ProgramOptions& o, const std::string& v) {
  in_addr a{};
  if (inet_pton(AF_INET, v.c_str(), &a) != 1) return "--ip wants a dotted IPv4 address, not \"" + v + "\"";
  const auto* p = reinterpret_cast<const uint8_t*>(&a.s_addr);
  o.ip = std::array<uint8_t, 4>{p[0], p[1], p[2], p[3]};
  return "";
}

std::string ParseVersion(ProgramOptions& o, const std::string& v) {
  const size_t dot = v.find('.');
  long major = 0, minor = 0;
  if (dot == std::string::npos || !ParseNumber(v.substr(0, dot), 0, 255, &major) ||
      !ParseNumber(v.substr(dot + 1), 0, 255, &minor)) {
    return "--fw-version wants MAJOR.MINOR (1.5), not \"" + v + "\"";
  }
  o.versionMajor = static_cast<uint8_t>(major);
  o.versionMinor = static_cast<uint8_t>(minor);
  return "";
}

const OptionRow kOptions[] = {
    {"--tcp", "ADDR:PORT", "TCP command port (127.0.0.1:8000)",
     [](ProgramOptions& o, const std::string& v) { return Endpointed(o.tcpAt, v, "--tcp"); }},
    {"--no-tcp", nullptr, "no TCP server", [](ProgramOptions& o, const std::string&) { o.tcp = false; return std::string(); }},
    {"--serial", "LINKPATH", "also link LINKPATH to the pseudo-terminal",
     [](ProgramOptions& o, const std::string& v) { o.serialLink = v; return std::string(); }},
    {"--no-serial", nullptr, "no pseudo-terminal", [](ProgramOptions& o, const std::string&) { o.serial = false; return std::string(); }},
    {"--wire-rate", nullptr, "serial replies at 115200 baud, 11 bits a byte",
     [](ProgramOptions& o, const std::string&) { o.wireRate = true; return std::string(); }},
    {"--search", "ADDR:PORT", "UDP search responder (0.0.0.0:30600)",
     [](ProgramOptions& o, const std::string& v) { return Endpointed(o.search, v, "--search"); }},
    {"--config", "ADDR:PORT", "UDP configuration responder (0.0.0.0:30601)",
     [](ProgramOptions& o, const std::string& v) { return Endpointed(o.config, v, "--config"); }},
    {"--no-udp", nullptr, "no UDP responders", [](ProgramOptions& o, const std::string&) { o.udp = false; return std::string(); }},
    {"--udp-reply-to", "ADDR", "send UDP answers to ADDR (e.g. 127.255.255.255) at the sender's port",
     [](ProgramOptions& o, const std::string& v) {
       in_addr a{};
       if (inet_pton(AF_INET, v.c_str(), &a) != 1) return "--udp-reply-to wants an IPv4 address, not \"" + v + "\"";
       o.replyAddress = v;
       return std::string();
     }},
    {"--size", "INxOUT", "inputs x outputs (4x4)", ParseSize},
    {"--type", "1|2|3", "device type: 1 HDMI, 2 HDBT, 3 HDMI+HDBT (1)",
     [](ProgramOptions& o, const std::string& v) {
       long t = 0;
       if (!ParseNumber(v, 1, 3, &t)) return "--type wants 1, 2 or 3, not \"" + v + "\"";
       o.type = static_cast<uint8_t>(t);
       return std::string();
     }},
    {"--fw-version", "MAJOR.MINOR", "firmware version reported (1.5)", ParseVersion},
    {"--mac", "XX:XX:XX:XX:XX:XX", "MAC address reported by the search", ParseMac},
    {"--ip", "A.B.C.D", "IP address reported by the search (192.168.1.239)", ParseIp},
    {"--reboot-ms", "MS", "silence after a firmware part is written (2000)",
     [](ProgramOptions& o, const std::string& v) {
       long ms = 0;
       if (!ParseNumber(v, 0, 600000, &ms)) return "--reboot-ms wants 0 to 600000, not \"" + v + "\"";
       o.rebootMs = int(ms);
       return std::string();
     }},
    {"--no-stdin", nullptr, "read no control commands; run until a signal",
     [](ProgramOptions& o, const std::string&) { o.readStdin = false; return std::string(); }},
    {"--stdin-keep", nullptr, "keep running after the end of standard input",
     [](ProgramOptions& o, const std::string&) { o.keepAfterEof = true; return std::string(); }},
    {"--version", nullptr, "print the program's version and exit",
     [](ProgramOptions& o, const std::string&) { o.version = true; return std::string(); }},
    {"--help", nullptr, "this text", [](ProgramOptions& o, const std::string&) { o.help = true; return std::string(); }},
};

}  // namespace

ParsedOptions ParseProgramOptions(const std::vector<std::string>& args) {
  ProgramOptions options;
  for (size_t i = 0; i < args.size(); ++i) {
    const OptionRow* row = nullptr;
    for (const OptionRow& r : kOptions) {
      if (args[i] == r.name) row = &r;
    }
    // "--version 1.5" was the firmware version before --fw-version: scripts that say so keep working.
    const bool numberFollows = i + 1 < args.size() && std::isdigit(static_cast<unsigned char>(args[i + 1].c_str()[0]));
    if (args[i] == "--version" && numberFollows) {
      if (std::string error = ParseVersion(options, args[++i]); !error.empty()) return {std::nullopt, error};
      continue;
    }
    if (!row) return {std::nullopt, "unknown option \"" + args[i] + "\" (see --help)"};
    std::string value;
    if (row->value) {
      if (i + 1 >= args.size()) return {std::nullopt, std::string(row->name) + " wants " + row->value};
      value = args[++i];
    }
    std::string error = row->apply(options, value);
    if (!error.empty()) return {std::nullopt, error};
  }
  return {options, ""};
}

std::string ProgramUsage() {
  std::string text = "usage: velantor-sim [options]\n";
  for (const OptionRow& r : kOptions) {
    std::string left = std::string("  ") + r.name + (r.value ? std::string(" ") + r.value : "");
    left.resize(std::max<size_t>(left.size() + 1, 34), ' ');
    text += left + r.help + "\n";
  }
  return text;
}

}  // namespace velantor::sim
