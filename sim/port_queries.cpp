#include "sim/port_queries.h"

namespace velantor::sim {

namespace {

constexpr PortQuery kQueries[] = {
    {0x01, 0x04, 4, true},   // input link
    {0x01, 0x05, 4, false},  // output link
    {0x01, 0x0C, 4, true},   // input EDID status
    {0x02, 0x01, 4, false},  // route of an output
    {0x90, 0x01, 6, true},   // input signal type
    {0x98, 0x01, 6, false},  // switching effect
    {0x98, 0x02, 6, false},  // switching time
};

}  // namespace

const PortQuery* FindPortQuery(uint8_t op, uint8_t sub) {
  for (const PortQuery& q : kQueries) {
    if (q.op == op && q.sub == sub) return &q;
  }
  return nullptr;
}

int NeighbourPort(int n, int count) {
  if (n < 1 || n > count || count < 2) return 0;
  return n < count ? n + 1 : n - 1;
}

int RedirectPortQuery(const DeviceState& state, CommandFrame& frame) {
  const PortQuery* query = FindPortQuery(frame.Opcode(), frame.Sub());
  if (!query) return 0;
  const int count = query->input ? state.identity.inputs : state.identity.outputs;
  const int other = NeighbourPort(frame[query->portByte], count);
  if (other == 0) return 0;
  frame[query->portByte] = static_cast<uint8_t>(other);
  SealFrame(frame);
  return other;
}

}  // namespace velantor::sim
