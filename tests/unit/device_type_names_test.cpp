// The device-type names the panel shows against the emulator's own table, for every type code.
#include <gtest/gtest.h>

#include <string>

#include "link/protocol.h"
#include "sim/device_state.h"

namespace velantor {
namespace {

TEST(DeviceTypeNames, ThePanelNamesEveryTypeCodeAsTheEmulatorDoes) {
  for (int code = 0; code <= 0xFF; ++code) {
    EXPECT_EQ(std::string(protocol::DeviceTypeName(code)), std::string(sim::DeviceTypeText(code))) << code;
  }
}

TEST(DeviceTypeNames, TheEmulatorNamesTheThreeKnownTypesAndNoOther) {
  EXPECT_STREQ(sim::DeviceTypeText(1), "HDMI MATRIX");
  EXPECT_STREQ(sim::DeviceTypeText(2), "HDBT MATRIX");
  EXPECT_STREQ(sim::DeviceTypeText(3), "HDMI+HDBT etc MATRIX");
  EXPECT_STREQ(sim::DeviceTypeText(0), "");
  EXPECT_STREQ(sim::DeviceTypeText(4), "");
  EXPECT_STREQ(sim::DeviceTypeText(-1), "");
}

}  // namespace
}  // namespace velantor
