// The emulator's Matrix-page knobs: duplicated, misported and late replies, and the console
// commands for display mode, switching effect and switching time.
#include <gtest/gtest.h>

#include "support/bytes.h"

#include <vector>

#include "base/virtual_event_loop.h"
#include "sim/control_console.h"
#include "sim/device_model.h"

namespace velantor::sim {
namespace {

using Bytes = std::vector<uint8_t>;

using velantor::testing::Frame;

struct Device {
  Device() {
    model.SetReplySink([this](const uint8_t* d, size_t n) { received.emplace_back(d, d + n); });
  }
  void Send(const Bytes& f) { model.Feed(f.data(), f.size()); }
  VirtualEventLoop loop;
  DeviceModel model{loop};
  ControlConsole console{model};
  std::vector<Bytes> received;
};

const Bytes kQueryType = Frame({0x01, 0x01});
const Bytes kTypeReply = Frame({0x01, 0x01, 1});

TEST(SimMatrixKnobs, DupSendsOnlyTheNextRepliesTwice) {
  Device d;
  d.model.Faults().dupNext = 1;
  d.Send(kQueryType);
  d.Send(Frame({0x01, 0x03}));
  EXPECT_EQ(d.received, (std::vector<Bytes>{kTypeReply, kTypeReply, Frame({0x01, 0x03, 1, 0, 5})}));
  EXPECT_EQ(d.model.Counters().repliesDuplicated, 1);
  EXPECT_EQ(d.model.Faults().dupNext, 0);
}

TEST(SimMatrixKnobs, MisportAnswersForTheNeighbouringPort) {
  Device d;
  d.model.State().Output(3).route = 1;
  d.model.State().Input(2).signalType = 2;
  d.model.Faults().misportNext = 2;
  d.Send(Frame({0x02, 0x01, 4}));           // route of output 4: the last, so output 3 answers
  d.Send(Frame({0x90, 0x01, 0, 0, 1}));     // signal type of input 1: input 2 answers
  d.Send(Frame({0x90, 0x01, 0, 0, 1}));     // the count is spent: answered truly
  ASSERT_EQ(d.received.size(), 3u);
  EXPECT_EQ(d.received[0], Frame({0x02, 0x01, 3, 0, 1}));
  EXPECT_EQ(d.received[1], Frame({0x90, 0x01, 2, 0, 2}));
  EXPECT_EQ(d.received[2], Frame({0x90, 0x01, 1, 0, 1}));
  EXPECT_EQ(d.model.Counters().repliesMisported, 2);
}

TEST(SimMatrixKnobs, MisportSparesOtherCommandsAndPortsTheDeviceLacks) {
  Device d;
  d.model.Faults().misportNext = 1;
  d.Send(kQueryType);                        // not a port query
  d.Send(Frame({0x98, 0x01, 0, 0, 5}));      // output 5 of a 4 x 4: no answer
  EXPECT_EQ(d.received, std::vector<Bytes>{kTypeReply});
  EXPECT_EQ(d.model.Faults().misportNext, 1);
  d.Send(Frame({0x01, 0x05, 1}));            // output link of output 1, answered for output 2
  ASSERT_EQ(d.received.size(), 2u);
  EXPECT_EQ(d.received[1], Frame({0x01, 0x05, 2, 0, 0}));
}

TEST(SimMatrixKnobs, LateHoldsOnlyTheNextRepliesAndKeepsTheOrder) {
  Device d;
  d.model.Faults().lateNext = 1;
  d.model.Faults().lateMs = 300;
  d.Send(kQueryType);
  d.Send(Frame({0x01, 0x03}));  // not late itself, but may not overtake the held reply
  d.loop.Advance(299);
  EXPECT_TRUE(d.received.empty());
  d.loop.Advance(1);
  EXPECT_EQ(d.received, (std::vector<Bytes>{kTypeReply, Frame({0x01, 0x03, 1, 0, 5})}));
  d.Send(kQueryType);
  EXPECT_EQ(d.received.size(), 3u);  // the knob is spent: answered at once
  EXPECT_EQ(d.model.Counters().repliesLate, 1);
  EXPECT_EQ(d.model.Counters().repliesDelayed, 0);
}

TEST(SimMatrixKnobs, ALateDuplicatedReplyArrivesTwiceWhenHeld) {
  Device d;
  d.model.Faults().dupNext = 1;
  d.model.Faults().lateNext = 1;
  d.model.Faults().lateMs = 50;
  d.Send(kQueryType);
  EXPECT_TRUE(d.received.empty());
  d.loop.Advance(50);
  EXPECT_EQ(d.received, (std::vector<Bytes>{kTypeReply, kTypeReply}));
}

// A muted set command is carried out without an answer; queries, refused and bad values are not
// counted against it.
TEST(SimMatrixKnobs, MuteSetsCarriesOutSetCommandsWithoutAnsweringThem) {
  Device d;
  d.model.Faults().muteSetsNext = 1;
  d.Send(Frame({0x02, 0x01, 2}));        // a query: answered
  d.Send(Frame({0x02, 0x03, 9, 0, 2}));  // no input 9: refused, answered, not counted
  d.Send(Frame({0x02, 0x03, 3, 0, 2}));  // taken, unanswered
  d.Send(Frame({0x02, 0x03, 4, 0, 1}));  // the count is spent: answered
  ASSERT_EQ(d.received.size(), 3u);
  EXPECT_EQ(d.received[2], Frame({0x02, 0x03, 0, 0, 1}));
  EXPECT_EQ(d.model.State().Output(2).route, 3);
  EXPECT_EQ(d.model.State().Output(1).route, 4);
  EXPECT_EQ(d.model.Counters().repliesMuted, 1);
}

TEST(SimMatrixKnobs, ConsoleSetsTheKnobsAndClearTurnsThemOff) {
  Device d;
  for (const char* line : {"dup 2", "misport 3", "late 4 250", "mute-sets 5"}) {
    EXPECT_TRUE(d.console.Run(line).ok) << line;
  }
  const FaultKnobs& f = d.model.Faults();
  EXPECT_EQ(f.dupNext, 2);
  EXPECT_EQ(f.misportNext, 3);
  EXPECT_EQ(f.lateNext, 4);
  EXPECT_EQ(f.lateMs, 250);
  EXPECT_EQ(f.muteSetsNext, 5);
  EXPECT_NE(d.console.Run("show").text.find("dup 2, mute-sets 5, misport 3, late 4/250 ms"), std::string::npos);
  EXPECT_TRUE(d.console.Run("clear").ok);
  EXPECT_EQ(f.muteSetsNext, 0);
  EXPECT_EQ(f.dupNext, 0);
  EXPECT_EQ(f.misportNext, 0);
  EXPECT_EQ(f.lateNext, 0);
  EXPECT_EQ(f.lateMs, 0);
}

TEST(SimMatrixKnobs, ConsoleChangesAreWhatTheQueriesReport) {
  Device d;
  EXPECT_TRUE(d.console.Run("mode 3").ok);
  EXPECT_TRUE(d.console.Run("effect 2 16").ok);
  EXPECT_TRUE(d.console.Run("time 4 8").ok);
  d.Send(Frame({0x13, 0x02}));
  d.Send(Frame({0x98, 0x01, 0, 0, 2}));
  d.Send(Frame({0x98, 0x02, 0, 0, 4}));
  EXPECT_EQ(d.received, (std::vector<Bytes>{Frame({0x13, 0x02, 3}), Frame({0x98, 0x01, 16, 0, 2}),
                                            Frame({0x98, 0x02, 8, 0, 4})}));
}

TEST(SimMatrixKnobs, ConsoleRefusesBadValuesAndChangesNothing) {
  Device d;
  const char* lines[] = {"mode 0",      "mode 4",   "mode x",     "effect 1 0", "effect 1 17",
                         "effect 5 1",  "effect 1", "time 1 9",   "time 0 1",   "time 2 -1",
                         "dup -1",      "dup 2x",   "misport x",  "late 1",     "late 1 -5",
                         "late 1 700000"};
  for (const char* line : lines) {
    ControlConsole::Result r = d.console.Run(line);
    EXPECT_FALSE(r.ok) << line;
    EXPECT_EQ(r.text.rfind("error: ", 0), 0u) << line;
  }
  const DeviceState& s = d.model.State();
  EXPECT_EQ(s.options.displayMode, 1);
  for (int o = 1; o <= 4; ++o) {
    EXPECT_EQ(s.Output(o).effect, 1);
    EXPECT_EQ(s.Output(o).time, 1);
  }
  EXPECT_EQ(d.model.Faults().lateNext, 0);
  EXPECT_EQ(d.model.Faults().dupNext, 0);
  EXPECT_EQ(d.console.Run("effect 1 17").text, "error: switching effect is 1 to 16\n");
}

TEST(SimMatrixKnobs, ScalerTogglesWithEveryAcceptedCommand) {
  Device d;
  d.Send(Frame({0x0A, 0x0F, 0, 0, 3}));
  EXPECT_TRUE(d.model.State().Input(3).scaler);
  EXPECT_NE(d.console.Run("show").text.find("3+ type 1 edid 0 scaler;"), std::string::npos);
  d.Send(Frame({0x0A, 0x0F, 0, 0, 3}));
  EXPECT_FALSE(d.model.State().Input(3).scaler);
  EXPECT_EQ(d.received.size(), 2u);
}

}  // namespace
}  // namespace velantor::sim
