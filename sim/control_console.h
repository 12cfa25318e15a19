// The emulator's live control commands ("standby on", "unplug in 3", "drop 2", "show", ...):
// one line in, the text to print out. A person at the terminal or a test drives the device
// and its fault knobs with them while it runs.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "sim/device_model.h"

namespace velantor::sim {

class ControlConsole {
 public:
  struct Result {
    bool ok = true;
    std::string text;  // what to print, each line ending in '\n'
    bool quit = false;
  };

  explicit ControlConsole(DeviceModel& model) : model_(model) {}

  Result Run(const std::string& line);
  // Extra lines for "show" (front-end endpoints and counters).
  void SetFrontEndReport(std::function<std::string()> report) { report_ = std::move(report); }
  std::string Help() const;
  std::string Show() const;

 private:
  using Args = std::vector<std::string>;
  struct Command {
    const char* name;
    const char* usage;
    size_t minArgs;
    size_t maxArgs;
    Result (ControlConsole::*run)(const Args&);
  };
  static const std::vector<Command>& Commands();

  Result CmdHelp(const Args&);
  Result CmdShow(const Args&);
  Result CmdStandby(const Args&);
  Result CmdUnplug(const Args&);
  Result CmdPlug(const Args&);
  Result CmdRoute(const Args&);
  Result CmdSignal(const Args&);
  Result CmdEdidCode(const Args&);
  Result CmdMode(const Args&);
  Result CmdEffect(const Args&);
  Result CmdTime(const Args&);
  Result CmdDrop(const Args&);
  Result CmdDropEvery(const Args&);
  Result CmdDelay(const Args&);
  Result CmdCorrupt(const Args&);
  Result CmdStatus(const Args&);
  Result CmdRefuseFw(const Args&);
  Result CmdClose(const Args&);
  Result CmdSplit(const Args&);
  Result CmdJoin(const Args&);
  Result CmdDup(const Args&);
  Result CmdMuteSets(const Args&);
  Result CmdMisport(const Args&);
  Result CmdLate(const Args&);
  Result CmdRebootMs(const Args&);
  Result CmdEdidResult(const Args&);
  Result CmdEdidLoad(const Args&);
  Result CmdEdidDump(const Args&);
  Result CmdFwDropFinal(const Args&);
  Result CmdFwTrueIndex(const Args&);
  Result CmdFwRefuseHeader(const Args&);
  Result CmdFwCloseAtReboot(const Args&);
  // The EDID named by "in N", "out N", "user1" or "user2" (inputs only where `inputs`); null
  // with the reason in `why` otherwise. Returns the words it used in `used`.
  EdidBytes* EdidSlot(const Args& a, bool inputs, size_t* used, std::string* why);
  Result CmdClear(const Args&);
  Result CmdLog(const Args&);
  Result CmdQuit(const Args&);
  Result SetPort(const Args& args, bool connected);
  Result SetOutputValue(const Args& args, const char* what, long max, uint8_t OutputState::*field);

  DeviceModel& model_;
  std::function<std::string()> report_;
};

// Parses a whole decimal (or 0x hex) integer within [lo, hi]; false otherwise.
bool ParseNumber(const std::string& text, long lo, long hi, long* value);

}  // namespace velantor::sim
