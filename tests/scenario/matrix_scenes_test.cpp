// The Matrix page's scenes: the list as it starts, picking rows, the edit dialog and recalling a
// scene as a sequence of switches on both links.
#include <gtest/gtest.h>

#include "scenario/matrix_page_fixture.h"

namespace velantor::testing {
namespace {

std::string Switch(int input, int output) { return MatrixWire(0x02, 0x03, input, 0, output); }

class MatrixScenes : public MatrixPageTest, public ::testing::WithParamInterface<Link> {
 protected:
  std::vector<std::string> Row(int row) {
    const auto& cells = Page().View().scenes.rows[static_cast<size_t>(row)];
    return {cells.begin(), cells.end()};
  }
};

TEST_P(MatrixScenes, AnEditedSceneIsKeptInItsRowAndRecalledOutputByOutput) {
  ConnectAndShow(GetParam());
  EXPECT_EQ(Row(0), (std::vector<std::string>{"Setting1", "2", "2", "2", "2", "2", "2", "2", "2"}));
  EXPECT_EQ(Row(7), (std::vector<std::string>{"Setting8", "", "", "", "", "", "", "", ""}));
  // An empty row names the scene and leaves the plan as it is.
  Page().OnSceneClick(1);
  EXPECT_EQ(Page().SceneName(), "Setting2");
  EXPECT_EQ(Page().WorkingRoute(3), 1);
  Page().OnSceneEdit();
  ASSERT_TRUE(Page().SceneDialog().IsOpen());
  EXPECT_EQ(Page().SceneDialog().View().name, "Setting2");
  Page().SceneDialog().OnAllFromSelChange(3);  // "In3"
  Page().SceneDialog().OnOutputSelChange(4, 0);
  Page().OnSceneDialogOk();
  EXPECT_FALSE(Page().SceneDialog().IsOpen());
  EXPECT_EQ(Row(1), (std::vector<std::string>{"Setting2", "3", "3", "3", "1", "3", "3", "3", "3"}));
  // Port to Port changes the working route, but "Set" recalls the row still highlighted.
  Page().OnSelectOutput(5);
  h.loop.Advance(100);
  EXPECT_EQ(Page().WorkingRoute(2), 1);
  EXPECT_EQ(Page().View().scenes.selection, 1);
  const size_t mark = Mark();
  Page().OnSceneSet();
  EXPECT_EQ(Page().WorkingRoute(2), 2);
  EXPECT_EQ(Page().SceneIdle(), 0);
  h.loop.Advance(100);
  EXPECT_EQ(SentSince(mark), (std::vector<std::string>{Switch(3, 1), Switch(3, 2), Switch(3, 3), Switch(1, 4)}));
  EXPECT_EQ(Checked(4), std::vector<int>{1});
  EXPECT_EQ(Page().SceneIdle(), 1);
  Page().OnSceneSet();  // a recall can be repeated
  h.loop.Advance(100);
  EXPECT_EQ(SentSince(mark).size(), 8u);
}

TEST_P(MatrixScenes, AnOutputLeftWithoutInputInTheDialogKeepsItsPlanAndIsNeverSentInputZero) {
  ConnectAndShow(GetParam());
  Page().OnSceneClick(0);
  Page().OnSceneEdit();
  Page().SceneDialog().OnOutputSelChange(2, -1);
  Page().OnSceneDialogOk();
  EXPECT_EQ(Page().WorkingRoute(2), 1);
  EXPECT_EQ(Row(0)[2], "2");
  Page().OnSceneClick(1);
  Page().OnSceneClick(0);  // the row read back gives the same plan
  EXPECT_EQ(Page().WorkingRoute(2), 1);
  const size_t mark = Mark();
  Page().OnSceneSet();
  h.loop.Advance(100);
  EXPECT_EQ(SentSince(mark), (std::vector<std::string>{Switch(2, 1), Switch(2, 2), Switch(2, 3), Switch(2, 4)}));
}

TEST_P(MatrixScenes, OkStoresAnEditedNameTrimmedAndAnEmptyNameKeepsTheOldOne) {
  ConnectAndShow(GetParam());
  Page().OnSceneClick(2);
  Page().OnSceneEdit();
  Page().SceneDialog().OnNameEdited("  Lecture hall  ");
  Page().OnSceneDialogOk();
  EXPECT_EQ(Row(2)[0], "Lecture hall");
  Page().OnSceneClick(0);
  Page().OnSceneClick(2);
  EXPECT_EQ(Page().SceneName(), "Lecture hall");

  Page().OnSceneEdit();
  EXPECT_EQ(Page().SceneDialog().View().name, "Lecture hall");
  Page().SceneDialog().OnNameEdited("   ");
  Page().OnSceneDialogOk();
  EXPECT_EQ(Row(2)[0], "Lecture hall");

  Page().OnSceneEdit();  // a very long name is cut, never a letter in half
  Page().SceneDialog().OnNameEdited(std::string(31, 'a') + "\xC3\xA9xyz");
  Page().OnSceneDialogOk();
  EXPECT_EQ(Row(2)[0], std::string(31, 'a'));

  Page().OnSceneEdit();  // Cancel keeps nothing
  Page().SceneDialog().OnNameEdited("Other");
  Page().OnSceneDialogCancel();
  EXPECT_EQ(Row(2)[0], std::string(31, 'a'));
}

TEST_P(MatrixScenes, EditAndSetBeforeAnyPickWorkOnTheHighlightedSetting1UnderItsOwnName) {
  ConnectAndShow(GetParam());
  EXPECT_EQ(Page().View().scenes.selection, 0);
  Page().OnSelectOutput(5);  // Port to Port leaves its plan in the working route
  h.loop.Advance(100);
  Page().OnSceneEdit();
  EXPECT_EQ(Page().SceneDialog().View().name, "Setting1");
  EXPECT_EQ(Page().SceneDialog().View().outputs[2].selection, 1);  // the row's "2", not Port to Port's 3
  Page().SceneDialog().OnOutputSelChange(3, 3);
  Page().OnSceneDialogOk();
  EXPECT_EQ(Row(0), (std::vector<std::string>{"Setting1", "2", "2", "4", "2", "2", "2", "2", "2"}));
  EXPECT_EQ(Page().SceneName(), "Setting1");
  const size_t mark = Mark();
  Page().OnSceneSet();
  h.loop.Advance(100);
  EXPECT_EQ(SentSince(mark), (std::vector<std::string>{Switch(2, 1), Switch(2, 2), Switch(4, 3), Switch(2, 4)}));
}

TEST_P(MatrixScenes, ARowWithoutAFilledCellRecallsNothing) {
  ConnectAndShow(GetParam());
  Page().OnSelectOutput(5);  // Port to Port leaves its plan in the working route
  h.loop.Advance(100);
  Page().OnSceneClick(4);
  const size_t mark = Mark();
  Page().OnSceneSet();
  h.loop.Advance(100);
  EXPECT_TRUE(SentSince(mark).empty());
  EXPECT_EQ(Page().SceneIdle(), 1);
  EXPECT_EQ(Page().PageBusy(), 0);
}

INSTANTIATE_TEST_SUITE_P(BothLinks, MatrixScenes, ::testing::Values(Link::kSerial, Link::kTcp), LinkName);

class MatrixScenesSerial : public MatrixPageTest {};

TEST_F(MatrixScenesSerial, Setting1RightAfterStartRecallsInputTwoEverywhere) {
  ConnectAndShow(Link::kSerial);
  Page().OnSceneClick(0);
  EXPECT_EQ(Page().SceneName(), "Setting1");
  const size_t mark = Mark();
  Page().OnSceneSet();
  h.loop.Advance(100);
  EXPECT_EQ(SentSince(mark), (std::vector<std::string>{Switch(2, 1), Switch(2, 2), Switch(2, 3), Switch(2, 4)}));
}

TEST_F(MatrixScenesSerial, NoRowCanBePickedWhileARecallRuns) {
  ConnectAndShow(Link::kSerial);
  h.model.Faults().dropNext = 1;
  Page().OnSceneSet();
  Page().OnSceneClick(3);
  EXPECT_EQ(Page().SelectedScene(), 0);
  EXPECT_EQ(Page().SceneName(), "");
  h.loop.Advance(5100);
  EXPECT_EQ(Page().SceneIdle(), 1);
  Page().OnSceneClick(3);
  EXPECT_EQ(Page().SelectedScene(), 3);
  EXPECT_EQ(Page().View().scenes.selection, 3);
}

}  // namespace
}  // namespace velantor::testing
