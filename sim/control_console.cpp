#include "sim/control_console.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "sim/edid_data.h"

namespace velantor::sim {

namespace {

ControlConsole::Result Ok(std::string text) { return {true, std::move(text) + "\n", false}; }
ControlConsole::Result Bad(std::string text) { return {false, "error: " + std::move(text) + "\n", false}; }

const char* OnOff(bool on) { return on ? "on" : "off"; }

std::string HexByte(int v) {
  char text[3];
  std::snprintf(text, sizeof text, "%02X", v & 0xFF);
  return text;
}

// An EDID file: a regular file, at most 257 bytes read (one more than an EDID may hold, so a
// longer file is seen), opened without blocking so a FIFO or device cannot hang the console.
bool ReadEdidFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* why) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    *why = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  if (!ok) *why = path + " is not a regular file";
  bytes->assign(kEdidSize + 1, 0);
  size_t got = 0;
  while (ok && got < bytes->size()) {
    const ssize_t n = ::read(fd, bytes->data() + got, bytes->size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *why = "cannot read " + path + ": " + std::strerror(errno);
      ok = false;
    }
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  ::close(fd);
  bytes->resize(got);
  return ok;
}

bool ParseOnOff(const std::string& text, bool* on) {
  if (text == "on") *on = true;
  else if (text == "off") *on = false;
  else return false;
  return true;
}

}  // namespace

bool ParseNumber(const std::string& text, long lo, long hi, long* value) {
  int base = 10;
  const char* first = text.data();
  const char* last = text.data() + text.size();
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    first += 2;
  }
  long v = 0;
  auto [end, ec] = std::from_chars(first, last, v, base);
  if (ec != std::errc() || end != last || first == last || v < lo || v > hi) return false;
  *value = v;
  return true;
}

const std::vector<ControlConsole::Command>& ControlConsole::Commands() {
  static const std::vector<Command> commands = {
      {"help", "help                 this list", 0, 0, &ControlConsole::CmdHelp},
      {"show", "show                 state, faults and counters", 0, 0, &ControlConsole::CmdShow},
      {"standby", "standby on|off       enter or leave standby (reports 88 88)", 1, 1, &ControlConsole::CmdStandby},
      {"unplug", "unplug in|out N      detach the device on a port", 2, 2, &ControlConsole::CmdUnplug},
      {"plug", "plug in|out N        attach a device to a port", 2, 2, &ControlConsole::CmdPlug},
      {"route", "route OUT IN         switch an output from the front panel", 2, 2, &ControlConsole::CmdRoute},
      {"signal", "signal IN 1|2|3      input signal type (HDMI, VGA, AV)", 2, 2, &ControlConsole::CmdSignal},
      {"edid-code", "edid-code IN CODE    EDID status code an input reports (0-255)", 2, 2, &ControlConsole::CmdEdidCode},
      {"mode", "mode 1|2|3           display mode (matrix, multi-viewer, video wall)", 1, 1, &ControlConsole::CmdMode},
      {"effect", "effect OUT N         switching effect of an output (1-16)", 2, 2, &ControlConsole::CmdEffect},
      {"time", "time OUT N           switching time of an output (1-8)", 2, 2, &ControlConsole::CmdTime},
      {"drop", "drop N               swallow the next N replies", 1, 1, &ControlConsole::CmdDrop},
      {"drop-every", "drop-every N         swallow every N-th reply (0: off)", 1, 1, &ControlConsole::CmdDropEvery},
      {"delay", "delay MS             hold every reply MS milliseconds (0: off)", 1, 1, &ControlConsole::CmdDelay},
      {"corrupt", "corrupt [N]          wrong checksum on the next N replies (1)", 0, 1, &ControlConsole::CmdCorrupt},
      {"status", "status N             refuse set commands with status N (0: off)", 1, 1, &ControlConsole::CmdStatus},
      {"refuse-fw", "refuse-fw on|off     answer firmware part starts (1 to 3) with 0x44", 1, 1, &ControlConsole::CmdRefuseFw},
      {"close", "close                drop the TCP connections", 0, 0, &ControlConsole::CmdClose},
      {"split", "split N              send TCP replies in pieces of N bytes (0: off)", 1, 1, &ControlConsole::CmdSplit},
      {"join", "join N               send N replies as one TCP segment (0: off)", 1, 1, &ControlConsole::CmdJoin},
      {"dup", "dup N                send the next N replies twice", 1, 1, &ControlConsole::CmdDup},
      {"mute-sets", "mute-sets N          carry out the next N set commands but send no answer", 1, 1,
       &ControlConsole::CmdMuteSets},
      {"misport", "misport N            answer the next N port queries for the next port", 1, 1, &ControlConsole::CmdMisport},
      {"late", "late N MS            hold only the next N replies MS milliseconds", 2, 2, &ControlConsole::CmdLate},
      {"reboot-ms", "reboot-ms MS         silence after a firmware part", 1, 1, &ControlConsole::CmdRebootMs},
      {"edid-result", "edid-result HH|off   answer EDID downloads with result byte HH (hex)", 1, 1, &ControlConsole::CmdEdidResult},
      {"edid-load", "edid-load out N|user1|user2 FILE  a display's or a user memory's EDID from a file", 2, 3, &ControlConsole::CmdEdidLoad},
      {"edid-dump", "edid-dump in N|out N|user1|user2  the EDID as hex", 1, 2, &ControlConsole::CmdEdidDump},
      {"fw-drop-final", "fw-drop-final N      swallow the next N firmware final acknowledgements", 1, 1, &ControlConsole::CmdFwDropFinal},
      {"fw-true-index", "fw-true-index on|off acknowledge firmware blocks with the true index, not the echo", 1, 1, &ControlConsole::CmdFwTrueIndex},
      {"fw-refuse-header", "fw-refuse-header N   refuse the N-th firmware header from now with 44 (0: off)", 1, 1, &ControlConsole::CmdFwRefuseHeader},
      {"fw-close-at-reboot", "fw-close-at-reboot N drop the TCP connections at the next N reboots", 1, 1, &ControlConsole::CmdFwCloseAtReboot},
      {"clear", "clear                every fault off", 0, 0, &ControlConsole::CmdClear},
      {"log", "log [N]              the last N transcript entries (10)", 0, 1, &ControlConsole::CmdLog},
      {"quit", "quit                 stop the emulator", 0, 0, &ControlConsole::CmdQuit},
  };
  return commands;
}

