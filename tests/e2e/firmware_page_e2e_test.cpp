// The FW Upgrade page of the Qt panel against the velantor-sim process over TCP: controls found by
// their control ids open a firmware file and write it, and a doubtful file waits for the
// operator's answer in the page's own box.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "gui/qt_panel.h"
#include "pages/firmware/upgrade_page.h"
#include "pages/firmware/upgrade_page_view.h"
#include "support/panel_controls.h"
#include "support/sim_process.h"
#include "support/temp_dir.h"

namespace velantor {
namespace {

// A firmware file of plain sections (marker and image each), scrambled with its length under the
// program's key 0xC3.
std::vector<uint8_t> FirmwareFileOf(std::initializer_list<std::pair<std::vector<uint8_t>, size_t>> sections) {
  std::vector<uint8_t> stream;
  for (const auto& [marker, length] : sections) {
    stream.insert(stream.end(), marker.begin(), marker.end());
    for (size_t i = 0; i < length; ++i) stream.push_back(static_cast<uint8_t>(i % 0x90));
  }
  const uint8_t mask = static_cast<uint8_t>((stream.size() & 0xFF) ^ 0xC3);
  for (uint8_t& b : stream) b ^= mask;
  return stream;
}

class FirmwarePageE2e : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim.Ready());
    ASSERT_TRUE(dir.ok());
    auto parsed = ParsePanelOptions({"--connect", "tcp:" + sim.Endpoint("tcp"), "--page", "firmware"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    panel = std::make_unique<Panel>(*parsed.options);
    panel->View().show();
    QTRY_COMPARE_WITH_TIMEOUT(panel->Shared().CurrentPage, kPageFirmware, 5000);
    view = dynamic_cast<UpgradePageView*>(panel->View().PageView(kPageFirmware));
    ASSERT_NE(view, nullptr);
    QTRY_COMPARE_WITH_TIMEOUT(Find<QLabel>(1176)->text(), QString("Device: HDMI MATRIX 4x4          Version: 1.5"),
                              3000);
    view->SetFileChooser([this](QWidget*, int) { return QString::fromStdString(chosen); });
  }

  template <class W>
  W* Find(int controlId) {
    return testing::FindControl<W>(view, controlId);
  }
  QString Log() { return Find<QPlainTextEdit>(1104)->toPlainText(); }

  testing::SimProcess sim{{"--tcp", "127.0.0.1:0", "--no-serial", "--no-udp", "--no-stdin", "--reboot-ms", "300"}};
  testing::ScratchDir dir{"velantor-fw-e2e"};
  std::unique_ptr<Panel> panel;
  UpgradePageView* view = nullptr;
  std::string chosen;
};

TEST_F(FirmwarePageE2e, OpenAndUpgradeWriteTheFileAndTheLogEndsInSuccess) {
  chosen = dir.Write("main.fw", FirmwareFileOf({{{0xA5, 0x5A}, 5 * 256 + 40}}));
  QTest::mouseClick(Find<QPushButton>(1101), Qt::LeftButton);
  QCoreApplication::processEvents();
  EXPECT_EQ(Find<QLineEdit>(1060)->text(), QString::fromStdString(chosen));
  // A path longer than its box shows its end, where the file name is.
  EXPECT_EQ(Find<QLineEdit>(1060)->cursorPosition(), Find<QLineEdit>(1060)->text().size());
  QTest::mouseClick(Find<QPushButton>(1103), Qt::LeftButton);
  QCoreApplication::processEvents();
  EXPECT_FALSE(Find<QPushButton>(1103)->isEnabled());
  EXPECT_FALSE(Find<QPushButton>(1101)->isEnabled());
  QTRY_VERIFY_WITH_TIMEOUT(Log().endsWith("Firmware upgrade Successfully\n"), 15000);
  EXPECT_TRUE(Log().contains("Upgrading Part_1.1.0.0...\nSystem rebooting,Please wait...\nSystem reboot ok\n"));
  EXPECT_TRUE(Find<QPushButton>(1103)->isEnabled());
  EXPECT_EQ(Find<QProgressBar>(1125)->maximum(), 5 * 256 + 40);
  QTest::mouseClick(Find<QPushButton>(1106), Qt::LeftButton);
  QCoreApplication::processEvents();
  EXPECT_TRUE(Log().isEmpty());
}

TEST_F(FirmwarePageE2e, ADoubtfulFileAsksFirstAndCancelSendsNothing) {
  chosen = dir.Write("merged.fw", FirmwareFileOf({{{0xA5, 0x5A}, 300}, {{0xA4, 0x5B}, 200}}));
  QTest::mouseClick(Find<QPushButton>(1101), Qt::LeftButton);
  QTest::mouseClick(Find<QPushButton>(1103), Qt::LeftButton);
  QTRY_VERIFY_WITH_TIMEOUT(view->Prompt() != nullptr && view->Prompt()->isVisible(), 3000);
  auto* cancel = view->Prompt()->findChild<QPushButton*>("2");
  ASSERT_NE(cancel, nullptr);
  QTest::mouseClick(cancel, Qt::LeftButton);
  QTRY_VERIFY_WITH_TIMEOUT(Log().endsWith("Upgrade cancelled\n"), 3000);
  EXPECT_EQ(view->Prompt(), nullptr);
  auto* page = dynamic_cast<CUpgradePage*>(panel->Main().Page(kPageFirmware));
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->Upgrading(), 0);
  EXPECT_TRUE(Find<QPushButton>(1103)->isEnabled());
}

}  // namespace
}  // namespace velantor
