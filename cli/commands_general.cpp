// The General page's commands: info (device, version, size, display mode, options, port status),
// the on/off options, the display mode with its settings, and the factory reset. The connect
// itself reads all of these back, so each command waits for that read-back before it acts.
#include <array>

#include "cli/commands.h"
#include "pages/general/general_page.h"

namespace velantor::cli {

namespace {

constexpr int kPorts = 4;
constexpr std::array<const char*, 4> kModeNames{"unknown", "matrix", "multiview", "wall"};

// The connect's read-back, the device information and the port walk have all ended.
bool GeneralSettled(CGeneralPage& g) {
  if (g.PageBusy()) return false;
  const GeneralStatusViewState& status = g.StatusView();
  if (!status.deviceCurrent) return false;
  for (size_t k = 0; k < kPorts; ++k) {
    if (!status.inputs[k].current || !status.outputs[k].current) return false;
  }
  return true;
}

std::optional<Report> OpenGeneral(Session& s) {
  if (auto failed = s.Connect()) return failed;
  const size_t mark = s.ConnectMark();
  CGeneralPage& g = s.General();
  const bool settled = s.RunUntil([&] { return GeneralSettled(g) || s.FailedSince(mark); });
  if (!settled || s.FailedSince(mark)) return s.Judge(mark, false);
  return std::nullopt;
}

// Presses `press` on the settled General page and judges the result by `confirmed`.
Report PressAndJudge(Session& s, const std::function<void(CGeneralPage&)>& press,
                     const std::function<bool(CGeneralPage&)>& confirmed) {
  if (auto failed = OpenGeneral(s)) return *failed;
  CGeneralPage& g = s.General();
  const size_t mark = s.MessageMark();
  press(g);
  s.RunUntil([&] { return !g.PageBusy() || s.FailedSince(mark); });
  // The page ends its command quietly when the link goes: a value it held before is no
  // confirmation then.
  return s.Judge(mark, !g.PageBusy() && !s.LinkLost() && confirmed(g));
}

std::string Size(const std::string& deviceText) {
  const size_t space = deviceText.rfind(' ');
  const std::string last = space == std::string::npos ? deviceText : deviceText.substr(space + 1);
  const size_t x = last.find('X');
  if (x == std::string::npos || x == 0 || x + 1 == last.size()) return "";
  return last.substr(0, x) + "x" + last.substr(x + 1);
}

Json PortsJson(const std::array<PortLineViewState, GeneralStatusViewState::kPorts>& lines) {
  Json ports = Json::MakeArray();
  for (size_t k = 0; k < kPorts; ++k) {
    Json p = Json::MakeObject();
    p.Set("port", static_cast<int>(k) + 1);
    p.Set("connected", lines[k].connected == 1);
    ports.Push(std::move(p));
  }
  return ports;
}

// An option box shows the switcher's state only once the read-back walked to its end, and only
// while it is enabled: the border is read back in the multi-viewer display mode alone, and outside
// it its box keeps whatever it held before.
bool OptionKnown(const GeneralOptionsViewState& options, const CheckViewState& box) { return options.current && box.enabled; }
Json OptionJson(const GeneralOptionsViewState& options, const CheckViewState& box) {
  return OptionKnown(options, box) ? Json(box.checked) : Json();
}
const char* OptionText(const GeneralOptionsViewState& options, const CheckViewState& box) {
  return !OptionKnown(options, box) ? "unknown" : box.checked ? "on" : "off";
}

// A read-back cut short by a lost or damaged answer is walked again after the device
// information: it takes a moment, after which what was not read stays unknown.
void AwaitOptions(Session& s, const CGeneralPage& g) {
  constexpr int kStepMs = 50;
  constexpr int kWaitMs = 2000;
  for (int waited = 0; !g.OptionsView().current && waited < kWaitMs && !s.Expired(); waited += kStepMs) s.RunFor(kStepMs);
}

// A display-mode setting the read-back never reached has no selection: unknown, not 0.
Json SelectionJson(const ListViewState& list) { return list.selection >= 0 ? Json(list.selection + 1) : Json(); }
std::string SelectionText(const ListViewState& list) {
  return list.selection >= 0 ? std::to_string(list.selection + 1) : std::string("unknown");
}

// The input the video wall shows (its checked box), 0 for none.
int WallInput(const GeneralOptionsViewState& options) {
  int input = 0;
  for (size_t n = 0; n < options.inputs.size(); ++n) {
    if (options.inputs[n].checked) input = static_cast<int>(n) + 1;
  }
  return input;
}

Report RunInfo(Session& s) {
  if (auto failed = OpenGeneral(s)) return *failed;
  CGeneralPage& g = s.General();
  AwaitOptions(s, g);
  const GeneralStatusViewState& status = g.StatusView();
  const GeneralOptionsViewState& options = g.OptionsView();
  const int mode = g.DisplayMode() >= 1 && g.DisplayMode() <= 3 ? g.DisplayMode() : 0;
  Report r;
  Json& j = r.result;
  j.Set("device", status.deviceText);
  j.Set("version", status.versionText);
  const std::string size = Size(status.deviceText);
  j.Set("size", size.empty() ? Json() : Json(size));  // unread or unnamed: unknown
  j.Set("display_mode", mode == 0 ? Json() : Json(kModeNames[static_cast<size_t>(mode)]));
  Json opts = Json::MakeObject();
  opts.Set("beep", OptionJson(options, options.beep));
  opts.Set("ir", OptionJson(options, options.ir));
  opts.Set("border", OptionJson(options, options.border));
  j.Set("options", opts);
  r.lines.push_back("device:       " + status.deviceText);
  r.lines.push_back("version:      " + status.versionText);
  r.lines.push_back("size:         " + (size.empty() ? std::string("unknown") : size));
  r.lines.push_back(std::string("display mode: ") + kModeNames[static_cast<size_t>(mode)]);
  if (mode == 2) {
    Json mv = Json::MakeObject();
    mv.Set("layout", SelectionJson(options.layout));
    mv.Set("main", SelectionJson(options.main));
    mv.Set("audio", SelectionJson(options.audio));
    j.Set("multiview", mv);
    r.lines.push_back("multiview:    layout " + SelectionText(options.layout) + ", main " + SelectionText(options.main) +
                      ", audio " + SelectionText(options.audio));
  } else if (mode == 3) {
    const int input = WallInput(options);
    Json wall = Json::MakeObject();
    wall.Set("x", SelectionJson(options.wallX));
    wall.Set("y", SelectionJson(options.wallY));
    wall.Set("input", input == 0 ? Json() : Json(input));
    j.Set("wall", wall);
    r.lines.push_back("video wall:   " + SelectionText(options.wallX) + "x" + SelectionText(options.wallY) + ", input " +
                      (input == 0 ? std::string("unknown") : std::to_string(input)));
  }
  r.lines.push_back(std::string("options:      beep ") + OptionText(options, options.beep) + ", ir " +
                    OptionText(options, options.ir) + ", border " + OptionText(options, options.border));
  j.Set("inputs", PortsJson(status.inputs));
  j.Set("outputs", PortsJson(status.outputs));
  for (size_t k = 0; k < kPorts; ++k) r.lines.push_back(status.inputs[k].text);
  for (size_t k = 0; k < kPorts; ++k) r.lines.push_back(status.outputs[k].text);
  return r;
}

struct OnOffOption {
  const char* name;
  void (CGeneralPage::*press)();
  CheckViewState GeneralOptionsViewState::*box;
};
constexpr std::array<OnOffOption, 3> kOptions{{
    {"beep", &CGeneralPage::OnBeepCheck, &GeneralOptionsViewState::beep},
    {"ir", &CGeneralPage::OnIrCheck, &GeneralOptionsViewState::ir},
    {"border", &CGeneralPage::OnBorderCheck, &GeneralOptionsViewState::border},
}};

Report RunOption(Session& s, const OnOffOption& option, bool on) {
  if (auto failed = OpenGeneral(s)) return *failed;
  CGeneralPage& g = s.General();
  AwaitOptions(s, g);
  const CheckViewState& box = g.OptionsView().*option.box;
  Report r;
  if (!g.OptionsView().current) {
    // A click toggles what the box shows: unread, it could ask for the wrong state.
    r = Report::Failure(Outcome::kTimedOut, "The switcher's options could not be read",
                        "an answer of the read-back was lost or damaged, twice");
  } else if (!box.enabled) {
    r = Report::Failure(Outcome::kRefused, std::string("The ") + option.name + " option is disabled",
                        "Show Border belongs to the multi-viewer display mode");
  } else if (box.checked != on) {
    // The check box asks for the opposite of what it shows, as a click on it does.
    r = PressAndJudge(
        s, [&](CGeneralPage& p) { (p.*option.press)(); },
        [&](CGeneralPage& p) { return (p.OptionsView().*option.box).checked == on; });
  }
  const CheckViewState& now = g.OptionsView().*option.box;
  // A command still in flight when the time ran out may yet be taken: its option is unknown.
  const bool inFlight = g.PageBusy();
  r.lines.push_back(std::string(option.name) + ": " + (inFlight ? "unknown" : OptionText(g.OptionsView(), now)));
  r.result.Set("option", option.name);
  r.result.Set("on", inFlight ? Json() : OptionJson(g.OptionsView(), now));
  return r;
}

// One display-mode setting: the list it shows in and the handler its selection calls.
struct ModeSetting {
  const char* option;  // --layout ...
  int mode;            // the display mode it belongs to
  int high;
  void (CGeneralPage::*press)(int index);
  ListViewState GeneralOptionsViewState::*list;
};
constexpr std::array<ModeSetting, 5> kModeSettings{{
    {"--layout", 2, 4, &CGeneralPage::OnLayoutSelChange, &GeneralOptionsViewState::layout},
    {"--main", 2, 4, &CGeneralPage::OnMainSelChange, &GeneralOptionsViewState::main},
    {"--audio", 2, 4, &CGeneralPage::OnAudioSelChange, &GeneralOptionsViewState::audio},
    {"--x", 3, 32, &CGeneralPage::OnWallXSelChange, &GeneralOptionsViewState::wallX},
    {"--y", 3, 32, &CGeneralPage::OnWallYSelChange, &GeneralOptionsViewState::wallY},
}};

struct ModeRequest {
  int mode = 0;
  std::vector<std::pair<const ModeSetting*, int>> settings;
  int input = 0;  // video wall: --input N
};

Report RunMode(Session& s, const ModeRequest& request) {
  CGeneralPage& g = s.General();
  // A value is known where its command was confirmed, or refused with the options read: one left
  // unanswered (timed out, or still in flight when the time ran out) may have been taken.
  auto known = [&](const Report& step) {
    return step.Ok() || (step.outcome == Outcome::kRefused && g.OptionsView().current && !g.PageBusy());
  };
  Report r = PressAndJudge(
      s, [&](CGeneralPage& p) { p.OnModeCheck(request.mode); },
      [&](CGeneralPage& p) { return p.DisplayMode() == request.mode; });
  const bool modeKnown = known(r);
  std::vector<bool> settingKnown(request.settings.size(), false);
  for (size_t i = 0; i < request.settings.size() && r.Ok(); ++i) {
    const auto& [setting, value] = request.settings[i];
    s.RunFor(20);  // the mode's acknowledgement starts a read-back of its settings
    r = PressAndJudge(
        s, [&](CGeneralPage& p) { (p.*setting->press)(value - 1); },
        [&](CGeneralPage& p) { return (p.OptionsView().*setting->list).selection == value - 1; });
    settingKnown[i] = known(r);
    if (!r.Ok() && r.reason.empty()) r.reason = std::string(setting->option + 2) + " was not confirmed";
  }
  bool inputKnown = false;
  if (r.Ok() && request.input != 0) {
    r = PressAndJudge(
        s, [&](CGeneralPage& p) { p.OnInputCheck(request.input); },
        [&](CGeneralPage& p) { return p.OptionsView().inputs[static_cast<size_t>(request.input - 1)].checked; });
    inputKnown = known(r);
  }
  const int mode = modeKnown && g.DisplayMode() >= 1 && g.DisplayMode() <= 3 ? g.DisplayMode() : 0;
  r.lines.push_back(std::string("display mode: ") + kModeNames[static_cast<size_t>(mode)]);
  r.result.Set("display_mode", mode == 0 ? Json() : Json(kModeNames[static_cast<size_t>(mode)]));
  for (size_t i = 0; i < request.settings.size(); ++i) {
    const ModeSetting* setting = request.settings[i].first;
    r.result.Set(setting->option + 2, settingKnown[i] ? SelectionJson(g.OptionsView().*setting->list) : Json());
  }
  if (request.input != 0) {
    const int input = inputKnown ? WallInput(g.OptionsView()) : 0;
    r.lines.push_back("input:        " + (input == 0 ? std::string("unknown") : std::to_string(input)));
    r.result.Set("input", input == 0 ? Json() : Json(input));
  }
  return r;
}

}  // namespace

Prepared PrepareInfo(const Args& args, const CliOptions&) {
  if (!args.empty()) return UsageError("info takes no arguments");
  return Linked([](Session* s) { return RunInfo(*s); });
}

Prepared PrepareOption(const Args& args, const CliOptions&) {
  if (args.size() != 2) return UsageError("option needs beep, ir or border, then on or off");
  const auto on = ParseOnOff(args[1]);
  for (const OnOffOption& option : kOptions) {
    if (args[0] != option.name) continue;
    if (!on) return UsageError("option " + args[0] + " needs on or off, not " + args[1]);
    return Linked([&option, value = *on](Session* s) { return RunOption(*s, option, value); });
  }
  return UsageError("unknown option " + args[0] + " (beep, ir or border)");
}

Prepared PrepareMode(const Args& args, const CliOptions&) {
  static const std::array<const char*, 3> kNames{"matrix", "multiview", "wall"};
  if (args.empty()) return UsageError("mode needs matrix, multiview or wall");
  ModeRequest request;
  for (size_t m = 0; m < kNames.size(); ++m) {
    if (args[0] == kNames[m]) request.mode = static_cast<int>(m) + 1;
  }
  if (request.mode == 0) return UsageError("unknown display mode " + args[0] + " (matrix, multiview or wall)");
  for (size_t i = 1; i < args.size(); i += 2) {
    const std::string& option = args[i];
    const std::string value = i + 1 < args.size() ? args[i + 1] : "";
    if (option == "--input" && request.mode == 3) {
      const auto n = ParseNumber(value, 1, 4);
      if (!n) return UsageError("--input needs an input from 1 to 4");
      request.input = *n;
      continue;
    }
    const ModeSetting* found = nullptr;
    for (const ModeSetting& setting : kModeSettings) {
      if (option == setting.option && setting.mode == request.mode) found = &setting;
    }
    if (!found) return UsageError("mode " + args[0] + " does not take " + option);
    const auto n = ParseNumber(value, 1, found->high);
    if (!n) return UsageError(option + " needs a number from 1 to " + std::to_string(found->high));
    request.settings.emplace_back(found, *n);
  }
  return Linked([request](Session* s) { return RunMode(*s, request); });
}

Prepared PrepareFactoryReset(const Args& args, const CliOptions&) {
  if (args.size() != 1 || args[0] != "--yes") {
    return UsageError(
        "factory-reset needs --yes: it routes input N to output N, sets every input's EDID, beep on, every input "
        "to HDMI, and effects and times to their defaults");
  }
  return Linked([](Session* s) {
    Report r = PressAndJudge(
        *s, [](CGeneralPage& g) { g.OnFactoryReset(); },
        [s, mark = s->MessageMark()](CGeneralPage& g) {
          if (g.RestoreStep() != -1) return false;
          for (size_t i = mark; i < s->Messages().size(); ++i) {
            if (IsSuccessMessage(s->Messages()[i])) return true;
          }
          return false;
        });
    if (r.Ok()) r.lines.push_back("factory reset: done");
    return r;
  });
}

}  // namespace velantor::cli
