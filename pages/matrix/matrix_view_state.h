// The Matrix page's control ids, its fixed lists, and what every control of the page shows: the
// output groups with their read-out and input buttons, the effect and input-type columns, the
// Output configuration group, the ALL command and the scene list.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "app/view_state.h"

namespace velantor {

// The model is sized for eight inputs and outputs; the page drives a four by four switcher.
constexpr int kMatrixPorts = 8;
constexpr int kMatrixShownPorts = 4;

// Control ids of the Matrix page, as the layout names them.
namespace matrix_ids {
struct OutputIds {
  int display;
  std::array<int, kMatrixPorts> inputs;  // buttons "1" to "8"
  int previous;
  int next;
};
inline constexpr std::array<OutputIds, kMatrixPorts> kOutputs{{
    {1062, {1138, 1050, 1051, 1052, 1085, 1086, 1087, 1088}, 1057, 1058},
    {1063, {1139, 1140, 1141, 1142, 1151, 1152, 1153, 1154}, 1059, 1080},
    {1064, {1143, 1144, 1145, 1146, 1156, 1157, 1158, 1159}, 1081, 1082},
    {1065, {1147, 1148, 1149, 1150, 1160, 1161, 1162, 1163}, 1083, 1084},
    {1066, {1164, 1165, 1166, 1167, 1168, 1169, 1170, 1171}, 1089, 1090},
    {1067, {1172, 1173, 1174, 1175, 1176, 1177, 1178, 1179}, 1094, 1095},
    {1068, {1180, 1181, 1182, 1183, 1184, 1185, 1186, 1187}, 1096, 1097},
    {1069, {1188, 1189, 1190, 1191, 1192, 1193, 1194, 1195}, 1098, 1099},
}};

// One column of effect, AUTO/SCALER and input-type controls (output k and input k).
struct ColumnIds {
  int mode;
  int time;
  int autoButton;
  int scaler;
  int hdmi;
  int vga;
  int av;
  int typeGroup;
};
inline constexpr std::array<ColumnIds, kMatrixShownPorts> kColumns{{
    {1236, 1237, 1239, 1257, 1233, 1234, 1235, 1196},
    {1238, 1240, 1254, 1258, 1247, 1246, 1245, 1197},
    {1241, 1242, 1255, 1259, 1248, 1249, 1250, 1198},
    {1243, 1244, 1256, 1260, 1251, 1252, 1253, 1199},
}};

constexpr int kSelectOutputList = 1070;
constexpr int kFirstConfigInput = 1071;  // 1071..1078: inputs 1 to 8
constexpr int kAllButton = 1261;
constexpr int kAllList = 1262;
constexpr int kSceneList = 1047;
constexpr int kSceneSet = 1048;
constexpr int kSceneEdit = 1049;
constexpr int kReceivedLog = 1060;
constexpr int kSentLog = 1061;
constexpr int kClearReceivedLog = 1079;
}  // namespace matrix_ids

// The SWITCH MODE entries, trailing spaces kept: entry i sends effect number i + 1.
inline const std::array<std::string, 16> kSwitchModeNames{
    "快速切换     ", "淡入淡出     ", "水平拉幕     ", "垂直拉幕     ", "向右擦出     ", "向下擦出     ",
    "扇叶回旋     ", "风车回旋     ", "盒状展开",      "盒状收缩       ", "圆形收缩     ", "圆形展开     ",
    "水平百叶窗   ", "垂直百叶窗   ", "水平棋盘     ", "垂直棋盘 ",
};
// The SWITCH TIME entries: entry i sends time number i + 1, (i + 1) x 0.5 s.
inline const std::array<std::string, 8> kSwitchTimeNames{"1(0.5s)", "2(1s)",   "3(1.5s)", "4(2s)",
                                                         "5(2.5s)", "6(3s)",   "7(3.5s)", "8(4s)"};

// One output: its group, the segment read-out of the input shown, its input buttons and the
// previous / next buttons.
struct MatrixOutputViewState {
  std::string caption;  // "OUTPUT A"
  bool visible = true;
  std::string display = "1";
  // The read-out and buttons show what the switcher reported since the page was last shown;
  // until then (or when nothing answered) they are drawn grey.
  bool current = false;
  std::array<CheckViewState, kMatrixPorts> inputs;
  CheckViewState previous;
  CheckViewState next;
};

// One column: output k's effect lists with AUTO and SCALER, input k's signal type buttons.
struct MatrixColumnViewState {
  ListViewState mode;
  ListViewState time;
  CheckViewState autoButton{"AUTO"};
  CheckViewState scaler{"SCALER"};
  std::string typeCaption;  // "INPUT 1"
  std::array<CheckViewState, 3> types{CheckViewState{"HDMI"}, CheckViewState{"VGA"}, CheckViewState{"AV"}};
  // Each shows what the switcher reported or acknowledged since the page was last shown; until
  // then, after a change that timed out, or once the link went, it is drawn grey.
  bool modeCurrent = false;
  bool timeCurrent = false;
  bool typeCurrent = false;
};

// The scene list: a name column and one column per output; cells hold input numbers as text.
struct SceneListViewState {
  static constexpr int kRows = 8;
  static constexpr int kColumns = 1 + kMatrixPorts;
  std::array<std::string, kColumns> headings;
  std::array<int, kColumns> widths{};
  std::array<bool, kColumns> columnVisible{};
  std::array<std::array<std::string, kColumns>, kRows> rows;
  int selection = -1;
};

struct MatrixViewState {
  std::array<MatrixOutputViewState, kMatrixPorts> outputs;
  std::array<MatrixColumnViewState, kMatrixShownPorts> columns;
  // Output configuration: "Select Output" and the input buttons.
  ListViewState selectOutput;
  std::array<CheckViewState, kMatrixPorts> configInputs;
  // ALL with its input list.
  ListViewState allList;
  CheckViewState allButton{"ALL"};
  SceneListViewState scenes;
  CheckViewState sceneEdit{"Edit"};
  CheckViewState sceneSet{"Set"};
  // A system message box that waits for the user's click (the serial-port reminder); the count
  // grows with every box opened.
  std::string systemMessage;
  int systemMessageCount = 0;
};

}  // namespace velantor
