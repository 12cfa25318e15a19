#include "pages/matrix/scene_dialog.h"

namespace velantor {

namespace {
std::vector<std::string> InputItems() {
  std::vector<std::string> items;
  for (int n = 1; n <= kMatrixPorts; ++n) items.push_back("In" + std::to_string(n));
  return items;
}

int ValidIndex(int index) { return index >= 0 && index < kMatrixPorts ? index : -1; }
}  // namespace

CSceneDialog::CSceneDialog() {
  view_.allFrom.items.push_back("Select Input");
  for (const std::string& item : InputItems()) view_.allFrom.items.push_back(item);
  view_.allFrom.items.push_back("Port to Port");
  for (size_t k = 0; k < view_.outputs.size(); ++k) {
    view_.outputs[k].items = InputItems();
    view_.outputVisible[k] = static_cast<int>(k) < kMatrixShownPorts;
  }
}

void CSceneDialog::Open(const std::string& sceneName, const RoutePlan& plan) {
  view_.name = sceneName;
  view_.allFrom.selection = kSelectInput;
  for (size_t k = 0; k < view_.outputs.size(); ++k) view_.outputs[k].selection = ValidIndex(plan[k]);
  open_ = true;
  changed_.Notify();
}

void CSceneDialog::OnAllFromSelChange(int index) {
  if (!open_ || index < 0 || index >= static_cast<int>(view_.allFrom.items.size())) return;
  view_.allFrom.selection = index;
  for (size_t k = 0; k < view_.outputs.size(); ++k) {
    if (index == kPortToPort) {
      view_.outputs[k].selection = static_cast<int>(k);
    } else if (index != kSelectInput) {
      view_.outputs[k].selection = index - 1;
    }
  }
  changed_.Notify();
}

void CSceneDialog::OnOutputSelChange(int output, int index) {
  if (!open_ || output < 1 || output > kMatrixPorts) return;
  view_.outputs[static_cast<size_t>(output - 1)].selection = ValidIndex(index);
  changed_.Notify();
}

RoutePlan CSceneDialog::Accept() {
  RoutePlan plan{};
  for (size_t k = 0; k < view_.outputs.size(); ++k) plan[k] = view_.outputs[k].selection;
  open_ = false;
  changed_.Notify();
  return plan;
}

void CSceneDialog::Cancel() {
  open_ = false;
  changed_.Notify();
}

}  // namespace velantor
