#include "pages/panel_assembly.h"

#include "pages/general/general_page.h"
#include "pages/page_set.h"

namespace velantor {

PanelAssembly::PanelAssembly(EventLoop& loop, const PanelOptions& options)
    : loop_(loop), options_(options), socket_(loop) {
  shared_.PageSocket = &socket_;
  AddCommandLinePorts(options_, directory_);
  FillPageTable(pages_, {loop_, shared_, directory_, [this](int page) -> SerialLink& { return PortFor(page); }});
  main_ = std::make_unique<CMainDialog>(loop_, shared_, pages_.MainWindowFactory());
}

PanelAssembly::~PanelAssembly() {
  quickStart_.reset();  // it watches the General page
  main_.reset();        // the pages go before the ports they were given
}

std::string PanelAssembly::RunQuickStart() {
  quickStart_ = std::make_unique<QuickStart>(loop_, shared_, *main_, directory_,
                                             std::make_unique<QuickStartControlsOf<CGeneralPage>>(GeneralPage()));
  return quickStart_->Run(options_);
}

SerialLink& PanelAssembly::PortFor(int page) {
  auto& port = ports_[static_cast<size_t>(page - 1) % ports_.size()];
  if (!port) {
    auto portFailure = [this] { main_->HandleMessage(kMsgLinkNotice, kLinkNoticeSerialFailure); };
    port = std::make_unique<CCommPort>(loop_, directory_, portFailure);
  }
  return *port;
}

CGeneralPage& PanelAssembly::GeneralPage() { return *dynamic_cast<CGeneralPage*>(main_->Page(kPageGeneral)); }

}  // namespace velantor
