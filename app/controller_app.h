// Start-up of the program: the socket check that decides whether a window is shown at all.
#pragma once

namespace velantor {

// Creates one TCP socket as a check that the system's sockets work; false ends the program
// before any window is shown.
bool CheckSocketLibrary();

}  // namespace velantor
