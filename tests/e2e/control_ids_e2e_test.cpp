// Every control can be found from outside the program by its control id, as object name and as
// accessible name, inside the window or dialog it sits in; those containers have unique names.
#include <gtest/gtest.h>

#include <QTest>
#include <QWidget>
#include <map>
#include <set>
#include <vector>

#include "app/window_messages.h"
#include "gui/dialogs_view.h"
#include "gui/qt_panel.h"
#include "support/sim_process.h"

namespace velantor {
namespace {

std::vector<int> Range(int first, int last, std::vector<int> more = {}) {
  for (int id = first; id <= last; ++id) more.push_back(id);
  return more;
}

// Ids repeat between containers (1184 is a header and a check box, 1047 the close button and the
// scene list), so each id is looked up only among the controls its container owns.
const std::map<QString, std::vector<int>> kContainers{
    {"MainWindow", {1184, 1185, 1186, 1187, 1047, 1048, 1130}},
    {"GeneralPage", Range(1188, 1191, Range(1198, 1201, Range(1269, 1275, {
        1019, 1013, 1014, 1020, 1022, 1015, 1126, 1127, 1021, 1177, 1016, 1017, 1018, 1132, 1128, 1025, 1026,
        1027, 1182, 1183, 1184, 1279, 1263, 1281, 1276, 1264, 1265, 1050})))},
    {"NetworkConfigDialog", Range(1102, 1111, {1159, 1158, 1161, 1162, 1163, 1164, 1168, 1174, 1175})},
    {"MessageDialog", {1137}},
    {"BusyDialog", {1181}},
    {"ConfiguringDialog", {1178}},
    {"EdidPage", {1080, 1082, 1099, 1232, 1218}},
    {"MatrixPage", {1047, 1048, 1062, 1141, 1236, 1196}},
    {"SceneDialog", {1060, 1055, 1051, 1}},
    {"UpgradePage", {1176, 1103, 1198, 1105}},
};

// The container a control sits in: its nearest ancestor named as one.
QWidget* Owner(QWidget* control) {
  for (QWidget* w = control->parentWidget(); w; w = w->parentWidget()) {
    if (kContainers.count(w->objectName())) return w;
  }
  return nullptr;
}

std::vector<QWidget*> Named(QWidget& window, const QString& name) {
  std::vector<QWidget*> found;
  if (window.objectName() == name) found.push_back(&window);
  for (QWidget* w : window.findChildren<QWidget*>(name)) found.push_back(w);
  return found;
}

TEST(ControlIds, EveryContainerIsNamedOnceAndOwnsEachOfItsIdsOnceAsObjectAndAccessibleName) {
  testing::SimProcess sim({"--tcp", "127.0.0.1:0", "--no-serial", "--no-udp", "--no-stdin"});
  ASSERT_TRUE(sim.Ready());
  auto parsed = ParsePanelOptions({"--connect", "tcp:" + sim.Endpoint("tcp")});
  ASSERT_TRUE(parsed.options) << parsed.error;
  Panel panel(*parsed.options);
  panel.View().show();
  // Pages other than General are made the first time they are shown.
  for (int page : {kPageEdid, kPageMatrix, kPageFirmware}) {
    QTRY_VERIFY_WITH_TIMEOUT(panel.Main().HeadersEnabled() && !panel.View().BusyView()->isVisible(), 8000);
    panel.Main().OnHeaderClick(page);
    QTRY_VERIFY_WITH_TIMEOUT(panel.View().PageView(page) != nullptr, 3000);
  }

  for (const auto& [name, ids] : kContainers) {
    const std::vector<QWidget*> containers = Named(panel.View(), name);
    ASSERT_EQ(containers.size(), 1u) << name.toStdString();
    for (int id : ids) {
      const QString idText = QString::number(id);
      int owned = 0;
      for (QWidget* control : containers.front()->findChildren<QWidget*>(idText)) {
        if (Owner(control) != containers.front()) continue;
        ++owned;
        EXPECT_EQ(control->accessibleName(), idText) << name.toStdString() << " " << id;
      }
      EXPECT_EQ(owned, 1) << name.toStdString() << " " << id;
    }
  }
}

}  // namespace
}  // namespace velantor
