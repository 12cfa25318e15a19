// The merge of up to four microcontroller images: the input is cut into the four sources (a
// length byte each, times 4, 0 leaving the source absent), and whatever the merge accepts must
// load back in the upgrade with the same bytes.
#include <cstdint>
#include <vector>

#include "fuzz_input.h"
#include "pages/firmware/firmware_file.h"
#include "pages/firmware/firmware_merge.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace velantor;
  fuzz::FuzzInput in(data, size);
  MergeSources sources;
  for (int i = 0; i < kFirmwarePartCount; ++i) {
    const size_t length = in.Byte() * 4u;
    if (length == 0) continue;
    auto image = in.Take(length);
    sources[static_cast<size_t>(i)].path = i == 0 ? "/tmp/main.hex" : "/tmp/part" + std::to_string(i) + ".bin";
    sources[static_cast<size_t>(i)].image.assign(image.begin(), image.end());
  }
  auto merged = PlanMerge(sources);
  if (!merged.ok()) return 0;
  auto loaded = ParseFirmware(merged.file, merged.outputPath);
  if (!loaded.file) __builtin_trap();
  // The file holds the present sources behind their markers, in part order, and nothing else.
  std::vector<FirmwareSection> sections;
  for (int i = 0; i < kFirmwarePartCount; ++i) {
    const auto& image = sources[static_cast<size_t>(i)].image;
    if (!image.empty()) sections.push_back({i + 1, image});
  }
  auto expected = AssembleFirmware(sections);
  if (!expected.ok() || loaded.file->image != expected.plain) __builtin_trap();
  // Without a main image each source is a part of its own.
  if (sources[0].image.empty() && loaded.file->parts.size() != sections.size()) __builtin_trap();
  return 0;
}
