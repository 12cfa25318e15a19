#include "pages/general/general_page.h"

#include "link/protocol.h"

namespace velantor {

namespace {
// The General page logs only what it collects into frames, one line per TCP frame, and throws
// away frames that arrive while another page is shown.
PagePolicy GeneralPolicy() {
  PagePolicy policy;
  policy.pageNumber = kPageGeneral;
  policy.receive.tcpLogsFrames = true;
  policy.sentLog = SentLogOrder::kBeforeSend;
  policy.messageTimer = CGeneralPage::kTimerMessage;
  return policy;
}
}  // namespace

// What the page lends its parts: PageBase's tools, reached as the page.
class CGeneralPage::Tools final : public GeneralPageTools {
 public:
  explicit Tools(CGeneralPage& page) : page_(page) {}
  void Send(const CommandFrame& frame) override { page_.Send(frame); }
  void SetTimer(int id, int periodMs) override { page_.SetTimer(id, periodMs); }
  void KillTimer(int id) override { page_.KillTimer(id); }
  void Notify() override { page_.Notify(); }
  void ShowMessageFor(int periodMs, const std::string& text) override { page_.ShowMessageFor(periodMs, text); }
  bool ClosePleaseWait() override { return page_.ClosePleaseWait(); }
  void ShowPleaseWait() override { page_.ShowPleaseWait(); }
  void ShowStandbyNotice() override { page_.ShowStandbyNotice(); }
  void ShowTimeOut(const std::string& text) override { page_.ShowTimeOut(text); }
  void ShowBusyDialog(BusyFamily family, int timer) override { page_.ShowBusyDialog(family, timer); }
  void CloseBusyDialog(int timer) override { page_.CloseBusyDialog(timer); }
  bool LinkReady() override { return page_.LinkReady(); }
  void ResetCollectors() override { page_.ResetCollectors(); }
  bool FrameFromSerial() const override { return page_.lastFrameSerial_; }
  ExchangeRunner& Runner() override { return page_.runner_; }
  SharedState& Shared() override { return page_.shared_; }
  MainWindowPort& MainWindow() override { return page_.mainWindow_; }
  SerialLink& Port() override { return page_.port_; }
  PortOwner* PortOwnerOfPage() override { return &page_; }
  SocketReceiver* SocketReceiverOfPage() override { return &page_; }

