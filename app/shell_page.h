// What the shell needs of a page: its start action, its serial port's Close, the receiver of
// the command socket's notifications while it is current, and whether it locks the headers.
#pragma once

#include <string>

#include "link/command_socket.h"

namespace velantor {

class HexLog;

class ShellPage {
 public:
  virtual ~ShellPage() = default;
  // Run by the shell's page timer 150 ms after the page was chosen.
  virtual void StartAction() = 0;
  // Closes the page's own serial port.
  virtual void ClosePort() = 0;
  // The page's socket notification handler.
  virtual SocketReceiver* SocketTarget() = 0;
  // Called on every page when any header is chosen (entry flags, the Matrix page's polling flag).
  virtual void OnTabChosen(int /*page*/) {}
  // True while the page forbids changing pages (Matrix busy, firmware upgrade running).
  virtual bool LocksHeaders() const { return false; }
  // Why closing the program now would do harm (a firmware write under way), or empty.
  virtual std::string CloseWarning() const { return ""; }
  // The hidden logs, for the diagnostics view (null when the page keeps none).
  virtual const HexLog* SentLog() const { return nullptr; }
  virtual const HexLog* ReceivedLog() const { return nullptr; }
  // Empties both logs (the diagnostics view's "Clear"); what the page parses is untouched.
  virtual void ClearLogs() {}
};

// The General page's extra duties towards the shell.
class GeneralShellPage : public virtual ShellPage {
 public:
  // The close request after a serial failure: the page shows itself disconnected.
  virtual void CloseSerialLink() = 0;
  // The "Search" button's IP search, run by the shell after a configuration.
  virtual void StartIpSearch() = 0;
};

}  // namespace velantor
