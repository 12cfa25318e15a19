// The serial link as pages use it: the operations of the serial port class. The real port
// (CCommPort over termios) and the simulated one of the scenario tests both implement it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velantor {

// Notifications a port sends to the page that opened it.
constexpr unsigned WM_PORT_RXCHAR = 0x407;   // one received byte
constexpr unsigned kPortNoticeCts = 0x402;
constexpr unsigned kPortNoticeBreak = 0x401;
constexpr unsigned kPortNoticeLineError = 0x404;
constexpr unsigned kPortNoticeRing = 0x405;
constexpr unsigned kPortNoticeEventChar = 0x408;

// Event-mask bits given to Open.
constexpr uint32_t kEvRxChar = 0x1;
constexpr uint32_t kEvRxFlag = 0x2;  // event character
constexpr uint32_t kEvCts = 0x8;
constexpr uint32_t kEvBreak = 0x40;
constexpr uint32_t kEvErr = 0x80;
constexpr uint32_t kEvRing = 0x100;

class PortOwner {
 public:
  virtual ~PortOwner() = default;
  // WM_PORT_RXCHAR: one byte, on the UI thread, in arrival order. Returns the handler's result
  // (-1 for an invalid port number).
  virtual int OnPortRxChar(uint8_t byte, int portNumber) = 0;
  // The other notifications of the event mask (0x402, 0x401, 0x404, 0x405, 0x408).
  virtual void OnPortNotice(unsigned /*message*/, int /*portNumber*/) {}
};

struct SerialSettings {
  int baud = 115200;
  char parity = 'N';
  int dataBits = 8;
  int stopBits = 2;
  uint32_t eventMask = kEvRxChar | kEvRxFlag;
  size_t bufferSize = 512;
};

class SerialLink {
 public:
  virtual ~SerialLink() = default;
  // Returns 1 on success, 0 when the device cannot be opened. A port that is open (and
  // monitored) is stopped first.
  virtual int Open(PortOwner* owner, int portNumber, const SerialSettings& settings) = 0;
  // Starts delivering received bytes; returns 1 when monitoring started.
  virtual int StartMonitoring() = 0;
  // Queues a block; blocks go out whole and in the order written. Never blocks the caller.
  virtual void Write(const uint8_t* data, size_t length) = 0;
  // Stops monitoring and closes the device; returns at once.
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  virtual int PortNumber() const = 0;
};

}  // namespace velantor
