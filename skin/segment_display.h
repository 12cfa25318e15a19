// A read-out that paints its text, upper-cased, as fourteen-segment glyphs: lit segments in the
// foreground colour, unlit ones faintly, on the background colour. The glyphs scale with the
// widget and keep their proportions.
#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

namespace velantor::skin {

class SegmentDisplay : public QWidget {
  Q_OBJECT
 public:
  explicit SegmentDisplay(QWidget* parent = nullptr);

  void SetText(const QString& text);
  QString Text() const { return text_; }  // as shown: upper-cased
  void SetColors(const QColor& foreground, const QColor& background);
  QColor Foreground() const { return foreground_; }
  QColor Background() const { return background_; }
  // The colour of a segment that is not lit: mostly background with a trace of foreground.
  QColor UnlitColor() const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString text_;
  QColor foreground_;
  QColor background_;
};

}  // namespace velantor::skin
