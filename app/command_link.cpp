#include "app/command_link.h"

namespace velantor {

void ConnectCommandSocket(SharedState& shared, SocketReceiver* page) {
  if (!shared.PageSocket) return;
  shared.PageSocket->Close();
  shared.PageSocket->Connect(page, shared.MatrixAddress, shared.CommandPortNumber);
  shared.PageSocketConnected = 0;
}

void DisconnectCommandSocket(SharedState& shared) {
  if (shared.PageSocket) shared.PageSocket->Close();
  shared.PageSocketConnected = 0;
}

bool HandleSocketNotice(SharedState& shared, int event, int error) {
  switch (event) {
    case kSocketRead:
      return true;
    case kSocketConnect:
      if (error == 0) shared.PageSocketConnected = 1;
      return false;
    case kSocketClose:
      shared.PageSocketConnected = 0;
      return false;
    default:
      return false;
  }
}

}  // namespace velantor
