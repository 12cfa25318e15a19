// Test helper: runs velantor-sim as a separate process and reads the endpoints it prints.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace velantor::testing {

// Starts the emulator with `args`, its standard input from `stdinFd` (-1: unchanged) and its
// standard output and error into `stdoutFd`. Returns the child's pid.
inline pid_t SpawnSim(std::vector<std::string> args, int stdinFd, int stdoutFd) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  if (stdinFd >= 0) dup2(stdinFd, 0);
  dup2(stdoutFd, 1);
  dup2(stdoutFd, 2);
  std::vector<char*> argv;
  static std::string program = VELANTOR_SIM_PATH;
  argv.push_back(program.data());
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  execv(program.c_str(), argv.data());
  _exit(127);
}

class SimProcess {
 public:
  // Starts the emulator with `args`; Endpoint("tcp") etc. are filled once it printed "ready".
  explicit SimProcess(std::vector<std::string> args) {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return;  // dup2 in the child clears it for 0-2
    pid_ = SpawnSim(std::move(args), -1, out[1]);
    close(out[1]);
    FILE* stream = fdopen(out[0], "r");
    char line[512];
    while (stream && fgets(line, sizeof line, stream)) {
      std::string text(line);
      if (!text.empty() && text.back() == '\n') text.pop_back();
      auto space = text.find(' ');
      if (space != std::string::npos) endpoints_[text.substr(0, space)] = text.substr(space + 1);
      if (text.rfind("ready", 0) == 0) break;
    }
    stdout_ = stream;
  }
  ~SimProcess() {
    Stop();
    if (stdout_) fclose(stdout_);
  }
  // Ends the emulator, as pulling its plug would.
  void Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  bool Ready() const { return endpoints_.count("ready") != 0; }
  std::string Endpoint(const std::string& kind) const {
    auto it = endpoints_.find(kind);
    return it == endpoints_.end() ? "" : it->second;
  }

 private:
  pid_t pid_ = -1;
  FILE* stdout_ = nullptr;
  std::map<std::string, std::string> endpoints_;
};

}  // namespace velantor::testing
