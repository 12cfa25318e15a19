// Per-port picture settings: input signal type, AUTO and SCALER, switching effect and time.
#include "sim/command_table.h"

namespace velantor::sim {

namespace {

constexpr uint8_t kInputType = 0x0A;
constexpr uint8_t kSwitching = 0x0B;
constexpr uint8_t kQueryType = 0x90;
constexpr uint8_t kQuerySwitching = 0x98;
constexpr uint8_t kVga = 2;
constexpr int kEffects = 16;
constexpr int kTimes = 8;

bool InRange(int v, int lo, int hi) { return v >= lo && v <= hi; }

void SetType(DeviceCore& c, const CommandFrame& f, Reaction& out) {
  if (!c.state.ValidInput(f[6])) return out.Reject("no such input");
  uint8_t status = InRange(f[4], 1, 3) ? c.Refusal() : kBadValue;
  if (status == 0) c.state.Input(f[6]).signalType = f[4];
  out.Frame(kInputType, 0x01, status, 0, f[6]);
}

// AUTO adjusts an analogue (VGA) picture; other signals refuse it.
void Auto(DeviceCore& c, const CommandFrame& f, Reaction& out) {
  if (!c.state.ValidInput(f[6])) return out.Reject("no such column");
  InputState& in = c.state.Input(f[6]);
  uint8_t status = in.signalType == kVga ? c.Refusal() : kBadValue;
  if (status == 0) ++in.autoAdjustments;
  out.Frame(kInputType, 0x0E, status, 0, f[6]);
}

void Scaler(DeviceCore& c, const CommandFrame& f, Reaction& out) {
  if (!c.state.ValidInput(f[6])) return out.Reject("no such column");
  uint8_t status = c.Refusal();
  if (status == 0) c.state.Input(f[6]).scaler = !c.state.Input(f[6]).scaler;
  out.Frame(kInputType, 0x0F, status, 0, f[6]);
}

void SetOutputValue(DeviceCore& c, const CommandFrame& f, Reaction& out, int max,
                    uint8_t OutputState::*field) {
  if (!c.state.ValidOutput(f[6])) return out.Reject("no such output");
  uint8_t status = InRange(f[4], 1, max) ? c.Refusal() : kBadValue;
  if (status == 0) c.state.Output(f[6]).*field = f[4];
  out.Frame(kSwitching, f[3], status, 0, f[6]);
}

void SetEffect(DeviceCore& c, const CommandFrame& f, Reaction& out) {
  SetOutputValue(c, f, out, kEffects, &OutputState::effect);
}
void SetTime(DeviceCore& c, const CommandFrame& f, Reaction& out) {
  SetOutputValue(c, f, out, kTimes, &OutputState::time);
}

void QueryType(DeviceCore& c, const CommandFrame& f, Reaction& out) {
  if (!c.state.ValidInput(f[6])) return out.Reject("no such input");
  out.Frame(kQueryType, 0x01, c.state.Input(f[6]).signalType, 0, f[6]);
}

void QueryEffect(DeviceCore& c, const CommandFrame& f, Reaction& out) {
  if (!c.state.ValidOutput(f[6])) return out.Reject("no such output");
  out.Frame(kQuerySwitching, 0x01, c.state.Output(f[6]).effect, 0, f[6]);
}

void QueryTime(DeviceCore& c, const CommandFrame& f, Reaction& out) {
  if (!c.state.ValidOutput(f[6])) return out.Reject("no such output");
  out.Frame(kQuerySwitching, 0x02, c.state.Output(f[6]).time, 0, f[6]);
}

constexpr CommandRow kRows[] = {
    {kInputType, 0x01, SetType},       {kInputType, 0x0E, Auto},
    {kInputType, 0x0F, Scaler},        {kSwitching, 0x01, SetEffect},
    {kSwitching, 0x02, SetTime},       {kQueryType, 0x01, QueryType},
    {kQuerySwitching, 0x01, QueryEffect}, {kQuerySwitching, 0x02, QueryTime},
};

}  // namespace

std::span<const CommandRow> SignalCommands() { return kRows; }

}  // namespace velantor::sim
