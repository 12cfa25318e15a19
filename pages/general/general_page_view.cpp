#include "pages/general/general_page_view.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "pages/general/device_panels_view.h"
#include "pages/general/general_page.h"
#include "pages/general/network_config_view.h"
#include "skin/translation.h"
#include "skin/view_binders.h"

namespace velantor {

namespace {
void SetStateIcon(QLabel* label, bool connected) {
  // The icon is rendered only when the state changes (views sync on every rescan).
  if (label->property("connected").isValid() && label->property("connected").toBool() == connected) return;
  label->setPixmap(QIcon(connected ? ":/icons/connected.svg" : ":/icons/not_connected.svg").pixmap(24, 24));
  label->setToolTip(connected ? "Connected" : "Not connected");
  label->setProperty("connected", connected);
}

using skin::SetItems;
}  // namespace

GeneralPageView::GeneralPageView(CGeneralPage& page, QWidget* parent) : QWidget(parent), page_(page) {
  setObjectName("GeneralPage");
  auto* top = new QVBoxLayout(this);
  top->setContentsMargins(14, 12, 14, 12);

  auto* modeBox = new QGroupBox("Control Mode Select", this);
  auto* modeRow = new QHBoxLayout(modeBox);
  comRadio_ = new QRadioButton("COM Control Mode", modeBox);
  tcpRadio_ = new QRadioButton("TCP Control Mode", modeBox);
  modeRow->addWidget(comRadio_);
  modeRow->addWidget(tcpRadio_);
  modeRow->addStretch();
  top->addWidget(modeBox);

  auto* links = new QHBoxLayout();
  comGroup_ = new QGroupBox("COM Control Mode", this);
  auto* comGrid = new QGridLayout(comGroup_);
  ports_ = new QComboBox(comGroup_);
  ports_->setMinimumWidth(110);
  comConnect_ = new QPushButton("Connect", comGroup_);
  comIcon_ = new QLabel(comGroup_);
  portDetail_ = new QLabel(comGroup_);
  portDetail_->setStyleSheet("color: #555; font-size: 11px;");
  portDetail_->setWordWrap(true);
  comGrid->addWidget(new QLabel("Port", comGroup_), 0, 0);
  comGrid->addWidget(ports_, 0, 1);
  comGrid->addWidget(comConnect_, 0, 2);
  comGrid->addWidget(comIcon_, 0, 3);
  comGrid->addWidget(portDetail_, 1, 0, 1, 4);
  links->addWidget(comGroup_, 1);

  tcpGroup_ = new QGroupBox("TCP Control Mode", this);
  auto* tcpGrid = new QGridLayout(tcpGroup_);
  addresses_ = new QComboBox(tcpGroup_);
  addresses_->setEditable(true);
  addresses_->setInsertPolicy(QComboBox::NoInsert);
  addresses_->setMinimumWidth(140);
  addresses_->lineEdit()->setPlaceholderText("192.168.1.80");
  search_ = new QPushButton("Search", tcpGroup_);
  config_ = new QPushButton("Config...", tcpGroup_);
  tcpConnect_ = new QPushButton("Connect", tcpGroup_);
  tcpIcon_ = new QLabel(tcpGroup_);
  tcpGrid->addWidget(new QLabel("Matrix  IP", tcpGroup_), 0, 0);
  tcpGrid->addWidget(addresses_, 0, 1, 1, 2);
  tcpGrid->addWidget(tcpConnect_, 0, 3);
  tcpGrid->addWidget(tcpIcon_, 0, 4);
  tcpDetail_ = new QLabel(tcpGroup_);
  tcpDetail_->setStyleSheet("color: #555; font-size: 11px;");
  tcpDetail_->setWordWrap(true);
  tcpDetail_->setObjectName("tcpDetail");
  tcpGrid->addWidget(search_, 1, 1);
  tcpGrid->addWidget(config_, 1, 2);
  tcpGrid->addWidget(tcpDetail_, 2, 0, 1, 5);
  links->addWidget(tcpGroup_, 1);
  top->addLayout(links);

  auto* device = new QHBoxLayout();
  statusPanel_ = new DeviceStatusPanel(page_, this);
  optionsPanel_ = new DeviceOptionsPanel(page_, this);
  device->addWidget(statusPanel_, 0);
  device->addWidget(optionsPanel_, 1);
  top->addLayout(device, 1);

  connect(comRadio_, &QRadioButton::clicked, this, [this] { page_.OnComMode(); });
  connect(tcpRadio_, &QRadioButton::clicked, this, [this] { page_.OnTcpMode(); });
  connect(comConnect_, &QPushButton::clicked, this, [this] { page_.OnComConnect(); });
  connect(search_, &QPushButton::clicked, this, [this] { page_.OnSearch(); });
  connect(config_, &QPushButton::clicked, this, [this] { page_.OnConfig(); });
  networkConfigView_ = new NetworkConfigView(page_.NetworkConfig(), this);
  connect(tcpConnect_, &QPushButton::clicked, this, [this] {
    page_.OnAddressEdited(addresses_->currentText().trimmed().toStdString());
    page_.OnTcpConnect();
  });
  // Enter in the address box connects (it never disconnects a running session).
  connect(addresses_->lineEdit(), &QLineEdit::returnPressed, this, [this] {
    if (page_.View().tcpButton != "Connect") return;
    page_.OnAddressEdited(addresses_->currentText().trimmed().toStdString());
    page_.OnTcpConnect();
  });
  connect(ports_, QOverload<int>::of(&QComboBox::activated), this, [this](int i) { page_.OnPortSelChange(i); });
  connect(addresses_, QOverload<int>::of(&QComboBox::activated), this,
          [this](int i) { page_.OnAddressSelChange(i); });
  connect(addresses_, &QComboBox::editTextChanged, this, [this](const QString& t) {
    if (!syncing_) page_.OnAddressEdited(t.trimmed().toStdString());
  });
  namespace ids = general_ids;
  for (auto [control, id] : {std::pair<QWidget*, int>{comRadio_, ids::kComModeRadio}, {tcpRadio_, ids::kTcpModeRadio},
                             {comGroup_, ids::kComGroup}, {ports_, ids::kPortList}, {comConnect_, ids::kComConnectButton},
                             {comIcon_, ids::kComStateIcon}, {tcpGroup_, ids::kTcpGroup}, {addresses_, ids::kAddressList},
                             {search_, ids::kSearchButton}, {config_, ids::kConfigButton},
                             {tcpConnect_, ids::kTcpConnectButton}, {tcpIcon_, ids::kTcpStateIcon}}) {
    skin::Identify(control, id);
  }
  subscription_ = page_.Changed().Subscribe([this] { Sync(); });
  Sync();
}

GeneralPageView::~GeneralPageView() { page_.Changed().Unsubscribe(subscription_); }

void GeneralPageView::Sync() {
  syncing_ = true;
  const GeneralConnectionViewState& v = page_.View();
  comRadio_->setChecked(v.comMode);
  tcpRadio_->setChecked(!v.comMode);
  comGroup_->setEnabled(v.comGroupEnabled);
  ports_->setEnabled(v.portListEnabled);
  tcpGroup_->setEnabled(v.tcpGroupEnabled);
  SetItems(ports_, v.ports);
  ports_->setCurrentIndex(v.portSelection);
  portDetail_->setText(skin::Tr(v.portDetail));
  comConnect_->setText(skin::Tr(v.comButton));
  SetStateIcon(comIcon_, v.comConnectedIcon);
  SetItems(addresses_, v.addresses);
  for (size_t i = 0; i < v.addressDetails.size() && i < v.addresses.size(); ++i) {
    addresses_->setItemData(static_cast<int>(i), QString::fromStdString(v.addressDetails[i]), Qt::ToolTipRole);
  }
  tcpDetail_->setText(QString::fromStdString(v.tcpDetail));
  if (addresses_->currentText().toStdString() != v.addressText) {
    addresses_->setEditText(QString::fromStdString(v.addressText));
  }
  tcpConnect_->setText(skin::Tr(v.tcpButton));
  SetStateIcon(tcpIcon_, v.tcpConnectedIcon);
  statusPanel_->Sync();
  optionsPanel_->Sync();
  syncing_ = false;
}

}  // namespace velantor
