#include "gui/page_frame_view.h"

#include <QLabel>
#include <QVBoxLayout>

namespace velantor {

QWidget* MakePageFrameView(const QString& title, QWidget* parent) {
  auto* frame = new QWidget(parent);
  frame->setObjectName("PageFrame_" + QString(title).remove(' '));
  auto* layout = new QVBoxLayout(frame);
  auto* label = new QLabel(QString("<h3>%1</h3><p>This page's controls arrive in a coming version.</p>").arg(title),
                           frame);
  label->setAlignment(Qt::AlignCenter);
  label->setStyleSheet("color: #555;");
  layout->addWidget(label);
  return frame;
}

}  // namespace velantor
