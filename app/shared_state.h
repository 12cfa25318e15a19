// The program-wide values every page reads, under their given names. One object owned by the
// application and handed to the pages by reference (so a test can run two panels at once).
#pragma once

#include <cstdint>
#include <string>

#include "app/dialogs.h"
#include "app/link_report.h"
#include "link/command_socket.h"

namespace velantor {

struct SharedState {
  // Link settings, owned by the General page.
  int LinkMode = 0;       // 0 serial, 1 TCP
  int ComPortNumber = 0;  // 0 until the user has connected once
  int ComLinkOpen = 0;
  std::string MatrixAddress;
  int TcpLinkUp = 0;
  int SharedStopBits = 1;  // stop bits of the pages' first open; their start action uses 2

  // The one command socket and its connected flag.
  CommandSocket* PageSocket = nullptr;
  int PageSocketConnected = 0;
  // Connections the switcher closed, on whichever page: what a page read before one is old.
  int TcpLosses = 0;
  uint16_t CommandPortNumber = kCommandPort;  // 8000; tests point it at their own server

  // The shell's values.
  int CurrentPage = 1;
  int ConfigurationSuccess = 0;
  int BusyPhase = 3;  // the shared busy-text animation step: 1, 2 or 3 dots

  // What the status line shows about the link.
  LinkReport Link;

  // Received frames that failed their checksum and were dropped (shown in the diagnostics view).
  uint64_t ChecksumRejects = 0;

  // The shared dialogs, with MessageText / MessageShown / BusyText / BusyShown inside.
  MessageDialog Message;
  BusyDialog Busy;
};

}  // namespace velantor
