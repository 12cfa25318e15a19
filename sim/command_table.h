// The device's dispatch table: (opcode, sub-command) to the handler that answers it. Each
// group of commands lives in its own handlers_*.cpp and lists its rows there.
#pragma once

#include <cstdint>
#include <span>

#include "sim/device_core.h"

namespace velantor::sim {

struct CommandRow {
  uint8_t op;
  uint8_t sub;
  CommandHandler handler;
};

std::span<const CommandRow> InfoCommands();      // 0x01
std::span<const CommandRow> RoutingCommands();   // 0x02
std::span<const CommandRow> EdidCommands();      // 0x03
std::span<const CommandRow> OptionCommands();    // 0x05, 0x06, 0x0C, 0x13 to 0x16
std::span<const CommandRow> SignalCommands();    // 0x0A, 0x0B, 0x90, 0x98
std::span<const CommandRow> FirmwareCommands();  // 0x20

// The handler for a frame, or nullptr for a command the device does not know.
CommandHandler FindHandler(uint8_t op, uint8_t sub);

// Handles a 290-byte EDID block that followed a download header.
void HandleEdidBlock(DeviceCore& core, const std::vector<uint8_t>& block, Reaction& out);

}  // namespace velantor::sim
