// CEdidPage, input EDID status: which EDID each input presents, asked one input at a time
// (01 0C n) and walked from input to input as the answers come. The "Status" button walks with
// the busy dialog and a timer pair per input; the quiet refresh (on entering the page, after a
// successful set, copy or download) asks each input once; an input whose answer never comes
// keeps its row as it was and the walk goes on with the next after the give-up time, without a
// message. Without that give-up a lost answer would leave the page waiting for good.
#include "link/protocol.h"
#include "pages/edid/edid_page.h"

namespace velantor {

namespace {
namespace p = protocol;
}  // namespace

void CEdidPage::InitialiseStatusView() {
  for (int n = 1; n <= kEdidMaxPorts; ++n) {
    // The page shows a four by four switcher; rows 5 to 8 stay hidden.
    status_.rows[static_cast<size_t>(n - 1)] = {EdidStatusLabel(n), kEdidStatusInitialText, n <= inputCount_};
  }
}

// The Status walk resends once on the input's first timer and gives up on its second; the quiet
// refresh only gives up, without a message.
ExchangeStep CEdidPage::StatusStep(int input, bool resend) const {
  const int first = kTimerFirstStatus + 2 * (input - 1);
  return ExchangeStep::Frame(p::DeviceQuery(p::kSubInputEdidState, input), {p::kOpDeviceInfo, p::kSubInputEdidState},
                             resend ? first : 0, first + 1);
}

// 01 0C n 00 c: input n presents the EDID of code c. True when the row was updated.
bool CEdidPage::ApplyStatusReply(const CommandFrame& frame) {
  const int input = frame[p::kByteValue];
  if (frame[p::kByte5] != 0 || input < 1 || input > kEdidMaxPorts) return false;
  status_.rows[static_cast<size_t>(input - 1)].text = EdidStatusText(frame[p::kBytePort]);
  status_.rows[static_cast<size_t>(input - 1)].current = true;
  return true;
}

void CEdidPage::OnStatus() {
  if (!GuardedStart(EdidOperation::kStatus)) return;
  Exchange walk = VisibleExchange(kStatusExchange, BusyFamily::kGettingStatus);
  for (int n = 1; n <= inputCount_; ++n) walk.steps.push_back(StatusStep(n, true));
  walk.onReply = [this](const CommandFrame& reply, size_t index) {
    // Another input's answer is shown but does not move the walk.
    const bool shown = ApplyStatusReply(reply);
    return shown && reply[p::kByteValue] == static_cast<int>(index) + 1 ? ReplyVerdict::kAccept : ReplyVerdict::kWait;
  };
  walk.onEnd = [this](ExchangeEnd end, size_t) {
    if (end == ExchangeEnd::kDone) ClosePleaseWait();
    Notify();
  };
  runner_.Start(std::move(walk));
  Notify();
}

// The quiet walk from `firstInput` to `lastInput`.
void CEdidPage::StartRefresh(int firstInput, int lastInput) {
  Exchange walk;
  walk.id = kRefreshExchange;
  walk.timeOutText.clear();
  for (int n = firstInput; n <= lastInput; ++n) walk.steps.push_back(StatusStep(n, false));
  walk.onReply = [this, firstInput](const CommandFrame& reply, size_t index) {
    const bool shown = ApplyStatusReply(reply);
    return shown && reply[p::kByteValue] == firstInput + static_cast<int>(index) ? ReplyVerdict::kAccept
                                                                                 : ReplyVerdict::kWait;
  };
  walk.onEnd = [this, firstInput, lastInput](ExchangeEnd end, size_t index) {
    const int next = firstInput + static_cast<int>(index) + 1;
    if (end == ExchangeEnd::kTimeOut && next <= lastInput) StartRefresh(next, lastInput);
  };
  runner_.Start(std::move(walk));
}

}  // namespace velantor
