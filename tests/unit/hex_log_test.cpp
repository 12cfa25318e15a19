// Hex traffic logs: byte text, 13-byte lines, the running count across frames and blocks.
#include <gtest/gtest.h>

#include <vector>

#include "link/command_sender.h"
#include "link/hex_log.h"
#include "link/serial_link.h"
#include "link/protocol.h"

namespace velantor {
namespace {

class RecordingPort : public SerialLink {
 public:
  int Open(PortOwner*, int, const SerialSettings&) override { return 1; }
  int StartMonitoring() override { return 1; }
  void Write(const uint8_t* data, size_t n) override { written.emplace_back(data, data + n); }
  void Close() override {}
  bool IsOpen() const override { return true; }
  int PortNumber() const override { return 1; }
  std::vector<std::vector<uint8_t>> written;
};

TEST(HexLog, TwoFramesGiveExactlyTwoLines) {
  HexLog log;
  CommandSocket* noSocket = nullptr;
  RecordingPort port;
  int linkMode = 0;
  CommandSender sender(linkMode, noSocket, port, log, SentLogOrder::kBeforeSend);
  sender.Send(forms::ThreeByte(0x01, 0x0A, 0));
  sender.Send(protocol::SwitchOne(3, 2));
  EXPECT_EQ(log.Text(),
            "A5 5B 01 0A 00 00 00 00 00 00 00 00 F5 \r\n"
            "A5 5B 02 03 03 00 02 00 00 00 00 00 F6 \r\n");
  ASSERT_EQ(port.written.size(), 2u);
  EXPECT_EQ(port.written[1].size(), 13u);
}

TEST(HexLog, ARawBlockOf290BytesLeavesFourBytesThatTheNextFrameContinues) {
  HexLog log;
  std::vector<uint8_t> block(290, 0x11);
  for (uint8_t b : block) log.AppendCounted(b);
  EXPECT_EQ(log.Counter(), 4);
  size_t lines = 0;
  for (size_t pos = 0; (pos = log.Text().find("\r\n", pos)) != std::string::npos; pos += 2) ++lines;
  EXPECT_EQ(lines, 22u);
  for (uint8_t b : forms::ThreeByte(0x03, 0x08, 0xF0).bytes) log.AppendCounted(b);
  // 4 block bytes + 9 frame bytes close the 23rd line; 4 frame bytes start the 24th.
  EXPECT_EQ(log.Counter(), 4);
  EXPECT_NE(log.Text().find("11 11 11 11 A5 5B 03 08 F0 00 00 00 00 \r\n"), std::string::npos);
}

TEST(HexLog, UncountedBytesDoNotBreakLinesAndDisabledTextStillCounts) {
  HexLog log;
  log.AppendUncounted(0x00);
  log.AppendUncounted(0xFF);
  EXPECT_EQ(log.Text(), "00 FF ");
  EXPECT_EQ(log.Counter(), 0);
  HexLog silent;
  silent.SetTextEnabled(false);
  for (int i = 0; i < 5; ++i) silent.AppendCounted(0xA5);
  EXPECT_EQ(silent.Text(), "");
  EXPECT_EQ(silent.Counter(), 5);
}

TEST(HexLog, TextStaysBoundedAndStartsOnALine) {
  HexLog log(1000);
  for (int i = 0; i < 13 * 500; ++i) log.AppendCounted(static_cast<uint8_t>(i % 13 == 0 ? 0xA5 : 0x01));
  EXPECT_LE(log.Text().size(), 1000u);
  EXPECT_EQ(log.Text().substr(0, 3), "A5 ");
}

TEST(CommandSender, LinkModeIsReadAtEverySendAndEdidLogsAfterSending) {
  HexLog log;
  RecordingPort port;
  CommandSocket* noSocket = nullptr;
  int linkMode = 1;
  CommandSender sender(linkMode, noSocket, port, log, SentLogOrder::kAfterSend);
  sender.Send(forms::ThreeByte(0x01, 0x0C, 1));  // TCP without a socket: goes nowhere
  EXPECT_TRUE(port.written.empty());
  linkMode = 0;
  sender.Send(forms::ThreeByte(0x01, 0x0C, 1));
  EXPECT_EQ(port.written.size(), 1u);
  EXPECT_EQ(log.Text().size(), 2 * (13 * 3 + 2));
}

}  // namespace
}  // namespace velantor
