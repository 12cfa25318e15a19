// What every page is made of: its hidden sent and received logs, its send path, its two
// collectors under the page's receive policy, the message helper with the page's own close timer,
// the link test with its two messages, the busy dialog animated on the shared step, and the
// exchange runner. A page adds its controls, its exchanges and its frame and timer tables.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/change_notifier.h"
#include "app/dialogs.h"
#include "app/exchange_runner.h"
#include "app/shared_state.h"
#include "app/shell_page.h"
#include "app/window_messages.h"
#include "base/event_loop.h"
#include "link/command_sender.h"
#include "link/frame_collectors.h"
#include "link/hex_log.h"
#include "link/serial_link.h"

namespace velantor {

// How a page logs and receives, and which timer closes its messages.
struct PagePolicy {
  int pageNumber = kPageGeneral;
  CollectorPolicy receive;
  SentLogOrder sentLog = SentLogOrder::kBeforeSend;
  int messageTimer = 55;
  int timeOutMessageMs = 1000;  // how long "Time out!" stays (1.5 s on the EDID and FW Upgrade pages)
};

class PageBase : public virtual ShellPage,
                 public SocketReceiver,
                 public PortOwner,
                 public TimerTarget,
                 protected ExchangeHost {
 public:
  static constexpr const char* kOpenComFailed = "Open COM failed!";
  static constexpr const char* kConnectFailed = "Connect to Matrix failed!";
  static constexpr const char* kSetFailed = "Set failed!";  // the switcher refused a setting

  const HexLog* SentLog() const override { return &sentLog_; }
  const HexLog* ReceivedLog() const override { return &receivedLog_; }
  void ClearLogs() override {
    sentLog_.Clear();
    receivedLog_.Clear();
  }
  SocketReceiver* SocketTarget() override { return this; }
  void ClosePort() override { port_.Close(); }
  ChangeNotifier& Changed() { return changed_; }
  const ExchangeRunner& Runner() const { return runner_; }

  // Link events: the common part here, the page's part in its hooks. Views are told once per
  // handled event.
  void OnSocketEvent(int event, int error) override;
  int OnPortRxChar(uint8_t byte, int portNumber) override;
  void OnTimer(int id) final;

 protected:
  PageBase(EventLoop& loop, SharedState& shared, MainWindowPort& mainWindow, SerialLink& port,
           const PagePolicy& policy);

  // A complete frame: `sumOk` is the link's verdict on it, `serialPath` where it came from.
  virtual void OnFrame(const CommandFrame& frame, bool sumOk, bool serialPath) = 0;
  // The page's own timers (the message timer and the runner's are handled before).
  virtual void OnPageTimer(int id) = 0;
  // A connect or close notice of the command socket, after the shared flags were set.
  virtual void OnSocketNotice(int /*event*/, int /*error*/, bool /*wasConnected*/) {}
  // Whether the page takes TCP frames now (its collector discards or drops the rest).
  virtual bool AcceptsTcpFrames() const { return shared_.CurrentPage == policy_.pageNumber; }

  void Send(const CommandFrame& frame) { sender_.Send(frame); }
  void ShowMessageFor(int periodMs, const std::string& text, bool guard = false);
  void CloseMessageNow();
  // Closes a "Please wait..." left by a refused click; true when one was open.
  bool ClosePleaseWait();
  // In TCP mode the socket, in serial mode the page's port.
  bool LinkUp() const;
  // LinkUp, with the failure message when the link is down.
  bool LinkReady();
  // The answer to a click while the page is busy: "Please wait..." (1500 ms), closed by the
  // running exchange when it ends.
  void ShowPleaseWait();
  // "Matrix is in standby mode!" (2500 ms); a switcher that keeps reporting standby keeps the one
  // notice open instead of opening another for every report.
  void ShowStandbyNotice();
  // The busy dialog with its text animated on the shared step by `animationTimer` (500 ms).
  void ShowBusyDialog(BusyFamily family, int animationTimer);
  void CloseBusyDialog(int animationTimer);
  void Notify() { changed_.Notify(); }
  // A new or closed link: no partial frame of the last one may eat the next one's first reply.
  void ResetCollectors() {
    serialCollector_.Reset();
    tcpCollector_.Reset();
  }

  // Sends a raw block on the current link in one piece: the number of bytes the link took, or -1
  // when the link is not up.
  long SendBlock(const std::vector<uint8_t>& bytes);

  // ExchangeHost.
  void SendBytes(const std::vector<uint8_t>& bytes) override;
  bool SendWhole(const std::vector<uint8_t>& bytes) override {
    return SendBlock(bytes) == static_cast<long>(bytes.size());
  }
  void StartTimer(int id, int periodMs) override { SetTimer(id, periodMs); }
  void StopTimer(int id) override { KillTimer(id); }
  void LockHeaders(bool locked) override { mainWindow_.PostMainMessage(WM_PAGE_BUSY, locked ? 1 : 0); }
  void ShowBusy(BusyFamily family, int animationTimer) override { ShowBusyDialog(family, animationTimer); }
  void CloseBusy(int animationTimer) override { CloseBusyDialog(animationTimer); }
  void ShowTimeOut(const std::string& text) override;
  void ExchangeWaiting(bool started) override { shared_.Link.Waiting(started); }

  SharedState& shared_;
  MainWindowPort& mainWindow_;
  SerialLink& port_;
  PagePolicy policy_;
  HexLog sentLog_;
  HexLog receivedLog_;
  CommandSender sender_;
  SerialCollector serialCollector_;
  TcpCollector tcpCollector_;
  ExchangeRunner runner_{*this};
  ChangeNotifier changed_;

 private:
  void NoteReceived(const CommandFrame& frame, bool checksumOk);
  void FollowSocketOnStatusLine(int event, int error, bool wasConnected);
  void AnimateBusy();
  BusyFamily busyFamily_ = BusyFamily::kPleaseWait;
  int busyAnimationTimer_ = 0;
};

}  // namespace velantor
