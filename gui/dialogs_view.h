// The shared message, busy and configuring dialogs on screen: one line, white on black, rounded,
// translucent where the platform allows, centred on the main window, window-modal but never a
// nested event loop (they follow the core's state).
#pragma once

#include <QDialog>
#include <functional>
#include <string>

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
  QString Line() const;
  void Sync();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;  // Escape must not close what the core holds open

 private:
  QWidget* mainWindow_;
  QLabel* label_;
  int radius_;
  ChangeNotifier& changed_;
  int subscription_;
  std::function<bool()> isOpen_;
  std::function<std::string()> text_;
};

}  // namespace velantor
