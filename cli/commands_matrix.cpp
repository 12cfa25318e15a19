// The Matrix page's commands: route (show, one output, all, port to port, a whole plan),
// switching effect and time, input signal type, AUTO and SCALER. Each shows the Matrix page (its
// poll reads the switcher's state), presses the page's controls and reads the confirmed state.
#include <array>
#include <cctype>

#include "cli/commands.h"
#include "pages/matrix/matrix_page.h"

namespace velantor::cli {

namespace {

constexpr int kPorts = kMatrixShownPorts;
// "Select Output" entries: Output1 to Output4, All Output, Port to Port.
constexpr int kPortToPortEntry = 5;

// Names for the SWITCH MODE entries, in list order (entry i is effect i + 1).
constexpr std::array<const char*, 16> kEffectNames{
    "cut",     "fade",   "h-curtain", "v-curtain",  "wipe-right", "wipe-down", "fan",       "windmill",
    "box-out", "box-in", "circle-in", "circle-out", "h-blinds",   "v-blinds",  "h-checker", "v-checker",
};
constexpr std::array<const char*, 3> kTypeNames{"hdmi", "vga", "av"};

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Trim(const std::string& s) {
  const size_t end = s.find_last_not_of(' ');
  return end == std::string::npos ? "" : s.substr(0, end + 1);
}

// Effect 1 to 16 by number, by our name or by the list's own text.
std::optional<int> ParseEffect(const std::string& word) {
  if (auto n = ParseNumber(word, 1, 16)) return n;
  for (size_t i = 0; i < kEffectNames.size(); ++i) {
    if (Lower(word) == kEffectNames[i] || word == Trim(kSwitchModeNames[i])) return static_cast<int>(i) + 1;
  }
  return std::nullopt;
}

std::optional<int> ParseType(const std::string& word) {
  for (size_t i = 0; i < kTypeNames.size(); ++i) {
    if (Lower(word) == kTypeNames[i]) return static_cast<int>(i) + 1;
  }
  return std::nullopt;
}

// Shows the Matrix page and waits for its poll to end.
std::optional<Report> OpenMatrix(Session& s) {
  if (auto failed = s.Connect()) return failed;
  CMatrixPage* page = nullptr;
  auto settled = [&] {
    if (!page) page = &s.PageAs<CMatrixPage>(kPageMatrix);
    return (s.Panel().Shared().LinkMode != 1 || page->TcpReceptionEnabled()) && page->PageBusy() == 0;
  };
  // The page is made by the header click; `settled` looks it up only then.
  return s.ShowPage(kPageMatrix, [&] { return s.Panel().Main().Page(kPageMatrix) && settled(); });
}

// An output whose report named no input the switcher has shows none: null in JSON.
Json InputJson(int input) { return input == CMatrixPage::kNoInput ? Json() : Json(input); }

// Outputs a command still had in flight when its time ran out: the switcher may yet switch them.
using UnsureOutputs = std::array<bool, kPorts>;

// An output's route is known only once the switcher reported it in this run (a switch whose
// answer never came may have been made): unknown otherwise.
bool RouteKnown(const CMatrixPage& page, int output, const UnsureOutputs& unsure = {}) {
  return page.View().outputs[static_cast<size_t>(output - 1)].current && !unsure[static_cast<size_t>(output - 1)];
}

std::string RouteLine(const CMatrixPage& page, int output, const UnsureOutputs& unsure = {}) {
  const int input = page.ShownInput(output);
  return "output " + OutputLetter(output) + " (" + std::to_string(output) + "): " +
         (!RouteKnown(page, output, unsure) ? std::string("unknown")
          : input == CMatrixPage::kNoInput ? std::string("no input")
                                            : "input " + std::to_string(input));
}

Json RouteJson(const CMatrixPage& page, int output, const UnsureOutputs& unsure = {}) {
  return RouteKnown(page, output, unsure) ? InputJson(page.ShownInput(output)) : Json();
}

Json RoutesJson(CMatrixPage& page, const UnsureOutputs& unsure = {}) {
  Json routes = Json::MakeArray();
  for (int k = 1; k <= kPorts; ++k) {
    Json r = Json::MakeObject();
    r.Set("output", k);
    r.Set("letter", OutputLetter(k));
    r.Set("input", RouteJson(page, k, unsure));
    r.Set("known", RouteKnown(page, k, unsure));
    routes.Push(std::move(r));
  }
  return routes;
}

void AddRoutes(Report& report, CMatrixPage& page, const UnsureOutputs& unsure = {}) {
  for (int k = 1; k <= kPorts; ++k) report.lines.push_back(RouteLine(page, k, unsure));
  report.result.Set("routes", RoutesJson(page, unsure));
}

// Runs `press` on the shown Matrix page, waits until the page is idle again and judges the result
// by `confirmed`.
Report PressAndJudge(Session& s, const std::function<bool(CMatrixPage&)>& press,
                     const std::function<bool(CMatrixPage&)>& confirmed) {
  if (auto failed = OpenMatrix(s)) return *failed;
  CMatrixPage& page = s.PageAs<CMatrixPage>(kPageMatrix);
  const size_t mark = s.MessageMark();
  if (!press(page)) return Report::Failure(Outcome::kRefused, "The control is disabled on the Matrix page");
  s.RunUntil([&] { return page.PageBusy() == 0; });
  return s.Judge(mark, page.PageBusy() == 0 && confirmed(page));
}

bool RoutingOpen(CMatrixPage& page) { return page.View().outputs[0].inputs[0].enabled; }

Report RoutingClosed() {
  return Report::Failure(Outcome::kRefused, "Routing is not available",
                         "the switcher is not in matrix display mode (velantorctl mode matrix)");
}

// What a routing command presses on the page, and the route of every output it must leave.
struct RoutePlan {
  std::vector<int> routes;
  std::function<bool(CMatrixPage&)> press;
};

RoutePlan AllOutputsPlan(int input) {
  return {std::vector<int>(kPorts, input), [input](CMatrixPage& p) {
            if (!p.View().allButton.enabled) return false;
            p.OnAllListSelChange(input - 1);
            p.OnAllButton();
            return true;
          }};
}

RoutePlan PortToPortPlan() {
  std::vector<int> routes(kPorts, 0);
  for (int k = 1; k <= kPorts; ++k) routes[static_cast<size_t>(k - 1)] = k;
  return {routes, [](CMatrixPage& p) {
            if (!p.View().selectOutput.enabled) return false;
            p.OnSelectOutput(kPortToPortEntry);
            return true;
          }};
}

// A scene recall, as the panel does it: edit the working route, then "Set".
RoutePlan ScenePlan(const std::vector<int>& routes) {
  return {routes, [routes](CMatrixPage& p) {
            if (!p.View().sceneSet.enabled) return false;
            p.OnSceneEdit();
            for (int k = 1; k <= kPorts; ++k) {
              p.SceneDialog().OnOutputSelChange(k, routes[static_cast<size_t>(k - 1)] - 1);
            }
            p.OnSceneDialogOk();
            p.OnSceneSet();
            return true;
          }};
}

// The Matrix page shown and its routing controls open, or why not.
std::optional<Report> RoutingReady(Session& s) {
  if (auto failed = OpenMatrix(s)) return failed;
  if (!RoutingOpen(s.PageAs<CMatrixPage>(kPageMatrix))) return RoutingClosed();
  return std::nullopt;
}

Report RunPlan(Session& s, const RoutePlan& plan) {
  if (auto refused = RoutingReady(s)) return *refused;
  auto confirmed = [&plan](CMatrixPage& p) {
    for (int k = 1; k <= kPorts; ++k) {
      if (p.OutputSource(k) != plan.routes[static_cast<size_t>(k - 1)]) return false;
    }
    return true;
  };
  Report report = PressAndJudge(s, plan.press, confirmed);
  CMatrixPage& page = s.PageAs<CMatrixPage>(kPageMatrix);
  UnsureOutputs unsure{};
  if (page.PageBusy() != 0) unsure.fill(true);  // the sequence was still running
  AddRoutes(report, page, unsure);
  return report;
}

Report RunSingleRoute(Session& s, int output, int input) {
  if (auto refused = RoutingReady(s)) return *refused;
  auto press = [output, input](CMatrixPage& p) {
    if (!p.View().outputs[static_cast<size_t>(output - 1)].inputs[static_cast<size_t>(input - 1)].enabled) {
      return false;
    }
    p.OnInputButton(output, input);
    return true;
  };
  auto confirmed = [output, input](CMatrixPage& p) { return p.OutputSource(output) == input; };
  Report report = PressAndJudge(s, press, confirmed);
  CMatrixPage& page = s.PageAs<CMatrixPage>(kPageMatrix);
  UnsureOutputs unsure{};
  unsure[static_cast<size_t>(output - 1)] = page.PageBusy() != 0;  // the switch was still running
  report.lines.push_back(RouteLine(page, output, unsure));
  report.result.Set("output", output);
  report.result.Set("input", RouteJson(page, output, unsure));
  report.result.Set("known", RouteKnown(page, output, unsure));  // null input, known: no input shown
  report.result.Set("routes", RoutesJson(page, unsure));
  return report;
}

// The words were checked when the command was prepared.
Report RunRoute(Session& s, const Args& args) {
  if (args.empty()) {
    // Outside the matrix display mode the poll stops after output 1: the other routes were
    // never read, and printing the page's defaults for them would report what is not so.
    if (auto refused = RoutingReady(s)) return *refused;
    Report report;
    AddRoutes(report, s.PageAs<CMatrixPage>(kPageMatrix));
    return report;
  }
  if (args[0] == "all") return RunPlan(s, AllOutputsPlan(*ParseInput(args[1])));
  if (args[0] == "port-to-port") return RunPlan(s, PortToPortPlan());
  if (args[0] == "set") return RunPlan(s, ScenePlan(*ParseRoutePlan(args[1])));
  return RunSingleRoute(s, *ParseOutput(args[0]), *ParseInput(args[1]));
}

}  // namespace

std::string OutputLetter(int output) { return std::string(1, static_cast<char>('A' + output - 1)); }

Prepared PrepareRoute(const Args& args, const CliOptions&) {
  const std::string usage = "route takes nothing, OUT IN, all IN, port-to-port or set IN,IN,IN,IN";
  if (args.empty()) return Linked([](Session* s) { return RunRoute(*s, {}); });
  if (args[0] == "port-to-port") {
    if (args.size() != 1) return UsageError(usage);
  } else if (args[0] == "all") {
    if (args.size() != 2 || !ParseInput(args[1])) return UsageError("route all needs an input from 1 to 4");
  } else if (args[0] == "set") {
    if (args.size() != 2 || !ParseRoutePlan(args[1])) {
      return UsageError("route set needs four inputs (1 to 4) for outputs A to D, as 1,2,3,4");
    }
  } else if (args.size() == 2) {
    if (!ParseOutput(args[0])) return UsageError("bad output " + args[0] + " (1 to 4 or A to D)");
    if (!ParseInput(args[1])) return UsageError("bad input " + args[1] + " (1 to 4)");
  } else {
    return UsageError(usage);
  }
  return Linked([args](Session* s) { return RunRoute(*s, args); });
}

Prepared PrepareEffect(const Args& args, const CliOptions&) {
  if (args.size() != 2) return UsageError("effect needs OUT and an effect (1 to 16 or its name)");
  const auto output = ParseOutput(args[0]);
  const auto effect = ParseEffect(args[1]);
  if (!output) return UsageError("bad output " + args[0] + " (1 to 4 or A to D)");
  if (!effect) return UsageError("unknown effect " + args[1] + " (1 to 16, or cut, fade, ...: see effect --help)");
  return Linked([out = *output, n = *effect](Session* s) {
    Report report = PressAndJudge(
        *s,
        [&](CMatrixPage& p) {
          if (!p.View().columns[static_cast<size_t>(out - 1)].mode.enabled) return false;
          p.OnSwitchModeSelChange(out, n - 1);
          return true;
        },
        [&](CMatrixPage& p) { return p.ConfirmedMode(out) == n - 1; });
    if (!s->Panel().Main().Page(kPageMatrix)) return report;  // the link failed before the page was shown
    // What the switcher confirmed: the effect asked for, or the one it kept.
    CMatrixPage& page = s->PageAs<CMatrixPage>(kPageMatrix);
    const int now = page.ConfirmedMode(out) + 1;
    // Else never read from the switcher, or a change it may have made was never answered.
    const bool known = now >= 1 && now <= 16 && page.View().columns[static_cast<size_t>(out - 1)].modeCurrent &&
                       page.PageBusy() == 0;  // not still in flight
    const char* name = known ? kEffectNames[static_cast<size_t>(now - 1)] : "unknown";
    report.lines.push_back("output " + OutputLetter(out) + ": effect " +
                           (known ? std::to_string(now) + " (" + name + ")" : std::string(name)));
    report.result.Set("output", out);
    report.result.Set("effect", known ? Json(now) : Json());
    report.result.Set("name", known ? Json(name) : Json());
    return report;
  });
}

Prepared PrepareTime(const Args& args, const CliOptions&) {
  if (args.size() != 2) return UsageError("time needs OUT and a switching time from 1 to 8");
  const auto output = ParseOutput(args[0]);
  const auto time = ParseNumber(args.size() > 1 ? args[1] : "", 1, 8);
  if (!output) return UsageError("bad output " + args[0] + " (1 to 4 or A to D)");
  if (!time) return UsageError("bad switching time " + args[1] + " (1 to 8, in half seconds)");
  return Linked([out = *output, n = *time](Session* s) {
    Report report = PressAndJudge(
        *s,
        [&](CMatrixPage& p) {
          if (!p.View().columns[static_cast<size_t>(out - 1)].time.enabled) return false;
          p.OnSwitchTimeSelChange(out, n - 1);
          return true;
        },
        [&](CMatrixPage& p) { return p.ConfirmedTime(out) == n - 1; });
    if (!s->Panel().Main().Page(kPageMatrix)) return report;
    CMatrixPage& page = s->PageAs<CMatrixPage>(kPageMatrix);
    const int now = page.ConfirmedTime(out) + 1;
    const bool known = now >= 1 && now <= 8 && page.View().columns[static_cast<size_t>(out - 1)].timeCurrent &&
                       page.PageBusy() == 0;  // not still in flight
    report.lines.push_back("output " + OutputLetter(out) + ": switching time " +
                           (known ? kSwitchTimeNames[static_cast<size_t>(now - 1)] : "unknown"));
    report.result.Set("output", out);
    report.result.Set("time", known ? Json(now) : Json());
    report.result.Set("seconds", known ? Json(now * 0.5) : Json());
    return report;
  });
}

Prepared PrepareType(const Args& args, const CliOptions&) {
  if (args.size() != 2) return UsageError("type needs IN and hdmi, vga or av");
  const auto input = ParseInput(args[0]);
  const auto type = ParseType(args.size() > 1 ? args[1] : "");
  if (!input) return UsageError("bad input " + args[0] + " (1 to 4)");
  if (!type) return UsageError("bad signal type " + args[1] + " (hdmi, vga or av)");
  return Linked([in = *input, t = *type](Session* s) {
    if (auto failed = OpenMatrix(*s)) return *failed;
    CMatrixPage& page = s->PageAs<CMatrixPage>(kPageMatrix);
    if (!page.View().columns[static_cast<size_t>(in - 1)].types[static_cast<size_t>(t - 1)].enabled) {
      return Report::Failure(Outcome::kRefused, "The control is disabled on the Matrix page");
    }
    const size_t mark = s->MessageMark();
    page.OnTypeButton(in, t);
    // A type request has no guard timer: the answer, or the command's own time, ends it.
    s->RunUntil([&] { return page.PendingType(in) == 0 || s->FailedSince(mark); });
    Report report = s->Judge(mark, page.PendingType(in) == 0 && page.ConfirmedType(in) == t);
    const int now = page.ConfirmedType(in);
    const bool known = now >= 1 && now <= 3 && page.View().columns[static_cast<size_t>(in - 1)].typeCurrent &&
                       page.PendingType(in) == 0;  // not still in flight
    const char* name = known ? kTypeNames[static_cast<size_t>(now - 1)] : "unknown";
    report.lines.push_back("input " + std::to_string(in) + ": " + name);
    report.result.Set("input", in);
    report.result.Set("type", known ? Json(name) : Json());
    return report;
  });
}

namespace {
Prepared ColumnCommand(const Args& args, bool isAuto) {
  const char* name = isAuto ? "auto" : "scaler";
  if (args.size() != 1 || !ParseOutput(args[0])) {
    return UsageError(std::string(name) + " needs one port number from 1 to 4");
  }
  return Linked([column = *ParseOutput(args[0]), isAuto, name](Session* s) {
    bool disabled = false;
    Report report = PressAndJudge(
        *s,
        [&](CMatrixPage& p) {
          const auto& c = p.View().columns[static_cast<size_t>(column - 1)];
          disabled = !(isAuto ? c.autoButton : c.scaler).enabled;
          if (disabled) return false;
          isAuto ? p.OnAutoButton(column) : p.OnScalerButton(column);
          return true;
        },
        [](CMatrixPage&) { return true; });
    // Why the page offers no button: outside the matrix display mode neither applies; in it the
    // input's type decides. A refusal by the switcher itself carries its own message.
    if (disabled) {
      report.reason = !RoutingOpen(s->PageAs<CMatrixPage>(kPageMatrix)) ? RoutingClosed().reason
                      : isAuto ? "AUTO adjusts a VGA input only"
                               : "SCALER needs an input whose type is known";
    }
    if (report.Ok()) report.lines.push_back(std::string(name) + " " + std::to_string(column) + ": done");
    report.result.Set("port", column);
    return report;
  });
}
}  // namespace

Prepared PrepareAuto(const Args& args, const CliOptions&) { return ColumnCommand(args, true); }
Prepared PrepareScaler(const Args& args, const CliOptions&) { return ColumnCommand(args, false); }

}  // namespace velantor::cli
