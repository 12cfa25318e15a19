// The doubt about a main part that may hide other MCU images: merged files are always found,
// files whose marker bytes cannot be a merge's sections are not.
#include <gtest/gtest.h>

#include <vector>

#include "pages/firmware/firmware_file.h"

namespace velantor {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Plain(std::initializer_list<std::pair<Bytes, Bytes>> sections) {
  Bytes out;
  for (const auto& [marker, image] : sections) {
    out.insert(out.end(), marker.begin(), marker.end());
    out.insert(out.end(), image.begin(), image.end());
  }
  return out;
}

const Bytes kMain{0xA5, 0x5A};
const Bytes kSlave{0xA4, 0x5B};
const Bytes kIr{0xA3, 0x5C};
const Bytes kPanel{0xA2, 0x5D};

TEST(FirmwareImagesAfterMain, AMergeOfMainAndOtherImagesIsFoundWhereTheSecondImageBegins) {
  EXPECT_EQ(FindImagesAfterMain(Plain({{kMain, Bytes(100, 1)}, {kSlave, Bytes(50, 2)}})), 102u);
  EXPECT_EQ(FindImagesAfterMain(Plain({{kMain, Bytes(10, 1)}, {kIr, Bytes(5, 2)}, {kPanel, Bytes(7, 3)}})), 12u);
  EXPECT_EQ(FindImagesAfterMain(
                Plain({{kMain, Bytes(9, 1)}, {kSlave, Bytes(9, 2)}, {kIr, Bytes(9, 3)}, {kPanel, Bytes(9, 4)}})),
            11u);
}

TEST(FirmwareImagesAfterMain, AMainImageWhoseMarkerBytesCannotStartAMergesSectionsIsNotDoubted) {
  EXPECT_EQ(FindImagesAfterMain(Plain({{kMain, Bytes(300, 1)}})), kNoMarker);
  // A second main marker, empty sections, and a marker in the file's last byte.
  EXPECT_EQ(FindImagesAfterMain(Plain({{kMain, Bytes(10, 1)}, {kMain, Bytes(5, 2)}})), kNoMarker);
  EXPECT_EQ(FindImagesAfterMain(Plain({{kMain, Bytes(10, 1)}, {kSlave, {}}, {kIr, {}}})), kNoMarker);
  Bytes tail = Plain({{kMain, Bytes(10, 1)}});
  tail.push_back(0xA4);
  EXPECT_EQ(FindImagesAfterMain(tail), kNoMarker);
  // What follows would be longer than any image the merge takes.
  EXPECT_EQ(FindImagesAfterMain(Plain({{kMain, Bytes(10, 1)}, {kPanel, Bytes(kMcuImageLimit + 1, 2)}})), kNoMarker);
  // A file that does not start with the main part is not in doubt.
  EXPECT_EQ(FindImagesAfterMain(Plain({{kSlave, Bytes(10, 1)}, {kIr, Bytes(10, 2)}})), kNoMarker);
}

TEST(FirmwareImagesAfterMain, AFileFullOfMarkerBytesIsJudgedQuickly) {
  Bytes plain = kMain;
  for (int i = 0; i < 99000; ++i) plain.insert(plain.end(), {0xA4, 0x5B});
  EXPECT_EQ(FindImagesAfterMain(plain), kNoMarker);  // a slave section would run on past any image size
}

}  // namespace
}  // namespace velantor