 private:
  CGeneralPage& page_;
};

CGeneralPage::CGeneralPage(EventLoop& loop, SharedState& shared, MainWindowPort& mainWindow, SerialLink& port,
                           PortDirectory& directory)
    : PageBase(loop, shared, mainWindow, port, GeneralPolicy()),
      tools_(std::make_unique<Tools>(*this)),
      status_(*tools_, StatusPeers()),
      options_(*tools_, OptionsPeers()),
      reset_(*tools_, ResetPeers()),
      links_(loop, *tools_, directory, LinkPeers()) {
  Initialise();
}

CGeneralPage::~CGeneralPage() = default;

void CGeneralPage::Initialise() { links_.Initialise(); }

// What each part may ask of the others.
DeviceStatusPeers CGeneralPage::StatusPeers() {
  return {[this] { options_.StartReadBack(); }, [this] { return RefuseWhileBusy(); },
          [this] { return links_.TakeTypedAddress(); }, [this](int timerId) { links_.ConnectTcp(timerId); },
          [this] { links_.OnComConnect(); }};
}

DeviceOptionsPeers CGeneralPage::OptionsPeers() {
  return {[this] { return RefuseWhileBusy(); }, [this] { status_.ReadBackChainDone(); },
          [this] { status_.StartReadBackChain(false); }, [this] { reset_.ClearRestoreFlag(); }};
}

FactoryResetPeers CGeneralPage::ResetPeers() {
  return {[this] { return RefuseWhileBusy(); }, [this](int mode) { options_.ShowDisplayMode(mode); },
          [this] { options_.BeepRestored(); }, [this] { options_.MarkStale(); }};
}

LinkControlsPeers CGeneralPage::LinkPeers() {
  return {[this] {
            status_.AbandonExchanges();
            status_.MarkStale();
            options_.MarkStale();
          },
          [this] {
            lossesSeen_ = shared_.TcpLosses;
            status_.OnLinkOpened();
          },
          [this] { status_.ConnectFailed(); }, [this] { status_.IgnoreReplies(true); }, [this] { OnLinkReady(); }};
}

bool CGeneralPage::RefuseWhileBusy() {
  if (!PageBusy()) return false;
  ShowPleaseWait();
  Notify();  // controls the click toggled show their confirmed state again
  return true;
}

// The activation check; an option command cut short when the page was left is followed by a
// read-back once the link can be used, so the boxes show what the switcher has.
void CGeneralPage::StartAction() {
  if (links_.StartAction()) OnLinkReady();
}

// The switcher closed the connection while another page was shown: everything read over it is
// old, and the reconnected link is read again as after a connect.
void CGeneralPage::OnLinkReady() {
  if (!LinkUp()) return;
  if (shared_.LinkMode == 1 && lossesSeen_ != shared_.TcpLosses) {
    lossesSeen_ = shared_.TcpLosses;
    options_.TakeOwedReadBack();  // the read-back below covers it
    status_.MarkStale();
    options_.MarkStale();
    status_.StartReadBackChain(true);
    Notify();
    return;
  }
  if (options_.TakeOwedReadBack()) status_.StartReadBackChain(false);
}

// Leaving the page: its replies can no longer reach it (the socket serves the new page, the
// serial port is closed), so its exchanges end quietly instead of timing out over another page.
void CGeneralPage::OnTabChosen(int page) {
  links_.OnTabChosen(page != kPageGeneral);  // the shell connects anew for the page shown next
  if (page == kPageGeneral) return;
  if (!PageBusy() && !status_.ReadBackRunning()) return;
  status_.AbandonExchanges();
  Notify();
}

void CGeneralPage::OnSocketNotice(int event, int error, bool wasConnected) {
  links_.OnSocketNotice(event, error, wasConnected);
}

// Standby always acts; the awaited reply of the running exchange goes to the runner; the rest
// goes by opcode to the part that shows it (device information to the status part first, whose
// port lines and unasked device information end there).
void CGeneralPage::OnFrame(const CommandFrame& frame, bool sumOk, bool serialPath) {
  namespace p = protocol;
  using Route = bool (*)(CGeneralPage&, const CommandFrame&, const Arrival&);
  static constexpr Route kToStatus = [](CGeneralPage& g, const CommandFrame& f, const Arrival& a) {
    return g.status_.OnFrame(f, a.counted, a.serialPath);
  };
  // A damaged frame changes no option.
  static constexpr Route kToOptions = [](CGeneralPage& g, const CommandFrame& f, const Arrival& a) {
    return a.intact && g.options_.OnFrame(f, a.serialPath);
  };
  struct FrameRoute {
    uint8_t op;
    Route route;
  };
  static constexpr FrameRoute kRoutes[] = {
      {p::kOpDeviceInfo, kToStatus},  {p::kOpDeviceInfo, kToOptions}, {p::kOpIrControl, kToOptions},
      {p::kOpBeep, kToOptions},       {p::kOpBorder, kToOptions},     {p::kOpDisplayMode, kToOptions},
      {p::kOpMultiViewer, kToOptions}, {p::kOpVideoWall, kToOptions}, {p::kOpInputChannel, kToOptions},
  };
  if (!frame.HasStartPair()) return;
  if (!serialPath && shared_.LinkMode != 1) return;
  if (p::IsStandbyReport(frame)) {
    status_.OnStandby();
    return;
  }
  const bool intact = frame.ChecksumOk();
  const Arrival arrival{serialPath ? sumOk && intact : intact, intact, serialPath};
  lastFrameSerial_ = serialPath;
  if (runner_.OnFrame(frame, arrival.counted)) return;
  for (const FrameRoute& r : kRoutes) {
    if (r.op == frame[p::kByteOpcode] && r.route(*this, frame, arrival)) return;
  }
}

// The runner's timers (the steps of every exchange) are handled before; these are the parts' own.
void CGeneralPage::OnPageTimer(int id) {
  using Handler = void (*)(CGeneralPage&);
  struct TimerRoute {
    int first;
    int last;
    Handler handler;
  };
  static constexpr Handler kTcpConnect = [](CGeneralPage& g) { g.links_.OnTcpConnectTimer(); };
  static constexpr TimerRoute kRoutes[] = {
      {kTimerInfoStart, kTimerInfoStart, [](CGeneralPage& g) { g.status_.OnInfoStartTimer(); }},
      {kTimerStatusConnect, kTimerStatusConnect, kTcpConnect},
      {kTimerTcpConfirm, kTimerTcpConfirm, kTcpConnect},
      {kTimerRescan, kTimerRescan, [](CGeneralPage& g) { g.links_.OnRescanTimer(); }},
      {kTimerSocketWait, kTimerSocketWait, [](CGeneralPage& g) { g.links_.OnSocketWaitTimer(); }},
  };
  for (const TimerRoute& r : kRoutes) {
    if (id >= r.first && id <= r.last) {
      r.handler(*this);
      return;
    }
  }
}

}  // namespace velantor
