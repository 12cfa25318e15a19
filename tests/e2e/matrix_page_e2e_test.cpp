// The Matrix page of the Qt panel against the velantor-sim process: controls found by their
// control ids are clicked and show what the switcher confirmed.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <cstdlib>

#include "gui/qt_panel.h"
#include "pages/matrix/matrix_page.h"
#include "skin/segment_display.h"
#include "support/sim_process.h"

namespace velantor {
namespace {

class MatrixPanel : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim.Ready());
    auto parsed = ParsePanelOptions({"--connect", "tcp:" + sim.Endpoint("tcp"), "--page", "matrix"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    panel = std::make_unique<Panel>(*parsed.options);
    panel->View().show();
    QTRY_VERIFY_WITH_TIMEOUT(panel->Main().Page(kPageMatrix) != nullptr, 5000);
    page = dynamic_cast<CMatrixPage*>(panel->Main().Page(kPageMatrix));
    ASSERT_NE(page, nullptr);
    // The poll has run once output 4's type and time are known.
    QTRY_VERIFY_WITH_TIMEOUT(page->ConfirmedTime(4) == 0 && page->PageBusy() == 0, 5000);
    view = panel->View().PageView(kPageMatrix);
    ASSERT_NE(view, nullptr);
  }
  template <class W>
  W* Control(int id) {
    return view->findChild<W*>(QString::number(id));
  }

  testing::SimProcess sim{{"--tcp", "127.0.0.1:0", "--no-serial", "--no-udp", "--no-stdin"}};
  std::unique_ptr<Panel> panel;
  CMatrixPage* page = nullptr;
  QWidget* view = nullptr;
};

TEST_F(MatrixPanel, ClickingAnInputButtonShowsTheInputOnceTheSwitcherConfirmsIt) {
  auto* display = Control<skin::SegmentDisplay>(1063);
  auto* input3 = Control<QPushButton>(1141);
  ASSERT_NE(display, nullptr);
  ASSERT_NE(input3, nullptr);
  EXPECT_EQ(display->Text(), "2");
  EXPECT_FALSE(input3->isChecked());
  QTest::mouseClick(input3, Qt::LeftButton);
  QTRY_COMPARE_WITH_TIMEOUT(display->Text(), QString("3"), 3000);
  EXPECT_TRUE(input3->isChecked());
  EXPECT_FALSE(Control<QPushButton>(1140)->isChecked());
  // Controls for ports 5 to 8 exist but stay hidden.
  EXPECT_FALSE(Control<QPushButton>(1151)->isVisible());
  EXPECT_FALSE(Control<QWidget>(1066)->isVisible());
}

TEST_F(MatrixPanel, ASwitchTimeAndAnEditedSceneShowWhatWasChosen) {
  auto* time = Control<QComboBox>(1240);
  ASSERT_NE(time, nullptr);
  emit time->activated(7);
  QTRY_COMPARE_WITH_TIMEOUT(time->currentIndex(), 7, 3000);
  EXPECT_EQ(time->currentText(), "8(4s)");

  auto* list = Control<QTableWidget>(1047);
  ASSERT_NE(list, nullptr);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0, 0)).center());
  QTest::mouseClick(Control<QPushButton>(1049), Qt::LeftButton);  // "Edit"
  auto* dialog = panel->View().findChild<QDialog*>("SceneDialog");
  ASSERT_NE(dialog, nullptr);
  QTRY_VERIFY_WITH_TIMEOUT(dialog->isVisible(), 2000);
  QTRY_COMPARE_WITH_TIMEOUT(dialog->findChild<QLineEdit*>("1060")->text(), QString("Setting1"), 2000);
  auto* allFrom = dialog->findChild<QComboBox*>("1055");
  ASSERT_NE(allFrom, nullptr);
  emit allFrom->activated(3);  // "In3"
  QCoreApplication::processEvents();
  EXPECT_EQ(dialog->findChild<QComboBox*>("1052")->currentText(), "In3");
  // scripts/screenshots.sh takes the README's picture of the dialog here.
  if (const char* dir = std::getenv("VELANTOR_SCREENSHOT_DIR")) {
    EXPECT_TRUE(dialog->grab().save(QString(dir) + "/scene_dialog.png", "PNG"));
  }
  QTest::mouseClick(dialog->findChild<QPushButton*>("1"), Qt::LeftButton);  // OK
  QTRY_VERIFY_WITH_TIMEOUT(!dialog->isVisible(), 2000);
  auto* scenes = Control<QTableWidget>(1047);
  EXPECT_EQ(scenes->item(0, 2)->text(), "3");
}

TEST_F(MatrixPanel, TheArrowKeysPickTheSceneTheyHighlightSoEditOpensThatOne) {
  auto* list = Control<QTableWidget>(1047);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->currentRow(), 0);  // Setting1 is the scene Edit and Set work on at first
  list->setFocus();
  QTest::keyClick(list, Qt::Key_Down);
  QTest::keyClick(list, Qt::Key_Down);
  EXPECT_EQ(page->SelectedScene(), 2);
  EXPECT_EQ(page->SceneName(), "Setting3");
  QTest::keyClick(list, Qt::Key_Up);
  EXPECT_EQ(page->SelectedScene(), 1);
  EXPECT_EQ(list->currentRow(), 1);
  QTest::mouseClick(Control<QPushButton>(1049), Qt::LeftButton);  // "Edit"
  auto* dialog = panel->View().findChild<QDialog*>("SceneDialog");
  ASSERT_NE(dialog, nullptr);
  QTRY_VERIFY_WITH_TIMEOUT(dialog->isVisible(), 2000);
  QTRY_COMPARE_WITH_TIMEOUT(dialog->findChild<QLineEdit*>("1060")->text(), QString("Setting2"), 2000);
  QTest::mouseClick(dialog->findChild<QPushButton*>("2"), Qt::LeftButton);  // Cancel
  QTRY_VERIFY_WITH_TIMEOUT(!dialog->isVisible(), 2000);
}

}  // namespace
}  // namespace velantor
