// Shared fixture of the EDID page scenarios: the whole shell on the harness, linked from the
// General page over serial or TCP, with the EDID header chosen and its entry refresh done.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "pages/edid/edid_page.h"
#include "pages/general/general_page.h"
#include "support/bytes.h"
#include "support/shell_harness.h"
#include "support/edid_samples.h"

namespace velantor::testing {

// A frame as the wire shows it, from its bytes 2 to 7.
inline std::string EdidWire(int op, int sub, int b4 = 0, int b5 = 0, int b6 = 0, int b7 = 0) {
  return HexText(Frame({op, sub, b4, b5, b6, b7}));
}

class EdidPageTest : public ::testing::Test {
 protected:
  explicit EdidPageTest(sim::DeviceState state = sim::MakeDeviceState()) : h(std::move(state)) {}

  CGeneralPage& General() { return h.PageAs<CGeneralPage>(kPageGeneral); }
  CEdidPage& Edid() { return h.PageAs<CEdidPage>(kPageEdid); }

  // Links from the General page, lets its connect chain finish and chooses the EDID header.
  CEdidPage& Enter(bool tcp) {
    EXPECT_TRUE(h.LinkFromGeneral(tcp));
    h.ChoosePage(kPageEdid, 500);
    return Edid();
  }

  // Frames the switcher received from `mark` on, and the count to mark the present.
  std::vector<std::string> SentSince(size_t mark) const { return h.FramesToDevice(mark); }
  size_t Mark() const { return h.FrameCount(); }
  size_t Count(const std::vector<std::string>& frames, const std::string& frame) const {
    return static_cast<size_t>(std::count(frames.begin(), frames.end(), frame));
  }
  // Raw EDID blocks the switcher received.
  std::vector<std::vector<uint8_t>> BlocksToDevice() const {
    std::vector<std::vector<uint8_t>> out;
    for (const auto& e : h.model.Log().Select(sim::Direction::kIn, sim::PayloadKind::kEdidBlock)) out.push_back(e.bytes);
    return out;
  }
  std::string Message() const { return h.shared.Message.IsOpen() ? h.shared.Message.DisplayedText() : ""; }
  std::string Row(int input) { return Edid().StatusView().rows[static_cast<size_t>(input - 1)].text; }
  // A file in the harness's own directory.
  std::string WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) {
    const auto path = h.root / name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return path.string();
  }

  ShellHarness h;
};

// The same scenario over the serial link (false) and TCP (true).
class EdidOnBothLinks : public EdidPageTest, public ::testing::WithParamInterface<bool> {};

inline std::string LinkName(const ::testing::TestParamInfo<bool>& info) { return info.param ? "Tcp" : "Serial"; }

}  // namespace velantor::testing
