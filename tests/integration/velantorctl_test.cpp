// The velantorctl program against the velantor-sim process over TCP and its pseudo-terminal:
// printed results and JSON, exit codes, the emulator's state afterwards, failures and bad lines.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "support/edid_samples.h"
#include "support/sim_process.h"
#include "support/temp_dir.h"

namespace velantor {
namespace {

struct CtlResult {
  int exit = -1;
  std::string out;
  std::string err;
};

// In a forked child: becomes velantorctl with `args`.
[[noreturn]] void ExecCtl(const std::vector<std::string>& args) {
  std::vector<char*> argv{const_cast<char*>(VELANTOR_CTL_PATH)};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  execv(VELANTOR_CTL_PATH, argv.data());
  _exit(127);
}

// Runs velantorctl with `args` (and VELANTOR_CONNECT as given, or unset) and collects its output.
CtlResult Ctl(const std::vector<std::string>& args, const std::string& envConnect = "") {
  int out[2], err[2];
  EXPECT_EQ(pipe2(out, O_CLOEXEC), 0);
  EXPECT_EQ(pipe2(err, O_CLOEXEC), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], 1);
    dup2(err[1], 2);
    int devNull = open("/dev/null", O_RDONLY);
    dup2(devNull, 0);
    if (envConnect.empty()) {
      unsetenv("VELANTOR_CONNECT");
    } else {
      setenv("VELANTOR_CONNECT", envConnect.c_str(), 1);
    }
    ExecCtl(args);
  }
  close(out[1]);
  close(err[1]);
  CtlResult r;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  int open = 2;
  while (open > 0 && std::chrono::steady_clock::now() < deadline) {
    if (poll(fds, 2, 100) <= 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
      char buf[4096];
      const ssize_t n = read(fds[i].fd, buf, sizeof buf);
      if (n <= 0) {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      } else {
        (i == 0 ? r.out : r.err).append(buf, static_cast<size_t>(n));
      }
    }
  }
  for (pollfd& p : fds) {
    if (p.fd >= 0) close(p.fd);
  }
  if (open > 0) kill(pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
  r.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

// The emulator with its control console on a pipe: endpoints, knobs, and `show` to read its state.
class Switcher {
 public:
  explicit Switcher(std::vector<std::string> args = {"--tcp", "127.0.0.1:0", "--no-udp"}) {
    int in[2], out[2];
    EXPECT_EQ(pipe2(in, O_CLOEXEC), 0);
    EXPECT_EQ(pipe2(out, O_CLOEXEC), 0);
    pid_ = testing::SpawnSim(std::move(args), in[0], out[1]);
    close(in[0]);
    close(out[1]);
    console_ = in[1];
    output_ = out[0];
    EXPECT_TRUE(WaitFor("ready")) << seen_;
  }
  ~Switcher() {
    Kill();
    close(console_);
    close(output_);
  }
  void Kill() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  std::string Endpoint(const std::string& kind) const {
    const size_t at = seen_.find(kind + " ");
    if (at == std::string::npos) return "";
    const size_t end = seen_.find('\n', at);
    return seen_.substr(at + kind.size() + 1, end - at - kind.size() - 1);
  }
  std::string Tcp() const { return "tcp:" + Endpoint("tcp"); }
  std::string Serial() const { return "serial:" + Endpoint("serial"); }
  uint16_t Port(const std::string& kind) const {
    const std::string e = Endpoint(kind);
    return static_cast<uint16_t>(std::stoi(e.substr(e.rfind(':') + 1)));
  }
  // A console command, once the emulator has answered it with `echo`.
  void Say(const std::string& command, const std::string& echo) {
    ASSERT_FALSE(echo.empty());
    const size_t from = seen_.size();
    const std::string line = command + "\n";
    ASSERT_EQ(write(console_, line.data(), line.size()), static_cast<ssize_t>(line.size()));
    ASSERT_TRUE(WaitFor(echo, from)) << command << " -> " << seen_.substr(from);
  }
  // The `show` report: identity, ports, routes, options, counters.
  std::string Show() {
    const size_t from = seen_.size();
    Say("show", "counters ");
    // The report ends with one line per front end (tcp, then serial) after the counters.
    const size_t counters = seen_.find("counters ", from);
    WaitFor("\n", counters);
    WaitFor("\n", seen_.find('\n', counters) + 1);
    return seen_.substr(from);
  }

 private:
  bool WaitFor(const std::string& text, size_t from = 0) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (seen_.find(text, from) == std::string::npos && std::chrono::steady_clock::now() < deadline) {
      pollfd p{output_, POLLIN, 0};
      if (poll(&p, 1, 10) <= 0) continue;
      char buf[1024];
      const ssize_t n = read(output_, buf, sizeof buf);
      if (n <= 0) break;
      seen_.append(buf, static_cast<size_t>(n));
    }
    return seen_.find(text, from) != std::string::npos;
  }
  pid_t pid_ = -1;
  int console_ = -1;
  int output_ = -1;
  std::string seen_;
};

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

int Lines(const std::string& text) {
  int n = 0;
  for (char c : text) n += c == '\n';
  return n;
}

TEST(Velantorctl, SwitchesOneOutputAndTheSwitcherShowsTheNewRoute) {
  Switcher sim;
  CtlResult r = Ctl({"--connect", sim.Tcp(), "route", "2", "3"});
  EXPECT_EQ(r.exit, 0) << r.err;
  EXPECT_EQ(r.out, "output B (2): input 3\n");
  EXPECT_EQ(r.err, "");
  r = Ctl({"--json", "route", "d", "2"}, sim.Tcp());  // letters, and the link from VELANTOR_CONNECT
  EXPECT_EQ(r.exit, 0) << r.err;
  EXPECT_TRUE(Has(r.out, R"("command":"route","ok":true,"outcome":"done","exit":0,"message":null)")) << r.out;
  EXPECT_TRUE(Has(r.out, R"("output":4,"input":2,"known":true)")) << r.out;
  EXPECT_EQ(Lines(r.out), 1);
  const std::string state = sim.Show();
  EXPECT_TRUE(Has(state, "2+ <- 3")) << state;
  EXPECT_TRUE(Has(state, "4+ <- 2")) << state;
}

TEST(Velantorctl, RoutesEveryOutputByAllPortToPortAndAPlan) {
  Switcher sim;
  EXPECT_EQ(Ctl({"--connect", sim.Tcp(), "route", "all", "3"}).exit, 0);
  EXPECT_TRUE(Has(sim.Show(), "1+ <- 3 fx 1/1; 2+ <- 3 fx 1/1; 3+ <- 3 fx 1/1; 4+ <- 3"));
  EXPECT_EQ(Ctl({"--connect", sim.Tcp(), "route", "set", "4,3,2,1"}).exit, 0);
  EXPECT_TRUE(Has(sim.Show(), "1+ <- 4 fx 1/1; 2+ <- 3 fx 1/1; 3+ <- 2 fx 1/1; 4+ <- 1"));
  CtlResult r = Ctl({"--connect", sim.Tcp(), "route", "port-to-port"});
  EXPECT_EQ(r.exit, 0) << r.err;
  EXPECT_TRUE(Has(sim.Show(), "1+ <- 1 fx 1/1; 2+ <- 2 fx 1/1; 3+ <- 3 fx 1/1; 4+ <- 4"));
  sim.Say("route 1 2", "output 1 shows input 2");
  r = Ctl({"--connect", sim.Tcp(), "route"});
  EXPECT_EQ(r.out, "output A (1): input 2\noutput B (2): input 2\noutput C (3): input 3\noutput D (4): input 4\n");
}

TEST(Velantorctl, RouteShowsNoRoutesItCouldNotReadOutsideTheMatrixMode) {
  Switcher sim;
  sim.Say("route 2 3", "output 2 shows input 3");
  sim.Say("mode 2", "display mode 2");
  CtlResult r = Ctl({"--connect", sim.Tcp(), "route"});
  EXPECT_EQ(r.exit, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_TRUE(Has(r.err, "not in matrix display mode")) << r.err;
  r = Ctl({"--connect", sim.Tcp(), "--json", "route"});
  EXPECT_TRUE(Has(r.out, R"("ok":false)")) << r.out;
  EXPECT_FALSE(Has(r.out, R"("routes")")) << r.out;
}

// Over the serial link the panel moves its buttons only for inputs 1 to 4, but the read-out, and
// so the client, shows whatever input the switcher reports.
TEST(Velantorctl, RouteReportsInputsAboveFourOverTheSerialLink) {
  Switcher sim({"--no-tcp", "--no-udp", "--size", "8x8"});
  sim.Say("route 1 5", "output 1 shows input 5");
  sim.Say("route 2 7", "output 2 shows input 7");
  CtlResult r = Ctl({"--connect", sim.Serial(), "route"});
  EXPECT_EQ(r.exit, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "output A (1): input 5\noutput B (2): input 7\n")) << r.out;
}

TEST(Velantorctl, InfoReportsDeviceOptionsAndWhichPortsHaveADevice) {
  Switcher sim({"--tcp", "127.0.0.1:0", "--no-udp", "--version", "2.7"});
  sim.Say("unplug in 2", "unplugged in 2");
  sim.Say("unplug out 4", "unplugged out 4");
  CtlResult r = Ctl({"--connect", sim.Tcp(), "--json", "info"});
  EXPECT_EQ(r.exit, 0) << r.err;
  EXPECT_TRUE(Has(r.out, R"("device":"HDMI MATRIX 4X4","version":"2.7","size":"4x4","display_mode":"matrix")"))
      << r.out;
  EXPECT_TRUE(Has(r.out, R"({"port":2,"connected":false})")) << r.out;
  EXPECT_TRUE(Has(
      r.out,
      R"("outputs":[{"port":1,"connected":true},{"port":2,"connected":true},{"port":3,"connected":true},{"port":4,"connected":false}])"))
      << r.out;
  r = Ctl({"--connect", sim.Tcp(), "info"});
  EXPECT_TRUE(Has(r.out, "version:      2.7\nsize:         4x4\n")) << r.out;
  EXPECT_TRUE(Has(r.out, "HDMI IN2: Disconnect\n")) << r.out;
}

// The switcher carries out the change but its answer never comes before the command's time is
// up: the client must not print the value it had before as the switcher's.
TEST(Velantorctl, AChangeStillUnansweredWhenTheTimeRunsOutIsReportedUnknown) {
  Switcher sim;
  sim.Say("mute-sets 100", "carrying out the next 100 set commands without an answer");
  CtlResult r = Ctl({"--connect", sim.Tcp(), "--timeout", "2", "route", "2", "3"});
  EXPECT_EQ(r.exit, 1) << r.err;
  EXPECT_EQ(r.out, "output B (2): unknown\n");
  r = Ctl({"--connect", sim.Tcp(), "--timeout", "2", "--json", "route", "set", "4,4,4,4"});
  EXPECT_EQ(r.exit, 1) << r.err;
  EXPECT_TRUE(Has(r.out, R"({"output":1,"letter":"A","input":null,"known":false})")) << r.out;
  r = Ctl({"--connect", sim.Tcp(), "--timeout", "2", "--json", "option", "beep", "off"});
  EXPECT_EQ(r.exit, 1) << r.err;
  EXPECT_TRUE(Has(r.out, R"("option":"beep","on":null)")) << r.out;
  r = Ctl({"--connect", sim.Tcp(), "--timeout", "2", "effect", "A", "2"});
  EXPECT_EQ(r.exit, 1) << r.err;
  EXPECT_EQ(r.out, "output A: effect unknown\n");
  r = Ctl({"--connect", sim.Tcp(), "--timeout", "2", "--json", "type", "3", "vga"});
  EXPECT_TRUE(Has(r.out, R"("result":{"input":3,"type":null})")) << r.out;
  r = Ctl({"--connect", sim.Tcp(), "--timeout", "2", "--json", "mode", "multiview"});
  EXPECT_EQ(r.exit, 1) << r.err;
  EXPECT_TRUE(Has(r.out, R"("result":{"display_mode":null})")) << r.out;
  const std::string shown = sim.Show();
  EXPECT_TRUE(Has(shown, "2+ <- 3")) << shown;  // the switcher did take the first change
  EXPECT_TRUE(Has(shown, "beep off")) << shown;
  EXPECT_TRUE(Has(shown, "mode 2")) << shown;
}

TEST(Velantorctl, TheBorderIsReportedOnlyInTheMultiViewerModeWhereItIsRead) {
  Switcher sim;  // its border is on, whatever the mode
  CtlResult r = Ctl({"--connect", sim.Tcp(), "--json", "info"});
  EXPECT_TRUE(Has(r.out, R"("options":{"beep":true,"ir":true,"border":null})")) << r.out;
  r = Ctl({"--connect", sim.Tcp(), "info"});
  EXPECT_TRUE(Has(r.out, "options:      beep on, ir on, border unknown\n")) << r.out;
  r = Ctl({"--connect", sim.Tcp(), "--json", "option", "border", "off"});
  EXPECT_EQ(r.exit, 1);
  EXPECT_TRUE(Has(r.out, R"("option":"border","on":null)")) << r.out;
  EXPECT_TRUE(Has(sim.Show(), "border on"));
  sim.Say("mode 2", "display mode 2");
  r = Ctl({"--connect", sim.Tcp(), "info"});
  EXPECT_TRUE(Has(r.out, "border on\n")) << r.out;
}

TEST(Velantorctl, SettingsOfTheMatrixAndGeneralPagesReachTheSwitcher) {
  Switcher sim;
  const std::string link = sim.Tcp();
  for (const std::vector<std::string>& command : std::vector<std::vector<std::string>>{{"effect", "B", "fade"},
                                                                                       {"time", "1", "4"},
                                                                                       {"type", "2", "vga"},
                                                                                       {"auto", "2"},
                                                                                       {"scaler", "3"},
                                                                                       {"option", "beep", "off"},
                                                                                       {"option", "ir", "off"}}) {
    std::vector<std::string> args{"--connect", link};
    args.insert(args.end(), command.begin(), command.end());
    const CtlResult r = Ctl(args);
    EXPECT_EQ(r.exit, 0) << command[0] << ": " << r.err;
  }
  std::string state = sim.Show();
  EXPECT_TRUE(Has(state, "1+ <- 1 fx 1/4; 2+ <- 2 fx 2/1")) << state;
  EXPECT_TRUE(Has(state, "2+ type 2")) << state;
  EXPECT_TRUE(Has(state, "3+ type 1 edid 0 scaler")) << state;
  EXPECT_TRUE(Has(state, "options beep off, ir off")) << state;
  // An option already as asked is confirmed without a command.
  EXPECT_EQ(Ctl({"--connect", link, "option", "beep", "off"}).out, "beep: off\n");
  // AUTO belongs to a VGA input only: the panel offers no button for another type.
  CtlResult refused = Ctl({"--connect", link, "auto", "1"});
  EXPECT_EQ(refused.exit, 1);
  EXPECT_EQ(refused.err, "velantorctl: The control is disabled on the Matrix page (AUTO adjusts a VGA input only)\n");

  CtlResult mode = Ctl({"--connect", link, "mode", "multiview", "--layout", "2", "--audio", "3"});
  EXPECT_EQ(mode.exit, 0) << mode.err;
  state = sim.Show();
  EXPECT_TRUE(Has(state, "mode 2, layout 2")) << state;
  EXPECT_TRUE(Has(state, "channel 3")) << state;
  // Routing, SCALER and the effects are the matrix mode's: the command says why it cannot act,
  // and reports no effect it never read.
  CtlResult route = Ctl({"--connect", link, "route", "1", "2"});
  EXPECT_EQ(route.exit, 1);
  EXPECT_TRUE(Has(route.err, "not in matrix display mode")) << route.err;
  CtlResult scaler = Ctl({"--connect", link, "scaler", "1"});
  EXPECT_EQ(scaler.exit, 1);
  EXPECT_TRUE(Has(scaler.err, "not in matrix display mode")) << scaler.err;
  CtlResult effect = Ctl({"--connect", link, "--json", "effect", "B", "fade"});
  EXPECT_EQ(effect.exit, 1);
  EXPECT_TRUE(Has(effect.out, R"("output":2,"effect":null,"name":null)")) << effect.out;
  CtlResult wall = Ctl({"--connect", link, "--json", "mode", "wall", "--x", "2", "--input", "3"});
  EXPECT_EQ(wall.exit, 0) << wall.err;
  EXPECT_TRUE(Has(wall.out, R"("display_mode":"wall","x":2,"input":3)")) << wall.out;
  EXPECT_EQ(Ctl({"--connect", link, "mode", "wall", "--input", "2"}).out, "display mode: wall\ninput:        2\n");
  EXPECT_EQ(Ctl({"--connect", link, "mode", "matrix"}).exit, 0);
  EXPECT_EQ(Ctl({"--connect", link, "route", "1", "2"}).exit, 0);
}

TEST(Velantorctl, FactoryResetAsksForYesThenRestoresWhatTheSwitcherReports) {
  Switcher sim;
  const std::string link = sim.Tcp();
  ASSERT_EQ(Ctl({"--connect", link, "route", "set", "2,2,2,2"}).exit, 0);
  ASSERT_EQ(Ctl({"--connect", link, "option", "beep", "off"}).exit, 0);
  CtlResult r = Ctl({"--connect", link, "factory-reset"});
  EXPECT_EQ(r.exit, 2);
  EXPECT_TRUE(Has(sim.Show(), "1+ <- 2 fx 1/1; 2+ <- 2"));  // nothing was sent
  r = Ctl({"--connect", link, "--json", "factory-reset", "--yes"});
  EXPECT_EQ(r.exit, 0) << r.err;
  EXPECT_TRUE(Has(r.out, R"("message":"Set successfully!")")) << r.out;
  const std::string state = sim.Show();
  EXPECT_TRUE(Has(state, "1+ <- 1 fx 1/4; 2+ <- 2 fx 1/4; 3+ <- 3 fx 1/4; 4+ <- 4 fx 1/4;")) << state;
  EXPECT_TRUE(Has(state, "options beep on")) << state;
}

TEST(Velantorctl, EdidCommandsSetCopyReadShowAndWrite) {
  Switcher sim;
  testing::ScratchDir dir;
  const std::string link = sim.Tcp();
  CtlResult r = Ctl({"--connect", link, "edid", "set", "2", "1080p"});
  EXPECT_EQ(r.exit, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "IN2: 1080p,Stereo Audio 2.0\n")) << r.out;
  EXPECT_TRUE(Has(sim.Show(), "2+ type 1 edid 3;"));
  r = Ctl({"--connect", link, "edid", "copy", "A", "all"});
  EXPECT_EQ(r.exit, 0) << r.err;
  EXPECT_TRUE(Has(sim.Show(), "1+ type 1 edid 15; 2+ type 1 edid 15; 3+ type 1 edid 15; 4+ type 1 edid 15;"));

