// The FW Upgrade page of the Qt panel against the velantor-sim process, over TCP and over its
// pseudo-terminal: four microcontroller images merged into one file, the file loaded and written
// (after the page's question, since it holds more than one image), success and the device line.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <filesystem>
#include <map>

#include "gui/qt_panel.h"
#include "pages/firmware/upgrade_page.h"
#include "pages/firmware/upgrade_page_view.h"
#include "support/panel_controls.h"
#include "support/sim_process.h"
#include "support/temp_dir.h"

namespace velantor {
namespace {

// An image with no byte that could start a part marker (A2 to A5).
std::vector<uint8_t> McuImage(size_t length, int seed) {
  std::vector<uint8_t> image(length);
  for (size_t i = 0; i < length; ++i) image[i] = static_cast<uint8_t>((i * 3 + static_cast<size_t>(seed)) % 0x90);
  return image;
}

class FirmwareWithEmulator : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim.Ready());
    ASSERT_TRUE(dir.ok());
    const std::string connect = GetParam() ? "tcp:" + sim.Endpoint("tcp") : "serial:" + link;
    auto parsed = ParsePanelOptions({"--connect", connect, "--page", "firmware"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    panel = std::make_unique<Panel>(*parsed.options);
    panel->View().show();
    QTRY_VERIFY_WITH_TIMEOUT(panel->View().PageView(kPageFirmware) != nullptr, 5000);
    view = static_cast<UpgradePageView*>(panel->View().PageView(kPageFirmware));
    view->SetFileChooser([this](QWidget*, int controlId) { return QString::fromStdString(chosen[controlId]); });
  }
  std::vector<std::string> SimArgs() const {
    if (GetParam()) return {"--tcp", "127.0.0.1:0", "--no-serial", "--no-udp", "--no-stdin", "--reboot-ms", "300"};
    return {"--no-tcp", "--serial", link, "--no-udp", "--no-stdin", "--reboot-ms", "300"};
  }

  template <class W>
  W* Find(int controlId) {
    return testing::FindControl<W>(view, controlId);
  }
  QString Log() { return Find<QPlainTextEdit>(1104)->toPlainText(); }

  std::string link = "/tmp/velantor-fw-e2e-" + std::to_string(getpid());
  testing::SimProcess sim{SimArgs()};
  testing::ScratchDir dir{"velantor-fw-sim-e2e"};
  std::unique_ptr<Panel> panel;
  UpgradePageView* view = nullptr;
  std::map<int, std::string> chosen;  // the file the chooser gives, by the button that asks
};
INSTANTIATE_TEST_SUITE_P(Links, FirmwareWithEmulator, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& i) { return i.param ? "Tcp" : "Serial"; });

TEST_P(FirmwareWithEmulator, FourMergedImagesAreLoadedWrittenAndTheSwitcherComesBack) {
  QTRY_COMPARE_WITH_TIMEOUT(Find<QLabel>(1176)->text(), QString("Device: HDMI MATRIX 4x4          Version: 1.5"), 5000);
  const int openButtons[] = {1105, 1111, 1115, 1121};
  const char* names[] = {"main.bin", "slave.bin", "ir.bin", "panel.bin"};
  const size_t lengths[] = {2 * 256 + 20, 700, 300, 150};
  for (int i = 0; i < 4; ++i) {
    chosen[openButtons[i]] = dir.Write(names[i], McuImage(lengths[i], i));
    QTest::mouseClick(Find<QPushButton>(openButtons[i]), Qt::LeftButton);
  }
  QTest::mouseClick(Find<QPushButton>(1122), Qt::LeftButton);
  QCoreApplication::processEvents();  // the page redraws at the end of the loop turn
  const std::string merged = dir.path() + "Zarara88_mm0.0_ms0.0_ir0.0_pnl0.0.fw";
  ASSERT_TRUE(Log().contains("Plane MCU3 firmware:")) << Log().toStdString();
  ASSERT_TRUE(std::filesystem::exists(merged)) << Log().toStdString();

  chosen[1101] = merged;
  QTest::mouseClick(Find<QPushButton>(1101), Qt::LeftButton);
  QCoreApplication::processEvents();
  EXPECT_EQ(Find<QLineEdit>(1060)->text(), QString::fromStdString(merged));
  QTest::mouseClick(Find<QPushButton>(1103), Qt::LeftButton);
  // The file begins with the main image, which runs to its end: the page asks before writing.
  QTRY_VERIFY_WITH_TIMEOUT(view->Prompt() != nullptr && view->Prompt()->isVisible(), 3000);
  auto* write = view->Prompt()->findChild<QPushButton*>("1");
  ASSERT_NE(write, nullptr);
  QTest::mouseClick(write, Qt::LeftButton);
  QTRY_VERIFY_WITH_TIMEOUT(Log().endsWith("Firmware upgrade Successfully\n"), 20000);
  EXPECT_TRUE(Log().contains("System rebooting,Please wait...\nSystem reboot ok\nPart_1.1.0.0 upgrading complete\n"));
  EXPECT_TRUE(Find<QPushButton>(1103)->isEnabled());
  EXPECT_TRUE(panel->Main().HeadersEnabled());
  EXPECT_EQ(Find<QLabel>(1176)->text(), "Device: HDMI MATRIX 4x4          Version: 1.5");
}

}  // namespace
}  // namespace velantor
