// The emulator's control commands and its command line.
#include <gtest/gtest.h>

#include "base/virtual_event_loop.h"
#include "sim/control_console.h"
#include "sim/program_options.h"

namespace velantor::sim {
namespace {

struct Console {
  VirtualEventLoop loop;
  DeviceModel model{loop};
  ControlConsole console{model};
};

TEST(SimControl, CommandsSetTheirKnobs) {
  Console c;
  const char* lines[] = {"drop 2", "drop-every 3", "delay 200", "corrupt", "status 1",
                         "refuse-fw on", "split 5", "join 3", "reboot-ms 500"};
  for (const char* line : lines) EXPECT_TRUE(c.console.Run(line).ok) << line;
  const FaultKnobs& f = c.model.Faults();
  EXPECT_EQ(f.dropNext, 2);
  EXPECT_EQ(f.dropEvery, 3);
  EXPECT_EQ(f.delayMs, 200);
  EXPECT_EQ(f.corruptNext, 1);
  EXPECT_EQ(f.status, 1);
  EXPECT_TRUE(f.refuseFirmware);
  EXPECT_EQ(f.splitBytes, 5);
  EXPECT_EQ(f.joinCount, 3);
  EXPECT_EQ(c.model.RebootMs(), 500);
  EXPECT_TRUE(c.console.Run("clear").ok);
  EXPECT_EQ(c.model.Faults().dropNext, 0);
  EXPECT_FALSE(c.model.Faults().refuseFirmware);
}

TEST(SimControl, CommandsChangeTheDevice) {
  Console c;
  EXPECT_TRUE(c.console.Run("unplug in 3").ok);
  EXPECT_TRUE(c.console.Run("unplug out 2").ok);
  EXPECT_TRUE(c.console.Run("route 4 2").ok);
  EXPECT_TRUE(c.console.Run("signal 1 2").ok);
  EXPECT_TRUE(c.console.Run("edid-code 2 255").ok);
  EXPECT_TRUE(c.console.Run("standby on").ok);
  const DeviceState& s = c.model.State();
  EXPECT_FALSE(s.Input(3).connected);
  EXPECT_FALSE(s.Output(2).connected);
  EXPECT_EQ(s.Output(4).route, 2);
  EXPECT_EQ(s.Input(1).signalType, 2);
  EXPECT_EQ(s.Input(2).edidCode, 255);
  EXPECT_TRUE(c.model.InStandby());
  EXPECT_TRUE(c.console.Run("plug in 3").ok);
  EXPECT_TRUE(s.Input(3).connected);
  EXPECT_NE(c.console.Run("show").text.find("STANDBY"), std::string::npos);
  EXPECT_TRUE(c.console.Run("quit").quit);
}

TEST(SimControl, BadCommandsSayWhyAndChangeNothing) {
  Console c;
  const char* lines[] = {"bogus", "drop", "drop -1", "drop 2x", "delay 9999999", "unplug in 5",
                         "unplug side 1", "standby maybe", "status 256", "route 9 1", "drop-every 1"};
  for (const char* line : lines) {
    ControlConsole::Result r = c.console.Run(line);
    EXPECT_FALSE(r.ok) << line;
    EXPECT_EQ(r.text.rfind("error: ", 0), 0u) << line;
  }
  EXPECT_EQ(c.model.Faults().dropNext, 0);
  EXPECT_EQ(c.model.Faults().delayMs, 0);
  EXPECT_FALSE(c.model.InStandby());
  EXPECT_TRUE(c.console.Run("   ").ok);
}

TEST(SimControl, TheCommandLineHasTheDefaultEndpoints) {
  ParsedOptions p = ParseProgramOptions({});
  ASSERT_TRUE(p.options);
  EXPECT_EQ(p.options->tcpAt.Text(), "127.0.0.1:8000");
  EXPECT_EQ(p.options->search.Text(), "0.0.0.0:30600");
  EXPECT_EQ(p.options->config.Text(), "0.0.0.0:30601");
  EXPECT_TRUE(p.options->serial);
  EXPECT_EQ(p.options->inputs, 4);
}

TEST(SimControl, TheCommandLineTakesEveryOption) {
  ParsedOptions p = ParseProgramOptions({"--tcp", "127.0.0.1:0", "--serial", "/tmp/x", "--size", "8x8",
                                         "--type", "2", "--mac", "02:00:00:00:00:07", "--ip", "10.1.2.3",
                                         "--reboot-ms", "50", "--wire-rate", "--no-udp", "--no-stdin",
                                         "--version", "2.10"});
  ASSERT_TRUE(p.options) << p.error;
  const ProgramOptions& o = *p.options;
  EXPECT_EQ(o.tcpAt.port, 0);
  EXPECT_EQ(o.serialLink, "/tmp/x");
  EXPECT_EQ(o.outputs, 8);
  EXPECT_EQ(o.type, 2);
  EXPECT_EQ((*o.mac)[5], 7);
  EXPECT_EQ((*o.ip)[3], 3);
  EXPECT_EQ(o.rebootMs, 50);
  EXPECT_TRUE(o.wireRate);
  EXPECT_FALSE(o.udp);
  EXPECT_FALSE(o.readStdin);
  EXPECT_EQ(o.versionMinor, 10);
}

TEST(SimControl, BadCommandLinesAreRefusedWithAReason) {
  const std::vector<std::vector<std::string>> bad = {
      {"--tcp"}, {"--tcp", "localhost:8000"}, {"--tcp", "127.0.0.1:70000"}, {"--size", "9x9"},
      {"--size", "4"}, {"--type", "4"}, {"--mac", "02:00:00:00:00"}, {"--frobnicate"}};
  for (const auto& args : bad) {
    ParsedOptions p = ParseProgramOptions(args);
    EXPECT_FALSE(p.options) << args[0];
    EXPECT_FALSE(p.error.empty()) << args[0];
  }
  // An endpoint's message names the half that is wrong.
  EXPECT_EQ(ParseProgramOptions({"--tcp", "127.0.0.1:70000"}).error,
            "--tcp: bad port \"70000\": a number from 0 to 65535");
  EXPECT_EQ(ParseProgramOptions({"--search", "localhost:30600"}).error,
            "--search: \"localhost\" is not an IPv4 address");
  EXPECT_EQ(ParseProgramOptions({"--tcp", "8000"}).error, "--tcp wants ADDR:PORT, not \"8000\"");
}

}  // namespace
}  // namespace velantor::sim
