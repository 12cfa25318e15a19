#include "sim/device_state.h"

#include <algorithm>
#include <array>

#include "sim/edid_data.h"

namespace velantor::sim {

DeviceState MakeDeviceState(int inputs, int outputs, uint8_t type) {
  DeviceState s;
  s.identity.type = type;
  s.identity.inputs = std::clamp(inputs, 1, kMaxPorts);
  s.identity.outputs = std::clamp(outputs, 1, kMaxPorts);
  for (int n = 1; n <= kMaxPorts; ++n) {
    InputState& in = s.Input(n);
    in.edidMode = 1;
    in.edidCode = *BuiltInModeCode(1);
    in.edid = BuiltInModeEdid(1);
    OutputState& out = s.Output(n);
    out.route = static_cast<uint8_t>(n <= s.identity.inputs ? n : 1);
    out.displayEdid = MakeEdid("VELANTOR OUT" + std::string(1, static_cast<char>('A' + n - 1)),
                               static_cast<uint8_t>(0x10 + n));
  }
  s.userMemory[0] = MakeEdid("VELANTOR USR1", 0x21);
  s.userMemory[1] = MakeEdid("VELANTOR USR2", 0x22);
  return s;
}

const char* DeviceTypeText(int type) {
  static constexpr std::array<const char*, 3> kNames = {"HDMI MATRIX", "HDBT MATRIX", "HDMI+HDBT etc MATRIX"};
  return type >= 1 && type <= static_cast<int>(kNames.size()) ? kNames[static_cast<size_t>(type - 1)] : "";
}

std::string DescribeIdentity(const DeviceIdentity& identity) {
  return std::string(DeviceTypeText(identity.type)) + " " +
         std::to_string(identity.inputs) + "X" + std::to_string(identity.outputs);
}

}  // namespace velantor::sim
