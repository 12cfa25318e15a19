// Shared fixture of the General page scenarios: the whole shell on the harness, the page under
// test being its General page, with what was sent read from the emulator's transcript.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pages/general/general_page.h"
#include "support/bytes.h"
#include "support/shell_harness.h"

namespace velantor::testing {

// A frame as the wire shows it, from its bytes 2 to 6.
inline std::string Wire(int op, int sub, int b4 = 0, int b5 = 0, int b6 = 0) {
  return HexText(Frame({op, sub, b4, b5, b6}));
}

class GeneralPageTest : public ::testing::Test {
 protected:
  explicit GeneralPageTest(sim::DeviceState state = sim::MakeDeviceState())
      : h(std::move(state)),
        loop(h.loop),
        shared(h.shared),
        mainWindow(h.mainWindow),
        model(h.model),
        socket(h.socket),
        page(&h.PageAs<CGeneralPage>(kPageGeneral)) {}

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
  // A frame written on the serial link has reached the switcher this long after (1.3 ms on the
  // wire), and its answer has not come back yet.
  static constexpr int kWireMs = 2;

  // Frames the switcher received.
  std::vector<std::string> Sent() const { return h.FramesToDevice(); }
  std::vector<std::string> SentSince(size_t mark) const { return h.FramesToDevice(mark); }
  // Blocks the page wrote on either link, counted the moment they are written.
  int Writes() { return h.Port(kPageGeneral).Counters().writes + h.socket.Counters().sends; }
  // Bytes arriving on the serial link as if the switcher sent them.
  void Inject(const std::vector<uint8_t>& bytes) {
    for (uint8_t b : bytes) page->OnPortRxChar(b, 1);
  }

  ShellHarness h;
  VirtualEventLoop& loop;
  SharedState& shared;
  RecordingMainWindow& mainWindow;
  sim::DeviceModel& model;
  sim::SimCommandSocket& socket;
  CGeneralPage* page;
};

}  // namespace velantor::testing
