// Shared binders between the core's view state and Qt widgets, used by every page view: they
// only copy what the state says onto the widget (and skip work when nothing changed).
#pragma once

#include <QString>
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
// Captions and list items are system texts: they show translated (skin/translation.h).
void ShowCheck(QAbstractButton* box, const CheckViewState& state);
void ShowList(QComboBox* box, const ListViewState& state);
// Replaces the items only when they differ, keeping an open drop-down steady.
void SetItems(QComboBox* box, const std::vector<std::string>& items);

}  // namespace velantor::skin
