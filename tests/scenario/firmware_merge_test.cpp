// The "Merge FW" group of the FW Upgrade page: sources chosen with their own "Open", the log and
// the generated name, and the merged file written into the emulated switcher by the same page.
#include <filesystem>

#include "scenario/firmware_page_fixture.h"

namespace velantor::testing {
namespace {

TEST_F(FirmwarePageTest, MergedSlaveAndIrImagesLoadAndAreWrittenPartByPart) {
  CUpgradePage& page = Enter(true);
  std::filesystem::create_directories(h.root / "ir");
  const Bytes slave = McuImage(700, 30);
  const Bytes ir = McuImage(300, 31);
  const std::string slavePath = WriteFile("slave.bin", slave);
  const std::string irPath = WriteFile("ir/ir.bin", ir);
  page.OnOpenMergeSource(2, WriteFile("slave.hex", slave));  // not a .bin: not taken
  EXPECT_TRUE(Logged("The slave MCU1 image is not taken: "));
  EXPECT_TRUE(page.MergeView().sources[1].path.empty());
  page.OnOpenMergeSource(2, slavePath);
  page.OnOpenMergeSource(3, irPath);
  EXPECT_EQ(page.MergeView().sources[2].path, irPath);
  page.OnMerge();

  const std::string merged = (h.root / "ir" / "Zarara88_ms0.0_ir0.0.fw").string();
  EXPECT_TRUE(Logged("Slave MCU1 firmware:" + slavePath + "\r\nSave MCU1 firmware Merged,Ver0.0\r\n"
                     "IR MCU2 firmware:" + irPath + "\r\nSave MCU2 firmware Merged,Ver0.0\r\n"
                     "Firmware merged complete,save to file:" + merged + "\r\n"));
  EXPECT_EQ(page.MergeView().sources[1].version1, "0");
  EXPECT_EQ(page.MergeView().sources[2].version2, "0");
  EXPECT_TRUE(page.MergeView().sources[0].version1.empty());
  EXPECT_EQ(page.MergeView().sources[3].caption, "Open Panel MCU3 FW");
  EXPECT_TRUE(page.MergeView().visible);

  page.OnOpenFile(merged);
  ASSERT_TRUE(page.LoadedFile().has_value());
  EXPECT_EQ(page.PartEnd(2), 702u);
  page.OnUpgrade();
  RunWrite();
  EXPECT_TRUE(Logged("Firmware upgrade Successfully\r\n"));
  EXPECT_EQ(Written(2, slave.size()), slave);
  EXPECT_EQ(Written(3, ir.size()), ir);
}

}  // namespace
}  // namespace velantor::testing
