// The emulator's TCP front end: listens (127.0.0.1:8000 by default) and gives every accepted
// connection its own channel of the device, so replies go back on the connection the command
// came on. The panel reconnects at every page change; old and new connections may overlap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/event_loop.h"
#include "sim/device_model.h"
#include "sim/reply_shaper.h"

namespace velantor::sim {

class TcpServer : public TimerTarget {
 public:
  struct Stats {
    int accepted = 0;
    int acceptPauses = 0;  // times the server ran out of descriptors and stopped accepting
    int closedByPeer = 0;
    int closedByDevice = 0;  // the "close" fault
    int overflows = 0;       // a peer that stopped reading; its connection was dropped
    size_t bytesIn = 0;
    size_t bytesOut = 0;
  };
  static constexpr size_t kMaxQueuedBytes = 1 << 20;

  TcpServer(EventLoop& loop, DeviceModel& model);
  ~TcpServer();
  TcpServer(const TcpServer&) = delete;
  TcpServer& operator=(const TcpServer&) = delete;

  // Empty on success, else what went wrong.
  std::string Listen(const std::string& address, uint16_t port);
  uint16_t Port() const { return port_; }
  std::string Address() const { return address_; }
  size_t ConnectionCount() const { return connections_.size(); }
  const Stats& Counters() const { return stats_; }
  void CloseAll();

 private:
  struct Connection {
    int fd = -1;
    int watch = 0;
    DeviceModel::ChannelId channel = -1;
    std::vector<uint8_t> out;
    std::unique_ptr<ReplyShaper> shaper;
    bool dead = false;
  };
  void OnAccept();
  void OnTimer(int id) override;
  void PauseAccepting();
  void ResumeAccepting();
  void OnReadable(int id, unsigned events);
  void Queue(int id, const uint8_t* data, size_t length);
  void Flush(int id);
  void Drop(int id);
  void DropLater(int id);

  EventLoop& loop_;
  DeviceModel& model_;
  int listenFd_ = -1;
  int listenWatch_ = 0;
  bool acceptPaused_ = false;
  uint16_t port_ = 0;
  std::string address_;
  std::map<int, std::unique_ptr<Connection>> connections_;
  int nextId_ = 1;
  Stats stats_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace velantor::sim
