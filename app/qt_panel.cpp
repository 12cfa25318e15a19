#include "app/qt_panel.h"

#include "app/page_frame_view.h"
#include "app/placeholder_page.h"
#include "pages/general/general_page.h"
#include "pages/general/general_page_view.h"

namespace velantor {

namespace {
constexpr const char* kPageTitles[] = {"General", "EDID", "Matrix", "FW Upgrade"};
}

Panel::Panel(const PanelOptions& options) : options_(options) {
  shared_.PageSocket = &socket_;
  for (const std::string& path : options_.extraPorts) directory_.AddPath(path);
  if (options_.connect == PanelOptions::Link::kSerial) directory_.AddPath(options_.serialPath);
  auto portFailure = [this] { main_->HandleMessage(kMsgLinkNotice, kLinkNoticeSerialFailure); };
  generalPort_ = std::make_unique<CCommPort>(loop_, directory_, portFailure);
  main_ = std::make_unique<CMainDialog>(loop_, shared_, [this](int page, MainWindowPort& mainWindow) {
    return MakePage(page, mainWindow);
  });
  view_ = std::make_unique<MainWindowView>(
      *main_, [this](int page, ShellPage* core, QWidget* parent) { return MakePageView(page, core, parent); });
  view_->SetDiagnosticsVisible(options_.diagnostics);
  QuickStart();
}

Panel::~Panel() {
  view_.reset();
  main_.reset();
}

CGeneralPage& Panel::GeneralPage() { return *static_cast<CGeneralPage*>(main_->Page(kPageGeneral)); }

std::unique_ptr<ShellPage> Panel::MakePage(int page, MainWindowPort& mainWindow) {
  if (page == kPageGeneral) {
    return std::make_unique<CGeneralPage>(loop_, shared_, mainWindow, *generalPort_, directory_);
  }
  return std::make_unique<PlaceholderPage>(shared_);
}

QWidget* Panel::MakePageView(int page, ShellPage* core, QWidget* parent) {
  if (page == kPageGeneral) return new GeneralPageView(*static_cast<CGeneralPage*>(core), parent);
  return MakePageFrameView(kPageTitles[page - 1], parent);
}

void Panel::QuickStart() {
  // The panel does what a user would: fill the General page and press Connect.
  CGeneralPage& general = GeneralPage();
  general.SetBroadcastAddress(options_.broadcast);
  if (options_.connect == PanelOptions::Link::kTcp) {
    shared_.CommandPortNumber = options_.port;
    general.OnTcpMode();
    general.SetAddresses({options_.host});
    general.OnAddressEdited(options_.host);
    general.OnTcpConnect();
  } else if (options_.connect == PanelOptions::Link::kSerial) {
    const std::string wanted = "COM" + std::to_string(directory_.NumberFor(options_.serialPath));
    const auto& ports = general.View().ports;
    for (size_t i = 0; i < ports.size(); ++i) {
      if (ports[i] == wanted) general.OnPortSelChange(static_cast<int>(i));
    }
    general.OnComConnect();
  }
  if (options_.page > kPageGeneral) {
    pagePending_ = true;
    if (options_.connect == PanelOptions::Link::kNone) {
      pagePending_ = false;
      main_->OnHeaderClick(options_.page);
    } else {
      general.Changed().Subscribe([this] { ChoosePageOnceLinked(); });
      ChoosePageOnceLinked();
    }
  }
}

void Panel::ChoosePageOnceLinked() {
  if (!pagePending_ || (shared_.TcpLinkUp == 0 && shared_.ComLinkOpen == 0)) return;
  pagePending_ = false;
  loop_.Post([this] { main_->OnHeaderClick(options_.page); });
}

}  // namespace velantor
