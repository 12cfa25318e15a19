// Shared fixture of the General page scenarios: the page on virtual time with the emulator's
// model behind a simulated serial link (as COM1) and command socket.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "base/virtual_event_loop.h"
#include "link/port_directory.h"
#include "pages/general/general_page.h"
#include "sim/device_model.h"
#include "sim/sim_command_socket.h"
#include "sim/sim_serial_link.h"
#include "support/bytes.h"
#include "support/recording_main_window.h"

namespace velantor::testing {

// A frame as the wire shows it, from its bytes 2 to 6.
inline std::string Wire(int op, int sub, int b4 = 0, int b5 = 0, int b6 = 0) {
  return HexText(Frame({op, sub, b4, b5, b6}));
}

class GeneralPageTest : public ::testing::Test {
 protected:
  explicit GeneralPageTest(sim::DeviceState state = sim::MakeDeviceState())
      : root(std::filesystem::temp_directory_path() /
             ("velantor-gp-" + std::to_string(::getpid()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name())),
        directory((std::filesystem::create_directories(root / "sys/class/tty"), (root / "sys").string()),
                  (root / "dev").string()),
        model(loop, std::move(state)),
        serial(loop, model),
        socket(loop, model) {
    shared.PageSocket = &socket;
    std::filesystem::create_directories(root / "dev");
    std::ofstream(root / "dev" / "ttyVEL0") << "";
    directory.AddPath((root / "dev" / "ttyVEL0").string());
    page = std::make_unique<CGeneralPage>(loop, shared, mainWindow, serial, directory);
  }
  ~GeneralPageTest() override { std::filesystem::remove_all(root); }

  // Connects and lets the chain after the connect run.
  void ConnectSerial() {
    page->OnComConnect();
    ASSERT_EQ(shared.ComLinkOpen, 1);
    loop.Advance(500);
  }
  void ConnectTcp() {
    page->OnTcpMode();
    page->OnAddressEdited("127.0.0.1");
    page->OnTcpConnect();
    loop.Advance(500);
    ASSERT_EQ(shared.TcpLinkUp, 1);
  }
  // The sent log as one entry per frame, without the trailing space.
  std::vector<std::string> Sent() const {
    std::vector<std::string> lines;
    const std::string& text = page->SentLog()->Text();
    for (size_t at = 0; at + 39 <= text.size(); at += 41) lines.push_back(text.substr(at, 38));
    return lines;
  }
  std::vector<std::string> SentSince(size_t mark) const {
    auto all = Sent();
    return {all.begin() + static_cast<long>(mark), all.end()};
  }
  // Bytes arriving on the serial link as if the switcher sent them.
  void Inject(const std::vector<uint8_t>& bytes) {
    for (uint8_t b : bytes) page->OnPortRxChar(b, 1);
  }

  std::filesystem::path root;
  VirtualEventLoop loop;
  SharedState shared;
  RecordingMainWindow mainWindow;
  PortDirectory directory;
  sim::DeviceModel model;
  sim::SimSerialLink serial;
  sim::SimCommandSocket socket;
  std::unique_ptr<CGeneralPage> page;
};

}  // namespace velantor::testing
