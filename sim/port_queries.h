// Where each port query names its port, so the "misport" fault can answer a query as if it
// had named the neighbouring port instead.
#pragma once

#include <cstddef>
#include <cstdint>

#include "link/command_frame.h"
#include "sim/device_state.h"

namespace velantor::sim {

struct PortQuery {
  uint8_t op;
  uint8_t sub;
  size_t portByte;  // the byte that names the port, in the request and in the answer
  bool input;       // an input port (else an output)
};

// The port query a frame is, or nullptr for any other command.
const PortQuery* FindPortQuery(uint8_t op, uint8_t sub);

// The port next to n among 1..count: n + 1, or n - 1 for the last one; 0 when n is not a port
// or there is no other.
int NeighbourPort(int n, int count);

// Points a port query at the neighbouring port. Returns that port, or 0 (frame unchanged) when
// the frame is not a port query of this device or the device has no other port on that side.
int RedirectPortQuery(const DeviceState& state, CommandFrame& frame);

}  // namespace velantor::sim
