// The device's inner state as the command handlers see it: the stored state, the EDID download
// in progress, the firmware receiver, and the status override that makes set commands fail.
#pragma once

#include <cstdint>

#include "link/command_frame.h"
#include "sim/device_state.h"
#include "sim/firmware_receiver.h"
#include "sim/reaction.h"

namespace velantor::sim {

struct EdidDownload {
  uint8_t sub = 0;  // 0x06 all inputs, 0x07 one input, 0 none announced
  int input = 0;    // target of a one-input download
  uint8_t headerSub = 0;  // the sub-command of the block header; the result answers with it
};

struct DeviceCore {
  DeviceState state = MakeDeviceState();
  EdidDownload edidDownload;
  FirmwareReceiver firmware;
  uint8_t statusOverride = 0;  // non-zero: set commands are refused with this status
  FirmwareFaults firmwareFaults;  // the model's firmware knobs, copied in and out around a handler
  int edidResult = -1;  // 0-255: the result byte every download answers with
  int handshakes = 0;
  int statusOverrides = 0;  // refusals caused by statusOverride
  int setCommands = 0;      // set commands with a valid value, whatever their answer

  // The status a set command answers with; counts forced refusals.
  uint8_t Refusal() {
    ++setCommands;
    if (statusOverride != 0) ++statusOverrides;
    return statusOverride;
  }
};

// A handler answers one (opcode, sub-command) pair.
using CommandHandler = void (*)(DeviceCore& core, const CommandFrame& frame, Reaction& out);

// Status a device answers a set command with when a value is out of range.
constexpr uint8_t kBadValue = 0x01;
constexpr uint8_t kOnValue = 0x0F;
constexpr uint8_t kOffValue = 0xF0;
constexpr uint8_t kReportOff = 0xFF;

}  // namespace velantor::sim
