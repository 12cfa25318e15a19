// The scene edit dialog on screen: the scene's name, "All Outputs from" and one input list per
// output, OK and Cancel. Window-modal, but nothing waits for it: it shows CSceneDialog's state
// and hands OK and Cancel to the page.
#pragma once

#include <QDialog>
#include <array>

#include "pages/matrix/matrix_view_state.h"
#include "skin/coalesced_refresh.h"

class QComboBox;
class QFormLayout;
class QLineEdit;
class QPushButton;

namespace velantor {

class CMatrixPage;

class SceneDialogView : public QDialog {
  Q_OBJECT
 public:
  SceneDialogView(CMatrixPage& page, QWidget* parent);
  ~SceneDialogView() override;

 protected:
  void reject() override;  // Escape and the window's close button cancel

 private:
  void Sync();
  CMatrixPage& page_;
  skin::CoalescedRefresh refresh_{[this] { Sync(); }};
  bool syncing_ = false;
  QFormLayout* form_;
  QLineEdit* name_;
  QComboBox* allFrom_;
  std::array<QComboBox*, kMatrixPorts> outputs_{};
  QPushButton* ok_;
  QPushButton* cancel_;
};

}  // namespace velantor
