// EDIDs the emulated switcher holds (built-in modes, attached displays, user memories) and the
// layout check of a downloaded 290-byte EDID block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "sim/device_state.h"

namespace velantor::sim {

constexpr size_t kEdidBlockSize = 290;   // 0x00, 256 EDID bytes, 33 x 0x00
constexpr uint8_t kUserEdidCode = 0x40;  // status code of a downloaded EDID ("User define")

// A valid two-block EDID (base + CEA extension, both sums 0) named `name` (up to 13 chars).
EdidBytes MakeEdid(const std::string& name, uint8_t serial);

// The status code an input reports after built-in EDID mode `mode`; nullopt for modes the
// device does not have.
std::optional<uint8_t> BuiltInModeCode(int mode);
// The EDID of a built-in mode (only for modes BuiltInModeCode knows).
EdidBytes BuiltInModeEdid(int mode);
// Status code after copying the EDID of output o (15 for the first output).
uint8_t CopiedEdidCode(int output);

// Checks a downloaded block: lead byte 0, the EDID header, the base block sum, at most one
// extension with its sum, and 33 trailing zeros. Returns the EDID or a reason for refusing it.
struct EdidBlockVerdict {
  std::optional<EdidBytes> edid;
  std::string reason;  // empty when accepted
};
EdidBlockVerdict CheckEdidBlock(const uint8_t* block, size_t length);

}  // namespace velantor::sim
