// Ten thousand random user operations across the four pages with one in twenty meeting a fault,
// checked against the emulator's model after each: a success shows what the switcher holds, a
// failure shows the old or the new state and never a third, nothing stays busy, and the pages'
// logs stay bounded. The seed is printed on failure; VELANTOR_SOAK_SEED and VELANTOR_SOAK_OPS
// replay or lengthen a run.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "support/fault_operations.h"

namespace velantor::testing {
namespace {

uint32_t EnvNumber(const char* name, uint32_t fallback) {
  const char* text = std::getenv(name);
  return text && *text ? static_cast<uint32_t>(std::strtoul(text, nullptr, 10)) : fallback;
}

// Faults that the soak draws: the emulator's knobs and the ones that strike mid-operation.
const std::vector<Fault> kSoakFaults = {Fault::kNoReply, Fault::kLateReply, Fault::kDuplicate, Fault::kOtherPort,
                                        Fault::kCorrupt, Fault::kRefusal,   Fault::kStandby,   Fault::kLinkClosed,
                                        Fault::kUnplugged, Fault::kTcpReset};

// The connect chain and the operations without a wire are not drawn: the soak keeps its link.
bool Drawable(const Operation& op) { return op.noWire.empty() && !op.linksItself; }

class Soak {
 public:
  Soak(uint32_t seed, bool tcp) : rng_(seed), tcp_(tcp) {
    WirePortFailures(h_);
    for (auto& op : AllOperations()) {
      if (Drawable(op)) ops_.push_back(std::move(op));
    }
  }

  // Runs `count` operations; the first problem found ends the run and is returned.
  std::string Run(int count) {
    if (!h_.LinkFromGeneral(tcp_)) return "the link could not be made";
    for (int i = 0; i < count; ++i) {
      std::string problem = Step();
      if (!problem.empty()) return "operation " + std::to_string(i) + " (" + last_ + "): " + problem;
    }
    return Bounded();
  }

  int Successes() const { return successes_; }
  int Failures() const { return failures_; }

 private:
  std::string Step() {
    std::uniform_int_distribution<size_t> pick(0, ops_.size() - 1);
    const Operation* op = &ops_[pick(rng_)];
    // Firmware writes cost a reboot wait each: one in ten draws of them is kept.
    if (op->page == kPageFirmware && rng_() % 10 != 0) op = &ops_[1 + rng_() % 2];  // beep or IR instead
    const bool faulty = rng_() % 20 == 0;
    Fault fault = faulty ? kSoakFaults[rng_() % kSoakFaults.size()] : Fault::kNone;
    if (!tcp_ && (fault == Fault::kTcpReset || fault == Fault::kLinkClosed)) fault = Fault::kUnplugged;
    last_ = op->name + " / " + FaultName(fault);
    if (op->displayMode != 0 && h_.model.State().options.displayMode != op->displayMode) {
      if (!ChangeDisplayMode(op->displayMode)) return "the display mode could not be set";
    }

    if (h_.shared.CurrentPage != op->page) {
      h_.ChoosePage(op->page, 200);
      if (!WaitIdle(op->page, 60000)) return "the page's entry never ended";
    }
    const auto before = ItemsOf(h_, op->page);
    ArmFault(h_, fault, op->boundMs + 1000);
    const std::string asked = op->start(h_, 1 + static_cast<int>(rng_() % 2));
    if (Strikes(fault)) {
      if (op->midMs > 0) h_.loop.Advance(op->midMs);
      Strike(h_, fault, tcp_);
    }
    if (!WaitIdle(op->page, op->boundMs)) return "still busy after its bound";
    h_.loop.Advance(std::max(op->minMs, 100));  // a quiet refresh or a type answer follows the end
    const bool took = op->took(h_, asked);
    const auto after = ItemsOf(h_, op->page);
    std::string problem;
    if (fault == Fault::kNone && !took) problem = "failed without a fault";
    if (took) ++successes_;
    if (took && fault == Fault::kNone) {
      // What was right before is still right; the operation's own item was checked by `took`.
      for (size_t i = 0; i < after.size() && i < before.size(); ++i) {
        if (before[i].label == after[i].label && before[i].shown == before[i].device && !after[i].shown.empty() &&
            after[i].shown != after[i].device) {
          problem += after[i].label + " shows " + after[i].shown + ", device " + after[i].device + "; ";
        }
      }
    } else {
      // Under a fault even a change that went through may still show its old state.
      if (!took) ++failures_;
      problem += ThirdStates(before, after);
    }
    if (fault != Fault::kNone) Recover(op->page);
    if (!h_.main->HeadersEnabled()) problem += "headers disabled; ";
    return problem;
  }

