// The emulated switcher: bytes in, bytes out, no I/O of its own. Front ends open a channel
// (one per connection or port), feed it what the panel sent and get the device's replies
// through the channel's sink. Delays, the reboot silence and abandoned raw blocks run on the
// EventLoop's timers, so the whole device works under virtual time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "base/event_loop.h"
#include "sim/device_core.h"
#include "sim/fault_knobs.h"
#include "sim/frame_stream.h"
#include "sim/transcript.h"

namespace velantor::sim {

class DeviceModel : public TimerTarget {
 public:
  using ChannelId = int;
  using Sink = std::function<void(const uint8_t* data, size_t length)>;
  using CloseHook = std::function<void()>;
  static constexpr ChannelId kDefaultChannel = 0;

  explicit DeviceModel(EventLoop& loop, DeviceState initial = MakeDeviceState());
  ~DeviceModel() override;

  // A connection or port. `onClose` is called when the device drops the connection (the
  // "close" fault); the front end then closes its side and calls CloseChannel.
  ChannelId OpenChannel(Sink sink, CloseHook onClose = {});
  void CloseChannel(ChannelId id);
  void Feed(ChannelId id, const uint8_t* data, size_t length);
  size_t ChannelCount() const { return channels_.size(); }

  // One-connection use: replies of the default channel go to `sink`.
  void SetReplySink(Sink sink);
  void Feed(const uint8_t* data, size_t length) { Feed(kDefaultChannel, data, length); }

  DeviceState& State() { return core_.state; }
  const DeviceState& State() const { return core_.state; }
  FaultKnobs& Faults() { return faults_; }
  const FaultKnobs& Faults() const { return faults_; }
  ModelCounters Counters() const;
  Transcript& Log() { return transcript_; }
  const Transcript& Log() const { return transcript_; }
  const FirmwareReceiver& Firmware() const { return core_.firmware; }
  int Handshakes() const { return core_.handshakes; }

  // Standby: the device reports 88 88 at once on every channel and answers every frame with
  // it until standby ends.
  void SetStandby(bool on);
  bool InStandby() const { return standby_; }
  // Plugs or unplugs the device on input or output n; false when there is no such port.
  bool SetPortConnected(bool input, int n, bool connected);
  // The "close" fault: asks every front end to drop its connection.
  void CloseConnections();

  // After a firmware part is written the device is silent for this long.
  void SetRebootMs(int ms) { rebootMs_ = ms; }
  int RebootMs() const { return rebootMs_; }
  bool Rebooting() const { return rebooting_; }
  // A raw block whose bytes stop coming for this long is thrown away.
  void SetBlockTimeoutMs(int ms) { blockTimeoutMs_ = ms; }

  void OnTimer(int id) override;

 private:
  struct Channel {
    Sink sink;
    CloseHook onClose;
    std::unique_ptr<FrameStream> stream;
    BlockPurpose blockPurpose = BlockPurpose::kNone;
  };
  struct Delayed {
    int64_t dueMs;
    ChannelId channel;
    Outgoing reply;
  };

  std::shared_ptr<Channel> MakeChannel(ChannelId id, Sink sink, CloseHook onClose);
  void OnFrame(ChannelId id, const CommandFrame& frame);
  void OnBadFrame(ChannelId id, const CommandFrame& frame);
  void OnBlock(ChannelId id, const std::vector<uint8_t>& block);
  void Carry(ChannelId id, Reaction& reaction);
  void Emit(ChannelId id, Outgoing reply);
  void Deliver(ChannelId id, const Outgoing& reply);
  void LogIn(ChannelId id, PayloadKind kind, const uint8_t* data, size_t n, std::string note);
  void ScheduleDelayed();
  // The firmware knobs travel to the receiver and their used-up counts come back.
  void FirmwareKnobsIn();
  void FirmwareKnobsOut();
  static int BlockTimerId(ChannelId id) { return 1000 + id; }

  DeviceCore core_;
  FaultKnobs faults_;
  ModelCounters counters_;
  Transcript transcript_;
  std::map<ChannelId, std::shared_ptr<Channel>> channels_;
  ChannelId nextChannel_ = 1;
  std::deque<Delayed> delayed_;
  uint64_t replyOrdinal_ = 0;
  bool standby_ = false;
  bool rebooting_ = false;
  int rebootMs_ = 2000;
  int blockTimeoutMs_ = 1000;
};

}  // namespace velantor::sim
