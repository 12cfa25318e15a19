// Figures of the Matrix, EDID and FW Upgrade pages over the simulated serial link at wire rate
// (11 bits a byte at 115200 baud), in virtual time against the emulator's model, each printed
// beside its floor: the wire time of the bytes that must travel plus the pauses the protocol
// mandates. Printed, never asserted.
#include <cstdio>
#include <string>
#include <vector>

#include "pages/edid/edid_page.h"
#include "pages/firmware/upgrade_page.h"
#include "pages/matrix/matrix_page.h"
#include "support/edid_samples.h"
#include "support/shell_harness.h"

namespace {

using namespace velantor;
using velantor::testing::ShellHarness;

constexpr double kByteMs = 11.0 * 1000.0 / 115200.0;
constexpr double kFrameMs = 13 * kByteMs;

// Time of the first frame the device received after `mark` frames.
int64_t FirstFrameAfter(const ShellHarness& h, size_t mark) {
  const auto in = h.model.Log().Select(sim::Direction::kIn, sim::PayloadKind::kFrame);
  return mark < in.size() ? in[mark].timeMs : -1;
}

template <class Done>
int64_t AdvanceUntil(ShellHarness& h, Done done, int64_t limitMs) {
  for (int64_t t = 0; t < limitMs && !done(); ++t) h.loop.Advance(1);
  return h.loop.NowMs();
}

// The same in 10 us steps, for the short figures: the virtual clock counts microseconds.
template <class Done>
double AdvanceUntilFine(ShellHarness& h, Done done, int64_t limitMs) {
  for (int64_t t = 0; t < limitMs * 100 && !done(); ++t) h.loop.AdvanceUs(10);
  return static_cast<double>(h.loop.NowUs()) / 1000.0;
}

void Print(const char* what, double measuredMs, double floorMs) {
  std::printf("%-46s %10.1f ms   floor %10.1f ms   (+%.1f %%)\n", what, measuredMs, floorMs,
              floorMs > 0 ? 100.0 * (measuredMs - floorMs) / floorMs : 0.0);
}

void MatrixPoll() {
  ShellHarness h;
  h.LinkFromGeneral(false);
  const size_t mark = h.FrameCount();
  h.main->OnHeaderClick(kPageMatrix);
  auto& page = h.PageAs<CMatrixPage>(kPageMatrix);
  h.loop.Advance(140);
  // The first query has reached the switcher one frame time after it left.
  const double start = AdvanceUntilFine(h, [&] { return h.FrameCount() > mark; }, 1000) - kFrameMs;
  const double end = AdvanceUntilFine(h, [&] { return page.PageBusy() == 0; }, 10000);
  const size_t frames = h.FrameCount() - mark;
  Print(("Matrix poll (" + std::to_string(frames) + " exchanges)").c_str(), end - start,
        static_cast<double>(frames) * 2 * kFrameMs);
}

void EdidEntryAndDownload() {
  ShellHarness h;
  h.LinkFromGeneral(false);
  const size_t mark = h.FrameCount();
  h.main->OnHeaderClick(kPageEdid);
  auto& page = h.PageAs<CEdidPage>(kPageEdid);
  h.loop.Advance(140);
  const std::string unread = page.StatusView().rows[3].text;
  const double entered = AdvanceUntilFine(h, [&] { return h.FrameCount() > mark; }, 1000) - kFrameMs;
  // The rows are filled when the page shows input 4's status answer.
  const double filled = AdvanceUntilFine(h, [&] { return page.StatusView().rows[3].text != unread; }, 10000);
  Print("EDID entry to filled status rows (4 exchanges)", filled - entered, 4 * 2 * kFrameMs);
  AdvanceUntil(h, [&] { return page.Busy() == 0; }, 10000);

  const std::string path = (h.root / "bench.bin").string();
  const std::vector<uint8_t> edid = velantor::testing::EdidFullOfStartPairs();
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f) {
    std::fwrite(edid.data(), 1, edid.size(), f);
    std::fclose(f);
  }
  page.OnOpenFile(path);
  page.OnDownloadTargetSelChange(0);
  const int opened = h.MessagesOpened();
  const int64_t start = h.loop.NowMs();
  page.OnDownload();
  const int64_t done = AdvanceUntil(h, [&] { return h.MessagesOpened() > opened; }, 20000);
  // Handshake and announce with their replies, the 200 ms pause (the header goes out within it),
  // the 290-byte block and the result; the status query afterwards is not counted.
  const double wire = (4 * 13 + 290 + 13) * kByteMs;
  Print(("EDID file download (" + h.shared.Message.DisplayedText() + ")").c_str(),
        static_cast<double>(done - start), 200 + wire);
}

// A 64 KiB main image: 241 blocks, the bank skip, and one padding block marked last.
void FirmwarePart1() {
  ShellHarness h;
  h.LinkFromGeneral(false);
  h.ChoosePage(kPageFirmware, 500);
  auto& page = h.PageAs<CUpgradePage>(kPageFirmware);
  std::vector<uint8_t> stream{0xA5, 0x5A};
  for (size_t i = 0; i < 65536; ++i) stream.push_back(static_cast<uint8_t>((i * 7 + i / 256) % 0xA0));
  const uint8_t mask = static_cast<uint8_t>((stream.size() & 0xFF) ^ 0xC3);
  for (uint8_t& b : stream) b ^= mask;
  const std::string path = (h.root / "bench.fw").string();
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f) {
    std::fwrite(stream.data(), 1, stream.size(), f);
    std::fclose(f);
  }
  page.OnOpenFile(path);
  const size_t mark = h.FrameCount();
  page.OnUpgrade();
  const auto isFinal = [&] {
    for (const auto& e : h.model.Log().Select(sim::Direction::kOut, sim::PayloadKind::kFrame)) {
      if (e.bytes[2] == 0x20 && e.bytes[6] == 0xFE) return true;
    }
    return false;
  };
  const int64_t end = AdvanceUntil(h, isFinal, 120000);
  const size_t blocks = h.model.Log().Select(sim::Direction::kIn, sim::PayloadKind::kFirmwareBlock).size();
  // Per block: 200 ms before the first block, 100 ms before each later one (its header goes out
  // within the pause), then 257 bytes and the acknowledgement; before them the start and two
  // preparations with their answers and 200 ms before the first preparation.
  const double floorMs = static_cast<double>(blocks) * (257 + 13) * kByteMs + 200 +
                         static_cast<double>(blocks - 1) * 100 + 3 * 2 * kFrameMs + 200;
  Print(("FW part-1 64 KiB write (" + std::to_string(blocks) + " blocks)").c_str(),
        static_cast<double>(end - FirstFrameAfter(h, mark)), floorMs);
}

}  // namespace

int main() {
  std::printf("Serial link at wire rate, virtual time (microseconds) against the emulator's model.\n");
  MatrixPoll();
  EdidEntryAndDownload();
  FirmwarePart1();
  return 0;
}
