// Shared fixture of the Matrix page scenarios: the whole shell on the harness, connected over
// the serial link or TCP from the General page, with the Matrix page shown and its poll run.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pages/general/general_page.h"
#include "pages/matrix/matrix_page.h"
#include "support/bytes.h"
#include "support/shell_harness.h"

namespace velantor::testing {

enum class Link { kSerial, kTcp };

inline std::string LinkName(const ::testing::TestParamInfo<Link>& info) {
  return info.param == Link::kSerial ? "Serial" : "Tcp";
}

// A frame as the wire shows it, from its bytes 2 to 6.
inline std::string MatrixWire(int op, int sub, int b4 = 0, int b5 = 0, int b6 = 0) {
  return HexText(Frame({op, sub, b4, b5, b6}));
}

class MatrixPageTest : public ::testing::Test {
 protected:
  explicit MatrixPageTest(sim::DeviceState state = sim::MakeDeviceState()) : h(std::move(state)) {}

  CGeneralPage& General() { return h.PageAs<CGeneralPage>(kPageGeneral); }
  CMatrixPage& Page() { return h.PageAs<CMatrixPage>(kPageMatrix); }

  void Connect(Link link) { ASSERT_TRUE(h.LinkFromGeneral(link == Link::kTcp)); }
  // The header click; the poll starts 150 ms later and has `settleMs` in all to run.
  void ShowMatrix(int settleMs = 500) { h.ChoosePage(kPageMatrix, settleMs); }
  void ConnectAndShow(Link link) {
    Connect(link);
    ShowMatrix();
    ASSERT_EQ(Page().PageBusy(), 0);
  }

  // Bytes arriving on the Matrix page's serial port as if the switcher sent them.
  void Inject(const std::vector<uint8_t>& bytes) {
    for (uint8_t b : bytes) Page().OnPortRxChar(b, 1);
  }
  std::vector<std::string> SentSince(size_t mark) const { return h.FramesToDevice(mark); }
  size_t Mark() const { return h.FrameCount(); }

  const MatrixOutputViewState& Out(int k) { return Page().View().outputs[static_cast<size_t>(k - 1)]; }
  const MatrixColumnViewState& Column(int k) { return Page().View().columns[static_cast<size_t>(k - 1)]; }
  // The input buttons of output k that are checked, as input numbers.
  std::vector<int> Checked(int k) {
    std::vector<int> on;
    for (int n = 1; n <= 8; ++n) {
      if (Out(k).inputs[static_cast<size_t>(n - 1)].checked) on.push_back(n);
    }
    return on;
  }
  void SetRoutes(std::vector<uint8_t> inputs) {
    for (size_t k = 0; k < inputs.size(); ++k) h.model.State().Output(static_cast<int>(k + 1)).route = inputs[k];
  }

  ShellHarness h;
};

}  // namespace velantor::testing
