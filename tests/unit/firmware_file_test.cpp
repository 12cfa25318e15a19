// Firmware files: section layout, the length-dependent scrambling, parts found on load, and every refusal.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "pages/firmware/firmware_file.h"
#include "support/bytes.h"
#include "support/temp_dir.h"

namespace velantor {
namespace {

using Bytes = std::vector<uint8_t>;
using testing::Hex;
using testing::HexText;

Bytes Scrambled(Bytes plain) {
  ScrambleFirmware(plain);
  return plain;
}

Bytes Assembled(std::vector<FirmwareSection> sections) {
  FirmwareAssembly a = AssembleFirmware(sections);
  EXPECT_TRUE(a.ok()) << a.error;
  return a.plain;
}

FirmwareLoadResult Parse(const Bytes& plain) { return ParseFirmware(Scrambled(plain)); }

TEST(FirmwareFile, AMainImageAloneIsItsMarkerAndBytesScrambledWithTheMaskOfLengthFive) {
  const Bytes plain = Assembled({{1, {0x01, 0x02, 0x03}}});
  EXPECT_EQ(HexText(plain), "A5 5A 01 02 03");
  // The mask of length 5 is 0x05 XOR 0xC3 = 0xC6; files written by the merge depend on it.
  EXPECT_EQ(HexText(Scrambled(plain)), "63 9C C7 C4 C5");
  EXPECT_EQ(FirmwareMask(256), FirmwareMask(512));
  EXPECT_EQ(Scrambled(Scrambled(Hex("01 02 03"))), Hex("01 02 03"));
}

TEST(FirmwareFile, SectionsFollowEachOtherInPartOrderWithoutGaps) {
  EXPECT_EQ(HexText(Assembled({{2, {0x10}}})), "A4 5B 10");
  EXPECT_EQ(HexText(Assembled({{1, {0x11, 0x12}}, {3, {0x13}}, {4, {0x14}}})), "A5 5A 11 12 A3 5C 13 A2 5D 14");
}

TEST(FirmwareFile, SlaveIrAndPanelImagesComeBackAsTheirOwnParts) {
  const Bytes slave = Hex("01 A4 5B A3 5B 02"), ir = Hex("A3 5C 03 A5 5A"), panel = Hex("A2 5D 04");
  FirmwareLoadResult r = Parse(Assembled({{2, slave}, {3, ir}, {4, panel}}));
  ASSERT_TRUE(r.file) << r.reason;
  // Only a later part's marker ends a part: the slave's own and the non-markers stay inside it.
  // The IR image's leading A3 5C is its own marker, so it stays data too.
  const FirmwareFile& f = *r.file;
  ASSERT_EQ(f.parts.size(), 3u);
  const Bytes* images[] = {&slave, &ir, &panel};
  for (size_t i = 0; i < 3; ++i) {
    const FirmwarePart& p = f.parts[i];
    EXPECT_EQ(p.part, static_cast<int>(i) + 2);
    EXPECT_EQ(Bytes(f.image.begin() + p.dataBegin, f.image.begin() + p.dataEnd), *images[i]) << "part " << p.part;
  }
}

TEST(FirmwareFile, AFileThatBeginsWithTheMainImageIsOnePartToItsEnd) {
  const Bytes plain = Assembled({{1, {0x01, 0xA4, 0x5B, 0x02}}, {2, {0x03}}});
  FirmwareLoadResult r = Parse(plain);
  ASSERT_TRUE(r.file) << r.reason;
  ASSERT_EQ(r.file->parts.size(), 1u);
  EXPECT_EQ(r.file->parts[0].dataBegin, 2u);
  EXPECT_EQ(r.file->parts[0].dataEnd, plain.size());
  EXPECT_EQ(r.file->image, plain);
}

TEST(FirmwareFile, MalformedFilesAreRefusedWithTheirReason) {
  struct Case {
    Bytes plain;
    FirmwareFileError error;
    const char* reason;
  };
  const Case cases[] = {
      {{}, FirmwareFileError::kTruncated, "The file is 0 bytes long; a firmware file holds at least a two-byte marker and one byte of image."},
      {Hex("A5 5A"), FirmwareFileError::kTruncated, "The file is 2 bytes long; a firmware file holds at least a two-byte marker and one byte of image."},
      {Hex("A5 5B 01"), FirmwareFileError::kMarker, "The file does not start with a firmware section marker (it starts A5 5B once unscrambled): it is damaged or was not written for this program."},
      {Hex("A4 5B A3 5C 01"), FirmwareFileError::kEmptySection, "The slave MCU1 section at offset 0 holds no image: its marker is followed directly by the next section's marker."},
      {Hex("A4 5B 01 A2 5D"), FirmwareFileError::kEmptySection, "The panel MCU3 section at offset 3 holds no image: its marker is followed directly by the end of the file."},
  };
  for (const Case& c : cases) {
    FirmwareLoadResult r = Parse(c.plain);
    EXPECT_FALSE(r.file) << HexText(c.plain);
    EXPECT_EQ(r.error, c.error) << HexText(c.plain);
    EXPECT_EQ(r.reason, c.reason);
  }
  Bytes huge = Assembled({{2, Bytes(100, 1)}});
  huge.resize(200001, 0);
  FirmwareLoadResult r = ParseFirmware(huge);
  EXPECT_EQ(r.error, FirmwareFileError::kTooLarge);
  EXPECT_EQ(r.reason, "The file is 200001 bytes long; a firmware file holds at most 200000 bytes.");
}

TEST(FirmwareFile, AssemblyRefusesWrongOrderRepeatsEmptyAndOversizeImages) {
  auto error = [](std::vector<FirmwareSection> s) { return AssembleFirmware(s).error; };
  EXPECT_EQ(error({{3, {1}}, {2, {1}}}), "The slave MCU1 image comes after the IR MCU2 image; a firmware file holds them in the order main, slave, IR, panel, each once.");
  EXPECT_NE(error({{2, {1}}, {2, {1}}}), "");
  EXPECT_EQ(error({{5, {1}}}), "There is no firmware part 5; parts are numbered 1 to 4.");
  EXPECT_EQ(error({{4, {}}}), "The panel MCU3 image is empty.");
  EXPECT_EQ(error({{1, Bytes(50001)}}), "The main MCU image is 50001 bytes long; an image may hold at most 50000 bytes.");
  EXPECT_EQ(error({{1, Bytes(50000)}, {2, Bytes(50000)}, {3, Bytes(50000)}, {4, Bytes(50000)}}),
            "The firmware file would be 200008 bytes long; it may hold at most 200000 bytes.");
  EXPECT_EQ(AssembleFirmware(std::vector<FirmwareSection>{{1, Bytes(50000)}}).plain.size(), 50002u);
}

class FirmwareFileOnDisk : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(scratch_.ok()); }
  std::string Write(const std::string& name, const Bytes& bytes) { return scratch_.Write(name, bytes); }
  testing::ScratchDir scratch_{"firmware_file_test"};
  const std::string& dir_ = scratch_.path();
};

