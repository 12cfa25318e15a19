// Firmware write frames (opcode 0x20, one sub-command per part) go to the firmware receiver.
#include "sim/command_table.h"

namespace velantor::sim {

namespace {

void Firmware(DeviceCore& c, const CommandFrame& f, Reaction& out) {
  c.firmware.OnFrame(f, c.firmwareFaults, out);
}

constexpr CommandRow kRows[] = {
    {0x20, 0x01, Firmware},
    {0x20, 0x02, Firmware},
    {0x20, 0x03, Firmware},
    {0x20, 0x04, Firmware},
};

}  // namespace

std::span<const CommandRow> FirmwareCommands() { return kRows; }

}  // namespace velantor::sim
