// velantor: the control panel.
#include <QApplication>
#include <QTimer>
#include <csignal>
#include <cstdio>

#include "app/command_line.h"
#include "app/controller_app.h"
#include "gui/qt_panel.h"
#include "gui/quit_on_signal.h"
#include "skin/skin_resources.h"
#include "skin/translation.h"

int main(int argc, char** argv) {
  std::signal(SIGPIPE, SIG_IGN);
  std::vector<std::string> args(argv + 1, argv + argc);
  velantor::ParsedOptions parsed = velantor::ParsePanelOptions(args);
  if (!parsed.options) {
    // The reason goes last, where the eye lands, not above the whole usage.
    std::fprintf(stderr, "%svelantor: %s\n", velantor::PanelUsage().c_str(), parsed.error.c_str());
    return 2;
  }
  if (parsed.options->help) {
    std::fputs(velantor::PanelUsage().c_str(), stdout);
    return 0;
  }
  if (parsed.options->version) {
    std::printf("velantor %s\n", VELANTOR_VERSION);
    return 0;
  }
  // Without working sockets the panel could reach no switcher: end before any window.
  if (!velantor::CheckSocketLibrary()) return 1;

  QApplication app(argc, argv);
  QApplication::setApplicationName("Velantor");
  QApplication::setApplicationVersion(VELANTOR_VERSION);
  velantor::skin::InitResources();
  const auto translator = velantor::skin::InstallTranslation(parsed.options->lang);
  QApplication::setWindowIcon(QIcon(velantor::skin::icons::kApp));
  velantor::QuitOnTerminationSignals(app);  // before any port is opened
  velantor::Panel panel(*parsed.options);
  panel.View().show();
  if (!parsed.options->screenshot.empty()) {
    const QString file = QString::fromStdString(parsed.options->screenshot);
    QTimer::singleShot(parsed.options->screenshotDelayMs, &app, [&panel, &app, file] {
      const bool saved = panel.View().grab().save(file, "PNG");
      if (!saved) std::fprintf(stderr, "velantor: cannot write %s\n", file.toLocal8Bit().constData());
      app.exit(saved ? 0 : 1);
    });
  }
  return app.exec();
}
