// Routing: which input each output shows (opcode 0x02).
#include "sim/command_table.h"

namespace velantor::sim {

namespace {

constexpr uint8_t kOp = 0x02;

void QueryRoute(DeviceCore& c, const CommandFrame& f, Reaction& out) {
  const int o = f[4];
  if (!c.state.ValidOutput(o)) return out.Reject("no such output");
  out.Frame(kOp, 0x01, f[4], 0, c.state.Output(o).route);
}

void SwitchAll(DeviceCore& c, const CommandFrame& f, Reaction& out) {
  const int i = f[4];
  uint8_t status = c.state.ValidInput(i) ? c.Refusal() : kBadValue;
  if (status == 0) {
    for (int o = 1; o <= c.state.identity.outputs; ++o) c.state.Output(o).route = f[4];
  }
  out.Frame(kOp, 0x02, status, 0, f[4]);
}

// An output the device does not have stays silent; an input it does not have is refused.
void SwitchOne(DeviceCore& c, const CommandFrame& f, Reaction& out) {
  const int i = f[4];
  const int o = f[6];
  if (!c.state.ValidOutput(o)) return out.Reject("no such output");
  uint8_t status = c.state.ValidInput(i) ? c.Refusal() : kBadValue;
  if (status == 0) c.state.Output(o).route = f[4];
  out.Frame(kOp, 0x03, status, 0, f[6]);
}

constexpr CommandRow kRows[] = {
    {kOp, 0x01, QueryRoute},
    {kOp, 0x02, SwitchAll},
    {kOp, 0x03, SwitchOne},
};

}  // namespace

std::span<const CommandRow> RoutingCommands() { return kRows; }

}  // namespace velantor::sim
