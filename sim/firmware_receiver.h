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

  // Handles a frame with opcode 0x20. `refuse` answers every start with the refusal 0x44.
  void OnFrame(const CommandFrame& frame, bool refuse, Reaction& out);
  // Handles the raw block announced by the last header.
  void OnBlock(const std::vector<uint8_t>& block, Reaction& out);

  Stage CurrentStage() const { return stage_; }
  int ActivePart() const { return part_; }
  const Part& PartData(int part) const { return parts_[part - 1]; }
  // The part's data as written: blocks in number order, blocks never written (the banks'
  // skipped tails) filled with `fill`. Empty when no block was accepted.
  std::vector<uint8_t> Assembled(int part, uint8_t fill = 0xFF) const;
  int Refusals() const { return refusals_; }
  int PanelStarts() const { return panelStarts_; }
  int OutOfOrder() const { return outOfOrder_; }

 private:
  void Start(int part, uint8_t readySub, uint8_t readyValue, bool refuse, Reaction& out);
  void Header(const CommandFrame& frame, bool last, Reaction& out);
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
};

}  // namespace velantor::sim
