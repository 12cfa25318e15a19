// The simulated serial link and command socket joined to the device model in virtual time.
#include <gtest/gtest.h>

#include "support/bytes.h"

#include <cerrno>
#include <utility>
#include <vector>

#include "base/virtual_event_loop.h"
#include "sim/device_model.h"
#include "sim/sim_command_socket.h"
#include "sim/sim_serial_link.h"

namespace velantor::sim {
namespace {

using Bytes = std::vector<uint8_t>;

using velantor::testing::Frame;

struct Owner : PortOwner {
  int OnPortRxChar(uint8_t byte, int port) override {
    bytes.push_back(byte);
    lastPort = port;
    if (onByte) onByte();
    return 0;
  }
  void OnPortNotice(unsigned message, int) override { notices.push_back(message); }
  Bytes bytes;
  std::vector<unsigned> notices;
  int lastPort = 0;
  std::function<void()> onByte;
};

struct SerialBench {
  VirtualEventLoop loop;
  DeviceModel model{loop};
  SimSerialLink link{loop, model};
  Owner owner;
  bool Open() { return link.Open(&owner, 3, SerialSettings{}) == 1 && link.StartMonitoring() == 1; }
  void Write(const Bytes& b) { link.Write(b.data(), b.size()); }
};

TEST(SimSerialLink, RepliesArriveByteByByteAtTheWireRate) {
  SerialBench s;
  ASSERT_TRUE(s.Open());
  s.Write(Frame({0x01, 0x03}));
  // The command is on the wire for 1.24 ms; the reply follows byte by byte until 2.48 ms.
  s.loop.Advance(1);
  EXPECT_EQ(s.model.Counters().framesReceived, 0);
  s.loop.Advance(1);
  EXPECT_EQ(s.model.Counters().framesReceived, 1);
  EXPECT_LT(s.owner.bytes.size(), 13u);
  s.loop.Advance(1);
  EXPECT_EQ(s.owner.bytes, Frame({0x01, 0x03, 1, 0, 5}));
  EXPECT_EQ(s.owner.lastPort, 3);
  // The reply is one burst on the line, ended by one event-character notice.
  EXPECT_EQ(s.owner.notices, (std::vector<unsigned>{0x408}));
  EXPECT_EQ(s.link.Counters().bytesWritten, 13u);
}

TEST(SimSerialLink, BackToBackFramesQueueOnTheWire) {
  SerialBench s;
  ASSERT_TRUE(s.Open());
  for (int i = 0; i < 10; ++i) s.Write(Frame({0x01, 0x01}));
  // 130 bytes each way: the last reply byte lands after 130 x 95.5 us + 13 x 95.5 us = 13.65 ms.
  s.loop.Advance(13);
  EXPECT_LT(s.owner.bytes.size(), 130u);
  s.loop.Advance(1);
  EXPECT_EQ(s.owner.bytes.size(), 130u);
}

TEST(SimSerialLink, AnAbsentPortCannotBeOpened) {
  SerialBench s;
  s.link.SetPortPresent(false);
  EXPECT_EQ(s.link.Open(&s.owner, 3, SerialSettings{}), 0);
  EXPECT_FALSE(s.link.IsOpen());
  s.Write(Frame({0x01, 0x01}));
  s.loop.Advance(10);
  EXPECT_EQ(s.model.Counters().framesReceived, 0);
  EXPECT_EQ(s.link.Counters().failedOpens, 1);
}

TEST(SimSerialLink, ClosingMidReplyStopsTheDelivery) {
  SerialBench s;
  ASSERT_TRUE(s.Open());
  s.owner.onByte = [&] {
    if (s.owner.bytes.size() == 5) s.link.Close();
  };
  s.Write(Frame({0x01, 0x01}));
  s.loop.Advance(10);
  EXPECT_EQ(s.owner.bytes.size(), 5u);
  EXPECT_TRUE(s.owner.notices.empty());
  EXPECT_EQ(s.model.ChannelCount(), 0u);
}

TEST(SimSerialLink, BlocksLargerThanTheWriteBufferAreNotSent) {
  SerialBench s;
  ASSERT_TRUE(s.Open());
  Bytes big(513, 0);
  s.Write(big);
  s.loop.Advance(100);
  EXPECT_EQ(s.link.Counters().oversizeWrites, 1);
  EXPECT_EQ(s.link.Counters().bytesWritten, 0u);
}

TEST(SimSerialLink, DeviceFaultsShowThroughTheLink) {
  SerialBench s;
  ASSERT_TRUE(s.Open());
  s.model.Faults().delayMs = 100;
  s.Write(Frame({0x01, 0x01}));
  s.loop.Advance(100);
  EXPECT_TRUE(s.owner.bytes.empty());
  s.loop.Advance(5);
  EXPECT_EQ(s.owner.bytes, Frame({0x01, 0x01, 1}));
}

struct Receiver : SocketReceiver {
  void OnSocketEvent(int event, int error) override {
    events.emplace_back(event, error);
    if (event == kSocketRead && socket) {
      uint8_t buffer[1024];
      long n = socket->Receive(buffer, readSize);
      if (n > 0) reads.emplace_back(buffer, buffer + n);
    }
  }
  CommandSocket* socket = nullptr;
  size_t readSize = 1024;
  std::vector<std::pair<int, int>> events;
  std::vector<Bytes> reads;
};

struct SocketBench {
  SocketBench() { receiver.socket = &socket; }
  VirtualEventLoop loop;
  DeviceModel model{loop};
  SimCommandSocket socket{loop, model, "192.168.1.239"};
  Receiver receiver;
  void Send(const Bytes& b) { socket.Send(b.data(), b.size()); }
};

TEST(SimCommandSocket, ConnectReportsLaterAndRepliesComeAsReads) {
  SocketBench s;
  s.socket.Connect(&s.receiver, "192.168.1.239", 8000);
  EXPECT_TRUE(s.receiver.events.empty());
  EXPECT_LT(s.socket.Send(Frame({0x01, 0x01}).data(), 13), 0);  // not connected yet
  s.loop.Advance(1);
  ASSERT_EQ(s.receiver.events.size(), 1u);
  EXPECT_EQ(s.receiver.events[0], std::make_pair(kSocketConnect, 0));
  s.Send(Frame({0x02, 0x01, 2}));
  EXPECT_TRUE(s.receiver.reads.empty());  // never from inside Send
  s.loop.RunPending();
  ASSERT_EQ(s.receiver.reads.size(), 1u);
  EXPECT_EQ(s.receiver.reads[0], Frame({0x02, 0x01, 2, 0, 2}));
}

TEST(SimCommandSocket, WrongAddressPortOrAnUnreachableDeviceIsRefused) {
  const std::vector<std::tuple<std::string, uint16_t, bool, int>> cases = {
      {"192.168.1.240", 8000, true, ECONNREFUSED},
      {"192.168.1.239", 8001, true, ECONNREFUSED},
      {"192.168.1.239", 8000, false, ECONNREFUSED},
      {"", 8000, true, EINVAL},
      {"300.1.1.1", 8000, true, EINVAL},
  };
  for (const auto& [address, port, reachable, error] : cases) {
    SCOPED_TRACE(address + ":" + std::to_string(port));
    SocketBench s;
    s.socket.SetReachable(reachable);
    s.socket.Connect(&s.receiver, address, port);
    s.loop.Advance(5);
    ASSERT_EQ(s.receiver.events.size(), 1u);
    EXPECT_EQ(s.receiver.events[0], std::make_pair(kSocketConnect, error));
    EXPECT_FALSE(s.socket.Connected());
    EXPECT_EQ(s.model.ChannelCount(), 0u);
  }
}

TEST(SimCommandSocket, EachConnectIsANewConnectionAndOldRepliesAreLost) {
  SocketBench s;
  s.socket.Connect(&s.receiver, "192.168.1.239", 8000);
  s.loop.Advance(1);
  s.model.Faults().delayMs = 50;
  s.Send(Frame({0x01, 0x01}));
  Receiver second;
  second.socket = &s.socket;
  s.socket.Connect(&second, "192.168.1.239", 8000);  // the next page takes the socket
  s.loop.Advance(100);
  EXPECT_TRUE(s.receiver.reads.empty());
  EXPECT_TRUE(second.reads.empty());
  EXPECT_EQ(s.socket.Counters().connects, 2);
  EXPECT_EQ(s.model.ChannelCount(), 1u);
}

TEST(SimCommandSocket, SplitRepliesArriveAsSeparateReads) {
  SocketBench s;
  s.model.Faults().splitBytes = 6;
  s.model.Faults().splitGapMs = 2;
  s.socket.Connect(&s.receiver, "192.168.1.239", 8000);
  s.loop.Advance(1);
  s.Send(Frame({0x01, 0x01}));
  s.loop.Advance(10);
  ASSERT_EQ(s.receiver.reads.size(), 3u);
  EXPECT_EQ(s.receiver.reads[0].size(), 6u);
  EXPECT_EQ(s.receiver.reads[1].size(), 6u);
  EXPECT_EQ(s.receiver.reads[2].size(), 1u);
}

TEST(SimCommandSocket, JoinedRepliesArriveInOneRead) {
  SocketBench s;
  s.model.Faults().joinCount = 2;
  s.socket.Connect(&s.receiver, "192.168.1.239", 8000);
  s.loop.Advance(1);
  s.Send(Frame({0x01, 0x01}));
  s.Send(Frame({0x01, 0x02}));
  s.loop.RunPending();
  ASSERT_EQ(s.receiver.reads.size(), 1u);
  EXPECT_EQ(s.receiver.reads[0].size(), 26u);
}

TEST(SimCommandSocket, DataLeftUnreadIsAnnouncedAgain) {
  SocketBench s;
  s.receiver.readSize = 5;
  s.socket.Connect(&s.receiver, "192.168.1.239", 8000);
  s.loop.Advance(1);
  s.Send(Frame({0x01, 0x01}));
  s.loop.RunPending();
  ASSERT_EQ(s.receiver.reads.size(), 3u);
  EXPECT_EQ(s.socket.Counters().bytesReceived, 13u);
}

TEST(SimCommandSocket, TheDevicesCloseFaultEndsTheConnectionWithANotice) {
  SocketBench s;
  s.socket.Connect(&s.receiver, "192.168.1.239", 8000);
  s.loop.Advance(1);
  s.model.CloseConnections();
  s.loop.RunPending();
  EXPECT_EQ(s.receiver.events.back(), std::make_pair(kSocketClose, 0));
  EXPECT_FALSE(s.socket.Connected());
  EXPECT_LT(s.socket.Send(Frame({0x01, 0x01}).data(), 13), 0);
  EXPECT_EQ(s.model.ChannelCount(), 0u);
}

TEST(SimCommandSocket, ClosingItselfGivesNoNotice) {
  SocketBench s;
  s.socket.Connect(&s.receiver, "192.168.1.239", 8000);
  s.loop.Advance(1);
  s.Send(Frame({0x01, 0x01}));
  s.socket.Close();
  s.loop.Advance(10);
  EXPECT_EQ(s.receiver.events.size(), 1u);  // the connect only
  EXPECT_FALSE(s.socket.IsOpen());
}

}  // namespace
}  // namespace velantor::sim
