// The FW Upgrade page against the emulated switcher: the entry query and device line, a main part
// written block by block with its pauses, reboot wait and log, the bank wrap, parts 2, 3 and 4,
// and every way a write ends without success (refusal, silence, a damaged or lost answer,
// standby, the link going away, a doubtful file).
#include "scenario/firmware_page_fixture.h"

namespace velantor::testing {
namespace {

INSTANTIATE_TEST_SUITE_P(Links, FirmwareOnBothLinks, ::testing::Bool(), FirmwareLinkName);

const std::string kRebootCheck = FwWire({0x01, 0x01, 0, 0, 0, 0, 0, 0x40});
const std::string kPart1Start = FwWire({0x20, 0x01, 0x01, 0, 0, 0, 0, 0x40});
// After a write the device line is asked again: type, size and version.
const std::string kSizeQuery = FwWire({0x01, 0x02, 0, 0, 0, 0, 0, 0x40});
const std::string kVersionQuery = FwWire({0x01, 0x03, 0, 0, 0, 0, 0, 0x40});

std::string Header(int part, int index) { return FwWire({0x20, part, 0xAA, 0, 0, 0x01, 0x01, 0x40, index}); }
std::string LastHeader(int part, int index) { return FwWire({0x20, part, 0x56, 0, 0xFE, 0, 0x01, 0x40, index}); }

TEST_P(FirmwareOnBothLinks, ChoosingThePageAsksTypeSizeAndVersionAndShowsTheDeviceLine) {
  CUpgradePage& page = Enter(GetParam());
  const std::vector<std::string> expected = {kRebootCheck, FwWire({0x01, 0x02, 0, 0, 0, 0, 0, 0x40}),
                                             FwWire({0x01, 0x03, 0, 0, 0, 0, 0, 0x40})};
  EXPECT_EQ(SentSince(entryMark), expected);
  EXPECT_EQ(page.View().deviceLine, "Device: HDMI MATRIX 4x4          Version: 1.5");
  EXPECT_EQ(page.DeviceText(), "Device: HDMI MATRIX 4x4");
  EXPECT_EQ(page.UpgradeMode(), 0);
}

// The line is green only while it shows what the switcher answered on this visit of the page.
TEST_P(FirmwareOnBothLinks, TheDeviceLineIsGreyAfterLeavingThePageOrLosingTheLinkUntilAnsweredAgain) {
  CUpgradePage& page = Enter(GetParam());
  EXPECT_TRUE(page.View().deviceLineCurrent);
  h.ChoosePage(kPageGeneral, 500);
  EXPECT_FALSE(page.View().deviceLineCurrent);
  h.model.Faults().dropNext = 100;
  h.ChoosePage(kPageFirmware, 9000);
  EXPECT_FALSE(page.View().deviceLineCurrent);  // nothing answered
  h.model.Faults().dropNext = 0;
  h.ChoosePage(kPageGeneral, 500);
  h.ChoosePage(kPageFirmware, 500);
  EXPECT_TRUE(page.View().deviceLineCurrent);
  if (GetParam()) {
    h.socket.Reset();
  } else {
    h.main->HandleMessage(kMsgLinkNotice, kLinkNoticeSerialFailure);
  }
  h.loop.Advance(10);
  EXPECT_FALSE(page.View().deviceLineCurrent);
  EXPECT_EQ(page.View().deviceLine, "Device: HDMI MATRIX 4x4          Version: 1.5");  // kept, drawn grey
}

// The port failing while the device line is asked ends the query with the port's message, not a
// time-out six seconds later.
TEST_F(FirmwarePageTest, ASerialFailureDuringTheDeviceQueryEndsItWithThePortsMessage) {
  ASSERT_TRUE(h.LinkFromGeneral(false));
  h.model.Faults().dropEvery = 1;
  h.ChoosePage(kPageFirmware, 500);
  ASSERT_TRUE(Upgrade().Runner().Running());
  h.main->HandleMessage(kMsgLinkNotice, kLinkNoticeSerialFailure);
  h.loop.Advance(10);
  EXPECT_FALSE(Upgrade().Runner().Running());
  EXPECT_EQ(Message(), "Open COM failed!");
  const int opened = h.MessagesOpened();
  h.loop.Advance(10000);
  EXPECT_EQ(h.MessagesOpened(), opened);  // no "Time out!" follows
  EXPECT_TRUE(h.main->HeadersEnabled());
}

TEST_P(FirmwareOnBothLinks, TheEntryQueryNamesTheSwitcherOnTheStatusLine) {
  ASSERT_TRUE(h.LinkFromGeneral(GetParam()));
  h.shared.Link.SetDevice("");  // as for a panel whose General page never asked
  h.ChoosePage(kPageFirmware, 500);
  EXPECT_EQ(h.shared.Link.device, "HDMI MATRIX 4X4  v1.5");
}

TEST_P(FirmwareOnBothLinks, AMainFileIsWrittenWholeAndReportedOnlyOnceTheSwitcherAnswersAfterItsReboot) {
  CUpgradePage& page = Enter(GetParam());
  const Bytes image = McuImage(3 * 256 + 100, 1);
  Load({{1, image}});
  const size_t mark = Mark();
  const int messages = h.MessagesOpened();
  page.OnUpgrade();
  EXPECT_EQ(page.Upgrading(), 1);
  EXPECT_FALSE(page.View().upgradeEnabled);
  EXPECT_TRUE(h.main->HeadersLocked());
  EXPECT_NE(h.main->CloseWarning().find("firmware upgrade is being written"), std::string::npos);
  RunWrite();
  EXPECT_EQ(h.main->CloseWarning(), "");  // closing is harmless again
  const std::vector<std::string> expected = {
      kPart1Start,     FwWire({0x20, 0x01, 0x80, 0, 0, 0, 0, 0x40}), FwWire({0x20, 0x01, 0x10, 0, 0, 0, 0, 0x40}),
      Header(1, 0),    Header(1, 1),
      Header(1, 2),    LastHeader(1, 3),
      kRebootCheck,  // the switcher restarts for 2 s and does not hear it
      kRebootCheck,
      kRebootCheck,    kSizeQuery, kVersionQuery,  // the device line of the new firmware
  };
  EXPECT_EQ(SentSince(mark), expected);
  EXPECT_TRUE(page.View().deviceLineCurrent);
  EXPECT_EQ(BlocksToDevice().size(), 4u);
  EXPECT_EQ(Written(1, image.size()), image);
  const std::string log = Log().substr(Log().find("Upgrading"));
  EXPECT_EQ(log,
            "Upgrading Part_1.1.0.0...\r\nSystem rebooting,Please wait...\r\nSystem reboot ok\r\n"
            "Part_1.1.0.0 upgrading complete\r\nFirmware upgrade Successfully\r\n");
  EXPECT_EQ(page.Upgrading(), 0);
  EXPECT_TRUE(page.View().upgradeEnabled);
  EXPECT_EQ(page.View().progressMax, static_cast<int>(image.size()));
  EXPECT_FALSE(h.main->HeadersLocked());
  EXPECT_TRUE(h.main->HeadersEnabled());
  EXPECT_EQ(h.MessagesOpened(), messages);
}

TEST_F(FirmwarePageTest, BlocksFollowTheirHeadersAfter200MsForTheFirstAnd100MsForTheOthers) {
  CUpgradePage& page = Enter(true);
  Load({{1, McuImage(2 * 256 + 1, 2)}});
  const size_t entries = h.model.Log().Size();
  page.OnUpgrade();
  RunWrite();
  // What the switcher received, in order, with the time it came.
  std::vector<std::pair<int64_t, std::string>> in;
  const auto& all = h.model.Log().Entries();
  for (size_t i = entries - h.model.Log().Dropped(); i < all.size(); ++i) {
    if (all[i].direction != sim::Direction::kIn) continue;
    in.emplace_back(all[i].timeMs, all[i].kind == sim::PayloadKind::kFirmwareBlock ? "block" : HexText(all[i].bytes));
  }
  ASSERT_GE(in.size(), 10u);
  EXPECT_EQ(in[1].second, FwWire({0x20, 0x01, 0x80, 0, 0, 0, 0, 0x40}));
  EXPECT_GE(in[1].first - in[0].first, 200);  // 200 ms after the ready report
  EXPECT_EQ(in[3].second, Header(1, 0));
  EXPECT_EQ(in[4].second, "block");
  EXPECT_EQ(in[4].first - in[3].first, 200);
  EXPECT_EQ(in[5].second, Header(1, 1));
  EXPECT_EQ(in[6].second, "block");
  EXPECT_EQ(in[6].first - in[5].first, 100);
  EXPECT_EQ(in[7].second, LastHeader(1, 2));
  EXPECT_EQ(in[8].first - in[7].first, 100);
}

TEST_P(FirmwareOnBothLinks, ASwitcherThatNeverComesBackEndsTheWriteAfter24sWithoutSuccess) {
  CUpgradePage& page = Enter(GetParam());
  h.model.SetRebootMs(600000);
  Load({{1, McuImage(300, 4)}});
  const size_t mark = Mark();
  const int messages = h.MessagesOpened();
  page.OnUpgrade();
  AdvanceUntil([&] { return Logged("System rebooting"); });
  h.loop.Advance(23900);
  EXPECT_EQ(page.Upgrading(), 1);
  h.loop.Advance(200);
  EXPECT_EQ(page.Upgrading(), 0);
  EXPECT_EQ(Count(SentSince(mark), kRebootCheck), 8u);
  EXPECT_EQ(h.MessagesOpened(), messages + 1);
  EXPECT_EQ(Message(), "Time out!");
  EXPECT_TRUE(Logged("Write to Part_1.1.0.0 failed\r\n"));
  EXPECT_FALSE(Logged("Successfully"));
  EXPECT_FALSE(h.main->HeadersLocked());
  EXPECT_TRUE(page.View().upgradeEnabled);
}

TEST_F(FirmwarePageTest, AnUnansweredStartIsSentOnceMoreAfter3sAndGivenUp3sLater) {
  CUpgradePage& page = Enter(true);
  Load({{1, McuImage(300, 7)}});
  h.model.Faults().dropNext = 1000;
  const int messages = h.MessagesOpened();
  const size_t mark = Mark();
  page.OnUpgrade();
  h.loop.Advance(2990);
  EXPECT_EQ(SentSince(mark).size(), 1u);
  h.loop.Advance(20);
  EXPECT_EQ(SentSince(mark), (std::vector<std::string>{kPart1Start, kPart1Start}));
  h.loop.Advance(3000);
  EXPECT_EQ(page.Upgrading(), 0);
  EXPECT_EQ(h.MessagesOpened(), messages + 1);
  EXPECT_EQ(Message(), "Time out!");
  EXPECT_TRUE(Logged("Write to Part_1.1.0.0 failed\r\n"));
  h.loop.Advance(1400);  // the message stays one and a half seconds, as every message of the page
  EXPECT_EQ(Message(), "Time out!");
  h.loop.Advance(200);
  EXPECT_EQ(Message(), "");
  h.loop.Advance(20000);
  EXPECT_EQ(SentSince(mark).size(), 2u);
}

TEST_P(FirmwareOnBothLinks, ALostBlockAcknowledgementResendsHeaderAndBlockThenGivesUp) {
  CUpgradePage& page = Enter(GetParam());
  Load({{1, McuImage(3 * 256, 8)}});
  const int messages = h.MessagesOpened();
  const size_t mark = Mark();
  page.OnUpgrade();
  AdvanceUntil([&] { return BlocksToDevice().size() == 1; });
  h.model.Faults().dropNext = 2;  // block 1's acknowledgement, and that of its resend
  h.loop.Advance(6900);
  EXPECT_EQ(Count(SentSince(mark), Header(1, 1)), 1u);
  h.loop.Advance(400);
  EXPECT_EQ(Count(SentSince(mark), Header(1, 1)), 2u);
  EXPECT_EQ(BlocksToDevice().size(), 3u);
  h.loop.Advance(8000);
  EXPECT_EQ(page.Upgrading(), 0);
  EXPECT_EQ(h.MessagesOpened(), messages + 1);
  EXPECT_TRUE(Logged("Upgrading Part_1.1.0.0 failed\r\n"));
  EXPECT_FALSE(Logged("Successfully"));
  EXPECT_FALSE(h.main->HeadersLocked());
  EXPECT_EQ(Count(page.SentLog()->Text(), "Send data:\r\n"), 3u);  // the resent block is marked again
}

TEST_P(FirmwareOnBothLinks, ACorruptedAcknowledgementIsNotTakenAndTheBlockGoesAgain) {
  CUpgradePage& page = Enter(GetParam());
  const Bytes image = McuImage(3 * 256, 9);
  Load({{1, image}});
  const int messages = h.MessagesOpened();
  page.OnUpgrade();
  AdvanceUntil([&] { return BlocksToDevice().size() == 1; });
  h.model.Faults().corruptNext = 1;
  h.loop.Advance(1000);
  EXPECT_EQ(page.BlockCounter(), 1);  // still waiting for block 1
  RunWrite();
  EXPECT_TRUE(Logged("Firmware upgrade Successfully\r\n"));
  EXPECT_EQ(BlocksToDevice().size(), 5u);
  EXPECT_EQ(Written(1, image.size()), image);
  EXPECT_EQ(h.MessagesOpened(), messages);
}

TEST_F(FirmwarePageTest, ThePageCannotBeLeftWhileAWriteRuns) {
  CUpgradePage& page = Enter(false);
  Load({{1, McuImage(600, 10)}});
  page.OnUpgrade();
  h.loop.Advance(500);
  h.main->OnHeaderClick(kPageGeneral);
  h.loop.Advance(200);
  EXPECT_EQ(h.shared.CurrentPage, kPageFirmware);
  EXPECT_EQ(page.Upgrading(), 1);
  RunWrite();
  h.main->OnHeaderClick(kPageGeneral);
  EXPECT_EQ(h.shared.CurrentPage, kPageGeneral);
}

TEST_P(FirmwareOnBothLinks, StandbyStopsTheWriteAndEverythingItWouldSend) {
  CUpgradePage& page = Enter(GetParam());
  Load({{1, McuImage(3 * 256, 11)}});
  page.OnUpgrade();
  AdvanceUntil([&] { return BlocksToDevice().size() == 1; });
  h.model.SetStandby(true);
  h.loop.Advance(50);
  EXPECT_EQ(Message(), "Matrix is in standby mode!");
  EXPECT_EQ(page.Upgrading(), 0);
  EXPECT_TRUE(Logged("Upgrade stopped: the matrix is in standby mode\r\n"));
  const size_t mark = Mark();
  h.loop.Advance(60000);
  EXPECT_EQ(SentSince(mark).size(), 0u);
  EXPECT_FALSE(h.main->HeadersLocked());
}

TEST_P(FirmwareOnBothLinks, TheLinkGoingAwayEndsTheWriteWithAMessage) {
  CUpgradePage& page = Enter(GetParam());
  Load({{1, McuImage(3 * 256, 12)}});
  page.OnUpgrade();
  AdvanceUntil([&] { return BlocksToDevice().size() == 1; });
  if (GetParam()) {
    h.model.CloseConnections();
  } else {
    h.main->HandleMessage(kMsgLinkNotice, kLinkNoticeSerialFailure);
  }
  h.loop.Advance(50);
  EXPECT_EQ(page.Upgrading(), 0);
  EXPECT_EQ(Message(), "Upgrade failed!");
  EXPECT_TRUE(Logged(GetParam() ? "Upgrade stopped: the TCP connection closed\r\n"
                                : "Upgrade stopped: the serial port closed\r\n"));
  EXPECT_FALSE(h.main->HeadersLocked());
}

// Refusing the slave part used to leave the headers locked for good; it shows the page's own box.
TEST_P(FirmwareOnBothLinks, ARefusedWriteIsReportedAndNothingMoreIsSent) {
  CUpgradePage& page = Enter(GetParam());
  const int part = GetParam() ? 1 : 2;
  Load({{part, McuImage(300, 5)}});
  h.model.Faults().refuseFirmware = true;
  const size_t mark = Mark();
  page.OnUpgrade();
  h.loop.Advance(10000);
  EXPECT_EQ(SentSince(mark).size(), 1u);
  if (part == 1) {
    EXPECT_EQ(h.shared.Message.DisplayedText(), "Write to Part_1.1.0.0 failed!");
  } else {
    EXPECT_TRUE(page.View().prompt.visible);
    EXPECT_FALSE(page.View().prompt.question);
    EXPECT_EQ(page.View().prompt.text, "Write to Part_2.1.0.0 failed");
  }
  EXPECT_TRUE(Logged("Write to Part_" + std::to_string(part) + ".1.0.0 failed\r\n"));
  EXPECT_EQ(page.Upgrading(), 0);
  EXPECT_FALSE(h.main->HeadersLocked());
}

// A switcher that drops its connection when it restarts is reached again by the next check.
TEST_F(FirmwarePageTest, AConnectionDroppedByTheRebootIsMadeAgainAndTheWriteCompletes) {
  CUpgradePage& page = Enter(true);
  Load({{1, McuImage(300, 14)}});
  page.OnUpgrade();
  AdvanceUntil([&] { return Logged("System rebooting"); });
  const int connects = h.socket.Counters().connects;
  h.model.CloseConnections();
  RunWrite();
  EXPECT_EQ(h.socket.Counters().connects, connects + 1);
  EXPECT_EQ(h.socket.Counters().closedByDevice, 1);
  EXPECT_TRUE(Logged("System reboot ok\r\nPart_1.1.0.0 upgrading complete\r\nFirmware upgrade Successfully\r\n"));
}

TEST_F(FirmwarePageTest, TheBankWrapSendsB001AtIndex240AndGoesOnAtTheNextBank) {
  CUpgradePage& page = Enter(true);
  const Bytes image = McuImage(258 * 256 + 10, 15);
  Load({{1, image}});
  const size_t mark = Mark();
  page.OnUpgrade();
  RunWrite();
  ASSERT_TRUE(Logged("Firmware upgrade Successfully\r\n")) << Log();
  const auto sent = SentSince(mark);
  EXPECT_EQ(Count(sent, FwWire({0x20, 0x01, 0xAA, 0, 0, 0x01, 0x01, 0xB0, 0x01})), 1u);
  EXPECT_EQ(Count(sent, Header(1, 241)), 0u);
  EXPECT_EQ(Count(sent, LastHeader(1, 2)), 1u);  // block 258 is index 2 of the second bank
  EXPECT_EQ(BlocksToDevice().size(), 241u + 3u);
  // Every block sent sits where it belongs; the bank's blocks 241 to 255 are never written.
  const Bytes written = Written(1, image.size());
  EXPECT_TRUE(std::equal(image.begin(), image.begin() + 241 * 256, written.begin()));
  EXPECT_TRUE(std::equal(image.begin() + 256 * 256, image.end(), written.begin() + 256 * 256));
}

TEST_F(FirmwarePageTest, SlaveAndIrPartsAreWrittenOneAfterTheOtherThroughTheirChannels) {
  CUpgradePage& page = Enter(false);
  const Bytes slave = McuImage(2 * 256 + 5, 16);
  const Bytes ir = McuImage(256 + 30, 17);
  Load({{2, slave}, {3, ir}});
  const size_t mark = Mark();
  page.OnUpgrade();
  RunWrite();
  const std::vector<std::string> expected = {
      FwWire({0x20, 0x02, 0x01, 0, 0, 0, 0, 0x40}), Header(2, 0), Header(2, 1), LastHeader(2, 2),
      kRebootCheck, kRebootCheck,
      FwWire({0x20, 0x02, 0x03, 0, 0, 0, 0, 0x40}), Header(3, 0), LastHeader(3, 1),
      kRebootCheck, kSizeQuery, kVersionQuery,
  };
  EXPECT_EQ(SentSince(mark), expected);
  EXPECT_EQ(Written(2, slave.size()), slave);
  EXPECT_EQ(Written(3, ir.size()), ir);
  EXPECT_EQ(Log().substr(Log().find("Upgrading")),
            "Upgrading Part_2.1.0.0...\r\nPart_2.1.0.0 upgrading complete\r\nSystem rebooting,Please wait...\r\n"
            "System reboot ok\r\nUpgrading Part_3.1.0.0...\r\n"
            "Part_3.1.0.0 upgrading complete: every block acknowledged (the switcher sends no final report for "
            "this part)\r\nFirmware upgrade Successfully\r\n");
  EXPECT_FALSE(h.main->HeadersLocked());
}

TEST_F(FirmwarePageTest, APanelPartIsOnlyStartedAndTheWriteIsReportedIncomplete) {
  CUpgradePage& page = Enter(true);
  Load({{2, McuImage(300, 18)}, {4, McuImage(300, 19)}});
  EXPECT_TRUE(Logged("The panel MCU3 image cannot be written over the link"));
  const size_t mark = Mark();
  page.OnUpgrade();
  RunWrite();
  const auto sent = SentSince(mark);
  ASSERT_FALSE(sent.empty());
  ASSERT_GE(sent.size(), 4u);
  EXPECT_EQ(sent[sent.size() - 4], FwWire({0x20, 0x04, 0x01, 0, 0, 0, 0, 0x40}));  // then the device line
  EXPECT_EQ(h.model.Firmware().PanelStarts(), 1);
  EXPECT_TRUE(Logged("Firmware upgrade incomplete: the panel MCU3 image was not written\r\n"));
  EXPECT_FALSE(Logged("Successfully"));
  EXPECT_EQ(Message(), "Upgrade incomplete!");
  EXPECT_EQ(page.Upgrading(), 0);
  EXPECT_FALSE(h.main->HeadersLocked());
}

TEST_F(FirmwarePageTest, AFileThatReadsLikeMergedImagesIsWrittenOnlyWhenTheOperatorConfirms) {
  CUpgradePage& page = Enter(false);
  const Bytes main = McuImage(300, 20);
  Load({{1, main}, {2, McuImage(300, 21)}});
  EXPECT_TRUE(Logged("Warning: the main MCU part takes the whole rest of the file, and from byte 302 on"));
  const size_t mark = Mark();
  page.OnUpgrade();
  ASSERT_TRUE(page.View().prompt.visible);
  EXPECT_TRUE(page.View().prompt.question);
  page.OnPromptAnswer(false);
  h.loop.Advance(5000);
  EXPECT_TRUE(SentSince(mark).empty());
  EXPECT_TRUE(Logged("Upgrade cancelled\r\n"));
  EXPECT_FALSE(page.View().prompt.visible);

  page.OnUpgrade();
  page.OnPromptAnswer(true);
  RunWrite();
  EXPECT_TRUE(Logged("Firmware upgrade Successfully\r\n"));
  EXPECT_EQ(Written(1, 604).size(), 604u);  // the whole rest of the file went to the main MCU
}

TEST_F(FirmwarePageTest, UpgradeWithoutAFileOrWithoutALinkSendsNothing) {
  CUpgradePage& page = Enter(true);
  const size_t mark = Mark();
  page.OnUpgrade();
  EXPECT_EQ(Message(), "Upgrade failed!");
  EXPECT_TRUE(Logged("No firmware file is loaded\r\n"));
  EXPECT_EQ(page.Upgrading(), 0);
  h.loop.Advance(2000);
  Load({{1, McuImage(300, 22)}});
  General().OnTcpConnect();  // disconnects
  page.OnUpgrade();
  EXPECT_EQ(Message(), "Connect to Matrix failed!");
  h.loop.Advance(5000);
  EXPECT_TRUE(SentSince(mark).empty());
}

TEST_F(FirmwarePageTest, ARefusedFileChangesNothingAndTheLogSaysWhy) {
  CUpgradePage& page = Enter(false);
  Load({{1, McuImage(300, 23)}}, "good.BIN");
  const std::string path = page.View().filePath;
  page.OnOpenFile(WriteFile("notes.txt", FirmwareStream({{1, McuImage(300, 24)}})));
  EXPECT_TRUE(Logged("Firmware file not loaded: "));
  Bytes damaged = FirmwareStream({{1, McuImage(300, 25)}});
  damaged[0] ^= 0xFF;
  page.OnOpenFile(WriteFile("damaged.fw", damaged));
  EXPECT_TRUE(Logged("does not start with a firmware section marker"));
  EXPECT_EQ(page.View().filePath, path);
  EXPECT_EQ(page.ImageLength(), 302u);
  EXPECT_EQ(page.PartEnd(1), 302u);
}

}  // namespace
}  // namespace velantor::testing
