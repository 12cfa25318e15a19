#include "pages/firmware/firmware_merge.h"

#include <cstdio>
#include <string_view>

#include "app/file_access.h"

namespace velantor {

namespace {

struct SourceText {
  const char* label;     // precedes the path in the log
  const char* saveLine;  // follows it
  const char* suffix;    // in the merged file's name
};
// By part - 1. "Plane" is the panel's label as the log has always shown it.
constexpr SourceText kTexts[kFirmwarePartCount] = {
    {"Main MCU firmware:", "Save MCU firmware Merged,Ver0.0", "_mm0.0"},
    {"Slave MCU1 firmware:", "Save MCU1 firmware Merged,Ver0.0", "_ms0.0"},
    {"IR MCU2 firmware:", "Save MCU2 firmware Merged,Ver0.0", "_ir0.0"},
    {"Plane MCU3 firmware:", "Save MCU3 firmware Merged,Ver0.0", "_pnl0.0"},
};
constexpr const char* kMainOnlyName = "Zivuve44";
constexpr const char* kMergedName = "Zarara88";
constexpr const char* kExtension = ".fw";
constexpr const char* kCompletion = "Firmware merged complete,save to file:";
constexpr const char* kLineEnd = "\r\n";

// The folder of a path, with its trailing separator; empty for a bare file name. Cut at the last
// separator rather than by removing the file's name, which may also occur in the folder's name.
std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string Hex2(uint8_t value) {
  char text[4];
  std::snprintf(text, sizeof text, "%02X", value);
  return text;
}

// A slave or IR image must not hold a later part's marker: the upgrade finds a part's end by it.
std::string CheckInnerMarkers(const FirmwareSection& s) {
  if (s.part == 1 || s.part == kFirmwarePartCount) return {};  // these parts run to the end of the file
  const size_t at = FindLaterMarker(s.image, s.part, 0);
  if (at == kNoMarker) return {};
  const FirmwarePartInfo* later = FindPartInfo(PartOfMarker(s.image[at], s.image[at + 1]));
  return std::string("The ") + FindPartInfo(s.part)->name + " image holds the " + later->name + " marker " +
         Hex2(later->marker[0]) + " " + Hex2(later->marker[1]) + " at byte " + std::to_string(at) +
         "; the upgrade would end the " + FindPartInfo(s.part)->name + " part there, so it cannot be merged.";
}

}  // namespace

bool AcceptsMcuImagePath(int part, const std::string& path) {
  constexpr std::string_view kBin = ".bin";
  return part == 1 || (path.size() >= kBin.size() && path.compare(path.size() - kBin.size(), kBin.size(), kBin) == 0);
}

McuImageRead ReadMcuImage(const std::string& path) {
  DiskRead read = ReadBoundedFile(path, kMcuImageLimit);
  if (read.status != DiskRead::Status::kOk) return {{}, std::move(read.reason)};
  if (read.bytes.empty()) return {{}, path + " is empty."};
  return {std::move(read.bytes), {}};
}

MergeResult PlanMerge(const MergeSources& sources) {
  MergeResult result;
  std::vector<FirmwareSection> sections;
  std::string suffixes;
  int lastPart = 0;
  for (int part = 1; part <= kFirmwarePartCount; ++part) {
    const MergeSource& source = sources[part - 1];
    if (source.path.empty()) continue;
    const SourceText& text = kTexts[part - 1];
    result.log += text.label + source.path + kLineEnd + text.saveLine + kLineEnd;
    suffixes += text.suffix;
    sections.push_back({part, source.image});
    lastPart = part;
  }
  if (sections.empty()) {
    result.error = "No firmware image was chosen to merge.";
    return result;
  }
  FirmwareAssembly assembly = AssembleFirmware(sections);
  if (!assembly.ok()) result.error = assembly.error;
  for (size_t i = 0; i < sections.size() && result.ok(); ++i) result.error = CheckInnerMarkers(sections[i]);
  if (!result.ok()) {
    result.log.clear();  // nothing is merged, so nothing is reported as saved
    return result;
  }
  const char* name = lastPart == 1 ? kMainOnlyName : kMergedName;
  result.outputPath = FolderOf(sources[lastPart - 1].path) + name + suffixes + kExtension;
  ScrambleFirmware(assembly.plain);
  result.file = std::move(assembly.plain);
  return result;
}

MergeResult MergeFirmware(const MergeSources& sources) {
  MergeResult result = PlanMerge(sources);
  if (!result.ok()) return result;
  result.error = WriteWholeFile(result.outputPath, result.file);
  if (result.ok()) {
    result.log += kCompletion + result.outputPath + kLineEnd;
  } else {
    result.log.clear();
  }
  return result;
}

}  // namespace velantor