  // What the read saves, `edid show` decodes and the download sends back.
  const std::string file = dir.path() + "outa.bin";
  r = Ctl({"--connect", link, "edid", "read", "A", file});
  EXPECT_EQ(r.exit, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "saved to " + file)) << r.out;
  r = Ctl({"--json", "edid", "show", file});
  EXPECT_EQ(r.exit, 0) << r.err;
  EXPECT_TRUE(Has(r.out, R"("size":256,"accepted":true)")) << r.out;
  EXPECT_TRUE(Has(r.out, R"("name":"VELANTOR OUTA")")) << r.out;
  r = Ctl({"--connect", link, "edid", "write", file, "3"});
  EXPECT_EQ(r.exit, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "IN3: User define\n")) << r.out;
  EXPECT_TRUE(Has(sim.Show(), "3+ type 1 edid 64;"));

  r = Ctl({"--connect", link, "--json", "edid", "status"});
  EXPECT_EQ(r.exit, 0) << r.err;
  EXPECT_TRUE(Has(r.out, R"({"input":3,"edid":"User define"})")) << r.out;
}

TEST(Velantorctl, EdidRefusalsNameTheFileOrTheOutput) {
  Switcher sim;
  testing::ScratchDir dir;
  std::vector<uint8_t> notEdid = testing::MinimalEdid();
  notEdid[3] = 0;  // header broken
  const std::string bad = dir.Write("bad.bin", notEdid);
  CtlResult r = Ctl({"--connect", sim.Tcp(), "edid", "write", bad, "all"});
  EXPECT_EQ(r.exit, 1);
  EXPECT_TRUE(Has(r.err, "Please select the correct EDID file!")) << r.err;
  r = Ctl({"edid", "show", bad});
  EXPECT_EQ(r.exit, 1);
  EXPECT_TRUE(Has(r.out, "Base block checksum: wrong")) << r.out;  // decoded all the same
  // ... but without its header the bytes claim no display: no identity in JSON.
  r = Ctl({"--json", "edid", "show", bad});
  EXPECT_TRUE(Has(r.out, R"("accepted":false,"manufacturer":null,"product_code":null)")) << r.out;
  EXPECT_TRUE(Has(r.out, R"("preferred_timing":null)")) << r.out;
  sim.Say("unplug out 2", "unplugged out 2");
  r = Ctl({"--connect", sim.Tcp(), "edid", "copy", "B", "1"});
  EXPECT_EQ(r.exit, 1);
  EXPECT_EQ(r.err, "velantorctl: HDMI OUT B is not connected!\n");
}

