// A page whose functions come in a later version: it takes part in the shell's tab action
// (socket notices keep the connected flag true) but sends nothing.
#pragma once

#include "app/command_link.h"
#include "app/shell_page.h"

namespace velantor {

class PlaceholderPage : public ShellPage, public SocketReceiver {
 public:
  explicit PlaceholderPage(SharedState& shared) : shared_(shared) {}
  void StartAction() override {}
  void ClosePort() override {}
  SocketReceiver* SocketTarget() override { return this; }
  void OnSocketEvent(int event, int error) override {
    if (HandleSocketNotice(shared_, event, error) && shared_.PageSocket) {
      uint8_t discard[1024];
      shared_.PageSocket->Receive(discard, sizeof discard);
    }
  }

 private:
  SharedState& shared_;
};

}  // namespace velantor
