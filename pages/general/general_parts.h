// What the parts of the General page share: the page's timer ids and exchange ids, and the
// tools the page lends each part (its send path, timers, dialogs, exchange runner and the
// program-wide state). Parts never reach each other through these; what one part needs of
// another it gets as a small struct of callbacks from the page.
#pragma once

#include <string>

#include "app/dialogs.h"
#include "app/exchange_runner.h"
#include "app/shared_state.h"
#include "app/window_messages.h"
#include "link/command_frame.h"
#include "link/command_socket.h"
#include "link/serial_link.h"

namespace velantor {

// Timer ids of the General page: one id space, shared by its parts.
namespace general_timers {
constexpr int kInfoStart = 1;  // 1..6: device-information steps
constexpr int kTypeTimeout = 2;
constexpr int kFirstPortStep = 7;  // 7..22: the eight port steps, two each
constexpr int kStatusConnect = 45;
constexpr int kTcpConfirm = 47;
constexpr int kMessage = 55;
constexpr int kSocketWait = 64;  // the wait for the command socket when the page is shown
constexpr int kStatusAnimation = 60;
constexpr int kRescan = 66;
constexpr int kSerialStatusStart = 91;
constexpr int kResetAnimation = 100;
constexpr int kFirstRestoreStep = 101;  // 101..146: the restore steps
constexpr int kResetModeRetry = 147;    // guard of the reset's display-mode command
constexpr int kResetModeTimeout = 148;
constexpr int kOptionRetry = 150;  // guard of an option command
constexpr int kOptionTimeout = 151;
}  // namespace general_timers

// The exchanges of the page, as the runner knows them.
enum GeneralExchange { kStatusChainExchange = 1, kFactoryResetExchange = 2, kOptionCommandExchange = 3 };

// The read-back chain after a connect has no timers of its own; when it has not finished after
// this long the device information is asked for anyway.
constexpr int kGeneralInfoStartDelayMs = 1000;
// How long a TCP connect may take before it counts as failed.
constexpr int kGeneralTcpConnectTimeoutMs = 3000;
constexpr const char* kGeneralNoAnswer = "The switcher does not answer";

// What the page lends its parts.
class GeneralPageTools {
 public:
  virtual ~GeneralPageTools() = default;
  virtual void Send(const CommandFrame& frame) = 0;
  virtual void SetTimer(int id, int periodMs) = 0;
  virtual void KillTimer(int id) = 0;
  virtual void Notify() = 0;
  virtual void ShowMessageFor(int periodMs, const std::string& text) = 0;
  virtual bool ClosePleaseWait() = 0;
  virtual void ShowPleaseWait() = 0;
  virtual void ShowStandbyNotice() = 0;
  virtual void ShowTimeOut(const std::string& text) = 0;
  virtual void ShowBusyDialog(BusyFamily family, int animationTimer) = 0;
  virtual void CloseBusyDialog(int animationTimer) = 0;
  // The link is up; else the failure message is shown.
  virtual bool LinkReady() = 0;
  // A new or closed link: no partial frame of the last one may eat the next one's first reply.
  virtual void ResetCollectors() = 0;
  // Where the frame being handled came from.
  virtual bool FrameFromSerial() const = 0;
  virtual ExchangeRunner& Runner() = 0;
  virtual SharedState& Shared() = 0;
  virtual MainWindowPort& MainWindow() = 0;
  virtual SerialLink& Port() = 0;
  // The page, as the owner of the serial port and the receiver of the command socket.
  virtual PortOwner* PortOwnerOfPage() = 0;
  virtual SocketReceiver* SocketReceiverOfPage() = 0;
};

}  // namespace velantor
