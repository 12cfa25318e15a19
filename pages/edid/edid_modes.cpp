// CEdidPage, modes and copy: a built-in EDID mode set on one input or all inputs, and the EDID of
// the display on an output copied to one input or all inputs. Each is one exchange: (for a copy,
// the check that the output has a display,) the handshake, then the step itself, each step with
// its resend and time-out timers.
#include "link/protocol.h"
#include "pages/edid/edid_page.h"

namespace velantor {

namespace {
namespace p = protocol;

constexpr const char* kSetDone = "Set successfully!";
constexpr const char* kCopyDone = "Copy successfully!";
constexpr const char* kCopyFailed = "Copy failed!";

std::string NotConnectedText(int outputIndex) {
  return std::string("HDMI OUT ") + EdidOutputLetter(outputIndex) + " is not connected" + "!";
}
}  // namespace

void CEdidPage::OnSetMode() {
  if (!GuardedStart(EdidOperation::kSetMode)) return;
  const uint8_t mode = EdidModeValue(modeIndex_).value_or(1);
  const bool all = setTarget_ == inputCount_;
  const int input = setTarget_ + 1;
  Exchange set = VisibleExchange(kSetModeExchange, BusyFamily::kSetting);
  set.steps.push_back(HandshakeStep());
  if (all) {
    set.steps.push_back(ExchangeStep::Frame(forms::EdidFive(p::kOpEdid, p::kSubEdidModeAll, mode, 0, p::kEdidModeFlag),
                                            {p::kOpEdid, p::kSubEdidModeAll}, kTimerModeAll, kTimerModeAll + 1));
  } else {
    set.steps.push_back(
        ExchangeStep::Frame(forms::EdidFive(p::kOpEdid, p::kSubEdidModeOne, mode, input, p::kEdidModeFlag),
                            {p::kOpEdid, p::kSubEdidModeOne, input}, kTimerModeOne, kTimerModeOne + 1));
  }
  set.onReply = [this](const CommandFrame& reply, size_t index) {
    return index == 0 ? ReplyVerdict::kAccept : StatusVerdict(reply, kSetFailed);
  };
  set.onEnd = [this, all, input](ExchangeEnd end, size_t) { EndOperation(end, kSetDone, all ? 0 : input); };
  runner_.Start(std::move(set));
  Notify();
}

void CEdidPage::OnCopy() {
  if (!GuardedStart(EdidOperation::kCopy)) return;
  const int sourceIndex = copySource_;
  const int output = copySource_ + 1;
  const bool all = copyTarget_ == inputCount_;
  const int input = copyTarget_ + 1;
  Exchange copy = VisibleExchange(kCopyExchange, BusyFamily::kCopying);
  // First: is there a display on the output to copy from? Asked once, given up after 58.
  copy.steps.push_back(ExchangeStep::Frame(p::DeviceQuery(p::kSubOutputStatus, output),
                                           {p::kOpDeviceInfo, p::kSubOutputStatus}, 0, kTimerCopyCheck));
  copy.steps.push_back(HandshakeStep());
  if (all) {
    copy.steps.push_back(ExchangeStep::Frame(forms::EdidFive(p::kOpEdid, p::kSubEdidCopyAll, output, 0, 0),
                                             {p::kOpEdid, p::kSubEdidCopyAll}, kTimerCopyAll, kTimerCopyAll + 1));
  } else {
    copy.steps.push_back(ExchangeStep::Frame(forms::EdidFive(p::kOpEdid, p::kSubEdidCopyOne, output, input, 0),
                                             {p::kOpEdid, p::kSubEdidCopyOne, input}, kTimerCopyOne,
                                             kTimerCopyOne + 1));
  }
  copy.onReply = [this, output, sourceIndex](const CommandFrame& reply, size_t index) {
    if (index == 0) {
      if (reply[p::kByteValue] != output) return ReplyVerdict::kWait;  // another output's answer
      if (p::PortConnected(reply)) return ReplyVerdict::kAccept;
      failureText_ = NotConnectedText(sourceIndex);
      return ReplyVerdict::kRefuse;
    }
    return index == 1 ? ReplyVerdict::kAccept : StatusVerdict(reply, kCopyFailed);
  };
  copy.onEnd = [this, all, input](ExchangeEnd end, size_t) { EndOperation(end, kCopyDone, all ? 0 : input); };
  runner_.Start(std::move(copy));
  Notify();
}

}  // namespace velantor