ControlConsole::Result ControlConsole::Run(const std::string& line) {
  std::istringstream in(line);
  Args words;
  for (std::string w; in >> w;) words.push_back(w);
  if (words.empty()) return {true, "", false};
  const std::string name = words.front();
  Args args(words.begin() + 1, words.end());
  for (const Command& c : Commands()) {
    if (name != c.name) continue;
    if (args.size() < c.minArgs || args.size() > c.maxArgs) return Bad(std::string("usage: ") + c.usage);
    return (this->*c.run)(args);
  }
  return Bad("unknown command \"" + name + "\" (try help)");
}

std::string ControlConsole::Help() const {
  std::string text;
  for (const Command& c : Commands()) text += std::string("  ") + c.usage + "\n";
  return text;
}

ControlConsole::Result ControlConsole::CmdHelp(const Args&) { return {true, Help(), false}; }
ControlConsole::Result ControlConsole::CmdShow(const Args&) { return {true, Show(), false}; }

std::string ControlConsole::Show() const {
  const DeviceState& s = model_.State();
  const DeviceOptions& o = s.options;
  const FaultKnobs& f = model_.Faults();
  const ModelCounters c = model_.Counters();
  std::ostringstream out;
  out << "device " << DescribeIdentity(s.identity) << " version " << int(s.identity.versionMajor)
      << "." << int(s.identity.versionMinor) << (model_.InStandby() ? " STANDBY" : "")
      << (model_.Rebooting() ? " REBOOTING" : "") << "\n";
  out << "inputs ";
  for (int n = 1; n <= s.identity.inputs; ++n) {
    const InputState& in = s.Input(n);
    out << " " << n << (in.connected ? "+" : "-") << " type " << int(in.signalType) << " edid "
        << int(in.edidCode) << (in.scaler ? " scaler" : "") << ";";
  }
  out << "\noutputs";
  for (int n = 1; n <= s.identity.outputs; ++n) {
    const OutputState& op = s.Output(n);
    out << " " << n << (op.connected ? "+" : "-") << " <- " << int(op.route) << " fx " << int(op.effect)
        << "/" << int(op.time) << ";";
  }
  out << "\noptions beep " << OnOff(o.beep) << ", ir " << OnOff(o.ir) << ", border " << OnOff(o.border)
      << ", mode " << int(o.displayMode) << ", layout " << int(o.layout) << ", wall "
      << int(o.wallColumns) << "x" << int(o.wallRows) << ", channel " << int(o.inputChannel) << "\n";
  out << "faults drop " << f.dropNext << ", drop-every " << f.dropEvery << ", delay " << f.delayMs
      << ", corrupt " << f.corruptNext << ", status " << int(f.status) << ", refuse-fw "
      << OnOff(f.refuseFirmware) << ", split " << f.splitBytes << ", join " << f.joinCount
      << ", dup " << f.dupNext << ", mute-sets " << f.muteSetsNext << ", misport " << f.misportNext << ", late " << f.lateNext << "/"
      << f.lateMs << " ms, reboot-ms " << model_.RebootMs() << ", edid-result "
      << (f.edidResult < 0 ? std::string("off") : HexByte(f.edidResult)) << ", fw-drop-final " << f.fwDropFinal
      << ", fw-true-index " << OnOff(f.fwTrueIndex) << ", fw-refuse-header " << f.fwRefuseHeader
      << ", fw-close-at-reboot " << f.fwCloseAtReboot << "\n";
  out << "counters frames " << c.framesReceived << ", bad " << c.badFrames << ", garbage "
      << c.garbageBytes << ", unknown " << c.unknownFrames << ", rejected " << c.rejectedRequests
      << ", replies " << c.repliesSent << ", dropped " << c.repliesDropped << ", corrupted "
      << c.repliesCorrupted << ", delayed " << c.repliesDelayed << ", duplicated "
      << c.repliesDuplicated << ", muted " << c.repliesMuted << ", misported " << c.repliesMisported
      << ", late " << c.repliesLate
      << ", edid blocks " << c.edidBlocks
      << "/" << c.badEdidBlocks << " bad, fw blocks " << c.firmwareBlocks << "/"
      << c.badFirmwareBlocks << " bad, fw headers bad " << c.firmwareBadHeaders << ", index gaps "
      << c.firmwareIndexGaps << ", rewrites " << c.firmwareRewrites << ", after last " << c.firmwareAfterLast
      << ", reboots " << c.reboots << "\n";
  if (report_) out << report_();
  return out.str();
}

