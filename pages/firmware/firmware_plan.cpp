#include "pages/firmware/firmware_plan.h"

#include <algorithm>
#include <numeric>

#include "link/protocol.h"

namespace velantor {

namespace {

namespace p = protocol;

struct PartStart {
  uint8_t sub;
  uint8_t value;
};
// Part 3 is started through part 2's channel; its headers and replies then use its own number.
constexpr PartStart kStarts[kFirmwarePartCount] = {
    {p::kFwPart1, p::kFwStart},
    {p::kFwPart2, p::kFwStart},
    {p::kFwPart2, p::kFwStartPart3},
    {p::kFwPart4, p::kFwStart},
};

std::string CheckParts(const FirmwareFile& file) {
  const size_t size = file.image.size();
  if (size > kFirmwareFileLimit) return "The firmware image is larger than the image buffer.";
  if (file.parts.empty()) return "No firmware file is loaded.";
  size_t expectedOffset = 0;
  int previous = 0;
  for (const FirmwarePart& part : file.parts) {
    const FirmwarePartInfo* info = FindPartInfo(part.part);
    const std::string where = "Firmware part " + std::to_string(part.part) + " at offset " +
                              std::to_string(part.markerOffset);
    if (!info || part.part <= previous) return where + " is out of order.";
    if (part.markerOffset != expectedOffset) return where + " does not follow the previous part.";
    if (part.dataBegin != part.markerOffset + kFirmwareMarkerSize || part.dataEnd > size ||
        part.dataBegin >= part.dataEnd) {
      return where + " does not lie inside the image.";
    }
    if (!std::equal(info->marker, info->marker + kFirmwareMarkerSize, file.image.begin() + part.markerOffset)) {
      return where + " does not start with its marker.";
    }
    // Only the main image's blocks wrap past index 240 (the switcher skips the rest of that bank);
    // the other parts count their blocks in one byte without a wrap, so a longer one would lose data.
    if (part.part != 1 && part.DataLength() >= kUnwrappedPartLimit) {
      return where + " holds " + std::to_string(part.DataLength()) + " bytes; a part other than the main image holds at most " +
             std::to_string(kUnwrappedPartLimit - 1) + ".";
    }
    previous = part.part;
    expectedOffset = part.dataEnd;
  }
  if (expectedOffset != size) return "The firmware parts do not cover the whole image.";
  return {};
}

FirmwareBlock FillBlock(const std::vector<uint8_t>& image, size_t begin, size_t end) {
  FirmwareBlock block;
  block.fill(kFirmwareFill);
  if (begin < end) std::copy(image.begin() + begin, image.begin() + std::min(end, begin + kFirmwareBlockData), block.begin() + 1);
  block[0] = FirmwareBlockChecksum(block.data() + 1);
  return block;
}

CommandFrame BlockHeader(uint8_t channel, int index, bool last) {
  if (last) return forms::FirmwareMarked(p::kOpFirmware, channel, p::kFwLastBlockHeader, 0, 1, index);
  return forms::FirmwareBlock(p::kOpFirmware, channel, p::kFwBlockHeader, 1, 1, index, index);
}

FirmwarePartPlan PlanPart(const FirmwareFile& file, const FirmwarePart& part) {
  FirmwarePartPlan plan;
  plan.part = part.part;
  plan.channel = static_cast<uint8_t>(part.part);
  plan.dataBegin = part.dataBegin;
  plan.dataEnd = part.dataEnd;
  plan.start = FirmwarePartStart(part.part);
  if (part.part == 1) {
    plan.preparations = {forms::FirmwareBlock(p::kOpFirmware, p::kFwPart1, p::kFwPrepare1, 0, 0, 0, 0),
                         forms::FirmwareBlock(p::kOpFirmware, p::kFwPart1, p::kFwPrepare2, 0, 0, 0, 0)};
  }
  const size_t length = part.DataLength();
  // One block more than the whole blocks of data: a part whose length is a multiple of 256 ends
  // with a block of fill, which the device takes as it always has.
  const int total = static_cast<int>(length / kFirmwareBlockData);
  // When the part ends inside a bank's skipped tail, the bank's block 240 is the last one sent.
  const int last = total % kBankBlocks > kWrapIndex ? total - total % kBankBlocks + kWrapIndex : total;
  for (int number = 0; number <= last; ++number) {
    if (number % kBankBlocks > kWrapIndex) continue;
    FirmwareBlockStep step;
    step.number = number;
    step.last = number == last;
    step.header = BlockHeader(plan.channel, step.Index(), step.last);
    const size_t offset = static_cast<size_t>(number) * kFirmwareBlockData;
    step.block = FillBlock(file.image, part.dataBegin + offset, part.dataEnd);
    step.progress = std::min(length, offset + kFirmwareBlockData);
    plan.blocks.push_back(step);
  }
  for (size_t offset = 0; offset < length; offset += kFirmwareBlockData) {
    if ((offset / kFirmwareBlockData) % kBankBlocks > kWrapIndex) {
      plan.skippedBytes += std::min(length - offset, kFirmwareBlockData);
    }
  }
  return plan;
}

}  // namespace

bool FirmwareBlockStep::IsAcknowledgedBy(const CommandFrame& reply) const {
  return reply.HasStartPair() && reply[2] == p::kOpFirmware && reply[3] == header[3] && reply[4] == p::kAccepted &&
         reply[7] == 1 && reply[8] == 1 && reply[9] == header[9] && reply[10] == header[10];
}

bool FirmwarePartPlan::IsFinalAcknowledgement(const CommandFrame& reply) const {
  return reply.HasStartPair() && reply[2] == p::kOpFirmware && reply[3] == channel && reply[4] == p::kAccepted &&
         reply[6] == p::kFwMarker && reply[7] == 0 && reply[8] == 1;
}

FirmwarePlanResult PlanFirmwareUpgrade(const FirmwareFile& file) {
  FirmwarePlanResult result;
  result.error = CheckParts(file);
  if (!result.ok()) return result;
  for (const FirmwarePart& part : file.parts) {
    FirmwarePartPlan plan = PlanPart(file, part);
    result.plan.totalBytes += plan.DataLength();
    result.plan.totalBlocks += plan.blocks.size();
    result.plan.parts.push_back(std::move(plan));
  }
  return result;
}

CommandFrame FirmwarePartStart(int part) {
  const PartStart& s = kStarts[std::clamp(part, 1, kFirmwarePartCount) - 1];
  return forms::FirmwareBlock(p::kOpFirmware, s.sub, s.value, 0, 0, 0, 0);
}

CommandFrame FirmwareDeviceQuery(uint8_t sub) {
  return forms::FirmwareBlock(p::kOpDeviceInfo, sub, 0, 0, 0, 0, 0);
}

uint8_t FirmwareBlockChecksum(const uint8_t* data256) {
  const unsigned sum = std::accumulate(data256, data256 + kFirmwareBlockData, 0u);
  return static_cast<uint8_t>(0u - sum);
}

}  // namespace velantor
