// velantorctl's command line: global options anywhere, the environment's link, and the readers of
// ports, plans, seconds, MACs and outcomes that decide exit code 2 before any link is opened.
#include <gtest/gtest.h>

#include "cli/arguments.h"
#include "cli/outcome.h"

namespace velantor::cli {
namespace {

TEST(CliArguments, GlobalOptionsAreTakenAnywhereAndTheRestIsTheCommand) {
  ParsedCli p = ParseCliArguments({"route", "--json", "2", "--timeout=0.25", "3", "--connect", "tcp:10.0.0.5"}, "");
  ASSERT_TRUE(p.options) << p.error;
  EXPECT_EQ(p.options->words, (std::vector<std::string>{"route", "2", "3"}));
  EXPECT_TRUE(p.options->json);
  EXPECT_EQ(p.options->timeoutMs, 250);
  EXPECT_EQ(p.options->panel.connect, PanelOptions::Link::kTcp);
  EXPECT_EQ(p.options->panel.host, "10.0.0.5");
  EXPECT_EQ(p.options->panel.port, 8000);
  // A command's own options stay with the command; after "--" nothing is an option.
  p = ParseCliArguments({"fw", "merge", "--main", "a.bin", "-o", "out", "--", "--json"}, "");
  ASSERT_TRUE(p.options);
  EXPECT_EQ(p.options->words, (std::vector<std::string>{"fw", "merge", "--main", "a.bin", "-o", "out", "--json"}));
  EXPECT_FALSE(p.options->json);
}

TEST(CliArguments, ConnectOnTheLineWinsOverTheEnvironment) {
  ParsedCli fromEnv = ParseCliArguments({"info"}, "serial:/dev/ttyUSB3");
  ASSERT_TRUE(fromEnv.options);
  EXPECT_TRUE(fromEnv.options->linkGiven);
  EXPECT_EQ(fromEnv.options->panel.serialPath, "/dev/ttyUSB3");
  ParsedCli given = ParseCliArguments({"--connect", "tcp:127.0.0.1:9000", "info"}, "serial:/dev/ttyUSB3");
  ASSERT_TRUE(given.options);
  EXPECT_EQ(given.options->panel.connect, PanelOptions::Link::kTcp);
  EXPECT_EQ(given.options->panel.port, 9000);
  EXPECT_FALSE(ParseCliArguments({"info"}, "").options->linkGiven);
  // A broken environment value is named as such, and only for a command that opens the link;
  // a --connect on the line leaves it unread.
  ParsedCli bad = ParseCliArguments({"info"}, "tcp:nowhere");
  ASSERT_TRUE(bad.options);
  EXPECT_FALSE(bad.options->linkGiven);
  EXPECT_EQ(bad.options->linkError.rfind("VELANTOR_CONNECT: ", 0), 0u) << bad.options->linkError;
  bad = ParseCliArguments({"--connect", "tcp:127.0.0.1", "info"}, "tcp:nowhere");
  ASSERT_TRUE(bad.options);
  EXPECT_EQ(bad.options->linkError, "");
}

TEST(CliArguments, BadGlobalOptionsAreRefusedWithAReason) {
  for (const auto& args : std::vector<std::vector<std::string>>{{"--connect"},
                                                                {"--connect", "com:1"},
                                                                {"--timeout", "0"},
                                                                {"--timeout", "1e3"},
                                                                {"--timeout", "-2"},
                                                                {"--timeout", "1.2.3"},
                                                                {"--broadcast", "everyone"},
                                                                {"--search-port", "70000"},
                                                                {"--config-port"}}) {
    ParsedCli p = ParseCliArguments(args, "");
    EXPECT_FALSE(p.options) << args[0];
    EXPECT_FALSE(p.error.empty()) << args[0];
    EXPECT_EQ(p.error.find('\n'), std::string::npos) << p.error;
  }
  // The first bad option is told, and --json anywhere still asks for the answer as JSON.
  ParsedCli p = ParseCliArguments({"--timeout", "x", "--search-port", "0", "info", "--json"}, "");
  EXPECT_FALSE(p.options);
  EXPECT_TRUE(p.json);
  EXPECT_EQ(p.error.rfind("--timeout", 0), 0u) << p.error;
}

TEST(CliArguments, PortsPlansAndSecondsAcceptOnlyWhatTheSwitcherHas) {
  EXPECT_EQ(ParseOutput("1"), 1);
  EXPECT_EQ(ParseOutput("d"), 4);
  EXPECT_EQ(ParseOutput("B"), 2);
  for (const char* bad : {"0", "5", "E", "", "1a", "+1", "AB"}) EXPECT_FALSE(ParseOutput(bad)) << bad;
  EXPECT_EQ(ParseInput("4"), 4);
  EXPECT_FALSE(ParseInput("A"));  // inputs are numbers only
  EXPECT_EQ(ParseRoutePlan("4,3,2,1"), (std::vector<int>{4, 3, 2, 1}));
  for (const char* bad : {"1,2,3", "1,2,3,4,1", "1,,2,3", "1,2,3,5", "1 2 3 4", ""}) {
    EXPECT_FALSE(ParseRoutePlan(bad)) << bad;
  }
  EXPECT_EQ(ParseSeconds("2"), 2000);
  EXPECT_EQ(ParseSeconds("0.5"), 500);
  for (const char* bad : {"0", "0.0001", ".5", "5.", "x", "100000"}) EXPECT_FALSE(ParseSeconds(bad)) << bad;
  EXPECT_EQ(ParseOnOff("on"), true);
  EXPECT_FALSE(ParseOnOff("ON"));
}

TEST(CliArguments, MacsAndAddressesAreReadInTheirUsualSpellings) {
  EXPECT_EQ(ParseMac("02:56:4c:54:00:01"), "02564C540001");
  EXPECT_EQ(ParseMac("02-56-4C-54-00-01"), "02564C540001");
  EXPECT_EQ(ParseMac("02564c540001"), "02564C540001");
  for (const char* bad : {"02:56:4C:54:00", "02:56:4C:54:00:0G", "0256:4C54:0001", "02564C5400011"}) {
    EXPECT_FALSE(ParseMac(bad)) << bad;
  }
  EXPECT_EQ(ParseIpv4("10.0.0.9"), (std::vector<int>{10, 0, 0, 9}));
  EXPECT_FALSE(ParseIpv4("10.0.0.256"));
}

TEST(CliOutcome, OnlyASuccessMessageIsSuccessAndEveryOutcomeHasItsExitCode) {
  EXPECT_EQ(OutcomeOfMessage("Set successfully!"), Outcome::kDone);
  EXPECT_EQ(OutcomeOfMessage("Download successfully!"), Outcome::kDone);
  EXPECT_EQ(OutcomeOfMessage("Time out!"), Outcome::kTimedOut);
  EXPECT_EQ(OutcomeOfMessage("The switcher does not answer"), Outcome::kTimedOut);
  EXPECT_EQ(OutcomeOfMessage("No switcher answered"), Outcome::kTimedOut);
  EXPECT_EQ(OutcomeOfMessage("Open COM failed!"), Outcome::kLinkFailure);
  EXPECT_EQ(OutcomeOfMessage("Connect to Matrix failed!"), Outcome::kLinkFailure);
  EXPECT_EQ(OutcomeOfMessage("Matrix is in standby mode!"), Outcome::kRefused);
  // A message the table does not know is never taken for success.
  EXPECT_EQ(OutcomeOfMessage("HDMI OUT B is not connected!"), Outcome::kRefused);
  EXPECT_EQ(OutcomeOfMessage("Set successfully"), Outcome::kRefused);
  EXPECT_EQ(ExitCodeOf(Outcome::kDone), 0);
  EXPECT_EQ(ExitCodeOf(Outcome::kRefused), 1);
  EXPECT_EQ(ExitCodeOf(Outcome::kTimedOut), 1);
  EXPECT_EQ(ExitCodeOf(Outcome::kBadCommandLine), 2);
  EXPECT_EQ(ExitCodeOf(Outcome::kLinkFailure), 3);
}

}  // namespace
}  // namespace velantor::cli
