// The one runner of request and reply. A page declares each command and each chain as data (what
// is sent, which reply is awaited, the timer pair that guards it, what a reply does, what a
// time-out says); the runner sends, guards, judges replies and ends every exchange through one
// path. One exchange runs at a time per page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/dialogs.h"
#include "link/command_frame.h"

namespace velantor {

// Which reply ends a step: opcode, and where given (>= 0) the sub-command and the port byte
// (byte 6). The status byte is left to the step's reply handler, which tells acceptance from
// refusal.
struct ReplyMatch {
  uint8_t opcode = 0;
  int sub = -1;
  int port = -1;
  bool Matches(const CommandFrame& frame) const;
};

// One request and its guard. The first timer resends once; the second gives up. A step without
// a first timer starts its second timer with the send; a step without either waits for its reply
// or for the end of the exchange. A pause timer delays the send.
struct ExchangeStep {
  // A 13-byte frame, or a raw block sent whole. None: the step only waits for its reply (a second
  // report that follows the previous step's).
  std::vector<uint8_t> bytes;
  std::optional<std::vector<uint8_t>> resend;  // what the first timer sends (default: bytes)
  std::optional<ReplyMatch> awaited;        // none: the step is done once sent
  int firstTimer = 0;
  int firstMs = 5000;
  int secondTimer = 0;
  int secondMs = 5000;
  int pauseTimer = 0;  // > 0: the send waits pauseMs on this timer
  int pauseMs = 0;
  // A raw block that must go out whole: when the host cannot send all of it, the exchange ends
  // refused instead of waiting for a reply to bytes that never left.
  bool whole = false;
  // Further resends after the first timer's, one on each of these timers in turn (each firstMs
  // after the last send); the second timer follows the last of them.
  std::vector<int> retryTimers;

  static ExchangeStep Frame(const CommandFrame& frame, ReplyMatch awaited, int firstTimer, int secondTimer,
                            int firstMs = 5000, int secondMs = 5000);
};

// What a step's reply handler decides about the awaited reply.
enum class ReplyVerdict {
  kAccept,  // the step is done: the next step follows, or the exchange ends done
  kFinish,  // the exchange ends done here (a chain that has learnt enough)
  kRefuse,  // the switcher refused: the exchange ends refused
  kWait,    // not the answer yet: the step goes on waiting, its timers running
};

enum class ExchangeEnd { kDone, kRefused, kTimeOut, kStandby, kAbandoned };

// An exchange as a page declares it.
struct Exchange {
  int id = 0;  // the page's name for it, so it can ask which one runs
  std::vector<ExchangeStep> steps;
  // The awaited reply of step `index` (its sum already judged right).
  std::function<ReplyVerdict(const CommandFrame& reply, size_t index)> onReply;
  // Called once, after the runner's clean-up, with how it ended and the step it ended on.
  std::function<void(ExchangeEnd end, size_t index)> onEnd;
  bool locksHeaders = false;  // WM_PAGE_BUSY 1 at the start, 0 at the end
  // The animated busy dialog: its family and animation timer; shown at the start, or only
  // from the first resend on.
  std::optional<BusyFamily> busy;
  int animationTimer = 0;
  bool busyFromStart = true;
  // The busy dialog closes as each step is answered (a later resend opens it again), instead of
  // staying open to the end of the exchange.
  bool busyPerStep = false;
  std::string timeOutText = "Time out!";
};

// What the runner needs of its page.
class ExchangeHost {
 public:
  virtual ~ExchangeHost() = default;
  virtual void SendBytes(const std::vector<uint8_t>& bytes) = 0;
  // The send of a `whole` step; false when the link did not take every byte.
  virtual bool SendWhole(const std::vector<uint8_t>& bytes) {
    SendBytes(bytes);
    return true;
  }
  virtual void StartTimer(int id, int periodMs) = 0;
  virtual void StopTimer(int id) = 0;
  virtual void LockHeaders(bool locked) = 0;
  virtual void ShowBusy(BusyFamily family, int animationTimer) = 0;
  virtual void CloseBusy(int animationTimer) = 0;
  virtual void ShowTimeOut(const std::string& text) = 0;
  // An exchange started (true) or ended (false): the status line's busy indicator.
  virtual void ExchangeWaiting(bool /*started*/) {}
};

class ExchangeRunner {
 public:
  explicit ExchangeRunner(ExchangeHost& host) : host_(host) {}

  // Starts `exchange`; one that still runs is abandoned first.
  void Start(Exchange exchange);
  // The awaited reply moves the exchange on; anything else is left to the page. True when the
  // frame was the awaited reply (acted on, or dropped for a wrong sum).
  bool OnFrame(const CommandFrame& frame, bool sumOk);
  // True when `id` is one of the running exchange's timers.
  bool OnTimer(int id);
  // Ends the running exchange (standby, leaving the page, a lost link) through the one path.
  void End(ExchangeEnd end);

  bool Running() const { return running_; }
  int RunningId() const { return running_ ? exchange_.id : 0; }
  size_t StepIndex() const { return index_; }
  uint64_t DroppedReplies() const { return dropped_; }

 private:
  void SendStep();
  void SendNow(const std::vector<uint8_t>& bytes);
  bool Put(const ExchangeStep& step, const std::vector<uint8_t>& bytes);
  void StopStepTimers();
  void Advance();
  const ExchangeStep& Step() const { return exchange_.steps[index_]; }

  ExchangeHost& host_;
  Exchange exchange_;
  bool running_ = false;
  bool busyShown_ = false;
  bool stepSent_ = false;
  uint64_t generation_ = 0;  // counts starts, so a handler that starts another exchange is noticed
  size_t index_ = 0;
  uint64_t dropped_ = 0;
};

}  // namespace velantor
