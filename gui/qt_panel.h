// The whole panel put together: the Qt event loop, the panel's core assembly (shared state, the
// links, the page table, the main window's logic and the quick start) and the main window's view.
#pragma once

#include <memory>

#include "app/command_line.h"
#include "app/main_dialog.h"
#include "app/shared_state.h"
#include "gui/main_window_view.h"
#include "gui/qt_event_loop.h"
#include "pages/panel_assembly.h"

namespace velantor {

class CGeneralPage;

class Panel {
 public:
  explicit Panel(const PanelOptions& options);
  ~Panel();
  MainWindowView& View() { return *view_; }
  CMainDialog& Main() { return assembly_.Main(); }
  SharedState& Shared() { return assembly_.Shared(); }
  CGeneralPage& GeneralPage() { return assembly_.GeneralPage(); }
  EventLoop& Loop() { return loop_; }

 private:
  QWidget* MakePageView(int page, ShellPage* core, QWidget* parent);

  QtEventLoop loop_;
  PanelAssembly assembly_;
  std::unique_ptr<MainWindowView> view_;
};

}  // namespace velantor
