// CUpgradePage, the "Merge FW" group: up to four microcontroller images (main, slave MCU1, IR MCU2,
// panel MCU3), each chosen with its own "Open", merged into one firmware file whose name says
// which images it holds. The layout hides the group; the page shows it.
#include "pages/firmware/upgrade_page.h"

namespace velantor {

namespace {
struct SourceCaptions {
  const char* caption;
  const char* version1;
  const char* version2;
};
constexpr std::array<SourceCaptions, kFirmwarePartCount> kCaptions{{
    {"main MCU FW", "Main Ver1", "Main Ver2"},
    {"Open Slave MCU1 FW", "Slave Ver1", "Slave Ver2"},
    {"Open IR MCU2 FW", "IR Ver1", "IR Ver2"},
    {"Open Panel MCU3 FW", "Panel Ver1", "Panel Ver2"},
}};
}  // namespace

void CUpgradePage::InitialiseMergeView() {
  for (size_t i = 0; i < merge_.sources.size(); ++i) {
    MergeSourceViewState& source = merge_.sources[i];
    source.caption = kCaptions[i].caption;
    source.version1Caption = kCaptions[i].version1;
    source.version2Caption = kCaptions[i].version2;
  }
}

// A file that is not taken leaves the source as it was, and the log says why.
void CUpgradePage::OnOpenMergeSource(int part, const std::string& path) {
  if (!FindPartInfo(part)) return;
  const size_t i = static_cast<size_t>(part - 1);
  const std::string name = FindPartInfo(part)->name;
  if (!AcceptsMcuImagePath(part, path)) {
    AppendLog("The " + name + " image is not taken: " + path + " is not a .bin file\r\n");
    Notify();
    return;
  }
  McuImageRead read = ReadMcuImage(path);
  if (!read.error.empty()) {
    AppendLog("The " + name + " image is not taken: " + read.error + "\r\n");
    Notify();
    return;
  }
  mergeSources_[i] = {path, std::move(read.image)};
  merge_.sources[i].path = path;
  Notify();
}

void CUpgradePage::OnMerge() {
  MergeResult result = MergeFirmware(mergeSources_);
  if (!result.ok()) {
    AppendLog("Merge failed: " + result.error + "\r\n");
    Notify();
    return;
  }
  AppendLog(result.log);
  for (size_t i = 0; i < mergeSources_.size(); ++i) {
    if (mergeSources_[i].path.empty()) continue;
    merge_.sources[i].version1 = "0";
    merge_.sources[i].version2 = "0";
  }
  Notify();
}

}  // namespace velantor
