// The FW Upgrade page's commands: what a firmware file holds (fw info), the merge of
// microcontroller images into one file (fw merge), and the write into the switcher (fw upgrade),
// with a progress bar per block on a terminal and a confirmation before Ctrl-C stops a write.
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>

#include "app/file_access.h"
#include "cli/commands.h"
#include "cli/progress.h"
#include "pages/firmware/upgrade_page.h"

namespace velantor::cli {

namespace {

constexpr const char* kUpgradeDone = "Firmware upgrade Successfully";
// A firmware write of the largest file takes minutes; the page's own timers end it otherwise.
constexpr int kUpgradeTimeoutMs = 15 * 60 * 1000;

std::atomic<int> interruption{0};  // the signal that asked to stop, 0 for none
void OnInterrupt(int signal) { interruption = signal; }

// Catches Ctrl-C while it lives, so a write is never cut by accident, and the termination that
// service managers and timeout(1) send, so a write cut that way still reports where it stopped.
class InterruptGuard {
 public:
  InterruptGuard() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &previousInt_);
    sigaction(SIGTERM, &action, &previousTerm_);
    interruption = 0;
  }
  ~InterruptGuard() {
    sigaction(SIGINT, &previousInt_, nullptr);
    sigaction(SIGTERM, &previousTerm_, nullptr);
  }

 private:
  struct sigaction previousInt_ {};
  struct sigaction previousTerm_ {};
};

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

Json PartsJson(const FirmwareFile& file, const FirmwarePlan& plan) {
  Json parts = Json::MakeArray();
  for (size_t i = 0; i < file.parts.size(); ++i) {
    Json part = Json::MakeObject();
    part.Set("part", file.parts[i].part);
    part.Set("name", FindPartInfo(file.parts[i].part)->name);
    part.Set("bytes", static_cast<uint64_t>(file.parts[i].DataLength()));
    part.Set("blocks", i < plan.parts.size() ? static_cast<uint64_t>(plan.parts[i].blocks.size()) : uint64_t{0});
    parts.Push(std::move(part));
  }
  return parts;
}

Report RunInfo(const std::string& path) {
  FirmwareLoadResult loaded = LoadFirmwareFile(path);
  if (!loaded.file) return Report::Failure(Outcome::kRefused, "Firmware file not loaded", loaded.reason);
  const FirmwarePlanResult planned = PlanFirmwareUpgrade(*loaded.file);
  if (!planned.ok()) return Report::Failure(Outcome::kRefused, "Firmware file not loaded", planned.error);
  const FirmwareFile& file = *loaded.file;
  Report r;
  r.lines.push_back("file: " + path + " (" + std::to_string(file.image.size()) + " bytes)");
  for (size_t i = 0; i < file.parts.size(); ++i) {
    r.lines.push_back("part " + std::to_string(file.parts[i].part) + " (" + FindPartInfo(file.parts[i].part)->name +
                      "): " + std::to_string(file.parts[i].DataLength()) + " bytes, " +
                      std::to_string(planned.plan.parts[i].blocks.size()) + " blocks");
  }
  const size_t split = FindImagesAfterMain(file.image);
  if (split != kNoMarker) {
    r.lines.push_back("warning: from byte " + std::to_string(split) +
                      " on the file reads like other MCU images merged after the main image; all of it goes into "
                      "the main MCU");
  }
  r.result.Set("file", path);
  r.result.Set("size", static_cast<uint64_t>(file.image.size()));
  r.result.Set("parts", PartsJson(file, planned.plan));
  r.result.Set("blocks", static_cast<uint64_t>(planned.plan.totalBlocks));
  r.result.Set("doubtful_split", split == kNoMarker ? Json() : Json(static_cast<uint64_t>(split)));
  return r;
}

std::string BaseName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

Report RunMerge(const std::array<std::string, kFirmwarePartCount>& paths, const std::string& outputDir) {
  MergeSources sources;
  for (int part = 1; part <= kFirmwarePartCount; ++part) {
    const std::string& path = paths[static_cast<size_t>(part - 1)];
    if (path.empty()) continue;
    const std::string name = FindPartInfo(part)->name;
    if (!AcceptsMcuImagePath(part, path)) {
      return Report::Failure(Outcome::kRefused, "The " + name + " image is not taken", path + " is not a .bin file");
    }
    McuImageRead read = ReadMcuImage(path);
    if (!read.error.empty())
      return Report::Failure(Outcome::kRefused, "The " + name + " image is not taken", read.error);
    sources[static_cast<size_t>(part - 1)] = {path, std::move(read.image)};
  }
  MergeResult result = PlanMerge(sources);
  if (!result.ok()) return Report::Failure(Outcome::kRefused, "Merge failed", result.error);
  // The file goes beside the last image, as the panel puts it, or into the folder asked for.
  if (!outputDir.empty())
    result.outputPath = outputDir + (outputDir.back() == '/' ? "" : "/") + BaseName(result.outputPath);
  const std::string error = WriteWholeFile(result.outputPath, result.file);
  if (!error.empty()) return Report::Failure(Outcome::kRefused, "Merge failed", error);
  result.log += "Firmware merged complete,save to file:" + result.outputPath + "\r\n";
  Report r;
  r.lines = SplitLines(result.log);
  r.result.Set("file", result.outputPath);
  r.result.Set("size", static_cast<uint64_t>(result.file.size()));
  Json parts = Json::MakeArray();
  for (int part = 1; part <= kFirmwarePartCount; ++part) {
    if (!paths[static_cast<size_t>(part - 1)].empty()) parts.Push(FindPartInfo(part)->name);
  }
  r.result.Set("parts", parts);
  return r;
}

