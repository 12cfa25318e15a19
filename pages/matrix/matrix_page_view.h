// The Matrix page on screen: four output groups (read-out, input buttons, previous / next,
// SWITCH MODE and SWITCH TIME, AUTO and SCALER), the four input-type groups, the Output
// configuration group, the ALL command and the scene list with its edit dialog. It shows
// CMatrixPage's view state and hands every action to it.
#pragma once

#include <QWidget>
#include <array>

#include "pages/matrix/matrix_view_state.h"
#include "skin/coalesced_refresh.h"

class QComboBox;
class QGroupBox;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace velantor {

class CMatrixPage;
class SceneDialogView;

namespace skin {
class IconButton;
class SegmentDisplay;
}  // namespace skin

class MatrixPageView : public QWidget {
  Q_OBJECT
 public:
  MatrixPageView(CMatrixPage& page, QWidget* parent);
  ~MatrixPageView() override;

  SceneDialogView* SceneDialog() const { return sceneDialog_; }

 private:
  struct OutputWidgets {
    QGroupBox* group = nullptr;
    skin::SegmentDisplay* display = nullptr;
    std::array<QPushButton*, kMatrixPorts> inputs{};
    skin::IconButton* previous = nullptr;
    skin::IconButton* next = nullptr;
  };
  struct ColumnWidgets {
    QComboBox* mode = nullptr;
    QComboBox* time = nullptr;
    QPushButton* autoButton = nullptr;
    QPushButton* scaler = nullptr;
    QGroupBox* typeGroup = nullptr;
    std::array<QRadioButton*, 3> types{};
  };

  QGroupBox* BuildOutput(int output);
  QGroupBox* BuildTypeGroup(int column);
  QWidget* BuildConfiguration();
  QGroupBox* BuildScenes();
  template <typename F>
  void Act(F action);
  void Sync();
  void SyncScenes();
  void ShowSystemMessage();

  CMatrixPage& page_;
  skin::CoalescedRefresh refresh_{[this] { Sync(); }};
  bool syncing_ = false;
  int shownSystemMessages_ = 0;
  std::array<OutputWidgets, kMatrixPorts> outputs_;
  std::array<ColumnWidgets, kMatrixShownPorts> columns_;
  QComboBox* selectOutput_ = nullptr;
  std::array<QPushButton*, kMatrixPorts> configInputs_{};
  QComboBox* allList_ = nullptr;
  QPushButton* allButton_ = nullptr;
  QTableWidget* scenes_ = nullptr;
  QPushButton* sceneEdit_ = nullptr;
  QPushButton* sceneSet_ = nullptr;
  SceneDialogView* sceneDialog_ = nullptr;
};

}  // namespace velantor
