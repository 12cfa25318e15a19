// The upgrade plan: part order and start frames, block headers with the index rule and bank skip,
// block contents, progress, bounds checks, and an emulated switcher taking a planned file whole.
#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "base/virtual_event_loop.h"
#include "pages/firmware/firmware_plan.h"
#include "sim/device_model.h"
#include "support/bytes.h"

namespace velantor {
namespace {

using Bytes = std::vector<uint8_t>;
using testing::HexText;

Bytes Pattern(size_t length, uint8_t seed) {
  Bytes data(length);
  for (size_t i = 0; i < length; ++i) data[i] = static_cast<uint8_t>(i * 7 + seed + i / 251);
  return data;
}

// A loaded file made of the given plain sections (the images must not hold later markers).
FirmwareFile FileOf(std::vector<FirmwareSection> sections) {
  Bytes stream = AssembleFirmware(sections).plain;
  ScrambleFirmware(stream);
  FirmwareLoadResult r = ParseFirmware(stream);
  EXPECT_TRUE(r.file) << r.reason;
  return r.file.value_or(FirmwareFile{});
}

FirmwarePlan PlanOf(const FirmwareFile& file) {
  FirmwarePlanResult r = PlanFirmwareUpgrade(file);
  EXPECT_TRUE(r.ok()) << r.error;
  return r.plan;
}

// A main image alone of up to 199,998 bytes; assembly caps images at 50,000, a loaded file does not.
FirmwareFile MainFile(const Bytes& data) {
  Bytes stream{0xA5, 0x5A};
  stream.insert(stream.end(), data.begin(), data.end());
  ScrambleFirmware(stream);
  return ParseFirmware(stream).file.value();
}

TEST(FirmwarePlan, A514ByteMainFileIsThreeBlocksTheLastMarkedAndFilledPastTheEnd) {
  const Bytes data = Pattern(512, 1);
  FirmwarePlan plan = PlanOf(MainFile(data));
  ASSERT_EQ(plan.parts.size(), 1u);
  const FirmwarePartPlan& part = plan.parts[0];
  EXPECT_EQ(HexText(part.start), "A5 5B 20 01 01 00 00 00 00 40 00 00 9E");
  ASSERT_EQ(part.preparations.size(), 2u);
  EXPECT_EQ(HexText(part.preparations[0]), "A5 5B 20 01 80 00 00 00 00 40 00 00 1F");
  EXPECT_EQ(HexText(part.preparations[1]), "A5 5B 20 01 10 00 00 00 00 40 00 00 8F");
  ASSERT_EQ(part.blocks.size(), 3u);
  EXPECT_EQ(HexText(part.blocks[0].header), "A5 5B 20 01 AA 00 00 01 01 40 00 00 F3");
  EXPECT_EQ(HexText(part.blocks[1].header), "A5 5B 20 01 AA 00 00 01 01 40 01 00 F2");
  EXPECT_EQ(HexText(part.blocks[2].header), "A5 5B 20 01 56 00 FE 00 01 40 02 00 48");
  EXPECT_TRUE(part.blocks[2].last);
  EXPECT_EQ(Bytes(part.blocks[1].block.begin() + 1, part.blocks[1].block.end()), Bytes(data.begin() + 256, data.end()));
  EXPECT_EQ(Bytes(part.blocks[2].block.begin() + 1, part.blocks[2].block.end()), Bytes(256, 0xFF));
  for (const FirmwareBlockStep& step : part.blocks) {
    EXPECT_EQ(std::accumulate(step.block.begin(), step.block.end(), 0u) % 256, 0u);
  }
  EXPECT_EQ(part.DataLength(), 512u);
  EXPECT_EQ(part.blocks[0].progress, 256u);
  EXPECT_EQ(part.blocks[2].progress, 512u);
  EXPECT_EQ(FirmwareBlockChecksum(Bytes(256, 0).data()), 0x00);
}

TEST(FirmwarePlan, Index240IsSentAsB001AndTheRestOfEachBankIsSkipped) {
  // 781 whole blocks: three wraps would be due, the last bank ends at block 781.
  const Bytes data = Pattern(781 * 256 + 10, 4);
  const FirmwarePartPlan part = PlanOf(MainFile(data)).parts[0];
  auto at = [&](int number) -> const FirmwareBlockStep& {
    for (const FirmwareBlockStep& s : part.blocks) {
      if (s.number == number) return s;
    }
    ADD_FAILURE() << "no block " << number;
    return part.blocks[0];
  };
  EXPECT_EQ(HexText(at(239).header), "A5 5B 20 01 AA 00 00 01 01 40 EF 00 04");
  EXPECT_EQ(HexText(at(240).header), "A5 5B 20 01 AA 00 00 01 01 B0 01 00 82");
  EXPECT_EQ(HexText(at(256).header), "A5 5B 20 01 AA 00 00 01 01 40 00 00 F3");
  EXPECT_EQ(HexText(at(257).header), "A5 5B 20 01 AA 00 00 01 01 40 01 00 F2");
  EXPECT_EQ(HexText(at(496).header), "A5 5B 20 01 AA 00 00 01 01 B0 01 00 82");  // the second bank wraps too
  EXPECT_EQ(HexText(at(781).header), "A5 5B 20 01 56 00 FE 00 01 40 0D 00 3D");
  // Blocks follow 240 -> 256 -> 257, each from its own place in the image.
  for (size_t i = 239; i < 243; ++i) {
    const FirmwareBlockStep& s = part.blocks[i];
    EXPECT_EQ(s.number, i <= 240 ? static_cast<int>(i) : static_cast<int>(i) + 15);
    EXPECT_EQ(s.block[1], data[static_cast<size_t>(s.number) * 256]) << "block " << s.number;
  }
  EXPECT_EQ(at(256).progress - at(240).progress, 256u + 3840u);
  EXPECT_EQ(part.blocks.size(), 241u * 3 + (781 - 768 + 1));
  EXPECT_EQ(part.skippedBytes, 3u * 15 * 256);
}

TEST(FirmwarePlan, APartShorterThanABlockOrEndingInASkippedTailStillEndsWithAMarkedHeader) {
  const FirmwarePartPlan tiny = PlanOf(MainFile(Pattern(10, 2))).parts[0];
  ASSERT_EQ(tiny.blocks.size(), 1u);
  EXPECT_EQ(HexText(tiny.blocks[0].header), "A5 5B 20 01 56 00 FE 00 01 40 00 00 4A");
  const FirmwarePartPlan tail = PlanOf(MainFile(Pattern(250 * 256 + 3, 2))).parts[0];
  EXPECT_EQ(tail.blocks.size(), 241u);
  EXPECT_EQ(HexText(tail.blocks.back().header), "A5 5B 20 01 56 00 FE 00 01 40 F0 00 5A");
  EXPECT_EQ(tail.skippedBytes, 9u * 256 + 3);
}

TEST(FirmwarePlan, LaterPartsStartOnTheirChannelsWithoutPreparations) {
  FirmwarePlan plan = PlanOf(FileOf({{2, Pattern(300, 1)}, {3, Pattern(20, 2)}, {4, Pattern(5, 3)}}));
  ASSERT_EQ(plan.parts.size(), 3u);
  EXPECT_EQ(HexText(plan.parts[0].start), "A5 5B 20 02 01 00 00 00 00 40 00 00 9D");
  EXPECT_EQ(HexText(plan.parts[1].start), "A5 5B 20 02 03 00 00 00 00 40 00 00 9B");
  EXPECT_EQ(HexText(plan.parts[2].start), "A5 5B 20 04 01 00 00 00 00 40 00 00 9B");
  EXPECT_EQ(HexText(plan.parts[1].blocks[0].header), "A5 5B 20 03 56 00 FE 00 01 40 00 00 48");
  for (const FirmwarePartPlan& p : plan.parts) EXPECT_TRUE(p.preparations.empty());
  EXPECT_EQ(plan.totalBytes, 325u);
  EXPECT_EQ(plan.totalBlocks, 4u);
  // The slave part's second block stops at its own end: no IR marker leaks into it.
  EXPECT_EQ(plan.parts[0].blocks[1].block[45], 0xFF);
  EXPECT_EQ(HexText(FirmwareDeviceQuery(0x01)), "A5 5B 01 01 00 00 00 00 00 40 00 00 BE");
}

TEST(FirmwarePlan, PartsThatDoNotFitTheImageAreRefused) {
  EXPECT_EQ(PlanFirmwareUpgrade(FirmwareFile{}).error, "No firmware file is loaded.");
  FirmwareFile file = FileOf({{2, Pattern(300, 1)}, {3, Pattern(20, 2)}});
  FirmwareFile past = file;
  past.parts[1].dataEnd += 1;
  EXPECT_EQ(PlanFirmwareUpgrade(past).error, "Firmware part 3 at offset 302 does not lie inside the image.");
  FirmwareFile remarked = file;
  remarked.image[302] = 0xA2;
  EXPECT_EQ(PlanFirmwareUpgrade(remarked).error, "Firmware part 3 at offset 302 does not start with its marker.");
}

// A slave part counts its blocks in one byte without the main image's wrap: from 241 blocks on
// it would lose data, so the plan refuses it before anything is sent.
TEST(FirmwarePlan, ASlavePartOf241BlocksOrMoreIsRefusedAndOneBlockLessIsWrittenWhole) {
  auto slaveFile = [](size_t length) {
    const std::vector<FirmwareSection> marker{{2, Bytes(1, 0x11)}};
    Bytes stream = AssembleFirmware(marker).plain;
    stream.resize(2);  // the slave part's marker
    stream.insert(stream.end(), length, 0x11);
    ScrambleFirmware(stream);
    return ParseFirmware(stream).file.value();
  };
  EXPECT_EQ(PlanFirmwareUpgrade(slaveFile(70000)).error,
            "Firmware part 2 at offset 0 holds 70000 bytes; a part other than the main image holds at most 61695.");
  EXPECT_FALSE(PlanFirmwareUpgrade(slaveFile(61696)).ok());
  const FirmwarePlanResult fits = PlanFirmwareUpgrade(slaveFile(61695));
  ASSERT_TRUE(fits.ok()) << fits.error;
  EXPECT_EQ(fits.plan.parts[0].skippedBytes, 0u);
  EXPECT_EQ(fits.plan.parts[0].blocks.size(), 241u);
  // The main image keeps its wrap.
  EXPECT_TRUE(PlanFirmwareUpgrade(MainFile(Bytes(70000, 0x11))).ok());
}

// Drives the emulated switcher with the plan, as the page will: start, preparations, then each
// header and block, taking only the acknowledgement the step names.
struct Switcher {
  Switcher() : model(loop) {
    model.SetReplySink([this](const uint8_t* d, size_t n) { received.insert(received.end(), d, d + n); });
  }
  std::vector<CommandFrame> Send(const uint8_t* data, size_t n) {
    received.clear();
    model.Feed(data, n);
    std::vector<CommandFrame> frames;
    for (size_t i = 0; i + kFrameSize <= received.size(); i += kFrameSize) frames.push_back(CommandFrame::FromBytes(&received[i]));
    return frames;
  }
  std::vector<CommandFrame> Send(const CommandFrame& f) { return Send(f.data(), f.size()); }
  void Write(const FirmwarePartPlan& part) {
    ASSERT_EQ(Send(part.start).size(), 1u);
    for (const CommandFrame& prep : part.preparations) ASSERT_EQ(Send(prep).size(), 1u);
    for (const FirmwareBlockStep& step : part.blocks) {
      ASSERT_TRUE(Send(step.header).empty()) << "block " << step.number;
      std::vector<CommandFrame> replies = Send(step.block.data(), step.block.size());
      // Part 3 has no final report after its last block.
      const bool report = step.last && part.part != 3;
      ASSERT_EQ(replies.size(), report ? 2u : 1u) << "block " << step.number;
      EXPECT_TRUE(step.IsAcknowledgedBy(replies[0])) << "block " << step.number << ": " << HexText(replies[0]);
      if (report) {
        EXPECT_TRUE(part.IsFinalAcknowledgement(replies[1])) << HexText(replies[1]);
      }
    }
    loop.Advance(60000);  // the reboot
  }
  // What the device holds for a part: its data, erased where banks are skipped and past the end.
  static Bytes Expected(const FirmwareFile& file, const FirmwarePartPlan& part) {
    Bytes out(static_cast<size_t>(part.blocks.back().number + 1) * 256, 0xFF);
    std::copy(file.image.begin() + part.dataBegin, file.image.begin() + part.dataEnd, out.begin());
    for (size_t n = 241; n < out.size() / 256; ++n) {
      if (n % 256 > 240) std::fill_n(out.begin() + static_cast<long>(n * 256), 256, 0xFF);
    }
    return out;
  }
  VirtualEventLoop loop;
  sim::DeviceModel model;
  Bytes received;
};

TEST(FirmwarePlan, TheEmulatedSwitcherTakesAPlannedMainImageAcrossTheBankWrap) {
  const FirmwareFile file = MainFile(Pattern(300 * 256 + 77, 3));
  const FirmwarePartPlan part = PlanOf(file).parts[0];
  Switcher s;
  s.Write(part);
  EXPECT_TRUE(s.model.Firmware().PartData(1).complete);
  EXPECT_EQ(s.model.Firmware().PartData(1).badBlocks, 0);
  EXPECT_EQ(s.model.Firmware().Assembled(1), Switcher::Expected(file, part));
}

TEST(FirmwarePlan, TheEmulatedSwitcherTakesSlaveAndIrPartsOneAfterTheOther) {
  const FirmwareFile file = FileOf({{2, Pattern(5000, 5)}, {3, Pattern(700, 6)}});
  const FirmwarePlan plan = PlanOf(file);
  Switcher s;
  for (const FirmwarePartPlan& part : plan.parts) {
    s.Write(part);
    EXPECT_TRUE(s.model.Firmware().PartData(part.part).complete) << "part " << part.part;
    EXPECT_EQ(s.model.Firmware().Assembled(part.part), Switcher::Expected(file, part)) << "part " << part.part;
  }
  EXPECT_EQ(s.model.Firmware().OutOfOrder(), 0);
}

}  // namespace
}  // namespace velantor
