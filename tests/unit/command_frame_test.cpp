// Command frames: checksum, the send forms' byte placement, truncation and the catalogue's bytes.
#include <gtest/gtest.h>

#include "link/command_frame.h"
#include "link/protocol.h"
#include "support/bytes.h"

namespace velantor {
namespace {
using testing::HexText;

TEST(CommandFrame, FirstQueryAfterConnectHasTheKnownBytesAndSumsToZero) {
  CommandFrame f = forms::ThreeByte(0x01, 0x0A, 0x00);
  EXPECT_EQ(HexText(f), "A5 5B 01 0A 00 00 00 00 00 00 00 00 F5");
  unsigned sum = 0;
  for (uint8_t b : f.bytes) sum += b;
  EXPECT_EQ(sum, 0x200u);
  EXPECT_TRUE(f.ChecksumOk());
}

TEST(CommandFrame, AllZeroParametersGiveAZeroChecksum) {
  EXPECT_EQ(forms::ThreeByte(0, 0, 0)[12], 0x00);
}

TEST(CommandFrame, ArgumentsAreTruncatedToTheirLowByte) {
  CommandFrame f = forms::FourByteGap(0x02, 0x03, 256 + 3, 0x102);
  EXPECT_EQ(HexText(f), "A5 5B 02 03 03 00 02 00 00 00 00 00 F6");
  EXPECT_EQ(forms::ThreeByte(0x101, 0x1FF, -1)[2], 0x01);
  EXPECT_EQ(forms::ThreeByte(0x101, 0x1FF, -1)[4], 0xFF);
}

TEST(CommandFrame, GeneralFormsPlaceTheirArguments) {
  EXPECT_EQ(HexText(forms::FourByte(0x03, 0x01, 0x04, 0xF0)), "A5 5B 03 01 04 F0 00 00 00 00 00 00 08");
  EXPECT_EQ(HexText(forms::FourByteGap(0x0A, 0x01, 2, 3)), "A5 5B 0A 01 02 00 03 00 00 00 00 00 F0");
}

TEST(CommandFrame, EdidFormsSwapBytesFiveAndSix) {
  CommandFrame f = forms::EdidFive(0x03, 0x02, 0x07, 1, 2);
  EXPECT_EQ(f[5], 0x02);
  EXPECT_EQ(f[6], 0x01);
  EXPECT_EQ(f[7], 0x00);
  CommandFrame flagged = forms::EdidFlagged(0x03, 0x07, 0x56, 0, 0);
  EXPECT_EQ(HexText(flagged), "A5 5B 03 07 56 00 00 01 00 00 00 00 9F");
  EXPECT_TRUE(flagged.ChecksumOk());
}

TEST(CommandFrame, FirmwareBlockIndex240WrapsToB001WhateverTheSixthArgument) {
  CommandFrame normal = forms::FirmwareBlock(0x20, 0x01, 0xAA, 1, 1, 0x37, 0x37);
  EXPECT_EQ(HexText(normal), "A5 5B 20 01 AA 00 00 01 01 40 37 00 " + HexText(&normal[12], 1));
  EXPECT_EQ(normal[9], 0x40);
  EXPECT_EQ(normal[10], 0x37);
  CommandFrame wrapped = forms::FirmwareBlock(0x20, 0x01, 0xAA, 1, 1, 0xF0, 240);
  EXPECT_EQ(wrapped[9], 0xB0);
  EXPECT_EQ(wrapped[10], 0x01);
  EXPECT_TRUE(wrapped.ChecksumOk());
  CommandFrame marked = forms::FirmwareMarked(0x20, 0x02, 0x56, 0, 1, 240);
  EXPECT_EQ(HexText(marked).substr(0, 33), "A5 5B 20 02 56 00 FE 00 01 40 F0 ");
}

TEST(CommandFrame, ChecksumRuleRejectsAnyChangedByte) {
  CommandFrame f = forms::ThreeByte(0x01, 0x04, 2);
  f[4] = 3;
  EXPECT_FALSE(f.ChecksumOk());
  EXPECT_TRUE(testing::FrameOf("A5 5B 02 7F 7F 00 00 00 00 00 00 00 00").ChecksumOk());
}

TEST(Catalogue, BuildersGiveTheDocumentedBytes) {
  using namespace protocol;
  EXPECT_EQ(HexText(SwitchOne(3, 2)), "A5 5B 02 03 03 00 02 00 00 00 00 00 F6");
  EXPECT_EQ(HexText(SwitchAll(0)).substr(0, 14), "A5 5B 02 02 00");
  EXPECT_EQ(SetOption(kOpBeep, true)[4], 0x0F);
  EXPECT_EQ(SetOption(kOpIrControl, false)[4], 0xF0);
  CommandFrame mode = SetDisplayMode(2);
  EXPECT_EQ(HexText(mode).substr(0, 20), "A5 5B 13 01 02 00 02");
  EXPECT_EQ(HexText(SetInputType(3, 4)).substr(0, 20), "A5 5B 0A 01 03 00 04");
  EXPECT_EQ(HexText(SetSwitching(kSubTime, 4, 1)).substr(0, 20), "A5 5B 0B 02 04 00 01");
  EXPECT_EQ(HexText(DeviceQuery(kSubOutputStatus, 3)).substr(0, 14), "A5 5B 01 05 03");
  EXPECT_STREQ(DeviceTypeName(3), "HDMI+HDBT etc MATRIX");
  EXPECT_TRUE(IsStandbyReport(testing::FrameOf("A5 5B 88 88 00 00 00 00 00 00 00 00 00")));
  EXPECT_FALSE(PortConnected(testing::FrameOf("A5 5B 01 04 02 00 FF")));
  EXPECT_TRUE(PortConnected(testing::FrameOf("A5 5B 01 04 02 00 01")));
}

}  // namespace
}  // namespace velantor
