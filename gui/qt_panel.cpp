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

namespace velantor {

Panel::Panel(const PanelOptions& options) : assembly_(loop_, options) {
  view_ = std::make_unique<MainWindowView>(assembly_.Main(), [this](int page, ShellPage* core, QWidget* parent) {
    return MakePageView(page, core, parent);
  });
  view_->SetDiagnosticsVisible(options.diagnostics);
  const std::string problem = assembly_.RunQuickStart();
  if (!problem.empty()) std::fprintf(stderr, "velantor: %s\n", problem.c_str());
}

Panel::~Panel() { view_.reset(); }  // the views watch the pages, which the assembly owns

QWidget* Panel::MakePageView(int page, ShellPage* core, QWidget* parent) {
  if (page == kPageGeneral) return new GeneralPageView(*dynamic_cast<CGeneralPage*>(core), parent);
  if (page == kPageEdid) return new EdidPageView(*dynamic_cast<CEdidPage*>(core), parent);
  if (page == kPageFirmware) return new UpgradePageView(*dynamic_cast<CUpgradePage*>(core), parent);
  if (page == kPageMatrix) return new MatrixPageView(*dynamic_cast<CMatrixPage*>(core), parent);
  return MakePageFrameView(PageTitle(page), parent);
}

}  // namespace velantor
