// The emulated switcher's answers to every command of the catalogue, its framing and channels.
#include <gtest/gtest.h>

#include "support/bytes.h"

#include <vector>

#include "base/virtual_event_loop.h"
#include "sim/device_model.h"

namespace velantor::sim {
namespace {

using Bytes = std::vector<uint8_t>;

using velantor::testing::Frame;

struct Device {
  explicit Device(DeviceState state = MakeDeviceState()) : model(loop, std::move(state)) {
    model.SetReplySink([this](const uint8_t* d, size_t n) { received.insert(received.end(), d, d + n); });
  }
  Bytes Ask(const Bytes& request) {
    received.clear();
    model.Feed(request.data(), request.size());
    loop.RunPending();
    return received;
  }
  VirtualEventLoop loop;
  DeviceModel model;
  Bytes received;
};

struct Exchange {
  const char* what;
  Bytes request;
  Bytes reply;
};

void ExpectExchanges(Device& device, const std::vector<Exchange>& exchanges) {
  for (const Exchange& e : exchanges) {
    SCOPED_TRACE(e.what);
    EXPECT_EQ(device.Ask(e.request), e.reply);
  }
}

TEST(SimDeviceModel, DefaultDeviceAnswersEveryQueryWithItsState) {
  Device device;
  ExpectExchanges(device, {
      {"device type", Frame({0x01, 0x01}), {0xA5, 0x5B, 0x01, 0x01, 0x01, 0, 0, 0, 0, 0, 0, 0, 0xFD}},
      {"size 4x4", Frame({0x01, 0x02}), {0xA5, 0x5B, 0x01, 0x02, 0x04, 0, 0x04, 0, 0, 0, 0, 0, 0xF5}},
      {"version 1.5", Frame({0x01, 0x03}), {0xA5, 0x5B, 0x01, 0x03, 0x01, 0, 0x05, 0, 0, 0, 0, 0, 0xF6}},
      {"input 2 connected", Frame({0x01, 0x04, 2}), Frame({0x01, 0x04, 2, 0, 0x00})},
      {"output 4 connected", Frame({0x01, 0x05, 4}), Frame({0x01, 0x05, 4, 0, 0x00})},
      {"IR on", Frame({0x01, 0x0A}), Frame({0x01, 0x0A, 0, 0, 0x0F})},
      {"beep on", Frame({0x01, 0x0B}), Frame({0x01, 0x0B, 0, 0, 0x0F})},
      {"input 1 EDID code", Frame({0x01, 0x0C, 1}), Frame({0x01, 0x0C, 1, 0, 0})},
      {"route of output 3", Frame({0x02, 0x01, 3}), Frame({0x02, 0x01, 3, 0, 3})},
      {"border shown", Frame({0x0C, 0x03}), Frame({0x0C, 0x03, 0x0F})},
      {"display mode", Frame({0x13, 0x02}), Frame({0x13, 0x02, 1})},
      {"layout", Frame({0x14, 0x02}), Frame({0x14, 0x02, 1, 0, 1})},
      {"main source of layout 1", Frame({0x14, 0x04, 0, 0, 1}), Frame({0x14, 0x04, 1, 0, 1})},
      {"video wall", Frame({0x15, 0x03}), Frame({0x15, 0x03, 1, 0, 1})},
      {"input channel", Frame({0x16, 0x02}), Frame({0x16, 0x02, 1, 0, 1})},
      {"input 4 signal", Frame({0x90, 0x01, 0, 0, 4}), Frame({0x90, 0x01, 1, 0, 4})},
      {"output 2 effect", Frame({0x98, 0x01, 0, 0, 2}), Frame({0x98, 0x01, 1, 0, 2})},
      {"output 2 time", Frame({0x98, 0x02, 0, 0, 2}), Frame({0x98, 0x02, 1, 0, 2})},
  });
}

TEST(SimDeviceModel, SetCommandsAreAcknowledgedAndShowInLaterQueries) {
  Device device;
  ExpectExchanges(device, {
      {"switch input 3 to output 2", {0xA5, 0x5B, 0x02, 0x03, 0x03, 0, 0x02, 0, 0, 0, 0, 0, 0xF6},
       {0xA5, 0x5B, 0x02, 0x03, 0x00, 0, 0x02, 0, 0, 0, 0, 0, 0xF9}},
      {"route now 3", Frame({0x02, 0x01, 2}), Frame({0x02, 0x01, 2, 0, 3})},
      {"all to input 4", Frame({0x02, 0x02, 4}), Frame({0x02, 0x02, 0, 0, 4})},
      {"output 1 shows 4", Frame({0x02, 0x01, 1}), Frame({0x02, 0x01, 1, 0, 4})},
      {"IR off", Frame({0x05, 0x01, 0xF0}), Frame({0x05, 0x01})},
      {"IR reads off", Frame({0x01, 0x0A}), Frame({0x01, 0x0A, 0, 0, 0xFF})},
      {"beep off", Frame({0x06, 0x01, 0xF0}), Frame({0x06, 0x01})},
      {"beep reads off", Frame({0x01, 0x0B}), Frame({0x01, 0x0B, 0, 0, 0xFF})},
      {"border hidden", Frame({0x0C, 0x01, 0xF0}), Frame({0x0C, 0x01})},
      {"border reads hidden", Frame({0x0C, 0x03}), Frame({0x0C, 0x03, 0xF0})},
      {"multi-viewer", Frame({0x13, 0x01, 2, 0, 2}), Frame({0x13, 0x01, 0, 0, 2})},
      {"mode reads 2", Frame({0x13, 0x02}), Frame({0x13, 0x02, 2})},
      {"layout 3", Frame({0x14, 0x01, 3, 0, 3}), Frame({0x14, 0x01, 0, 0, 3})},
      {"main source 2 in layout 3", Frame({0x14, 0x03, 2, 0, 3}), Frame({0x14, 0x03, 0, 0, 3})},
      {"main source reads 2", Frame({0x14, 0x04, 0, 0, 3}), Frame({0x14, 0x04, 2, 0, 3})},
      {"wall 32 wide", Frame({0x15, 0x01, 32}), Frame({0x15, 0x01, 0, 0, 32})},
      {"wall 5 high", Frame({0x15, 0x02, 5}), Frame({0x15, 0x02, 0, 0, 5})},
      {"wall reads 32x5", Frame({0x15, 0x03}), Frame({0x15, 0x03, 32, 0, 5})},
      {"input channel 4", Frame({0x16, 0x01, 4, 0, 4}), Frame({0x16, 0x01, 0, 0, 4})},
      {"input 2 VGA", Frame({0x0A, 0x01, 2, 0, 2}), Frame({0x0A, 0x01, 0, 0, 2})},
      {"signal reads VGA", Frame({0x90, 0x01, 0, 0, 2}), Frame({0x90, 0x01, 2, 0, 2})},
      {"AUTO on a VGA input", Frame({0x0A, 0x0E, 0, 0, 2}), Frame({0x0A, 0x0E, 0, 0, 2})},
      {"SCALER", Frame({0x0A, 0x0F, 0, 0, 1}), Frame({0x0A, 0x0F, 0, 0, 1})},
      {"effect 16 on output 4", Frame({0x0B, 0x01, 16, 0, 4}), Frame({0x0B, 0x01, 0, 0, 4})},
      {"effect reads 16", Frame({0x98, 0x01, 0, 0, 4}), Frame({0x98, 0x01, 16, 0, 4})},
      {"time 8 on output 2", {0xA5, 0x5B, 0x0B, 0x02, 0x08, 0, 0x02, 0, 0, 0, 0, 0, 0xE9},
       Frame({0x0B, 0x02, 0, 0, 2})},
      {"time reads 8", Frame({0x98, 0x02, 0, 0, 2}), Frame({0x98, 0x02, 8, 0, 2})},
  });
  EXPECT_TRUE(device.model.State().Input(1).scaler);
  EXPECT_EQ(device.model.State().Input(2).autoAdjustments, 1);
}

TEST(SimDeviceModel, FactoryResetStepsGetTheAcknowledgementsTheResetWaitsFor) {
  Device device;
  ExpectExchanges(device, {
      {"mode 1", Frame({0x13, 0x01, 1, 0, 1}), Frame({0x13, 0x01, 0, 0, 1})},
      {"route 1", Frame({0x02, 0x03, 1, 0, 1}), Frame({0x02, 0x03, 0, 0, 1})},
      {"handshake", Frame({0x03, 0x08, 0xF0}), Frame({0x03, 0x08})},
      {"EDID mode 4 over TCP", Frame({0x03, 0x01, 4, 0xF0}), Frame({0x03, 0x01})},
      {"EDID resend without flag", Frame({0x03, 0x01, 3, 0}), Frame({0x03, 0x01})},
      {"beep on", Frame({0x06, 0x01, 0x0F}), Frame({0x06, 0x01})},
      {"HDMI on input 3", Frame({0x0A, 0x01, 1, 0, 3}), Frame({0x0A, 0x01, 0, 0, 3})},
      {"effect 1 on output 4", Frame({0x0B, 0x01, 1, 0, 4}), Frame({0x0B, 0x01, 0, 0, 4})},
      {"time 4 on output 1", Frame({0x0B, 0x02, 4, 0, 1}), Frame({0x0B, 0x02, 0, 0, 1})},
  });
}

TEST(SimDeviceModel, MissingPortsStaySilentAndBadValuesAreRefused) {
  Device device;
  ExpectExchanges(device, {
      {"switch to output 5 of a 4x4", Frame({0x02, 0x03, 1, 0, 5}), {}},
      {"route of output 0", Frame({0x02, 0x01, 0}), {}},
      {"input 5 status", Frame({0x01, 0x04, 5}), {}},
      {"input 16 to output 1", Frame({0x02, 0x03, 16, 0, 1}), Frame({0x02, 0x03, 1, 0, 1})},
      {"ALL with no input", Frame({0x02, 0x02, 0}), Frame({0x02, 0x02, 1, 0, 0})},
      {"effect 17", Frame({0x0B, 0x01, 17, 0, 1}), Frame({0x0B, 0x01, 1, 0, 1})},
      {"beep with 0x01", Frame({0x06, 0x01, 0x01}), Frame({0x06, 0x01, 1})},
      {"display mode 4", Frame({0x13, 0x01, 4, 0, 4}), Frame({0x13, 0x01, 1, 0, 1})},
      {"AUTO on an HDMI input", Frame({0x0A, 0x0E, 0, 0, 1}), Frame({0x0A, 0x0E, 1, 0, 1})},
  });
  EXPECT_EQ(device.model.State().Output(1).route, 1);
  EXPECT_EQ(device.model.Counters().rejectedRequests, 3);
}

TEST(SimDeviceModel, EightByEightDeviceServesPortsFiveToEight) {
  Device device(MakeDeviceState(8, 8));
  ExpectExchanges(device, {
      {"size", Frame({0x01, 0x02}), Frame({0x01, 0x02, 8, 0, 8})},
      {"switch input 7 to output 8", Frame({0x02, 0x03, 7, 0, 8}), Frame({0x02, 0x03, 0, 0, 8})},
      {"route of output 8", Frame({0x02, 0x01, 8}), Frame({0x02, 0x01, 8, 0, 7})},
      {"input 6 status", Frame({0x01, 0x04, 6}), Frame({0x01, 0x04, 6, 0, 0})},
  });
}

TEST(SimDeviceModel, UnpluggedPortsReportFF) {
  Device device;
  ASSERT_TRUE(device.model.SetPortConnected(true, 3, false));
  ASSERT_TRUE(device.model.SetPortConnected(false, 2, false));
  EXPECT_FALSE(device.model.SetPortConnected(false, 5, false));
  ExpectExchanges(device, {
      {"input 3", Frame({0x01, 0x04, 3}), Frame({0x01, 0x04, 3, 0, 0xFF})},
      {"output 2", Frame({0x01, 0x05, 2}), Frame({0x01, 0x05, 2, 0, 0xFF})},
      {"input 2 still there", Frame({0x01, 0x04, 2}), Frame({0x01, 0x04, 2, 0, 0})},
  });
}

TEST(SimDeviceModel, GarbageAndSplitFramesGiveTheSameAnswersAsWholeFrames) {
  Bytes stream{0x00, 0xFF, 0xA5, 0x12};  // noise, and a lone start byte
  for (const Bytes& f : {Frame({0x01, 0x01}), Frame({0x02, 0x01, 2})}) {
    stream.insert(stream.end(), f.begin(), f.end());
  }
  Device bulk;
  const Bytes whole = bulk.Ask(stream);
  Device trickle;
  for (uint8_t b : stream) trickle.model.Feed(&b, 1);
  EXPECT_EQ(trickle.received, whole);
  Bytes expected = Frame({0x01, 0x01, 1});
  const Bytes second = Frame({0x02, 0x01, 2, 0, 2});
  expected.insert(expected.end(), second.begin(), second.end());
  EXPECT_EQ(whole, expected);
  EXPECT_EQ(bulk.model.Counters().garbageBytes, 4);
}

TEST(SimDeviceModel, AFrameThatLostItsFirstByteCostsOnlyThatFrame) {
  Device device;
  Bytes broken = Frame({0x01, 0x03});
  broken.erase(broken.begin());  // the first 0xA5 never arrived
  Bytes next = Frame({0x01, 0x02});
  Bytes stream = broken;
  stream.insert(stream.end(), next.begin(), next.end());
  // 5B 01 03 ... then A5 5B 01 02 ...: the good frame is found whatever the bytes before it.
  EXPECT_EQ(device.Ask(stream), Frame({0x01, 0x02, 4, 0, 4}));
}

TEST(SimDeviceModel, FramesWithABadChecksumOrUnknownCommandGetNoAnswer) {
  Device device;
  Bytes bad = Frame({0x01, 0x01});
  bad[12] ^= 0x01;
  EXPECT_TRUE(device.Ask(bad).empty());
  EXPECT_TRUE(device.Ask(Frame({0x42, 0x01})).empty());
  EXPECT_EQ(device.Ask(Frame({0x01, 0x01})), Frame({0x01, 0x01, 1}));  // still in step
  const ModelCounters c = device.model.Counters();
  EXPECT_EQ(c.badFrames, 1);
  EXPECT_EQ(c.unknownFrames, 1);
  EXPECT_EQ(c.framesReceived, 2);
}

TEST(SimDeviceModel, RepliesGoToTheChannelTheCommandCameFrom) {
  VirtualEventLoop loop;
  DeviceModel model(loop);
  Bytes a, b;
  auto first = model.OpenChannel([&](const uint8_t* d, size_t n) { a.insert(a.end(), d, d + n); });
  auto second = model.OpenChannel([&](const uint8_t* d, size_t n) { b.insert(b.end(), d, d + n); });
  const Bytes query = Frame({0x01, 0x03});
  // Half a frame on one channel does not disturb a whole frame on the other.
  model.Feed(first, query.data(), 6);
  model.Feed(second, query.data(), query.size());
  EXPECT_TRUE(a.empty());
  EXPECT_EQ(b, Frame({0x01, 0x03, 1, 0, 5}));
  model.Feed(first, query.data() + 6, query.size() - 6);
  EXPECT_EQ(a, Frame({0x01, 0x03, 1, 0, 5}));
  model.CloseChannel(first);
  model.Feed(first, query.data(), query.size());
  EXPECT_EQ(a.size(), 13u);
  EXPECT_EQ(model.ChannelCount(), 1u);
}

TEST(SimDeviceModel, StandbyReportsAtOnceAndAnswersNothingElse) {
  Device device;
  const Bytes standby{0xA5, 0x5B, 0x88, 0x88, 0, 0, 0, 0, 0, 0, 0, 0, 0xF0};
  device.model.SetStandby(true);
  EXPECT_EQ(device.received, standby);
  EXPECT_EQ(device.Ask(Frame({0x02, 0x03, 2, 0, 1})), standby);
  EXPECT_EQ(device.model.State().Output(1).route, 1);  // the switch was not made
  device.model.SetStandby(false);
  EXPECT_EQ(device.Ask(Frame({0x02, 0x03, 2, 0, 1})), Frame({0x02, 0x03, 0, 0, 1}));
  EXPECT_EQ(device.model.Counters().ignoredInStandby, 1);
}

TEST(SimDeviceModel, TranscriptRecordsBothDirectionsWithTheLoopClock) {
  Device device;
  device.loop.Advance(1234);
  device.Ask(Frame({0x01, 0x01}));
  Bytes bad = Frame({0x01, 0x02});
  bad[12] = 0;
  device.Ask(bad);
  const auto& log = device.model.Log().Entries();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0].timeMs, 1234);
  EXPECT_EQ(log[0].direction, Direction::kIn);
  EXPECT_EQ(log[0].bytes, Frame({0x01, 0x01}));
  EXPECT_EQ(log[1].direction, Direction::kOut);
  EXPECT_EQ(log[1].bytes, Frame({0x01, 0x01, 1}));
  EXPECT_EQ(log[2].note, "bad checksum");
}

TEST(SimDeviceModel, TranscriptKeepsOnlyItsLimit) {
  Device device;
  device.model.Log().SetLimit(4);
  for (int i = 0; i < 5; ++i) device.Ask(Frame({0x01, 0x01}));
  EXPECT_EQ(device.model.Log().Size(), 4u);
  EXPECT_EQ(device.model.Log().Dropped(), 6u);
}

}  // namespace
}  // namespace velantor::sim
