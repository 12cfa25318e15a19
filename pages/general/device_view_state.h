// What the General page's device status and device option controls show: texts, checked,
// enabled and visible states, line colours, list items and selections.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "app/view_state.h"

namespace velantor {

struct Rgb {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;
  bool operator==(const Rgb&) const = default;
};

// Port lines are drawn green (connected) or red (nothing attached), and grey while what they say
// was not read over the present link (nothing read yet, or the link has closed since).
constexpr Rgb kLineConnected{0, 255, 0};
constexpr Rgb kLineDisconnected{255, 0, 0};
constexpr Rgb kLineUnknown{150, 150, 150};

// One "HDMI IN1: Connect" line. Until the first reply the line only names its port.
struct PortLineViewState {
  std::string text;
  int connected = 0;  // the per-port flag: 1 connected, 0 not
  bool visible = true;
  bool current = false;  // read over the link that is open now
  Rgb Colour() const { return !current ? kLineUnknown : connected == 1 ? kLineConnected : kLineDisconnected; }
};

struct GeneralStatusViewState {
  static constexpr int kPorts = 8;  // the model is sized for eight; four are shown
  std::array<PortLineViewState, kPorts> inputs;
  std::array<PortLineViewState, kPorts> outputs;
  std::string deviceText = "Not Known";
  std::string versionText = "Not Known";
  bool deviceCurrent = false;  // device and version were read over the link that is open now
  bool statusEnabled = true;
  bool statusRadioChecked = false;  // the push-like second trigger, unchecked at the end
};

struct GeneralOptionsViewState {
  CheckViewState beep{"Enable Beep "};
  CheckViewState ir{"Enable IR Control"};
  CheckViewState border{"Show Border"};
  bool borderGroupEnabled = true;
  std::array<CheckViewState, 3> modes{CheckViewState{"Matrix"}, CheckViewState{"Multi-viewer"}, CheckViewState{"Video wall"}};
  ListViewState layout;  // "Mode:" 1 to 4
  ListViewState audio;   // "Audio:" 1 to 4
  ListViewState main;    // "Main:" 1 to 4
  ListViewState wallX;   // "X :" 1 to 32
  ListViewState wallY;   // "Y :" 1 to 32
  std::array<CheckViewState, 4> inputs{CheckViewState{"Input 1"}, CheckViewState{"Input 2"}, CheckViewState{"Input 3"},
                                  CheckViewState{"Input 4"}};
  std::string factoryResetCaption = "Factory Reset";
  bool factoryResetEnabled = true;
  bool current = false;  // read back over the link that is open now (drawn grey otherwise)
};

}  // namespace velantor
