// The emulator's TCP server, pseudo-terminal and UDP responders on loopback.
#include <gtest/gtest.h>

#include "support/bytes.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "base/virtual_event_loop.h"
#include "sim/emulator.h"
#include "sim/network_responder.h"
#include "sim/pty_port.h"
#include "sim/tcp_server.h"
#include "sim/udp_responder.h"

namespace velantor::sim {
namespace {

using Bytes = std::vector<uint8_t>;

using velantor::testing::Frame;

sockaddr_in Loopback(const char* address, uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  inet_pton(AF_INET, address, &a.sin_addr);
  return a;
}

int ConnectTo(uint16_t port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a = Loopback("127.0.0.1", port);
  if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    close(fd);
    return -1;
  }
  fcntl(fd, F_SETFL, O_NONBLOCK);
  return fd;
}

// Reads what is there without blocking; returns false when the peer has closed.
bool ReadSome(int fd, Bytes& into) {
  uint8_t buffer[512];
  ssize_t n = read(fd, buffer, sizeof buffer);
  if (n > 0) into.insert(into.end(), buffer, buffer + n);
  return n != 0;
}

TEST(SimTcpServer, EachConnectionGetsTheRepliesToItsOwnCommands) {
  VirtualEventLoop loop;
  DeviceModel model(loop);
  TcpServer server(loop, model);
  ASSERT_EQ(server.Listen("127.0.0.1", 0), "");
  ASSERT_NE(server.Port(), 0);
  int a = ConnectTo(server.Port());
  int b = ConnectTo(server.Port());
  ASSERT_GE(a, 0);
  ASSERT_GE(b, 0);
  ASSERT_TRUE(loop.WaitUntil([&] { return server.ConnectionCount() == 2; }));
  const Bytes type = Frame({0x01, 0x01});
  const Bytes version = Frame({0x01, 0x03});
  ASSERT_EQ(write(a, type.data(), type.size()), 13);
  ASSERT_EQ(write(b, version.data(), 7), 7);  // a frame in two segments
  Bytes gotA, gotB;
  ASSERT_TRUE(loop.WaitUntil([&] { ReadSome(a, gotA); return gotA.size() >= 13; }));
  ASSERT_EQ(write(b, version.data() + 7, 6), 6);
  ASSERT_TRUE(loop.WaitUntil([&] { ReadSome(b, gotB); return gotB.size() >= 13; }));
  EXPECT_EQ(gotA, Frame({0x01, 0x01, 1}));
  EXPECT_EQ(gotB, Frame({0x01, 0x03, 1, 0, 5}));
  close(a);
  ASSERT_TRUE(loop.WaitUntil([&] { return server.ConnectionCount() == 1; }));
  EXPECT_EQ(server.Counters().closedByPeer, 1);
  close(b);
}

TEST(SimTcpServer, TheCloseFaultHangsUpOnThePanel) {
  VirtualEventLoop loop;
  DeviceModel model(loop);
  TcpServer server(loop, model);
  ASSERT_EQ(server.Listen("127.0.0.1", 0), "");
  int fd = ConnectTo(server.Port());
  ASSERT_TRUE(loop.WaitUntil([&] { return server.ConnectionCount() == 1; }));
  model.CloseConnections();
  Bytes ignored;
  EXPECT_TRUE(loop.WaitUntil([&] { return !ReadSome(fd, ignored); }));
  EXPECT_EQ(server.ConnectionCount(), 0u);
  EXPECT_EQ(model.ChannelCount(), 0u);
  close(fd);
}

TEST(SimTcpServer, ABusyPortIsReportedNotHidden) {
  VirtualEventLoop loop;
  DeviceModel model(loop);
  TcpServer first(loop, model), second(loop, model);
  ASSERT_EQ(first.Listen("127.0.0.1", 0), "");
  EXPECT_NE(second.Listen("127.0.0.1", first.Port()), "");
  EXPECT_NE(second.Listen("no.such.address", 0), "");
}

std::string TempDir() {
  char pattern[] = "/tmp/velantor-sim-XXXXXX";
  const char* dir = mkdtemp(pattern);
  return dir ? dir : "";
}

TEST(SimPtyPort, ThePanelSideOfTheTerminalTalksToTheDevice) {
  VirtualEventLoop loop;
  DeviceModel model(loop);
  PtyPort pty(loop, model);
  const std::string dir = TempDir();
  const std::string link = dir + "/matrix";
  ASSERT_EQ(pty.Open(link), "");
  char target[256] = {};
  ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
  EXPECT_EQ(std::string(target), pty.SlavePath());
  int fd = open(link.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  const Bytes query = Frame({0x02, 0x01, 4});
  ASSERT_EQ(write(fd, query.data(), query.size()), 13);
  Bytes got;
  ASSERT_TRUE(loop.WaitUntil([&] { ReadSome(fd, got); return got.size() >= 13; }));
  EXPECT_EQ(got, Frame({0x02, 0x01, 4, 0, 4}));
  close(fd);  // the panel closes at every page change; the terminal stays usable
  fd = open(link.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(write(fd, query.data(), query.size()), 13);
  got.clear();
  ASSERT_TRUE(loop.WaitUntil([&] { ReadSome(fd, got); return got.size() >= 13; }));
  close(fd);
  pty.Close();
  struct stat st{};
  EXPECT_NE(lstat(link.c_str(), &st), 0);
  rmdir(dir.c_str());
}

TEST(SimPtyPort, WireRateRepliesStillArriveWhole) {
  VirtualEventLoop loop;
  DeviceModel model(loop);
  PtyPort pty(loop, model);
  ASSERT_EQ(pty.Open("", true), "");
  int fd = open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  const Bytes query = Frame({0x01, 0x01});
  ASSERT_EQ(write(fd, query.data(), query.size()), 13);
  ASSERT_TRUE(loop.WaitUntil([&] { return model.Counters().repliesSent == 1; }));
  // The virtual clock does not move here, so the line holds the reply until it does.
  Bytes got;
  ReadSome(fd, got);
  EXPECT_TRUE(got.empty());
  loop.Advance(2);
  ASSERT_TRUE(loop.WaitUntil([&] { ReadSome(fd, got); return got.size() >= 13; }));
  EXPECT_EQ(got, Frame({0x01, 0x01, 1}));
  close(fd);
}

TEST(SimPtyPort, AFileInTheWayOfTheLinkIsLeftAlone) {
  VirtualEventLoop loop;
  DeviceModel model(loop);
  PtyPort pty(loop, model);
  const std::string dir = TempDir();
  const std::string path = dir + "/keep";
  std::ofstream(path) << "mine";
  EXPECT_NE(pty.Open(path), "");
  std::ifstream in(path);
  std::string text;
  in >> text;
  EXPECT_EQ(text, "mine");
  unlink(path.c_str());
  rmdir(dir.c_str());
}

struct UdpClient {
  UdpClient() {
    fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
    sockaddr_in any = Loopback("0.0.0.0", 0);
    bind(fd, reinterpret_cast<sockaddr*>(&any), sizeof any);
  }
  ~UdpClient() { close(fd); }
  void Broadcast(uint16_t port, const Bytes& data) {
    sockaddr_in to = Loopback("127.255.255.255", port);
    sendto(fd, data.data(), data.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
  }
  bool Take(Bytes& out) {
    uint8_t buffer[2048];
    ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) return false;
    out.assign(buffer, buffer + n);
    return true;
  }
  int fd;
};

TEST(SimUdpResponder, SearchAndConfigurationAnswerTheSenderThroughLoopbackBroadcast) {
  VirtualEventLoop loop;
  NetworkIdentity identity;
  NetworkResponder network(identity);
  UdpResponder search(loop, [&](const uint8_t* d, size_t n) { return network.OnSearch(d, n); });
  UdpResponder config(loop, [&](const uint8_t* d, size_t n) { return network.OnConfig(d, n); });
  ASSERT_EQ(search.Bind("0.0.0.0", 0), "");
  ASSERT_EQ(config.Bind("0.0.0.0", 0), "");
  UdpClient panel;
  panel.Broadcast(search.Port(), {0x61});
  Bytes reply;
  ASSERT_TRUE(loop.WaitUntil([&] { return panel.Take(reply); }));
  ASSERT_EQ(reply.size(), 55u);
  EXPECT_EQ(reply[18], 0x77);
  EXPECT_EQ(reply[19], 0x88);

  Bytes packet(76, 0);
  std::copy(reply.begin(), reply.begin() + 6, packet.begin());  // the MAC just found
  const uint8_t ip[] = {127, 0, 0, 9};
  std::copy(ip, ip + 4, packet.begin() + 6);
  packet[19] = 0x02;
  packet[24] = 0x09;
  packet[25] = 0x17;
  packet[74] = 0xFF;
  uint8_t sum = 0;
  for (int i = 0; i < 75; ++i) sum = static_cast<uint8_t>(sum + packet[i]);
  packet[75] = sum;
  panel.Broadcast(config.Port(), packet);
  ASSERT_TRUE(loop.WaitUntil([&] { return panel.Take(reply); }));
  ASSERT_EQ(reply.size(), 76u);
  EXPECT_EQ(reply[74], 0x00);
  EXPECT_EQ(identity.ip[3], 9);
}

TEST(SimEmulator, StartsEveryEndpointAndNamesItOnALine) {
  VirtualEventLoop loop;
  ProgramOptions options;
  options.tcpAt = {"127.0.0.1", 0};
  options.search = {"127.0.0.1", 0};
  options.config = {"127.0.0.1", 0};
  Emulator emulator(loop, options);
  ASSERT_EQ(emulator.Start(), "");
  const std::vector<std::string> lines = emulator.EndpointLines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "tcp 127.0.0.1:" + std::to_string(emulator.Tcp()->Port()));
  EXPECT_EQ(lines[1].rfind("serial /dev/pts/", 0), 0u);
  EXPECT_EQ(lines[2].rfind("search 127.0.0.1:", 0), 0u);
  EXPECT_EQ(lines[3].rfind("config 127.0.0.1:", 0), 0u);
  EXPECT_NE(emulator.Console().Run("show").text.find("tcp connections 0 open"), std::string::npos);
}

}  // namespace
}  // namespace velantor::sim
