// EDID files and EDIDs read from the switcher: the file checks, the decoder and its text, and the
// data block built from an accepted file, on any bytes of any length.
#include <cstdint>
#include <span>

#include "pages/edid/edid_decode.h"
#include "pages/edid/edid_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace velantor;
  std::span<const uint8_t> bytes(data, size);
  auto info = DecodeEdid(bytes);
  auto lines = DescribeEdid(info);
  if (info.preferredTiming) {
    lines.push_back(ResolutionText(*info.preferredTiming));
    lines.push_back(RefreshText(*info.preferredTiming));
  }
  auto loaded = CheckEdidFileBytes(bytes, "fuzz.bin");
  if (loaded.file) {
    auto block = BuildEdidDataBlock(*loaded.file);
    // What an accepted file downloads decodes as an EDID with a sound base block.
    auto again = DecodeEdid(std::span<const uint8_t>(block.data() + 1, protocol::kEdidDataSize));
    if (!again.headerOk || again.blocks.empty() || !again.blocks[0].ChecksumOk()) __builtin_trap();
  }
  return 0;
}
