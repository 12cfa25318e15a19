#include "gui/dialogs_view.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainterPath>
#include <QRegion>
#include <algorithm>

#include "app/change_notifier.h"
#include "skin/translation.h"
#include "skin/view_binders.h"

namespace velantor {

OverlayDialogView::OverlayDialogView(QWidget* mainWindow, QSize size, int cornerRadius, int alpha,
                                     ChangeNotifier& changed, std::function<bool()> isOpen,
                                     std::function<std::string()> text)
    : QDialog(mainWindow, Qt::Dialog | Qt::FramelessWindowHint),
      mainWindow_(mainWindow),
      baseSize_(size),
      label_(new QLabel(this)),
      radius_(cornerRadius),
      isOpen_(std::move(isOpen)),
      text_(std::move(text)),
      changed_(changed) {
  setWindowModality(Qt::WindowModal);
  setFixedSize(size);
  setWindowOpacity(alpha / 255.0);
  setStyleSheet("QDialog { background: black; } QLabel { color: white; background: transparent; }");
  label_->setAlignment(Qt::AlignCenter);
  label_->setWordWrap(true);
  QFont font = label_->font();
  font.setPointSize(11);
  label_->setFont(font);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(kMarginX, kMarginY, kMarginX, kMarginY);
  layout->addWidget(label_);
  refresh_.Watch(changed);
  openSubscription_ = changed_.Subscribe([this] {
    if (isOpen_() && !isVisible()) Sync();
  });
}

OverlayDialogView::~OverlayDialogView() { changed_.Unsubscribe(openSubscription_); }

void OverlayDialogView::Identify(const QString& dialogName, int lineId) {
  setObjectName(dialogName);
  skin::Identify(label_, lineId);
}

QString OverlayDialogView::Line() const { return label_->text(); }

void OverlayDialogView::Sync() {
  label_->setText(skin::Tr(text_()));
  FitText();
  const bool open = isOpen_();
  if (open && !isVisible()) {
    const QRect area = mainWindow_->geometry();
    move(area.center() - rect().center());
    show();  // window-modal: the main window takes no clicks while this is up
    raise();
  } else if (!open && isVisible()) {
    hide();
  }
}

// The short messages keep the dialog's own size; a long one (a file's or the system's reason)
// wraps and the dialog grows downwards so the whole reason is read, not its first half.
void OverlayDialogView::FitText() {
  const int textHeight = label_->heightForWidth(baseSize_.width() - 2 * kMarginX);
  const int height = std::max(baseSize_.height(), textHeight + 2 * kMarginY);
  if (height != this->height()) setFixedSize(baseSize_.width(), height);
}

void OverlayDialogView::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  QPainterPath path;
  path.addRoundedRect(rect(), radius_, radius_);
  setMask(QRegion(path.toFillPolygon().toPolygon()));
}

void OverlayDialogView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) return;
  QDialog::keyPressEvent(event);
}

}  // namespace velantor
