// The whole panel put together: Qt event loop, shared state, the links, the page table, the main
// window's logic and its view, and the quick start of the command line.
#pragma once

#include <array>
#include <memory>

#include "app/command_line.h"
#include "app/main_dialog.h"
#include "app/page_table.h"
#include "app/quick_start.h"
#include "app/shared_state.h"
#include "gui/main_window_view.h"
#include "gui/qt_event_loop.h"
#include "link/comm_port.h"
#include "link/port_directory.h"
#include "link/tcp_command_socket.h"

namespace velantor {

class CGeneralPage;

class Panel {
 public:
  explicit Panel(const PanelOptions& options);
  ~Panel();
  MainWindowView& View() { return *view_; }
  CMainDialog& Main() { return *main_; }
  SharedState& Shared() { return shared_; }
  CGeneralPage& GeneralPage();
  EventLoop& Loop() { return loop_; }

 private:
  QWidget* MakePageView(int page, ShellPage* core, QWidget* parent);
  SerialLink& PortFor(int page);

  PanelOptions options_;
  QtEventLoop loop_;
  SharedState shared_;
  PortDirectory directory_;
  TcpCommandSocket socket_{loop_};
  PageTable pages_{shared_};
  // Each page owns its own serial port, all opened on the same COM number one at a time.
  std::array<std::unique_ptr<CCommPort>, 4> ports_;
  std::unique_ptr<CMainDialog> main_;
  std::unique_ptr<MainWindowView> view_;
  std::unique_ptr<QuickStart> quickStart_;
};

}  // namespace velantor
