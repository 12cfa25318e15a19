// What the status line at the bottom of the main window says about the link, on every page:
// which link, its state, the device on it and whether an exchange waits for a reply. The pages
// write it as the link changes; the view only shows it.
#pragma once

#include <string>

#include "app/change_notifier.h"

namespace velantor {

struct LinkReport {
  // The states an operator needs to tell apart.
  static constexpr const char* kConnected = "connected";
  static constexpr const char* kNoAnswer = "no answer";
  static constexpr const char* kLost = "lost";
  static constexpr const char* kStandby = "standby";
  static constexpr const char* kClosed = "not connected";

  std::string link;            // "COM3 /dev/ttyUSB0" or "192.168.1.80:8000"; empty before any
  std::string state = kClosed;
  std::string device;          // device and version as last read (empty until read)
  int waiting = 0;             // exchanges waiting for a reply, over all pages

  void Set(std::string newLink, const char* newState) {
    if (newLink != link) device.clear();  // another switcher: what was read from the last one is not its
    link = std::move(newLink);
    SetState(newState);
  }
  void SetState(const char* newState) {
    if (state == newState) return;
    state = newState;
    changed.Notify();
  }
  void SetDevice(std::string text) {
    device = std::move(text);
    changed.Notify();
  }
  // The switcher spoke: a link that looked silent or asleep is answering again.
  void Answered() {
    if (state == kNoAnswer || state == kStandby) SetState(kConnected);
  }
  void Waiting(bool started) {
    waiting += started ? 1 : -1;
    if (waiting < 0) waiting = 0;
    changed.Notify();
  }
  // One line: "COM3 /dev/ttyUSB0 - connected - HDMI Matrix 4X4 v1.5".
  std::string Text() const {
    std::string text = link.empty() ? "No link" : link;
    text += " - " + state;
    if (!device.empty()) text += " - " + device;
    return text;
  }

  ChangeNotifier changed;
};

}  // namespace velantor
