#include "app/page_base.h"

#include "app/command_link.h"
#include "link/command_socket.h"
#include "link/protocol.h"

namespace velantor {

namespace {
constexpr const char* kPleaseWait = "Please wait...";
constexpr const char* kStandby = "Matrix is in standby mode!";
constexpr int kStandbyMs = 2500;
constexpr int kAnimationMs = 500;
}  // namespace

PageBase::PageBase(EventLoop& loop, SharedState& shared, MainWindowPort& mainWindow, SerialLink& port,
                   const PagePolicy& policy)
    : TimerTarget(loop),
      shared_(shared),
      mainWindow_(mainWindow),
      port_(port),
      policy_(policy),
      sender_(shared.LinkMode, shared.PageSocket, port, sentLog_, policy.sentLog),
      serialCollector_(policy.receive, receivedLog_,
                       [this](const CommandFrame& f, bool sumIsZero) {
                         NoteReceived(f, f.ChecksumOk());
                         OnFrame(f, sumIsZero, true);
                         Notify();
                       }),
      tcpCollector_(policy.receive, receivedLog_, [this](const CommandFrame& f, bool checksumOk) {
        NoteReceived(f, checksumOk);
        OnFrame(f, checksumOk, false);
        Notify();
      }) {}

// Every received frame tells the status line and the diagnostics something: a damaged one is
// counted, an intact one other than a standby report says the switcher is answering.
void PageBase::NoteReceived(const CommandFrame& frame, bool checksumOk) {
  if (!checksumOk) {
    ++shared_.ChecksumRejects;
  } else if (!protocol::IsStandbyReport(frame)) {
    shared_.Link.Answered();
  }
}

void PageBase::OnSocketEvent(int event, int error) {
  const bool wasConnected = shared_.PageSocketConnected == 1;
  if (HandleSocketNotice(shared_, event, error)) {
    if (shared_.PageSocket) tcpCollector_.OnReadable(*shared_.PageSocket, AcceptsTcpFrames());
    return;
  }
  FollowSocketOnStatusLine(event, error, wasConnected);
  OnSocketNotice(event, error, wasConnected);
}

// While the TCP link is meant to be up, the status line follows the page's socket on every
// page: the switcher closing it, or refusing the connect made for the next page shown, is a lost
// link, and a connect that succeeds brings it back.
void PageBase::FollowSocketOnStatusLine(int event, int error, bool wasConnected) {
  if (shared_.LinkMode != 1 || shared_.TcpLinkUp != 1) return;
  // A connect that fails while the link is meant to be up leaves it just as lost.
  if ((event == kSocketClose && wasConnected) || (event == kSocketConnect && error != 0)) {
    ++shared_.TcpLosses;
    shared_.Link.SetState(LinkReport::kLost);
  } else if (event == kSocketConnect && error == 0 && shared_.Link.state == LinkReport::kLost) {
    shared_.Link.SetState(LinkReport::kConnected);
  }
}

int PageBase::OnPortRxChar(uint8_t byte, int portNumber) {
  return serialCollector_.OnByte(byte, portNumber, shared_.LinkMode);
}

void PageBase::OnTimer(int id) {
  if (id == policy_.messageTimer) {
    CloseMessage(*this, shared_.Message, policy_.messageTimer);
  } else if (id == busyAnimationTimer_ && busyAnimationTimer_ > 0 && TimerRunning(id)) {
    AnimateBusy();
  } else if (!runner_.OnTimer(id)) {
    OnPageTimer(id);
  }
}

void PageBase::ShowMessageFor(int periodMs, const std::string& text, bool guard) {
  ShowMessage(*this, shared_.Message, policy_.messageTimer, periodMs, text, guard);
}

void PageBase::CloseMessageNow() { CloseMessage(*this, shared_.Message, policy_.messageTimer); }

bool PageBase::ClosePleaseWait() {
  if (shared_.Message.MessageShown != 1 || shared_.Message.MessageText != kPleaseWait) return false;
  CloseMessageNow();
  return true;
}

bool PageBase::LinkUp() const {
  if (shared_.LinkMode == 1) return shared_.TcpLinkUp == 1 && shared_.PageSocketConnected == 1;
  return shared_.ComLinkOpen == 1 && port_.IsOpen();
}

bool PageBase::LinkReady() {
  if (LinkUp()) return true;
  ShowMessageFor(1500, shared_.LinkMode == 1 ? kConnectFailed : kOpenComFailed);
  Notify();
  return false;
}

void PageBase::ShowPleaseWait() { ShowMessageFor(1500, kPleaseWait); }

void PageBase::ShowStandbyNotice() {
  if (shared_.Message.MessageShown == 1 && shared_.Message.MessageText == kStandby) {
    SetTimer(policy_.messageTimer, kStandbyMs);
    return;
  }
  if (shared_.Message.MessageShown == 1) CloseMessageNow();
  ShowMessageFor(kStandbyMs, kStandby, true);
  shared_.Link.SetState(LinkReport::kStandby);
}

void PageBase::ShowBusyDialog(BusyFamily family, int animationTimer) {
  busyFamily_ = family;
  busyAnimationTimer_ = animationTimer;
  shared_.BusyPhase = 3;
  shared_.Busy.BusyText = BusyPhaseText(family, shared_.BusyPhase);
  SetTimer(animationTimer, kAnimationMs);
  shared_.Busy.Show();
}

void PageBase::CloseBusyDialog(int animationTimer) {
  KillTimer(animationTimer);
  shared_.Busy.Close();
}

void PageBase::AnimateBusy() {
  shared_.BusyPhase = NextBusyPhase(shared_.BusyPhase);
  shared_.Busy.BusyText = BusyPhaseText(busyFamily_, shared_.BusyPhase);
  shared_.Busy.Refresh();
}

long PageBase::SendBlock(const std::vector<uint8_t>& bytes) {
  if (shared_.LinkMode == 1) {
    if (shared_.PageSocketConnected != 1 || !shared_.PageSocket) return -1;
    return shared_.PageSocket->Send(bytes.data(), bytes.size());
  }
  if (!port_.IsOpen()) return -1;
  port_.Write(bytes.data(), bytes.size());  // the port sends a block whole
  return static_cast<long>(bytes.size());
}

void PageBase::SendBytes(const std::vector<uint8_t>& bytes) { sender_.SendBytes(bytes.data(), bytes.size()); }

// A "Please wait..." left from a refused click does not stand in for the failure.
void PageBase::ShowTimeOut(const std::string& text) {
  ClosePleaseWait();
  ShowMessageFor(policy_.timeOutMessageMs, text, true);
}

}  // namespace velantor