TEST(Velantorctl, TheSerialLinkDrivesTheSamePages) {
  Switcher sim({"--no-tcp", "--no-udp"});
  CtlResult r = Ctl({"--connect", sim.Serial(), "route", "3", "1"});
  EXPECT_EQ(r.exit, 0) << r.err;
  EXPECT_TRUE(Has(sim.Show(), "3+ <- 1"));
  r = Ctl({"--connect", sim.Serial(), "edid", "set", "all", "dvi"});
  EXPECT_EQ(r.exit, 0) << r.err;
  r = Ctl({"--connect", sim.Serial(), "--json", "info"});
  EXPECT_EQ(r.exit, 0) << r.err;
  EXPECT_TRUE(Has(r.out, R"("device":"HDMI MATRIX 4X4")")) << r.out;
}

// Unread option boxes hold no state of the switcher's: a damaged answer of the read-back is
// read again, never reported as "off".
TEST(Velantorctl, InfoReadsTheOptionsAgainWhenAnAnswerOfTheReadBackWasDamaged) {
  Switcher sim({"--no-tcp", "--no-udp"});  // beep and IR on
  sim.Say("corrupt 1", "corrupting");
  CtlResult r = Ctl({"--connect", sim.Serial(), "info"});
  EXPECT_EQ(r.exit, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "options:      beep on, ir on, border unknown\n")) << r.out;
}

