// Every operation of every page as a row the fault matrix and the soak can run: the user's action
// for an attempt, and whether the page and the switcher both hold what it asked for.
#pragma once

#include <fstream>
#include <string>
#include <vector>

#include "support/edid_samples.h"
#include "support/fault_matrix.h"

namespace velantor::testing {

namespace ops {

inline CGeneralPage& General(ShellHarness& h) { return h.PageAs<CGeneralPage>(kPageGeneral); }
inline CMatrixPage& Matrix(ShellHarness& h) { return h.PageAs<CMatrixPage>(kPageMatrix); }
inline CEdidPage& Edid(ShellHarness& h) { return h.PageAs<CEdidPage>(kPageEdid); }
inline CUpgradePage& Upgrade(ShellHarness& h) { return h.PageAs<CUpgradePage>(kPageFirmware); }

inline std::string WriteFile(ShellHarness& h, const std::string& name, const std::vector<uint8_t>& bytes) {
  const auto path = h.root / name;
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return path.string();
}

// Image bytes that never form a part marker (no byte is A2 to A5).
inline std::vector<uint8_t> McuBytes(size_t length, int seed) {
  std::vector<uint8_t> image(length);
  for (size_t i = 0; i < length; ++i) image[i] = static_cast<uint8_t>((i * 7 + static_cast<size_t>(seed) + i / 256) % 0xA0);
  return image;
}

// A firmware file: each section its marker and image, scrambled with the stream's length under
// the key 0xC3.
inline std::vector<uint8_t> FirmwareFileBytes(const std::vector<std::pair<int, std::vector<uint8_t>>>& sections) {
  static const uint8_t markers[4][2] = {{0xA5, 0x5A}, {0xA4, 0x5B}, {0xA3, 0x5C}, {0xA2, 0x5D}};
  std::vector<uint8_t> stream;
  for (const auto& [part, image] : sections) {
    stream.insert(stream.end(), markers[part - 1], markers[part - 1] + 2);
    stream.insert(stream.end(), image.begin(), image.end());
  }
  const uint8_t mask = static_cast<uint8_t>((stream.size() & 0xFF) ^ 0xC3);
  for (uint8_t& b : stream) b ^= mask;
  return stream;
}

inline bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// An on/off option: the click asks for the opposite of what the box shows.
inline Operation OnOffOption(const std::string& name, void (CGeneralPage::*click)(), const CheckViewState GeneralOptionsViewState::*box,
                             bool sim::DeviceOptions::*value, int displayMode = 1) {
  Operation op;
  op.name = name;
  op.displayMode = displayMode;
  op.start = [click, box](ShellHarness& h, int) {
    const bool want = !(General(h).OptionsView().*box).checked;
    (General(h).*click)();
    return OnOff(want);
  };
  op.took = [box, value](ShellHarness& h, const std::string& asked) {
    return OnOff((General(h).OptionsView().*box).checked) == asked && OnOff(h.model.State().options.*value) == asked;
  };
  return op;
}

// A list setting of a display mode: the next entry after the one shown.
inline Operation ListOption(const std::string& name, void (CGeneralPage::*choose)(int), const ListViewState GeneralOptionsViewState::*list,
                            uint8_t sim::DeviceOptions::*value, int displayMode, int entries) {
  Operation op;
  op.name = name;
  op.displayMode = displayMode;
  op.start = [choose, list, entries](ShellHarness& h, int) {
    const int next = ((General(h).OptionsView().*list).selection + 1) % entries;
    (General(h).*choose)(next);
    return std::to_string(next + 1);
  };
  op.took = [list, value](ShellHarness& h, const std::string& asked) {
    return Selected(General(h).OptionsView().*list) == asked && std::to_string(h.model.State().options.*value) == asked;
  };
  return op;
}

inline std::vector<Operation> GeneralOperations() {
  std::vector<Operation> rows;
  {
    Operation op;
    op.name = "General connect chain";
    op.linksItself = true;
    op.boundMs = 25000;
    op.midMs = 1100;
    op.start = [](ShellHarness& h, int) {
      auto& g = General(h);
      const bool tcp = g.View().comMode == false || h.shared.LinkMode == 1;
      if (tcp ? h.shared.TcpLinkUp == 1 : h.shared.ComLinkOpen == 1) {  // a press on a linked page disconnects
        tcp ? g.OnTcpConnect() : g.OnComConnect();
        h.loop.Advance(100);
      }
      if (tcp) {
        g.OnTcpConnect();
      } else {
        g.OnComConnect();
      }
      return std::string();
    };
    op.took = [](ShellHarness& h, const std::string&) {
      const auto& s = General(h).StatusView();
      return s.deviceCurrent && s.inputs[3].current && Mismatches(GeneralItems(h)).empty();
    };
    rows.push_back(op);
  }
  {
    Operation op;
    op.name = "General status";
    op.boundMs = 25000;
    op.midMs = 400;
    op.start = [](ShellHarness& h, int attempt) {
      h.model.SetPortConnected(true, 2, attempt % 2 == 0);
      General(h).RequestStatus();
      return OnOff(attempt % 2 == 0);
    };
    op.took = [](ShellHarness& h, const std::string& asked) {
      const auto& line = General(h).StatusView().inputs[1];
      return line.current && OnOff(line.connected == 1) == asked;
    };
    rows.push_back(op);
  }
  rows.push_back(OnOffOption("General beep", &CGeneralPage::OnBeepCheck, &GeneralOptionsViewState::beep, &sim::DeviceOptions::beep));
  rows.push_back(OnOffOption("General IR", &CGeneralPage::OnIrCheck, &GeneralOptionsViewState::ir, &sim::DeviceOptions::ir));
  rows.push_back(OnOffOption("General border", &CGeneralPage::OnBorderCheck, &GeneralOptionsViewState::border,
                             &sim::DeviceOptions::border, 2));
  {
    Operation op;
    op.name = "General display mode";
    op.start = [](ShellHarness& h, int) {
      const int want = General(h).DisplayMode() % 3 + 1;
      General(h).OnModeCheck(want);
      return std::to_string(want);
    };
    op.took = [](ShellHarness& h, const std::string& asked) {
      return CheckedOf(General(h).OptionsView().modes) == asked && std::to_string(h.model.State().options.displayMode) == asked;
    };
    rows.push_back(op);
  }
  rows.push_back(ListOption("General layout", &CGeneralPage::OnLayoutSelChange, &GeneralOptionsViewState::layout,
                            &sim::DeviceOptions::layout, 2, 4));
  rows.push_back(ListOption("General wall X", &CGeneralPage::OnWallXSelChange, &GeneralOptionsViewState::wallX,
                            &sim::DeviceOptions::wallColumns, 3, 32));
  {
    Operation op;
    op.name = "General input channel";
    op.displayMode = 3;
    op.start = [](ShellHarness& h, int) {
      const int want = h.model.State().options.inputChannel % 4 + 1;
      General(h).OnInputCheck(want);
      return std::to_string(want);
    };
    op.took = [](ShellHarness& h, const std::string& asked) {
      const auto& boxes = General(h).OptionsView().inputs;
      const int n = std::stoi(asked);
      return boxes[static_cast<size_t>(n - 1)].checked && h.model.State().options.inputChannel == n;
    };
    rows.push_back(op);
  }
  {
    Operation op;
    op.name = "General factory reset";
    op.boundMs = 40000;
    op.midMs = 40;
    op.start = [](ShellHarness& h, int) {
      h.model.State().Output(2).route = 3;
      General(h).OnFactoryReset();
      return std::string();
    };
    op.took = [](ShellHarness& h, const std::string&) {
      return h.model.State().Output(2).route == 2 && h.model.State().Output(4).time == 4 && General(h).RestoreFlag() == 0 &&
             General(h).OptionsView().beep.checked && h.model.State().options.beep;
    };
    rows.push_back(op);
  }
  {
    Operation op;
    op.name = "General network configuration";
    op.noWire = "UDP exchange";
    rows.push_back(op);
  }
  return rows;
}

// The input shown on output k, as a number.
inline int ShownRoute(ShellHarness& h, int k) {
  const std::string& d = Matrix(h).View().outputs[static_cast<size_t>(k - 1)].display;
  return d.empty() || d.find_first_not_of("0123456789") != std::string::npos ? 0 : std::stoi(d);
}
inline bool RouteHeld(ShellHarness& h, int k, int input) {
  return ShownRoute(h, k) == input && h.model.State().Output(k).route == input && Matrix(h).OutputSource(k) == input;
}

inline Operation EffectList(const std::string& name, void (CMatrixPage::*choose)(int, int), bool time) {
  Operation op;
  op.name = name;
  op.start = [choose, time](ShellHarness& h, int) {
    const auto& col = Matrix(h).View().columns[1];
    const int entries = time ? 8 : 16;
    const int next = ((time ? col.time : col.mode).selection + 1) % entries;
    (Matrix(h).*choose)(2, next);
    return std::to_string(next + 1);
  };
  op.took = [time](ShellHarness& h, const std::string& asked) {
    const auto& col = Matrix(h).View().columns[1];
    const auto& out = h.model.State().Output(2);
    return Selected(time ? col.time : col.mode) == asked && std::to_string(time ? out.time : out.effect) == asked;
  };
  return op;
}

inline std::vector<Operation> MatrixOperations() {
  std::vector<Operation> rows;
  {
    Operation op;
    op.name = "Matrix poll";
    op.page = kPageMatrix;
    op.boundMs = 30000;
    op.midMs = 20;
    op.start = [](ShellHarness& h, int attempt) {
      h.model.State().Output(3).route = static_cast<uint8_t>(attempt + 1);
      Matrix(h).StartPolling();
      return std::to_string(attempt + 1);
    };
    op.took = [](ShellHarness& h, const std::string& asked) {
      return std::to_string(ShownRoute(h, 3)) == asked && Mismatches(MatrixItems(h)).empty();
    };
    rows.push_back(op);
  }
  {
    Operation op;
    op.name = "Matrix switch";
    op.page = kPageMatrix;
    op.start = [](ShellHarness& h, int) {
      const int want = ShownRoute(h, 2) % 4 + 1;
      Matrix(h).OnInputButton(2, want);
      return std::to_string(want);
    };
    op.took = [](ShellHarness& h, const std::string& asked) { return RouteHeld(h, 2, std::stoi(asked)); };
    rows.push_back(op);
  }
  {
    Operation op;
    op.name = "Matrix all outputs";
    op.page = kPageMatrix;
    op.boundMs = 45000;
    op.midMs = 2;
    op.start = [](ShellHarness& h, int) {
      const int want = ShownRoute(h, 1) % 4 + 1;
      Matrix(h).OnSelectOutput(4);
      Matrix(h).OnConfigInput(want);
      return std::to_string(want);
    };
    op.took = [](ShellHarness& h, const std::string& asked) {
      for (int k = 1; k <= 4; ++k) {
        if (!RouteHeld(h, k, std::stoi(asked))) return false;
      }
      return true;
    };
    rows.push_back(op);
  }
  {
    Operation op;
    op.name = "Matrix port to port";
    op.page = kPageMatrix;
    op.boundMs = 45000;
    op.midMs = 2;
    op.arrange = [](sim::DeviceState& s) {
      for (int k = 1; k <= 4; ++k) s.Output(k).route = 1;
    };
    op.start = [](ShellHarness& h, int) {
      Matrix(h).OnSelectOutput(5);
      return std::string();
    };
    op.took = [](ShellHarness& h, const std::string&) {
      for (int k = 1; k <= 4; ++k) {
        if (!RouteHeld(h, k, k)) return false;
      }
      return true;
    };
    rows.push_back(op);
  }
  rows.push_back(EffectList("Matrix effect", &CMatrixPage::OnSwitchModeSelChange, false));
  rows.push_back(EffectList("Matrix effect time", &CMatrixPage::OnSwitchTimeSelChange, true));
  {
    Operation op;
    op.name = "Matrix input type";
    op.page = kPageMatrix;
    op.minMs = 5100;  // a type request has no timer: its acknowledgement comes within the reply time or never
    op.start = [](ShellHarness& h, int) {
      const int want = h.model.State().Input(2).signalType % 3 + 1;
      Matrix(h).OnTypeButton(2, want);
      return std::to_string(want);
    };
    op.took = [](ShellHarness& h, const std::string& asked) {
      return CheckedOf(Matrix(h).View().columns[1].types) == asked && std::to_string(h.model.State().Input(2).signalType) == asked;
    };
    rows.push_back(op);
  }
  {
    Operation op;
    op.name = "Matrix scene recall";
    op.page = kPageMatrix;
    op.boundMs = 45000;
    op.midMs = 2;
    op.start = [](ShellHarness& h, int attempt) {
      const int row = attempt % 2;
      Matrix(h).OnSceneClick(row);
      if (row == 1) {  // an empty row recalls nothing: give it input 3 everywhere
        Matrix(h).OnSceneEdit();
        Matrix(h).SceneDialog().OnAllFromSelChange(3);
        Matrix(h).OnSceneDialogOk();
      }
      Matrix(h).OnSceneSet();
      // The plan as the scene list shows it: one input per output, blank for none.
      std::string plan;
      for (int k = 1; k <= 4; ++k) {
        const std::string& cell = Matrix(h).View().scenes.rows[static_cast<size_t>(row)][static_cast<size_t>(k)];
        plan += cell.size() == 1 && cell[0] >= '1' && cell[0] <= '8' ? cell[0] : '0';
      }
      return plan;
    };
    op.took = [](ShellHarness& h, const std::string& plan) {
      for (int k = 1; k <= 4; ++k) {
        const int want = plan[static_cast<size_t>(k - 1)] - '0';
        if (want != 0 && !RouteHeld(h, k, want)) return false;
      }
      return true;
    };
    rows.push_back(op);
  }
  // Routing, effects and types work in the matrix display mode only.
  for (auto& r : rows) {
    r.page = kPageMatrix;
    r.displayMode = 1;
  }
  return rows;
}

inline std::string EdidRow(ShellHarness& h, int n) { return Edid(h).StatusView().rows[static_cast<size_t>(n - 1)].text; }
inline bool EdidRowHeld(ShellHarness& h, int n) {
  return !EdidRow(h, n).empty() && EdidRow(h, n) == EdidStatusText(h.model.State().Input(n).edidCode);
}

// A valid EDID that differs with `seed` (one byte of the descriptors), its checksums right.
inline std::vector<uint8_t> SeededEdid(int seed) {
  std::vector<uint8_t> e = EdidFullOfStartPairs();
  e[140] = static_cast<uint8_t>(seed);
  SealEdidBlock(e, 0);
  SealEdidBlock(e, 128);
  return e;
}

inline std::vector<Operation> EdidOperations() {
  std::vector<Operation> rows;
  {
    Operation op;
    op.name = "EDID status";
    op.boundMs = 50000;
    op.midMs = 1;
    op.start = [](ShellHarness& h, int attempt) {
      h.model.State().Input(3).edidCode = static_cast<uint8_t>(attempt == 1 ? 4 : 5);
      Edid(h).OnStatus();
      return EdidStatusText(h.model.State().Input(3).edidCode);
    };
    op.took = [](ShellHarness& h, const std::string& asked) { return EdidRow(h, 3) == asked; };
    rows.push_back(op);
  }
  {
    Operation op;
    op.name = "EDID set";
    op.boundMs = 30000;
    op.midMs = 1;
    op.start = [](ShellHarness& h, int) {
      const int index = h.model.State().Input(3).edidMode == *EdidModeValue(1) ? 2 : 1;
      Edid(h).OnModeSelChange(index);
      Edid(h).OnSetTargetSelChange(2);  // IN3
      Edid(h).OnSetMode();
      return std::to_string(*EdidModeValue(index));
    };
    op.took = [](ShellHarness& h, const std::string& asked) {
      return std::to_string(h.model.State().Input(3).edidMode) == asked && EdidRowHeld(h, 3);
    };
    op.deviceTook = [](ShellHarness& h, const std::string& asked) {
      return std::to_string(h.model.State().Input(3).edidMode) == asked;
    };
    rows.push_back(op);
  }
  {
    Operation op;
    op.name = "EDID copy";
    op.boundMs = 30000;
    op.midMs = 1;
    op.start = [](ShellHarness& h, int attempt) {
      Edid(h).OnCopySourceSelChange(attempt);  // HDMI OUT B, then C
      Edid(h).OnCopyTargetSelChange(0);        // IN1
      Edid(h).OnCopy();
      return std::string(1, static_cast<char>('A' + attempt));
    };
    op.took = [](ShellHarness& h, const std::string& letter) {
      return EdidRowHeld(h, 1) && Contains(EdidRow(h, 1), "OUT " + letter);
    };
    op.deviceTook = [](ShellHarness& h, const std::string& letter) {
      return Contains(EdidStatusText(h.model.State().Input(1).edidCode), "OUT " + letter);
    };
    rows.push_back(op);
  }
  {
    Operation op;
    op.name = "EDID download";
    op.boundMs = 30000;
    op.midMs = 100;
    op.start = [](ShellHarness& h, int attempt) {
      Edid(h).OnOpenFile(WriteFile(h, "edid" + std::to_string(attempt) + ".bin", SeededEdid(attempt)));
      Edid(h).OnDownloadTargetSelChange(1);  // IN2
      Edid(h).OnDownload();
      return std::to_string(attempt);
    };
    op.took = [](ShellHarness& h, const std::string& asked) {
      const auto want = SeededEdid(std::stoi(asked));
      const auto& held = h.model.State().Input(2).edid;
      return std::equal(want.begin(), want.end(), held.begin()) && EdidRowHeld(h, 2);
    };
    op.deviceTook = [](ShellHarness& h, const std::string& asked) {
      const auto want = SeededEdid(std::stoi(asked));
      return std::equal(want.begin(), want.end(), h.model.State().Input(2).edid.begin());
    };
    rows.push_back(op);
  }
  {
    Operation op;
    op.name = "EDID read";
    op.boundMs = 30000;
    op.midMs = 1;
    op.start = [](ShellHarness& h, int attempt) {
      const auto e = SeededEdid(10 + attempt);
      std::copy(e.begin(), e.end(), h.model.State().Output(2).displayEdid.begin());
      Edid(h).OnReadSourceSelChange(1);  // Out2
      Edid(h).OnRead();
      return std::to_string(10 + attempt);
    };
    op.took = [](ShellHarness& h, const std::string& asked) {
      const auto want = SeededEdid(std::stoi(asked));
      const auto& shown = Edid(h).ShownEdid();
      return shown.has_value() && std::equal(want.begin(), want.end(), shown->begin());
    };
    rows.push_back(op);
  }
  for (auto& r : rows) r.page = kPageEdid;
  return rows;
}

// A firmware write of the given part shape; each attempt writes other bytes.
inline Operation FirmwareWrite(const std::string& name, std::vector<std::pair<int, size_t>> shape, const std::string& done,
                               bool confirm = false) {
  Operation op;
  op.name = name;
  op.page = kPageFirmware;
  op.boundMs = 90000;
  op.midMs = 450;
  op.start = [shape, confirm](ShellHarness& h, int attempt) {
    std::vector<std::pair<int, std::vector<uint8_t>>> sections;
    for (const auto& [part, length] : shape) sections.push_back({part, McuBytes(length, attempt * 10 + part)});
    Upgrade(h).OnOpenFile(WriteFile(h, "fw" + std::to_string(attempt) + ".fw", FirmwareFileBytes(sections)));
    const size_t logFrom = Upgrade(h).View().log.size();
    Upgrade(h).OnUpgrade();
    if (confirm) Upgrade(h).OnPromptAnswer(true);
    return std::to_string(attempt) + " " + std::to_string(logFrom);
  };
  // Each part holds this attempt's image, and the log of this write ends as it should.
  op.took = [shape, done, confirm](ShellHarness& h, const std::string& asked) {
    const int attempt = std::stoi(asked);
    const size_t logFrom = std::stoul(asked.substr(asked.find(' ') + 1));
    for (const auto& [part, length] : shape) {
      if (part == 4) continue;  // the panel image cannot go over the link
      if (confirm && part != 1) continue;  // confirmed, the main MCU took the whole rest of the file
      const auto want = McuBytes(length, attempt * 10 + part);
      const auto held = h.model.Firmware().Assembled(part);
      if (held.size() < want.size() || !std::equal(want.begin(), want.end(), held.begin())) return false;
    }
    const std::string& log = Upgrade(h).View().log;
    return log.size() > logFrom && Contains(log.substr(logFrom), done);
  };
  return op;
}

inline std::vector<Operation> FirmwareOperations() {
  std::vector<Operation> rows;
  rows.push_back(FirmwareWrite("FW write main", {{1, 3 * 256 + 100}}, "Firmware upgrade Successfully"));
  rows.push_back(FirmwareWrite("FW write slave+IR", {{2, 2 * 256 + 5}, {3, 256 + 30}}, "Firmware upgrade Successfully"));
  rows.push_back(FirmwareWrite("FW write with panel", {{2, 300}, {4, 300}}, "Firmware upgrade incomplete"));
  rows.push_back(FirmwareWrite("FW write merged main", {{1, 300}, {2, 300}}, "Firmware upgrade Successfully", true));
  Operation merge;
  merge.name = "FW merge";
  merge.page = kPageFirmware;
  merge.noWire = "no wire";
  rows.push_back(merge);
  return rows;
}

}  // namespace ops

inline std::vector<Operation> AllOperations() {
  std::vector<Operation> rows;
  for (auto* table : {&ops::GeneralOperations, &ops::MatrixOperations, &ops::EdidOperations, &ops::FirmwareOperations}) {
    for (auto& r : (*table)()) rows.push_back(std::move(r));
  }
  return rows;
}

}  // namespace velantor::testing
