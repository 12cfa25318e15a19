// The 13-byte command frame that carries every command and every reply, and the per-page send
// forms that place a caller's arguments into its bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace velantor {

constexpr size_t kFrameSize = 13;
constexpr uint8_t kStartByte1 = 0xA5;
constexpr uint8_t kStartByte2 = 0x5B;  // '['

struct CommandFrame {
  std::array<uint8_t, kFrameSize> bytes{};

  uint8_t& operator[](size_t i) { return bytes[i]; }
  uint8_t operator[](size_t i) const { return bytes[i]; }
  const uint8_t* data() const { return bytes.data(); }
  static constexpr size_t size() { return kFrameSize; }

  uint8_t Opcode() const { return bytes[2]; }
  uint8_t Sub() const { return bytes[3]; }
  bool HasStartPair() const { return bytes[0] == kStartByte1 && bytes[1] == kStartByte2; }
  // The checksum rule: all 13 bytes add up to 0 modulo 256.
  bool ChecksumOk() const;

  static CommandFrame FromBytes(const uint8_t* data);
  bool operator==(const CommandFrame&) const = default;
};

// The two's complement of the 8-bit sum of bytes 0 to 11.
uint8_t FrameChecksum(const uint8_t* first12);

// Sets the start pair and the checksum around whatever bytes 2 to 11 hold.
void SealFrame(CommandFrame& frame);

// Builds a frame from explicit byte positions: {position, value} pairs for bytes 2 to 11.
// Arguments are truncated to their low 8 bits, as every send form does.
struct ByteAt {
  int position;
  int value;
};
CommandFrame BuildFrame(std::initializer_list<ByteAt> bytes);

// The send forms. Each page builds its frames with these; p1 is always the opcode (byte 2) and
// p2 the sub-command (byte 3).
namespace forms {
// General: three-byte form (bytes 2, 3, 4).
CommandFrame ThreeByte(int op, int sub, int b4);
// General and Matrix: four-byte form with a gap (bytes 2, 3, 4, 6; byte 5 = 0).
CommandFrame FourByteGap(int op, int sub, int b4, int b6);
// General: four-byte form (bytes 2, 3, 4, 5).
CommandFrame FourByte(int op, int sub, int b4, int b5);
// EDID: five-byte form. The fourth argument goes to byte 6, the fifth to byte 5.
CommandFrame EdidFive(int op, int sub, int b4, int p4ToByte6, int p5ToByte5);
// EDID: flagged five-byte form, as EdidFive with byte 7 = 0x01 (header of a raw EDID block).
CommandFrame EdidFlagged(int op, int sub, int b4, int p4ToByte6, int p5ToByte5);
// FW Upgrade: block form (bytes 2, 3, 4, 7, 8, 10; byte 9 = 0x40). While the upgrade's block
// index is 240 the frame carries 0xB0 0x01 in bytes 9 and 10 instead.
CommandFrame FirmwareBlock(int op, int sub, int b4, int b7, int b8, int b10, int blockIndex);
// FW Upgrade: marked block form (byte 6 = 0xFE, byte 9 = 0x40 always).
CommandFrame FirmwareMarked(int op, int sub, int b4, int b7, int b8, int b10);
}  // namespace forms

}  // namespace velantor
