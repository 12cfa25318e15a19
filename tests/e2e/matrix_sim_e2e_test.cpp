// The Matrix page of the Qt panel against the velantor-sim process, over TCP and over its
// pseudo-terminal: the poll fills the page, a click switches an output, All Output and a scene
// recall switch all four, and stopping the emulator ends in a message with the page usable.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include "gui/qt_panel.h"
#include "pages/matrix/matrix_page.h"
#include "skin/segment_display.h"
#include "support/panel_controls.h"
#include "support/sim_process.h"

namespace velantor {
namespace {

class MatrixWithEmulator : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim.Ready());
    const std::string connect = GetParam() ? "tcp:" + sim.Endpoint("tcp") : "serial:" + link;
    auto parsed = ParsePanelOptions({"--connect", connect, "--page", "matrix"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    panel = std::make_unique<Panel>(*parsed.options);
    panel->View().show();
    QTRY_VERIFY_WITH_TIMEOUT(panel->Main().Page(kPageMatrix) != nullptr, 5000);
    QCoreApplication::processEvents();  // the window makes the page's view at the end of the loop turn
    page = dynamic_cast<CMatrixPage*>(panel->Main().Page(kPageMatrix));
    ASSERT_NE(page, nullptr);
    view = panel->View().PageView(kPageMatrix);
    ASSERT_NE(view, nullptr);
  }
  std::vector<std::string> SimArgs() const {
    if (GetParam()) return {"--tcp", "127.0.0.1:0", "--no-serial", "--no-udp", "--no-stdin"};
    return {"--no-tcp", "--serial", link, "--no-udp", "--no-stdin"};
  }
  template <class W>
  W* Control(int id) {
    return testing::FindControl<W>(view, id);
  }
  QString Display(int output) { return Control<skin::SegmentDisplay>(1062 + output - 1)->Text(); }
  void ExpectAllShow(const QString& input) {
    for (int out = 1; out <= 4; ++out) QTRY_COMPARE_WITH_TIMEOUT(Display(out), input, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(page->PageBusy() == 0, 3000);
  }
  QString Message() const { return testing::ShownMessage(*panel); }

  std::string link = "/tmp/velantor-matrix-e2e-" + std::to_string(getpid());
  testing::SimProcess sim{SimArgs()};
  std::unique_ptr<Panel> panel;
  CMatrixPage* page = nullptr;
  QWidget* view = nullptr;
};
INSTANTIATE_TEST_SUITE_P(Links, MatrixWithEmulator, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& i) { return i.param ? "Tcp" : "Serial"; });

TEST_P(MatrixWithEmulator, ThePollFillsThePageAndSwitchesAllOutputsRecallsAndASilentSwitcherEndInAMessage) {
  // The poll: output k shows input k, and the time column of output 4 is read.
  QTRY_VERIFY_WITH_TIMEOUT(page->ConfirmedTime(4) == 0 && page->PageBusy() == 0, 8000);
  for (int out = 1; out <= 4; ++out) EXPECT_EQ(Display(out), QString::number(out));

  QTest::mouseClick(Control<QPushButton>(1142), Qt::LeftButton);  // output 2 to input 4
  QTRY_COMPARE_WITH_TIMEOUT(Display(2), QString("4"), 5000);
  EXPECT_TRUE(Control<QPushButton>(1142)->isChecked());
  QTRY_VERIFY_WITH_TIMEOUT(page->PageBusy() == 0, 3000);

  // All Output from the Output configuration group.
  auto* select = Control<QComboBox>(1070);
  select->setCurrentIndex(4);
  emit select->activated(4);
  QTest::mouseClick(Control<QPushButton>(1073), Qt::LeftButton);  // input 3
  ExpectAllShow("3");

  // A scene edited to take every output from input 2, then recalled with "Set".
  QTest::mouseClick(Control<QPushButton>(1049), Qt::LeftButton);
  auto* dialog = panel->View().findChild<QDialog*>("SceneDialog");
  ASSERT_NE(dialog, nullptr);
  QTRY_VERIFY_WITH_TIMEOUT(dialog->isVisible(), 2000);
  emit dialog->findChild<QComboBox*>("1055")->activated(2);  // "In2"
  QTest::mouseClick(dialog->findChild<QPushButton*>("1"), Qt::LeftButton);
  QTRY_VERIFY_WITH_TIMEOUT(!dialog->isVisible(), 2000);
  emit Control<QTableWidget>(1047)->cellClicked(0, 0);
  QTest::mouseClick(Control<QPushButton>(1048), Qt::LeftButton);
  ExpectAllShow("2");

  // The switcher goes away: the next click ends in a message ("Open COM failed!" once the port
  // failed, "Connect to Matrix failed!" once the socket closed, or "Time out!"), and neither the
  // page nor the headers are left locked.
  sim.Stop();
  QTest::mouseClick(Control<QPushButton>(1141), Qt::LeftButton);  // output 2 to input 3
  QTRY_VERIFY_WITH_TIMEOUT(!Message().isEmpty(), 12000);
  QTRY_VERIFY_WITH_TIMEOUT(page->PageBusy() == 0, 12000);
  EXPECT_EQ(Display(2), "2");
  QTRY_VERIFY_WITH_TIMEOUT(panel->Main().HeadersEnabled(), 5000);
}

}  // namespace
}  // namespace velantor
