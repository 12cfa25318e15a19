// The shared message, busy and configuring dialogs on screen: one line, white on black, rounded,
// translucent where the platform allows, centred on the main window, window-modal but never a
// nested event loop (they follow the core's state).
#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "skin/coalesced_refresh.h"

class QLabel;

namespace velantor {

class ChangeNotifier;

class OverlayDialogView : public QDialog {
  Q_OBJECT
 public:
  // `state` says whether the dialog is open and which line it shows.
  OverlayDialogView(QWidget* mainWindow, QSize size, int cornerRadius, int alpha, ChangeNotifier& changed,
                    std::function<bool()> isOpen, std::function<std::string()> text);
  ~OverlayDialogView() override;
  // Names the dialog (tools tell the dialogs apart by it) and gives its line the control id.
  void Identify(const QString& dialogName, int lineId);
  QString Line() const;
  void Sync();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  // The program opens and closes these dialogs itself: neither Escape nor the window system's
  // close may hide one behind the core's back.
  void keyPressEvent(QKeyEvent* event) override;
  void reject() override {}

 private:
  static constexpr int kMarginX = 8;
  static constexpr int kMarginY = 4;
  void FitText();

  QWidget* mainWindow_;
  QSize baseSize_;
  QLabel* label_;
  int radius_;
  std::function<bool()> isOpen_;
  std::function<std::string()> text_;
  // Text changes and the close are drawn once per loop turn; the opening is shown at once, so the
  // window-modal block covers the very next input event.
  skin::CoalescedRefresh refresh_{[this] { Sync(); }};
  ChangeNotifier& changed_;
  int openSubscription_ = 0;
};

}  // namespace velantor
