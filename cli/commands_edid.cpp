// The EDID page's commands: the input EDID list, built-in modes, copies from an output's display,
// downloads of an EDID file, reads into a file, and `edid show`, which decodes a file on its own.
#include <cctype>

#include "app/file_access.h"
#include "cli/commands.h"
#include "pages/edid/edid_decode.h"
#include "pages/edid/edid_page.h"

namespace velantor::cli {

namespace {

constexpr int kInputs = 4;
constexpr const char* kEdidUsage =
    "edid takes status, set IN|all MODE, copy OUT IN|all, write FILE IN|all, read OUT|user1|user2 FILE or show FILE";

bool Idle(CEdidPage& page) { return !page.Runner().Running() && !page.Capturing(); }

std::optional<Report> OpenEdid(Session& s) {
  if (auto failed = s.Connect()) return failed;
  return s.ShowPage(kPageEdid,
                    [&] { return s.Panel().Main().Page(kPageEdid) && Idle(s.PageAs<CEdidPage>(kPageEdid)); });
}

bool SucceededSince(const Session& s, size_t mark) {
  for (size_t i = mark; i < s.Messages().size(); ++i) {
    if (IsSuccessMessage(s.Messages()[i])) return true;
  }
  return false;
}

// The input EDID list as the page shows it; a row the switcher has not reported since the page
// was shown (or since an operation changed it) is unknown.
void AddStatus(Report& r, CEdidPage& page) {
  Json inputs = Json::MakeArray();
  for (int n = 1; n <= kInputs; ++n) {
    const EdidStatusRowViewState& row = page.StatusView().rows[static_cast<size_t>(n - 1)];
    r.lines.push_back(row.label + " " + (row.current ? row.text : std::string("unknown")));
    Json item = Json::MakeObject();
    item.Set("input", n);
    item.Set("edid", row.current ? Json(row.text) : Json());
    inputs.Push(std::move(item));
  }
  r.result.Set("inputs", inputs);
}

// Runs `press` on the shown EDID page, waits for the operation and the refresh after it, and
// judges by the page's message.
// An operation ends "done" by its success message; the Status walk has none, and ends done when
// no failure was shown (`byMessage` false).
Report Operate(Session& s, const std::function<std::optional<Report>(CEdidPage&)>& press, bool withStatus,
               bool byMessage = true) {
  if (auto failed = OpenEdid(s)) return *failed;
  CEdidPage& page = s.PageAs<CEdidPage>(kPageEdid);
  const size_t mark = s.MessageMark();
  if (auto refused = press(page)) return *refused;
  s.RunUntil([&] { return Idle(page) || s.FailedSince(mark); });
  Report r = s.Judge(mark, Idle(page) && (!byMessage || SucceededSince(s, mark)));
  if (withStatus) AddStatus(r, page);
  return r;
}

// IN1..IN4 -> 0..3, "all" -> the "All Inputs" entry.
std::optional<int> TargetIndex(const std::string& word) {
  if (word == "all") return kInputs;
  if (auto n = ParseInput(word)) return *n - 1;
  return std::nullopt;
}

// Out1..Out8 (1 to 8 or A to H) -> 0..7, user1 -> 8, user2 -> 9.
std::optional<int> ReadSourceIndex(const std::string& word) {
  if (word == "user1") return 8;
  if (word == "user2") return 9;
  if (word.size() == 1 && std::isalpha(static_cast<unsigned char>(word[0]))) {
    const int letter = std::toupper(static_cast<unsigned char>(word[0])) - 'A';
    if (letter >= 0 && letter < 8) return letter;
    return std::nullopt;
  }
  if (auto n = ParseNumber(word, 1, 8)) return *n - 1;
  return std::nullopt;
}

// Built-in modes by list position (1 to 3) or by a short name.
std::optional<int> ModeIndex(const std::string& word) {
  static const char* kNames[] = {"1080i", "1080p", "dvi"};
  for (int i = 0; i < 3; ++i) {
    if (word == kNames[i]) return i;
  }
  if (auto n = ParseNumber(word, 1, static_cast<int>(EdidModes().size()))) return *n - 1;
  return std::nullopt;
}

Report ShowFile(const std::string& path) {
  DiskRead read = ReadBoundedFile(path, 4096);
  if (read.status != DiskRead::Status::kOk) {
    return Report::Failure(Outcome::kRefused, "Cannot read the EDID file", read.reason);
  }
  const EdidInfo info = DecodeEdid(read.bytes);
  const EdidLoadResult check = CheckEdidFileBytes(read.bytes, path);
  Report r = check.file ? Report() : Report::Failure(Outcome::kRefused, check.message, check.reason);
  r.lines = DescribeEdid(info);
  r.result.Set("file", path);
  r.result.Set("size", static_cast<uint64_t>(read.bytes.size()));
  r.result.Set("accepted", check.file.has_value());
  // Without the EDID header the bytes are no EDID: what they would decode to is no fact about a
  // display, so the identity is null (the description still says what the bytes hold).
  const bool edid = info.complete && info.headerOk;
  auto fact = [edid](Json value) { return edid ? value : Json(); };
  r.result.Set("manufacturer", fact(info.manufacturer));
  r.result.Set("product_code", fact(static_cast<int>(info.productCode)));
  r.result.Set("serial_number", fact(static_cast<uint64_t>(info.serialNumber)));
  r.result.Set("week", fact(info.week));
  r.result.Set("year", fact(info.year));
  r.result.Set("version", fact(std::to_string(info.versionMajor) + "." + std::to_string(info.versionMinor)));
  r.result.Set("name", info.monitorName.empty() ? Json() : fact(info.monitorName));
  Json timing;  // null when the EDID names none
  if (edid && info.preferredTiming) {
    timing = Json::MakeObject();
    timing.Set("resolution", ResolutionText(*info.preferredTiming));
    timing.Set("refresh", RefreshText(*info.preferredTiming));
    timing.Set("pixel_clock_khz", static_cast<uint64_t>(info.preferredTiming->pixelClockKHz));
  }
  r.result.Set("preferred_timing", timing);
  r.result.Set("extensions", fact(info.extensionCount));
  Json blocks = Json::MakeArray();
  for (const EdidBlockVerdict& b : info.blocks) {
    Json block = Json::MakeObject();
    block.Set("index", b.index);
    block.Set("checksum_ok", b.ChecksumOk());
    blocks.Push(std::move(block));
  }
  r.result.Set("blocks", blocks);
  r.result.Set("description", Json::ArrayOf(DescribeEdid(info)));
  return r;
}

Prepared PrepareStatus() {
  return Linked([](Session* s) {
    return Operate(
        *s,
        [](CEdidPage& page) -> std::optional<Report> {
          page.OnStatus();
          return std::nullopt;
        },
        true, false);
  });
}

Prepared PrepareEdidStatus(const Args& args) {
  if (args.size() != 1) return UsageError("edid status takes no arguments");
  return PrepareStatus();
}

Prepared PrepareEdidSet(const Args& args) {
  if (args.size() != 3) return UsageError("edid set needs IN|all and a mode (1 to 3, or 1080i, 1080p, dvi)");
  const auto target = TargetIndex(args[1]);
  const auto mode = ModeIndex(args[2]);
  if (!target) return UsageError("bad input " + args[1] + " (1 to 4 or all)");
  if (!mode) return UsageError("unknown EDID mode " + args[2] + " (1 to 3, or 1080i, 1080p, dvi)");
  return Linked([target = *target, mode = *mode](Session* s) {
    return Operate(
        *s,
        [&](CEdidPage& page) -> std::optional<Report> {
          page.OnModeSelChange(mode);
          page.OnSetTargetSelChange(target);
          page.OnSetMode();
          return std::nullopt;
        },
        true);
  });
}

Prepared PrepareEdidCopy(const Args& args) {
  if (args.size() != 3) return UsageError("edid copy needs OUT (1 to 4 or A to D) and IN|all");
  const auto output = ParseOutput(args[1]);
  const auto target = TargetIndex(args[2]);
  if (!output) return UsageError("bad output " + args[1] + " (1 to 4 or A to D)");
  if (!target) return UsageError("bad input " + args[2] + " (1 to 4 or all)");
  return Linked([output = *output, target = *target](Session* s) {
    return Operate(
        *s,
        [&](CEdidPage& page) -> std::optional<Report> {
          page.OnCopySourceSelChange(output - 1);
          page.OnCopyTargetSelChange(target);
          page.OnCopy();
          return std::nullopt;
        },
        true);
  });
}

Prepared PrepareEdidWrite(const Args& args) {
  if (args.size() != 3) return UsageError("edid write needs FILE and IN|all");
  const auto target = TargetIndex(args[2]);
  if (!target) return UsageError("bad input " + args[2] + " (1 to 4 or all)");
  return Linked([path = args[1], target = *target](Session* s) {
    return Operate(
        *s,
        [&](CEdidPage& page) -> std::optional<Report> {
          page.OnOpenFile(path);
          if (!page.LoadedFile() || page.LoadedFile()->path != path) {
            const std::string message =
                s->Messages().empty() ? "Please select the correct EDID file!" : s->Messages().back();
            return Report::Failure(Outcome::kRefused, message, page.DataView().problem);
          }
          page.OnDownloadTargetSelChange(target);
          page.OnDownload();
          return std::nullopt;
        },
        true);
  });
}

Prepared PrepareEdidRead(const Args& args) {
  if (args.size() != 3) return UsageError("edid read needs OUT|user1|user2 and FILE");
  const auto source = ReadSourceIndex(args[1]);
  if (!source) return UsageError("bad source " + args[1] + " (output 1 to 8 or A to H, user1 or user2)");
  return Linked([source = *source, path = args[2]](Session* s) {
    if (auto failed = OpenEdid(*s)) return *failed;
    CEdidPage& page = s->PageAs<CEdidPage>(kPageEdid);
    const size_t mark = s->MessageMark();
    page.OnReadSourceSelChange(source);
    page.OnRead();
    s->RunUntil([&] { return Idle(page) || s->FailedSince(mark); });
    const std::string expected = "Read from " + page.DataView().readSources.items[static_cast<size_t>(source)];
    const bool read = Idle(page) && page.ShownEdid() && page.DataView().contentSource == expected;
    Report r = s->Judge(mark, read);
    if (!r.Ok()) return r;
    page.OnSave(path);
    if (s->FailedSince(mark))
      return Report::Failure(Outcome::kRefused, s->Messages().back(), page.DataView().problem);
    r.lines = page.DataView().summary;
    r.lines.push_back("saved to " + path);
    r.result.Set("source", page.DataView().readSources.items[static_cast<size_t>(source)]);
    r.result.Set("file", path);
    r.result.Set("description", Json::ArrayOf(page.DataView().summary));
    return r;
  });
}

Prepared PrepareEdidShow(const Args& args) {
  if (args.size() != 2) return UsageError("edid show needs FILE");
  return Offline([path = args[1]](Session*) { return ShowFile(path); });
}

}  // namespace

// Each subcommand checks its own words before anything is opened.
Prepared PrepareEdid(const Args& args, const CliOptions&) {
  using Preparer = Prepared (*)(const Args&);
  static const std::pair<const char*, Preparer> kSubcommands[] = {
      {"status", PrepareEdidStatus}, {"set", PrepareEdidSet},   {"copy", PrepareEdidCopy},
      {"write", PrepareEdidWrite},   {"read", PrepareEdidRead}, {"show", PrepareEdidShow},
  };
  if (args.empty()) return UsageError(kEdidUsage);
  for (const auto& [name, prepare] : kSubcommands) {
    if (args[0] == name) return prepare(args);
  }
  return UsageError(kEdidUsage);
}

}  // namespace velantor::cli
