// The named fault switches of the emulator and the counters that tests assert on.
#pragma once

#include <cstdint>

namespace velantor::sim {

struct FaultKnobs {
  int dropNext = 0;       // replies still to swallow
  int dropEvery = 0;      // swallow every n-th reply (0: off)
  int delayMs = 0;        // hold every reply this long
  int corruptNext = 0;    // replies still to send with a wrong checksum
  uint8_t status = 0;     // non-zero: set commands are refused with this status
  bool refuseFirmware = false;  // firmware starts answer 0x44
  int splitBytes = 0;     // stream front ends: send replies in pieces of this size (0: off)
  int joinCount = 0;      // stream front ends: send this many replies as one segment (0/1: off)
  int splitGapMs = 2;     // time between the pieces of a split reply
  int joinFlushMs = 20;   // a join that waits longer than this goes out short
  int dupNext = 0;        // replies still to send twice
  int muteSetsNext = 0;   // set commands still to carry out without answering them
  int misportNext = 0;    // port queries still to answer as if for the neighbouring port
  int lateNext = 0;       // replies still to hold back by lateMs
  int lateMs = 0;         // how long each of those is held
  int edidResult = -1;    // 0-255: every EDID download answers with this result byte (-1: off)
  int fwDropFinal = 0;    // firmware final acknowledgements still to swallow
  bool fwTrueIndex = false;  // acknowledge firmware blocks with 40 and the true index, not the echo
  int fwRefuseHeader = 0;    // refuse the n-th firmware header from now with 0x44 (0: off)
  int fwCloseAtReboot = 0;   // reboots still to drop the TCP connections at
};

struct ModelCounters {
  int framesReceived = 0;     // frames with a good checksum
  int badFrames = 0;          // start pair right, checksum wrong: not answered
  int garbageBytes = 0;       // skipped while looking for a start pair
  int unknownFrames = 0;      // commands the device does not know: not answered
  int rejectedRequests = 0;   // known commands refused without an answer (no such port, ...)
  int edidBlocks = 0;
  int badEdidBlocks = 0;
  int firmwareBlocks = 0;
  int badFirmwareBlocks = 0;
  int blockTimeouts = 0;      // a raw block that stopped half way
  int ignoredInStandby = 0;
  int ignoredWhileRebooting = 0;
  int standbyReports = 0;
  int reboots = 0;
  int repliesSent = 0;        // handed to a front end
  int repliesDropped = 0;
  int repliesCorrupted = 0;
  int repliesDelayed = 0;
  int statusOverrides = 0;    // set commands refused through FaultKnobs::status
  int firmwareRefusals = 0;   // 0x44 answers
  int closeRequests = 0;
  int repliesDuplicated = 0;  // sent a second time through FaultKnobs::dupNext
  int repliesMuted = 0;       // answers to set commands that were carried out, swallowed
  int repliesMisported = 0;   // port queries answered for the wrong port
  int repliesLate = 0;        // held back through FaultKnobs::lateNext
  int firmwareBadHeaders = 0;  // block headers in neither form
  int firmwareIndexGaps = 0;   // headers naming neither the next block nor the last again
  int firmwareRewrites = 0;    // blocks written a second time
  int firmwareAfterLast = 0;   // headers after a part's marked last block
  int closesAtReboot = 0;      // connections dropped through FaultKnobs::fwCloseAtReboot
};

}  // namespace velantor::sim