// Asks on the terminal whether to stop the write, without stopping the loop (the write's timers
// go on while the question stands). The write may end on its own meanwhile: the question then
// closes, and an answer counts only while the write still runs. True when a running write is to
// be stopped.
bool ConfirmStop(Session& s, const CUpgradePage& page) {
  std::fprintf(stderr, "\nStop the firmware write? The switcher may be left without working firmware. [y/N] ");
  std::fflush(stderr);
  std::string answer;
  bool answered = false;
  const int watch = s.Loop().WatchFd(STDIN_FILENO, true, false, [&](unsigned) {
    char c = 0;
    if (read(STDIN_FILENO, &c, 1) != 1 || c == '\n') {
      answered = true;
    } else {
      answer += c;
    }
  });
  s.RunUntil([&] { return answered || page.Upgrading() != 1; });
  s.Loop().UnwatchFd(watch);
  if (page.Upgrading() != 1) {
    std::fprintf(stderr, "\nThe firmware write has ended; nothing to stop.\n");
    return false;
  }
  return answer == "y" || answer == "Y" || answer == "yes";
}

struct UpgradeRequest {
  std::string path;
  bool yes = false;
  bool json = false;
};

// Follows the page's message log: each new whole line is kept (for JSON) and, in text mode,
// printed at once above the progress bar.
class LogFollower {
 public:
  LogFollower(const CUpgradePage& page, ProgressBar& bar, bool print)
      : page_(page), bar_(bar), print_(print), shown_(page.View().log.size()) {}
  void Flush() {
    const std::string& text = page_.View().log;
    const size_t end = text.rfind('\n');
    if (end == std::string::npos || end + 1 <= shown_) return;
    for (const std::string& line : SplitLines(text.substr(shown_, end + 1 - shown_))) {
      lines_.push_back(line);
      if (print_) {
        bar_.Clear();
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
      }
    }
    shown_ = end + 1;
  }
  const std::vector<std::string>& Lines() const { return lines_; }

 private:
  const CUpgradePage& page_;
  ProgressBar& bar_;
  bool print_;
  size_t shown_;
  std::vector<std::string> lines_;
};

// The bar of the part being written, in blocks.
void ShowPartProgress(ProgressBar& bar, const CUpgradePage& page) {
  const int part = page.CurrentPart();
  if (page.Upgrading() != 1 || part < 1 || part > kFirmwarePartCount) return;
  const uint64_t max = static_cast<uint64_t>(page.View().progressMax);
  const size_t blocks = max == 0 ? 0 : (max + kFirmwareBlockData - 1) / kFirmwareBlockData;
  bar.Show("part " + std::to_string(part) + " (" + FindPartInfo(part)->name + ")",
           static_cast<size_t>(page.BlockCounter()), blocks);
}

