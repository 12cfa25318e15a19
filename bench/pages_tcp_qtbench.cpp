// The Matrix and FW Upgrade pages over TCP loopback against the velantor-sim process, in real
// time: the Matrix poll per exchange (17 exchanges on each entry), a click on an input button until
// the output's read-out shows the new input (the switcher's acknowledgement and the repaint
// included), and a 64 KiB part-1 firmware
// write against its floor of 24.5 s (the mandated pauses: 200 ms before the first block, 100 ms
// before each of the other 241, and 200 ms before the first preparation). The write takes about
// 25 s. Printed, never asserted.
//   pages_tcp_qtbench [entries]   (Matrix entries to average, default 5)
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <vector>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "gui/qt_panel.h"
#include "pages/firmware/upgrade_page.h"
#include "pages/matrix/matrix_page.h"
#include "skin/segment_display.h"

namespace {

using namespace velantor;

// Runs the loop until `done` holds or `limitMs` passes; returns the elapsed milliseconds. The loop
// sleeps between events as the panel's own does (a spinning loop would steal the core that the
// emulator and the timers need), looking at `done` every millisecond.
template <typename Done>
qint64 RunUntil(Done done, int limitMs) {
  QElapsedTimer clock;
  clock.start();
  if (done()) return 0;
  QEventLoop loop;
  QTimer look;
  look.setTimerType(Qt::PreciseTimer);
  QObject::connect(&look, &QTimer::timeout, &loop, [&] {
    if (done() || clock.elapsed() >= limitMs) loop.quit();
  });
  look.start(1);
  loop.exec();
  return clock.elapsed();
}

constexpr int kPollExchanges = 17;

void MatrixPoll(Panel& panel, int entries) {
  qint64 total = 0;
  for (int i = 0; i < entries; ++i) {
    panel.Main().OnHeaderClick(kPageGeneral);
    RunUntil([] { return false; }, 300);
    panel.Main().OnHeaderClick(kPageMatrix);
    auto* page = dynamic_cast<CMatrixPage*>(panel.Main().Page(kPageMatrix));
    RunUntil([&] { return page->PageBusy() == 1; }, 2000);
    total += RunUntil([&] { return page->PageBusy() == 0; }, 10000);
  }
  const double perEntry = static_cast<double>(total) / entries;
  std::printf("TCP loopback, Matrix poll: %.1f ms per entry, %.2f ms per exchange (%d exchanges, %d entries)\n",
              perEntry, perEntry / kPollExchanges, kPollExchanges, entries);
}

// Output B's input buttons "3" (1141) and "2" (1140) in turn; the read-out is 1063.
void ClickToRoute(Panel& panel, int clicks) {
  auto* display = panel.View().findChild<skin::SegmentDisplay*>("1063");
  auto* three = panel.View().findChild<QPushButton*>("1141");
  auto* two = panel.View().findChild<QPushButton*>("1140");
  if (!display || !three || !two) {
    std::printf("click to route: the Matrix page's controls were not found\n");
    return;
  }
  std::vector<qint64> us;
  for (int i = 0; i < clicks; ++i) {
    QPushButton* button = i % 2 ? two : three;
    const QString want = i % 2 ? "2" : "3";
    QElapsedTimer clock;
    clock.start();
    button->click();
    RunUntil([&] { return display->Text() == want; }, 5000);
    us.push_back(clock.nsecsElapsed() / 1000);
    RunUntil([] { return false; }, 50);
  }
  std::sort(us.begin(), us.end());
  std::printf("TCP loopback, click on an input button to the read-out showing it: median %.2f ms, max %.2f ms "
              "(%d clicks)\n",
              static_cast<double>(us[us.size() / 2]) / 1000, static_cast<double>(us.back()) / 1000, clicks);
}

void FirmwarePart1(Panel& panel) {
  panel.Main().OnHeaderClick(kPageFirmware);
  RunUntil([] { return false; }, 1000);
  auto* page = dynamic_cast<CUpgradePage*>(panel.Main().Page(kPageFirmware));
  std::string stream{'\xA5', '\x5A'};
  for (size_t i = 0; i < 65536; ++i) stream.push_back(static_cast<char>((i * 7 + i / 256) % 0xA0));
  const char mask = static_cast<char>((stream.size() & 0xFF) ^ 0xC3);
  for (char& b : stream) b = static_cast<char>(b ^ mask);
  const std::string path = "/tmp/velantor-bench-" + std::to_string(getpid()) + ".fw";
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  std::fwrite(stream.data(), 1, stream.size(), f);
  std::fclose(f);
  page->OnOpenFile(path);
  page->OnUpgrade();
  const qint64 ms = RunUntil([&] { return page->View().log.find("System rebooting") != std::string::npos; }, 60000);
  std::printf("TCP loopback, 64 KiB part-1 write to the final report: %lld ms; floor 24500 ms (+%.1f %%)\n",
              static_cast<long long>(ms), 100.0 * (static_cast<double>(ms) - 24500) / 24500);
  RunUntil([&] { return page->Upgrading() == 0; }, 30000);
  std::remove(path.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const int entries = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  QApplication app(argc, argv);
  // The emulator sits beside this program in the build tree.
  std::string self(argv[0]);
  const std::string sim = self.substr(0, self.rfind('/') + 1) + "../velantor-sim";
  const pid_t child = fork();
  if (child == 0) {
    execl(sim.c_str(), sim.c_str(), "--tcp", "127.0.0.1:18903", "--no-serial", "--no-udp", "--no-stdin",
          "--reboot-ms", "300", static_cast<char*>(nullptr));
    _exit(127);
  }
  usleep(300 * 1000);
  PanelOptions options;
  options.connect = PanelOptions::Link::kTcp;
  options.host = "127.0.0.1";
  options.port = 18903;
  {
    Panel panel(options);
    panel.View().show();
    RunUntil([&] { return panel.Shared().TcpLinkUp == 1 && panel.Main().HeadersEnabled(); }, 10000);
    RunUntil([] { return false; }, 2000);  // the General page's chain after the connect
    MatrixPoll(panel, entries);
    ClickToRoute(panel, 40);
    FirmwarePart1(panel);
  }
  kill(child, SIGTERM);
  waitpid(child, nullptr, 0);
  return 0;
}
