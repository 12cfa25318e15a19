// The runner's raw blocks that must go out whole: a link that does not take the whole block ends
// the exchange refused at once, on the first send and on the resend alike.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/exchange_runner.h"

namespace velantor {
namespace {

class FakeHost : public ExchangeHost {
 public:
  bool takesWhole = true;
  std::vector<std::vector<uint8_t>> sent;
  std::vector<int> running;
  std::vector<std::string> timeOuts;

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
  void LockHeaders(bool) override {}
  void ShowBusy(BusyFamily, int) override {}
  void CloseBusy(int) override {}
  void ShowTimeOut(const std::string& text) override { timeOuts.push_back(text); }
};

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
  FakeHost host;
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
  FakeHost host;
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
