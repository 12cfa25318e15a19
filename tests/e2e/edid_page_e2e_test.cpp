// The EDID page of the Qt panel against the velantor-sim process over TCP: controls found by
// their control ids set a mode, open and download a file, and read an EDID into the grid.
#include <gtest/gtest.h>

#include <algorithm>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include "gui/qt_panel.h"
#include "pages/general/general_page.h"
#include "pages/edid/edid_page.h"
#include "pages/edid/edid_page_view.h"
#include "support/panel_controls.h"
#include "support/sim_process.h"
#include "support/temp_dir.h"
#include "support/edid_samples.h"

namespace velantor {
namespace {

class EdidPageE2e : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim.Ready());
    auto parsed = ParsePanelOptions({"--connect", "tcp:" + sim.Endpoint("tcp")});
    ASSERT_TRUE(parsed.options) << parsed.error;
    panel = std::make_unique<Panel>(*parsed.options);
    panel->View().show();
    QTRY_COMPARE_WITH_TIMEOUT(panel->Shared().TcpLinkUp, 1, 3000);
    // The General page's chain after the connect has run.
    QTRY_VERIFY_WITH_TIMEOUT(panel->GeneralPage().StatusView().outputs[3].connected == 1, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(panel->Main().HeadersEnabled(), 3000);
    QTest::mouseClick(panel->View().Header(kPageEdid), Qt::LeftButton);
    QCoreApplication::processEvents();  // the window shows the new page at the end of the loop turn
    view = panel->View().PageView(kPageEdid);
    ASSERT_NE(view, nullptr);
    edid = dynamic_cast<CEdidPage*>(panel->Main().Page(kPageEdid));
    ASSERT_NE(edid, nullptr);
    // The entry refresh shows the inputs' EDIDs.
    QTRY_COMPARE_WITH_TIMEOUT(Find<QLabel>(1218)->text(), QString("1080i,Stereo Audio 2.0"), 3000);
  }

  template <class W>
  W* Find(int controlId) {
    return testing::FindControl<W>(view, controlId);
  }
  QString Message() const { return testing::ShownMessage(*panel); }
  void Choose(int listId, int index) { testing::ChooseEntry(Find<QComboBox>(listId), index); }

  testing::SimProcess sim{{"--tcp", "127.0.0.1:0", "--no-serial", "--no-udp", "--no-stdin"}};
  std::unique_ptr<Panel> panel;
  QWidget* view = nullptr;
  CEdidPage* edid = nullptr;
};

TEST_F(EdidPageE2e, SetShowsTheConfirmedModeInTheInputEdidList) {
  EXPECT_TRUE(Find<QPushButton>(1085)->isEnabled());  // the copy row is usable
  EXPECT_TRUE(Find<QPushButton>(1222)->isVisible());  // and so is "Status"
  EXPECT_FALSE(Find<QLabel>(1223)->isVisible());      // IN5 stays hidden
  Choose(1080, 2);  // "DVI 1920X1080 "
  Choose(1081, 1);  // IN2
  QTest::mouseClick(Find<QPushButton>(1082), Qt::LeftButton);
  QTRY_COMPARE_WITH_TIMEOUT(Message(), QString("Set successfully!"), 3000);
  QTRY_COMPARE_WITH_TIMEOUT(Find<QLabel>(1219)->text(), QString("DVI 1920X1080"), 3000);
  EXPECT_EQ(Find<QLabel>(1218)->text(), "1080i,Stereo Audio 2.0");
}

TEST_F(EdidPageE2e, OpenAndDownloadAFileThenReadAnOutputIntoTheGrid) {
  testing::ScratchDir dir;
  ASSERT_TRUE(dir.ok());
  const std::vector<uint8_t> file = testing::MinimalEdid();
  const std::string path = dir.Write("panel.bin", file);
  auto* page = static_cast<EdidPageView*>(view);
  page->SetFileChooser([path](QWidget*, bool save) { return save ? QString() : QString::fromStdString(path); });

  QTest::mouseClick(Find<QPushButton>(1090), Qt::LeftButton);
  EXPECT_EQ(Find<QLineEdit>(1098)->text(), QString::fromStdString(path));
  EXPECT_EQ(page->ContentTable()->item(0, 2)->text(), "FF");
  QTest::mouseClick(Find<QPushButton>(1091), Qt::LeftButton);
  QTRY_COMPARE_WITH_TIMEOUT(Message(), QString("Download successfully!"), 3000);
  QTRY_COMPARE_WITH_TIMEOUT(Find<QLabel>(1218)->text(), QString("User define"), 3000);

  QTRY_VERIFY_WITH_TIMEOUT(!panel->Shared().Message.IsOpen(), 3000);
  QTest::mouseClick(Find<QPushButton>(1100), Qt::LeftButton);
  EXPECT_EQ(page->ContentTable()->item(0, 2)->text(), "");
  Choose(1086, 2);  // Out3
  QTest::mouseClick(Find<QPushButton>(1087), Qt::LeftButton);
  QTRY_COMPARE_WITH_TIMEOUT(page->ContentTable()->item(0, 2)->text(), QString("FF"), 3000);
  EXPECT_EQ(page->ContentTable()->item(0, 0)->text(), "00");  // the offset column
  EXPECT_TRUE(page->Summary()->text().contains("Manufacturer: VLT"));
  EXPECT_FALSE(edid->Capturing());
}

// Long file names and paths neither widen the window nor hide the reason: the heading is cut at
// the group's edge and the refusal breaks at the path's slashes, each whole in its tool tip.
TEST_F(EdidPageE2e, ALongFileNameOrPathKeepsTheWindowsWidthAndIsWholeInTheToolTip) {
  testing::ScratchDir dir;
  ASSERT_TRUE(dir.ok());
  const std::string name = "Samsung_QN90B_HDMI2_EDID_dump_from_the_conference_room_projector.bin";
  std::string chosen = dir.Write(name, testing::MinimalEdid());
  auto* page = static_cast<EdidPageView*>(view);
  page->SetFileChooser([&chosen](QWidget*, bool save) { return save ? QString() : QString::fromStdString(chosen); });
  const int width = panel->View().width();

  QTest::mouseClick(Find<QPushButton>(1090), Qt::LeftButton);
  QCoreApplication::processEvents();
  const auto labels = view->findChildren<QLabel*>();
  EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [&name](QLabel* label) {
    return label->isVisible() && label->toolTip() == QString::fromStdString("File " + name);
  }));
  EXPECT_EQ(panel->View().width(), width);

  chosen = dir.path() + std::string(60, 'd') + "/missing.bin";  // a reason that names the path
  QTest::mouseClick(Find<QPushButton>(1090), Qt::LeftButton);
  QCoreApplication::processEvents();
  auto* problem = view->findChild<QLabel*>("EdidProblem");
  ASSERT_NE(problem, nullptr);
  EXPECT_TRUE(problem->isVisible());
  EXPECT_TRUE(problem->toolTip().contains(QString::fromStdString(chosen))) << problem->toolTip().toStdString();
  EXPECT_EQ(panel->View().width(), width);
  EXPECT_GE(problem->height(), problem->heightForWidth(problem->width()));
}

}  // namespace
}  // namespace velantor
