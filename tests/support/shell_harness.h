// The one scenario harness of the whole shell: the main window's logic with every real page (the
// page set), on virtual time, with the emulator's model behind a simulated serial port per page
// (all on COM1, as on the real panel) and the one command socket. What the panel sent is read
// from the emulator's transcript, so it works for every page whatever that page logs.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "app/page_table.h"
#include "base/virtual_event_loop.h"
#include "link/port_directory.h"
#include "pages/general/general_page.h"
#include "pages/page_set.h"
#include "sim/device_model.h"
#include "sim/sim_command_socket.h"
#include "sim/sim_serial_link.h"
#include "support/bytes.h"
#include "support/recording_main_window.h"

namespace velantor::testing {

class ShellHarness {
 public:
  // `addCom1`: the directory starts with one device, COM1 (false: empty, for tests of the list).
  explicit ShellHarness(sim::DeviceState state = sim::MakeDeviceState(), bool addCom1 = true)
      : root(MakeRoot()),
        directory((root / "sys").string(), (root / "dev").string()),
        model(loop, std::move(state)),
        socket(loop, model),
        table(shared) {
    shared.PageSocket = &socket;
    if (addCom1) {
      std::ofstream(root / "dev" / "ttyVEL0") << "";
      directory.AddPath((root / "dev" / "ttyVEL0").string());  // COM1
    }
    for (auto& port : ports) port = std::make_unique<sim::SimSerialLink>(loop, model);
    FillPageTable(table, {loop, shared, directory, [this](int page) -> SerialLink& { return Port(page); }});
    // Pages reach the main window through the recorder, which passes every message on.
    main = std::make_unique<CMainDialog>(loop, shared, [this](int page, MainWindowPort& window) {
      mainWindow.next = &window;
      return table.Make(page, mainWindow);
    });
  }
  ~ShellHarness() {
    main.reset();
    std::filesystem::remove_all(root);
  }

  // The page with number `page` as its class (made when its header is first chosen).
  template <class Page>
  Page& PageAs(int page) {
    return dynamic_cast<Page&>(*main->Page(page));
  }
  sim::SimSerialLink& Port(int page) { return *ports[static_cast<size_t>(page - 1) % ports.size()]; }

  // Links from the General page as a user would (Connect on COM1, or TCP to the emulator) and lets
  // the chain after the connect finish. True when the link is up.
  bool LinkFromGeneral(bool tcp) {
    auto& general = PageAs<CGeneralPage>(kPageGeneral);
    if (tcp) {
      general.OnTcpMode();
      general.OnAddressEdited("127.0.0.1");
      general.OnTcpConnect();
    } else {
      general.OnComConnect();
    }
    loop.Advance(2000);
    return (tcp ? shared.TcpLinkUp : shared.ComLinkOpen) == 1;
  }

  // A header click, and the page's start action 150 ms later with time for its first exchange.
  void ChoosePage(int page, int settleMs = 200) {
    main->OnHeaderClick(page);
    loop.Advance(settleMs);
  }

  // Frames the device received since `mark` (a count of earlier ones), as wire text.
  std::vector<std::string> FramesToDevice(size_t mark = 0) const {
    std::vector<std::string> out;
    for (const auto& e : model.Log().Select(sim::Direction::kIn, sim::PayloadKind::kFrame)) out.push_back(HexText(e.bytes));
    if (mark >= out.size()) return {};
    return {out.begin() + static_cast<long>(mark), out.end()};
  }
  size_t FrameCount() const { return FramesToDevice().size(); }
  int MessagesOpened() const { return shared.Message.OpenCount(); }

  std::filesystem::path root;
  VirtualEventLoop loop;
  SharedState shared;
  PortDirectory directory;
  sim::DeviceModel model;
  std::array<std::unique_ptr<sim::SimSerialLink>, 4> ports;
  sim::SimCommandSocket socket;
  PageTable table;
  RecordingMainWindow mainWindow;  // what the pages posted to the main window
  std::unique_ptr<CMainDialog> main;

 private:
  static std::filesystem::path MakeRoot() {
    std::string pattern = (std::filesystem::temp_directory_path() / "velantor-shell-XXXXXX").string();
    std::filesystem::path dir = ::mkdtemp(pattern.data());
    std::filesystem::create_directories(dir / "sys/class/tty");
    std::filesystem::create_directories(dir / "dev");
    return dir;
  }
};

}  // namespace velantor::testing
