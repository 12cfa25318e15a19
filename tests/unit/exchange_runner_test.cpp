// The exchange runner: one awaited reply at a time, judged replies, the one end path, and the
// step kinds pages declare (retry rows, steps that only wait, whole raw blocks, busy per step).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/exchange_runner.h"
#include "support/bytes.h"

namespace velantor {
namespace {

// Records what the runner asks of its page.
class Host : public ExchangeHost {
 public:
  bool takesWhole = true;
  std::vector<std::vector<uint8_t>> sent;
  std::vector<int> running;
  std::vector<std::string> timeOuts;
  std::vector<bool> headerLocks;
  int shows = 0;
  int closes = 0;
  bool open = false;

  void SendBytes(const std::vector<uint8_t>& bytes) override { sent.push_back(bytes); }
  bool SendWhole(const std::vector<uint8_t>& bytes) override {
    if (takesWhole) sent.push_back(bytes);
    return takesWhole;
  }
  void StartTimer(int id, int) override {
    StopTimer(id);
    running.push_back(id);
  }
  void StopTimer(int id) override { std::erase(running, id); }
  void LockHeaders(bool locked) override { headerLocks.push_back(locked); }
  void ShowBusy(BusyFamily, int) override {
    ++shows;
    open = true;
  }
  void CloseBusy(int) override {
    ++closes;
    open = false;
  }
  void ShowTimeOut(const std::string& text) override { timeOuts.push_back(text); }
};

CommandFrame FrameOf(std::initializer_list<int> body) {
  return CommandFrame::FromBytes(testing::Frame(body).data());
}

// Two port queries (01 04 with port 1, then 2), timers 7/8 and 9/10, headers locked, busy dialog.
Exchange Walk(std::vector<ExchangeEnd>& ends, std::vector<size_t>& replies) {
  Exchange walk;
  walk.steps.push_back(ExchangeStep::Frame(FrameOf({0x01, 0x04, 0, 0, 1}), {0x01, 0x04, 1}, 7, 8));
  walk.steps.push_back(ExchangeStep::Frame(FrameOf({0x01, 0x04, 0, 0, 2}), {0x01, 0x04, 2}, 9, 10));
  walk.locksHeaders = true;
  walk.busy = BusyFamily::kGettingStatus;
  walk.animationTimer = 60;
  walk.onReply = [&replies](const CommandFrame&, size_t index) {
    replies.push_back(index);
    return ReplyVerdict::kAccept;
  };
  walk.onEnd = [&ends](ExchangeEnd end, size_t) { ends.push_back(end); };
  return walk;
}

TEST(ExchangeRunner, OnlyTheAwaitedReplyWithARightSumMovesTheChainOn) {
  Host host;
  ExchangeRunner runner(host);
  std::vector<ExchangeEnd> ends;
  std::vector<size_t> replies;
  runner.Start(Walk(ends, replies));
  EXPECT_FALSE(runner.OnFrame(FrameOf({0x01, 0x04, 0, 0, 2}), true));  // another port's reply
  EXPECT_FALSE(runner.OnFrame(FrameOf({0x01, 0x05, 0, 0, 1}), true));  // another sub-command
  EXPECT_TRUE(runner.OnFrame(FrameOf({0x01, 0x04, 0, 0, 1}), false));  // damaged: dropped
  EXPECT_EQ(runner.DroppedReplies(), 1u);
  EXPECT_TRUE(replies.empty());
  EXPECT_EQ(host.running, std::vector<int>{7});  // its timer resends
  EXPECT_TRUE(runner.OnFrame(FrameOf({0x01, 0x04, 0, 0, 1}), true));
  EXPECT_EQ(runner.StepIndex(), 1u);
  EXPECT_FALSE(runner.OnFrame(FrameOf({0x01, 0x04, 0, 0, 1}), true));  // a duplicate does nothing
  EXPECT_EQ(host.running, std::vector<int>{9});
  EXPECT_TRUE(runner.OnFrame(FrameOf({0x01, 0x04, 0, 0, 2}), true));
  EXPECT_EQ(replies, (std::vector<size_t>{0, 1}));
  EXPECT_EQ(ends, std::vector<ExchangeEnd>{ExchangeEnd::kDone});
  EXPECT_EQ(host.headerLocks, (std::vector<bool>{true, false}));
  EXPECT_FALSE(host.open);
  EXPECT_TRUE(host.running.empty());
}

TEST(ExchangeRunner, ATimeOutResendsOnceThenEndsWithItsMessageAndClearsEverythingItSet) {
  Host host;
  ExchangeRunner runner(host);
  std::vector<ExchangeEnd> ends;
  std::vector<size_t> replies;
  runner.Start(Walk(ends, replies));
  EXPECT_TRUE(runner.OnTimer(7));
  EXPECT_EQ(host.sent.size(), 2u);
  EXPECT_EQ(host.running, std::vector<int>{8});
  EXPECT_FALSE(runner.OnTimer(9));  // not the running step's timer
  EXPECT_TRUE(runner.OnTimer(8));
  EXPECT_EQ(ends, std::vector<ExchangeEnd>{ExchangeEnd::kTimeOut});
  EXPECT_EQ(host.timeOuts, std::vector<std::string>{"Time out!"});
  EXPECT_EQ(host.headerLocks, (std::vector<bool>{true, false}));
  EXPECT_FALSE(host.open);
  EXPECT_TRUE(host.running.empty());
  EXPECT_FALSE(runner.OnFrame(FrameOf({0x01, 0x04, 0, 0, 1}), true));  // a late reply acts no more
}

TEST(ExchangeRunner, StandbyAndAbandonEndQuietlyAndARefusalEndsRefused) {
  for (ExchangeEnd end : {ExchangeEnd::kStandby, ExchangeEnd::kAbandoned}) {
    Host host;
    ExchangeRunner runner(host);
    std::vector<ExchangeEnd> ends;
    std::vector<size_t> replies;
    runner.Start(Walk(ends, replies));
    runner.End(end);
    EXPECT_EQ(ends, std::vector<ExchangeEnd>{end});
    EXPECT_TRUE(host.timeOuts.empty());
    EXPECT_TRUE(host.running.empty());
    EXPECT_EQ(host.headerLocks.back(), false);
  }
  Host host;
  ExchangeRunner runner(host);
  std::vector<ExchangeEnd> ends;
  std::vector<size_t> replies;
  Exchange walk = Walk(ends, replies);
  walk.onReply = [](const CommandFrame& f, size_t) { return f[4] == 0 ? ReplyVerdict::kAccept : ReplyVerdict::kRefuse; };
  runner.Start(std::move(walk));
  runner.OnFrame(FrameOf({0x01, 0x04, 0x01, 0, 1}), true);
  EXPECT_EQ(ends, std::vector<ExchangeEnd>{ExchangeEnd::kRefused});
}

TEST(ExchangeRunner, AReplyHandlerThatStartsAnotherExchangeHandsOverCleanly) {
  Host host;
  ExchangeRunner runner(host);
  std::vector<ExchangeEnd> ends;
  std::vector<size_t> replies;
  std::vector<ExchangeEnd> nextEnds;
  std::vector<size_t> nextReplies;
  Exchange walk = Walk(ends, replies);
  walk.onReply = [&](const CommandFrame&, size_t) {
    Exchange next = Walk(nextEnds, nextReplies);
    next.id = 2;
    runner.Start(std::move(next));
    return ReplyVerdict::kAccept;  // belongs to the first exchange, not to the new one
  };
  runner.Start(std::move(walk));
  runner.OnFrame(FrameOf({0x01, 0x04, 0, 0, 1}), true);
  EXPECT_EQ(ends, std::vector<ExchangeEnd>{ExchangeEnd::kAbandoned});
  EXPECT_EQ(runner.RunningId(), 2);
  EXPECT_EQ(runner.StepIndex(), 0u);  // the new exchange waits for its own first reply
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
  Host host;
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
  Host host;
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
  Host host;
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

CommandFrame Reply(int port) { return CommandFrame::FromBytes(testing::Frame({0x02, 0x03, 0x00, 0x00, port}).data()); }

// Two switch steps (outputs 1 and 2), each with a resend timer and a give-up timer.
Exchange TwoSteps(bool busyPerStep) {
  Exchange exchange;
  for (int output : {1, 2}) {
    exchange.steps.push_back(ExchangeStep::Frame(Reply(output), {0x02, 0x03, output}, 2 * output - 1, 2 * output));
  }
  exchange.busy = BusyFamily::kPleaseWait;
  exchange.animationTimer = 60;
  exchange.busyFromStart = false;
  exchange.busyPerStep = busyPerStep;
  return exchange;
}

TEST(ExchangeRunnerBusyPerStep, TheAnsweredStepClosesTheDialogAndALaterResendOpensItAgain) {
  Host host;
  ExchangeRunner runner(host);
  runner.Start(TwoSteps(true));
  runner.OnTimer(1);  // step 1 resent: the dialog opens
  EXPECT_TRUE(host.open);
  runner.OnFrame(Reply(1), true);
  EXPECT_FALSE(host.open);
  EXPECT_TRUE(runner.Running());
  runner.OnTimer(3);  // step 2 resent: it opens again
  EXPECT_TRUE(host.open);
  EXPECT_EQ(host.shows, 2);
  runner.OnFrame(Reply(2), true);
  EXPECT_FALSE(host.open);
  EXPECT_FALSE(runner.Running());
}

Exchange BlockExchange(std::vector<ExchangeEnd>& ends, int firstTimer) {
  Exchange exchange;
  exchange.id = 7;
  ExchangeStep block;
  block.bytes = std::vector<uint8_t>(290, 0x5A);
  block.whole = true;
  block.awaited = ReplyMatch{0x03, 0x07};
  block.firstTimer = firstTimer;
  block.secondTimer = 3;
  exchange.steps.push_back(block);
  exchange.onEnd = [&ends](ExchangeEnd end, size_t) { ends.push_back(end); };
  return exchange;
}

TEST(ExchangeRunnerWholeStep, ABlockTheLinkCannotTakeEndsTheExchangeRefusedWithNoTimerLeft) {
  Host host;
  host.takesWhole = false;
  ExchangeRunner runner(host);
  std::vector<ExchangeEnd> ends;
  runner.Start(BlockExchange(ends, 0));
  EXPECT_FALSE(runner.Running());
  EXPECT_EQ(ends, std::vector<ExchangeEnd>{ExchangeEnd::kRefused});
  EXPECT_TRUE(host.running.empty());
  EXPECT_TRUE(host.timeOuts.empty());
}

TEST(ExchangeRunnerWholeStep, AResendTheLinkCannotTakeEndsItRefusedInsteadOfStartingTheSecondTimer) {
  Host host;
  ExchangeRunner runner(host);
  std::vector<ExchangeEnd> ends;
  runner.Start(BlockExchange(ends, 2));
  host.takesWhole = false;
  EXPECT_TRUE(runner.OnTimer(2));
  EXPECT_FALSE(runner.Running());
  EXPECT_EQ(ends, std::vector<ExchangeEnd>{ExchangeEnd::kRefused});
  EXPECT_TRUE(host.running.empty());
}

}  // namespace
}  // namespace velantor
