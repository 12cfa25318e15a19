// Everything the emulated switcher remembers: identity, ports and routes, EDIDs, per-port
// settings and the device options. Plain data; the command handlers read and change it.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace velantor::sim {

constexpr int kMaxPorts = 8;
constexpr size_t kEdidSize = 256;
using EdidBytes = std::array<uint8_t, kEdidSize>;

struct DeviceIdentity {
  uint8_t type = 1;  // 1 HDMI, 2 HDBT, 3 HDMI+HDBT
  int inputs = 4;
  int outputs = 4;
  uint8_t versionMajor = 1;
  uint8_t versionMinor = 5;
};

struct InputState {
  bool connected = true;
  uint8_t signalType = 1;  // 1 HDMI, 2 VGA, 3 AV
  uint8_t edidMode = 1;    // last built-in mode set, 0 after a copy or download
  uint8_t edidCode = 0;    // the status code the input reports
  EdidBytes edid{};
  bool scaler = false;
  int autoAdjustments = 0;  // AUTO commands taken
};

struct OutputState {
  bool connected = true;  // a display is attached
  uint8_t route = 1;      // input shown
  uint8_t effect = 1;     // 1 to 16
  uint8_t time = 1;       // 1 to 8
  EdidBytes displayEdid{};
};

struct DeviceOptions {
  bool beep = true;
  bool ir = true;
  bool border = true;
  uint8_t displayMode = 1;  // 1 matrix, 2 multi-viewer, 3 video wall
  uint8_t layout = 1;       // multi-viewer layout 1 to 4
  std::array<uint8_t, 4> mainSource{1, 1, 1, 1};  // per layout
  uint8_t wallColumns = 1;  // 1 to 32
  uint8_t wallRows = 1;
  uint8_t inputChannel = 1;  // input (audio source) channel
};

struct NetworkIdentity {
  std::array<uint8_t, 6> mac{0x02, 0x56, 0x4C, 0x54, 0x00, 0x01};
  std::array<uint8_t, 4> ip{192, 168, 1, 239};
  std::array<uint8_t, 4> gateway{192, 168, 1, 1};
  std::array<uint8_t, 4> mask{255, 255, 255, 0};
  bool autoIp = false;
  uint8_t configFlags = 0;  // byte 25 of the last configuration taken
};

struct DeviceState {
  DeviceIdentity identity;
  std::array<InputState, kMaxPorts> inputs{};
  std::array<OutputState, kMaxPorts> outputs{};
  DeviceOptions options;
  std::array<EdidBytes, 2> userMemory{};  // "User1" and "User2" memories
  NetworkIdentity network;

  bool ValidInput(int n) const { return n >= 1 && n <= identity.inputs; }
  bool ValidOutput(int n) const { return n >= 1 && n <= identity.outputs; }
  InputState& Input(int n) { return inputs[n - 1]; }
  OutputState& Output(int n) { return outputs[n - 1]; }
  const InputState& Input(int n) const { return inputs[n - 1]; }
  const OutputState& Output(int n) const { return outputs[n - 1]; }
};

// A factory-fresh device of the given size and type: output k shows input k (or input 1 where
// there are fewer inputs), every port has a device attached, built-in EDID mode 1 on all inputs.
DeviceState MakeDeviceState(int inputs = 4, int outputs = 4, uint8_t type = 1);

// The name a switcher of this type code reports itself under ("" for an unknown code). The
// emulator keeps its own table rather than borrowing the panel's, so a test can compare them.
const char* DeviceTypeText(int type);

// "HDMI MATRIX 4X4": the General page's device line for this identity.
std::string DescribeIdentity(const DeviceIdentity& identity);

}  // namespace velantor::sim