  // The operator sets the display mode an operation needs on the General page first.
  bool ChangeDisplayMode(int mode) {
    if (h_.shared.CurrentPage != kPageGeneral) {
      h_.ChoosePage(kPageGeneral, 200);
      WaitIdle(kPageGeneral, 60000);
    }
    ops::General(h_).OnModeCheck(mode);
    WaitIdle(kPageGeneral, 20000);
    return h_.model.State().options.displayMode == mode && ops::General(h_).DisplayMode() == mode;
  }

  void Recover(int page) {
    h_.loop.Advance(3000);  // late replies and the messages are over
    ClearFaults(h_);
    if (!LinkIsUp(h_, tcp_)) {
      h_.ChoosePage(kPageGeneral, 200);
      WaitIdle(kPageGeneral, 60000);
      h_.LinkFromGeneral(tcp_);
    }
    h_.ChoosePage(page, 200);
    WaitIdle(page, 60000);
  }

  bool WaitIdle(int page, int limitMs) {
    h_.loop.Advance(1);
    for (int t = 0; t < limitMs; t += 10) {
      if (!PageBusy(h_, page)) {
        h_.loop.Advance(5);
        return true;
      }
      h_.loop.Advance(10);
    }
    return !PageBusy(h_, page);
  }

  std::string Bounded() {
    for (int page = 1; page <= 4; ++page) {
      ShellPage* p = h_.main->Page(page);
      if (!p) continue;
      for (const HexLog* log : {p->SentLog(), p->ReceivedLog()}) {
        if (log && log->Text().size() > HexLog::kDefaultLimit) return "page " + std::to_string(page) + " log grew past its bound";
      }
      if (PageBusy(h_, page)) return "page " + std::to_string(page) + " is busy at the end";
    }
    if (h_.main->Page(kPageFirmware) && ops::Upgrade(h_).View().log.size() > 256 * 1024) return "the firmware log grew past 256 KiB";
    return "";
  }

  ShellHarness h_;
  std::mt19937 rng_;
  bool tcp_;
  std::vector<Operation> ops_;
  std::string last_;
  int successes_ = 0;
  int failures_ = 0;
};

TEST(ModelSoak, TenThousandRandomOperationsWithFaultsKeepEveryPageTrueToTheSwitcher) {
  const uint32_t seed = EnvNumber("VELANTOR_SOAK_SEED", 20261208);
  const int count = static_cast<int>(EnvNumber("VELANTOR_SOAK_OPS", 10000));
  // Half of the run over each link, each half from its own seed.
  for (bool tcp : {false, true}) {
    Soak soak(seed + (tcp ? 1 : 0), tcp);
    const std::string problem = soak.Run(count / 2);
    EXPECT_EQ(problem, "") << "seed " << seed << (tcp ? " (tcp half)" : " (serial half)");
    EXPECT_GT(soak.Successes(), soak.Failures());
    std::printf("soak over %s: %d succeeded, %d failed under faults\n", tcp ? "TCP" : "serial", soak.Successes(), soak.Failures());
  }
}

}  // namespace
}  // namespace velantor::testing
