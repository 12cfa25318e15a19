// The General page's figures: idle CPU while disconnected (the port rescan running; target below
// 0.5 % of one core), and over TCP loopback to velantor-sim the time from Connect to the end of
// the chain that follows it, with the number of frames exchanged.
//   general_page_qtbench [idle-seconds]   (default 30)
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "gui/qt_panel.h"
#include "pages/general/general_page.h"

namespace {

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

size_t Lines(const std::string& text) {
  size_t n = 0;
  for (size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos; at += 2) ++n;
  return n;
}

void RunFor(int ms) {
  QTimer::singleShot(ms, qApp, [] { qApp->quit(); });
  qApp->exec();
}

// Runs the loop until `done` holds or `limitMs` passes; returns the elapsed milliseconds.
template <typename Done>
qint64 RunUntil(Done done, int limitMs) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < limitMs) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
  return clock.elapsed();
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const int idleSeconds = argc > 1 ? std::atoi(argv[1]) : 30;
  QApplication app(argc, argv);

  {
    velantor::Panel panel(velantor::PanelOptions{});
    panel.View().show();
    const double cpu0 = CpuSeconds();
    QElapsedTimer wall;
    wall.start();
    RunFor(idleSeconds * 1000);
    const double share = 100.0 * (CpuSeconds() - cpu0) / (wall.elapsed() / 1000.0);
    std::printf("idle CPU while disconnected over %d s: %.3f %% of one core; target < 0.5 %%\n", idleSeconds, share);
  }

  // The emulator sits beside this program in the build tree.
  std::string self(argv[0]);
  const std::string sim = self.substr(0, self.rfind('/') + 1) + "../velantor-sim";
  const pid_t child = fork();
  if (child == 0) {
    execl(sim.c_str(), sim.c_str(), "--tcp", "127.0.0.1:18901", "--no-serial", "--no-udp", "--no-stdin",
          static_cast<char*>(nullptr));
    _exit(127);
  }
  usleep(300 * 1000);
  velantor::PanelOptions options;
  options.connect = velantor::PanelOptions::Link::kTcp;
  options.host = "127.0.0.1";
  options.port = 18901;
  velantor::Panel panel(options);  // its quick start presses Connect
  velantor::CGeneralPage& page = panel.GeneralPage();
  const qint64 toDevice = RunUntil([&] { return page.StatusView().versionText != "Not Known"; }, 10000);
  const qint64 toEnd = toDevice + RunUntil([&] { return !page.PageBusy() && page.StatusView().outputs[3].connected >= 0 &&
                                                        page.StatusView().outputs[3].text.find("nect") != std::string::npos; },
                                          10000);
  const size_t sent = Lines(page.SentLog()->Text());
  const size_t received = Lines(page.ReceivedLog()->Text());
  std::printf("TCP loopback, Connect to the device line filled (options read back, device asked): %lld ms\n",
              static_cast<long long>(toDevice));
  std::printf("TCP loopback, Connect to the end of the port walk: %lld ms; frames exchanged: %zu sent, %zu received\n",
              static_cast<long long>(toEnd), sent, received);
  kill(child, SIGTERM);
  waitpid(child, nullptr, 0);
  return 0;
}
