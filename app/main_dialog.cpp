#include "app/main_dialog.h"

#include "app/command_link.h"

namespace velantor {

namespace {
// Page number -> the timer that runs its start action 150 ms after it is chosen.
constexpr std::array<int, 4> kStartTimers = {CMainDialog::kTimerStartGeneral,
                                             CMainDialog::kTimerStartEdid,
                                             CMainDialog::kTimerStartMatrix,
                                             CMainDialog::kTimerStartFirmware};
constexpr int kStartDelayMs = 150;
}  // namespace

CMainDialog::CMainDialog(EventLoop& loop, SharedState& shared, PageFactory factory)
    : TimerTarget(loop),
      shared_(shared),
      factory_(std::move(factory)),
      configuring_(loop, shared.ConfigurationSuccess) {
  EnsurePage(kPageGeneral);
}

CMainDialog::~CMainDialog() { *alive_ = false; }

int CMainDialog::StartTimerOf(int page) { return kStartTimers[Index(page)]; }

ShellPage& CMainDialog::EnsurePage(int page) {
  auto& slot = pages_[Index(page)];
  if (!slot) slot = factory_(page, *this);
  return *slot;
}

GeneralShellPage* CMainDialog::General() const {
  return dynamic_cast<GeneralShellPage*>(pages_[0].get());
}

bool CMainDialog::HeadersLocked() const {
  for (const auto& page : pages_) {
    if (page && page->LocksHeaders()) return true;
  }
  return false;
}

void CMainDialog::OnHeaderClick(int page) {
  // The busy message disables the tab commands; the header statics honour it too.
  if (page < kPageGeneral || page > kPageFirmware || HeadersLocked() || !headersEnabled_) return;
  TabAction(page);
}

void CMainDialog::TabAction(int page) {
  shared_.CurrentPage = page;
  // A page left within its start delay does not start behind the page shown now.
  for (int other = kPageGeneral; other <= kPageFirmware; ++other) KillTimer(StartTimerOf(other));
  for (auto& p : pages_) {
    if (p) p->OnTabChosen(page);
  }
  if (shared_.LinkMode != 1) {
    for (int other = kPageGeneral; other <= kPageFirmware; ++other) {
      if (other != page && Page(other)) Page(other)->ClosePort();
    }
  }
  selected_.fill(false);
  selected_[Index(page)] = true;
  ShellPage& shown = EnsurePage(page);
  changed_.Notify();
  if (shared_.LinkMode == 1) {
    if (shared_.TcpLinkUp == 0) {
      ShowMessage(*this, shared_.Message, kTimerMessage, 1500, "Connect to Matrix failed!");
      return;
    }
    ConnectCommandSocket(shared_, shown.SocketTarget());
  }
  SetTimer(StartTimerOf(page), kStartDelayMs);
}

void CMainDialog::PostMainMessage(unsigned message, int wParam) {
  std::weak_ptr<bool> alive = alive_;
  Loop().Post([this, alive, message, wParam] {
    if (auto a = alive.lock(); a && *a) HandleMessage(message, wParam);
  });
}

void CMainDialog::HandleMessage(unsigned message, int wParam) {
  switch (message) {
    case WM_PAGE_BUSY:
      if (wParam == 1 || wParam == 0) {
        headersEnabled_ = wParam == 0;
        changed_.Notify();
      }
      break;
    case kMsgLinkNotice:
      if (wParam == kLinkNoticeConfiguring) {
        configuring_.Open();
      } else if (wParam == kLinkNoticeSerialFailure) {
        for (int page : {kPageEdid, kPageMatrix, kPageFirmware}) {
          if (Page(page)) Page(page)->ClosePort();
        }
        if (General()) General()->CloseSerialLink();
        shared_.Link.SetState(LinkReport::kLost);  // not closed by the user: the device failed
      }
      break;
    case kMsgNetworkNotice:
      if (wParam == kNetworkConfirmed) {
        shared_.ConfigurationSuccess = 1;
        // A confirmation after "configure failed!" closed the dialog still means the switcher
        // took its new settings: say so before the search that follows drops the link.
        if (!configuring_.IsOpen()) configuring_.Open();
        configuring_.SetText("Matrix configuration completed successfully!");
        SetTimer(kTimerSearchText, 2000);
      } else if (wParam == kNetworkSearchAnswer) {
        KillTimer(kTimerSearchFailed);
        configuring_.Close();
      }
      break;
    default:
      break;
  }
}

void CMainDialog::RunStartAction(int page) {
  if (ShellPage* p = Page(page)) p->StartAction();
}

void CMainDialog::OnTimer(int id) {
  KillTimer(id);  // every main-window timer fires once
  switch (id) {
    case kTimerStartGeneral: RunStartAction(kPageGeneral); break;
    case kTimerStartEdid: RunStartAction(kPageEdid); break;
    case kTimerStartFirmware: RunStartAction(kPageFirmware); break;
    case kTimerStartMatrix: RunStartAction(kPageMatrix); break;
    case kTimerSearchText:
      configuring_.SetText("Searching Matrix IP . . .");
      SetTimer(kTimerSearch, 500);
      break;
    case kTimerSearch:
      if (General()) General()->StartIpSearch();
      SetTimer(kTimerSearchFailed, 5000);
      break;
    case kTimerSearchFailed:
      configuring_.SetText("Search Matrix IP failed!");
      SetTimer(kTimerCloseConfiguring, 500);
      break;
    case kTimerCloseConfiguring:
      configuring_.Close();
      break;
    case kTimerMessage:
      shared_.Message.Close();
      break;
    default:
      break;
  }
}

std::string CMainDialog::CloseWarning() const {
  for (int page = kPageGeneral; page <= kPageFirmware; ++page) {
    if (ShellPage* p = Page(page); p && !p->CloseWarning().empty()) return p->CloseWarning();
  }
  return "";
}

}  // namespace velantor
