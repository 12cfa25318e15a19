// The emulator's serial front end: a pseudo-terminal whose slave side the panel opens as its
// serial port. The slave is kept open here too, so the panel may close and reopen it at every
// page change without the master seeing a hang-up. Optionally replies leave at the wire rate
// of 11 bits per byte at 115200 baud.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

#include "base/event_loop.h"
#include "sim/device_model.h"

namespace velantor::sim {

class PtyPort : public TimerTarget {
 public:
  struct Stats {
    size_t bytesIn = 0;
    size_t bytesOut = 0;
    size_t bytesDropped = 0;  // nobody read them and the queue was full
  };
  static constexpr size_t kMaxQueuedBytes = 64 * 1024;

  PtyPort(EventLoop& loop, DeviceModel& model);
  ~PtyPort() override;

  // Opens the pair; with `linkPath` also makes that path a symlink to the slave (an existing
  // symlink there is replaced, any other file is left alone and reported). Empty on success.
  std::string Open(const std::string& linkPath = "", bool wireRate = false);
  void Close();
  const std::string& SlavePath() const { return slavePath_; }
  const std::string& LinkPath() const { return linkPath_; }
  const Stats& Counters() const { return stats_; }

  void OnTimer(int id) override;

 private:
  void OnReadable(unsigned events);
  void OnReply(const uint8_t* data, size_t length);
  void WriteOut(const uint8_t* data, size_t length);
  int64_t NowNs() const { return Loop().NowUs() * 1000; }

  DeviceModel& model_;
  int master_ = -1;
  int slave_ = -1;
  int watch_ = 0;
  DeviceModel::ChannelId channel_ = -1;
  std::string slavePath_;
  std::string linkPath_;
  bool wireRate_ = false;
  std::deque<uint8_t> queue_;
  int64_t lineFreeNs_ = 0;
  Stats stats_;
};

}  // namespace velantor::sim
