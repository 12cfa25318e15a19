// The main window on screen: frameless, its own title bar, the four page headers and the page
// area. It renders CMainDialog's state and hands clicks to it; it decides nothing itself.
#pragma once

#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>

#include "skin/coalesced_refresh.h"

class QStackedWidget;
class QAbstractButton;

namespace velantor {

class CMainDialog;
class DiagnosticsView;
class StatusLineView;
class OverlayDialogView;
class ShellPage;

// A page header: a static that reports clicks, with the hand cursor over it.
class HeaderTab : public QLabel {
  Q_OBJECT
 public:
  HeaderTab(const QString& text, QWidget* parent);
  void SetCurrent(bool current);
 signals:
  void Clicked();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;  // a label draws no focus mark of its own
};

class MainWindowView : public QWidget {
  Q_OBJECT
 public:
  // Makes the view of a page the first time the page exists.
  using PageViewFactory = std::function<QWidget*(int page, ShellPage* core, QWidget* parent)>;

  MainWindowView(CMainDialog& dialog, PageViewFactory pageViews);
  ~MainWindowView() override;

  HeaderTab* Header(int page) const { return headers_[static_cast<size_t>(page - 1)]; }
  QWidget* PageView(int page) const { return pageViews_[static_cast<size_t>(page - 1)]; }
  OverlayDialogView* MessageView() const { return message_; }
  OverlayDialogView* BusyView() const { return busy_; }
  OverlayDialogView* ConfiguringView() const { return configuring_; }
  DiagnosticsView* Diagnostics() const { return diagnostics_; }
  StatusLineView* StatusLine() const { return statusLine_; }
  const skin::CoalescedRefresh& Refresh() const { return refresh_; }
  void SetDiagnosticsVisible(bool visible);
  // Opens the About box (or raises the open one) and returns at once.
  void ShowAbout();
  QMessageBox* AboutBox() const { return about_; }

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void CloseAsked();
  void Sync();
  void OnTitleCommand(int id);
  QWidget* BuildTitleBar();
  QWidget* BuildHeaderRow();
  void AddShortcuts();
  void BuildDialogs();
  bool OverlayOpen() const;

  CMainDialog& dialog_;
  PageViewFactory makePageView_;
  std::array<HeaderTab*, 4> headers_{};
  std::array<QWidget*, 4> pageViews_{};
  QStackedWidget* stack_ = nullptr;
  DiagnosticsView* diagnostics_ = nullptr;
  StatusLineView* statusLine_ = nullptr;
  QAbstractButton* logsButton_ = nullptr;
  QPointer<QMessageBox> closeQuestion_;
  OverlayDialogView* message_ = nullptr;
  OverlayDialogView* busy_ = nullptr;
  OverlayDialogView* configuring_ = nullptr;
  QPointer<QMessageBox> about_;  // null once the box is closed
  skin::CoalescedRefresh refresh_{[this] { Sync(); }};
  QPoint dragOffset_;
  bool pressed_ = false;
  QPoint pressPosition_;
  bool dragging_ = false;
};

}  // namespace velantor
