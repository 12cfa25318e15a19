// The "TCP Configuration" dialog on screen: a modeless, frameless window with rounded corners
// that can be dragged from any free spot. It shows CNetworkConfigDialog's view state and hands
// every action to it. Enter, Escape and Space are swallowed, so they neither close the dialog
// nor press a button.
#pragma once

#include <QDialog>
#include <QPoint>
#include <QPointer>
#include <array>

#include "skin/coalesced_refresh.h"

class QLineEdit;
class QMessageBox;
class QRadioButton;
class QPushButton;
class QLabel;
class QLayout;

namespace velantor {

class CNetworkConfigDialog;

class NetworkConfigView : public QDialog {
  Q_OBJECT
 public:
  NetworkConfigView(CNetworkConfigDialog& dialog, QWidget* parent);
  ~NetworkConfigView() override;

  QRadioButton* AutoIpRadio() const { return autoIp_; }
  QRadioButton* StaticIpRadio() const { return staticIp_; }
  QLineEdit* IpEdit(int index) const { return ip_[static_cast<size_t>(index)]; }
  QLineEdit* MacEdit(int index) const { return mac_[static_cast<size_t>(index)]; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }
  QWidget* CloseButton() const { return close_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void reject() override;  // a window-system close hides through the core too

 private:
  QWidget* BuildTitleBar();
  QWidget* BuildAddressGroup();
  QLayout* BuildButtons();
  void ConnectActions();
  void Sync();
  void AskBeforeChange();
  CNetworkConfigDialog& dialog_;
  skin::CoalescedRefresh refresh_{[this] { Sync(); }};
  bool placed_ = false;
  bool dragging_ = false;
  QPoint dragOffset_;
  QRadioButton* autoIp_;
  QRadioButton* staticIp_;
  std::array<QLineEdit*, 4> ip_{};
  std::array<QLineEdit*, 6> mac_{};
  QPushButton* ok_;
  QPushButton* cancel_;
  QWidget* close_;
  QPointer<QMessageBox> question_;
};

}  // namespace velantor
