// The device side of a firmware write: part start and preparation exchanges, block headers and
// their 257-byte blocks (checksum verified, acknowledged with the block index), the bank wrap
// at block index 240, the final acknowledgement and the restart after parts 1 and 2. Part 3
// ends with the acknowledgement of its last block; part 4's start is taken without an answer
// and nothing of part 4 is written. It keeps every block it accepted so a test can compare the
// assembled part with the image it sent.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <vector>

#include "link/command_frame.h"
#include "sim/reaction.h"

namespace velantor::sim {

constexpr size_t kFirmwareBlockSize = 257;  // checksum byte + 256 data bytes
constexpr int kFirmwareParts = 4;

// The fault knobs of a write; the counts are used up as the receiver acts on them.
struct FirmwareFaults {
  bool refuseStarts = false;  // every part start is answered 0x44
  bool trueIndex = false;     // acknowledge with 40 and the block's true index, not the header's echo
  int refuseHeader = 0;       // the n-th header from now is refused with 0x44 and the write abandoned
  int dropFinal = 0;          // final acknowledgements still to swallow (the device still restarts)
};

class FirmwareReceiver {
 public:
  enum class Stage {
    kIdle,
    kAwaitPrepare,        // part 1 started: 0x80 preparation due
    kAwaitSecondPrepare,  // part 1: 0x10 preparation due
    kReady,               // headers and blocks may come
    kAwaitBlock,          // a header came; its block is due
  };

  struct Part {
    std::map<int, std::array<uint8_t, 256>> blocks;  // by block number (bank * 256 + index)
    int blocksAccepted = 0;  // resends included
    int badBlocks = 0;
    bool complete = false;   // the last block was accepted
  };

  // Handles a frame with opcode 0x20.
  void OnFrame(const CommandFrame& frame, FirmwareFaults& faults, Reaction& out);
  // Handles the raw block announced by the last header.
  void OnBlock(const std::vector<uint8_t>& block, FirmwareFaults& faults, Reaction& out);

  Stage CurrentStage() const { return stage_; }
  int ActivePart() const { return part_; }
  const Part& PartData(int part) const { return parts_[part - 1]; }
  // The part's data as written: blocks in number order, blocks never written (the banks'
  // skipped tails) filled with `fill`. Empty when no block was accepted.
  std::vector<uint8_t> Assembled(int part, uint8_t fill = 0xFF) const;
  int Refusals() const { return refusals_; }
  int PanelStarts() const { return panelStarts_; }
  int OutOfOrder() const { return outOfOrder_; }
  // Headers in neither form (20 0p AA 00 00 01 01 40|B0 b 00, 20 0p 56 00 FE 00 01 40 b 00):
  // not answered, no block expected.
  int BadHeaders() const { return badHeaders_; }
  // Headers naming neither the next block nor the last one again (a skipped or repeated index).
  int IndexGaps() const { return indexGaps_; }
  // Blocks written where one had been written before (resends after a lost acknowledgement).
  int Rewrites() const { return rewrites_; }
  // Headers that came for a part after its marked last block.
  int AfterLast() const { return afterLast_; }

 private:
  void Start(int part, uint8_t readySub, uint8_t readyValue, bool refuse, Reaction& out);
  void Header(const CommandFrame& frame, bool last, FirmwareFaults& faults, Reaction& out);
  void Refuse(uint8_t sub, Reaction& out);

  Stage stage_ = Stage::kIdle;
  int part_ = 0;
  int bank_ = 0;
  // The header whose block is due, and the last block accepted (to recognise resends).
  struct HeaderInfo {
    uint8_t b9 = 0;
    uint8_t b10 = 0;
    int number = -1;
    bool wrap = false;
    bool last = false;
  };
  HeaderInfo pending_;
  HeaderInfo lastAccepted_;
  std::array<Part, kFirmwareParts> parts_{};
  int refusals_ = 0;
  int outOfOrder_ = 0;
  int panelStarts_ = 0;
  int badHeaders_ = 0;
  int indexGaps_ = 0;
  int rewrites_ = 0;
  int afterLast_ = 0;
};

}  // namespace velantor::sim
