// The real command socket against a listening socket on 127.0.0.1: connect, refuse, bad
// addresses, peer close, and frames split or joined on the wire.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

#include "base/virtual_event_loop.h"
#include "link/frame_collectors.h"
#include "support/collector_policies.h"
#include "link/tcp_command_socket.h"
#include "support/bytes.h"

namespace velantor {
namespace {
using testing::Hex;
using testing::HexText;

class Listener {
 public:
  Listener() {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(fd_, 4);
    socklen_t len = sizeof a;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
  }
  ~Listener() {
    if (peer_ >= 0) ::close(peer_);
    ::close(fd_);
  }
  uint16_t Port() const { return port_; }
  int Accept() { return peer_ = ::accept(fd_, nullptr, nullptr); }
  void SendToPanel(const std::vector<uint8_t>& b) { ASSERT_EQ(::send(peer_, b.data(), b.size(), 0), (ssize_t)b.size()); }
  void ClosePeer() { ::close(peer_); peer_ = -1; }

 private:
  int fd_ = -1;
  int peer_ = -1;
  uint16_t port_ = 0;
};

// A page's socket handling reduced to what the tests look at.
struct Page : SocketReceiver {
  explicit Page(CommandSocket& s) : socket(s), collector(testing::policies::kGeneral, log, [this](const CommandFrame& f, bool) {
    frames.push_back(HexText(f));
  }) {}
  void OnSocketEvent(int event, int error) override {
    events.push_back({event, error});
    if (event == kSocketRead) collector.OnReadable(socket, true);
  }
  bool Saw(int event) const {
    for (auto& e : events) if (e.first == event) return true;
    return false;
  }
  int ErrorOf(int event) const {
    for (auto& e : events) if (e.first == event) return e.second;
    return -1;
  }
  CommandSocket& socket;
  HexLog log;
  TcpCollector collector;
  std::vector<std::pair<int, int>> events;
  std::vector<std::string> frames;
};

TEST(TcpCommandSocket, ConnectsReceivesSplitAndJoinedFramesAndSeesThePeerClose) {
  VirtualEventLoop loop;
  Listener server;
  TcpCommandSocket socket(loop);
  Page page(socket);
  socket.Connect(&page, "127.0.0.1", server.Port());
  ASSERT_TRUE(loop.WaitUntil([&] { return page.Saw(kSocketConnect); }));
  EXPECT_EQ(page.ErrorOf(kSocketConnect), 0);
  ASSERT_GE(server.Accept(), 0);

  const std::string a = "A5 5B 02 01 01 00 03 00 00 00 00 00 F9";
  const std::string b = "A5 5B 02 01 02 00 04 00 00 00 00 00 F7";
  auto fa = Hex(a);
  server.SendToPanel({fa.begin(), fa.begin() + 6});
  loop.WaitUntil([&] { return page.collector.Pending() == 6; });
  EXPECT_TRUE(page.frames.empty());
  server.SendToPanel({fa.begin() + 6, fa.end()});
  ASSERT_TRUE(loop.WaitUntil([&] { return page.frames.size() == 1; }));
  server.SendToPanel(Hex(a + " " + b));
  ASSERT_TRUE(loop.WaitUntil([&] { return page.frames.size() == 3; }));
  EXPECT_EQ(page.frames[1], a);
  EXPECT_EQ(page.frames[2], b);

  const uint8_t query[13] = {0xA5, 0x5B, 0x01, 0x0A, 0, 0, 0, 0, 0, 0, 0, 0, 0xF5};
  EXPECT_EQ(socket.Send(query, 13), 13);
  server.ClosePeer();
  ASSERT_TRUE(loop.WaitUntil([&] { return page.Saw(kSocketClose); }));
  EXPECT_FALSE(socket.IsConnected());
}

TEST(TcpCommandSocket, RefusedAndMalformedConnectsFailThroughTheNotification) {
  VirtualEventLoop loop;
  uint16_t closedPort;
  { Listener gone; closedPort = gone.Port(); }
  for (const std::string& address : {std::string("127.0.0.1"), std::string(""), std::string("300.1.2.3"),
                                    std::string("not an address")}) {
    TcpCommandSocket socket(loop);
    Page page(socket);
    socket.Connect(&page, address, closedPort);
    ASSERT_TRUE(loop.WaitUntil([&] { return page.Saw(kSocketConnect); })) << address;
    EXPECT_NE(page.ErrorOf(kSocketConnect), 0) << address;
    EXPECT_FALSE(socket.IsConnected());
    EXPECT_EQ(socket.Send(reinterpret_cast<const uint8_t*>("x"), 1), -1);
  }
}

TEST(TcpCommandSocket, AReconnectDropsTheOldConnectionsPendingNotices) {
  VirtualEventLoop loop;
  Listener server;
  TcpCommandSocket socket(loop);
  Page first(socket), second(socket);
  socket.Connect(&first, "", server.Port());  // its failure notice is queued...
  socket.Connect(&second, "127.0.0.1", server.Port());  // ...and must not reach anyone now
  ASSERT_TRUE(loop.WaitUntil([&] { return second.Saw(kSocketConnect); }));
  loop.RunPending();
  EXPECT_TRUE(first.events.empty());
  EXPECT_EQ(second.ErrorOf(kSocketConnect), 0);
}

}  // namespace
}  // namespace velantor
