// The runner's steps that ask again on a row of timers before giving up, and its steps that send
// nothing and only wait for a second report.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/exchange_runner.h"
#include "support/bytes.h"

namespace velantor {
namespace {

class RecordingHost : public ExchangeHost {
 public:
  std::vector<std::vector<uint8_t>> sent;
  std::vector<int> running;
  std::vector<std::string> timeOuts;

  void SendBytes(const std::vector<uint8_t>& bytes) override { sent.push_back(bytes); }
  void StartTimer(int id, int) override {
    StopTimer(id);
    running.push_back(id);
  }
  void StopTimer(int id) override { std::erase(running, id); }
  void LockHeaders(bool) override {}
  void ShowBusy(BusyFamily, int) override {}
  void CloseBusy(int) override {}
  void ShowTimeOut(const std::string& text) override { timeOuts.push_back(text); }
};

CommandFrame FrameOf(std::initializer_list<int> body) {
  return CommandFrame::FromBytes(testing::Frame(body).data());
}

// 01 01 asked at once and again on timers 4, 5 and 6, given up on timer 11.
Exchange AskFourTimes(std::vector<ExchangeEnd>& ends) {
  Exchange exchange;
  ExchangeStep ask = ExchangeStep::Frame(FrameOf({0x01, 0x01}), {0x01, 0x01}, 4, 11, 3000, 3000);
  ask.retryTimers = {5, 6};
  exchange.steps.push_back(ask);
  exchange.onEnd = [&ends](ExchangeEnd end, size_t) { ends.push_back(end); };
  return exchange;
}

TEST(ExchangeRunnerRetries, EachRetryTimerAsksAgainAndStartsTheNextUntilTheSecondGivesUp) {
  RecordingHost host;
  ExchangeRunner runner(host);
  std::vector<ExchangeEnd> ends;
  runner.Start(AskFourTimes(ends));
  EXPECT_EQ(host.running, std::vector<int>{4});
  for (int id : {4, 5, 6}) {
    EXPECT_TRUE(runner.OnTimer(id));
    EXPECT_EQ(host.running, std::vector<int>{id == 6 ? 11 : id + 1});
  }
  EXPECT_EQ(host.sent.size(), 4u);
  EXPECT_TRUE(runner.OnTimer(11));
  EXPECT_EQ(ends, std::vector<ExchangeEnd>{ExchangeEnd::kTimeOut});
  EXPECT_EQ(host.timeOuts, std::vector<std::string>{"Time out!"});
  EXPECT_TRUE(host.running.empty());
}

TEST(ExchangeRunnerRetries, TheAnswerBetweenRetriesStopsEveryTimerOfTheRow) {
  RecordingHost host;
  ExchangeRunner runner(host);
  std::vector<ExchangeEnd> ends;
  runner.Start(AskFourTimes(ends));
  runner.OnTimer(4);
  EXPECT_TRUE(runner.OnFrame(FrameOf({0x01, 0x01, 1}), true));
  EXPECT_EQ(ends, std::vector<ExchangeEnd>{ExchangeEnd::kDone});
  EXPECT_TRUE(host.running.empty());
  EXPECT_FALSE(runner.OnTimer(5));  // a stale expiry is not the exchange's any more
}

TEST(ExchangeRunnerRetries, AStepWithoutBytesSendsNothingAndWaitsOnItsSecondTimer) {
  RecordingHost host;
  ExchangeRunner runner(host);
  std::vector<ExchangeEnd> ends;
  Exchange exchange;
  exchange.steps.push_back(ExchangeStep::Frame(FrameOf({0x20, 0x01, 0xAA}), {0x20, 0x01}, 0, 0));
  ExchangeStep report;
  report.awaited = ReplyMatch{0x20, 0x01, 0xFE};
  report.secondTimer = 34;
  exchange.steps.push_back(report);
  exchange.onEnd = [&ends](ExchangeEnd end, size_t) { ends.push_back(end); };
  runner.Start(std::move(exchange));
  runner.OnFrame(FrameOf({0x20, 0x01, 0x00}), true);
  EXPECT_EQ(host.sent.size(), 1u);
  EXPECT_EQ(runner.StepIndex(), 1u);
  EXPECT_EQ(host.running, std::vector<int>{34});
  EXPECT_TRUE(runner.OnFrame(FrameOf({0x20, 0x01, 0x00, 0, 0xFE, 0, 0x01}), true));
  EXPECT_EQ(ends, std::vector<ExchangeEnd>{ExchangeEnd::kDone});
  EXPECT_EQ(host.sent.size(), 1u);
}

}  // namespace
}  // namespace velantor