Report RunUpgrade(Session& s, const UpgradeRequest& request) {
  if (auto failed = s.Connect()) return *failed;
  if (auto failed = s.ShowPage(kPageFirmware, [&] {
        return s.Panel().Main().Page(kPageFirmware) && !s.PageAs<CUpgradePage>(kPageFirmware).Runner().Running();
      })) {
    return *failed;
  }
  CUpgradePage& page = s.PageAs<CUpgradePage>(kPageFirmware);
  ProgressBar bar(stderr, isatty(STDERR_FILENO) == 1);
  LogFollower follower(page, bar, !request.json);
  const std::vector<std::string>& log = follower.Lines();
  page.OnOpenFile(request.path);
  follower.Flush();
  if (!page.LoadedFile() || page.LoadedFile()->path != request.path) {
    Report r = Report::Failure(Outcome::kRefused, "Firmware file not loaded", log.empty() ? "" : log.back());
    r.result.Set("log", Json::ArrayOf(log));
    return r;
  }
  const size_t mark = s.MessageMark();
  InterruptGuard guard;
  page.OnUpgrade();
  if (page.View().prompt.visible && page.View().prompt.question) {
    if (!request.yes) {
      const std::string text = page.View().prompt.text;
      page.OnPromptAnswer(false);
      Report r = Report::Failure(Outcome::kRefused, "The file needs confirmation (--yes writes it anyway)", text);
      r.result.Set("log", Json::ArrayOf(log));
      return r;
    }
    page.OnPromptAnswer(true);
  }
  std::vector<std::string> notices;
  bool stopped = false;
  int stoppedBy = 0;
  const bool terminal = isatty(STDIN_FILENO) == 1 && isatty(STDERR_FILENO) == 1;
  // A switcher may drop the connection as it restarts between parts: the page connects again
  // for the next part, and ends the write itself if it cannot.
  auto writeEnded = [&] {
    follower.Flush();
    if (page.View().prompt.visible) {  // the page's own box (a refused part): read, then OK
      notices.push_back(page.View().prompt.text);
      page.OnPromptAnswer(true);
    }
    if (const int signal = interruption.exchange(0); signal != 0 && page.Upgrading() == 1) {
      bar.Clear();
      // Only an operator at a terminal is asked; a termination is not a question.
      stopped = signal == SIGTERM || !terminal || ConfirmStop(s, page);
      stoppedBy = signal;
      if (stopped) return true;
    }
    ShowPartProgress(bar, page);
    return page.Upgrading() == 0 && !page.WriteRunning();
  };
  s.RunUntil(writeEnded, Session::OnLinkLoss::kLeaveItToThePage);
  follower.Flush();
  bar.Clear();
  bool confirmed = false;
  for (const std::string& line : log) confirmed = confirmed || line == kUpgradeDone;
  // A write the command's time ran out on is cut off as surely as a stopped one.
  const int cutInPart = page.Upgrading() == 1 ? page.CurrentPart() : 0;
  Report r = stopped ? Report::Failure(Outcome::kRefused,
                                       stoppedBy == SIGTERM ? "Upgrade stopped by a termination signal"
                                                            : "Upgrade stopped by the user",
                                       "the switcher may be left without working firmware")
                     : s.Judge(mark, confirmed && page.Upgrading() == 0);
  if (!stopped && cutInPart >= 1 && cutInPart <= kFirmwarePartCount) {
    r.reason += std::string(r.reason.empty() ? "" : "; ") + "the write was cut off in part " +
                std::to_string(cutInPart) + " (" + FindPartInfo(cutInPart)->name +
                "): the switcher may be left without working firmware";
  }
  if (!r.Ok() && r.message.empty() && !notices.empty()) r.message = notices.back();
  if (r.outcome == Outcome::kRefused && r.reason.empty() && !log.empty()) r.reason = log.back();
  // After a write the page asks the device line of the new firmware; the write's outcome is judged
  // already, so a switcher slow to answer that does not turn it into a failure.
  if (!stopped) s.RunUntil([&] { return !page.Runner().Running(); });
  r.result.Set("file", request.path);
  r.result.Set("log", Json::ArrayOf(log));
  // Named as `info` names them; null when the switcher did not answer after the write.
  const bool read = page.View().deviceLineCurrent;
  r.result.Set("device", read ? Json(page.StatusDevice()) : Json());
  r.result.Set("version", read ? Json(page.StatusVersion()) : Json());
  return r;
}

}  // namespace

Prepared PrepareFirmware(const Args& args, const CliOptions& options) {
  const std::string usage =
      "fw takes info FILE, merge [--main F] [--slave F] [--ir F] [--panel F] [-o DIR] or upgrade FILE";
  if (args.empty()) return UsageError(usage);
  if (args[0] == "info") {
    if (args.size() != 2) return UsageError("fw info needs FILE");
    return Offline([path = args[1]](Session*) { return RunInfo(path); });
  }
  if (args[0] == "merge") {
    static const char* kOptions[kFirmwarePartCount] = {"--main", "--slave", "--ir", "--panel"};
    std::array<std::string, kFirmwarePartCount> paths;
    std::string outputDir;
    bool any = false;
    for (size_t i = 1; i < args.size(); i += 2) {
      if (i + 1 >= args.size() || args[i + 1].empty()) return UsageError(args[i] + " needs a file name");
      if (args[i] == "-o" || args[i] == "--output") {
        outputDir = args[i + 1];
        continue;
      }
      bool known = false;
      for (size_t p = 0; p < paths.size(); ++p) {
        if (args[i] == kOptions[p]) {
          paths[p] = args[i + 1];
          known = any = true;
        }
      }
      if (!known) return UsageError("fw merge does not take " + args[i]);
    }
    if (!any) return UsageError("fw merge needs at least one of --main, --slave, --ir, --panel");
    return Offline([paths, outputDir](Session*) { return RunMerge(paths, outputDir); });
  }
  if (args[0] == "upgrade") {
    UpgradeRequest request;
    request.json = options.json;
    for (size_t i = 1; i < args.size(); ++i) {
      if (args[i] == "--yes") {
        request.yes = true;
      } else if (request.path.empty() && args[i][0] != '-') {
        request.path = args[i];
      } else {
        return UsageError("fw upgrade needs FILE (and takes --yes)");
      }
    }
    if (request.path.empty()) return UsageError("fw upgrade needs FILE");
    Prepared p = Linked([request](Session* s) { return RunUpgrade(*s, request); });
    p.defaultTimeoutMs = kUpgradeTimeoutMs;
    return p;
  }
  return UsageError(usage);
}

}  // namespace velantor::cli