TEST_F(FirmwareFileOnDisk, OnlyNamesEndingInLowerFwOrUpperBinAreLoaded) {
  const Bytes file = Scrambled(Assembled({{2, {7, 8, 9}}}));
  for (const char* name : {"a.fw", "a.BIN"}) {
    FirmwareLoadResult r = LoadFirmwareFile(Write(name, file));
    ASSERT_TRUE(r.file) << name << ": " << r.reason;
    EXPECT_EQ(HexText(r.file->image), "A4 5B 07 08 09");
    EXPECT_EQ(r.file->path, dir_ + name);
  }
  for (const char* name : {"a.bin", "a.FW", "afw"}) {
    EXPECT_EQ(LoadFirmwareFile(Write(name, file)).error, FirmwareFileError::kExtension) << name;
  }
}

TEST_F(FirmwareFileOnDisk, MissingDirectoriesAndOversizeFilesAreRefused) {
  EXPECT_EQ(LoadFirmwareFile(dir_ + "none.fw").error, FirmwareFileError::kOpen);
  std::filesystem::create_directory(dir_ + "d.fw");
  EXPECT_EQ(LoadFirmwareFile(dir_ + "d.fw").error, FirmwareFileError::kOpen);
  FirmwareLoadResult big = LoadFirmwareFile(Write("big.fw", Bytes(200001)));
  EXPECT_EQ(big.error, FirmwareFileError::kTooLarge);
  EXPECT_EQ(big.reason, dir_ + "big.fw is 200001 bytes long; at most 200000 bytes are accepted.");
}

}  // namespace
}  // namespace velantor
