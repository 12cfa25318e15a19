// The emulated switcher's EDID exchanges: modes and status codes, copies, downloads, reads.
#include <gtest/gtest.h>

#include "support/bytes.h"

#include <vector>

#include "base/virtual_event_loop.h"
#include "sim/device_model.h"
#include "sim/edid_data.h"
#include "support/edid_samples.h"

namespace velantor::sim {
namespace {

using Bytes = std::vector<uint8_t>;

using velantor::testing::Frame;

// A 256-byte EDID with a good header and block sums, full of A5 5B pairs that must not be
// taken for frames while the block travels.
Bytes SampleEdid() { return velantor::testing::EdidFullOfStartPairs(8); }

Bytes DataBlock(const Bytes& edid) {
  Bytes block{0x00};
  block.insert(block.end(), edid.begin(), edid.end());
  block.resize(290, 0x00);
  return block;
}

struct Device {
  Device() : model(loop) {
    model.SetReplySink([this](const uint8_t* d, size_t n) { received.insert(received.end(), d, d + n); });
  }
  Bytes Ask(const Bytes& request) {
    received.clear();
    model.Feed(request.data(), request.size());
    return received;
  }
  uint8_t CodeOf(int input) { return Ask(Frame({0x01, 0x0C, input})).at(6); }
  VirtualEventLoop loop;
  DeviceModel model;
  Bytes received;
};

TEST(SimEdid, ModesSetTheStatusCodeTheInputReports) {
  Device device;
  EXPECT_EQ(device.Ask(Frame({0x03, 0x02, 2, 0xF0, 3})), Frame({0x03, 0x02, 0, 0, 3}));
  EXPECT_EQ(device.Ask(Frame({0x01, 0x0C, 3})), Frame({0x01, 0x0C, 3, 0, 3}));  // 1080p stereo
  EXPECT_EQ(device.CodeOf(2), 0);
  EXPECT_EQ(device.Ask(Frame({0x03, 0x01, 3, 0xF0})), Frame({0x03, 0x01}));
  for (int n = 1; n <= 4; ++n) EXPECT_EQ(device.CodeOf(n), 13) << "input " << n;  // DVI 1920x1080
  EXPECT_EQ(device.Ask(Frame({0x03, 0x01, 99, 0xF0})), Frame({0x03, 0x01, 1}));
  EXPECT_EQ(device.CodeOf(1), 13);
}

TEST(SimEdid, CopyTakesTheDisplaysEdidAndIsRefusedWithoutADisplay) {
  Device device;
  EXPECT_EQ(device.Ask(Frame({0x03, 0x04, 2, 0, 1})), Frame({0x03, 0x04, 0, 0, 1}));
  EXPECT_EQ(device.CodeOf(1), 16);  // "Copy HDMI OUT B"
  EXPECT_EQ(device.model.State().Input(1).edid, device.model.State().Output(2).displayEdid);
  device.model.SetPortConnected(false, 3, false);
  EXPECT_EQ(device.Ask(Frame({0x03, 0x04, 3, 0, 2})), Frame({0x03, 0x04, 1, 0, 2}));
  EXPECT_EQ(device.Ask(Frame({0x03, 0x03, 3})), Frame({0x03, 0x03, 1}));
  EXPECT_EQ(device.CodeOf(2), 0);
  EXPECT_EQ(device.Ask(Frame({0x03, 0x03, 4})), Frame({0x03, 0x03}));
  for (int n = 1; n <= 4; ++n) EXPECT_EQ(device.CodeOf(n), 18) << "input " << n;
}

TEST(SimEdid, DownloadToOneInputTakesTheBlockEvenInPieces) {
  Device device;
  EXPECT_EQ(device.Ask(Frame({0x03, 0x08, 0xF0})), Frame({0x03, 0x08}));
  EXPECT_EQ(device.Ask(Frame({0x03, 0x07, 2, 0xF0})), Frame({0x03, 0x07, 0xAA}));
  EXPECT_TRUE(device.Ask(Frame({0x03, 0x07, 0x56, 0, 0, 0x01})).empty());
  const Bytes edid = SampleEdid();
  const Bytes block = DataBlock(edid);
  EXPECT_TRUE(device.Ask(Bytes(block.begin(), block.begin() + 100)).empty());
  EXPECT_EQ(device.Ask(Bytes(block.begin() + 100, block.end())), Frame({0x03, 0x07, 0, 0, 0, 0x01}));
  EXPECT_EQ(Bytes(device.model.State().Input(2).edid.begin(), device.model.State().Input(2).edid.end()), edid);
  EXPECT_EQ(device.CodeOf(2), 0x40);  // outside the named codes: "User define"
  EXPECT_EQ(device.CodeOf(1), 0);
  EXPECT_EQ(device.model.Counters().edidBlocks, 1);
}

TEST(SimEdid, DownloadToAllInputsReachesEveryInput) {
  Device device;
  EXPECT_EQ(device.Ask(Frame({0x03, 0x06, 0xFE, 0xF0})), Frame({0x03, 0x06, 0xAA}));
  Bytes stream = Frame({0x03, 0x06, 0x56, 0, 0, 0x01});
  const Bytes block = DataBlock(SampleEdid());
  stream.insert(stream.end(), block.begin(), block.end());
  EXPECT_EQ(device.Ask(stream), Frame({0x03, 0x06, 0, 0, 0, 0x01}));
  for (int n = 1; n <= 4; ++n) EXPECT_EQ(device.CodeOf(n), 0x40) << "input " << n;
}

TEST(SimEdid, BlocksWithABrokenLayoutAreRefusedAndChangeNothing) {
  struct Case {
    const char* what;
    size_t at;
    uint8_t value;
  };
  const Case cases[] = {
      {"lead byte", 0, 0x01},
      {"header", 2, 0x00},
      {"base checksum", 1 + 20, 0x33},
      {"extension checksum", 1 + 200, 0x00},
      {"trailing zeros", 289, 0x01},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Device device;
    device.Ask(Frame({0x03, 0x07, 1, 0xF0}));
    device.Ask(Frame({0x03, 0x07, 0x56, 0, 0, 0x01}));
    Bytes block = DataBlock(SampleEdid());
    block[c.at] = c.value;
    EXPECT_EQ(device.Ask(block), Frame({0x03, 0x07, 0xFF, 0, 0, 0x01}));
    EXPECT_EQ(device.CodeOf(1), 0);
    EXPECT_EQ(device.model.Counters().badEdidBlocks, 1);
  }
}

TEST(SimEdid, AHalfSentBlockIsAbandonedSoLaterFramesAreAnsweredAgain) {
  Device device;
  device.Ask(Frame({0x03, 0x07, 1, 0xF0}));
  device.Ask(Frame({0x03, 0x07, 0x56, 0, 0, 0x01}));
  const Bytes block = DataBlock(SampleEdid());
  device.Ask(Bytes(block.begin(), block.begin() + 50));
  device.loop.Advance(999);
  EXPECT_TRUE(device.Ask(Frame({0x01, 0x01})).empty());  // still counted as block bytes
  device.loop.Advance(1000);
  EXPECT_EQ(device.model.Counters().blockTimeouts, 1);
  EXPECT_EQ(device.Ask(Frame({0x01, 0x01})), Frame({0x01, 0x01, 1}));
}

TEST(SimEdid, ReadsReturnTheRaw256BytesOfAnOutputOrAUserMemory) {
  Device device;
  const EdidBytes& display = device.model.State().Output(3).displayEdid;
  EXPECT_EQ(device.Ask(Frame({0x03, 0x05, 3, 0xF0})), Bytes(display.begin(), display.end()));
  const EdidBytes& user2 = device.model.State().userMemory[1];
  EXPECT_EQ(device.Ask(Frame({0x03, 0x05, 0, 0xF2})), Bytes(user2.begin(), user2.end()));
  device.model.SetPortConnected(false, 3, false);
  EXPECT_EQ(device.Ask(Frame({0x03, 0x05, 3, 0xF0})), Frame({0x03, 0x05, 0xFF, 0xF0, 3}));
  EXPECT_EQ(device.model.Log().Select(Direction::kOut, PayloadKind::kEdidData).size(), 2u);
}

TEST(SimEdid, GeneratedEdidsPassTheDownloadCheck) {
  const EdidBytes e = MakeEdid("ANY NAME", 7);
  Bytes block = DataBlock(Bytes(e.begin(), e.end()));
  EXPECT_TRUE(CheckEdidBlock(block.data(), block.size()).edid.has_value());
}

}  // namespace
}  // namespace velantor::sim
