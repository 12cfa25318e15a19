#include "app/command_line.h"

#include <arpa/inet.h>

#include <cctype>
#include <map>

#include "app/matrix_address.h"
#include "app/window_messages.h"

namespace velantor {

namespace {

bool IsIpv4(const std::string& text) {
  in_addr a{};
  return inet_pton(AF_INET, text.c_str(), &a) == 1;
}

std::string ParseConnect(const std::string& value, PanelOptions& o) {
  if (value.rfind("tcp:", 0) == 0) {
    const MatrixAddressText target = ParseMatrixAddress(value.substr(4), o.port);
    if (!target.error.empty()) return "--connect " + value + ": " + target.error;
    o.host = target.host;
    o.port = target.port;
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

// "--option=value" is the same as "--option value".
std::vector<std::string> SplitAssignments(const std::vector<std::string>& given) {
  std::vector<std::string> args;
  for (const std::string& a : given) {
    const auto equals = a.find('=');
    if (a.rfind("--", 0) == 0 && equals != std::string::npos) {
      args.push_back(a.substr(0, equals));
      args.push_back(a.substr(equals + 1));
    } else {
      args.push_back(a);
    }
  }
  return args;
}

std::string Lowercase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

ParsedOptions ParsePanelOptions(const std::vector<std::string>& given) {
  static const std::map<std::string, int> kPages = {
      {"general", kPageGeneral}, {"edid", kPageEdid}, {"matrix", kPageMatrix}, {"firmware", kPageFirmware}};
  const std::vector<std::string> args = SplitAssignments(given);
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
      if (!value(&v) || !kPages.count(Lowercase(v))) {
        return {std::nullopt, "--page needs general, edid, matrix or firmware"};
      }
      o.page = kPages.at(Lowercase(v));
    } else if (a == "--broadcast") {
      if (!value(&v) || !IsIpv4(v)) return {std::nullopt, "--broadcast needs a dotted IPv4 address"};
      o.broadcast = v;
    } else if (a == "--screenshot") {
      if (!value(&o.screenshot)) return {std::nullopt, "--screenshot needs a file name"};
    } else if (a == "--lang") {
      if (!value(&o.lang) || (o.lang != "en" && o.lang != "zh")) return {std::nullopt, "--lang needs en or zh"};
    } else if (a == "--screenshot-delay") {
      uint16_t ms = 0;
      if (!value(&v) || !ParsePortNumber(v, &ms)) return {std::nullopt, "--screenshot-delay needs milliseconds (1 to 65535)"};
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
         "  --lang en|zh               show the English translation or the original texts\n"
         "                             (default: by the locale, LANGUAGE / LANG)\n"
         "  --screenshot FILE          save the window as a PNG after a moment, then quit\n"
         "  --screenshot-delay MS      how long to wait before the screenshot (default 800)\n"
         "  --version                  print the version and exit\n"
         "  --help                     print this help and exit\n";
}

}  // namespace velantor
