// The General page's device information and port status against the emulator model in virtual
// time: the chain after a connect, status requests over both links, retries, time-outs,
// standby, the checksum and ignore rules, and the mended faults.
#include <gtest/gtest.h>

#include "scenario/general_page_fixture.h"

namespace velantor {
namespace {
using testing::Frame;
using testing::HexText;
using testing::Wire;

class GeneralStatus : public testing::GeneralPageTest {
 protected:
  explicit GeneralStatus(sim::DeviceState state = sim::MakeDeviceState()) : GeneralPageTest(std::move(state)) {}
  const PortLineViewState& In(int n) const { return page->StatusView().inputs[static_cast<size_t>(n - 1)]; }
  const PortLineViewState& Out(int n) const { return page->StatusView().outputs[static_cast<size_t>(n - 1)]; }
};

TEST_F(GeneralStatus, ASerialConnectReadsOptionsThenDeviceInformationThenEveryPort) {
  EXPECT_EQ(page->StatusView().deviceText, "Not Known");
  EXPECT_EQ(page->StatusView().versionText, "Not Known");
  model.SetPortConnected(false, 3, false);
  ConnectSerial();
  const std::vector<std::string> expected = {
      "A5 5B 01 0A 00 00 00 00 00 00 00 00 F5", Wire(0x01, 0x0B), Wire(0x13, 0x02),
      Wire(0x01, 0x01), Wire(0x01, 0x02), Wire(0x01, 0x03),
      "A5 5B 01 04 01 00 00 00 00 00 00 00 FA", Wire(0x01, 0x05, 1), Wire(0x01, 0x04, 2), Wire(0x01, 0x05, 2),
      Wire(0x01, 0x04, 3), Wire(0x01, 0x05, 3), Wire(0x01, 0x04, 4), Wire(0x01, 0x05, 4)};
  EXPECT_EQ(Sent(), expected);
  EXPECT_EQ(page->StatusView().deviceText, "HDMI MATRIX 4X4");
  EXPECT_EQ(page->StatusView().versionText, "1.5");
  EXPECT_EQ(In(1).text, "HDMI IN1: Connect");
  EXPECT_EQ(In(1).Colour(), (Rgb{0, 255, 0}));
  EXPECT_EQ(Out(3).text, "HDMI OUTC: Disconnect");
  EXPECT_EQ(Out(3).Colour(), (Rgb{255, 0, 0}));
  EXPECT_EQ(Out(4).text, "HDMI OUTD: Connect");
  EXPECT_FALSE(In(5).visible);
  EXPECT_FALSE(shared.Busy.IsOpen());  // the chain after a connect runs without the dialog
  EXPECT_FALSE(shared.Message.IsOpen());
}

class GeneralStatusEightByEight : public GeneralStatus {
 protected:
  GeneralStatusEightByEight() : GeneralStatus(sim::MakeDeviceState(8, 8, 2)) {}
};

TEST_F(GeneralStatusEightByEight, ATcpConnectNamesTheDeviceAndTheWalkStopsAtPortFour) {
  ConnectTcp();
  EXPECT_EQ(page->StatusView().deviceText, "HDBT MATRIX 8X8");
  EXPECT_EQ(page->StatusView().versionText, "1.5");
  EXPECT_EQ(Out(4).text, "HDMI OUTD: Connect");
  EXPECT_EQ(In(5).text, "HDMI IN5:");  // never asked
  const auto sent = Sent();
  EXPECT_EQ(sent.back(), Wire(0x01, 0x05, 4));
  EXPECT_EQ(mainWindow.PageBusyEnables(), 1);
}

TEST_F(GeneralStatus, ASerialRequestWaits200MsAnimatesAndEndsWithThePageHeadersEnabled) {
  ConnectSerial();
  const size_t mark = Sent().size();
  const int enables = mainWindow.PageBusyEnables();
  model.SetPortConnected(true, 2, false);
  page->RequestStatus();
  EXPECT_EQ(In(1).text, "");
  EXPECT_TRUE(shared.Busy.IsOpen());
  EXPECT_EQ(shared.Busy.DisplayedText(), "Getting status . . .");
  const int writes = Writes();
  loop.Advance(199);
  EXPECT_EQ(Writes(), writes);
  loop.Advance(1);
  EXPECT_EQ(Writes(), writes + 1);
  loop.Advance(kWireMs);
  ASSERT_EQ(SentSince(mark).size(), 1u);
  EXPECT_EQ(SentSince(mark)[0], "A5 5B 01 04 01 00 00 00 00 00 00 00 FA");
  loop.Advance(100 - kWireMs);
  EXPECT_EQ(SentSince(mark).size(), 8u);
  EXPECT_EQ(In(2).text, "HDMI IN2: Disconnect");
  EXPECT_EQ(In(2).connected, 0);
  EXPECT_EQ(Out(2).text, "HDMI OUTB: Connect");
  EXPECT_FALSE(shared.Busy.IsOpen());
  EXPECT_FALSE(page->TimerRunning(CGeneralPage::kTimerStatusAnimation));
  EXPECT_EQ(mainWindow.PageBusyEnables(), enables + 1);
  EXPECT_FALSE(page->PageBusy());
}

// The start of a frame received just before the page was left must not swallow the start of the
// first answer when the page is shown again.
TEST_F(GeneralStatus, BytesHalfReceivedBeforeLeavingThePageDoNotSpoilTheFirstAnswerOnReturn) {
  ConnectSerial();
  loop.Advance(3000);
  for (uint8_t b : {0xA5, 0x5B, 0x01, 0x04}) page->OnPortRxChar(b, 1);
  h.ChoosePage(kPageMatrix, 3000);
  h.ChoosePage(kPageGeneral, 500);
  const size_t before = Sent().size();
  page->RequestStatus();
  loop.Advance(3000);
  EXPECT_EQ(Sent().size() - before, 8u);  // each port asked once: no answer was lost
  EXPECT_TRUE(In(1).current);
  EXPECT_TRUE(Out(4).current);
}

TEST_F(GeneralStatus, AMissingReplyIsAskedOnceMoreAfterFiveSecondsAndTimesOutFiveSecondsLater) {
  ConnectSerial();
  const int enables = mainWindow.PageBusyEnables();
  model.Faults().dropNext = 2;
  page->RequestStatus();
  loop.Advance(200 + kWireMs);  // the first query has reached the switcher
  const size_t mark = Sent().size();
  const int writes = Writes();
  loop.Advance(4999 - kWireMs);
  EXPECT_EQ(Writes(), writes);
  loop.Advance(1);
  EXPECT_EQ(Writes(), writes + 1);
  loop.Advance(kWireMs);
  ASSERT_EQ(SentSince(mark).size(), 1u);
  EXPECT_EQ(SentSince(mark)[0], "A5 5B 01 04 01 00 00 00 00 00 00 00 FA");
  EXPECT_TRUE(page->TimerRunning(8));
  loop.Advance(4999 - kWireMs);
  EXPECT_FALSE(shared.Message.IsOpen());
  loop.Advance(1);
  EXPECT_EQ(shared.Message.DisplayedText(), "Time out!");
  EXPECT_FALSE(shared.Busy.IsOpen());
  EXPECT_EQ(mainWindow.PageBusyEnables(), enables + 1);
  EXPECT_FALSE(page->PageBusy());
  loop.Advance(1000);
  EXPECT_FALSE(shared.Message.IsOpen());
}

TEST_F(GeneralStatus, ARetriedStepThatIsAnsweredCarriesTheWalkToItsEnd) {
  ConnectSerial();
  page->RequestStatus();
  loop.Advance(250);  // steps 1 to 3 answered
  model.Faults().dropNext = 1;
  loop.Advance(5000);
  EXPECT_EQ(Out(4).text, "HDMI OUTD: Connect");
  EXPECT_FALSE(shared.Message.IsOpen());
  EXPECT_FALSE(page->PageBusy());
}

TEST_F(GeneralStatus, OnlyAnExactlyZeroSignedSumCountsOnTheSerialLink) {
  ConnectSerial();
  model.Faults().dropEvery = 1;  // the test answers for the switcher
  page->RequestStatus();
  loop.Advance(200);
  // Valid by the checksum rule, but its signed sum is 256.
  Inject(testing::Hex("A5 5B 01 04 01 00 00 7F 7F 02 00 00 FA"));
  EXPECT_EQ(In(1).text, "");
  Inject(Frame({0x01, 0x04, 0x01, 0x00, 0xFF}));
  EXPECT_EQ(In(1).text, "HDMI IN1: Disconnect");
  Inject(Frame({0x01, 0x05, 0x01, 0x00, 0x00}));
  EXPECT_EQ(Out(1).text, "HDMI OUTA: Connect");  // 0x00 is connected, only 0xFF is not
}

// A damaged reply never acts, on either link: the step's retry brings the right one.
TEST_F(GeneralStatus, ACorruptedReplyIsIgnoredOnBothLinksAndTheRetryIsAnswered) {
  ConnectSerial();
  page->RequestStatus();
  loop.Advance(199);
  model.Faults().corruptNext = 1;
  loop.Advance(10);
  EXPECT_EQ(In(1).text, "");
  loop.Advance(5000);  // the retry is answered
  EXPECT_EQ(In(1).text, "HDMI IN1: Connect");
  page->OnComConnect();  // disconnect

  ConnectTcp();
  loop.Advance(1000);  // the chain after the connect has ended
  page->RequestStatus();
  model.Faults().corruptNext = 1;  // the first query is answered already: the second reply is hit
  loop.Advance(5);
  EXPECT_EQ(In(1).text, "HDMI IN1: Connect");
  EXPECT_EQ(Out(1).text, "");
  EXPECT_EQ(Out(4).text, "");
  loop.Advance(5500);  // the retry is answered and the walk goes on
  EXPECT_EQ(Out(1).text, "HDMI OUTA: Connect");
  EXPECT_EQ(Out(4).text, "HDMI OUTD: Connect");
}

TEST_F(GeneralStatus, TcpRepliesAreIgnoredAfterTheActivationCheckUntilTheNextRequest) {
  ConnectTcp();
  model.SetPortConnected(true, 1, false);
  page->StartAction();  // the page was shown again
  EXPECT_TRUE(page->IgnoreStatusReplies());
  const auto query = Frame({0x01, 0x04, 0x01});
  socket.Send(query.data(), query.size());  // a reply the page did not ask for
  loop.Advance(10);
  EXPECT_EQ(In(1).text, "HDMI IN1: Connect");
  const size_t mark = Sent().size();
  page->RequestStatus();  // over a connected link the first query goes out at once
  ASSERT_GE(SentSince(mark).size(), 1u);
  EXPECT_EQ(SentSince(mark)[0], Wire(0x01, 0x04, 1));
  loop.Advance(10);
  EXPECT_EQ(In(1).text, "HDMI IN1: Disconnect");
}

TEST_F(GeneralStatus, ARequestOverAClosedTcpLinkConnectsFirstAndRunsBehindTheDeviceInformation) {
  std::vector<std::string> busyTexts;
  shared.Busy.Changed().Subscribe([&] {
    if (shared.Busy.IsOpen()) busyTexts.push_back(shared.Busy.DisplayedText());
  });
  page->OnTcpMode();
  page->OnAddressEdited("127.0.0.1");
  page->RequestStatus();
  EXPECT_EQ(page->PendingStatusRequest(), 1);
  page->RequestStatus();  // while the connect is pending: nothing
  EXPECT_EQ(socket.Counters().connects + socket.Counters().refusedConnects, 0);
  loop.Advance(2);
  EXPECT_EQ(shared.TcpLinkUp, 1);
  EXPECT_EQ(page->View().tcpButton, "Disconnect");
  ASSERT_FALSE(busyTexts.empty());
  EXPECT_EQ(busyTexts[0], "Getting status . . .");
  loop.Advance(100);
  EXPECT_EQ(page->StatusView().deviceText, "HDMI MATRIX 4X4");
  EXPECT_EQ(Out(4).text, "HDMI OUTD: Connect");
  EXPECT_FALSE(shared.Busy.IsOpen());
  int walks = 0;
  for (const auto& line : Sent()) walks += line == Wire(0x01, 0x04, 1);
  EXPECT_EQ(walks, 1);
}

TEST_F(GeneralStatus, AFailedConnectForARequestDoesNotBlockLaterRequests) {
  page->OnTcpMode();
  page->OnAddressEdited("127.0.0.1");
  socket.SetReachable(false);
  page->RequestStatus();
  loop.Advance(10);
  EXPECT_EQ(shared.Message.DisplayedText(), "Connect to Matrix failed!");
  EXPECT_EQ(page->PendingStatusRequest(), 0);
  socket.SetReachable(true);
  loop.Advance(1000);
  ConnectTcp();
  const size_t mark = Sent().size();
  page->RequestStatus();
  EXPECT_TRUE(shared.Busy.IsOpen());
  loop.Advance(10);
  EXPECT_EQ(SentSince(mark).size(), 8u);
}

TEST_F(GeneralStatus, StandbyInTheMiddleStopsTheRequestWithItsNotice) {
  ConnectSerial();
  page->RequestStatus();
  loop.Advance(203);
  model.SetStandby(true);
  loop.Advance(5);
  EXPECT_EQ(shared.Message.DisplayedText(), "Matrix is in standby mode!");
  EXPECT_FALSE(shared.Busy.IsOpen());
  for (int id = 1; id <= 79; ++id) {
    if (id != CGeneralPage::kTimerMessage) {
      EXPECT_FALSE(page->TimerRunning(id)) << id;
    }
  }
  EXPECT_FALSE(page->PageBusy());
  loop.Advance(2400);  // the notice stays 2500 ms
  EXPECT_TRUE(shared.Message.IsOpen());
  loop.Advance(100);
  EXPECT_FALSE(shared.Message.IsOpen());
  const int opened = shared.Message.OpenCount();
  loop.Advance(20000);
  EXPECT_FALSE(shared.Message.IsOpen());  // no time-out follows
  EXPECT_EQ(shared.Message.OpenCount(), opened);  // no "Time out!" came and closed meanwhile
}

TEST_F(GeneralStatus, AClickWhileBusyIsAnsweredWithPleaseWaitWhichTheEndOfTheRequestCloses) {
  ConnectSerial();
  page->RequestStatus();
  const int writes = Writes();
  page->OnBeepCheck();
  EXPECT_EQ(shared.Message.DisplayedText(), "Please wait...");
  EXPECT_EQ(Writes(), writes);
  loop.Advance(300);
  EXPECT_FALSE(shared.Message.IsOpen());
  EXPECT_FALSE(shared.Busy.IsOpen());
}

TEST_F(GeneralStatus, ATimeOutReplacesPleaseWaitWithTimeOut) {
  ConnectSerial();
  model.Faults().dropEvery = 1;
  page->RequestStatus();
  loop.Advance(9000);
  page->OnFactoryReset();
  EXPECT_EQ(shared.Message.DisplayedText(), "Please wait...");
  loop.Advance(1200);
  EXPECT_EQ(shared.Message.DisplayedText(), "Time out!");
  EXPECT_TRUE(shared.Message.IsOpen());
}

TEST_F(GeneralStatus, ALateOrRepeatedReplyUpdatesItsLineWithoutStartingASecondWalk) {
  ConnectSerial();
  model.Faults().dropEvery = 1;
  page->RequestStatus();
  loop.Advance(200 + kWireMs);  // the first query has reached the switcher
  Inject(Frame({0x01, 0x04, 0x01, 0x00, 0x00}));
  loop.Advance(kWireMs);
  const size_t mark = Sent().size();
  const int writes = Writes();
  Inject(Frame({0x01, 0x04, 0x01, 0x00, 0xFF}));  // the answer to a retry, late
  EXPECT_EQ(In(1).text, "HDMI IN1: Disconnect");
  loop.Advance(kWireMs);
  EXPECT_EQ(Writes(), writes);
  EXPECT_TRUE(SentSince(mark).empty());
  Inject(Frame({0x01, 0x05, 0x01, 0x00, 0x00}));
  loop.Advance(kWireMs);
  EXPECT_EQ(SentSince(mark), std::vector<std::string>{Wire(0x01, 0x04, 2)});
}

TEST_F(GeneralStatus, LeavingThePageEndsItsRequestQuietly) {
  ConnectSerial();
  model.Faults().dropEvery = 1;
  page->RequestStatus();
  loop.Advance(300);
  page->OnTabChosen(kPageMatrix);
  EXPECT_FALSE(shared.Busy.IsOpen());
  EXPECT_FALSE(page->PageBusy());
  const int opened = shared.Message.OpenCount();
  loop.Advance(20000);
  EXPECT_FALSE(shared.Message.IsOpen());
  EXPECT_EQ(shared.Message.OpenCount(), opened);  // no "Time out!" came and closed meanwhile
}

TEST_F(GeneralStatus, ADeviceThatNeverNamesItselfAfterTheConnectIsReportedAsNotAnswering) {
  model.Faults().dropEvery = 1;
  page->OnComConnect();
  loop.Advance(1000 + kWireMs);
  EXPECT_EQ(Sent().back(), Wire(0x01, 0x01));
  loop.Advance(5000 - kWireMs);
  EXPECT_EQ(shared.Message.DisplayedText(), "The switcher does not answer");
  EXPECT_EQ(page->StatusView().deviceText, "The switcher does not answer");
  EXPECT_FALSE(page->PageBusy());
  // The cable is fixed: Status reads the device information too, not only the port lines.
  model.Faults().dropEvery = 0;
  page->RequestStatus();
  loop.Advance(5000);
  EXPECT_EQ(page->StatusView().deviceText, "HDMI MATRIX 4X4");
  EXPECT_TRUE(page->StatusView().deviceCurrent);
  EXPECT_EQ(shared.Link.state, "connected");
  EXPECT_TRUE(page->StatusView().inputs[3].current);
}

}  // namespace
}  // namespace velantor
