// The emulator's console input: lines across reads, and an overlong line dropped whole so that
// its tail never runs as a command.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "sim/console_lines.h"

namespace velantor::sim {
namespace {

using Lines = std::vector<std::string>;

TEST(ConsoleLines, LinesSplitOverReadsComeOutWhole) {
  ConsoleLines lines;
  EXPECT_EQ(lines.Feed("sho", 3), Lines{});
  EXPECT_EQ(lines.Feed("w\ndrop 2\nstand", 14), (Lines{"show", "drop 2"}));
  EXPECT_EQ(lines.Feed("by on\n", 6), Lines{"standby on"});
  EXPECT_EQ(lines.Dropped(), 0);
}

TEST(ConsoleLines, AnOverlongLineEndingInQuitIsDroppedWholeAndTheNextLineRuns) {
  ConsoleLines lines;
  const std::string junk(5120 - 4, 'x');
  // Read in pieces as a pipe delivers it: the tail "quit" comes in a later read.
  EXPECT_EQ(lines.Feed(junk.data(), 1024), Lines{});
  EXPECT_EQ(lines.Feed(junk.data() + 1024, junk.size() - 1024), Lines{});
  EXPECT_EQ(lines.Feed("quit\nshow\n", 10), Lines{"show"});
  EXPECT_EQ(lines.Dropped(), 1);

  const std::string exact(ConsoleLines::kMaxLine, 'y');
  EXPECT_EQ(lines.Feed((exact + "\n").data(), exact.size() + 1), Lines{exact});  // at the limit: kept
  EXPECT_EQ(lines.Dropped(), 1);
}

TEST(ConsoleLines, TheLastLineWithoutANewlineRunsAtTheEndUnlessItWasOverlong) {
  ConsoleLines lines;
  const std::string input = "route 1 3\nshow";
  EXPECT_EQ(lines.Feed(input.data(), input.size()), Lines{"route 1 3"});
  EXPECT_EQ(lines.Finish(), std::optional<std::string>("show"));
  EXPECT_EQ(lines.Finish(), std::nullopt);

  const std::string junk(ConsoleLines::kMaxLine + 10, 'x');
  lines.Feed((junk + "quit").data(), junk.size() + 4);
  EXPECT_EQ(lines.Finish(), std::nullopt);  // the tail of a dropped line never runs
}

}  // namespace
}  // namespace velantor::sim
