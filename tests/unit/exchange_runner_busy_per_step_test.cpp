// The runner's busy dialog that closes as each step is answered and opens again on a later resend.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/exchange_runner.h"
#include "support/bytes.h"

namespace velantor {
namespace {

class BusyHost : public ExchangeHost {
 public:
  int shows = 0;
  int closes = 0;
  bool open = false;

  void SendBytes(const std::vector<uint8_t>&) override {}
  void StartTimer(int, int) override {}
  void StopTimer(int) override {}
  void LockHeaders(bool) override {}
  void ShowBusy(BusyFamily, int) override {
    ++shows;
    open = true;
  }
  void CloseBusy(int) override {
    ++closes;
    open = false;
  }
  void ShowTimeOut(const std::string&) override {}
};

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
  BusyHost host;
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

}  // namespace
}  // namespace velantor
