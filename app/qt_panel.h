// The whole panel put together: Qt event loop, shared state, the links, the main window's logic
// and its view, and the quick start of the command line.
#pragma once

#include <memory>

#include "app/command_line.h"
#include "app/main_dialog.h"
#include "app/main_window_view.h"
#include "app/qt_event_loop.h"
#include "app/shared_state.h"
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
  std::unique_ptr<ShellPage> MakePage(int page, MainWindowPort& mainWindow);
  QWidget* MakePageView(int page, ShellPage* core, QWidget* parent);
  void QuickStart();
  void ChoosePageOnceLinked();

  PanelOptions options_;
  QtEventLoop loop_;
  SharedState shared_;
  PortDirectory directory_;
  TcpCommandSocket socket_{loop_};
  std::unique_ptr<CMainDialog> main_;
  // Each page owns its own serial port, all opened on the same COM number one at a time.
  std::unique_ptr<CCommPort> generalPort_;
  std::unique_ptr<MainWindowView> view_;
  bool pagePending_ = false;
};

}  // namespace velantor
