// Test helper: runs velantor-sim as a separate process and reads the endpoints it prints.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace velantor::testing {

// How long a test waits for the emulator to print its endpoints or to end: a hung child fails
// the test instead of blocking the whole run.
inline constexpr int kSimDeadlineMs = 5000;

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

// Waits up to `deadlineMs` for the child to end. Returns its wait status, or -1 after killing a
// child that did not end in time (and failing the test with a message).
inline int WaitForSimExit(pid_t pid, int deadlineMs = kSimDeadlineMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(deadlineMs);
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() >= deadline) {
      ADD_FAILURE() << "velantor-sim (pid " << pid << ") did not end within " << deadlineMs << " ms; killed";
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return status;
}

class SimProcess {
 public:
  // Starts the emulator with `args`; Endpoint("tcp") etc. are filled once it printed "ready".
  explicit SimProcess(std::vector<std::string> args) {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
      ADD_FAILURE() << "no pipe for velantor-sim's output";
      return;
    }
    pid_ = SpawnSim(std::move(args), -1, out[1]);
    close(out[1]);
    stdout_ = out[0];  // kept open until the end, so the emulator never writes into a closed pipe
    ReadUntilReady();
  }
  ~SimProcess() {
    Stop();
    if (stdout_ >= 0) close(stdout_);
  }
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  // Ends the emulator, as pulling its plug would.
  void Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    WaitForSimExit(pid_);
    pid_ = -1;
  }
  bool Ready() const { return endpoints_.count("ready") != 0; }
  std::string Endpoint(const std::string& kind) const {
    auto it = endpoints_.find(kind);
    return it == endpoints_.end() ? "" : it->second;
  }

 private:
  // Reads "kind value" lines until "ready", the end of the output, or the deadline.
  void ReadUntilReady() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kSimDeadlineMs);
    std::string seen, pending;
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) {
        ADD_FAILURE() << "velantor-sim printed no \"ready\" line within " << kSimDeadlineMs
                      << " ms; output so far: " << seen;
        return;
      }
      pollfd p{stdout_, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
      char buf[512];
      const ssize_t n = read(stdout_, buf, sizeof buf);
      if (n <= 0) {
        ADD_FAILURE() << "velantor-sim ended before it was ready; output: " << seen;
        return;
      }
      seen.append(buf, static_cast<size_t>(n));
      pending.append(buf, static_cast<size_t>(n));
      for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
        const std::string line = pending.substr(0, end);
        pending.erase(0, end + 1);
        const auto space = line.find(' ');
        if (space != std::string::npos) endpoints_[line.substr(0, space)] = line.substr(space + 1);
        if (line.rfind("ready", 0) == 0) return;
      }
    }
  }

  pid_t pid_ = -1;
  int stdout_ = -1;
  std::map<std::string, std::string> endpoints_;
};

}  // namespace velantor::testing
