// Connecting the one command socket for the page that is to receive its notifications.
#pragma once

#include "app/shared_state.h"
#include "link/command_socket.h"

namespace velantor {

// Closes the command socket, starts a new connect to MatrixAddress on the command port with
// `page` as receiver, and clears PageSocketConnected until the connect is confirmed.
void ConnectCommandSocket(SharedState& shared, SocketReceiver* page);
// Closes the command socket and clears PageSocketConnected.
void DisconnectCommandSocket(SharedState& shared);

// The part of every page's socket notification that is the same on all pages: a connect sets
// the connected flag when it carries no error, a close clears it. Returns true for a read,
// which the page hands to its TCP collector.
bool HandleSocketNotice(SharedState& shared, int event, int error);

}  // namespace velantor
