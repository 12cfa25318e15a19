// The panel program ends on SIGTERM through its event loop and closes its serial port properly:
// the exclusive flag it set on the device is cleared, so the next program can open it.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

namespace {

bool ExclusiveFlag(int fd) {
  int exclusive = 0;
  return ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
}

// Waits up to `ms` for the child; true with its status when it ended.
bool WaitFor(pid_t pid, int ms, int* status) {
  for (int waited = 0; waited < ms; waited += 20) {
    if (waitpid(pid, status, WNOHANG) == pid) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

TEST(PanelSignals, SigtermClosesTheSerialPortAndClearsItsExclusiveFlag) {
  int master = -1;
  int slave = -1;
  char name[128] = {};
  ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
  const std::string connect = std::string("serial:") + name;
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    execl(VELANTOR_PANEL_PATH, VELANTOR_PANEL_PATH, "--connect", connect.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  bool taken = false;
  for (int i = 0; i < 750 && !taken; ++i) {  // the panel opens the port as it starts
    taken = ExclusiveFlag(slave);
    if (!taken) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_TRUE(taken) << "the panel never took the port";
  kill(pid, SIGTERM);
  int status = 0;
  const bool ended = WaitFor(pid, 5000, &status);
  if (!ended) kill(pid, SIGKILL), waitpid(pid, &status, 0);
  ASSERT_TRUE(ended) << "the panel did not end on SIGTERM";
  EXPECT_TRUE(WIFEXITED(status)) << "ended by a signal instead of its own exit";
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_FALSE(ExclusiveFlag(slave));
  close(slave);
  close(master);
}

}  // namespace
