// The fault matrix: every operation of every page run against the emulator with one fault at a
// time, on a fresh shell each, and judged by what is left when it has ended. An operation is a
// row: how to start it, how long it may take, and whether the switcher took what it asked for.
#pragma once

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "sim/device_state.h"
#include "support/page_probe.h"

namespace velantor::testing {

enum class Fault {
  kNone,
  kNoReply,
  kLateReply,
  kDuplicate,
  kOtherPort,
  kCorrupt,
  kRefusal,
  kStandby,
  kLinkClosed,
  kUnplugged,
  kTcpReset,
};

inline const char* FaultName(Fault f) {
  switch (f) {
    case Fault::kNone: return "none";
    case Fault::kNoReply: return "no reply";
    case Fault::kLateReply: return "late";
    case Fault::kDuplicate: return "dup";
    case Fault::kOtherPort: return "other port";
    case Fault::kCorrupt: return "corrupt";
    case Fault::kRefusal: return "refused";
    case Fault::kStandby: return "standby";
    case Fault::kLinkClosed: return "closed";
    case Fault::kUnplugged: return "unplugged";
    case Fault::kTcpReset: return "reset";
  }
  return "?";
}

inline const std::vector<Fault>& AllFaults() {
  static const std::vector<Fault> all = {Fault::kNoReply, Fault::kLateReply, Fault::kDuplicate, Fault::kOtherPort,
                                         Fault::kCorrupt, Fault::kRefusal,   Fault::kStandby,   Fault::kLinkClosed,
                                         Fault::kUnplugged, Fault::kTcpReset};
  return all;
}

// One row. `start` does the user's action for attempt `attempt` (1: under the fault, 2: the
// retry with faults off) and returns what it asked for, which `took` then checks on the page
// and the switcher.
struct Operation {
  std::string name;
  int page = kPageGeneral;
  int boundMs = 12000;  // the longest it may run, whatever the fault
  int midMs = 0;        // when a fault that strikes in the middle strikes
  int minMs = 0;        // an operation without a busy state: how long its answer may take
  bool linksItself = false;  // the connect chain: run without a link made first
  int displayMode = 0;       // the display mode the operation needs (0: any)
  std::function<void(sim::DeviceState&)> arrange = [](sim::DeviceState&) {};
  std::function<std::string(ShellHarness&, int attempt)> start;
  std::function<bool(ShellHarness&, const std::string& asked)> took;
  // The switcher's part of `took` alone, where the page may rightly still show the old state
  // (a refresh that failed after the change went through); empty: `took`.
  std::function<bool(ShellHarness&, const std::string& asked)> deviceTook;
  std::string noWire;  // not empty: the row has no wire exchange, and this says why
};

// The serial ports of all pages stand for one device: pulling it out fails them all, and each
// open one reports its failure to the shell as the real port's worker does.
inline void WirePortFailures(ShellHarness& h) {
  for (int page = 1; page <= 4; ++page) {
    h.Port(page).SetFailureHandler([&h] { h.main->HandleMessage(kMsgLinkNotice, kLinkNoticeSerialFailure); });
  }
}

// Faults set before the action: knobs of the emulator.
inline void ArmFault(ShellHarness& h, Fault f, int lateMs) {
  auto& k = h.model.Faults();
  switch (f) {
    case Fault::kNoReply: k.dropEvery = 1; break;
    case Fault::kLateReply: k.lateNext = 1000; k.lateMs = lateMs; break;
    case Fault::kDuplicate: k.dupNext = 1000; break;
    case Fault::kOtherPort: k.misportNext = 1000; break;
    case Fault::kCorrupt: k.corruptNext = 1; break;
    case Fault::kRefusal: k.status = 0x01; break;
    default: break;
  }
}

// Faults that strike in the middle of the operation.
inline void Strike(ShellHarness& h, Fault f, bool tcp) {
  switch (f) {
    case Fault::kStandby: h.model.SetStandby(true); break;
    case Fault::kLinkClosed: h.model.CloseConnections(); break;
    case Fault::kTcpReset: h.socket.Reset(); break;
    case Fault::kUnplugged:
      if (tcp) {
        h.socket.SetCableOut(true);
      } else {
        for (int page = 1; page <= 4; ++page) h.Port(page).Unplug();
      }
      break;
    default: break;
  }
}

inline bool Strikes(Fault f) {
  return f == Fault::kStandby || f == Fault::kLinkClosed || f == Fault::kTcpReset || f == Fault::kUnplugged;
}

inline void ClearFaults(ShellHarness& h) {
  h.model.Faults() = {};
  h.model.SetStandby(false);
  h.socket.SetCableOut(false);
  for (int page = 1; page <= 4; ++page) h.Port(page).Replug();
}

inline bool LinkIsUp(ShellHarness& h, bool tcp) { return (tcp ? h.shared.TcpLinkUp : h.shared.ComLinkOpen) == 1; }

// What one cell saw.
struct CellResult {
  std::string outcome;       // for the printed matrix
  std::vector<std::string> problems;
};

class CellRun {
 public:
  CellRun(const Operation& op, Fault fault, bool tcp) : op_(op), fault_(fault), tcp_(tcp), h_(State(op)) {
    WirePortFailures(h_);
    h_.shared.Message.Changed().Subscribe([this] {
      if (h_.shared.Message.IsOpen()) {
        const std::string& text = h_.shared.Message.DisplayedText();
        if (messages_.empty() || messages_.back() != text) messages_.push_back(text);
      }
    });
  }

