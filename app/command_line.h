// The panel's command-line options: a quick start for demos and kiosks.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velantor {

struct PanelOptions {
  enum class Link { kNone, kTcp, kSerial };
  Link connect = Link::kNone;
  std::string host;          // --connect tcp:HOST[:PORT]
  uint16_t port = 8000;
  std::string serialPath;    // --connect serial:PATH
  std::vector<std::string> extraPorts;  // --port PATH: list a serial device that sysfs does not show
  int page = 0;              // --page general|edid|matrix|firmware (0: stay on General)
  std::string broadcast = "255.255.255.255";  // --broadcast ADDR for the IP search
  bool diagnostics = false;  // --diagnostics: show the hex logs from the start
  std::string screenshot;    // --screenshot FILE: save the window as PNG after a moment, then quit
  int screenshotDelayMs = 800;
  std::string lang;          // --lang en|zh: the interface's language, empty: by the locale
  bool help = false;
  bool version = false;
};

struct ParsedOptions {
  std::optional<PanelOptions> options;  // empty when the command line is bad
  std::string error;                    // what was wrong, for the user
};

ParsedOptions ParsePanelOptions(const std::vector<std::string>& args);
std::string PanelUsage();

}  // namespace velantor
