// What the General page's device status and device option controls show: texts, checked,
// enabled and visible states, line colours, list items and selections.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace velantor {

struct Rgb {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;
  bool operator==(const Rgb&) const = default;
};

// Port lines are drawn green (connected) or red (nothing attached).
constexpr Rgb kLineConnected{0, 255, 0};
constexpr Rgb kLineDisconnected{255, 0, 0};

// One "HDMI IN1: Connect" line. Until the first reply the line only names its port.
struct PortLineView {
  std::string text;
  int connected = 0;  // the per-port flag: 1 connected, 0 not
  bool visible = true;
  Rgb Colour() const { return connected == 1 ? kLineConnected : kLineDisconnected; }
};

struct GeneralStatusView {
  static constexpr int kPorts = 8;  // the model is sized for eight; four are shown
  std::array<PortLineView, kPorts> inputs;
  std::array<PortLineView, kPorts> outputs;
  std::string deviceText = "Not Known";
  std::string versionText = "Not Known";
  bool statusEnabled = true;
  bool statusRadioChecked = false;  // the push-like second trigger, unchecked at the end
};

struct CheckView {
  std::string caption;
  bool checked = false;
  bool enabled = true;
  bool visible = true;
};

struct ListView {
  std::vector<std::string> items;
  int selection = -1;
  bool enabled = true;
};

struct GeneralOptionsView {
  CheckView beep{"Enable Beep "};
  CheckView ir{"Enable IR Control"};
  CheckView border{"Show Border"};
  bool borderGroupEnabled = true;
  std::array<CheckView, 3> modes{CheckView{"Matrix"}, CheckView{"Multi-viewer"}, CheckView{"Video wall"}};
  ListView layout;  // "Mode:" 1 to 4
  ListView audio;   // "Audio:" 1 to 4
  ListView main;    // "Main:" 1 to 4
  ListView wallX;   // "X :" 1 to 32
  ListView wallY;   // "Y :" 1 to 32
  std::array<CheckView, 4> inputs{CheckView{"Input 1"}, CheckView{"Input 2"}, CheckView{"Input 3"},
                                  CheckView{"Input 4"}};
  std::string factoryResetCaption = "Factory Reset";
  bool factoryResetEnabled = true;
};

}  // namespace velantor
