// Decoding an EDID for the operator: identity, dates, timing, names, checksums, damaged input.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "pages/edid/edid_decode.h"
#include "support/bytes.h"

namespace velantor {
namespace {

using Bytes = std::vector<uint8_t>;
using testing::Hex;

void Put(Bytes& e, size_t at, const std::string& hex) {
  const Bytes bytes = Hex(hex);
  std::copy(bytes.begin(), bytes.end(), e.begin() + static_cast<long>(at));
}

void Seal(Bytes& e, size_t base) {
  uint8_t sum = 0;
  for (size_t i = base; i < base + 127; ++i) sum = static_cast<uint8_t>(sum + e[i]);
  e[base + 127] = static_cast<uint8_t>(0 - sum);
}

// Our own test display: "TST", product 0x1234, serial 16909060, week 12 of 2023, EDID 1.3,
// 1920x1080 at 60 Hz, named "Test Panel", with serial text "SN-0042" and one extension.
Bytes TestDisplay() {
  Bytes e(256, 0);
  Put(e, 0, "00 FF FF FF FF FF FF 00  52 74  34 12  04 03 02 01  0C 21  01 03");
  Put(e, 54, "02 3A 80 18 71 38 2D 40 58 2C 45 00 00 00 00 00 00 1E");  // 148.5 MHz, 2200 x 1125
  Put(e, 72, "00 00 00 FC 00 54 65 73 74 20 50 61 6E 65 6C 0A 20 20");  // "Test Panel"
  Put(e, 90, "00 00 00 FF 00 53 4E 2D 30 30 34 32 0A 20 20 20 20 20");  // "SN-0042"
  Put(e, 108, "00 00 00 10 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
  e[126] = 1;
  Seal(e, 0);
  Put(e, 128, "02 03 04 00");
  Seal(e, 128);
  return e;
}

TEST(EdidDecode, ReadsWhatOurTestDisplaySaysOfItself) {
  EdidInfo info = DecodeEdid(TestDisplay());
  EXPECT_EQ(info.manufacturer, "TST");
  EXPECT_EQ(info.productCode, 0x1234);
  EXPECT_EQ(info.preferredTiming->refreshMilliHz, 60000u);
  const std::vector<std::string> expected = {
      "Manufacturer: TST",
      "Product code: 0x1234",
      "Serial number: 16909060",
      "Serial text: SN-0042",
      "Made: week 12 of 2023",
      "EDID version: 1.3",
      "Preferred timing: 1920x1080p 60 Hz (pixel clock 148.50 MHz)",
      "Monitor name: Test Panel",
      "Extension blocks: 1",
      "Base block checksum: good",
      "Extension block 1 checksum: good",
  };
  EXPECT_EQ(DescribeEdid(info), expected);
}

TEST(EdidDecode, InterlacedAndFractionalRatesReadAsAnOperatorExpects) {
  Bytes e = TestDisplay();
  Put(e, 54, "01 1D 80 18 71 1C 16 20 58 2C 25 00 00 00 00 00 00 9E");  // 74.25 MHz, 540 lines per field
  EdidTiming interlaced = *DecodeEdid(e).preferredTiming;
  EXPECT_EQ(ResolutionText(interlaced), "1920x1080i");
  EXPECT_EQ(RefreshText(interlaced), "60.05 Hz");

  Put(e, 54, "F3 39 80 18 71 38 2D 40 58 2C 45 00 00 00 00 00 00 1E");  // 148.35 MHz
  EXPECT_EQ(RefreshText(*DecodeEdid(e).preferredTiming), "59.94 Hz");
}

TEST(EdidDecode, ReportsDamageInsteadOfHidingIt) {
  Bytes e = TestDisplay();
  Put(e, 8, "00 7F");   // letter codes 0, 3, 31: only 'C' is a letter
  Put(e, 16, "FF 22");  // model year 2024
  Put(e, 54, "00 00");  // no preferred timing
  Put(e, 77, "07 41 42 43 44 45 46 47 48 49 4A 4B 4C");  // a bell, then a name without a line feed
  Seal(e, 0);
  e[0] = 0x01;     // header broken, base sum off by one
  e[200] ^= 0x10;  // extension sum off by 0x10
  EdidInfo info = DecodeEdid(e);
  EXPECT_FALSE(info.headerOk);
  EXPECT_EQ(info.manufacturer, "?C?");
  EXPECT_FALSE(info.preferredTiming);
  EXPECT_EQ(info.monitorName, "?ABCDEFGHIJKL");
  const std::vector<std::string> lines = DescribeEdid(info);
  EXPECT_EQ(lines.front(), "Header: missing (not an EDID?)");
  EXPECT_EQ(lines.end()[-2], "Base block checksum: wrong (bytes add up to 0x01)");
  EXPECT_EQ(lines.back(), "Extension block 1 checksum: wrong (bytes add up to 0x10)");
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Made: model year 2024"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Preferred timing: none"), lines.end());
}

TEST(EdidDecode, FewerThan128BytesDecodeAsIncomplete) {
  const Bytes shortBytes(127, 0xFF);
  EdidInfo info = DecodeEdid(shortBytes);
  EXPECT_FALSE(info.complete);
  EXPECT_TRUE(info.blocks.empty());
  EXPECT_EQ(DescribeEdid(info), std::vector<std::string>{"Incomplete EDID: fewer than 128 bytes"});
}

}  // namespace
}  // namespace velantor
