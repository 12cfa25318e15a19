#include "link/command_frame.h"

#include <cstring>

namespace velantor {

uint8_t FrameChecksum(const uint8_t* first12) {
  uint8_t sum = 0;
  for (size_t i = 0; i < kFrameSize - 1; ++i) sum = static_cast<uint8_t>(sum + first12[i]);
  return static_cast<uint8_t>(0 - sum);
}

bool CommandFrame::ChecksumOk() const { return FrameChecksum(bytes.data()) == bytes[12]; }

CommandFrame CommandFrame::FromBytes(const uint8_t* data) {
  CommandFrame frame;
  std::memcpy(frame.bytes.data(), data, kFrameSize);
  return frame;
}

void SealFrame(CommandFrame& frame) {
  frame[0] = kStartByte1;
  frame[1] = kStartByte2;
  frame[12] = FrameChecksum(frame.data());
}

CommandFrame BuildFrame(std::initializer_list<ByteAt> bytes) {
  CommandFrame frame;
  for (const ByteAt& b : bytes) {
    if (b.position >= 2 && b.position <= 11) frame[b.position] = static_cast<uint8_t>(b.value);
  }
  SealFrame(frame);
  return frame;
}

namespace forms {

CommandFrame ThreeByte(int op, int sub, int b4) { return BuildFrame({{2, op}, {3, sub}, {4, b4}}); }

CommandFrame FourByteGap(int op, int sub, int b4, int b6) {
  return BuildFrame({{2, op}, {3, sub}, {4, b4}, {6, b6}});
}

CommandFrame FourByte(int op, int sub, int b4, int b5) {
  return BuildFrame({{2, op}, {3, sub}, {4, b4}, {5, b5}});
}

CommandFrame EdidFive(int op, int sub, int b4, int p4ToByte6, int p5ToByte5) {
  return BuildFrame({{2, op}, {3, sub}, {4, b4}, {6, p4ToByte6}, {5, p5ToByte5}});
}

CommandFrame EdidFlagged(int op, int sub, int b4, int p4ToByte6, int p5ToByte5) {
  return BuildFrame({{2, op}, {3, sub}, {4, b4}, {6, p4ToByte6}, {5, p5ToByte5}, {7, 0x01}});
}

CommandFrame FirmwareBlock(int op, int sub, int b4, int b7, int b8, int b10, int blockIndex) {
  const bool wrap = blockIndex == 240;
  return BuildFrame({{2, op}, {3, sub}, {4, b4}, {7, b7}, {8, b8},
                     {9, wrap ? 0xB0 : 0x40}, {10, wrap ? 0x01 : b10}});
}

CommandFrame FirmwareMarked(int op, int sub, int b4, int b7, int b8, int b10) {
  return BuildFrame({{2, op}, {3, sub}, {4, b4}, {6, 0xFE}, {7, b7}, {8, b8}, {9, 0x40}, {10, b10}});
}

}  // namespace forms
}  // namespace velantor
