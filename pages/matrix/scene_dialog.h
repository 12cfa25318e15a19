// CSceneDialog: the scene edit dialog as state. It opens on the picked scene's name and the
// working route, lets the user choose an input per output (or all at once), and on OK hands the
// chosen plan back to the page. The view shows it window-modal without waiting for it.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "app/change_notifier.h"
#include "app/view_state.h"
#include "pages/matrix/matrix_view_state.h"

namespace velantor {

// 0-based input index per output; -1 where no input is chosen.
using RoutePlan = std::array<int, kMatrixPorts>;

struct SceneDialogViewState {
  std::string name;                  // "Setting name", editable
  ListViewState allFrom;             // "Select Input", "In1" to "In8", "Port to Port"
  std::array<ListViewState, kMatrixPorts> outputs;  // "In1" to "In8" per output
  std::array<bool, kMatrixPorts> outputVisible{};
};

class CSceneDialog {
 public:
  static constexpr int kNameEdit = 1060;
  static constexpr int kAllFromList = 1055;
  static constexpr std::array<int, kMatrixPorts> kOutputLists{1051, 1052, 1053, 1054, 1056, 1057, 1058, 1059};
  static constexpr int kOkButton = 1;
  static constexpr int kCancelButton = 2;
  static constexpr int kCloseButton = 1135;
  // "All Outputs from" entries besides the inputs.
  static constexpr int kSelectInput = 0;
  static constexpr int kPortToPort = 9;

  CSceneDialog();

  // Opens on `sceneName` with each output's list on the plan's input (none when out of range).
  void Open(const std::string& sceneName, const RoutePlan& plan);
  // "All Outputs from": "In1".."In8" put every output on that input, "Port to Port" input k on
  // output k, "Select Input" changes nothing.
  void OnAllFromSelChange(int index);
  void OnOutputSelChange(int output, int index);  // output 1 to 8
  // Typing into "Setting name". OK keeps it trimmed; an empty name keeps the scene's old one.
  void OnNameEdited(const std::string& text);
  // The name OK gives the scene: the edited one trimmed and cut to kMaxName, or `old` when empty.
  std::string AcceptedName(const std::string& old) const;
  static constexpr size_t kMaxName = 32;
  // OK: the chosen plan; the dialog closes.
  RoutePlan Accept();
  // Cancel and the close button: nothing is kept.
  void Cancel();

  bool IsOpen() const { return open_; }
  const SceneDialogViewState& View() const { return view_; }
  ChangeNotifier& Changed() { return changed_; }

 private:
  bool open_ = false;
  SceneDialogViewState view_;
  ChangeNotifier changed_;
};

}  // namespace velantor