TEST(Velantorctl, FailuresGiveTheirExitCodeAndThePanelsMessage) {
  Switcher sim;
  const std::string link = sim.Tcp();
  sim.Say("standby on", "standby on");
  CtlResult r = Ctl({"--connect", link, "route", "1", "2"});
  EXPECT_EQ(r.exit, 1);
  EXPECT_EQ(r.err, "velantorctl: Matrix is in standby mode!\n");
  sim.Say("standby off", "standby off");

  sim.Say("status 1", "refused with status 1");  // every set command refused
  r = Ctl({"--connect", link, "--json", "option", "beep", "off"});
  EXPECT_EQ(r.exit, 1);
  EXPECT_TRUE(Has(r.out, R"("ok":false,"outcome":"refused","exit":1,"message":"Set failed!")")) << r.out;
  EXPECT_TRUE(Has(sim.Show(), "options beep on"));
  r = Ctl({"--connect", link, "scaler", "1"});  // offered, then refused: no reason of the page's
  EXPECT_EQ(r.exit, 1);
  EXPECT_EQ(r.err, "velantorctl: Set failed!\n");
  sim.Say("clear", "faults off");

  sim.Say("drop 1000", "dropping");  // silent
  const auto start = std::chrono::steady_clock::now();
  r = Ctl({"--connect", link, "--timeout", "0.5", "route", "1", "2"});
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  EXPECT_EQ(r.exit, 1);
  EXPECT_TRUE(Has(r.err, "Time out!")) << r.err;
  sim.Say("clear", "faults off");

  sim.Kill();
  r = Ctl({"--connect", link, "route", "1", "2"});
  EXPECT_EQ(r.exit, 3);
  EXPECT_TRUE(Has(r.err, "velantorctl: Connect to Matrix failed!")) << r.err;
  r = Ctl({"--connect", "serial:/dev/velantor-no-such-device", "info"});
  EXPECT_EQ(r.exit, 3);
  EXPECT_TRUE(Has(r.err, "Open COM failed!")) << r.err;
  EXPECT_TRUE(Has(r.err, "not present")) << r.err;
}

