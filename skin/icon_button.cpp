#include "skin/icon_button.h"

#include <QEnterEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QSvgRenderer>
#include <QtGlobal>
#include <algorithm>

#include "skin/skin_resources.h"

namespace velantor::skin {

namespace {
constexpr int kDefaultIcon = 24;    // logical pixels, when the drawing gives no better size
constexpr int kCaptionGap = 6;      // between icon and caption
constexpr int kMargin = 2;
constexpr int kHoverLighten = 80;   // alpha of the white wash for a derived hover image
constexpr int kPressDarken = 55;    // alpha of the black wash for a derived pressed image
constexpr qreal kDisabledOpacity = 0.45;

std::unique_ptr<QSvgRenderer> LoadIcon(int controlId, const QString& path) {
  if (path.isEmpty()) return nullptr;
  auto renderer = std::make_unique<QSvgRenderer>(path);
  if (!renderer->isValid()) {
    qWarning("IconButton %d: cannot load icon \"%s\"", controlId, qPrintable(path));
    return nullptr;
  }
  renderer->setAspectRatioMode(Qt::KeepAspectRatio);
  return renderer;
}

void Wash(QImage& image, QColor colour) {
  QPainter p(&image);
  p.setCompositionMode(QPainter::CompositionMode_SourceAtop);
  p.fillRect(QRectF(QPointF(0, 0), image.deviceIndependentSize()), colour);
}

void Greyscale(QImage& image) {
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const int grey = qGray(line[x]);
      line[x] = qRgba(grey, grey, grey, qAlpha(line[x]));  // premultiplied stays valid: grey <= max(r,g,b) <= alpha
    }
  }
}
}  // namespace

IconButton::IconButton(QWidget* parent, int controlId, const QString& normalIcon, const QString& hoverIcon,
                       const QString& pressedIcon, const QString& toolTip)
    : QAbstractButton(parent), controlId_(controlId) {
  InitResources();
  setObjectName(QString("IconButton%1").arg(controlId));
  setCursor(Qt::PointingHandCursor);
  setToolTip(toolTip);
  setAttribute(Qt::WA_Hover);
  setFocusPolicy(Qt::StrongFocus);
  SetIcons(normalIcon, hoverIcon, pressedIcon);
  connect(this, &QAbstractButton::clicked, this, [this] { emit Command(controlId_); });
}

IconButton::~IconButton() = default;

void IconButton::SetIcons(const QString& normalIcon, const QString& hoverIcon, const QString& pressedIcon) {
  normal_ = LoadIcon(controlId_, normalIcon);
  hover_ = LoadIcon(controlId_, hoverIcon);
  pressed_ = LoadIcon(controlId_, pressedIcon);
  updateGeometry();
  update();
}

void IconButton::SetCaption(const QString& caption) {
  setText(caption);
  updateGeometry();
  update();
}

void IconButton::SetStale(bool stale) {
  if (stale == stale_) return;
  stale_ = stale;
  update();
}

QSize IconButton::sizeHint() const {
  QSize icon(kDefaultIcon, kDefaultIcon);
  if (normal_ && !normal_->defaultSize().isEmpty()) {
    icon = normal_->defaultSize().scaled(kDefaultIcon, kDefaultIcon, Qt::KeepAspectRatio);
  }
  if (text().isEmpty()) return icon;
  const QFontMetrics fm(font());
  return QSize(icon.width() + kCaptionGap + fm.horizontalAdvance(text()) + 2 * kMargin,
               std::max(icon.height(), fm.height() + 2 * kMargin));
}

QSize IconButton::minimumSizeHint() const { return QSize(8, 8); }

IconButton::Look IconButton::CurrentLook() const {
  if (!isEnabled()) return Look::Disabled;
  if (isDown() || isChecked()) return Look::Pressed;
  if (hovered_) return Look::Hover;
  return Look::Normal;
}

QRect IconButton::IconRect() const {
  const QRect area = rect();
  if (text().isEmpty()) return area;
  const int side = std::max(0, area.height() - 2 * kMargin);
  return QRect(area.left() + kMargin, area.top() + kMargin, side, side);
}

QImage IconButton::IconImage(Look look, QSize logicalSize, qreal ratio) const {
  QSvgRenderer* source = normal_.get();
  QColor wash;
  switch (look) {
    case Look::Normal:
    case Look::Disabled:
      break;
    case Look::Hover:
      if (hover_) {
        source = hover_.get();
      } else {
        wash = QColor(255, 255, 255, kHoverLighten);
      }
      break;
    case Look::Pressed:
      if (pressed_) {
        source = pressed_.get();
      } else {
        source = hover_ ? hover_.get() : normal_.get();
        wash = QColor(0, 0, 0, kPressDarken);
      }
      break;
  }
  if (!source || logicalSize.isEmpty()) return QImage();

  // Render at device resolution so the drawing stays sharp on HiDPI screens.
  QImage image(logicalSize * ratio, QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(ratio);
  image.fill(Qt::transparent);
  {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    source->render(&p, QRectF(QPointF(0, 0), QSizeF(logicalSize)));
  }
  if (wash.isValid()) Wash(image, wash);
  if (look == Look::Disabled || stale_) Greyscale(image);
  return image;
}

void IconButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const Look look = CurrentLook();
  const QRect iconRect = IconRect();
  const QImage image = IconImage(look, iconRect.size(), devicePixelRatioF());
  if (!image.isNull()) {
    if (look == Look::Disabled) p.setOpacity(kDisabledOpacity);
    p.drawImage(iconRect.topLeft(), image);
    p.setOpacity(1.0);
  }
  if (!text().isEmpty()) {
    const QRect textRect = rect().adjusted(iconRect.right() + 1 + kCaptionGap, 0, -kMargin, 0);
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    p.setFont(font());
    p.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, text());
  }
  if (hasFocus()) {  // without a frame of its own, the button shows the focus by a dotted outline
    p.setOpacity(1.0);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
  }
}

void IconButton::enterEvent(QEnterEvent* event) {
  hovered_ = true;
  update();
  QAbstractButton::enterEvent(event);
}

void IconButton::leaveEvent(QEvent* event) {
  hovered_ = false;
  update();
  QAbstractButton::leaveEvent(event);
}

void IconButton::changeEvent(QEvent* event) {
  if (event->type() == QEvent::EnabledChange) {
    if (!isEnabled()) hovered_ = false;
    update();
  }
  QAbstractButton::changeEvent(event);
}

void IconButton::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    click();
    return;
  }
  QAbstractButton::keyPressEvent(event);
}

}  // namespace velantor::skin
