#include "gui/qt_panel.h"

#include <cstdio>

#include "gui/page_frame_view.h"
#include "pages/edid/edid_page.h"
#include "pages/edid/edid_page_view.h"
#include "pages/firmware/upgrade_page.h"
#include "pages/firmware/upgrade_page_view.h"
#include "pages/general/general_page.h"
#include "pages/general/general_page_view.h"
#include "pages/matrix/matrix_page.h"
#include "pages/matrix/matrix_page_view.h"
#include "pages/page_set.h"

namespace velantor {

Panel::Panel(const PanelOptions& options) : options_(options) {
  shared_.PageSocket = &socket_;
  AddCommandLinePorts(options_, directory_);
  FillPageTable(pages_, {loop_, shared_, directory_, [this](int page) -> SerialLink& { return PortFor(page); }});
  main_ = std::make_unique<CMainDialog>(loop_, shared_, pages_.MainWindowFactory());
  view_ = std::make_unique<MainWindowView>(
      *main_, [this](int page, ShellPage* core, QWidget* parent) { return MakePageView(page, core, parent); });
  view_->SetDiagnosticsVisible(options_.diagnostics);
  quickStart_ = std::make_unique<QuickStart>(loop_, shared_, *main_, directory_,
                                             std::make_unique<QuickStartControlsOf<CGeneralPage>>(GeneralPage()));
  const std::string problem = quickStart_->Run(options_);
  if (!problem.empty()) std::fprintf(stderr, "velantor: %s\n", problem.c_str());
}

Panel::~Panel() {
  quickStart_.reset();  // it watches the General page
  view_.reset();
  main_.reset();
}

SerialLink& Panel::PortFor(int page) {
  auto& port = ports_[static_cast<size_t>(page - 1) % ports_.size()];
  if (!port) {
    auto portFailure = [this] { main_->HandleMessage(kMsgLinkNotice, kLinkNoticeSerialFailure); };
    port = std::make_unique<CCommPort>(loop_, directory_, portFailure);
  }
  return *port;
}

CGeneralPage& Panel::GeneralPage() { return *dynamic_cast<CGeneralPage*>(main_->Page(kPageGeneral)); }

QWidget* Panel::MakePageView(int page, ShellPage* core, QWidget* parent) {
  if (page == kPageGeneral) return new GeneralPageView(*dynamic_cast<CGeneralPage*>(core), parent);
  if (page == kPageEdid) return new EdidPageView(*dynamic_cast<CEdidPage*>(core), parent);
  if (page == kPageFirmware) return new UpgradePageView(*dynamic_cast<CUpgradePage*>(core), parent);
  if (page == kPageMatrix) return new MatrixPageView(*dynamic_cast<CMatrixPage*>(core), parent);
  return MakePageFrameView(PageTitle(page), parent);
}

}  // namespace velantor
