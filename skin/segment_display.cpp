#include "skin/segment_display.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <array>
#include <cmath>

#include "skin/segment_font.h"

namespace velantor::skin {

namespace {
// Cell geometry in glyph units: a cell is kWidth x kHeight, segments kThick wide, kGap apart.
constexpr qreal kWidth = 12.0;
constexpr qreal kHeight = 18.0;
constexpr qreal kThick = 1.6;
constexpr qreal kGap = 0.3;
constexpr qreal kDiagonalWidth = 1.4;   // horizontal extent of a diagonal's cut ends
constexpr qreal kDiagonalHeight = 2.0;  // vertical extent of its cut ends
constexpr qreal kAdvance = 15.5;  // cell plus the space between cells
constexpr qreal kSlant = 0.08;    // forward lean, in x per unit of height
constexpr qreal kPadding = 2.0;   // around the whole read-out
constexpr qreal kUnlitShare = 0.12;
constexpr int kPreferredHeight = 32;

QPainterPath Horizontal(qreal x0, qreal x1, qreal y) {
  const qreal h = kThick / 2;
  QPainterPath path;
  path.addPolygon(QPolygonF({{x0, y}, {x0 + h, y - h}, {x1 - h, y - h}, {x1, y}, {x1 - h, y + h}, {x0 + h, y + h}}));
  path.closeSubpath();
  return path;
}

QPainterPath Vertical(qreal x, qreal y0, qreal y1) {
  const qreal h = kThick / 2;
  QPainterPath path;
  path.addPolygon(QPolygonF({{x, y0}, {x + h, y0 + h}, {x + h, y1 - h}, {x, y1}, {x - h, y1 - h}, {x - h, y0 + h}}));
  path.closeSubpath();
  return path;
}

// A bar from corner `from` of a quadrant to its opposite corner `to`, with its ends cut square to
// the quadrant's sides so it fills the corners the way a real display's diagonal does.
QPainterPath Diagonal(QPointF from, QPointF to) {
  const qreal dx = to.x() > from.x() ? kDiagonalWidth : -kDiagonalWidth;
  const qreal dy = to.y() > from.y() ? kDiagonalHeight : -kDiagonalHeight;
  QPainterPath path;
  path.addPolygon(QPolygonF({from, {from.x() + dx, from.y()}, {to.x(), to.y() - dy}, to,
                             {to.x() - dx, to.y()}, {from.x(), from.y() + dy}}));
  path.closeSubpath();
  return path;
}

// Paths of the fourteen segments, indexed by bit number.
const std::array<QPainterPath, kSegmentCount>& SegmentPaths() {
  static const std::array<QPainterPath, kSegmentCount> paths = [] {
    const qreal h = kThick / 2;
    const qreal left = h;
    const qreal right = kWidth - h;
    const qreal centreX = kWidth / 2;
    const qreal middleY = kHeight / 2;
    // Inner corners of the four quadrants the diagonals cross.
    const qreal innerLeft = kThick + kGap;
    const qreal innerRight = kWidth - kThick - kGap;
    const qreal innerTop = kThick + kGap;
    const qreal innerBottom = kHeight - kThick - kGap;
    const qreal nearCentreX = h + kGap;
    const qreal nearCentreY = h + kGap;
    std::array<QPainterPath, kSegmentCount> p;
    p[0] = Horizontal(left + kGap, right - kGap, h);                                  // top
    p[1] = Vertical(right, h + kGap, middleY - kGap);                                 // upper right
    p[2] = Vertical(right, middleY + kGap, kHeight - h - kGap);                       // lower right
    p[3] = Horizontal(left + kGap, right - kGap, kHeight - h);                        // bottom
    p[4] = Vertical(left, middleY + kGap, kHeight - h - kGap);                        // lower left
    p[5] = Vertical(left, h + kGap, middleY - kGap);                                  // upper left
    p[6] = Horizontal(left + kGap, centreX - kGap, middleY);                          // middle left
    p[7] = Horizontal(centreX + kGap, right - kGap, middleY);                         // middle right
    p[8] = Diagonal({innerLeft, innerTop}, {centreX - nearCentreX, middleY - nearCentreY});
    p[9] = Vertical(centreX, kThick + kGap, middleY - kGap);                          // upper centre
    p[10] = Diagonal({innerRight, innerTop}, {centreX + nearCentreX, middleY - nearCentreY});
    p[11] = Diagonal({centreX - nearCentreX, middleY + nearCentreY}, {innerLeft, innerBottom});
    p[12] = Vertical(centreX, middleY + kGap, kHeight - kThick - kGap);               // lower centre
    p[13] = Diagonal({centreX + nearCentreX, middleY + nearCentreY}, {innerRight, innerBottom});
    return p;
  }();
  return paths;
}

QSizeF ContentSize(int glyphs) {
  const int n = std::max(1, glyphs);
  return QSizeF(2 * kPadding + (n - 1) * kAdvance + kWidth + kSlant * kHeight, 2 * kPadding + kHeight);
}
}  // namespace

SegmentDisplay::SegmentDisplay(QWidget* parent)
    : QWidget(parent), text_("EMPTY"), foreground_(0, 255, 0), background_(0, 0, 0) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

void SegmentDisplay::SetText(const QString& text) {
  const QString shown = text.toUpper();
  if (shown == text_) return;
  text_ = shown;
  updateGeometry();
  update();
}

void SegmentDisplay::SetColors(const QColor& foreground, const QColor& background) {
  if (foreground == foreground_ && background == background_) return;
  foreground_ = foreground;
  background_ = background;
  update();
}

QColor SegmentDisplay::UnlitColor() const {
  const auto mix = [](int fg, int bg) { return static_cast<int>(std::lround(bg + (fg - bg) * kUnlitShare)); };
  return QColor(mix(foreground_.red(), background_.red()), mix(foreground_.green(), background_.green()),
                mix(foreground_.blue(), background_.blue()));
}

QSize SegmentDisplay::sizeHint() const {
  const QSizeF content = ContentSize(static_cast<int>(text_.size()));
  const qreal scale = kPreferredHeight / content.height();
  return QSize(static_cast<int>(std::ceil(content.width() * scale)), kPreferredHeight);
}

QSize SegmentDisplay::minimumSizeHint() const { return QSize(8, 8); }

void SegmentDisplay::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), background_);
  const QSizeF content = ContentSize(static_cast<int>(text_.size()));
  const qreal scale = std::min(width() / content.width(), height() / content.height());
  if (scale <= 0) return;
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);

  // Centre the read-out; every cell leans forward by shearing about its baseline.
  const QPointF origin((width() - content.width() * scale) / 2, (height() - content.height() * scale) / 2);
  const QColor unlit = UnlitColor();
  const auto& paths = SegmentPaths();
  for (qsizetype i = 0; i < text_.size(); ++i) {
    QTransform cell;
    cell.translate(origin.x(), origin.y());
    cell.scale(scale, scale);
    cell.translate(kPadding + i * kAdvance, kPadding);
    cell = QTransform(1, 0, -kSlant, 1, kSlant * kHeight, 0) * cell;
    p.setTransform(cell);
    const std::uint16_t mask = SegmentMask(text_.at(i));
    for (int s = 0; s < kSegmentCount; ++s) {
      p.setBrush((mask >> s) & 1u ? foreground_ : unlit);
      p.drawPath(paths[static_cast<size_t>(s)]);
    }
  }
}

}  // namespace velantor::skin
