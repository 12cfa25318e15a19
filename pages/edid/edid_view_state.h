// What the EDID page's controls show: the mode and copy rows, the open-and-download row, the
// input EDID list, the read and save controls and the "EDID content" grid with the decoded
// summary beside it.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "app/view_state.h"
#include "pages/edid/edid_tables.h"

namespace velantor {

struct ButtonViewState {
  std::string caption;
  bool enabled = true;
  bool visible = true;
};

struct TextViewState {
  std::string text;
  bool enabled = true;
  bool visible = true;
};

// "Set EDID Mode ... to ... Set" and "Copy EDID From ... to ... Set".
struct EdidModesViewState {
  ListViewState modes;        // 1080
  ListViewState setTargets;   // 1081
  ButtonViewState set{"Set"};  // 1082
  ListViewState copySources;  // 1083
  ListViewState copyTargets;  // 1084
  ButtonViewState copy{"Set"};  // 1085
  // The template's mode radios have no behaviour: they stay hidden.
  CheckViewState autoMode{"Auto mode", false, true, false};      // 1139
  CheckViewState manualMode{"Manual mode", false, true, false};  // 1140
};

// One row of the "Input EDID List".
struct EdidStatusRowViewState {
  std::string label;  // "IN1:"
  std::string text;   // the input's EDID as the switcher reports it
  bool visible = true;
  bool current = false;  // reported since the page was last shown (drawn grey otherwise)
};

struct EdidStatusViewState {
  std::array<EdidStatusRowViewState, kEdidMaxPorts> rows;
  ButtonViewState status{"Status"};  // 1222
  bool groupVisible = true;          // 1232
};

// Open-and-download, read, save and the content grid.
struct EdidDataViewState {
  TextViewState filePath;       // 1098: the accepted file
  std::string problem;          // why the last file was refused or a save failed
  ButtonViewState open{"Open"};  // 1090
  ListViewState downloadTargets;  // 1099
  ButtonViewState download{"Set"};  // 1091
  bool dataGroupVisible = true;   // "EDID data control"
  ListViewState readSources;      // 1086
  ButtonViewState read{"Read"};   // 1087
  ButtonViewState save{"Save"};   // 1088
  TextViewState savedPath;        // 1097
  ButtonViewState clear{"Clear"};  // 1100
  // The grid: column headers, row headers and the 16 x 16 byte cells (empty when cleared).
  std::vector<std::string> columnHeaders;
  std::array<std::string, kEdidContentRows> rowHeaders;
  EdidContentCells cells;
  std::string contentSource;         // where the shown bytes came from
  std::vector<std::string> summary;  // the decoded EDID, one fact per line
};

}  // namespace velantor