TEST(Velantorctl, BadCommandLinesExitTwoWithOneLineAndSendNothing) {
  const std::vector<std::vector<std::string>> bad{
      {},
      {"frob"},
      {"route", "5", "1"},
      {"route", "A", "9"},
      {"route", "set", "1,2,3"},
      {"effect", "1", "sparkle"},
      {"time", "1", "9"},
      {"type", "1", "svideo"},
      {"option", "beep", "maybe"},
      {"mode", "matrix", "--layout", "2"},
      {"factory-reset"},
      {"edid", "set", "all", "4k"},
      {"edid", "read", "Z", "f.bin"},
      {"fw", "merge"},
      {"netconfig", "02:56:4C:54:00:01"},
      {"--timeout", "-1", "info"},
      {"--connect", "udp:1.2.3.4", "info"},
      {"info"},  // no switcher named anywhere
  };
  for (const auto& args : bad) {
    const CtlResult r = Ctl(args);
    std::string line;
    for (const auto& a : args) line += a + " ";
    EXPECT_EQ(r.exit, 2) << line << r.err;
    EXPECT_EQ(Lines(r.err), 1) << line << r.err;
    EXPECT_EQ(r.err.rfind("velantorctl: ", 0), 0u) << line << r.err;
    EXPECT_EQ(r.out, "") << line;
  }
  // With --json a bad line is still one JSON object, wherever --json stands.
  const std::vector<std::vector<std::string>> badJson{{"--json", "route", "9", "1"},
                                                      {"--json", "--timeout", "abc", "info"},
                                                      {"--connect", "foo", "--json", "info"},
                                                      {"--connect", "tcp:127.0.0.1:99999", "info", "--json"}};
  for (const auto& args : badJson) {
    const CtlResult json = Ctl(args, "tcp:127.0.0.1:9");
    EXPECT_EQ(json.exit, 2) << args[1];
    EXPECT_EQ(Lines(json.out), 1) << json.out;
    EXPECT_TRUE(Has(json.out, R"("ok":false,"outcome":"usage","exit":2)")) << json.out;
  }
  // A bad option still names the command it came with.
  EXPECT_TRUE(Has(Ctl({"--json", "--timeout", "abc", "info"}).out, R"({"command":"info","ok":false)"));
  EXPECT_EQ(Ctl({"--bogus", "info"}).err, "velantorctl: unknown option --bogus (velantorctl --help lists them)\n");
  CtlResult help = Ctl({"route", "--help"});
  EXPECT_EQ(help.exit, 0);
  EXPECT_TRUE(Has(help.out, "velantorctl route set A,B,C,D")) << help.out;
}

// A result that cannot reach standard output (a full disk) is not a success for the script.
TEST(Velantorctl, AResultThatCannotBeWrittenEndsWithExitFour) {
  Switcher sim;
  for (const std::string& command : {std::string("--version"), "--connect " + sim.Tcp() + " --json route"}) {
    const std::string line = std::string(VELANTOR_CTL_PATH) + " " + command + " > /dev/full 2>&1; echo $?";
    FILE* shell = popen(line.c_str(), "r");
    ASSERT_NE(shell, nullptr);
    char status[16] = {};
    ASSERT_NE(fgets(status, sizeof status, shell), nullptr);
    pclose(shell);
    EXPECT_STREQ(status, "4\n") << command;
  }
}

