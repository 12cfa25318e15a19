// velantorctl's output: the JSON writer (ordered keys, escaping, numbers), the command's document,
// the failure line on standard error and the progress bar's line.
#include <gtest/gtest.h>

#include "cli/json_writer.h"
#include "cli/progress.h"
#include "cli/report.h"

namespace velantor::cli {
namespace {

TEST(CliJson, ObjectsKeepTheirKeysInOrderAndReplaceARepeatedKey) {
  Json j = Json::MakeObject();
  j.Set("zeta", 1).Set("alpha", true).Set("list", Json::ArrayOf(std::vector<int>{3, 2})).Set("none", Json());
  j.Set("zeta", "again");
  EXPECT_EQ(j.Dump(), R"({"zeta":"again","alpha":true,"list":[3,2],"none":null})");
  EXPECT_EQ(Json::MakeObject().Dump(), "{}");
  EXPECT_EQ(Json::MakeArray().Dump(), "[]");
  EXPECT_EQ(Json(2.5).Dump(), "2.5");
  EXPECT_EQ(Json(int64_t{-9000000000}).Dump(), "-9000000000");
}

TEST(CliJson, StringsAreEscapedSoAnyTextGivesValidJson) {
  EXPECT_EQ(JsonQuote("a\"b\\c"), R"("a\"b\\c")");
  EXPECT_EQ(JsonQuote("line\r\n\t"), R"("line\r\n\t")");
  EXPECT_EQ(JsonQuote(std::string("\x01\x1f\x7f", 3)), R"("\u0001\u001F\u007F")");
  EXPECT_EQ(JsonQuote("淡入淡出"), "\"淡入淡出\"");  // UTF-8 as it is
}

TEST(CliJson, TheDocumentCarriesOutcomeExitMessagesAndResult) {
  Report failed = Report::Failure(Outcome::kTimedOut, "Time out!", "no confirmation");
  failed.result.Set("output", 2);
  EXPECT_EQ(ReportDocument("route", failed, {"Time out!"}).Dump(),
            R"({"command":"route","ok":false,"outcome":"timed-out","exit":1,"message":"Time out!",)"
            R"("reason":"no confirmation","messages":["Time out!"],"result":{"output":2}})");
  EXPECT_EQ(ReportDocument("info", Report()).Dump(),
            R"({"command":"info","ok":true,"outcome":"done","exit":0,"message":null,"reason":null,)"
            R"("messages":[],"result":{}})");
  EXPECT_EQ(FailureLine(failed), "velantorctl: Time out! (no confirmation)");
  EXPECT_EQ(FailureLine(Report()), "");
  // A page's question spans lines; the failure line stays one.
  EXPECT_EQ(FailureLine(Report::Failure(Outcome::kRefused, "Needs confirmation", "Part 1?\r\nWrite it?")),
            "velantorctl: Needs confirmation (Part 1?  Write it?)");
}

TEST(CliProgress, TheBarFillsPerBlockAndNeverPastItsEnd) {
  EXPECT_EQ(ProgressLine("part 1", 0, 4, 8), "part 1 [........] 0/4 blocks");
  EXPECT_EQ(ProgressLine("part 1", 1, 4, 8), "part 1 [##......] 1/4 blocks");
  EXPECT_EQ(ProgressLine("part 1", 9, 4, 8), "part 1 [########] 4/4 blocks");
  EXPECT_EQ(ProgressLine("part 2", 0, 0, 4), "part 2 [....] 0/0 blocks");
}

}  // namespace
}  // namespace velantor::cli