ControlConsole::Result ControlConsole::CmdStandby(const Args& a) {
  bool on = false;
  if (!ParseOnOff(a[0], &on)) return Bad("standby takes on or off");
  model_.SetStandby(on);
  return Ok(std::string("standby ") + OnOff(on));
}

ControlConsole::Result ControlConsole::SetPort(const Args& a, bool connected) {
  if (a[0] != "in" && a[0] != "out") return Bad("name the port as in N or out N");
  long n = 0;
  if (!ParseNumber(a[1], 1, kMaxPorts, &n) || !model_.SetPortConnected(a[0] == "in", int(n), connected)) {
    return Bad("no such port: " + a[0] + " " + a[1]);
  }
  return Ok(std::string(connected ? "plugged " : "unplugged ") + a[0] + " " + a[1]);
}

ControlConsole::Result ControlConsole::CmdUnplug(const Args& a) { return SetPort(a, false); }
ControlConsole::Result ControlConsole::CmdPlug(const Args& a) { return SetPort(a, true); }

ControlConsole::Result ControlConsole::CmdRoute(const Args& a) {
  DeviceState& s = model_.State();
  long out = 0, in = 0;
  if (!ParseNumber(a[0], 1, s.identity.outputs, &out)) return Bad("no such output: " + a[0]);
  if (!ParseNumber(a[1], 1, s.identity.inputs, &in)) return Bad("no such input: " + a[1]);
  s.Output(int(out)).route = static_cast<uint8_t>(in);
  return Ok("output " + a[0] + " shows input " + a[1]);
}

ControlConsole::Result ControlConsole::CmdSignal(const Args& a) {
  DeviceState& s = model_.State();
  long in = 0, type = 0;
  if (!ParseNumber(a[0], 1, s.identity.inputs, &in)) return Bad("no such input: " + a[0]);
  if (!ParseNumber(a[1], 1, 3, &type)) return Bad("signal type is 1 (HDMI), 2 (VGA) or 3 (AV)");
  s.Input(int(in)).signalType = static_cast<uint8_t>(type);
  return Ok("input " + a[0] + " signal " + a[1]);
}

