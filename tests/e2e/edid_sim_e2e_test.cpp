// The EDID page of the Qt panel against the velantor-sim process, over TCP and over its
// pseudo-terminal: the rows fill on entry, a mode set, a copy, a file download, and a read whose
// decoded summary shows the emulator's CTA block, saved to a file.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <fstream>
#include <iterator>

#include "gui/qt_panel.h"
#include "pages/edid/edid_page.h"
#include "pages/edid/edid_page_view.h"
#include "support/edid_samples.h"
#include "support/panel_controls.h"
#include "support/sim_process.h"
#include "support/temp_dir.h"

namespace velantor {
namespace {

// The emulator's arguments and the panel's --connect for one link: TCP (true) or the pty (false).
struct LinkSetup {
  std::vector<std::string> simArgs;
  std::string connect;
};
LinkSetup SetupFor(bool tcp) {
  if (tcp) return {{"--tcp", "127.0.0.1:0", "--no-serial", "--no-udp", "--no-stdin"}, "tcp:"};
  const std::string link = "/tmp/velantor-edid-e2e-" + std::to_string(getpid());
  return {{"--no-tcp", "--serial", link, "--no-udp", "--no-stdin"}, "serial:" + link};
}

class EdidWithEmulator : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim.Ready());
    std::string connect = setup.connect;
    if (GetParam()) connect += sim.Endpoint("tcp");
    auto parsed = ParsePanelOptions({"--connect", connect, "--page", "edid"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    panel = std::make_unique<Panel>(*parsed.options);
    panel->View().show();
    QTRY_VERIFY_WITH_TIMEOUT(panel->View().PageView(kPageEdid) != nullptr, 5000);
    view = static_cast<EdidPageView*>(panel->View().PageView(kPageEdid));
  }

  template <class W>
  W* Find(int controlId) {
    return testing::FindControl<W>(view, controlId);
  }
  QString Message() const { return testing::ShownMessage(*panel); }
  void Choose(int listId, int index) { testing::ChooseEntry(Find<QComboBox>(listId), index); }
  // Clicks and waits for the message the operation ends with, then for it to close.
  void ClickAndExpect(int buttonId, const QString& message) {
    QTest::mouseClick(Find<QPushButton>(buttonId), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(Message(), message, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!panel->Shared().Message.IsOpen(), 5000);
  }
  QString Row(int input) { return Find<QLabel>(1218 + input - 1)->text(); }

  LinkSetup setup = SetupFor(GetParam());
  testing::SimProcess sim{setup.simArgs};
  testing::ScratchDir dir{"velantor-edid-e2e"};
  std::unique_ptr<Panel> panel;
  EdidPageView* view = nullptr;
};
INSTANTIATE_TEST_SUITE_P(Links, EdidWithEmulator, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& i) { return i.param ? "Tcp" : "Serial"; });

TEST_P(EdidWithEmulator, RowsFillOnEntryAndModeCopyDownloadReadAndSaveAllReachTheSwitcher) {
  // Entry: every input's EDID row is read.
  for (int n = 1; n <= 4; ++n) QTRY_COMPARE_WITH_TIMEOUT(Row(n), QString("1080i,Stereo Audio 2.0"), 5000);

  Choose(1080, 2);  // "DVI 1920X1080 "
  Choose(1081, 1);  // IN2
  ClickAndExpect(1082, "Set successfully!");
  QTRY_COMPARE_WITH_TIMEOUT(Row(2), QString("DVI 1920X1080"), 3000);

  Choose(1083, 1);  // from the display on output B
  Choose(1084, 3);  // to IN4
  ClickAndExpect(1085, "Copy successfully!");
  QTRY_COMPARE_WITH_TIMEOUT(Row(4), QString("Copy HDMI OUT B"), 3000);

  // A file with a CTA block of its own goes to IN3.
  const std::vector<uint8_t> file =
      testing::EdidWithExtension(testing::CtaBlockBuilder().Video({0x80 | 4}).Lpcm(6).Hdmi(0x20, 0x00).Build());
  const std::string source = dir.Write("operator.bin", file);
  const std::string saved = dir.path() + "read.bin";
  view->SetFileChooser([&](QWidget*, bool save) { return QString::fromStdString(save ? saved : source); });
  QTest::mouseClick(Find<QPushButton>(1090), Qt::LeftButton);
  EXPECT_EQ(Find<QLineEdit>(1098)->text(), QString::fromStdString(source));
  EXPECT_TRUE(view->Summary()->text().contains("Audio: LPCM 5.1"));
  Choose(1099, 2);
  ClickAndExpect(1091, "Download successfully!");
  QTRY_COMPARE_WITH_TIMEOUT(Row(3), QString("User define"), 3000);
  EXPECT_EQ(Row(1), "1080i,Stereo Audio 2.0");

  // The display on output A, read raw past the frame collectors and decoded.
  Choose(1086, 0);
  QTest::mouseClick(Find<QPushButton>(1087), Qt::LeftButton);
  QTRY_VERIFY_WITH_TIMEOUT(view->Summary()->text().contains("Monitor name: VELANTOR OUTA"), 5000);
  EXPECT_EQ(view->ContentTable()->item(0, 2)->text(), "FF");
  const QString summary = view->Summary()->text();
  EXPECT_TRUE(summary.contains("Preferred timing: 1920x1080p 60 Hz")) << summary.toStdString();
  EXPECT_TRUE(summary.contains("Video codes: 16 1920x1080p 60 Hz (native)")) << summary.toStdString();
  EXPECT_TRUE(summary.contains("Audio: LPCM 2.0")) << summary.toStdString();
  EXPECT_TRUE(summary.contains("HDMI physical address: 1.0.0.0")) << summary.toStdString();
  EXPECT_TRUE(summary.contains("Extension block 1 checksum: good")) << summary.toStdString();

  QTest::mouseClick(Find<QPushButton>(1088), Qt::LeftButton);
  EXPECT_EQ(Find<QLineEdit>(1097)->text(), QString::fromStdString(saved));
  std::ifstream in(saved, std::ios::binary);
  const std::vector<uint8_t> written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_EQ(written.size(), 256u);
  EXPECT_EQ(std::vector<uint8_t>(written.begin(), written.begin() + 8),
            (std::vector<uint8_t>{0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00}));
  EXPECT_EQ(written[126], 1);  // the extension came along
}

}  // namespace
}  // namespace velantor
