// Firmware files as the upgrade loads them: unscrambling, finding the parts, the check for a
// merged file behind a main image, and the plan of every frame and block the write would send.
// The input is the file's bytes as stored (scrambled); a first byte with bit 0 set has the
// harness scramble the rest, so the parser's marker check is passed often.
#include <cstdint>
#include <span>
#include <vector>

#include "pages/firmware/firmware_file.h"
#include "pages/firmware/firmware_plan.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace velantor;
  if (size == 0) return 0;
  std::vector<uint8_t> file(data + 1, data + size);
  if (data[0] & 1) ScrambleFirmware(file);
  auto loaded = ParseFirmware(file, "fuzz.fw");
  if (!loaded.file) return 0;
  const auto& image = loaded.file->image;
  FindImagesAfterMain(image);
  for (const auto& part : loaded.file->parts) FindLaterMarker(image, part.part, part.dataBegin);
  auto planned = PlanFirmwareUpgrade(*loaded.file);
  if (!planned.ok()) return 0;
  size_t covered = 0;
  for (const auto& part : planned.plan.parts) {
    for (const auto& step : part.blocks) {
      // Every block adds up to zero and its header is answered by its own acknowledgement only.
      uint8_t sum = 0;
      for (uint8_t b : step.block) sum = static_cast<uint8_t>(sum + b);
      if (sum != 0 || !step.header.ChecksumOk()) __builtin_trap();
    }
    if (!part.blocks.empty() && part.blocks.back().progress != part.DataLength()) __builtin_trap();
    covered += part.DataLength();
  }
  if (covered != planned.plan.totalBytes) __builtin_trap();
  return 0;
}
