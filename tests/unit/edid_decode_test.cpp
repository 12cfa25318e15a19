// Decoding an EDID for the operator: identity, dates, timing, limits, names, the CTA-861
// extension (video codes, audio, physical address), checksums, damaged input.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "pages/edid/edid_decode.h"
#include "support/bytes.h"
#include "support/edid_samples.h"

namespace velantor {
namespace {

using Bytes = std::vector<uint8_t>;
using testing::CtaBlockBuilder;
using testing::EdidWithExtension;
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

TEST(EdidDecode, AnOddVersionOrNoPreferredTimingIsWarnedOfButStillDecoded) {
  Bytes e = TestDisplay();
  e[19] = 0;                               // EDID 1.0
  std::fill(e.begin() + 54, e.begin() + 56, 0);  // the first descriptor is no timing
  Seal(e, 0);
  const std::vector<std::string> lines = DescribeEdid(DecodeEdid(e));
  auto has = [&](const std::string& line) { return std::find(lines.begin(), lines.end(), line) != lines.end(); };
  EXPECT_TRUE(has("EDID version: 1.0"));
  EXPECT_TRUE(has("Warning: unusual EDID version (1.3 or 1.4 expected)"));
  EXPECT_TRUE(has("Preferred timing: none"));
  EXPECT_TRUE(has("Warning: no preferred timing (a display may not know which mode to use)"));
  EXPECT_TRUE(has("Monitor name: Test Panel"));
}

TEST(EdidDecode, InterlacedAndFractionalRatesReadAsAnOperatorExpects) {
  Bytes e = TestDisplay();
  Put(e, 54, "01 1D 80 18 71 1C 16 20 58 2C 25 00 00 00 00 00 00 9E");  // 74.25 MHz, 540 lines per field
  EdidTiming interlaced = *DecodeEdid(e).preferredTiming;
  EXPECT_EQ(ResolutionText(interlaced), "1920x1080i");
  EXPECT_EQ(RefreshText(interlaced), "60 Hz");  // two fields of 562.5 lines, not 562

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

std::vector<std::string> LinesStartingWith(const std::vector<std::string>& lines, const std::string& prefix) {
  std::vector<std::string> found;
  for (const auto& line : lines) {
    if (line.rfind(prefix, 0) == 0) found.push_back(line);
  }
  return found;
}

TEST(EdidDecode, ACtaExtensionGivesVideoCodesAudioAndThePhysicalAddressBeforeTheChecksums) {
  const Bytes e = EdidWithExtension(CtaBlockBuilder()
                                        .Video({0x80 | 16, 5, 95, 200})  // 200: not in the table
                                        .Lpcm(2)
                                        .Block(1, {0x0D, 0x07, 0x07, 0x15, 0x07, 0x50})  // LPCM 6 ch, AC-3 6 ch
                                        .Block(4, {0x4F, 0, 0})                             // speakers: not decoded
                                        .Hdmi(0x21, 0x00)
                                        .Lpcm(8)
                                        .Build());
  const EdidInfo info = DecodeEdid(e);
  ASSERT_TRUE(info.cta);
  ASSERT_EQ(info.cta->videoCodes.size(), 4u);
  EXPECT_TRUE(info.cta->videoCodes[0].native);
  EXPECT_EQ(info.cta->videoCodes[0].vic, 16);
  EXPECT_EQ(info.cta->videoCodes[3].vic, 200);
  const std::vector<std::string> lines = DescribeEdid(info);
  const std::vector<std::string> cta(lines.end() - 5, lines.end() - 2);
  const std::vector<std::string> expected = {
      "Video codes: 16 1920x1080p 60 Hz (native), 5 1920x1080i 60 Hz, 95 3840x2160p 30 Hz, 200",
      "Audio: LPCM 2.0 (32/44.1/48 kHz), LPCM 5.1 (32/44.1/48 kHz), AC-3 5.1 (32/44.1/48 kHz), "
      "LPCM 7.1 (32/44.1/48 kHz)",
      "HDMI physical address: 2.1.0.0",
  };
  EXPECT_EQ(cta, expected);
  EXPECT_EQ(lines.back(), "Extension block 1 checksum: good");
}

TEST(EdidDecode, ADamagedCtaBlockIsReadUpToTheDamageAndSaysSo) {
  // The vendor block claims 31 bytes where 5 remain; the video block before it still counts, a
  // vendor block of another company gives no address, and the checksum is spoilt as well.
  Bytes ext = CtaBlockBuilder().Video({0x84}).Block(3, {0x00, 0x10, 0x18, 0x10, 0x00}).Build();
  ext[2] = 4 + 2 + 6 + 5;
  ext[4 + 2 + 6] = 0x7F;
  testing::SealEdidBlock(ext, 0);
  ext[127] = static_cast<uint8_t>(ext[127] + 1);
  Bytes e = EdidWithExtension(ext);
  const EdidInfo info = DecodeEdid(e);
  ASSERT_TRUE(info.cta);
  EXPECT_TRUE(info.cta->truncated);
  EXPECT_FALSE(info.cta->physicalAddress);
  const std::vector<std::string> lines = DescribeEdid(info);
  EXPECT_EQ(LinesStartingWith(lines, "Video codes"), std::vector<std::string>{"Video codes: 4 1280x720p 60 Hz (native)"});
  EXPECT_EQ(LinesStartingWith(lines, "Audio"), std::vector<std::string>{"Audio: none"});
  EXPECT_EQ(LinesStartingWith(lines, "CTA data blocks").size(), 1u);
  EXPECT_EQ(lines.back(), "Extension block 1 checksum: wrong (bytes add up to 0x01)");

  // A timing offset past the checksum byte never reads the checksum as data.
  e[128 + 2] = 0xFF;
  EXPECT_NO_FATAL_FAILURE(DescribeEdid(DecodeEdid(e)));
  // An extension of another kind is no CTA block.
  e[128] = 0x70;
  EXPECT_FALSE(DecodeEdid(e).cta);
}

TEST(EdidDecode, RangeLimitsAndAudioWordingFollowTheirFields) {
  Bytes e = TestDisplay();
  Put(e, 108, "00 00 00 FD 00 17 4C 0F 8C 1E 00 0A 20 20 20 20 20 20");
  Seal(e, 0);
  const std::vector<std::string> lines = DescribeEdid(DecodeEdid(e));
  EXPECT_EQ(LinesStartingWith(lines, "Range limits"),
            std::vector<std::string>{"Range limits: 23-76 Hz, 15-140 kHz, up to 300 MHz"});
  EXPECT_EQ(AudioFormatText({1, 1, 0}), "LPCM 1 channel");
  EXPECT_EQ(AudioFormatText({7, 3, 0}), "DTS 3 channels");
  EXPECT_EQ(AudioFormatText({15, 2, 0}), "format 15 2.0");
  EXPECT_TRUE(IsEdidChecksumByte(127));
  EXPECT_TRUE(IsEdidChecksumByte(255));
  EXPECT_FALSE(IsEdidChecksumByte(126));
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
