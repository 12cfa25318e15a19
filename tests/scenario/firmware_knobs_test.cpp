// The FW Upgrade page against the emulator's firmware knobs: a duplicated acknowledgement, a lost
// final report, acknowledgements with the true index, a header refused mid-write and a connection
// dropped at the reboot. Each write ends plainly: success only where the switcher confirmed every
// step, otherwise one message, a log line naming the part, and the page and headers usable.
#include "scenario/firmware_page_fixture.h"

namespace velantor::testing {
namespace {

class FirmwareKnobs : public FirmwareOnBothLinks {
 protected:
  // The write has ended and the page is usable again, whatever the ending.
  void ExpectEndedPlainly() {
    EXPECT_EQ(Upgrade().Upgrading(), 0);
    EXPECT_TRUE(Upgrade().View().upgradeEnabled);
    EXPECT_FALSE(h.main->HeadersLocked());
    const size_t mark = Mark();
    h.loop.Advance(30000);
    EXPECT_EQ(SentSince(mark).size(), 0u) << "the page went on sending after its end";
  }
  void ExpectNoProtocolFaultsSeen() {
    const sim::ModelCounters c = h.model.Counters();
    EXPECT_EQ(c.firmwareBadHeaders, 0);
    EXPECT_EQ(c.firmwareIndexGaps, 0);
    EXPECT_EQ(c.firmwareAfterLast, 0);
  }
};
INSTANTIATE_TEST_SUITE_P(Links, FirmwareKnobs, ::testing::Bool(), FirmwareLinkName);

TEST_P(FirmwareKnobs, DuplicatedAcknowledgementsShiftNoBlockAndTheWriteSucceeds) {
  CUpgradePage& page = Enter(GetParam());
  const Bytes image = McuImage(5 * 256 + 30, 21);
  Load({{1, image}});
  page.OnUpgrade();
  AdvanceUntil([&] { return BlocksToDevice().size() == 1; });
  h.model.Faults().dupNext = 3;  // block 0's acknowledgement and the next two replies, twice each
  RunWrite();
  EXPECT_TRUE(Logged("Firmware upgrade Successfully\r\n")) << Log();
  EXPECT_EQ(Written(1, image.size()), image);
  EXPECT_EQ(BlocksToDevice().size(), 6u);
  EXPECT_EQ(h.model.Counters().firmwareRewrites, 0);
  ExpectNoProtocolFaultsSeen();
  ExpectEndedPlainly();
}

TEST_P(FirmwareKnobs, ALostFinalReportEndsInATimeOutWithoutSuccessOrRebootChecks) {
  CUpgradePage& page = Enter(GetParam());
  Load({{1, McuImage(2 * 256 + 10, 22)}});
  h.model.Faults().fwDropFinal = 1;
  const int messages = h.MessagesOpened();
  const size_t mark = Mark();
  page.OnUpgrade();
  RunWrite();
  EXPECT_TRUE(h.model.Firmware().PartData(1).complete);  // the switcher has it all
  EXPECT_EQ(h.MessagesOpened(), messages + 1);
  EXPECT_TRUE(Logged("Upgrading Part_1.1.0.0 failed\r\n")) << Log();
  EXPECT_FALSE(Logged("Successfully"));
  EXPECT_FALSE(Logged("System rebooting"));
  EXPECT_EQ(Count(SentSince(mark), FwWire({0x01, 0x01, 0, 0, 0, 0, 0, 0x40})), 0u);
  ExpectNoProtocolFaultsSeen();
  ExpectEndedPlainly();
}

// Only the wrap block's acknowledgement differs (40 F0 instead of the B0 01 echo): the page does
// not take it, sends header and block once more, and gives up.
TEST_P(FirmwareKnobs, AcknowledgementsWithTheTrueIndexAreNotTakenForTheWrapBlock) {
  CUpgradePage& page = Enter(GetParam());
  Load({{1, McuImage(258 * 256 + 10, 23)}});  // block 240 is not the last: it goes with B0 01
  h.model.Faults().fwTrueIndex = true;
  const int messages = h.MessagesOpened();
  const size_t mark = Mark();
  page.OnUpgrade();
  RunWrite();
  EXPECT_EQ(Count(SentSince(mark), FwWire({0x20, 0x01, 0xAA, 0, 0, 0x01, 0x01, 0xB0, 0x01})), 2u);
  EXPECT_EQ(BlocksToDevice().size(), 242u);
  EXPECT_EQ(h.model.Counters().firmwareRewrites, 1);
  EXPECT_EQ(h.MessagesOpened(), messages + 1);
  EXPECT_TRUE(Logged("Upgrading Part_1.1.0.0 failed\r\n")) << Log();
  EXPECT_FALSE(Logged("Successfully"));
  ExpectNoProtocolFaultsSeen();
  ExpectEndedPlainly();
}

TEST_P(FirmwareKnobs, AHeaderRefusedMidWriteIsReportedForItsPart) {
  CUpgradePage& page = Enter(GetParam());
  const int part = GetParam() ? 2 : 1;
  Load({{part, McuImage(4 * 256, 24)}});
  h.model.Faults().fwRefuseHeader = 3;
  page.OnUpgrade();
  RunWrite();
  EXPECT_EQ(BlocksToDevice().size(), 2u);
  EXPECT_TRUE(Logged("Write to Part_" + std::to_string(part) + ".1.0.0 failed\r\n")) << Log();
  if (part == 1) {
    EXPECT_EQ(Message(), "Write to Part_1.1.0.0 failed!");
  } else {
    EXPECT_EQ(page.View().prompt.text, "Write to Part_2.1.0.0 failed");
  }
  EXPECT_FALSE(Logged("Successfully"));
  ExpectNoProtocolFaultsSeen();
  ExpectEndedPlainly();
}

// Over TCP the reboot check connects again; the serial link has no connection to drop.
TEST_P(FirmwareKnobs, AConnectionDroppedAtTheRebootIsMadeAgainAndTheWriteCompletes) {
  CUpgradePage& page = Enter(GetParam());
  const Bytes image = McuImage(3 * 256, 25);
  Load({{1, image}});
  h.model.Faults().fwCloseAtReboot = 1;
  page.OnUpgrade();
  RunWrite();
  EXPECT_EQ(h.model.Counters().closesAtReboot, 1);
  EXPECT_TRUE(Logged("System reboot ok\r\nPart_1.1.0.0 upgrading complete\r\nFirmware upgrade Successfully\r\n"))
      << Log();
  EXPECT_EQ(Written(1, image.size()), image);
  ExpectNoProtocolFaultsSeen();
  ExpectEndedPlainly();
}

}  // namespace
}  // namespace velantor::testing
