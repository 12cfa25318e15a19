// A page shown over TCP gets a new command socket from the shell, whose connect may come later
// than the moment the page starts its work. Such a page waits for the connect notice (up to
// kWaitMs) before it judges the link, instead of calling a slow connect a failure.
#pragma once

namespace velantor {

class SocketConnectWait {
 public:
  static constexpr int kWaitMs = 3000;
  enum class Start { kConnected, kWait, kRefused };

  // The page's start: go on, wait for the notice (the page starts its timer), or fail at once
  // because the connect was refused already.
  Start Begin(bool connected) {
    if (connected) return Start::kConnected;
    if (refused_) return Start::kRefused;
    waiting_ = true;
    return Start::kWait;
  }
  // Begin as one call: true when the socket is connected now; otherwise `startTimer(kWaitMs)` for a
  // wait, or `refused()` for a connect refused already.
  template <class StartTimer, class Refused>
  bool Ready(bool connected, StartTimer startTimer, Refused refused) {
    switch (Begin(connected)) {
      case Start::kConnected: return true;
      case Start::kWait: startTimer(kWaitMs); return false;
      case Start::kRefused: refused(); return false;
    }
    return false;
  }
  // A connect notice: true when it ends a wait (`error` says how). A notice before the start
  // only remembers a refusal.
  bool OnConnect(int error) {
    if (!waiting_) {
      refused_ = error != 0;
      return false;
    }
    waiting_ = false;
    return true;
  }
  // The wait's timer fell due: true when the page was still waiting.
  bool OnTimeout() {
    const bool was = waiting_;
    waiting_ = false;
    return was;
  }
  // Another page was chosen: the shell connects anew for the next one.
  void Reset() {
    waiting_ = false;
    refused_ = false;
  }

 private:
  bool waiting_ = false;
  bool refused_ = false;
};

}  // namespace velantor