ControlConsole::Result ControlConsole::CmdEdidCode(const Args& a) {
  DeviceState& s = model_.State();
  long in = 0, code = 0;
  if (!ParseNumber(a[0], 1, s.identity.inputs, &in)) return Bad("no such input: " + a[0]);
  if (!ParseNumber(a[1], 0, 255, &code)) return Bad("EDID code is 0 to 255");
  s.Input(int(in)).edidCode = static_cast<uint8_t>(code);
  return Ok("input " + a[0] + " reports EDID code " + a[1]);
}

ControlConsole::Result ControlConsole::CmdMode(const Args& a) {
  long mode = 0;
  if (!ParseNumber(a[0], 1, 3, &mode)) return Bad("display mode is 1 (matrix), 2 (multi-viewer) or 3 (video wall)");
  model_.State().options.displayMode = static_cast<uint8_t>(mode);
  return Ok("display mode " + a[0]);
}

ControlConsole::Result ControlConsole::SetOutputValue(const Args& a, const char* what, long max,
                                                      uint8_t OutputState::*field) {
  DeviceState& s = model_.State();
  long out = 0, value = 0;
  if (!ParseNumber(a[0], 1, s.identity.outputs, &out)) return Bad("no such output: " + a[0]);
  if (!ParseNumber(a[1], 1, max, &value)) {
    return Bad(std::string(what) + " is 1 to " + std::to_string(max));
  }
  s.Output(int(out)).*field = static_cast<uint8_t>(value);
  return Ok("output " + a[0] + " " + what + " " + a[1]);
}

ControlConsole::Result ControlConsole::CmdEffect(const Args& a) {
  return SetOutputValue(a, "switching effect", 16, &OutputState::effect);
}

ControlConsole::Result ControlConsole::CmdTime(const Args& a) {
  return SetOutputValue(a, "switching time", 8, &OutputState::time);
}

namespace {
// Fault values: whole numbers from 0 to a sane maximum.
bool FaultValue(const std::string& text, long max, long* v) { return ParseNumber(text, 0, max, v); }
}  // namespace

ControlConsole::Result ControlConsole::CmdDrop(const Args& a) {
  long n = 0;
  if (!FaultValue(a[0], 1000000, &n)) return Bad("drop takes a count from 0");
  model_.Faults().dropNext = int(n);
  return Ok("dropping the next " + a[0] + " replies");
}

ControlConsole::Result ControlConsole::CmdDropEvery(const Args& a) {
  long n = 0;
  if (!FaultValue(a[0], 1000000, &n) || n == 1) return Bad("drop-every takes 0 (off) or a count from 2");
  model_.Faults().dropEvery = int(n);
  return Ok(n ? "dropping every " + a[0] + "th reply" : std::string("drop-every off"));
}

ControlConsole::Result ControlConsole::CmdDelay(const Args& a) {
  long n = 0;
  if (!FaultValue(a[0], 600000, &n)) return Bad("delay takes milliseconds from 0 to 600000");
  model_.Faults().delayMs = int(n);
  return Ok("reply delay " + a[0] + " ms");
}

ControlConsole::Result ControlConsole::CmdCorrupt(const Args& a) {
  long n = 1;
  if (!a.empty() && !FaultValue(a[0], 1000000, &n)) return Bad("corrupt takes a count from 0");
  model_.Faults().corruptNext = int(n);
  return Ok("corrupting the next " + std::to_string(n) + " replies");
}

ControlConsole::Result ControlConsole::CmdStatus(const Args& a) {
  long n = 0;
  if (!FaultValue(a[0], 255, &n)) return Bad("status is 0 to 255");
  model_.Faults().status = static_cast<uint8_t>(n);
  return Ok(n ? "set commands refused with status " + a[0] : std::string("status override off"));
}

ControlConsole::Result ControlConsole::CmdRefuseFw(const Args& a) {
  bool on = false;
  if (!ParseOnOff(a[0], &on)) return Bad("refuse-fw takes on or off");
  model_.Faults().refuseFirmware = on;
  return Ok(std::string("refuse-fw ") + OnOff(on));
}

ControlConsole::Result ControlConsole::CmdClose(const Args&) {
  model_.CloseConnections();
  return Ok("connections closed");
}

