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

void CSceneDialog::OnNameEdited(const std::string& text) { view_.name = text; }

std::string CSceneDialog::AcceptedName(const std::string& old) const {
  const auto first = view_.name.find_first_not_of(" \t");
  if (first == std::string::npos) return old;
  const auto last = view_.name.find_last_not_of(" \t");
  std::string name = view_.name.substr(first, last - first + 1);
  if (name.size() > kMaxName) {
    name.resize(kMaxName);
    while (!name.empty() && (static_cast<unsigned char>(name.back()) & 0xC0) == 0x80) name.pop_back();  // no cut letter
    if (!name.empty() && (static_cast<unsigned char>(name.back()) & 0x80)) name.pop_back();
  }
  return name;
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
