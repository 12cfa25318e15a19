// A serial link joined to the device model inside a test process, in virtual time. Bytes move
// at the wire rate of 11 bits per byte at 115200 baud in both directions; replies reach the
// owner one byte at a time through OnPortRxChar, with the event-character notice after each
// burst, as the real port's worker delivers them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "base/event_loop.h"
#include "link/serial_link.h"
#include "sim/device_model.h"

namespace velantor::sim {

// Nanoseconds one byte takes on the wire (start, 8 data, 2 stop bits at 115200 baud).
constexpr int64_t kSerialByteNs = 11LL * 1000000000LL / 115200;

class SimSerialLink : public SerialLink, private TimerTarget {
 public:
  struct Stats {
    int opens = 0;
    int failedOpens = 0;
    int writes = 0;
    int oversizeWrites = 0;     // blocks larger than the port's write buffer, not sent
    int writesWhileClosed = 0;
    size_t bytesWritten = 0;    // reached the device
    size_t bytesDelivered = 0;  // handed to the owner
    int bursts = 0;             // event-character notices sent
    int writesWhileUnplugged = 0;  // blocks that went nowhere
    int failures = 0;           // port failures reported
  };

  SimSerialLink(EventLoop& loop, DeviceModel& model);
  ~SimSerialLink() override;

  int Open(PortOwner* owner, int portNumber, const SerialSettings& settings) override;
  int StartMonitoring() override;
  void Write(const uint8_t* data, size_t length) override;
  void Close() override;
  bool IsOpen() const override { return open_; }
  int PortNumber() const override { return portNumber_; }

  // An absent port cannot be opened (Open returns 0), as an unplugged adapter.
  void SetPortPresent(bool present) { present_ = present; }
  // The adapter is pulled out while open: bytes on the wire are lost, nothing more arrives,
  // writes go nowhere and the port reports its failure on the loop (as the real port's worker
  // does when the device vanishes), until Replug. The port cannot be opened meanwhile.
  void Unplug();
  void Replug() { present_ = true; }
  bool Unplugged() const { return !present_; }
  // What the real port calls on a failure: the shell closes every port and shows the link down.
  void SetFailureHandler(std::function<void()> onFailure) { onFailure_ = std::move(onFailure); }
  const Stats& Counters() const { return stats_; }
  size_t PendingBytes() const { return rx_.size(); }

 private:
  struct TxBlock {
    int64_t dueNs;
    std::vector<uint8_t> bytes;
  };
  struct RxByte {
    int64_t dueNs;
    uint8_t byte;
  };
  void OnTimer(int id) override;
  void OnReply(const uint8_t* data, size_t length);
  void Schedule();
  int64_t NowNs() const { return Loop().NowUs() * 1000; }

  DeviceModel& model_;
  PortOwner* owner_ = nullptr;
  SerialSettings settings_;
  int portNumber_ = 0;
  bool present_ = true;
  bool failed_ = false;  // unplugged while open: the port is dead until it is closed
  std::function<void()> onFailure_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  bool open_ = false;
  bool monitoring_ = false;
  DeviceModel::ChannelId channel_ = -1;
  uint64_t generation_ = 0;
  std::deque<TxBlock> tx_;
  std::deque<RxByte> rx_;
  int64_t txFreeNs_ = 0;
  int64_t rxFreeNs_ = 0;
  int64_t feedingAtNs_ = -1;  // while the device handles a block: when that block arrived
  Stats stats_;
};

}  // namespace velantor::sim
