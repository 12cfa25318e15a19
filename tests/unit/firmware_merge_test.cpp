// The firmware merge: generated file names, log lines, refusals, and merged files loading back into their parts.
#include <gtest/gtest.h>

#include <vector>

#include "pages/firmware/firmware_merge.h"
#include "support/temp_dir.h"

namespace velantor {
namespace {

using Bytes = std::vector<uint8_t>;

MergeSources With(std::initializer_list<std::pair<int, std::string>> present) {
  MergeSources sources;
  for (const auto& [part, path] : present) sources[part - 1] = {path, Bytes(10, static_cast<uint8_t>(part))};
  return sources;
}

TEST(FirmwareMerge, TheNameTellsWhichImagesItHoldsAndSitsInTheLastImagesFolder) {
  EXPECT_EQ(PlanMerge(With({{1, "/m/main.hex"}})).outputPath, "/m/Zivuve44_mm0.0.fw");
  EXPECT_EQ(PlanMerge(With({{2, "/s/slave.bin"}})).outputPath, "/s/Zarara88_ms0.0.fw");
  EXPECT_EQ(PlanMerge(With({{1, "/m/main.bin"}, {3, "/i/ir.bin"}})).outputPath, "/i/Zarara88_mm0.0_ir0.0.fw");
  EXPECT_EQ(PlanMerge(With({{1, "/m/a.bin"}, {2, "/s/b.bin"}, {3, "/i/c.bin"}, {4, "/p/d.bin"}})).outputPath,
            "/p/Zarara88_mm0.0_ms0.0_ir0.0_pnl0.0.fw");
  EXPECT_EQ(PlanMerge(With({{4, "d.bin"}})).outputPath, "Zarara88_pnl0.0.fw");
  // The folder is cut at the last separator: removing the file's name would also cut it here.
  EXPECT_EQ(PlanMerge(With({{2, "/fw/slave.bin.d/slave.bin"}})).outputPath, "/fw/slave.bin.d/Zarara88_ms0.0.fw");
}

TEST(FirmwareMerge, EachPresentImageLogsItsPathAndSaveLine) {
  MergeResult r = PlanMerge(With({{1, "/m/a.bin"}, {2, "/s/b.bin"}, {3, "/i/c.bin"}, {4, "/p/d.bin"}}));
  EXPECT_EQ(r.log,
            "Main MCU firmware:/m/a.bin\r\nSave MCU firmware Merged,Ver0.0\r\n"
            "Slave MCU1 firmware:/s/b.bin\r\nSave MCU1 firmware Merged,Ver0.0\r\n"
            "IR MCU2 firmware:/i/c.bin\r\nSave MCU2 firmware Merged,Ver0.0\r\n"
            "Plane MCU3 firmware:/p/d.bin\r\nSave MCU3 firmware Merged,Ver0.0\r\n");
}

TEST(FirmwareMerge, RefusedMergesLogNothing) {
  EXPECT_EQ(PlanMerge(MergeSources{}).error, "No firmware image was chosen to merge.");
  MergeSources empty = With({{1, "/m/a.bin"}});
  empty[0].image.clear();
  EXPECT_EQ(PlanMerge(empty).error, "The main MCU image is empty.");
  MergeSources marked = With({{2, "/s/b.bin"}, {4, "/p/d.bin"}});
  marked[1].image = {0x01, 0xA2, 0x5D, 0x02};
  MergeResult r = PlanMerge(marked);
  EXPECT_EQ(r.error,
            "The slave MCU1 image holds the panel MCU3 marker A2 5D at byte 1; the upgrade would end the slave MCU1 "
            "part there, so it cannot be merged.");
  EXPECT_EQ(r.log, "");
  EXPECT_TRUE(r.file.empty());
  // The main image may hold anything: its part runs to the end of the file.
  marked = With({{1, "/m/a.bin"}});
  marked[0].image = {0xA2, 0x5D};
  EXPECT_TRUE(PlanMerge(marked).ok());
}

class FirmwareMergeOnDisk : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(scratch_.ok()); }
  std::string Write(const std::string& name, const Bytes& bytes) { return scratch_.Write(name, bytes); }
  testing::ScratchDir scratch_{"firmware_merge_test"};
  const std::string& dir_ = scratch_.path();
};

TEST_F(FirmwareMergeOnDisk, AMergedFileLoadsBackIntoTheSameParts) {
  const Bytes images[] = {Bytes(700, 0x22), {0x33, 0xA5, 0x5A, 0x34}, Bytes(50000, 0x44)};
  MergeSources sources;
  for (int part = 2; part <= 4; ++part) {
    const std::string path = Write("p" + std::to_string(part) + ".bin", images[part - 2]);
    McuImageRead read = ReadMcuImage(path);
    ASSERT_EQ(read.error, "");
    sources[part - 1] = {path, read.image};
  }
  MergeResult r = MergeFirmware(sources);
  ASSERT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(r.outputPath, dir_ + "Zarara88_ms0.0_ir0.0_pnl0.0.fw");
  EXPECT_TRUE(r.log.ends_with("Firmware merged complete,save to file:" + r.outputPath + "\r\n"));
  FirmwareLoadResult loaded = LoadFirmwareFile(r.outputPath);
  ASSERT_TRUE(loaded.file) << loaded.reason;
  ASSERT_EQ(loaded.file->parts.size(), 3u);
  for (const FirmwarePart& p : loaded.file->parts) {
    EXPECT_EQ(Bytes(loaded.file->image.begin() + p.dataBegin, loaded.file->image.begin() + p.dataEnd), images[p.part - 2]);
  }
}

TEST_F(FirmwareMergeOnDisk, OversizeSourcesAndUnwritableFoldersAreReported) {
  EXPECT_EQ(ReadMcuImage(Write("big.bin", Bytes(50001))).error,
            dir_ + "big.bin is 50001 bytes long; at most 50000 bytes are accepted.");
  EXPECT_EQ(ReadMcuImage(Write("none.bin", {})).error, dir_ + "none.bin is empty.");
  MergeResult r = MergeFirmware(With({{2, dir_ + "missing/slave.bin"}}));
  EXPECT_EQ(r.error, "Cannot create a file beside " + dir_ + "missing/Zarara88_ms0.0.fw: No such file or directory.");
  EXPECT_EQ(r.log, "");
}

}  // namespace
}  // namespace velantor
