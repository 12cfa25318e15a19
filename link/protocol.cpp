#include "link/protocol.h"

namespace velantor::protocol {

const char* DeviceTypeName(int type) {
  switch (type) {
    case 1: return "HDMI MATRIX";
    case 2: return "HDBT MATRIX";
    case 3: return "HDMI+HDBT etc MATRIX";
    default: return "";
  }
}

CommandFrame DeviceQuery(uint8_t sub, int port) { return forms::ThreeByte(kOpDeviceInfo, sub, port); }
CommandFrame QueryRoute(int output) { return forms::ThreeByte(kOpRouting, kSubQueryRoute, output); }
CommandFrame SwitchAll(int input) { return forms::ThreeByte(kOpRouting, kSubSwitchAll, input); }
CommandFrame SwitchOne(int input, int output) {
  return forms::FourByteGap(kOpRouting, kSubSwitchOne, input, output);
}
CommandFrame SetOption(uint8_t op, bool on) { return forms::ThreeByte(op, kSubSet, on ? kOn : kOff); }
CommandFrame SetInputType(int type, int input) {
  return forms::FourByteGap(kOpInputType, kSubSetInputType, type, input);
}
CommandFrame ColumnCommand(uint8_t sub, int column) {
  return forms::FourByteGap(kOpInputType, sub, 0, column);
}
CommandFrame SetSwitching(uint8_t sub, int value, int output) {
  return forms::FourByteGap(kOpSwitching, sub, value, output);
}
CommandFrame SetDisplayMode(int mode) {
  return forms::FourByteGap(kOpDisplayMode, kSubSetDisplayMode, mode, mode);
}
CommandFrame Query(uint8_t op, uint8_t sub) { return forms::ThreeByte(op, sub, 0); }

bool IsStandbyReport(const CommandFrame& frame) {
  return frame[kByteOpcode] == kOpStandby && frame[kByteSub] == kSubStandby;
}
bool IsReplyTo(const CommandFrame& frame, uint8_t op, uint8_t sub) {
  return frame.HasStartPair() && frame[kByteOpcode] == op && frame[kByteSub] == sub;
}
bool PortConnected(const CommandFrame& frame) { return frame[kBytePort] != kReplyOff; }
bool OptionEnabled(const CommandFrame& frame) { return frame[kBytePort] != kReplyOff; }

}  // namespace velantor::protocol
