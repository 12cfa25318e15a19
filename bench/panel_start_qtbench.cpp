// Cold start of the panel to its first painted frame (offscreen) and resident memory after it.
// Targets: under 300 ms to the first frame, under 60 MB resident.
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "gui/qt_panel.h"

namespace {

// Wall time since the process started, from /proc (so library loading counts too).
double MsSinceProcessStart() {
  std::ifstream stat("/proc/self/stat");
  std::string field;
  for (int i = 0; i < 22 && stat >> field; ++i) {
  }
  const double startTicks = std::stod(field);
  std::ifstream uptimeFile("/proc/uptime");
  double uptime = 0;
  uptimeFile >> uptime;
  return (uptime - startTicks / static_cast<double>(sysconf(_SC_CLK_TCK))) * 1000.0;
}

long ResidentKb() {
  std::ifstream status("/proc/self/status");
  std::string key;
  long value = 0;
  while (status >> key) {
    if (key == "VmRSS:") {
      status >> value;
      return value;
    }
    status.ignore(1 << 12, '\n');
  }
  return value;
}

class FirstPaint : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint && !seen) {
      seen = true;
      QTimer::singleShot(0, qApp, [] { qApp->quit(); });
    }
    return false;
  }
  bool seen = false;
};

}  // namespace

int main(int argc, char** argv) {
  QElapsedTimer sinceMain;
  sinceMain.start();
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  velantor::PanelOptions options;
  velantor::Panel panel(options);
  FirstPaint paint;
  panel.View().installEventFilter(&paint);
  panel.View().show();
  app.exec();
  const double sinceProcess = MsSinceProcessStart();
  std::printf("panel cold start to first painted frame: %.0f ms since process start (%lld ms since main); target < 300 ms\n",
              sinceProcess, static_cast<long long>(sinceMain.elapsed()));
  std::printf("resident memory after start: %.1f MB; target < 60 MB\n", ResidentKb() / 1024.0);
  return paint.seen ? 0 : 1;
}
