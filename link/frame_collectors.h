// Assembly of received bytes into 13-byte frames: one collector per page and per link.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>

#include "link/command_frame.h"
#include "link/hex_log.h"

namespace velantor {

class CommandSocket;

// How a collector logs what it receives and what it does with bytes while its page does not
// take frames. Each page states its own policy; the collectors know nothing of pages.
struct CollectorPolicy {
  // What happens to TCP bytes while the page does not take frames.
  enum class Idle {
    kDiscardFrames,  // frames are assembled and thrown away
    kDropBytes,      // bytes are not even taken
  };
  bool logText = true;              // false: the received log keeps no text at all
  bool serialCountsEveryByte = false;  // serial: bytes outside a frame are counted too
  bool tcpLogsBytes = false;        // TCP: every byte is logged as it is read
  bool tcpLogsFrames = false;       // TCP: every accepted frame is logged as one line
  Idle idle = Idle::kDiscardFrames;
};

// A complete frame and the serial path's verdict: the 13 bytes, taken as signed bytes, sum to
// exactly 0. (Stricter than the checksum rule: a valid frame whose signed sum is 256 fails it.)
using FrameHandler = std::function<void(const CommandFrame& frame, bool sumIsZero)>;

// Serial path: one byte per port notification. A frame starts at 0xA5 and is complete after 13
// bytes; an 0xA5 inside a frame does not restart it. There is no time-out on a partial frame.
class SerialCollector {
 public:
  SerialCollector(const CollectorPolicy& policy, HexLog& receivedLog, FrameHandler handler);

  // The page's port-byte handler: ignored in TCP mode (linkMode 1); -1 for an invalid port
  // number (outside 1 to 255), else 0.
  int OnByte(uint8_t byte, int portNumber, int linkMode);
  // While set, every received byte is also handed here (the EDID page's data capture).
  void SetCaptureHook(std::function<void(uint8_t)> hook) { capture_ = std::move(hook); }

  // Forgets a partial frame (a new connection must not start inside the last one's bytes).
  void Reset();
  int CollectedCount() const { return count_; }
  bool Collecting() const { return collecting_; }

 private:
  CollectorPolicy policy_;
  HexLog& log_;
  FrameHandler handler_;
  std::function<void(uint8_t)> capture_;
  std::array<uint8_t, kFrameSize> buffer_{};
  int count_ = 0;
  bool collecting_ = false;
  int32_t signedSum_ = 0;
};

// TCP path: reads arrive in bursts. Every complete frame in the accumulation buffer is handed
// over, a partial one is kept for the next read, and a stream that lost bytes finds its way
// back at the next 0xA5 0x5B start pair.
class TcpCollector {
 public:
  // Room for a partial frame plus one full read.
  static constexpr size_t kReadSize = 1024;
  static constexpr size_t kCapacity = kFrameSize + kReadSize;

  using Idle = CollectorPolicy::Idle;

  TcpCollector(const CollectorPolicy& policy, HexLog& receivedLog, FrameHandler handler);

  // The socket's read notification: one receive of at most the free space, then assembly.
  void OnReadable(CommandSocket& socket, bool accepting);
  // Assembly of bytes already read (also used by tests).
  void Feed(const uint8_t* data, size_t length, bool accepting);
  // Every byte read is also handed here before framing (raw data that follows a header).
  void SetRawHook(std::function<void(const uint8_t*, size_t)> hook) { raw_ = std::move(hook); }
  void SetIdlePolicy(Idle idle) { policy_.idle = idle; }

  // Forgets the bytes of a partial frame.
  void Reset() { fill_ = 0; }
  size_t Pending() const { return fill_; }
  size_t ResyncDrops() const { return resyncDrops_; }

 private:
  void TakeByte(uint8_t byte);
  void Extract(bool accepting);
  CollectorPolicy policy_;
  HexLog& log_;
  FrameHandler handler_;
  std::function<void(const uint8_t*, size_t)> raw_;
  std::array<uint8_t, kCapacity> buffer_{};
  size_t fill_ = 0;
  size_t resyncDrops_ = 0;
};

}  // namespace velantor
