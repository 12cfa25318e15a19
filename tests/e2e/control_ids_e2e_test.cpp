// Every control of the shown pages can be found from outside the program by its control id,
// as object name and as accessible name.
#include <gtest/gtest.h>

#include <QWidget>

#include "gui/qt_panel.h"

namespace velantor {
namespace {

TEST(ControlIds, EveryGeneralPageControlCarriesItsIdAsObjectAndAccessibleName) {
  PanelOptions options;
  Panel panel(options);
  const int ids[] = {1013, 1014, 1020, 1015, 1126, 1127, 1021, 1016, 1017, 1018, 1132, 1128, 1025, 1026, 1027,
                     1188, 1189, 1190, 1191, 1198, 1199, 1200, 1201, 1182, 1183, 1184, 1279, 1263, 1281, 1276,
                     1264, 1265, 1050, 1269, 1270, 1271, 1272, 1273, 1274, 1275};
  for (int id : ids) {
    const QString name = QString::number(id);
    QWidget* control = panel.View().findChild<QWidget*>(name);
    ASSERT_NE(control, nullptr) << id;
    EXPECT_EQ(control->accessibleName(), name) << id;
  }
}

}  // namespace
}  // namespace velantor
