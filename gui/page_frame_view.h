// The frame of a page whose controls come in a later version.
#pragma once

#include <QWidget>

namespace velantor {

QWidget* MakePageFrameView(const QString& title, QWidget* parent);

}  // namespace velantor
