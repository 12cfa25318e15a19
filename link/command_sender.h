// The one send path of a page: builds nothing, logs the frame and hands it to the link that
// LinkMode names at the moment of sending (1 = TCP, anything else = serial).
#pragma once

#include <cstddef>
#include <cstdint>

#include "link/command_frame.h"
#include "link/hex_log.h"

namespace velantor {

class CommandSocket;
class SerialLink;

enum class SentLogOrder {
  kBeforeSend,  // General, Matrix
  kAfterSend,   // EDID
  kNone,        // FW Upgrade logs no frames
};

class CommandSender {
 public:
  CommandSender(const int& linkMode, CommandSocket*& socket, SerialLink& port, HexLog& sentLog,
                SentLogOrder order)
      : linkMode_(linkMode), socket_(socket), port_(port), log_(sentLog), order_(order) {}

  void Send(const CommandFrame& frame) { SendBytes(frame.data(), frame.size()); }
  // Raw blocks (EDID data, firmware blocks) go the same way, without start pair or checksum.
  void SendBytes(const uint8_t* data, size_t length);

  uint64_t FramesSent() const { return sent_; }

 private:
  void Log(const uint8_t* data, size_t length);
  const int& linkMode_;
  CommandSocket*& socket_;
  SerialLink& port_;
  HexLog& log_;
  SentLogOrder order_;
  uint64_t sent_ = 0;
};

}  // namespace velantor
