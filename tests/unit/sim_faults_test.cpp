// The emulator's fault knobs and their counters, and the shaping of stream replies.
#include <gtest/gtest.h>

#include "support/bytes.h"

#include <vector>

#include "base/virtual_event_loop.h"
#include "sim/device_model.h"
#include "sim/reply_shaper.h"

namespace velantor::sim {
namespace {

using Bytes = std::vector<uint8_t>;

using velantor::testing::Frame;

struct Device {
  Device() : model(loop) {
    model.SetReplySink([this](const uint8_t* d, size_t n) { received.emplace_back(d, d + n); });
  }
  void Send(const Bytes& f) { model.Feed(f.data(), f.size()); }
  VirtualEventLoop loop;
  DeviceModel model;
  std::vector<Bytes> received;
};

const Bytes kQueryType = Frame({0x01, 0x01});
const Bytes kTypeReply = Frame({0x01, 0x01, 1});

TEST(SimFaults, DropNextSwallowsExactlyThatManyReplies) {
  Device d;
  d.model.Faults().dropNext = 2;
  for (int i = 0; i < 3; ++i) d.Send(kQueryType);
  EXPECT_EQ(d.received, std::vector<Bytes>{kTypeReply});
  EXPECT_EQ(d.model.Counters().repliesDropped, 2);
  EXPECT_EQ(d.model.Log().Entries()[1].note, "dropped");
}

TEST(SimFaults, DropEverySwallowsEachNthReply) {
  Device d;
  d.model.Faults().dropEvery = 3;
  for (int i = 0; i < 7; ++i) d.Send(kQueryType);
  EXPECT_EQ(d.received.size(), 5u);  // the 3rd and 6th went missing
  EXPECT_EQ(d.model.Counters().repliesDropped, 2);
}

TEST(SimFaults, DelayHoldsRepliesInTheirOrder) {
  Device d;
  d.model.Faults().delayMs = 200;
  d.Send(kQueryType);
  d.loop.Advance(100);
  d.model.Faults().delayMs = 50;  // a shorter delay later must not overtake
  d.Send(Frame({0x01, 0x03}));
  d.loop.Advance(99);
  EXPECT_TRUE(d.received.empty());
  d.loop.Advance(1);
  ASSERT_EQ(d.received.size(), 2u);
  EXPECT_EQ(d.received[0], kTypeReply);
  EXPECT_EQ(d.received[1], Frame({0x01, 0x03, 1, 0, 5}));
  EXPECT_EQ(d.model.Counters().repliesDelayed, 2);
}

TEST(SimFaults, HeldRepliesForAClosedChannelAreForgotten) {
  VirtualEventLoop loop;
  DeviceModel model(loop);
  int replies = 0;
  auto id = model.OpenChannel([&](const uint8_t*, size_t) { ++replies; });
  model.Faults().delayMs = 10;
  model.Feed(id, kQueryType.data(), kQueryType.size());
  model.CloseChannel(id);
  loop.Advance(20);
  EXPECT_EQ(replies, 0);
}

TEST(SimFaults, CorruptSpoilsOnlyTheChecksumOfTheNextReply) {
  Device d;
  d.model.Faults().corruptNext = 1;
  d.Send(kQueryType);
  d.Send(kQueryType);
  ASSERT_EQ(d.received.size(), 2u);
  Bytes spoilt = d.received[0];
  EXPECT_NE(spoilt[12], kTypeReply[12]);
  spoilt[12] = kTypeReply[12];
  EXPECT_EQ(spoilt, kTypeReply);
  EXPECT_EQ(d.received[1], kTypeReply);
  EXPECT_EQ(d.model.Counters().repliesCorrupted, 1);
}

TEST(SimFaults, StatusRefusesSetCommandsWithoutChangingTheDevice) {
  Device d;
  d.model.Faults().status = 0x05;
  d.Send(Frame({0x02, 0x03, 2, 0, 1}));
  d.Send(Frame({0x0B, 0x01, 3, 0, 1}));
  d.Send(Frame({0x02, 0x01, 1}));  // queries are not affected
  ASSERT_EQ(d.received.size(), 3u);
  EXPECT_EQ(d.received[0], Frame({0x02, 0x03, 5, 0, 1}));
  EXPECT_EQ(d.received[1], Frame({0x0B, 0x01, 5, 0, 1}));
  EXPECT_EQ(d.received[2], Frame({0x02, 0x01, 1, 0, 1}));
  EXPECT_EQ(d.model.Counters().statusOverrides, 2);
}

TEST(SimFaults, CloseAsksEveryFrontEndToDropItsConnection) {
  VirtualEventLoop loop;
  DeviceModel model(loop);
  std::vector<DeviceModel::ChannelId> closed;
  DeviceModel::ChannelId a = model.OpenChannel({}, [&] { closed.push_back(a); model.CloseChannel(a); });
  DeviceModel::ChannelId b = model.OpenChannel({}, [&] { closed.push_back(b); model.CloseChannel(b); });
  model.CloseConnections();
  EXPECT_EQ(closed, (std::vector<DeviceModel::ChannelId>{a, b}));
  EXPECT_EQ(model.ChannelCount(), 0u);
  EXPECT_EQ(model.Counters().closeRequests, 1);
}

struct Shaped {
  Shaped() : shaper(loop, knobs, [this](const uint8_t* d, size_t n) { segments.emplace_back(d, d + n); }) {}
  VirtualEventLoop loop;
  FaultKnobs knobs;
  ReplyShaper shaper;
  std::vector<Bytes> segments;
};

TEST(SimFaults, SplitSendsAReplyInPiecesSpacedInTime) {
  Shaped s;
  s.knobs.splitBytes = 6;
  s.knobs.splitGapMs = 5;
  s.shaper.Push(kTypeReply.data(), kTypeReply.size());
  s.shaper.Push(kTypeReply.data(), kTypeReply.size());
  ASSERT_EQ(s.segments.size(), 1u);
  EXPECT_EQ(s.segments[0], Bytes(kTypeReply.begin(), kTypeReply.begin() + 6));
  s.loop.Advance(5);
  EXPECT_EQ(s.segments.size(), 2u);
  s.loop.Advance(20);
  ASSERT_EQ(s.segments.size(), 6u);
  Bytes joined;
  for (const Bytes& seg : s.segments) joined.insert(joined.end(), seg.begin(), seg.end());
  Bytes twice = kTypeReply;
  twice.insert(twice.end(), kTypeReply.begin(), kTypeReply.end());
  EXPECT_EQ(joined, twice);
}

TEST(SimFaults, JoinSendsSeveralRepliesAsOneSegmentOrFlushesAShortOne) {
  Shaped s;
  s.knobs.joinCount = 3;
  s.knobs.joinFlushMs = 20;
  for (int i = 0; i < 4; ++i) s.shaper.Push(kTypeReply.data(), kTypeReply.size());
  ASSERT_EQ(s.segments.size(), 1u);
  EXPECT_EQ(s.segments[0].size(), 39u);
  s.loop.Advance(20);
  ASSERT_EQ(s.segments.size(), 2u);
  EXPECT_EQ(s.segments[1], kTypeReply);
}

}  // namespace
}  // namespace velantor::sim
