// The one TCP command socket shared by all pages, as an interface: the real non-blocking socket
// and the simulated one of the scenario tests both implement it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace velantor {

// Socket events delivered to the page that owns the socket (the low word of the notification).
constexpr int kSocketRead = 1;
constexpr int kSocketWrite = 2;
constexpr int kSocketConnect = 16;
constexpr int kSocketClose = 32;

constexpr uint16_t kCommandPort = 8000;

class SocketReceiver {
 public:
  virtual ~SocketReceiver() = default;
  // event is one of kSocket*, error 0 or an errno value.
  virtual void OnSocketEvent(int event, int error) = 0;
};

class CommandSocket {
 public:
  virtual ~CommandSocket() = default;
  // Closes the current connection (if any) and starts a non-blocking connect. The outcome
  // arrives later as kSocketConnect (with an error for a failure) on `receiver`; an empty or
  // malformed address fails through that path too.
  virtual void Connect(SocketReceiver* receiver, const std::string& address, uint16_t port) = 0;
  // Closes the connection; no notification follows.
  virtual void Close() = 0;
  // One send call; the result is the number of bytes taken, or -1.
  virtual long Send(const uint8_t* data, size_t length) = 0;
  // One receive of at most `capacity` bytes; 0 or -1 when nothing is there.
  virtual long Receive(uint8_t* buffer, size_t capacity) = 0;
  virtual bool IsOpen() const = 0;
};

}  // namespace velantor
