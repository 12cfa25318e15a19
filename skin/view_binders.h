// Shared binders between the core's view state and Qt widgets, used by every page view: they
// only copy what the state says onto the widget (and skip work when nothing changed).
#pragma once

#include <QString>
#include <QStringList>
#include <algorithm>
#include <string>
#include <vector>

#include "app/view_state.h"

class QAbstractButton;
class QComboBox;
class QWidget;

namespace velantor::skin {

// Gives a control its control id as object name and accessible name, so tools outside the
// program can find it.
void Identify(QWidget* control, int controlId);
QString Qs(const std::string& text);
// Gives a button the keyboard mnemonic Alt+`letter`, underlined at the first `letter` (either
// case) of its caption; the caption itself stays the system's text. A caption without the
// letter (another language) simply has no mnemonic.
void SetMnemonic(QAbstractButton* button, QChar letter);
// Shows `caption` on the button as it is (an '&' in it is a character, not a mnemonic), with the
// button's mnemonic if it has one.
void SetCaption(QAbstractButton* button, const QString& caption);
// Makes a button or label at least as wide as the widest of the texts it can show, so a change of
// text leaves the layout where it is.
template <class Widget>
void ReserveWidth(Widget* widget, const QStringList& texts) {
  widget->ensurePolished();
  const QString shown = widget->text();
  int width = widget->minimumWidth();
  for (const QString& text : texts) {
    widget->setText(text);
    width = std::max(width, widget->sizeHint().width());
  }
  widget->setText(shown);
  widget->setMinimumWidth(width);
}
// Captions and list items are system texts: they show translated (skin/translation.h).
void ShowCheck(QAbstractButton* box, const CheckViewState& state);
void ShowList(QComboBox* box, const ListViewState& state);
// Replaces the items only when they differ, keeping an open drop-down steady.
void SetItems(QComboBox* box, const std::vector<std::string>& items);

}  // namespace velantor::skin
