#include "app/qt_panel.h"

#include "app/page_frame_view.h"
#include "app/placeholder_page.h"

namespace velantor {

namespace {
constexpr const char* kPageTitles[] = {"General", "EDID", "Matrix", "FW Upgrade"};
}

Panel::Panel(const PanelOptions& options) : options_(options) {
  shared_.PageSocket = &socket_;
  main_ = std::make_unique<CMainDialog>(loop_, shared_, [this](int page) { return MakePage(page); });
  view_ = std::make_unique<MainWindowView>(
      *main_, [this](int page, ShellPage* core, QWidget* parent) { return MakePageView(page, core, parent); });
  view_->SetDiagnosticsVisible(options_.diagnostics);
  if (options_.page > kPageGeneral) main_->OnHeaderClick(options_.page);
}

Panel::~Panel() {
  view_.reset();
  main_.reset();
}

std::unique_ptr<ShellPage> Panel::MakePage(int) { return std::make_unique<PlaceholderPage>(shared_); }

QWidget* Panel::MakePageView(int page, ShellPage*, QWidget* parent) {
  return MakePageFrameView(kPageTitles[page - 1], parent);
}

}  // namespace velantor
