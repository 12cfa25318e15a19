// The emulated switcher's firmware write: parts, preparations, blocks, the bank wrap, reboot, the
// header checks with their counters, and the firmware fault knobs.
#include <gtest/gtest.h>

#include "support/bytes.h"

#include <vector>

#include "base/virtual_event_loop.h"
#include "sim/device_model.h"

namespace velantor::sim {
namespace {

using Bytes = std::vector<uint8_t>;

using velantor::testing::Frame;

Bytes Block(const Bytes& data, size_t offset) {
  Bytes block(257, 0);
  uint8_t sum = 0;
  for (size_t i = 0; i < 256; ++i) {
    block[1 + i] = offset + i < data.size() ? data[offset + i] : 0;
    sum = static_cast<uint8_t>(sum + block[1 + i]);
  }
  block[0] = static_cast<uint8_t>(0 - sum);
  return block;
}

Bytes Image(size_t length, uint8_t seed) {
  Bytes image(length);
  for (size_t i = 0; i < length; ++i) image[i] = static_cast<uint8_t>(i * 7 + seed + i / 256);
  return image;
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
  Bytes Both(const Bytes& first, const Bytes& second) {
    Bytes all = first;
    all.insert(all.end(), second.begin(), second.end());
    return all;
  }
  VirtualEventLoop loop;
  DeviceModel model;
  Bytes received;
};

// Writes `data` as part `part` the way the panel does: header, block, acknowledgement, with
// the B0 01 header at block index 240 and the next bank's blocks after it. The last block is
// followed by the final report except in part 3.
void WriteBlocks(Device& d, int part, const Bytes& data) {
  const int total = static_cast<int>(data.size() / 256);
  int index = 0;
  int counter = 0;
  for (;;) {
    const bool last = counter == total;
    const bool wrap = index == 240;
    Bytes header = last ? Frame({0x20, part, 0x56, 0, 0xFE, 0, 0x01, 0x40, index})
                        : Frame({0x20, part, 0xAA, 0, 0, 0x01, 0x01, wrap ? 0xB0 : 0x40, wrap ? 0x01 : index});
    ASSERT_TRUE(d.Ask(header).empty());
    Bytes ack = d.Ask(Block(data, static_cast<size_t>(counter) * 256));
    Bytes expected = Frame({0x20, part, 0, 0, 0, 0x01, 0x01, wrap ? 0xB0 : 0x40, wrap ? 0x01 : index});
    if (last && part != 3) expected = d.Both(expected, Frame({0x20, part, 0, 0, 0xFE, 0, 0x01, 0x40}));
    ASSERT_EQ(ack, expected) << "block " << counter;
    if (last) return;
    if (wrap) {
      index = 0;
      counter = 256;  // the writer skips the rest of the bank
    } else {
      ++index;
      ++counter;
    }
  }
}

TEST(SimFirmware, PartOneIsWrittenThroughItsPreparationsAndAssembledAsSent) {
  Device d;
  EXPECT_EQ(d.Ask(Frame({0x20, 0x01, 0x01, 0, 0, 0, 0, 0x40})), Frame({0x20, 0x01, 0xAA, 0, 0, 0, 0, 0x40}));
  EXPECT_EQ(d.Ask(Frame({0x20, 0x01, 0x80, 0, 0, 0, 0, 0x40})), Frame({0x20, 0x01, 0, 0, 0, 0, 0, 0x40}));
  EXPECT_EQ(d.Ask(Frame({0x20, 0x01, 0x10, 0, 0, 0, 0, 0x40})), Frame({0x20, 0x01, 0, 0, 0, 0, 0, 0x40}));
  const Bytes data = Image(300 * 256 + 77, 3);  // crosses the wrap at block index 240
  WriteBlocks(d, 1, data);
  const FirmwareReceiver::Part& part = d.model.Firmware().PartData(1);
  EXPECT_TRUE(part.complete);
  EXPECT_EQ(part.blocks.size(), 241u + (300 - 256 + 1));
  // Blocks 241 to 255 of the first bank are never sent; everything sent sits where it belongs.
  Bytes expected = data;
  expected.resize(301 * 256, 0);
  std::fill(expected.begin() + 241 * 256, expected.begin() + 256 * 256, 0xFF);
  EXPECT_EQ(d.model.Firmware().Assembled(1), expected);
}

TEST(SimFirmware, TheDeviceIsSilentWhileItRebootsThenAnswersAgain) {
  Device d;
  d.model.SetRebootMs(2000);
  d.Ask(Frame({0x20, 0x02, 0x01, 0, 0, 0, 0, 0x40}));
  WriteBlocks(d, 2, Image(256 + 10, 9));
  EXPECT_TRUE(d.model.Rebooting());
  EXPECT_TRUE(d.Ask(Frame({0x01, 0x01, 0, 0, 0, 0, 0, 0x40})).empty());
  d.loop.Advance(1999);
  EXPECT_TRUE(d.Ask(Frame({0x01, 0x01, 0, 0, 0, 0, 0, 0x40})).empty());
  d.loop.Advance(1);
  EXPECT_EQ(d.Ask(Frame({0x01, 0x01, 0, 0, 0, 0, 0, 0x40})), Frame({0x01, 0x01, 1}));
  EXPECT_EQ(d.model.Counters().ignoredWhileRebooting, 2);
  EXPECT_EQ(d.model.Counters().reboots, 1);
}

TEST(SimFirmware, PartThreeStartsThroughPartTwosChannelAndEndsWithItsLastAcknowledgement) {
  Device d;
  EXPECT_EQ(d.Ask(Frame({0x20, 0x02, 0x03, 0, 0, 0, 0, 0x40})), Frame({0x20, 0x02, 0xFE, 0, 0, 0, 0, 0x40}));
  const Bytes data = Image(2 * 256, 1);
  WriteBlocks(d, 3, data);
  Bytes expected = data;
  expected.resize(3 * 256, 0);
  EXPECT_EQ(d.model.Firmware().Assembled(3), expected);
  EXPECT_TRUE(d.model.Firmware().PartData(3).complete);
  // No final report and no restart: the device answers at once.
  EXPECT_FALSE(d.model.Rebooting());
  EXPECT_EQ(d.model.Counters().reboots, 0);
  EXPECT_EQ(d.Ask(Frame({0x01, 0x01, 0, 0, 0, 0, 0, 0x40})), Frame({0x01, 0x01, 1}));
}

TEST(SimFirmware, PartFoursStartIsTakenWithoutAnAnswerAndNoBlockOfItIsWritten) {
  Device d;
  EXPECT_TRUE(d.Ask(Frame({0x20, 0x04, 0x01, 0, 0, 0, 0, 0x40})).empty());
  EXPECT_EQ(d.model.Firmware().PanelStarts(), 1);
  EXPECT_EQ(d.Ask(Frame({0x20, 0x04, 0xAA, 0, 0, 0x01, 0x01, 0x40})), Frame({0x20, 0x04, 0x44, 0, 0, 0, 0, 0x40}));
  EXPECT_TRUE(d.model.Firmware().PartData(4).blocks.empty());
}

TEST(SimFirmware, ABlockWithABadChecksumIsNotAcknowledgedUntilItIsSentRight) {
  Device d;
  d.Ask(Frame({0x20, 0x02, 0x01, 0, 0, 0, 0, 0x40}));
  const Bytes data = Image(3 * 256, 5);
  const Bytes header = Frame({0x20, 0x02, 0xAA, 0, 0, 0x01, 0x01, 0x40, 0});
  d.Ask(header);
  Bytes bad = Block(data, 0);
  bad[100] ^= 0x40;
  EXPECT_TRUE(d.Ask(bad).empty());
  d.Ask(header);
  EXPECT_EQ(d.Ask(Block(data, 0)), Frame({0x20, 0x02, 0, 0, 0, 0x01, 0x01, 0x40, 0}));
  EXPECT_EQ(d.model.Firmware().PartData(2).badBlocks, 1);
  EXPECT_EQ(d.model.Counters().badFirmwareBlocks, 1);
}

TEST(SimFirmware, RefusedAndOutOfOrderWritesAreAnswered44) {
  Device d;
  d.model.Faults().refuseFirmware = true;
  EXPECT_EQ(d.Ask(Frame({0x20, 0x01, 0x01, 0, 0, 0, 0, 0x40})), Frame({0x20, 0x01, 0x44, 0, 0, 0, 0, 0x40}));
  EXPECT_EQ(d.Ask(Frame({0x20, 0x02, 0x01, 0, 0, 0, 0, 0x40})), Frame({0x20, 0x02, 0x44, 0, 0, 0, 0, 0x40}));
  d.model.Faults().refuseFirmware = false;
  // A block header before its part was started, and part 1's second preparation first.
  EXPECT_EQ(d.Ask(Frame({0x20, 0x01, 0xAA, 0, 0, 0x01, 0x01, 0x40})), Frame({0x20, 0x01, 0x44, 0, 0, 0, 0, 0x40}));
  d.Ask(Frame({0x20, 0x01, 0x01, 0, 0, 0, 0, 0x40}));
  EXPECT_EQ(d.Ask(Frame({0x20, 0x01, 0x10, 0, 0, 0, 0, 0x40})), Frame({0x20, 0x01, 0x44, 0, 0, 0, 0, 0x40}));
  EXPECT_EQ(d.model.Counters().firmwareRefusals, 4);
}

TEST(SimFirmware, AResentWrapHeaderDoesNotMoveToTheNextBankTwice) {
  Device d;
  d.Ask(Frame({0x20, 0x02, 0x01, 0, 0, 0, 0, 0x40}));
  const Bytes data = Image(258 * 256, 2);
  for (int i = 0; i < 240; ++i) {
    d.Ask(Frame({0x20, 0x02, 0xAA, 0, 0, 0x01, 0x01, 0x40, i}));
    d.Ask(Block(data, static_cast<size_t>(i) * 256));
  }
  const Bytes wrapHeader = Frame({0x20, 0x02, 0xAA, 0, 0, 0x01, 0x01, 0xB0, 0x01});
  for (int twice = 0; twice < 2; ++twice) {  // its acknowledgement was lost: sent again
    d.Ask(wrapHeader);
    d.Ask(Block(data, 240 * 256));
  }
  d.Ask(Frame({0x20, 0x02, 0xAA, 0, 0, 0x01, 0x01, 0x40, 0}));
  d.Ask(Block(data, 256 * 256));
  const auto& blocks = d.model.Firmware().PartData(2).blocks;
  EXPECT_EQ(blocks.count(240), 1u);
  EXPECT_EQ(blocks.count(256), 1u);
  EXPECT_EQ(blocks.count(496), 0u);
}

Bytes PlainHeader(int part, int index) { return Frame({0x20, part, 0xAA, 0, 0, 0x01, 0x01, 0x40, index}); }

TEST(SimFirmware, HeadersOutOfFormAreCountedAndUnansweredAndGapsRewritesAndLateHeadersCounted) {
  Device d;
  d.Ask(Frame({0x20, 0x02, 0x01, 0, 0, 0, 0, 0x40}));
  const Bytes data = Image(4 * 256, 4);
  const Bytes malformed[] = {
      Frame({0x20, 0x02, 0xAA, 0, 0, 0x01, 0x00, 0x40, 0}),        // byte 8 not 01
      Frame({0x20, 0x02, 0xAA, 0, 0, 0x01, 0x01, 0x41, 0}),        // channel byte wrong
      Frame({0x20, 0x02, 0xAA, 0, 0, 0x01, 0x01, 0xB0, 0x02}),     // wrap form with index 2
      Frame({0x20, 0x02, 0x56, 0, 0, 0, 0x01, 0x40, 0}),           // marked form without FE
      Frame({0x20, 0x02, 0xAA, 0, 0, 0x01, 0x01, 0x40, 0, 0x01}),  // byte 11 not 00
  };
  for (const Bytes& header : malformed) EXPECT_TRUE(d.Ask(header).empty());
  EXPECT_EQ(d.model.Counters().firmwareBadHeaders, 5);
  // No block was expected after them: a frame right after is answered as a frame.
  EXPECT_EQ(d.Ask(Frame({0x01, 0x01})), Frame({0x01, 0x01, 1}));

  auto write = [&](int index) {
    d.Ask(PlainHeader(2, index));
    return d.Ask(Block(data, static_cast<size_t>(index) * 256));
  };
  write(0);
  write(0);  // its acknowledgement was lost: the same block again
  write(2);  // block 1 skipped
  d.Ask(Frame({0x20, 0x02, 0x56, 0, 0xFE, 0, 0x01, 0x40, 3}));
  d.Ask(Block(data, 3 * 256));
  d.loop.Advance(5000);  // past the restart
  EXPECT_EQ(d.Ask(PlainHeader(2, 4)), Frame({0x20, 0x02, 0x44, 0, 0, 0, 0, 0x40}));
  const ModelCounters c = d.model.Counters();
  EXPECT_EQ(c.firmwareRewrites, 1);
  EXPECT_EQ(c.firmwareIndexGaps, 1);
  EXPECT_EQ(c.firmwareAfterLast, 1);
  EXPECT_EQ(c.firmwareBadHeaders, 5);
}

TEST(SimFirmware, KnobsAnswerWithTheTrueIndexDropTheFinalReportOrRefuseAHeader) {
  Device d;
  d.model.Faults().fwTrueIndex = true;
  d.model.Faults().fwDropFinal = 1;
  d.Ask(Frame({0x20, 0x02, 0x01, 0, 0, 0, 0, 0x40}));
  const Bytes data = Image(242 * 256, 6);
  for (int i = 0; i < 240; ++i) {
    d.Ask(PlainHeader(2, i));
    d.Ask(Block(data, static_cast<size_t>(i) * 256));
  }
  d.Ask(Frame({0x20, 0x02, 0xAA, 0, 0, 0x01, 0x01, 0xB0, 0x01}));
  // The wrap block is acknowledged as index 240, not with the header's B0 01.
  EXPECT_EQ(d.Ask(Block(data, 240 * 256)), Frame({0x20, 0x02, 0, 0, 0, 0x01, 0x01, 0x40, 0xF0}));
  d.Ask(Frame({0x20, 0x02, 0x56, 0, 0xFE, 0, 0x01, 0x40, 0}));
  // Only the block's acknowledgement: the final report is swallowed, the restart still comes.
  EXPECT_EQ(d.Ask(Block(data, 256 * 256)), Frame({0x20, 0x02, 0, 0, 0, 0x01, 0x01, 0x40, 0}));
  EXPECT_EQ(d.model.Faults().fwDropFinal, 0);
  EXPECT_TRUE(d.model.Rebooting());
  EXPECT_EQ(d.model.Counters().firmwareIndexGaps, 0);

  Device r;
  r.model.Faults().fwRefuseHeader = 2;
  r.Ask(Frame({0x20, 0x02, 0x01, 0, 0, 0, 0, 0x40}));
  EXPECT_TRUE(r.Ask(PlainHeader(2, 0)).empty());
  r.Ask(Block(data, 0));
  EXPECT_EQ(r.Ask(PlainHeader(2, 1)), Frame({0x20, 0x02, 0x44, 0, 0, 0, 0, 0x40}));
  // The write is abandoned: its next header is out of order, and the knob is used up.
  EXPECT_EQ(r.Ask(PlainHeader(2, 1)), Frame({0x20, 0x02, 0x44, 0, 0, 0, 0, 0x40}));
  EXPECT_EQ(r.model.Faults().fwRefuseHeader, 0);
  EXPECT_EQ(r.model.Firmware().PartData(2).blocks.size(), 1u);
}

TEST(SimFirmware, ARebootDropsTheConnectionsWhenTheKnobSaysSo) {
  Device d;
  int closes = 0;
  d.model.CloseChannel(DeviceModel::kDefaultChannel);
  const auto id = d.model.OpenChannel([&](const uint8_t* b, size_t n) { d.received.insert(d.received.end(), b, b + n); },
                                      [&] { ++closes; });
  d.model.Faults().fwCloseAtReboot = 1;
  auto ask = [&](const Bytes& bytes) {
    d.received.clear();
    d.model.Feed(id, bytes.data(), bytes.size());
    return d.received;
  };
  ask(Frame({0x20, 0x02, 0x01, 0, 0, 0, 0, 0x40}));
  ask(Frame({0x20, 0x02, 0x56, 0, 0xFE, 0, 0x01, 0x40, 0}));
  // The final report still goes out before the connection is dropped.
  EXPECT_EQ(ask(Block(Image(256, 1), 0)), d.Both(Frame({0x20, 0x02, 0, 0, 0, 0x01, 0x01, 0x40, 0}),
                                                 Frame({0x20, 0x02, 0, 0, 0xFE, 0, 0x01, 0x40})));
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(d.model.Counters().closesAtReboot, 1);
}

}  // namespace
}  // namespace velantor::sim
