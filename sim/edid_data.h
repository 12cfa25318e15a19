// EDIDs the emulated switcher holds (built-in modes, attached displays, user memories) and the
// layout check of a downloaded 290-byte EDID block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/device_state.h"

namespace velantor::sim {

constexpr size_t kEdidBlockSize = 290;   // 0x00, 256 EDID bytes, 33 x 0x00
constexpr uint8_t kUserEdidCode = 0x40;  // status code of a downloaded EDID ("User define")
constexpr uint8_t kEdidReadLead = 0x00;  // the byte a read answer puts before the 256 EDID bytes

// A detailed timing as the EDID's first descriptor carries it (the preferred timing).
struct EdidTimingSpec {
  uint32_t pixelClockKHz;
  int hActive, hBlank, hSyncOffset, hSyncWidth;
  int vActive, vBlank, vSyncOffset, vSyncWidth;  // per field when interlaced
  bool interlaced;
  bool hSyncPositive;
  bool vSyncPositive;
};

// What an EDID says about its display: the preferred timing and, in the CTA-861 extension, the
// video codes (the first one native), LPCM channels (0: no audio, as for DVI) and whether it is
// an HDMI sink (vendor block with a physical address).
struct EdidProfile {
  EdidTimingSpec timing;
  std::vector<uint8_t> videoCodes;
  int lpcmChannels = 2;
  bool hdmi = true;
};

// The profile of a 1080p60 HDMI display with stereo audio.
const EdidProfile& DisplayProfile();

// A valid two-block EDID (base + CTA-861 extension, both sums 0) named `name` (up to 13 chars).
EdidBytes MakeEdid(const std::string& name, uint8_t serial, const EdidProfile& profile = DisplayProfile());

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

// Checks an EDID file's bytes (128 or 256, header, sums, at most one extension; a 128-byte EDID
// is padded with zeros). The same rules as the block check, for the console's loads.
EdidBlockVerdict CheckEdidFile(const std::vector<uint8_t>& bytes);

}  // namespace velantor::sim
