#include "pages/matrix/scene_dialog_view.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "pages/matrix/matrix_page.h"
#include "skin/view_binders.h"

namespace velantor {

SceneDialogView::SceneDialogView(CMatrixPage& page, QWidget* parent)
    : QDialog(parent, Qt::Dialog), page_(page) {
  setObjectName("SceneDialog");
  setWindowTitle("Edit scene");
  setWindowModality(Qt::WindowModal);
  setMinimumWidth(260);
  auto* top = new QVBoxLayout(this);
  form_ = new QFormLayout();
  name_ = new QLineEdit(this);
  connect(name_, &QLineEdit::textEdited, this, [this](const QString& t) {
    page_.SceneDialog().OnNameEdited(t.toStdString());
  });
  skin::Identify(name_, CSceneDialog::kNameEdit);
  form_->addRow("Setting name", name_);
  allFrom_ = new QComboBox(this);
  skin::Identify(allFrom_, CSceneDialog::kAllFromList);
  form_->addRow("All Outputs from", allFrom_);
  for (int k = 1; k <= kMatrixPorts; ++k) {
    auto* box = new QComboBox(this);
    skin::Identify(box, CSceneDialog::kOutputLists[static_cast<size_t>(k - 1)]);
    outputs_[static_cast<size_t>(k - 1)] = box;
    form_->addRow("Output" + QString::number(k), box);
    connect(box, QOverload<int>::of(&QComboBox::activated), this, [this, k](int i) {
      if (!syncing_) page_.SceneDialog().OnOutputSelChange(k, i);
    });
  }
  top->addLayout(form_);
  auto* buttons = new QHBoxLayout();
  ok_ = new QPushButton("OK", this);
  cancel_ = new QPushButton("Cancel", this);
  ok_->setDefault(true);
  skin::Identify(ok_, CSceneDialog::kOkButton);
  skin::Identify(cancel_, CSceneDialog::kCancelButton);
  buttons->addStretch();
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  top->addLayout(buttons);

  connect(allFrom_, QOverload<int>::of(&QComboBox::activated), this, [this](int i) {
    if (!syncing_) page_.SceneDialog().OnAllFromSelChange(i);
  });
  connect(ok_, &QPushButton::clicked, this, [this] { page_.OnSceneDialogOk(); });
  connect(cancel_, &QPushButton::clicked, this, [this] { page_.OnSceneDialogCancel(); });
  refresh_.Watch(page_.SceneDialog().Changed());
  Sync();
}

SceneDialogView::~SceneDialogView() = default;

void SceneDialogView::reject() { page_.OnSceneDialogCancel(); }

void SceneDialogView::Sync() {
  syncing_ = true;
  const CSceneDialog& dialog = page_.SceneDialog();
  const SceneDialogViewState& v = dialog.View();
  if (name_->text() != skin::Qs(v.name)) name_->setText(skin::Qs(v.name));  // typing keeps its cursor
  skin::ShowList(allFrom_, v.allFrom);
  for (size_t k = 0; k < outputs_.size(); ++k) {
    skin::ShowList(outputs_[k], v.outputs[k]);
    form_->setRowVisible(outputs_[k], v.outputVisible[k]);
  }
  syncing_ = false;
  if (dialog.IsOpen() && !isVisible()) {
    show();  // window-modal: the main window takes no clicks while the scene is edited
    raise();
  } else if (!dialog.IsOpen() && isVisible()) {
    hide();
  }
}

}  // namespace velantor
