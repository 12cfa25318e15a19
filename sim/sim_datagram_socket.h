// The panel's datagram socket on a simulated LAN inside a test process, in virtual time. The
// switchers on the LAN answer through the emulator's network responder: a datagram sent to the
// search or configuration port, by broadcast or to a switcher's address, reaches each switcher
// it is meant for, and its answer comes back to the sender's port a few milliseconds later. A
// broadcast to the port the socket is bound to also comes back to the socket itself, as on a
// real LAN where the panel shares the port. Arrivals go to whatever the socket is bound to when
// they land, so an answer that finds the port closed (or the socket moved to the other
// exchange) is lost, and one that finds it reopened on the same port is still read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/event_loop.h"
#include "link/datagram_socket.h"
#include "sim/device_state.h"
#include "sim/network_responder.h"

namespace velantor::sim {

// The ports the switchers listen on (the production ones unless a test moves them).
struct LanPorts {
  uint16_t search = 30600;
  uint16_t config = 30601;
};

class SimDatagramSocket : public DatagramSocket, private TimerTarget {
 public:
  // One datagram as it went out of the socket.
  struct Sent {
    std::string address;
    uint16_t port = 0;
    std::vector<uint8_t> bytes;
  };
  struct Stats {
    int opens = 0;
    int failedOpens = 0;
    int sends = 0;           // datagrams that went out
    int refusedSends = 0;    // not open, malformed address, broadcast not enabled
    int echoes = 0;          // own datagrams heard again
    int answers = 0;         // answers the switchers gave
    int answersDropped = 0;  // taken by DropNextAnswers
    int delivered = 0;       // handed to the reader
    int lost = 0;            // arrived while nothing was bound to their port
  };

  // How long a switcher takes to answer, unless AddDevice says otherwise.
  static constexpr int kAnswerDelayMs = 5;
  // The address the panel's own datagrams come back from.
  static constexpr const char* kHostAddress = "127.0.0.1";

  // `broadcastAddress` is the LAN's broadcast address; 255.255.255.255 is one too.
  explicit SimDatagramSocket(EventLoop& loop, std::string broadcastAddress = "127.255.255.255",
                             LanPorts ports = {});
  ~SimDatagramSocket() override;

  // Puts a switcher with this identity on the LAN (its address is identity.ip, which follows a
  // static configuration it accepts). Several calls make several switchers; they answer a
  // broadcast in the order they were added. Returns its responder, for its counters.
  const NetworkResponder& AddDevice(NetworkIdentity& identity, int answerDelayMs = kAnswerDelayMs);

  std::string Open(const std::string& address, uint16_t port) override;
  bool EnableBroadcast() override;
  bool WatchReads(DatagramCallback onDatagram) override;
  long SendTo(const std::string& address, uint16_t port, const uint8_t* data, size_t length) override;
  void Close() override;
  bool IsOpen() const override { return open_; }
  uint16_t LocalPort() const override { return localPort_; }

  // Fault knobs.
  // The next `count` answers of any switcher are lost on the way.
  void DropNextAnswers(int count = 1) { dropAnswers_ += count; }
  // A datagram from fromAddress:fromPort to `toPort` that lands `delayMs` from now: a stray
  // byte, another program's packet, an answer of a switcher that is not on the LAN.
  void Inject(std::vector<uint8_t> bytes, const std::string& fromAddress, uint16_t fromPort, uint16_t toPort,
              int delayMs = 0);

  const std::vector<Sent>& SentDatagrams() const { return sent_; }
  const Stats& Counters() const { return stats_; }
  size_t InFlight() const { return inFlight_.size(); }

 private:
  struct Device {
    NetworkIdentity& identity;
    NetworkResponder responder;
    int answerDelayMs;
  };
  struct Arrival {
    int64_t dueMs;
    std::string fromAddress;
    uint16_t fromPort;
    uint16_t toPort;
    std::vector<uint8_t> bytes;
  };
  void OnTimer(int id) override;
  void ReachDevices(bool broadcast, const std::string& address, uint16_t port, const uint8_t* data,
                    size_t length, uint16_t replyPort);
  void Schedule(Arrival arrival);
  void Rearm();
  void Land(Arrival arrival);

  std::string broadcastAddress_;
  LanPorts ports_;
  std::deque<std::unique_ptr<Device>> devices_;
  bool open_ = false;
  bool broadcast_ = false;
  uint16_t localPort_ = 0;
  uint16_t nextEphemeral_ = 40000;
  DatagramCallback onDatagram_;
  std::deque<Arrival> inFlight_;  // by due time, ties in sending order
  std::deque<Arrival> unread_;    // landed while bound but before anyone watched
  int dropAnswers_ = 0;
  std::vector<Sent> sent_;
  Stats stats_;
};

}  // namespace velantor::sim
