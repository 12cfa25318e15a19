// The panel put together without its windows: shared state, the port directory, the one command
// socket, a serial port per page, the page table, the main window's logic and the quick start of
// the command line. The Qt panel adds its views on top; the command-line client drives the same
// pages headless. Both thus talk to a switcher through exactly the same objects.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "app/command_line.h"
#include "app/main_dialog.h"
#include "app/page_table.h"
#include "app/quick_start.h"
#include "app/shared_state.h"
#include "base/event_loop.h"
#include "link/comm_port.h"
#include "link/port_directory.h"
#include "link/tcp_command_socket.h"

namespace velantor {

class CGeneralPage;

class PanelAssembly {
 public:
  // Builds everything on `loop` (which must outlive the assembly); nothing is connected yet.
  PanelAssembly(EventLoop& loop, const PanelOptions& options);
  ~PanelAssembly();
  PanelAssembly(const PanelAssembly&) = delete;
  PanelAssembly& operator=(const PanelAssembly&) = delete;

  // Runs the options' quick start (--connect fills the General page and presses Connect). Returns
  // "" or why the serial device could not be chosen.
  std::string RunQuickStart();

  CMainDialog& Main() { return *main_; }
  SharedState& Shared() { return shared_; }
  const SharedState& Shared() const { return shared_; }
  PortDirectory& Directory() { return directory_; }
  CGeneralPage& GeneralPage();
  const PanelOptions& Options() const { return options_; }

 private:
  SerialLink& PortFor(int page);

  EventLoop& loop_;
  PanelOptions options_;
  SharedState shared_;
  PortDirectory directory_;
  TcpCommandSocket socket_;
  PageTable pages_{shared_};
  // Each page owns its own serial port, all opened on the same COM number one at a time.
  std::array<std::unique_ptr<CCommPort>, 4> ports_;
  std::unique_ptr<CMainDialog> main_;
  std::unique_ptr<QuickStart> quickStart_;
};

}  // namespace velantor