ControlConsole::Result ControlConsole::CmdSplit(const Args& a) {
  long n = 0;
  if (!FaultValue(a[0], 65536, &n)) return Bad("split takes a piece size from 0");
  model_.Faults().splitBytes = int(n);
  return Ok(n ? "splitting replies into " + a[0] + "-byte pieces" : std::string("split off"));
}

ControlConsole::Result ControlConsole::CmdJoin(const Args& a) {
  long n = 0;
  if (!FaultValue(a[0], 1000, &n)) return Bad("join takes a count from 0");
  model_.Faults().joinCount = int(n);
  return Ok(n > 1 ? "joining " + a[0] + " replies per segment" : std::string("join off"));
}

ControlConsole::Result ControlConsole::CmdDup(const Args& a) {
  long n = 0;
  if (!FaultValue(a[0], 1000000, &n)) return Bad("dup takes a count from 0");
  model_.Faults().dupNext = int(n);
  return Ok("sending the next " + a[0] + " replies twice");
}

ControlConsole::Result ControlConsole::CmdMuteSets(const Args& a) {
  long n = 0;
  if (!FaultValue(a[0], 1000000, &n)) return Bad("mute-sets takes a count from 0");
  model_.Faults().muteSetsNext = int(n);
  return Ok("carrying out the next " + a[0] + " set commands without an answer");
}

ControlConsole::Result ControlConsole::CmdMisport(const Args& a) {
  long n = 0;
  if (!FaultValue(a[0], 1000000, &n)) return Bad("misport takes a count from 0");
  model_.Faults().misportNext = int(n);
  return Ok("answering the next " + a[0] + " port queries for the wrong port");
}

ControlConsole::Result ControlConsole::CmdLate(const Args& a) {
  long n = 0, ms = 0;
  if (!FaultValue(a[0], 1000000, &n)) return Bad("late takes a count from 0");
  if (!FaultValue(a[1], 600000, &ms)) return Bad("late takes milliseconds from 0 to 600000");
  model_.Faults().lateNext = int(n);
  model_.Faults().lateMs = int(ms);
  return Ok("holding the next " + a[0] + " replies " + a[1] + " ms");
}

ControlConsole::Result ControlConsole::CmdRebootMs(const Args& a) {
  long n = 0;
  if (!FaultValue(a[0], 600000, &n)) return Bad("reboot-ms takes milliseconds from 0 to 600000");
  model_.SetRebootMs(int(n));
  return Ok("reboot silence " + a[0] + " ms");
}

ControlConsole::Result ControlConsole::CmdEdidResult(const Args& a) {
  if (a[0] == "off") {
    model_.Faults().edidResult = -1;
    return Ok("edid-result off");
  }
  const std::string digits = a[0].size() > 2 && a[0][0] == '0' && (a[0][1] == 'x' || a[0][1] == 'X') ? a[0] : "0x" + a[0];
  long v = 0;
  if (!ParseNumber(digits, 0, 255, &v)) return Bad("edid-result takes a hex byte (00 to FF) or off");
  model_.Faults().edidResult = int(v);
  return Ok("EDID downloads answer result " + HexByte(int(v)));
}

EdidBytes* ControlConsole::EdidSlot(const Args& a, bool inputs, size_t* used, std::string* why) {
  DeviceState& s = model_.State();
  *used = 1;
  if (a[0] == "user1" || a[0] == "user2") return &s.userMemory[a[0] == "user1" ? 0 : 1];
  const bool input = a[0] == "in";
  if ((input && !inputs) || (!input && a[0] != "out") || a.size() < 2) {
    *why = inputs ? "name the EDID as in N, out N, user1 or user2" : "name the EDID as out N, user1 or user2";
    return nullptr;
  }
  *used = 2;
  long n = 0;
  if (!ParseNumber(a[1], 1, input ? s.identity.inputs : s.identity.outputs, &n)) {
    *why = "no such port: " + a[0] + " " + a[1];
    return nullptr;
  }
  return input ? &s.Input(int(n)).edid : &s.Output(int(n)).displayEdid;
}

