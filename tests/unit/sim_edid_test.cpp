// The emulated switcher's EDID exchanges: modes and status codes, copies, downloads, reads, the
// EDIDs it holds, and the console's EDID commands.
#include <gtest/gtest.h>

#include "support/bytes.h"

#include <algorithm>
#include <vector>

#include "base/virtual_event_loop.h"
#include "pages/edid/edid_decode.h"
#include "sim/control_console.h"
#include "sim/device_model.h"
#include "sim/edid_data.h"
#include "support/edid_samples.h"
#include "support/temp_dir.h"

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

// The answer to a read: the lead byte 00, then the 256 EDID bytes.
Bytes ReadAnswer(const EdidBytes& edid) {
  Bytes answer{0x00};
  answer.insert(answer.end(), edid.begin(), edid.end());
  return answer;
}

TEST(SimEdid, ReadsReturnALeadByteAndThe256BytesOfAnOutputOrAUserMemory) {
  Device device;
  const EdidBytes& display = device.model.State().Output(3).displayEdid;
  EXPECT_EQ(device.Ask(Frame({0x03, 0x05, 3, 0xF0})), ReadAnswer(display));
  const EdidBytes& user2 = device.model.State().userMemory[1];
  EXPECT_EQ(device.Ask(Frame({0x03, 0x05, 0, 0xF2})), ReadAnswer(user2));
  device.model.SetPortConnected(false, 3, false);
  EXPECT_EQ(device.Ask(Frame({0x03, 0x05, 3, 0xF0})), Frame({0x03, 0x05, 0xFF, 0xF0, 3}));
  EXPECT_EQ(device.model.Log().Select(Direction::kOut, PayloadKind::kEdidData).size(), 2u);
}

TEST(SimEdid, TheResultAnswersWithTheHeadersSubCommandAndTheKnobDecidesItsByte) {
  const Bytes block = DataBlock(SampleEdid());
  auto download = [&](Device& device, int announce, int header) {
    device.Ask(Frame({0x03, announce, announce == 0x06 ? 0xFE : 1, 0xF0}));
    device.Ask(Frame({0x03, header, 0x56, 0, 0, 0x01}));
    return device.Ask(block);
  };
  Device mixed;
  // A header of the other form: answered in the header's own form, and refused.
  EXPECT_EQ(download(mixed, 0x07, 0x06), Frame({0x03, 0x06, 0xFF, 0, 0, 0x01}));
  EXPECT_EQ(mixed.CodeOf(1), 0);

  Device forced;
  forced.model.Faults().edidResult = 0x33;  // neither success nor FF
  EXPECT_EQ(download(forced, 0x06, 0x06), Frame({0x03, 0x06, 0x33, 0, 0, 0x01}));
  EXPECT_EQ(forced.CodeOf(2), 0);  // nothing stored without success
  EXPECT_EQ(forced.model.Counters().badEdidBlocks, 0);
  forced.model.Faults().edidResult = 0xFF;
  EXPECT_EQ(download(forced, 0x07, 0x07), Frame({0x03, 0x07, 0xFF, 0, 0, 0x01}));
  EXPECT_EQ(forced.CodeOf(1), 0);
}

// What the built-in modes present, read back by the panel's decoder: the timing and the audio
// the mode's name promises, and sums that hold.
TEST(SimEdid, BuiltInEdidsSayWhatTheirModeNamesPromise) {
  struct Case {
    int mode;
    const char* timing;
    const char* video;  // first video code line, "" for none
    const char* audio;
  };
  const Case cases[] = {
      {1, "Preferred timing: 1920x1080i 60 Hz (pixel clock 74.25 MHz)", "Video codes: 5 1920x1080i 60 Hz (native)",
       "Audio: LPCM 2.0"},
      {7, "Preferred timing: 1920x1080p 60 Hz (pixel clock 148.50 MHz)", "Video codes: 16 1920x1080p 60 Hz (native)",
       "Audio: LPCM 7.1"},
      {12, "Preferred timing: 3840x2160p 30 Hz (pixel clock 297.00 MHz)", "Video codes: 95 3840x2160p 30 Hz, ",
       "Audio: LPCM 5.1"},
      {3, "Preferred timing: 1920x1080p 60 Hz (pixel clock 148.50 MHz)", "Video codes: 16 1920x1080p 60 Hz (native)",
       "Audio: none"},
      {14, "Preferred timing: 1024x768p 60 Hz (pixel clock 65.00 MHz)", "", ""},
      {15, "Preferred timing: 1920x1200p 59.95 Hz (pixel clock 154.00 MHz)", "", ""},
  };
  auto has = [](const std::vector<std::string>& lines, const std::string& start) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(start, 0) == 0; });
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    const EdidBytes e = BuiltInModeEdid(c.mode);
    const std::vector<std::string> lines = DescribeEdid(DecodeEdid(e));
    EXPECT_TRUE(has(lines, c.timing));
    EXPECT_EQ(has(lines, "Video codes"), *c.video != 0);
    if (*c.video) {
      EXPECT_TRUE(has(lines, c.video));
    }
    if (*c.audio) {
      EXPECT_TRUE(has(lines, c.audio));
    }
    EXPECT_EQ(has(lines, "HDMI physical address: 1.0.0.0"), *c.audio && std::string(c.audio) != "Audio: none");
  }
  for (int mode = 1; mode <= 15; ++mode) {
    const EdidBytes e = BuiltInModeEdid(mode);
    Bytes block = DataBlock(Bytes(e.begin(), e.end()));
    EXPECT_TRUE(CheckEdidBlock(block.data(), block.size()).edid.has_value()) << "mode " << mode;
  }
}