TEST(Velantorctl, ABrokenEnvironmentLinkFailsOnlyTheCommandsThatOpenTheLink) {
  testing::ScratchDir dir;
  const std::string broken = "tcp:999.1.1.1";
  EXPECT_EQ(Ctl({"--version"}, broken).exit, 0);
  // A script that always passes --json can parse the version too.
  const CtlResult version = Ctl({"--json", "--version"}, broken);
  EXPECT_EQ(version.exit, 0);
  EXPECT_TRUE(Has(version.out, R"({"command":"version","ok":true,"outcome":"done","exit":0,)")) << version.out;
  EXPECT_TRUE(Has(version.out, R"("result":{"version":")" VELANTOR_VERSION R"("}})" "\n")) << version.out;
  EXPECT_EQ(Ctl({"--help"}, broken).exit, 0);
  EXPECT_EQ(Ctl({"edid", "show", dir.Write("edid.bin", testing::MinimalEdid())}, broken).exit, 0);
  const std::string main = dir.Write("main.bin", std::vector<uint8_t>(300, 0x5A));
  EXPECT_EQ(Ctl({"fw", "merge", "--main", main}, broken).exit, 0);
  EXPECT_EQ(Ctl({"fw", "info", dir.path() + "Zivuve44_mm0.0.fw"}, broken).exit, 0);
  // The search runs (and finds nobody on that port): its outcome, not a bad line.
  EXPECT_NE(Ctl({"--broadcast", "127.255.255.255", "--search-port", "47391", "search", "--wait", "0.2"}, broken).exit,
            2);
  CtlResult r = Ctl({"--json", "info"}, broken);
  EXPECT_EQ(r.exit, 2);
  EXPECT_TRUE(Has(r.out, R"("outcome":"usage")")) << r.out;
  EXPECT_EQ(r.err.rfind("velantorctl: VELANTOR_CONNECT: ", 0), 0u) << r.err;
}

TEST(Velantorctl, FirmwareMergedByTheClientLoadsAndIsWrittenIntoTheSwitcher) {
  Switcher sim({"--tcp", "127.0.0.1:0", "--no-udp", "--reboot-ms", "200"});
  testing::ScratchDir dir;
  std::vector<uint8_t> image(300);
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 7 + 1);
  const std::string main = dir.Write("main.bin", image);
  ASSERT_EQ(mkdir((dir.path() + "out").c_str(), 0700), 0);
  CtlResult r = Ctl({"--json", "fw", "merge", "--main", main, "-o", dir.path() + "out"});
  EXPECT_EQ(r.exit, 0) << r.err;
  const std::string merged = dir.path() + "out/Zivuve44_mm0.0.fw";
  EXPECT_TRUE(Has(r.out, R"("file":")" + merged + "\"")) << r.out;
  r = Ctl({"fw", "info", merged});
  EXPECT_EQ(r.exit, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "part 1 (main MCU): 300 bytes, 2 blocks")) << r.out;

  r = Ctl({"--connect", sim.Tcp(), "fw", "upgrade", merged});
  EXPECT_EQ(r.exit, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "Firmware file loaded: main MCU 300 bytes\n")) << r.out;
  EXPECT_TRUE(Has(r.out, "Firmware upgrade Successfully\n")) << r.out;
  const std::string shown = sim.Show();
  EXPECT_TRUE(Has(shown, "fw blocks 2/0 bad")) << shown;
  EXPECT_TRUE(Has(shown, "reboots 1")) << shown;

  sim.Say("refuse-fw on", "refuse-fw on");
  r = Ctl({"--connect", sim.Tcp(), "fw", "upgrade", merged});
  EXPECT_EQ(r.exit, 1);
  EXPECT_EQ(Lines(r.err), 1) << r.err;
}

// A switcher that drops the connection as it restarts between two parts: the write goes on
// over a new connection, as the panel's does, instead of ending half done as "link lost".
TEST(Velantorctl, AFirmwareWriteGoesOnWhenTheSwitcherDropsTheConnectionAtItsRestart) {
  Switcher sim({"--tcp", "127.0.0.1:0", "--no-udp", "--reboot-ms", "200"});
  testing::ScratchDir dir;
  const std::string slave = dir.Write("slave.bin", std::vector<uint8_t>(600, 0x3C));
  const std::string ir = dir.Write("ir.bin", std::vector<uint8_t>(400, 0xC3));
  ASSERT_EQ(mkdir((dir.path() + "out").c_str(), 0700), 0);
  ASSERT_EQ(Ctl({"fw", "merge", "--slave", slave, "--ir", ir, "-o", dir.path() + "out"}).exit, 0);
  const std::string merged = dir.path() + "out/Zarara88_ms0.0_ir0.0.fw";
  sim.Say("fw-close-at-reboot 1", "dropping the connections at the next 1 reboots");
  CtlResult r = Ctl({"--connect", sim.Tcp(), "--json", "fw", "upgrade", merged});
  EXPECT_EQ(r.exit, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "\"Firmware upgrade Successfully\"")) << r.out;
  // The device read after the write, named as `info` names it.
  EXPECT_TRUE(Has(r.out, R"("device":"HDMI MATRIX 4X4","version":"1.5")")) << r.out;
  const std::string shown = sim.Show();
  EXPECT_TRUE(Has(shown, "fw blocks 5/0 bad")) << shown;  // both parts
}

