// The command socket joined to the device model inside a test process. Connect reports its
// outcome later (ECONNREFUSED when the device is unreachable or the address or port is not
// the device's), each connection is a new channel of the device, replies arrive as read
// notifications shaped by the device's split and join faults, and the device's "close" fault
// ends the connection with a close notification.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "base/event_loop.h"
#include "link/command_socket.h"
#include "sim/device_model.h"
#include "sim/reply_shaper.h"

namespace velantor::sim {

class SimCommandSocket : public CommandSocket, private TimerTarget {
 public:
  struct Stats {
    int connects = 0;         // connections made
    int refusedConnects = 0;  // connect notifications with an error
    int closedByDevice = 0;
    int sends = 0;
    size_t bytesSent = 0;
    size_t bytesReceived = 0;  // taken by Receive
    int readNotices = 0;
    int resets = 0;
    size_t bytesLost = 0;  // sent while the cable was out
  };

  // `deviceAddress` empty: any well-formed IPv4 address reaches the device.
  SimCommandSocket(EventLoop& loop, DeviceModel& model, std::string deviceAddress = "",
                   uint16_t devicePort = kCommandPort);
  ~SimCommandSocket() override;

  void Connect(SocketReceiver* receiver, const std::string& address, uint16_t port) override;
  void Close() override;
  long Send(const uint8_t* data, size_t length) override;
  long Receive(uint8_t* buffer, size_t capacity) override;
  bool IsOpen() const override { return state_ != State::kClosed; }

  bool Connected() const { return state_ == State::kConnected; }
  void SetReachable(bool reachable) { reachable_ = reachable; }
  void SetDeviceAddress(std::string address) { deviceAddress_ = std::move(address); }
  void SetConnectDelayMs(int ms) { connectDelayMs_ = ms; }
  // The device resets the connection: unread bytes are lost, the close notice carries
  // ECONNRESET, and sends fail from then on.
  void Reset();
  // The cable is out (true) or back (false). While out, nothing is lost loudly: sends are taken
  // and vanish, no reply and no close notice arrive, and a connect never completes, as with a
  // switcher that simply went away.
  void SetCableOut(bool out);
  const Stats& Counters() const { return stats_; }
  size_t PendingBytes() const { return rx_.size(); }

 private:
  enum class State { kClosed, kConnecting, kConnected, kFailed, kPeerClosed };
  void OnTimer(int id) override;
  void OnSegment(const uint8_t* data, size_t length);
  void OnDeviceClose(int error = 0);
  void Notify(int event, int error);
  void PostReadNotice();

  DeviceModel& model_;
  std::string deviceAddress_;
  uint16_t devicePort_;
  bool reachable_ = true;
  int connectDelayMs_ = 1;
  bool cableOut_ = false;
  bool reset_ = false;
  State state_ = State::kClosed;
  SocketReceiver* receiver_ = nullptr;
  int connectError_ = 0;
  DeviceModel::ChannelId channel_ = -1;
  uint64_t generation_ = 0;
  std::deque<uint8_t> rx_;
  bool readNoticePending_ = false;
  ReplyShaper shaper_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  Stats stats_;
};

}  // namespace velantor::sim
