// The factory reset part of the General page: 19 restore steps after the display-mode command,
// each guarded by a retry timer and a time-out timer.
#include "pages/general/factory_reset.h"

#include <array>
#include <utility>

#include "app/page_base.h"
#include "link/protocol.h"

namespace velantor {

namespace {
constexpr int kReplyTimeoutMs = 5000;
namespace p = protocol;

struct StepFrame {
  uint8_t op;
  uint8_t sub;
  uint8_t b4;
  uint8_t b5;
  uint8_t b6;
};

CommandFrame Build(const StepFrame& f) {
  return BuildFrame({{2, f.op}, {3, f.sub}, {4, f.b4}, {5, f.b5}, {6, f.b6}});
}

// One restore step: its command (the TCP link sends its own EDID mode in step 6), the command of
// its retry, its timer pair. The acknowledgement repeats opcode, sub-command and byte 6 with
// status 0 in byte 4.
struct RestoreRow {
  StepFrame serial;
  StepFrame tcp;
  StepFrame resend;
  int firstTimer;
  int secondTimer;
  int firstMs;
};

constexpr RestoreRow Same(StepFrame f, int first, int second, int firstMs = kReplyTimeoutMs) {
  return {f, f, f, first, second, firstMs};
}

constexpr std::array<RestoreRow, 19> kRestoreSteps{{
    Same({p::kOpRouting, p::kSubSwitchOne, 1, 0, 1}, 101, 102, 10000),
    Same({p::kOpRouting, p::kSubSwitchOne, 2, 0, 2}, 103, 104),
    Same({p::kOpRouting, p::kSubSwitchOne, 3, 0, 3}, 105, 106),
    Same({p::kOpRouting, p::kSubSwitchOne, 4, 0, 4}, 107, 108),
    Same({p::kOpEdid, p::kSubEdidHandshake, p::kEdidModeFlag, 0, 0}, 117, 118),
    {{p::kOpEdid, p::kSubEdidModeAll, 2, p::kEdidModeFlag, 0},
     {p::kOpEdid, p::kSubEdidModeAll, 4, p::kEdidModeFlag, 0},
     {p::kOpEdid, p::kSubEdidModeAll, 3, 0, 0},
     119, 120, kReplyTimeoutMs},
    Same({p::kOpBeep, p::kSubSet, p::kOn, 0, 0}, 121, 122),
    Same({p::kOpInputType, p::kSubSetInputType, p::kSignalHdmi, 0, 1}, 123, 124),
    Same({p::kOpInputType, p::kSubSetInputType, p::kSignalHdmi, 0, 2}, 125, 126),
    Same({p::kOpInputType, p::kSubSetInputType, p::kSignalHdmi, 0, 3}, 127, 128),
    Same({p::kOpInputType, p::kSubSetInputType, p::kSignalHdmi, 0, 4}, 129, 130),
    Same({p::kOpSwitching, p::kSubEffect, 1, 0, 1}, 131, 132),
    Same({p::kOpSwitching, p::kSubEffect, 1, 0, 2}, 133, 134),
    Same({p::kOpSwitching, p::kSubEffect, 1, 0, 3}, 135, 136),
    Same({p::kOpSwitching, p::kSubEffect, 1, 0, 4}, 137, 138),
    Same({p::kOpSwitching, p::kSubTime, 4, 0, 1}, 139, 140),
    Same({p::kOpSwitching, p::kSubTime, 4, 0, 2}, 141, 142),
    Same({p::kOpSwitching, p::kSubTime, 4, 0, 3}, 143, 144),
    Same({p::kOpSwitching, p::kSubTime, 4, 0, 4}, 145, 146),
}};
constexpr int kBeepRestoreStep = 7;

CommandFrame ModeFrame() { return p::SetDisplayMode(p::kModeMatrix); }

ExchangeStep RestoreExchangeStep(const RestoreRow& row, bool tcp) {
  const StepFrame& f = tcp ? row.tcp : row.serial;
  ExchangeStep step = ExchangeStep::Frame(Build(f), {f.op, f.sub, f.b6}, row.firstTimer, row.secondTimer, row.firstMs);
  const CommandFrame resend = Build(row.resend);
  step.resend = std::vector<uint8_t>(resend.data(), resend.data() + resend.size());
  return step;
}
}  // namespace

FactoryReset::FactoryReset(GeneralPageTools& tools, FactoryResetPeers peers)
    : tools_(tools), peers_(std::move(peers)) {}

int FactoryReset::RestoreStep() const {
  return tools_.Runner().RunningId() == kFactoryResetExchange ? static_cast<int>(tools_.Runner().StepIndex()) : -1;
}

void FactoryReset::OnFactoryReset() {
  if (peers_.refuseWhileBusy() || !tools_.LinkReady()) return;
  restoreFlag_ = 1;
  Exchange reset;
  reset.id = kFactoryResetExchange;
  // The display-mode command that opens the reset is guarded like the steps, so a switcher that
  // never answers it does not leave the "Setting" dialog open. Its answer is matched on any mode:
  // a refusal names the mode the switcher stays in.
  reset.steps.push_back(ExchangeStep::Frame(ModeFrame(), {p::kOpDisplayMode, p::kSubSetDisplayMode},
                                            general_timers::kResetModeRetry, general_timers::kResetModeTimeout));
  const bool tcp = tools_.Shared().LinkMode == 1;
  for (const RestoreRow& row : kRestoreSteps) reset.steps.push_back(RestoreExchangeStep(row, tcp));
  reset.busy = BusyFamily::kSetting;
  reset.animationTimer = general_timers::kResetAnimation;
  reset.onReply = [this](const CommandFrame& frame, size_t index) { return OnRestoreReply(frame, index); };
  reset.onEnd = [this](ExchangeEnd end, size_t) { OnRestoreEnd(end); };
  tools_.Runner().Start(std::move(reset));
  tools_.Notify();
}

// The acknowledgements repeat opcode, sub-command and byte 6 with status 0 in byte 4. Any other
// status is the switcher refusing the step: the reset ends there and says so, rather than
// resending a step the switcher has already answered and then blaming the link with "Time out!".
ReplyVerdict FactoryReset::OnRestoreReply(const CommandFrame& frame, size_t index) {
  if (frame[p::kByteValue] != p::kAccepted) return ReplyVerdict::kRefuse;
  if (index == 0 && frame[p::kBytePort] != p::kModeMatrix) return ReplyVerdict::kWait;
  if (index == 0) {
    peers_.showDisplayMode(p::kModeMatrix);
  } else if (static_cast<int>(index) == kBeepRestoreStep) {
    peers_.beepRestored();
  }
  return ReplyVerdict::kAccept;
}

void FactoryReset::OnRestoreEnd(ExchangeEnd end) {
  restoreFlag_ = 0;
  if (end == ExchangeEnd::kTimeOut || end == ExchangeEnd::kAbandoned) peers_.optionsUnsure();
  if (end == ExchangeEnd::kDone || end == ExchangeEnd::kRefused) {
    tools_.ClosePleaseWait();
    tools_.ShowMessageFor(1500, end == ExchangeEnd::kDone ? "Set successfully!" : PageBase::kSetFailed);
  }
}

}  // namespace velantor
