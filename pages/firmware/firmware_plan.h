// What an upgrade writes, worked out before the first frame goes out: for each part of a loaded
// firmware file, in file order, its start frame, its preparation frames, and every block header
// with its 257-byte block, plus the totals for the progress bar. The page walks this plan one
// exchange at a time; nothing here sends, waits or keeps time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "link/command_frame.h"
#include "pages/firmware/firmware_file.h"

namespace velantor {

inline constexpr size_t kFirmwareBlockData = 256;
inline constexpr size_t kFirmwareBlockLength = kFirmwareBlockData + 1;  // checksum byte first
// The device keeps 241 blocks of every 256-block bank: after block index 240 (sent as B0 01) the
// writer goes on at index 0 of the next bank, and the image's blocks 241 to 255 of the bank are
// not sent.
inline constexpr int kBankBlocks = 256;
inline constexpr int kWrapIndex = 240;
// Data bytes from which a part other than the main image would reach the wrap index (241 blocks).
inline constexpr size_t kUnwrappedPartLimit = (kWrapIndex + 1) * 256;
// Block bytes past the end of a part: the value of erased flash, never the next part's bytes.
inline constexpr uint8_t kFirmwareFill = 0xFF;

using FirmwareBlock = std::array<uint8_t, kFirmwareBlockLength>;

struct FirmwareBlockStep {
  int number = 0;  // position in the part, in blocks: bank * 256 + index
  bool last = false;
  CommandFrame header;  // announces the block; sent again with it after a time-out
  FirmwareBlock block{};
  size_t progress = 0;  // bytes of the part covered once this block is sent (skipped tails included)

  int Index() const { return number % kBankBlocks; }
  // The device's "block accepted" reply: 20 <channel> 00 00 00 01 01 with bytes 9 and 10 of the
  // header. Any other frame does not move the write on.
  bool IsAcknowledgedBy(const CommandFrame& reply) const;
};

struct FirmwarePartPlan {
  int part = 0;
  uint8_t channel = 0;  // byte 3 of the part's headers and replies (the part's number)
  size_t dataBegin = 0;
  size_t dataEnd = 0;
  CommandFrame start;                      // announces the part
  std::vector<CommandFrame> preparations;  // part 1 only: 20 01 80, then 20 01 10
  std::vector<FirmwareBlockStep> blocks;
  size_t skippedBytes = 0;  // image bytes of the part in banks' skipped tails, never sent

  size_t DataLength() const { return dataEnd - dataBegin; }  // the progress bar's range
  // The device's reply after the last block: 20 <channel> 00 00 FE 00 01.
  bool IsFinalAcknowledgement(const CommandFrame& reply) const;
};

struct FirmwarePlan {
  std::vector<FirmwarePartPlan> parts;  // in the order they are written
  size_t totalBytes = 0;                // sum of the parts' data lengths
  size_t totalBlocks = 0;
};

struct FirmwarePlanResult {
  FirmwarePlan plan;
  std::string error;  // why the file's parts cannot be written, empty when planned
  bool ok() const { return error.empty(); }
};

// Checks that the parts lie inside the image, one after another from offset 0, each behind its
// own marker and not empty, then plans them.
FirmwarePlanResult PlanFirmwareUpgrade(const FirmwareFile& file);

// The frames of the block exchange, as the device reads them. Both carry 0x40 in byte 9 and no
// block index: the B0 01 of index 240 belongs to block headers only.
// Part 1 to 4: 20 01 01 / 20 02 01 / 20 02 03 / 20 04 01.
CommandFrame FirmwarePartStart(int part);
CommandFrame FirmwareDeviceQuery(uint8_t sub);  // 01 <sub>: device type (also the reboot check), size, version

// A block's checksum byte: all 257 bytes add up to 0 modulo 256.
uint8_t FirmwareBlockChecksum(const uint8_t* data256);

}  // namespace velantor
