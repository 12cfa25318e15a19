// The whole panel put together: Qt event loop, shared state, the command socket, the main
// window's logic and its view.
#pragma once

#include <memory>

#include "app/command_line.h"
#include "app/main_dialog.h"
#include "app/main_window_view.h"
#include "app/qt_event_loop.h"
#include "app/shared_state.h"
#include "link/tcp_command_socket.h"

namespace velantor {

class Panel {
 public:
  explicit Panel(const PanelOptions& options);
  ~Panel();
  MainWindowView& View() { return *view_; }
  CMainDialog& Main() { return *main_; }
  SharedState& Shared() { return shared_; }
  EventLoop& Loop() { return loop_; }

 private:
  std::unique_ptr<ShellPage> MakePage(int page);
  QWidget* MakePageView(int page, ShellPage* core, QWidget* parent);

  PanelOptions options_;
  QtEventLoop loop_;
  SharedState shared_;
  TcpCommandSocket socket_{loop_};
  std::unique_ptr<CMainDialog> main_;
  std::unique_ptr<MainWindowView> view_;
};

}  // namespace velantor
