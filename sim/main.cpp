// velantor-sim: the switcher emulator as a program. Prints one line per endpoint when ready,
// then takes control commands on standard input until the input ends or a signal comes.
#include <signal.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/poll_event_loop.h"
#include "sim/console_lines.h"
#include "sim/emulator.h"

using namespace velantor;
using namespace velantor::sim;

namespace {

// /dev/null or a closed descriptor gives no commands: the emulator then runs until a signal.
bool StdinReadable() {
  struct stat in{}, null{};
  if (fstat(STDIN_FILENO, &in) != 0) return false;
  if (stat("/dev/null", &null) == 0 && in.st_dev == null.st_dev && in.st_ino == null.st_ino) return false;
  return true;
}

int stopPipe[2] = {-1, -1};

// Only a write: the loop sees the pipe become readable and stops there.
void OnStopSignal(int) {
  const char byte = 1;
  [[maybe_unused]] ssize_t n = write(stopPipe[1], &byte, 1);
}

void InstallStopHandlers() {
  if (pipe2(stopPipe, O_NONBLOCK | O_CLOEXEC) != 0) return;
  struct sigaction action{};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);
}

void Print(const std::string& text) {
  std::fputs(text.c_str(), stdout);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  ParsedOptions parsed = ParseProgramOptions(std::vector<std::string>(argv + 1, argv + argc));
  if (!parsed.options) {
    std::fprintf(stderr, "velantor-sim: %s\n", parsed.error.c_str());
    return 2;
  }
  const ProgramOptions& options = *parsed.options;
  if (options.version) {
    Print(std::string("velantor-sim ") + VELANTOR_VERSION + "\n");
    return 0;
  }
  if (options.help) {
    Print(ProgramUsage() + "\ncontrol commands on standard input:\n");
    PollEventLoop loop;
    Emulator emulator(loop, options);
    Print(emulator.Console().Help());
    return 0;
  }

  InstallStopHandlers();
  PollEventLoop loop;
  Emulator emulator(loop, options);
  if (std::string error = emulator.Start(); !error.empty()) {
    std::fprintf(stderr, "velantor-sim: %s\n", error.c_str());
    return 1;
  }
  for (const std::string& line : emulator.EndpointLines()) Print(line + "\n");
  Print("ready (" + DescribeIdentity(emulator.Model().State().identity) + ")\n");

  loop.WatchFd(stopPipe[0], true, false, [&](unsigned) {
    char drain[16];
    while (read(stopPipe[0], drain, sizeof drain) > 0) {
    }
    loop.Quit();
  });

  ConsoleLines lines;
  auto runLine = [&](const std::string& line) {
    ControlConsole::Result r = emulator.Console().Run(line);
    Print(r.text);
    if (r.quit) loop.Quit();
  };
  int stdinWatch = 0;
  if (options.readStdin && StdinReadable()) {
    stdinWatch = loop.WatchFd(STDIN_FILENO, true, false, [&](unsigned) {
      char buffer[1024];
      ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
      if (n <= 0) {
        loop.UnwatchFd(stdinWatch);
        if (auto last = lines.Finish()) runLine(*last);
        if (!options.keepAfterEof) loop.Quit();
        return;
      }
      const int droppedBefore = lines.Dropped();
      for (const std::string& line : lines.Feed(buffer, static_cast<size_t>(n))) runLine(line);
      if (lines.Dropped() != droppedBefore) Print("error: control line too long, dropped whole\n");
    });
  }

  loop.Run();
  Print("stopped\n");
  return 0;
}
