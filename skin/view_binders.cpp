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

namespace {
constexpr const char* kMnemonicProperty = "mnemonic";
constexpr const char* kCaptionProperty = "caption";  // the caption without its '&' marks
}  // namespace

void SetCaption(QAbstractButton* button, const QString& caption) {
  QString shown = QString(caption).replace('&', "&&");
  const QChar letter = button->property(kMnemonicProperty).toChar();
  if (!letter.isNull()) {
    qsizetype at = caption.indexOf(letter);  // the letter as given first ("Factory &Reset")
    if (at < 0) at = caption.indexOf(letter, 0, Qt::CaseInsensitive);  // "Dis&connect" keeps Alt+C
    // Doubled '&' before the letter shift its place in the shown text.
    if (at >= 0) shown.insert(at + caption.left(at).count('&'), '&');
  }
  button->setProperty(kCaptionProperty, caption);
  if (button->text() != shown) button->setText(shown);
}

void SetMnemonic(QAbstractButton* button, QChar letter) {
  const QVariant plain = button->property(kCaptionProperty);
  button->setProperty(kMnemonicProperty, letter);
  SetCaption(button, plain.isValid() ? plain.toString() : button->text());
}

void ShowCheck(QAbstractButton* box, const CheckViewState& state) {
  SetCaption(box, Tr(state.caption));
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