  CellResult Run() {
    CellResult r;
    if (!op_.linksItself && !h_.LinkFromGeneral(tcp_)) return Fail(r, "the link could not be made");
    if (op_.page != kPageGeneral || !op_.linksItself) h_.ChoosePage(op_.page, 500);
    Settle();
    h_.loop.Advance(3000);  // messages of the entry close
    const auto before = ItemsOf(h_, op_.page);
    const auto disabledBefore = DisabledControls(h_, op_.page);
    messages_.clear();

    ArmFault(h_, fault_, op_.boundMs + 1000);
    const int64_t t0 = h_.loop.NowMs();
    const std::string asked = op_.start(h_, 1);
    if (Strikes(fault_)) {
      if (op_.midMs > 0) h_.loop.Advance(op_.midMs);  // 0: before the first reply is read
      Strike(h_, fault_, tcp_);
    }
    const int64_t ended = RunToEnd(t0 + op_.boundMs);
    if (ended < 0) r.problems.push_back("still busy after " + std::to_string(op_.boundMs) + " ms");
    const size_t tail = QuietWire();
    if (tail > kTailFrames) r.problems.push_back("the wire went on for " + std::to_string(tail) + " frames after the end");
    const bool tookIt = op_.took(h_, asked);
    const bool deviceTookIt = op_.deviceTook ? op_.deviceTook(h_, asked) : tookIt;
    r.outcome = tookIt ? "ok" : "";
    for (const auto& m : messages_) {
      if (m == "Please wait...") continue;
      r.outcome += (r.outcome.empty() ? "" : "; ") + m;
    }
    // Without a message the status line may still say what happened to the link.
    if (r.outcome.empty() && h_.shared.Link.state == LinkReport::kLost) r.outcome = "status line: lost";
    if (r.outcome.empty() && Mismatches(ItemsOf(h_, op_.page)).empty()) r.outcome = "(no message; shows the switcher's state)";
    if (r.outcome.empty()) r.outcome = "(silent)";
    // A quiet time long enough for every late reply and every message to be over.
    const size_t wireMark = h_.FrameCount();
    h_.loop.Advance(op_.boundMs + 6000);
    Judge(r, before, disabledBefore, deviceTookIt, wireMark);

    // The same operation again with the faults off succeeds.
    ClearFaults(h_);
    if (!LinkIsUp(h_, tcp_) && !op_.linksItself) h_.LinkFromGeneral(tcp_);
    if (op_.page != kPageGeneral || !op_.linksItself) h_.ChoosePage(op_.page, 500);
    Settle();
    messages_.clear();
    const std::string again = op_.start(h_, 2);
    if (RunToEnd(h_.loop.NowMs() + op_.boundMs) < 0) r.problems.push_back("the retry without faults stayed busy");
    QuietWire();
    if (!op_.took(h_, again)) {
      std::string seen;
      for (const auto& m : messages_) seen += m + "|";
      std::string shown;
      for (const auto& i : ItemsOf(h_, op_.page)) shown += i.label + "=" + i.shown + "/" + i.device + " ";
      r.problems.push_back("the retry without faults failed (" + seen + ") " + shown);
    }
    return r;
  }

