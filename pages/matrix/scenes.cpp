// CMatrixPage, scenes: eight routing plans named "Setting1" to "Setting8" in a list, kept in
// memory for the run. Picking a row loads its plan into the working route, the edit dialog
// changes the working route (and the picked row with it), and "Set" recalls the picked row
// as a sequence of switches.
#include <string>
#include <utility>
#include <vector>

#include "pages/matrix/matrix_page.h"

namespace velantor {

namespace {
constexpr int kNameWidth = 80;
constexpr int kOutputWidth = 70;

// A cell is read by its first character as a hexadecimal digit; anything else is no input (-1).
int CellDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}
}  // namespace

void CMatrixPage::InitialiseScenes() {
  SceneListViewState& list = view_.scenes;
  for (int column = 0; column < SceneListViewState::kColumns; ++column) {
    const size_t c = static_cast<size_t>(column);
    list.headings[c] = column == 0 ? "" : "Output" + std::to_string(column);
    list.widths[c] = column == 0 ? kNameWidth : kOutputWidth;
    list.columnVisible[c] = column <= kMatrixShownPorts;
  }
  for (int row = 0; row < SceneListViewState::kRows; ++row) {
    list.rows[static_cast<size_t>(row)][0] = "Setting" + std::to_string(row + 1);
  }
  // The row Edit and Set work on before any pick is highlighted as such.
  list.selection = selectedScene_;
  RefreshSceneRow();
}

void CMatrixPage::RefreshSceneRow() {
  auto& row = view_.scenes.rows[static_cast<size_t>(selectedScene_)];
  for (int k = 1; k <= kMatrixPorts; ++k) row[static_cast<size_t>(k)] = std::to_string(workingRoute_[Slot(k)] + 1);
  Notify();
}

void CMatrixPage::OnSceneClick(int row) {
  if (row < 0 || row >= SceneListViewState::kRows || sceneIdle_ == 0) {
    Notify();  // the list shows the scene picked before
    return;
  }
  for (int idle : inputIdle_) {
    if (idle == 0) {
      Notify();
      return;
    }
  }
  selectedScene_ = row;
  view_.scenes.selection = row;
  sceneName_ = view_.scenes.rows[static_cast<size_t>(row)][0];
  LoadSceneRow(row);
  Notify();
}

// A cell that names no input the switcher has leaves that output's plan as it is.
std::array<bool, kMatrixPorts> CMatrixPage::LoadSceneRow(int row) {
  const auto& cells = view_.scenes.rows[static_cast<size_t>(row)];
  std::array<bool, kMatrixPorts> named{};
  for (int k = 1; k <= kMatrixPorts; ++k) {
    const std::string& cell = cells[static_cast<size_t>(k)];
    const int index = cell.empty() ? -1 : CellDigit(cell[0]) - 1;
    named[Slot(k)] = ValidRouteIndex(index);
    if (named[Slot(k)]) workingRoute_[Slot(k)] = index;
  }
  return named;
}

// Edit works on the highlighted row as it stands, under its own name: All Output and Port to
// Port leave their plan in the working route, and before the first pick `SceneName` is still
// empty while "Setting1" is the scene the page has picked.
void CMatrixPage::OnSceneEdit() {
  LoadSceneRow(selectedScene_);
  sceneDialog_.Open(view_.scenes.rows[static_cast<size_t>(selectedScene_)][0], workingRoute_);
}

// OK keeps the chosen plan as the working route and writes it into the picked row, so the
// next pick of that row gives the same plan back.
void CMatrixPage::OnSceneDialogOk() {
  if (!sceneDialog_.IsOpen()) return;
  std::string& name = view_.scenes.rows[static_cast<size_t>(selectedScene_)][0];
  name = sceneDialog_.AcceptedName(name);
  sceneName_ = name;
  // An output left without an input in the dialog keeps its plan.
  const RoutePlan plan = sceneDialog_.Accept();
  for (size_t k = 0; k < plan.size(); ++k) {
    if (ValidRouteIndex(plan[k])) workingRoute_[k] = plan[k];
  }
  RefreshSceneRow();
}

void CMatrixPage::OnSceneDialogCancel() { sceneDialog_.Cancel(); }

// "Set" recalls the highlighted row as it stands, not whatever All Output or Port to Port last
// left in the working route. An output whose cell is empty is not switched, so it keeps the
// input it shows; a row without a filled cell recalls nothing.
void CMatrixPage::OnSceneSet() {
  if (!view_.sceneSet.enabled || PageBusy() == 1 || !ConfigLinkReady() || sceneIdle_ == 0) return;
  for (int idle : inputIdle_) {
    if (idle == 0) return;
  }
  const std::array<bool, kMatrixPorts> named = LoadSceneRow(selectedScene_);
  std::vector<std::pair<int, int>> steps;
  for (int k = 1; k <= kMatrixShownPorts; ++k) {
    if (named[Slot(k)]) steps.push_back({workingRoute_[Slot(k)] + 1, k});
  }
  if (steps.empty()) return;
  sceneIdle_ = 0;
  StartSequence(std::move(steps));
}

}  // namespace velantor
