// The receive policies of the four pages, restated for the collector tests.
#pragma once

#include "link/frame_collectors.h"

namespace velantor::testing::policies {

// General: frames only are counted; over TCP one line per frame; idle frames are thrown away.
inline const CollectorPolicy kGeneral{true, false, false, true, CollectorPolicy::Idle::kDiscardFrames};
// EDID: every serial byte is counted; over TCP one line per frame.
inline const CollectorPolicy kEdid{true, true, false, true, CollectorPolicy::Idle::kDiscardFrames};
// Matrix: TCP bytes are logged as read, and dropped outside the page's polling.
inline const CollectorPolicy kMatrix{true, false, true, false, CollectorPolicy::Idle::kDropBytes};
// FW Upgrade: no received text at all.
inline const CollectorPolicy kFirmware{false, true, false, false, CollectorPolicy::Idle::kDiscardFrames};

}  // namespace velantor::testing::policies
