// A flat push button drawn from the program's SVG icons: normal, hover and pressed images, a
// greyed look when disabled, an optional caption and a tooltip. A click is reported as the
// command of the button's control id, the way the window's handlers dispatch it. It takes the
// keyboard focus like any push button: Tab reaches it, Space or Enter presses it.
#pragma once

#include <QAbstractButton>
#include <QImage>
#include <QString>
#include <memory>

class QSvgRenderer;

namespace velantor::skin {

class IconButton : public QAbstractButton {
  Q_OBJECT
 public:
  // `pressedIcon` may be empty: the hover image is then shown darkened while pressed. An empty
  // `hoverIcon` likewise shows the normal image lightened.
  IconButton(QWidget* parent, int controlId, const QString& normalIcon, const QString& hoverIcon,
             const QString& pressedIcon = QString(), const QString& toolTip = QString());
  ~IconButton() override;

  int ControlId() const { return controlId_; }
  void SetIcons(const QString& normalIcon, const QString& hoverIcon, const QString& pressedIcon = QString());
  // The caption is drawn to the right of the icon; empty means an icon-only button.
  void SetCaption(const QString& caption);
  QString Caption() const { return text(); }
  // A stale button still shows its state (checked or not) but in grey: the value it stands for
  // was not read over the present link.
  void SetStale(bool stale);
  bool IsStale() const { return stale_; }
  bool IsHovered() const { return hovered_; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 signals:
  void Command(int controlId);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void changeEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;  // Enter presses it, as Space does

 private:
  enum class Look { Normal, Hover, Pressed, Disabled };
  Look CurrentLook() const;
  QImage IconImage(Look look, QSize logicalSize, qreal ratio) const;
  QRect IconRect() const;

  int controlId_;
  std::unique_ptr<QSvgRenderer> normal_;
  std::unique_ptr<QSvgRenderer> hover_;
  std::unique_ptr<QSvgRenderer> pressed_;
  bool hovered_ = false;
  bool stale_ = false;
};

}  // namespace velantor::skin
