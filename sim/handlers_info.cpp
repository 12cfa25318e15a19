// Device information and port status queries (opcode 0x01).
#include "sim/command_table.h"

namespace velantor::sim {

namespace {

constexpr uint8_t kOp = 0x01;
constexpr uint8_t kConnected = 0x00;

void DeviceType(DeviceCore& c, const CommandFrame&, Reaction& out) {
  out.Frame(kOp, 0x01, c.state.identity.type);
}

void MatrixSize(DeviceCore& c, const CommandFrame&, Reaction& out) {
  const DeviceIdentity& id = c.state.identity;
  out.Frame(kOp, 0x02, static_cast<uint8_t>(id.inputs), 0, static_cast<uint8_t>(id.outputs));
}

void FirmwareVersion(DeviceCore& c, const CommandFrame&, Reaction& out) {
  const DeviceIdentity& id = c.state.identity;
  out.Frame(kOp, 0x03, id.versionMajor, 0, id.versionMinor);
}

void InputLink(DeviceCore& c, const CommandFrame& f, Reaction& out) {
  const int n = f[4];
  if (!c.state.ValidInput(n)) return out.Reject("no such input");
  out.Frame(kOp, 0x04, f[4], 0, c.state.Input(n).connected ? kConnected : kReportOff);
}

void OutputLink(DeviceCore& c, const CommandFrame& f, Reaction& out) {
  const int n = f[4];
  if (!c.state.ValidOutput(n)) return out.Reject("no such output");
  out.Frame(kOp, 0x05, f[4], 0, c.state.Output(n).connected ? kConnected : kReportOff);
}

void IrState(DeviceCore& c, const CommandFrame&, Reaction& out) {
  out.Frame(kOp, 0x0A, 0, 0, c.state.options.ir ? kOnValue : kReportOff);
}

void BeepState(DeviceCore& c, const CommandFrame&, Reaction& out) {
  out.Frame(kOp, 0x0B, 0, 0, c.state.options.beep ? kOnValue : kReportOff);
}

void InputEdidState(DeviceCore& c, const CommandFrame& f, Reaction& out) {
  const int n = f[4];
  if (!c.state.ValidInput(n)) return out.Reject("no such input");
  out.Frame(kOp, 0x0C, f[4], 0, c.state.Input(n).edidCode);
}

constexpr CommandRow kRows[] = {
    {kOp, 0x01, DeviceType}, {kOp, 0x02, MatrixSize}, {kOp, 0x03, FirmwareVersion},
    {kOp, 0x04, InputLink},  {kOp, 0x05, OutputLink}, {kOp, 0x0A, IrState},
    {kOp, 0x0B, BeepState},  {kOp, 0x0C, InputEdidState},
};

}  // namespace

std::span<const CommandRow> InfoCommands() { return kRows; }

}  // namespace velantor::sim
