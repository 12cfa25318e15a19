#include "skin/view_binders.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QWidget>

#include "skin/translation.h"

namespace velantor::skin {

void Identify(QWidget* control, int controlId) {
  const QString id = QString::number(controlId);
  control->setObjectName(id);
  control->setAccessibleName(id);
}

QString Qs(const std::string& text) { return QString::fromStdString(text); }

void ShowCheck(QAbstractButton* box, const CheckViewState& state) {
  box->setText(Tr(state.caption));
  box->setChecked(state.checked);
  box->setEnabled(state.enabled);
  box->setVisible(state.visible);
}

void SetItems(QComboBox* box, const std::vector<std::string>& items) {
  bool same = box->count() == static_cast<int>(items.size());
  for (int i = 0; same && i < box->count(); ++i) same = box->itemText(i) == Tr(items[static_cast<size_t>(i)]);
  if (same) return;
  box->clear();
  for (const auto& item : items) box->addItem(Tr(item));
}

void ShowList(QComboBox* box, const ListViewState& state) {
  SetItems(box, state.items);
  box->setCurrentIndex(state.selection);
  box->setEnabled(state.enabled);
}

}  // namespace velantor::skin