TEST(SimEdid, TheConsoleLoadsAndDumpsEdidsAndRefusesBadFilesUnchanged) {
  Device device;
  ControlConsole console(device.model);
  velantor::testing::ScratchDir dir;
  ASSERT_TRUE(dir.ok());
  const Bytes edid = SampleEdid();
  EXPECT_TRUE(console.Run("edid-load out 2 " + dir.Write("good.bin", edid)).ok);
  EXPECT_EQ(device.Ask(Frame({0x03, 0x05, 2, 0xF0})), ReadAnswer(device.model.State().Output(2).displayEdid));
  EXPECT_TRUE(std::equal(edid.begin(), edid.end(), device.model.State().Output(2).displayEdid.begin()));

  // A 128-byte EDID fills the rest with zeros.
  const Bytes half = velantor::testing::MinimalEdid();
  EXPECT_TRUE(console.Run("edid-load user1 " + dir.Write("half.bin", half)).ok);
  EXPECT_EQ(device.model.State().userMemory[0][128], 0);

  const EdidBytes before = device.model.State().userMemory[1];
  Bytes broken = edid;
  broken[5] = 0;
  Bytes announcesMissing = half;
  announcesMissing[126] = 1;
  const std::string refused[] = {
      "edid-load user2 " + dir.Write("broken.bin", broken),
      "edid-load user2 " + dir.Write("short.bin", Bytes(edid.begin(), edid.begin() + 200)),
      "edid-load user2 " + dir.Write("long.bin", Bytes(300, 0)),
      "edid-load user2 " + dir.Write("missing.bin", announcesMissing),
      "edid-load user2 " + dir.path(),  // a directory
      "edid-load user2 " + dir.path() + "absent.bin",
      "edid-load in 1 " + dir.path() + "good.bin",  // inputs get theirs by download
      "edid-load out 9 " + dir.path() + "good.bin",
  };
  for (const std::string& line : refused) {
    const ControlConsole::Result r = console.Run(line);
    EXPECT_FALSE(r.ok) << line;
    EXPECT_EQ(r.text.rfind("error: ", 0), 0u) << r.text;
  }
  EXPECT_EQ(device.model.State().userMemory[1], before);

  const std::string dump = console.Run("edid-dump in 1").text;
  EXPECT_EQ(dump.substr(0, 24), "00 FF FF FF FF FF FF 00 ");
  EXPECT_EQ(std::count(dump.begin(), dump.end(), '\n'), 16);
  EXPECT_FALSE(console.Run("edid-dump in 5").ok);
  EXPECT_TRUE(console.Run("edid-result ff").ok);
  EXPECT_EQ(device.model.Faults().edidResult, 0xFF);
  EXPECT_FALSE(console.Run("edid-result 100").ok);
  EXPECT_TRUE(console.Run("clear").ok);
  EXPECT_EQ(device.model.Faults().edidResult, -1);
}

TEST(SimEdid, GeneratedEdidsPassTheDownloadCheck) {
  const EdidBytes e = MakeEdid("ANY NAME", 7);
  Bytes block = DataBlock(Bytes(e.begin(), e.end()));
  EXPECT_TRUE(CheckEdidBlock(block.data(), block.size()).edid.has_value());
}

}  // namespace
}  // namespace velantor::sim