  // The emulator's transcript of the cell, for a look at one cell that went wrong.
  std::string Transcript() const {
    std::string out;
    for (const auto& e : h_.model.Log().Entries()) out += sim::FormatEntry(e, 13) + "\n";
    return out;
  }

 private:
  static sim::DeviceState State(const Operation& op) {
    sim::DeviceState s = sim::MakeDeviceState();
    if (op.displayMode != 0) s.options.displayMode = static_cast<uint8_t>(op.displayMode);
    op.arrange(s);
    return s;
  }
  CellResult& Fail(CellResult& r, const std::string& why) {
    r.outcome = "setup failed";
    r.problems.push_back(why);
    return r;
  }
  // Untimed reply-driven queries (the General page's read-back) may follow the end: at most this
  // many, one per step of the longest such chain.
  static constexpr size_t kTailFrames = 8;
  // Advances until nothing has gone to the switcher for 300 ms; the frames sent meanwhile.
  size_t QuietWire() {
    const size_t start = h_.FrameCount();
    size_t seen = start;
    for (int quiet = 0, t = 0; quiet < 300 && t < 5000; t += 10) {
      h_.loop.Advance(10);
      const size_t now = h_.FrameCount();
      quiet = now == seen ? quiet + 10 : 0;
      seen = now;
    }
    return seen - start;
  }
  static bool IsReadBackQuery(const std::string& frame) {
    static const char* const kQueries[] = {"A5 5B 01 0A", "A5 5B 01 0B", "A5 5B 13 02", "A5 5B 14 02",
                                          "A5 5B 14 04", "A5 5B 15 03", "A5 5B 16 02", "A5 5B 0C 03"};
    for (const char* q : kQueries) {
      if (frame.rfind(q, 0) == 0) return true;
    }
    return false;
  }
  // Lets the page's entry chain end.
  void Settle() {
    for (int t = 0; t < 60000 && PageBusy(h_, op_.page); t += 50) h_.loop.Advance(50);
    h_.loop.Advance(200);
  }
  // Advances until the page is no longer busy; the time it ended, or -1 past `deadline`.
  int64_t RunToEnd(int64_t deadline) {
    h_.loop.Advance(std::max(1, op_.minMs));
    while (h_.loop.NowMs() <= deadline) {
      if (!PageBusy(h_, op_.page)) return h_.loop.NowMs();
      h_.loop.Advance(10);
    }
    return PageBusy(h_, op_.page) ? -1 : h_.loop.NowMs();
  }

  void Judge(CellResult& r, const std::vector<ShownItem>& before, const std::vector<std::string>& disabledBefore,
             bool tookIt, size_t wireMark) {
    if (PageBusy(h_, op_.page)) r.problems.push_back("busy again after the end");
    if (h_.shared.Busy.IsOpen()) r.problems.push_back("the busy dialog is still open");
    if (!h_.main->HeadersEnabled()) r.problems.push_back("the headers are disabled");
    if (h_.shared.Message.IsOpen()) r.problems.push_back("a message stays open: " + h_.shared.Message.DisplayedText());
    const std::string timers = StrayTimers(h_, op_.page);
    if (!timers.empty()) r.problems.push_back("timers still run: " + timers);
    auto after = h_.FramesToDevice(wireMark);
    // The General page reads its options back by untimed queries, each sent on the answer to
    // the one before: a reply that comes late still carries that chain on, a few frames at most.
    if (op_.page == kPageGeneral && after.size() <= kTailFrames) {
      std::erase_if(after, [](const std::string& f) { return IsReadBackQuery(f); });
    }
    if (!after.empty()) r.problems.push_back("sent after the end: " + after.front() + " (" + std::to_string(after.size()) + ")");
    const std::string third = ThirdStates(before, ItemsOf(h_, op_.page));
    if (!third.empty()) r.problems.push_back("a third state: " + third);
    for (const auto& name : DisabledControls(h_, op_.page)) {
      if (std::find(disabledBefore.begin(), disabledBefore.end(), name) == disabledBefore.end()) {
        r.problems.push_back("left disabled: " + name);
      }
    }
    // A success message for a change the switcher does not hold is a failure shown as success.
    for (const auto& m : messages_) {
      if (!tookIt && m.find("uccess") != std::string::npos) r.problems.push_back("success shown but not done: " + m);
    }
  }

  const Operation& op_;
  Fault fault_;
  bool tcp_;
  ShellHarness h_;
  std::vector<std::string> messages_;
};

}  // namespace velantor::testing
