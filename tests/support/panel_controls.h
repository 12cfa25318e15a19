// Reaching the panel's controls in end-to-end tests as tools outside the program do: by the
// control id each widget carries as its object name.
#pragma once

#include <gtest/gtest.h>

#include <QComboBox>
#include <QString>
#include <QWidget>

#include "gui/qt_panel.h"

namespace velantor::testing {

template <class W>
W* FindControl(const QWidget* view, int controlId) {
  W* w = view->findChild<W*>(QString::number(controlId));
  EXPECT_NE(w, nullptr) << "no control " << controlId;
  return w;
}

// The message dialog's text, or empty while it is closed.
inline QString ShownMessage(Panel& panel) {
  return panel.Shared().Message.IsOpen() ? QString::fromStdString(panel.Shared().Message.DisplayedText()) : "";
}

// Picks a list entry as the user does: the selection moves, then the list reports the choice.
inline void ChooseEntry(QComboBox* list, int index) {
  list->setCurrentIndex(index);
  emit list->activated(index);
}

}  // namespace velantor::testing
