#include "app/exchange_runner.h"

#include <algorithm>
#include <utility>

#include "link/protocol.h"

namespace velantor {

bool ReplyMatch::Matches(const CommandFrame& frame) const {
  if (frame[protocol::kByteOpcode] != opcode) return false;
  if (sub >= 0 && frame[protocol::kByteSub] != sub) return false;
  return port < 0 || frame[protocol::kBytePort] == port;
}

ExchangeStep ExchangeStep::Frame(const CommandFrame& frame, ReplyMatch awaited, int firstTimer, int secondTimer,
                                 int firstMs, int secondMs) {
  ExchangeStep step;
  step.bytes.assign(frame.data(), frame.data() + frame.size());
  step.awaited = awaited;
  step.firstTimer = firstTimer;
  step.secondTimer = secondTimer;
  step.firstMs = firstMs;
  step.secondMs = secondMs;
  return step;
}

void ExchangeRunner::Start(Exchange exchange) {
  if (running_) End(ExchangeEnd::kAbandoned);
  exchange_ = std::move(exchange);
  ++generation_;
  index_ = 0;
  busyShown_ = false;
  if (exchange_.steps.empty()) return;
  running_ = true;
  host_.ExchangeWaiting(true);
  if (exchange_.locksHeaders) host_.LockHeaders(true);
  if (exchange_.busy && exchange_.busyFromStart) {
    host_.ShowBusy(*exchange_.busy, exchange_.animationTimer);
    busyShown_ = true;
  }
  SendStep();
}

void ExchangeRunner::SendStep() {
  const ExchangeStep& step = Step();
  if (step.pauseTimer > 0) {
    stepSent_ = false;
    host_.StartTimer(step.pauseTimer, step.pauseMs);
    return;
  }
  SendNow(step.bytes);
}

bool ExchangeRunner::Put(const ExchangeStep& step, const std::vector<uint8_t>& bytes) {
  if (bytes.empty()) return true;
  if (!step.whole) {
    host_.SendBytes(bytes);
    return true;
  }
  if (host_.SendWhole(bytes)) return true;
  End(ExchangeEnd::kRefused);
  return false;
}

void ExchangeRunner::SendNow(const std::vector<uint8_t>& bytes) {
  const ExchangeStep& step = Step();
  stepSent_ = true;
  if (!Put(step, bytes)) return;
  if (!step.awaited) {
    Advance();
  } else if (step.firstTimer > 0) {
    host_.StartTimer(step.firstTimer, step.firstMs);
  } else if (step.secondTimer > 0) {
    host_.StartTimer(step.secondTimer, step.secondMs);
  }
}

void ExchangeRunner::StopStepTimers() {
  const ExchangeStep& step = Step();
  for (int id : {step.pauseTimer, step.firstTimer, step.secondTimer}) {
    if (id > 0) host_.StopTimer(id);
  }
  for (int id : step.retryTimers) host_.StopTimer(id);
}

void ExchangeRunner::Advance() {
  StopStepTimers();
  if (index_ + 1 >= exchange_.steps.size()) {
    End(ExchangeEnd::kDone);
    return;
  }
  if (exchange_.busyPerStep && busyShown_) {
    host_.CloseBusy(exchange_.animationTimer);
    busyShown_ = false;
  }
  ++index_;
  SendStep();
}

bool ExchangeRunner::OnFrame(const CommandFrame& frame, bool sumOk) {
  if (!running_) return false;
  const ExchangeStep& step = Step();
  if (!step.awaited || !step.awaited->Matches(frame)) return false;
  // A reply during the pause before the send cannot be the answer to it.
  if (!stepSent_) return false;
  if (!sumOk) {
    ++dropped_;  // the step's timer resends
    return true;
  }
  const uint64_t generation = generation_;
  const ReplyVerdict verdict = exchange_.onReply ? exchange_.onReply(frame, index_) : ReplyVerdict::kAccept;
  // The handler ended the exchange itself, or started another: the verdict belongs to neither.
  if (!running_ || generation != generation_) return true;
  switch (verdict) {
    case ReplyVerdict::kAccept:
      Advance();
      break;
    case ReplyVerdict::kFinish:
      End(ExchangeEnd::kDone);
      break;
    case ReplyVerdict::kRefuse:
      End(ExchangeEnd::kRefused);
      break;
    case ReplyVerdict::kWait:
      break;
  }
  return true;
}

bool ExchangeRunner::OnTimer(int id) {
  if (!running_ || id <= 0) return false;
  if (id == exchange_.animationTimer && busyShown_) return false;  // the page animates
  const ExchangeStep& step = Step();
  if (id == step.pauseTimer) {
    host_.StopTimer(id);
    SendNow(step.bytes);
    return true;
  }
  const auto retry = std::find(step.retryTimers.begin(), step.retryTimers.end(), id);
  if (id == step.firstTimer || retry != step.retryTimers.end()) {
    host_.StopTimer(id);
    if (exchange_.busy && !busyShown_) {
      host_.ShowBusy(*exchange_.busy, exchange_.animationTimer);
      busyShown_ = true;
    }
    if (!Put(step, step.resend ? *step.resend : step.bytes)) return true;
    // The next resend timer, or the second timer after the last one.
    const auto next = id == step.firstTimer ? step.retryTimers.begin() : retry + 1;
    if (next != step.retryTimers.end()) {
      host_.StartTimer(*next, step.firstMs);
    } else if (step.secondTimer > 0) {
      host_.StartTimer(step.secondTimer, step.secondMs);
    }
    return true;
  }
  if (id == step.secondTimer) {
    End(ExchangeEnd::kTimeOut);
    return true;
  }
  return false;
}

void ExchangeRunner::End(ExchangeEnd end) {
  if (!running_) return;
  StopStepTimers();
  running_ = false;
  host_.ExchangeWaiting(false);
  if (busyShown_) host_.CloseBusy(exchange_.animationTimer);
  busyShown_ = false;
  if (exchange_.locksHeaders) host_.LockHeaders(false);
  // The handlers may start the next exchange, so they get their own copy.
  const auto onEnd = exchange_.onEnd;
  const std::string timeOutText = exchange_.timeOutText;
  const size_t index = index_;
  if (onEnd) onEnd(end, index);
  if (end == ExchangeEnd::kTimeOut && !timeOutText.empty()) host_.ShowTimeOut(timeOutText);
}

}  // namespace velantor
