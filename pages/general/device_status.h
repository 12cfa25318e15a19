// The device information and port status part of the General page: the status request, the
// status chain (the device-information steps and the eight port steps) on the exchange runner,
// the read-back chain's start after a connect, the standby notice and the end of every exchange
// when a link goes.
#pragma once

#include <functional>
#include <string>

#include "pages/general/device_view_state.h"
#include "pages/general/general_parts.h"

namespace velantor {

// What the status part needs of the other parts.
struct DeviceStatusPeers {
  std::function<void()> startReadBack;     // the options' read-back queries
  std::function<bool()> refuseWhileBusy;   // "Please wait..." while the page is busy
  std::function<bool()> takeTypedAddress;  // the address box names a switcher (else it says why not)
  std::function<void(int timerId)> connectTcp;  // connects the command socket, bounded by that timer
  std::function<void()> openCom;                // the COM side's Connect (reports its own failure)
};

class DeviceStatus {
 public:
  DeviceStatus(GeneralPageTools& tools, DeviceStatusPeers peers);

  const GeneralStatusViewState& View() const { return view_; }
  // A visible request is under way, or waits for its TCP connect.
  bool Busy() const { return visible_ || pendingRequest_ == 1; }
  int PendingRequest() const { return pendingRequest_; }
  bool IgnoreReplies() const { return ignoreReplies_; }
  void IgnoreReplies(bool ignore) { ignoreReplies_ = ignore; }
  bool ReadBackRunning() const { return readBackRunning_; }

  // The "Status" button (and its push-like twin).
  void RequestStatus();
  // A link opened: the read-back, then the device information and the port walk; a request
  // that waited for this connect joins that chain.
  void OnLinkOpened();
  // A request's connect failed: no request stays pending.
  void ConnectFailed();
  // A read-back that repairs the controls after a failed option command is the read-back alone.
  void StartReadBackChain(bool thenDeviceInfo);
  void ReadBackChainDone();
  // The end of the read-back chain.
  void StartDeviceInfo();
  // Timer 1: the read-back has not ended (an answer was lost or damaged, and it has no timers),
  // so the device information goes first and the read-back is walked again after it.
  void OnInfoStartTimer();
  // A status frame outside the runner's awaited step: true when it was this part's.
  bool OnFrame(const CommandFrame& frame, bool sumOk, bool serialPath);
  // The link closed or failed: what is shown stays, greyed, until it is read again.
  void MarkStale();
  // Every exchange ends through the runner; the read-back chain and a visible request go too.
  void AbandonExchanges();
  void OnStandby();

 private:
  bool StatusChainRunning() const;
  void RequestOverTcp(bool joining);
  void RequestOverSerial();
  void StartStatusChain(bool withInfo, bool paused);
  ReplyVerdict OnInfoReply(const CommandFrame& frame, size_t index);
  void ApplyPortReply(const CommandFrame& frame);
  void OnChainEnd(ExchangeEnd end, bool walkReached);
  void StopAll(ExchangeEnd end);
  void BeginVisible();
  void EndVisible();

  GeneralPageTools& tools_;
  SharedState& shared_;
  DeviceStatusPeers peers_;
  GeneralStatusViewState view_;
  bool ignoreReplies_ = true;
  bool readBackRunning_ = false;  // the untimed read-back chain after a connect
  bool readBackStalled_ = false;  // walk it again once the device information has come
  bool visible_ = false;          // a request with the "Getting status" dialog is under way
  int pendingRequest_ = 0;        // a request waits for its TCP connect
  std::string deviceType_;
};

}  // namespace velantor
