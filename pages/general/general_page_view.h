// The General page on screen: link mode, the COM and TCP groups with their Connect buttons and
// state icons, the device status and the device options. It shows CGeneralPage's view state
// and hands every action to it.
#pragma once

#include <QWidget>

#include "skin/coalesced_refresh.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace velantor {

class CGeneralPage;
struct GeneralConnectionViewState;
class NetworkConfigView;
class DeviceOptionsPanel;
class DeviceStatusPanel;

class GeneralPageView : public QWidget {
  Q_OBJECT
 public:
  GeneralPageView(CGeneralPage& page, QWidget* parent);
  ~GeneralPageView() override;

  QRadioButton* ComModeRadio() const { return comRadio_; }
  QRadioButton* TcpModeRadio() const { return tcpRadio_; }
  QComboBox* PortList() const { return ports_; }
  QComboBox* AddressList() const { return addresses_; }
  QPushButton* ComConnectButton() const { return comConnect_; }
  QPushButton* TcpConnectButton() const { return tcpConnect_; }
  QLabel* ComStateIcon() const { return comIcon_; }
  QLabel* TcpStateIcon() const { return tcpIcon_; }
  DeviceStatusPanel* StatusPanel() const { return statusPanel_; }
  DeviceOptionsPanel* OptionsPanel() const { return optionsPanel_; }
  const skin::CoalescedRefresh& Refresh() const { return refresh_; }

 private:
  QWidget* BuildModeGroup();
  QWidget* BuildComGroup();
  QWidget* BuildTcpGroup();
  void ConnectActions();
  void IdentifyControls();
  void ConnectTcp();
  void Sync();
  void SyncCom(const GeneralConnectionViewState& v);
  void SyncTcp(const GeneralConnectionViewState& v);
  CGeneralPage& page_;
  skin::CoalescedRefresh refresh_{[this] { Sync(); }};
  bool syncing_ = false;
  QGroupBox* modeGroup_;
  QRadioButton* comRadio_;
  QRadioButton* tcpRadio_;
  QGroupBox* comGroup_;
  QGroupBox* tcpGroup_;
  QLabel* portLabel_;
  QLabel* addressLabel_;
  QComboBox* ports_;
  QLabel* portDetail_;
  QLabel* tcpDetail_ = nullptr;  // the last search's outcome or what is wrong with the address
  QPushButton* comConnect_;
  QLabel* comIcon_;
  QComboBox* addresses_;
  QPushButton* search_;
  QPushButton* config_;
  QPushButton* tcpConnect_;
  QLabel* tcpIcon_;
  DeviceStatusPanel* statusPanel_;
  DeviceOptionsPanel* optionsPanel_;
  NetworkConfigView* networkConfigView_ = nullptr;
};

}  // namespace velantor
