// velantorctl as a control system runs it, against a velantor-sim process on TCP loopback:
// the whole process of `velantorctl route 2 3` (start, connect, switch, confirmation, exit), and
// the firmware write of a 64 KiB main part against its floor. Prints its figures.
// Usage: velantorctl_bench [--runs N] [--no-upgrade]
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "pages/firmware/firmware_file.h"

namespace {

using Clock = std::chrono::steady_clock;

// The firmware write's floor for a 64 KiB part: the pauses the write must keep between blocks and
// the switcher's restart, as the panel paces them.
constexpr double kUpgradeFloorS = 24.5;
constexpr double kRouteTargetMs = 100.0;

pid_t Spawn(const std::vector<std::string>& args, int stdoutFd) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  if (stdoutFd >= 0) {
    dup2(stdoutFd, 1);
    dup2(stdoutFd, 2);
  }
  const int devNull = open("/dev/null", O_RDONLY);
  dup2(devNull, 0);
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  execv(argv[0], argv.data());
  _exit(127);
}

// Starts the emulator on a free TCP port and returns its "tcp:127.0.0.1:PORT" link.
std::string StartSim(pid_t* pid, int rebootMs) {
  int out[2];
  if (pipe(out) != 0) return "";
  *pid = Spawn({VELANTOR_SIM_PATH, "--tcp", "127.0.0.1:0", "--no-udp", "--no-serial", "--no-stdin", "--reboot-ms",
                std::to_string(rebootMs)},
               out[1]);
  close(out[1]);
  std::string seen;
  const auto deadline = Clock::now() + std::chrono::seconds(5);
  while (seen.find("ready") == std::string::npos && Clock::now() < deadline) {
    pollfd p{out[0], POLLIN, 0};
    if (poll(&p, 1, 50) <= 0) continue;
    char buf[256];
    const ssize_t n = read(out[0], buf, sizeof buf);
    if (n <= 0) break;
    seen.append(buf, static_cast<size_t>(n));
  }
  const size_t at = seen.find("tcp ");
  if (at == std::string::npos) return "";
  return "tcp:" + seen.substr(at + 4, seen.find('\n', at) - at - 4);
}

// Runs velantorctl to its end; its exit code, and its wall time in milliseconds.
int RunCtl(const std::vector<std::string>& args, double* ms) {
  std::vector<std::string> full{VELANTOR_CTL_PATH};
  full.insert(full.end(), args.begin(), args.end());
  const int devNull = open("/dev/null", O_WRONLY);
  const auto start = Clock::now();
  const pid_t pid = Spawn(full, devNull);
  int status = 0;
  waitpid(pid, &status, 0);
  *ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  close(devNull);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void StopSim(pid_t pid) {
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
}

std::string WriteUpgradeFile(size_t imageBytes) {
  const velantor::FirmwarePartInfo* main = velantor::FindPartInfo(1);
  std::vector<uint8_t> file{main->marker[0], main->marker[1]};
  for (size_t i = 0; i < imageBytes; ++i) file.push_back(static_cast<uint8_t>((i * 31 + 7) & 0xFF));
  velantor::ScrambleFirmware(file);
  char dir[] = "/tmp/velantorctl-bench.XXXXXX";
  if (!mkdtemp(dir)) return "";
  const std::string path = std::string(dir) + "/main64k.fw";
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), static_cast<long>(file.size()));
  return path;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 30;
  bool upgrade = true;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--runs" && i + 1 < argc) runs = std::max(1, std::atoi(argv[++i]));
    if (a == "--no-upgrade") upgrade = false;
  }
  pid_t sim = 0;
  const std::string link = StartSim(&sim, 2000);
  if (link.empty()) {
    std::fprintf(stderr, "velantorctl_bench: velantor-sim did not start\n");
    return 1;
  }
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    double ms = 0;
    const int code = RunCtl({"--connect", link, "route", "2", std::to_string(i % 4 + 1)}, &ms);
    if (code != 0) {
      std::fprintf(stderr, "velantorctl_bench: route 2 %d ended with %d\n", i % 4 + 1, code);
      StopSim(sim);
      return 1;
    }
    times.push_back(ms);
  }
  std::sort(times.begin(), times.end());
  std::printf("velantorctl route 2 N, whole process over TCP loopback, %d runs:\n", runs);
  std::printf("  min %.1f ms, median %.1f ms, p90 %.1f ms, max %.1f ms (target well under %.0f ms)\n", times.front(),
              times[times.size() / 2], times[times.size() * 9 / 10], times.back(), kRouteTargetMs);

  if (upgrade) {
    const std::string file = WriteUpgradeFile(64 * 1024);
    double ms = 0;
    const int code = RunCtl({"--connect", link, "fw", "upgrade", file}, &ms);
    std::printf(
        "velantorctl fw upgrade, one 64 KiB main part over TCP loopback: %.2f s (floor %.1f s, %+.2f s), exit %d\n",
        ms / 1000.0, kUpgradeFloorS, ms / 1000.0 - kUpgradeFloorS, code);
    std::remove(file.c_str());
  }
  StopSim(sim);
  return 0;
}
