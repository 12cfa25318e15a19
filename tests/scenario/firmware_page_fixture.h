// Shared fixture of the FW Upgrade page scenarios: the whole shell on the harness, linked from the
// General page over serial or TCP, the FW Upgrade header chosen, and firmware files written as
// the merge writes them.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "pages/firmware/upgrade_page.h"
#include "pages/general/general_page.h"
#include "support/bytes.h"
#include "support/shell_harness.h"

namespace velantor::testing {

using Bytes = std::vector<uint8_t>;

// Image bytes that never form a part marker (no byte is A2 to A5), so every part ends where the
// test means it to.
inline Bytes McuImage(size_t length, uint8_t seed) {
  Bytes image(length);
  for (size_t i = 0; i < length; ++i) image[i] = static_cast<uint8_t>((i * 7 + seed + i / 256) % 0xA0);
  return image;
}

// A firmware file stream: each section its marker and image, scrambled with the stream's length
// under the program's key 0xC3.
inline Bytes FirmwareStream(const std::vector<std::pair<int, Bytes>>& sections) {
  static const uint8_t markers[4][2] = {{0xA5, 0x5A}, {0xA4, 0x5B}, {0xA3, 0x5C}, {0xA2, 0x5D}};
  Bytes stream;
  for (const auto& [part, image] : sections) {
    stream.insert(stream.end(), markers[part - 1], markers[part - 1] + 2);
    stream.insert(stream.end(), image.begin(), image.end());
  }
  const uint8_t mask = static_cast<uint8_t>((stream.size() & 0xFF) ^ 0xC3);
  for (uint8_t& b : stream) b ^= mask;
  return stream;
}

class FirmwarePageTest : public ::testing::Test {
 protected:
  CGeneralPage& General() { return h.PageAs<CGeneralPage>(kPageGeneral); }
  CUpgradePage& Upgrade() { return h.PageAs<CUpgradePage>(kPageFirmware); }

  // Links from the General page, lets its connect chain finish and chooses the FW Upgrade header
  // with time for the entry query.
  CUpgradePage& Enter(bool tcp) {
    EXPECT_TRUE(h.LinkFromGeneral(tcp));
    entryMark = Mark();
    h.ChoosePage(kPageFirmware, 500);
    return Upgrade();
  }

  std::string WriteFile(const std::string& name, const Bytes& bytes) {
    const auto path = h.root / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path.string();
  }
  // Loads a file of the given sections under `name`.
  void Load(const std::vector<std::pair<int, Bytes>>& sections, const std::string& name = "image.fw") {
    Upgrade().OnOpenFile(WriteFile(name, FirmwareStream(sections)));
    ASSERT_TRUE(Upgrade().LoadedFile().has_value()) << Upgrade().View().log;
  }
  // Advances until the write has ended, at most `limitMs`.
  void RunWrite(int64_t limitMs = 600000) {
    for (int64_t t = 0; t < limitMs && Upgrade().Upgrading() == 1; t += 100) h.loop.Advance(100);
  }

  // Advances in small steps until `done` holds, at most `limitMs`.
  template <class Done>
  void AdvanceUntil(Done done, int64_t limitMs = 60000) {
    for (int64_t t = 0; t < limitMs && !done(); t += 5) h.loop.Advance(5);
  }
  size_t Mark() const { return h.FrameCount(); }
  std::vector<std::string> SentSince(size_t mark) const { return h.FramesToDevice(mark); }
  static size_t Count(const std::vector<std::string>& frames, const std::string& frame) {
    return static_cast<size_t>(std::count(frames.begin(), frames.end(), frame));
  }
  static size_t Count(const std::string& text, const std::string& piece) {
    size_t n = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + piece.size())) ++n;
    return n;
  }
  std::vector<sim::TranscriptEntry> BlocksToDevice() const {
    return h.model.Log().Select(sim::Direction::kIn, sim::PayloadKind::kFirmwareBlock);
  }
  const std::string& Log() { return Upgrade().View().log; }
  bool Logged(const std::string& line) { return Log().find(line) != std::string::npos; }
  std::string Message() const { return h.shared.Message.IsOpen() ? h.shared.Message.DisplayedText() : ""; }
  // What the emulated switcher holds of a part: its blocks, cut to `length`.
  Bytes Written(int part, size_t length) const {
    Bytes data = h.model.Firmware().Assembled(part);
    if (data.size() > length) data.resize(length);
    return data;
  }

  ShellHarness h;
  size_t entryMark = 0;  // frames sent before the header was chosen
};

// The same scenario over the serial link (false) and TCP (true).
class FirmwareOnBothLinks : public FirmwarePageTest, public ::testing::WithParamInterface<bool> {};

inline std::string FirmwareLinkName(const ::testing::TestParamInfo<bool>& info) { return info.param ? "Tcp" : "Serial"; }

// A frame as the wire shows it, from its bytes 2 to 11.
inline std::string FwWire(std::initializer_list<int> body) { return HexText(Frame(body)); }

}  // namespace velantor::testing