ControlConsole::Result ControlConsole::CmdEdidLoad(const Args& a) {
  size_t used = 0;
  std::string why;
  EdidBytes* slot = EdidSlot(a, false, &used, &why);
  if (!slot) return Bad(why);
  if (a.size() != used + 1) return Bad("usage: edid-load out N|user1|user2 FILE");
  const std::string& path = a[used];
  std::vector<uint8_t> bytes;
  if (!ReadEdidFile(path, &bytes, &why)) return Bad(why);
  const EdidBlockVerdict verdict = CheckEdidFile(bytes);
  if (!verdict.edid) return Bad(path + ": " + verdict.reason);
  *slot = *verdict.edid;
  return Ok("loaded " + std::to_string(bytes.size()) + " bytes from " + path);
}

ControlConsole::Result ControlConsole::CmdEdidDump(const Args& a) {
  size_t used = 0;
  std::string why;
  const EdidBytes* slot = EdidSlot(a, true, &used, &why);
  if (!slot) return Bad(why);
  if (a.size() != used) return Bad("usage: edid-dump in N|out N|user1|user2");
  std::string text;
  for (size_t i = 0; i < slot->size(); ++i) text += HexByte((*slot)[i]) + (i % 16 == 15 ? "\n" : " ");
  return {true, text, false};
}

ControlConsole::Result ControlConsole::CmdFwDropFinal(const Args& a) {
  long n = 0;
  if (!FaultValue(a[0], 1000000, &n)) return Bad("fw-drop-final takes a count from 0");
  model_.Faults().fwDropFinal = int(n);
  return Ok("dropping the next " + a[0] + " firmware final acknowledgements");
}

ControlConsole::Result ControlConsole::CmdFwTrueIndex(const Args& a) {
  bool on = false;
  if (!ParseOnOff(a[0], &on)) return Bad("fw-true-index takes on or off");
  model_.Faults().fwTrueIndex = on;
  return Ok(std::string("fw-true-index ") + OnOff(on));
}

ControlConsole::Result ControlConsole::CmdFwRefuseHeader(const Args& a) {
  long n = 0;
  if (!FaultValue(a[0], 1000000, &n)) return Bad("fw-refuse-header takes a count from 0");
  model_.Faults().fwRefuseHeader = int(n);
  return Ok(n ? "refusing firmware header " + a[0] + " from now" : std::string("fw-refuse-header off"));
}

ControlConsole::Result ControlConsole::CmdFwCloseAtReboot(const Args& a) {
  long n = 0;
  if (!FaultValue(a[0], 1000000, &n)) return Bad("fw-close-at-reboot takes a count from 0");
  model_.Faults().fwCloseAtReboot = int(n);
  return Ok("dropping the connections at the next " + a[0] + " reboots");
}

ControlConsole::Result ControlConsole::CmdClear(const Args&) {
  FaultKnobs& f = model_.Faults();
  const FaultKnobs defaults;
  f.dropNext = defaults.dropNext;
  f.dropEvery = defaults.dropEvery;
  f.delayMs = defaults.delayMs;
  f.corruptNext = defaults.corruptNext;
  f.status = defaults.status;
  f.refuseFirmware = defaults.refuseFirmware;
  f.splitBytes = defaults.splitBytes;
  f.joinCount = defaults.joinCount;
  f.dupNext = defaults.dupNext;
  f.muteSetsNext = defaults.muteSetsNext;
  f.misportNext = defaults.misportNext;
  f.lateNext = defaults.lateNext;
  f.lateMs = defaults.lateMs;
  f.edidResult = defaults.edidResult;
  f.fwDropFinal = defaults.fwDropFinal;
  f.fwTrueIndex = defaults.fwTrueIndex;
  f.fwRefuseHeader = defaults.fwRefuseHeader;
  f.fwCloseAtReboot = defaults.fwCloseAtReboot;
  return Ok("faults off");
}

ControlConsole::Result ControlConsole::CmdLog(const Args& a) {
  long n = 10;
  if (!a.empty() && !ParseNumber(a[0], 1, 100000, &n)) return Bad("log takes a count from 1");
  const auto& entries = model_.Log().Entries();
  const size_t count = std::min(entries.size(), static_cast<size_t>(n));
  std::string text;
  for (size_t i = entries.size() - count; i < entries.size(); ++i) text += FormatEntry(entries[i]) + "\n";
  return {true, text, false};
}

ControlConsole::Result ControlConsole::CmdQuit(const Args&) { return {true, "bye\n", true}; }

}  // namespace velantor::sim
