// The real serial port: a tty device set up through termios, with one worker thread per open
// port that does all device I/O. The worker never waits for the UI thread: received bytes go
// into a queue that one posted task at a time hands to the owner, byte by byte, so stopping a
// worker can never deadlock with it. Everything posted for one open is dropped once that open
// is closed or replaced.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "base/event_loop.h"
#include "link/port_directory.h"
#include "link/serial_link.h"

namespace velantor {

class CCommPort : public SerialLink {
 public:
  // At most this many written blocks wait for a device that does not take them; more are refused.
  static constexpr size_t kMaxQueuedBlocks = 64;
  // Received bytes the UI thread has not taken yet; past this the worker leaves the rest in the
  // kernel until the queue drains.
  static constexpr size_t kReceiveQueueLimit = 64 * 1024;

  // `onPortFailure` runs on the loop thread when the device fails or vanishes (an unplugged USB
  // adapter), once per open, and never after that open was closed.
  CCommPort(EventLoop& loop, PortDirectory& directory, std::function<void()> onPortFailure);
  ~CCommPort() override;
  CCommPort(const CCommPort&) = delete;
  CCommPort& operator=(const CCommPort&) = delete;

  // Opens the device the directory gives for `portNumber`, exclusively. Returns 1, or 0 with
  // the reason kept in the directory. A port that is open is closed first, as by Close.
  // Settings the device refuses are tolerated: the port is used as it could be set.
  int Open(PortOwner* owner, int portNumber, const SerialSettings& settings) override;
  // Starts the worker; 1 when it started, 0 when the port is closed or already monitored.
  // Until then the device is open but unread.
  int StartMonitoring() override;
  // Queues a copy of the block and wakes the worker. A block longer than the buffer size given
  // at open is refused whole, never cut; so is an empty block, one written to a closed port and
  // one beyond kMaxQueuedBlocks.
  void Write(const uint8_t* data, size_t length) override;
  // Wakes the worker, which closes the device and ends, and joins it: that takes only as long
  // as the close itself, and the device is free again on return. Blocks not yet written are
  // dropped; bytes received but not yet delivered are never delivered.
  void Close() override;
  bool IsOpen() const override { return session_ != nullptr; }
  int PortNumber() const override { return portNumber_; }

  // Linux has no event character; it is kept for the settings' sake, and the 0x408 notice
  // follows every burst of received bytes instead.
  char EventChar() const { return eventChar_; }
  // Whether the device took every setting asked for at the last open (read back after setting).
  bool SettingsApplied() const { return settingsApplied_; }
  // Bytes the worker has taken from the device since the port was opened (0 while closed).
  uint64_t BytesReceived() const;

 private:
  struct Session;

  void StopWorker();
  static void Work(EventLoop& loop, std::shared_ptr<Session> session);
  static void Deliver(Session& session);

  EventLoop& loop_;
  PortDirectory& directory_;
  std::function<void()> onPortFailure_;
  std::shared_ptr<Session> session_;  // null while closed
  std::thread worker_;
  int portNumber_ = 0;
  char eventChar_ = 'q';
  bool settingsApplied_ = false;
};

}  // namespace velantor
