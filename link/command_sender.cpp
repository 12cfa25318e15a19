#include "link/command_sender.h"

#include "link/command_socket.h"
#include "link/serial_link.h"

namespace velantor {

void CommandSender::Log(const uint8_t* data, size_t length) {
  for (size_t i = 0; i < length; ++i) log_.AppendCounted(data[i]);
}

void CommandSender::SendBytes(const uint8_t* data, size_t length) {
  if (order_ == SentLogOrder::kBeforeSend) Log(data, length);
  if (linkMode_ == 1) {
    if (socket_) socket_->Send(data, length);  // the result is not examined: replies tell
  } else {
    port_.Write(data, length);
  }
  if (order_ == SentLogOrder::kAfterSend) Log(data, length);
  ++sent_;
}

}  // namespace velantor
