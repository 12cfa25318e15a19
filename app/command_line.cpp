#include "app/command_line.h"

#include <arpa/inet.h>

#include <map>

#include "app/window_messages.h"

namespace velantor {

namespace {

bool ParsePort(const std::string& text, uint16_t* port) {
  if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  unsigned long value = std::stoul(text);
  if (value < 1 || value > 65535) return false;
  *port = static_cast<uint16_t>(value);
  return true;
}

bool IsIpv4(const std::string& text) {
  in_addr a{};
  return inet_pton(AF_INET, text.c_str(), &a) == 1;
}

std::string ParseConnect(const std::string& value, PanelOptions& o) {
  if (value.rfind("tcp:", 0) == 0) {
    std::string rest = value.substr(4);
    auto colon = rest.find(':');
    o.host = rest.substr(0, colon);
    if (colon != std::string::npos && !ParsePort(rest.substr(colon + 1), &o.port)) {
      return "bad port in --connect " + value + " (1 to 65535)";
    }
    if (!IsIpv4(o.host)) return "bad address in --connect " + value + " (dotted IPv4, e.g. 192.168.1.80)";
    o.connect = PanelOptions::Link::kTcp;
    return "";
  }
  if (value.rfind("serial:", 0) == 0 && value.size() > 7) {
    o.serialPath = value.substr(7);
    o.connect = PanelOptions::Link::kSerial;
    return "";
  }
  return "bad --connect " + value + " (tcp:HOST[:PORT] or serial:PATH)";
}

}  // namespace

ParsedOptions ParsePanelOptions(const std::vector<std::string>& args) {
  static const std::map<std::string, int> kPages = {
      {"general", kPageGeneral}, {"edid", kPageEdid}, {"matrix", kPageMatrix}, {"firmware", kPageFirmware}};
  PanelOptions o;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= args.size()) return false;
      *out = args[++i];
      return true;
    };
    std::string v;
    if (a == "--help" || a == "-h") {
      o.help = true;
    } else if (a == "--version") {
      o.version = true;
    } else if (a == "--diagnostics") {
      o.diagnostics = true;
    } else if (a == "--connect") {
      if (!value(&v)) return {std::nullopt, "--connect needs tcp:HOST[:PORT] or serial:PATH"};
      if (std::string e = ParseConnect(v, o); !e.empty()) return {std::nullopt, e};
    } else if (a == "--port") {
      if (!value(&v) || v.empty()) return {std::nullopt, "--port needs a device path"};
      o.extraPorts.push_back(v);
    } else if (a == "--page") {
      if (!value(&v) || !kPages.count(v)) return {std::nullopt, "--page needs general, edid, matrix or firmware"};
      o.page = kPages.at(v);
    } else if (a == "--broadcast") {
      if (!value(&v) || !IsIpv4(v)) return {std::nullopt, "--broadcast needs a dotted IPv4 address"};
      o.broadcast = v;
    } else if (a == "--screenshot") {
      if (!value(&o.screenshot)) return {std::nullopt, "--screenshot needs a file name"};
    } else if (a == "--screenshot-delay") {
      uint16_t ms = 0;
      if (!value(&v) || !ParsePort(v, &ms)) return {std::nullopt, "--screenshot-delay needs milliseconds (1 to 65535)"};
      o.screenshotDelayMs = ms;
    } else {
      return {std::nullopt, "unknown option " + a};
    }
  }
  return {o, ""};
}

std::string PanelUsage() {
  return "Usage: velantor [options]\n"
         "Control panel for HDMI matrix switchers.\n\n"
         "  --connect tcp:HOST[:PORT]  connect over TCP at start (port 8000 by default)\n"
         "  --connect serial:PATH      connect over the serial device PATH at start\n"
         "  --port PATH                list PATH among the COM ports (a pseudo-terminal, say)\n"
         "  --page NAME                page to show once the link is up:\n"
         "                             general, edid, matrix or firmware\n"
         "  --broadcast ADDR           address of the IP search (default 255.255.255.255;\n"
         "                             127.255.255.255 finds an emulator on this machine)\n"
         "  --diagnostics              show the hex logs of the current page\n"
         "  --screenshot FILE          save the window as a PNG after a moment, then quit\n"
         "  --screenshot-delay MS      how long to wait before the screenshot (default 800)\n"
         "  --version                  print the version and exit\n"
         "  --help                     print this help and exit\n";
}

}  // namespace velantor