// velantorctl as a person runs it: standard input and error (the progress bar, the Ctrl-C
// question) on a terminal, standard output on a pipe.
class TerminalCtl {
 public:
  explicit TerminalCtl(const std::vector<std::string>& args) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    EXPECT_GE(master_, 0);
    EXPECT_EQ(grantpt(master_), 0);
    EXPECT_EQ(unlockpt(master_), 0);
    const std::string terminal = ptsname(master_);
    int out[2];
    EXPECT_EQ(pipe2(out, O_CLOEXEC), 0);
    pid_ = fork();
    if (pid_ == 0) {
      const int tty = open(terminal.c_str(), O_RDWR | O_NOCTTY);
      dup2(tty, 0);
      dup2(out[1], 1);
      dup2(tty, 2);
      unsetenv("VELANTOR_CONNECT");
      ExecCtl(args);
    }
    close(out[1]);
    out_ = out[0];
  }
  ~TerminalCtl() {
    Exit(0);
    close(master_);
    close(out_);
  }
  // Reads until `text` shows on the terminal (or on standard output), for up to `ms`.
  bool WaitFor(const std::string& text, int ms, bool onTerminal = true) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!Has(onTerminal ? terminal_ : out_text_, text) && std::chrono::steady_clock::now() < deadline) Pump(10);
    return Has(onTerminal ? terminal_ : out_text_, text);
  }
  void Type(const std::string& keys) { ASSERT_EQ(write(master_, keys.data(), keys.size()), ssize_t(keys.size())); }
  void Interrupt() { kill(pid_, SIGINT); }
  void Terminate() { kill(pid_, SIGTERM); }
  // The exit code once the program ended within `ms`; -1 after killing it.
  int Exit(int ms) {
    if (pid_ <= 0) return exit_;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    int status = 0;
    while (waitpid(pid_, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() >= deadline) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
        break;
      }
      Pump(10);
    }
    while (Pump(0)) {
    }
    pid_ = -1;
    exit_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return exit_;
  }
  const std::string& Terminal() const { return terminal_; }
  const std::string& Out() const { return out_text_; }

 private:
  // Keeps both outputs drained, so the program never blocks on a full terminal. True when it read.
  bool Pump(int ms) {
    pollfd fds[2] = {{master_, POLLIN, 0}, {out_, POLLIN, 0}};
    if (poll(fds, 2, ms) <= 0) return false;
    bool read = false;
    for (int i = 0; i < 2; ++i) {
      if (!(fds[i].revents & POLLIN)) continue;
      char buf[4096];
      const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
      if (n > 0) (i == 0 ? terminal_ : out_text_).append(buf, static_cast<size_t>(n));
      read = read || n > 0;
    }
    return read;
  }
  int master_ = -1;
  int out_ = -1;
  pid_t pid_ = -1;
  int exit_ = -1;
  std::string terminal_;
  std::string out_text_;
};

TEST(Velantorctl, CtrlCDuringAFirmwareWriteStopsItOnlyWhileTheWriteStillRuns) {
  // The switcher's reboot after the part keeps the write running for seconds.
  Switcher sim({"--tcp", "127.0.0.1:0", "--no-udp", "--reboot-ms", "2500"});
  testing::ScratchDir dir;
  ASSERT_EQ(Ctl({"fw", "merge", "--main", dir.Write("main.bin", std::vector<uint8_t>(300, 0x33))}).exit, 0);
  const std::vector<std::string> upgrade{"--connect", sim.Tcp(), "fw", "upgrade", dir.path() + "Zivuve44_mm0.0.fw"};
  {
    // Nobody answers: the write's own end closes the question, and the command ends with it.
    TerminalCtl ctl(upgrade);
    ASSERT_TRUE(ctl.WaitFor("Upgrading Part_1.1.0.0...", 5000, false)) << ctl.Out();
    ctl.Interrupt();
    ASSERT_TRUE(ctl.WaitFor("Stop the firmware write?", 2000)) << ctl.Terminal();
    EXPECT_EQ(ctl.Exit(12000), 0) << ctl.Terminal();
    EXPECT_TRUE(Has(ctl.Out(), "Firmware upgrade Successfully\n")) << ctl.Out();
    EXPECT_FALSE(Has(ctl.Terminal(), "stopped by the user")) << ctl.Terminal();
  }
  EXPECT_TRUE(Has(sim.Show(), "reboots 1"));
  {
    TerminalCtl ctl(upgrade);
    ASSERT_TRUE(ctl.WaitFor("Upgrading Part_1.1.0.0...", 5000, false)) << ctl.Out();
    ctl.Interrupt();
    ASSERT_TRUE(ctl.WaitFor("Stop the firmware write?", 2000)) << ctl.Terminal();
    ctl.Type("y\n");
    EXPECT_EQ(ctl.Exit(3000), 1) << ctl.Terminal();
    EXPECT_TRUE(Has(ctl.Terminal(), "Upgrade stopped by the user")) << ctl.Terminal();
    EXPECT_FALSE(Has(ctl.Out(), "Firmware upgrade Successfully")) << ctl.Out();
  }
  {
    // A service manager's termination is not a question: the write stops and says so.
    TerminalCtl ctl(upgrade);
    ASSERT_TRUE(ctl.WaitFor("Upgrading Part_1.1.0.0...", 5000, false)) << ctl.Out();
    ctl.Terminate();
    EXPECT_EQ(ctl.Exit(3000), 1) << ctl.Terminal();
    EXPECT_FALSE(Has(ctl.Terminal(), "Stop the firmware write?")) << ctl.Terminal();
    EXPECT_TRUE(Has(ctl.Terminal(), "Upgrade stopped by a termination signal (the switcher may be left")) << ctl.Terminal();
  }
  {
    // The command's own time running out cuts the write off just as surely.
    std::vector<std::string> shortly = upgrade;
    shortly.insert(shortly.begin(), {"--timeout", "1.5"});
    CtlResult r = Ctl(shortly);
    EXPECT_EQ(r.exit, 1);
    EXPECT_TRUE(Has(r.err, "the write was cut off in part 1 (main MCU): the switcher may be left")) << r.err;
  }
}

