// The EDID page's fixed lists, its status code texts at their edges, and the hex content grid.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pages/edid/edid_tables.h"

namespace velantor {
namespace {

using Texts = std::vector<std::string>;

TEST(EdidTables, ModeListKeepsItsOrderValuesAndTrailingSpace) {
  ASSERT_EQ(EdidModes().size(), 3u);
  EXPECT_STREQ(EdidModes()[0].text, "1080i,Stereo Audio 2.0");
  EXPECT_STREQ(EdidModes()[1].text, "1080p,Stereo Audio 2.0");
  EXPECT_STREQ(EdidModes()[2].text, "DVI 1920X1080 ");
  EXPECT_EQ(EdidModeValue(0), 1);
  EXPECT_EQ(EdidModeValue(2), 3);
  EXPECT_EQ(EdidModeValue(3), std::nullopt);
  EXPECT_EQ(EdidModeValue(-1), std::nullopt);
}

TEST(EdidTables, PortListsPutAllInputsRightAfterTheLastInput) {
  EXPECT_EQ(EdidInputItems(4), (Texts{"IN1", "IN2", "IN3", "IN4", "All Inputs"}));
  EXPECT_EQ(EdidInputItems(8).size(), 9u);
  EXPECT_EQ(EdidInputItems(99).size(), 9u) << "the lists hold at most eight inputs";
  EXPECT_EQ(EdidOutputItems(4), (Texts{"HDMI OUT A", "HDMI OUT B", "HDMI OUT C", "HDMI OUT D"}));
  EXPECT_EQ(EdidOutputLetter(6), 'G');
  EXPECT_EQ(EdidOutputLetter(7), 'H');
  EXPECT_EQ(EdidOutputLetter(8), '?');
  EXPECT_EQ(EdidReadSourceItems(), (Texts{"Out1", "Out2", "Out3", "Out4", "Out5", "Out6", "Out7", "Out8",
                                          "User1 Memory", "User2 Memory"}));
}

TEST(EdidTables, StatusCodesZeroToEighteenHaveTextsAndEveryOtherByteIsUserDefine) {
  const Texts expected = {
      "1080i,Stereo Audio 2.0", "1080i,Dolby/DTS 5.1", "1080i,HD Audio 7.1", "1080p,Stereo Audio 2.0",
      "1080p,Dolby/DTS 5.1",    "1080p,HD Audio 7.1",  "3D,Stereo Audio 2.0", "3D,Dolby/DTS 5.1",
      "3D,HD Audio 7.1",        "4K2K,Stereo Audio 2.0", "4K2K,Dolby/DTS 5.1", "4K2K,HD Audio 7.1",
      "DVI 1024X768",           "DVI 1920X1080",       "DVI 1920X1200",       "Copy HDMI OUT A",
      "Copy HDMI OUT B",        "Copy HDMI OUT C",     "Copy HDMI OUT D",
  };
  for (int code = 0; code < 19; ++code) EXPECT_EQ(EdidStatusText(static_cast<uint8_t>(code)), expected[code]);
  for (int code : {19, 0x40, 0x7F, 0x80, 0xFF}) {
    EXPECT_EQ(EdidStatusText(static_cast<uint8_t>(code)), "User define") << code;
  }
  EXPECT_EQ(EdidStatusLabel(1), "IN1:");
  EXPECT_EQ(EdidStatusLabel(8), "IN8:");
  EXPECT_EQ(EdidStatusLabel(0), "");
  EXPECT_EQ(EdidStatusLabel(9), "");
}

TEST(EdidTables, ContentGridShowsByteKAtRowKOver16AndColumnOnePlusKMod16) {
  const Texts headers = EdidContentColumnHeaders();
  ASSERT_EQ(headers.size(), 17u);
  EXPECT_EQ(headers[0], "Offset");
  EXPECT_EQ(headers[1], "0");
  EXPECT_EQ(headers[16], "F");
  EXPECT_EQ(EdidContentRowHeader(0), "00");
  EXPECT_EQ(EdidContentRowHeader(15), "F0");
  EXPECT_EQ(EdidContentRowHeader(16), "");

  for (int k : {0, 17, 255}) {
    EXPECT_EQ(EdidContentCellOf(k).row, k / 16);
    EXPECT_EQ(EdidContentCellOf(k).column, 1 + k % 16);
  }
  std::array<uint8_t, 256> bytes{};
  for (int k = 0; k < 256; ++k) bytes[k] = static_cast<uint8_t>(255 - k);
  const EdidContentCells cells = FormatEdidContent(bytes);
  EXPECT_EQ(cells[0][0], "FF");
  EXPECT_EQ(cells[0][15], "F0");
  EXPECT_EQ(cells[15][5], "0A");
  EXPECT_EQ(cells[15][15], "00");
}

}  // namespace
}  // namespace velantor
