// What a page shows next to what the emulated switcher holds, item by item, and the leftovers an
// ended operation must not leave behind (running timers, disabled controls, an open busy dialog).
// The fault matrix and the model-checked soak judge every page through these.
#pragma once

#include <string>
#include <vector>

#include "app/page_base.h"
#include "pages/edid/edid_page.h"
#include "pages/edid/edid_tables.h"
#include "pages/firmware/upgrade_page.h"
#include "pages/general/general_page.h"
#include "pages/matrix/matrix_page.h"
#include "support/shell_harness.h"

namespace velantor::testing {

// One thing the user sees and the switcher's value for it, written the same way. `shown` is
// empty while the page has not read the item over the present link.
struct ShownItem {
  std::string label;
  std::string shown;
  std::string device;
};

inline std::string OnOff(bool on) { return on ? "on" : "off"; }
inline std::string Selected(const ListViewState& list) {
  return list.selection < 0 ? "" : std::to_string(list.selection + 1);
}
inline std::string CheckedOf(const std::array<CheckViewState, 3>& boxes) {
  for (size_t i = 0; i < boxes.size(); ++i) {
    if (boxes[i].checked) return std::to_string(i + 1);
  }
  return "";
}

inline PageBase* PageOf(ShellHarness& h, int page) { return dynamic_cast<PageBase*>(h.main->Page(page)); }

inline std::vector<ShownItem> GeneralItems(ShellHarness& h) {
  auto& g = h.PageAs<CGeneralPage>(kPageGeneral);
  const auto& o = g.OptionsView();
  const auto& s = g.StatusView();
  const auto& d = h.model.State();
  std::vector<ShownItem> items = {
      {"beep", OnOff(o.beep.checked), OnOff(d.options.beep)},
      {"ir", OnOff(o.ir.checked), OnOff(d.options.ir)},
      {"mode", CheckedOf(o.modes), std::to_string(d.options.displayMode)},
  };
  // The settings of one display mode are read only in that mode.
  if (d.options.displayMode == 2 && g.DisplayMode() == 2) {
    items.push_back({"border", OnOff(o.border.checked), OnOff(d.options.border)});
    items.push_back({"layout", Selected(o.layout), std::to_string(d.options.layout)});
  }
  if (d.options.displayMode == 3 && g.DisplayMode() == 3) {
    items.push_back({"wall x", Selected(o.wallX), std::to_string(d.options.wallColumns)});
  }
  for (int n = 1; n <= 4; ++n) {
    const auto& in = s.inputs[static_cast<size_t>(n - 1)];
    items.push_back({"input line " + std::to_string(n), in.current ? OnOff(in.connected == 1) : "",
                     OnOff(d.Input(n).connected)});
  }
  return items;
}

inline std::vector<ShownItem> MatrixItems(ShellHarness& h) {
  auto& m = h.PageAs<CMatrixPage>(kPageMatrix);
  const auto& v = m.View();
  const auto& d = h.model.State();
  std::vector<ShownItem> items;
  for (int k = 1; k <= 4; ++k) {
    const auto& out = v.outputs[static_cast<size_t>(k - 1)];
    const auto& col = v.columns[static_cast<size_t>(k - 1)];
    items.push_back({"route " + std::to_string(k), out.display, std::to_string(d.Output(k).route)});
    items.push_back({"effect " + std::to_string(k), Selected(col.mode), std::to_string(d.Output(k).effect)});
    items.push_back({"time " + std::to_string(k), Selected(col.time), std::to_string(d.Output(k).time)});
    items.push_back({"type " + std::to_string(k), CheckedOf(col.types), std::to_string(d.Input(k).signalType)});
  }
  return items;
}

inline std::vector<ShownItem> EdidItems(ShellHarness& h) {
  auto& e = h.PageAs<CEdidPage>(kPageEdid);
  std::vector<ShownItem> items;
  // A grey row claims nothing.
  for (int n = 1; n <= 4; ++n) {
    const auto& row = e.StatusView().rows[static_cast<size_t>(n - 1)];
    items.push_back({"edid " + std::to_string(n), row.current ? row.text : "", EdidStatusText(h.model.State().Input(n).edidCode)});
  }
  return items;
}

inline std::vector<ShownItem> FirmwareItems(ShellHarness& h) {
  auto& f = h.PageAs<CUpgradePage>(kPageFirmware);
  // The device line names the type and version the switcher reports.
  const auto& id = h.model.State().identity;
  const std::string version = std::to_string(id.versionMajor) + "." + std::to_string(id.versionMinor);
  const std::string& line = f.View().deviceLine;
  if (line.empty() || !f.View().deviceLineCurrent) return {{"device line", "", version}};  // grey: claims nothing
  return {{"device line", line.find(version) != std::string::npos ? version : line, version}};
}

inline std::vector<ShownItem> ItemsOf(ShellHarness& h, int page) {
  switch (page) {
    case kPageGeneral: return GeneralItems(h);
    case kPageMatrix: return MatrixItems(h);
    case kPageEdid: return EdidItems(h);
    default: return FirmwareItems(h);
  }
}

// Items shown that differ from the switcher (unread items do not count).
inline std::string Mismatches(const std::vector<ShownItem>& items) {
  std::string out;
  for (const auto& i : items) {
    if (!i.shown.empty() && i.shown != i.device) out += i.label + " shows " + i.shown + ", device " + i.device + "; ";
  }
  return out;
}

// After a failed operation every item shows what it showed before or what the switcher holds now.
inline std::string ThirdStates(const std::vector<ShownItem>& before, const std::vector<ShownItem>& after) {
  std::string out;
  for (size_t i = 0; i < after.size() && i < before.size(); ++i) {
    if (after[i].label != before[i].label) continue;
    // An item the page no longer claims to know (greyed when the link closed) is no third state.
    if (!after[i].shown.empty() && after[i].shown != before[i].shown && after[i].shown != after[i].device) {
      out += after[i].label + " shows " + after[i].shown + " (was " + before[i].shown + ", device " + after[i].device + "); ";
    }
  }
  return out;
}

// The page's timers still running, except the busy animation and the port rescan, which run for
// the whole life of the page.
inline std::string StrayTimers(ShellHarness& h, int page) {
  std::string out;
  PageBase* p = PageOf(h, page);
  if (!p) return out;
  for (int id = 0; id <= 200; ++id) {
    if (id == 60 || id == 66) continue;
    if (p->TimerRunning(id)) out += std::to_string(id) + " ";
  }
  return out;
}

inline bool PageBusy(ShellHarness& h, int page) {
  PageBase* p = PageOf(h, page);
  if (!p) return false;
  switch (page) {
    case kPageGeneral: {
      // After a connect the device information follows the untimed read-back a second later.
      auto& g = h.PageAs<CGeneralPage>(page);
      return g.PageBusy() || g.TimerRunning(CGeneralPage::kTimerInfoStart);
    }
    case kPageMatrix: return h.PageAs<CMatrixPage>(page).PageBusy() == 1;
    // The quiet refresh after an EDID operation keeps nothing busy: a click starts anew.
    case kPageEdid: return h.PageAs<CEdidPage>(page).Busy() == 1 || h.PageAs<CEdidPage>(page).Capturing();
    default: return h.PageAs<CUpgradePage>(page).Upgrading() == 1 || p->Runner().Running();
  }
}

// The names of the page's disabled controls, one list for the whole page.
inline std::vector<std::string> DisabledControls(ShellHarness& h, int page) {
  std::vector<std::string> off;
  auto note = [&off](bool enabled, const std::string& name) {
    if (!enabled) off.push_back(name);
  };
  if (page == kPageGeneral) {
    auto& g = h.PageAs<CGeneralPage>(page);
    const auto& o = g.OptionsView();
    note(g.View().comGroupEnabled || !g.View().comMode, "com group");
    note(g.View().tcpGroupEnabled || g.View().comMode, "tcp group");
    note(g.StatusView().statusEnabled, "status");
    note(o.beep.enabled, "beep");
    note(o.ir.enabled, "ir");
    note(o.factoryResetEnabled, "factory reset");
    for (size_t i = 0; i < 3; ++i) note(o.modes[i].enabled, "mode " + std::to_string(i + 1));
  } else if (page == kPageMatrix) {
    const auto& v = h.PageAs<CMatrixPage>(page).View();
    for (size_t k = 0; k < 4; ++k) {
      for (size_t n = 0; n < 4; ++n) note(v.outputs[k].inputs[n].enabled, "out" + std::to_string(k + 1) + " in" + std::to_string(n + 1));
      note(v.columns[k].mode.enabled, "mode list " + std::to_string(k + 1));
      note(v.columns[k].time.enabled, "time list " + std::to_string(k + 1));
      for (size_t t = 0; t < 3; ++t) note(v.columns[k].types[t].enabled, "type " + std::to_string(k + 1) + "/" + std::to_string(t + 1));
    }
    note(v.selectOutput.enabled, "select output");
    note(v.allButton.enabled, "all");
    note(v.sceneSet.enabled, "scene set");
    note(v.sceneEdit.enabled, "scene edit");
  } else if (page == kPageEdid) {
    auto& e = h.PageAs<CEdidPage>(page);
    note(e.ModesView().set.enabled, "set");
    note(e.ModesView().copy.enabled, "copy");
    note(e.StatusView().status.enabled, "status");
    note(e.DataView().download.enabled, "download");
    note(e.DataView().read.enabled, "read");
    note(e.DataView().open.enabled, "open");
  } else {
    const auto& v = h.PageAs<CUpgradePage>(page).View();
    note(v.openEnabled, "open");
    note(v.upgradeEnabled, "upgrade");
  }
  return off;
}

}  // namespace velantor::testing