TEST(Velantorctl, SearchAndNetconfigFindAndConfigureTheSwitcherOverUdp) {
  Switcher sim({"--no-tcp", "--no-serial", "--search", "0.0.0.0:0", "--config", "0.0.0.0:0", "--udp-reply-to",
                "127.255.255.255"});
  const std::vector<std::string> udp{"--broadcast",   "127.255.255.255",
                                     "--search-port", std::to_string(sim.Port("search")),
                                     "--config-port", std::to_string(sim.Port("config"))};
  auto with = [&](std::vector<std::string> args) {
    args.insert(args.begin(), udp.begin(), udp.end());
    return Ctl(args);
  };
  CtlResult r = with({"search", "--wait", "0.5"});
  EXPECT_EQ(r.exit, 0) << r.err;
  EXPECT_EQ(r.out, "192.168.1.239  02:56:4C:54:00:01\n");
  r = with({"--json", "netconfig", "02564c540001", "--static", "10.0.0.9", "--wait", "0.5"});
  EXPECT_EQ(r.exit, 0) << r.err;
  EXPECT_TRUE(Has(r.out, R"("mac":"02:56:4C:54:00:01","dhcp":false,"address":"10.0.0.9")")) << r.out;
  EXPECT_EQ(with({"search", "--wait", "0.5"}).out, "10.0.0.9  02:56:4C:54:00:01\n");
  r = with({"netconfig", "02:00:00:00:00:99", "--auto", "--wait", "0.3"});
  EXPECT_EQ(r.exit, 1);
  EXPECT_TRUE(Has(r.err, "no switcher with MAC 02:00:00:00:00:99")) << r.err;
}


// The client's row of the fault matrix: each command under each fault the emulator offers ends
// within its bound with an exit code and, when it failed, the panel's message; what it reports
// as done is what the switcher holds; and once the fault is gone the same command succeeds.
struct ClientOperation {
  const char* name;
  std::vector<std::string> args;
  const char* applied;  // what `show` prints once the switcher holds the change
  const char* before;   // ... and before it
};
struct ClientFault {
  const char* name;
  const char* command;  // console command and its echo; empty: none
  const char* echo;
  int closeAfterMs;  // > 0: the connections are dropped this long after the client started
};

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

TEST(Velantorctl, EveryCommandUnderEveryFaultEndsInItsTrueOutcomeAndTheNextOneSucceeds) {
  const std::vector<ClientOperation> operations = {
      {"route 2 3", {"route", "2", "3"}, "2+ <- 3", "2+ <- 2"},
      {"option beep off", {"option", "beep", "off"}, "beep off", "beep on"},
  };
  const std::vector<ClientFault> faults = {
      {"none", "", "", 0},
      {"no reply", "drop 100000", "dropping", 0},
      {"late replies", "delay 4000", "reply delay", 0},
      {"duplicated replies", "dup 100000", "twice", 0},
      {"corrupted replies", "corrupt 100000", "corrupting", 0},
      {"refusal", "status 1", "refused with status 1", 0},
      {"standby", "standby on", "standby on", 0},
      {"link closed", "late 100000 2000", "holding", 700},
  };
  std::string table = "\nvelantorctl x fault -> exit, seconds, message\n";
  for (const ClientOperation& op : operations) {
    for (const ClientFault& fault : faults) {
      SCOPED_TRACE(std::string(op.name) + " under " + fault.name);
      Switcher sim;
      if (*fault.command) sim.Say(fault.command, fault.echo);
      std::vector<std::string> args = {"--connect", sim.Tcp(), "--timeout", "12", "--json"};
      args.insert(args.end(), op.args.begin(), op.args.end());
      const auto start = std::chrono::steady_clock::now();
      std::thread closer;
      if (fault.closeAfterMs > 0) {
        closer = std::thread([&] {
          std::this_thread::sleep_for(std::chrono::milliseconds(fault.closeAfterMs));
          sim.Say("close", "connections closed");
        });
      }
      const CtlResult r = Ctl(args);
      if (closer.joinable()) closer.join();
      const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      EXPECT_LT(seconds, 14.0);
      EXPECT_TRUE(r.exit == 0 || r.exit == 1 || r.exit == 3) << r.exit << " " << r.err;
      sim.Say("clear", "faults off");
      sim.Say("standby off", "standby off");
      const std::string state = sim.Show();
      if (r.exit == 0) {
        EXPECT_TRUE(Has(state, op.applied)) << "reported done, switcher: " << state;
      } else {
        EXPECT_EQ(Lines(r.err), 1) << r.err;
        EXPECT_TRUE(Has(state, op.applied) || Has(state, op.before)) << state;
      }
      if (std::string(fault.name) == "none" || std::string(fault.name) == "duplicated replies") {
        EXPECT_EQ(r.exit, 0) << r.err;
      } else if (std::string(fault.name) != "late replies") {
        EXPECT_NE(r.exit, 0) << "success under " << fault.name;
      }
      // A control system retries a time-out but not a refusal: the outcome must say which.
      if (std::string(fault.name) == "link closed") {
        EXPECT_EQ(r.exit, 3) << r.err;  // not blamed on the switcher
        EXPECT_TRUE(Has(r.err, "(the link to 127.0.0.1:")) << r.err;  // and it says which link went
      }
      if (std::string(fault.name) == "no reply") {
        EXPECT_TRUE(Has(r.out, R"("outcome":"timed-out")")) << r.out;
      }
      if (std::string(fault.name) == "refusal") {
        EXPECT_TRUE(Has(r.err, "Set failed!")) << r.err;
        EXPECT_TRUE(Has(r.out, R"("outcome":"refused")")) << r.out;
      }
      const CtlResult again = [&] {
        std::vector<std::string> a = {"--connect", sim.Tcp()};
        a.insert(a.end(), op.args.begin(), op.args.end());
        return Ctl(a);
      }();
      EXPECT_EQ(again.exit, 0) << again.err;
      EXPECT_TRUE(Has(sim.Show(), op.applied));
      char line[200];
      std::snprintf(line, sizeof line, "%-16s %-19s exit %d  %5.1f s  %s\n", op.name, fault.name, r.exit, seconds,
                    r.exit == 0 ? "-" : FirstLine(r.err).c_str());
      table += line;
    }
  }
  std::printf("%s", table.c_str());
}

}  // namespace
}  // namespace velantor
