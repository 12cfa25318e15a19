// Every operation of every page against every fault of the switcher, the cable and the network:
// each ends in bounded time, leaves nothing busy, running, disabled or sending, never shows a
// third state or a success it did not get, and works again once the fault is gone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "support/fault_operations.h"

namespace velantor::testing {
namespace {

bool Meaningful(const Operation& op, Fault f, bool tcp) {
  if (!op.noWire.empty()) return false;
  if (f == Fault::kTcpReset || f == Fault::kLinkClosed) return tcp;  // a serial port has no peer to hang up
  return true;
}

// VELANTOR_FAULT_CELL="operation name/fault name" prints that cell's wire transcript.
bool Traced(const Operation& op, Fault f) {
  const char* cell = std::getenv("VELANTOR_FAULT_CELL");
  return cell && op.name + "/" + FaultName(f) == cell;
}

// One link's matrix, printed as a table: operation x fault -> outcome.
void RunMatrix(bool tcp) {
  const auto rows = AllOperations();
  std::string table = std::string("\nFault matrix over ") + (tcp ? "TCP" : "the serial link") + "\n";
  for (const auto& op : rows) {
    table += "  " + op.name + "\n";
    for (Fault f : AllFaults()) {
      std::string outcome;
      if (!Meaningful(op, f, tcp)) {
        outcome = op.noWire.empty() ? "n/a" : "n/a (" + op.noWire + ")";
      } else {
        CellRun cell(op, f, tcp);
        const CellResult r = cell.Run();
        if (Traced(op, f)) std::fputs(cell.Transcript().c_str(), stdout);
        outcome = r.outcome;
        for (const auto& p : r.problems) ADD_FAILURE() << op.name << " x " << FaultName(f) << (tcp ? " (tcp)" : " (serial)") << ": " << p;
        if (!r.problems.empty()) outcome += "  <-- FAULTY";
      }
      char line[256];
      std::snprintf(line, sizeof line, "    %-11s -> %s\n", FaultName(f), outcome.c_str());
      table += line;
    }
  }
  std::fputs(table.c_str(), stdout);
}

size_t CountStartingWith(const std::vector<std::string>& frames, const std::string& start) {
  return static_cast<size_t>(std::count_if(frames.begin(), frames.end(),
                                           [&](const std::string& f) { return f.rfind(start, 0) == 0; }));
}

// Found by the matrix: every answer of the option read-back sent the next query, so a switcher
// that repeats its answers doubled the walk at each step.
TEST(FaultMatrixFinds, ARepeatedReadBackAnswerDoesNotStartASecondWalk) {
  sim::DeviceState state = sim::MakeDeviceState();
  state.options.displayMode = 2;
  ShellHarness h(state);
  ASSERT_TRUE(h.LinkFromGeneral(false));
  h.loop.Advance(3000);
  h.model.Faults().dupNext = 1000;
  const size_t mark = h.FrameCount();
  ops::General(h).OnModeCheck(3);
  h.loop.Advance(3000);
  const auto sent = h.FramesToDevice(mark);
  EXPECT_EQ(CountStartingWith(sent, "A5 5B 15 03"), 1u);  // the wall size, once
  EXPECT_EQ(CountStartingWith(sent, "A5 5B 16 02"), 1u);  // then the input channel, once
  EXPECT_EQ(sent.size(), 3u);
}

// Found by the matrix: an option acknowledgement that nobody waits for (here the factory reset's
// beep step, repeated) flipped the box to the opposite of what the switcher has.
TEST(FaultMatrixFinds, ARepeatedAcknowledgementLeavesTheOptionBoxAsTheSwitcherHasIt) {
  ShellHarness h;
  ASSERT_TRUE(h.LinkFromGeneral(true));
  h.loop.Advance(3000);
  h.model.Faults().dupNext = 1000;
  ops::General(h).OnFactoryReset();
  h.loop.Advance(5000);
  EXPECT_EQ(h.shared.Message.DisplayedText(), "Set successfully!");
  EXPECT_TRUE(h.model.State().options.beep);
  EXPECT_TRUE(ops::General(h).OptionsView().beep.checked);
}

// Found by the matrix: an input type whose acknowledgement was lost stayed first in line, so the
// next type's acknowledgement showed the lost type while the switcher had the new one.
TEST(FaultMatrixFinds, ALostTypeAcknowledgementDoesNotTakeTheNextOnesPlace) {
  ShellHarness h;
  ASSERT_TRUE(h.LinkFromGeneral(false));
  h.ChoosePage(kPageMatrix, 3000);
  h.model.Faults().dropNext = 1;
  ops::Matrix(h).OnTypeButton(2, 2);  // VGA: its acknowledgement is lost
  h.loop.Advance(6000);
  ops::Matrix(h).OnTypeButton(2, 3);  // AV
  h.loop.Advance(100);
  EXPECT_EQ(h.model.State().Input(2).signalType, 3);
  EXPECT_TRUE(ops::Matrix(h).View().columns[1].types[2].checked);
  EXPECT_FALSE(ops::Matrix(h).View().columns[1].types[1].checked);
  EXPECT_EQ(ops::Matrix(h).ConfirmedType(2), 3);
}

TEST(FaultMatrix, EveryOperationEndsCleanlyUnderEveryFaultOverTheSerialLink) { RunMatrix(false); }

TEST(FaultMatrix, EveryOperationEndsCleanlyUnderEveryFaultOverTcp) { RunMatrix(true); }

}  // namespace
}  // namespace velantor::testing
