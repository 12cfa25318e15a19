// The merge of up to four microcontroller images (main, slave MCU1, IR MCU2, panel MCU3) into one
// firmware file: its generated name, the lines it adds to the message log, and its refusals.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "pages/firmware/firmware_file.h"

namespace velantor {

// One source of the merge, indexed by part - 1 (main, slave, IR, panel).
struct MergeSource {
  std::string path;            // the text of the source's path box; empty: the source is absent
  std::vector<uint8_t> image;  // the bytes read when the file was opened
};
using MergeSources = std::array<MergeSource, kFirmwarePartCount>;

// Whether a chosen file is taken for the source of `part`: the main image may have any name, the
// others only names ending in ".bin" (exact case).
bool AcceptsMcuImagePath(int part, const std::string& path);

struct McuImageRead {
  std::vector<uint8_t> image;
  std::string error;  // one sentence for the operator, empty when read
};
// Reads a source image of at most kMcuImageLimit bytes.
McuImageRead ReadMcuImage(const std::string& path);

struct MergeResult {
  std::string log;         // lines appended to the message log, each ending in "\r\n"
  std::string outputPath;  // where the merged file goes
  std::vector<uint8_t> file;  // the scrambled file
  std::string error;       // why nothing was written, empty on success
  bool ok() const { return error.empty(); }
};

// Everything but the write: the collection lines, the output path and the file's bytes. Refuses
// when no source is present, an image is empty or too long, the file would be too long, or a
// slave or IR image holds the marker of a later part (the upgrade would end that part there and
// write the rest of the image into another microcontroller).
MergeResult PlanMerge(const MergeSources& sources);

// PlanMerge, then the write, then the completion line.
MergeResult MergeFirmware(const MergeSources& sources);

}  // namespace velantor
