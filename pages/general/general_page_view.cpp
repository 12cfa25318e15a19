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
constexpr int kStateIconSize = 24;
constexpr int kDetailLines = 2;  // a port's description or a search outcome takes at most two lines

void SetStateIcon(QLabel* label, bool connected) {
  // The icon is rendered only when the state changes (views sync on every rescan).
  if (label->property("connected").isValid() && label->property("connected").toBool() == connected) return;
  label->setPixmap(QIcon(connected ? ":/icons/connected.svg" : ":/icons/not_connected.svg")
                       .pixmap(kStateIconSize, kStateIconSize));
  label->setToolTip(connected ? "Connected" : "Not connected");
  label->setProperty("connected", connected);
}

QLabel* NewStateIcon(QWidget* parent) {
  auto* icon = new QLabel(parent);
  icon->setFixedSize(kStateIconSize, kStateIconSize);
  return icon;
}

// A small grey note under a link's controls. Its height is that of two lines whatever it says and
// its text never widens the group, so a longer or wrapping note moves no other control.
QLabel* NewDetail(QWidget* parent) {
  auto* detail = new QLabel(parent);
  detail->setStyleSheet("color: #555; font-size: 11px;");
  detail->setWordWrap(true);
  detail->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  detail->ensurePolished();
  detail->setFixedHeight(detail->fontMetrics().lineSpacing() * kDetailLines + 2);
  detail->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  return detail;
}

// The note in full as its tooltip, for the rare text that needs more than two lines.
void ShowDetail(QLabel* detail, const QString& text) {
  if (detail->text() == text) return;
  detail->setText(text);
  detail->setToolTip(text);
}

// A Connect button as wide as its widest caption, so "Disconnect" does not push its neighbours.
QPushButton* NewConnectButton(QWidget* parent, QChar mnemonic) {
  auto* button = new QPushButton(parent);
  skin::SetMnemonic(button, mnemonic);
  skin::ReserveWidth(button, {skin::Tr("Connect"), skin::Tr("Disconnect")});
  return button;
}

QPushButton* NewButton(const QString& caption, QChar mnemonic, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  skin::SetMnemonic(button, mnemonic);
  return button;
}
}  // namespace

GeneralPageView::GeneralPageView(CGeneralPage& page, QWidget* parent) : QWidget(parent), page_(page) {
  setObjectName("GeneralPage");
  auto* top = new QVBoxLayout(this);
  top->setContentsMargins(14, 12, 14, 12);
  top->addWidget(BuildModeGroup());
  auto* links = new QHBoxLayout();
  links->addWidget(BuildComGroup(), 1);
  links->addWidget(BuildTcpGroup(), 1);
  top->addLayout(links);

  auto* device = new QHBoxLayout();
  statusPanel_ = new DeviceStatusPanel(page_, this);
  optionsPanel_ = new DeviceOptionsPanel(page_, this);
  device->addWidget(statusPanel_, 0);
  device->addWidget(optionsPanel_, 1);
  top->addLayout(device, 1);

  networkConfigView_ = new NetworkConfigView(page_.NetworkConfig(), this);
  ConnectActions();
  IdentifyControls();
  refresh_.Watch(page_.Changed());
  Sync();
}

GeneralPageView::~GeneralPageView() = default;

QWidget* GeneralPageView::BuildModeGroup() {
  modeGroup_ = new QGroupBox("Control Mode Select", this);
  auto* modeRow = new QHBoxLayout(modeGroup_);
  comRadio_ = new QRadioButton("COM Control Mode", modeGroup_);
  tcpRadio_ = new QRadioButton("TCP Control Mode", modeGroup_);
  modeRow->addWidget(comRadio_);
  modeRow->addWidget(tcpRadio_);
  modeRow->addStretch();
  return modeGroup_;
}

QWidget* GeneralPageView::BuildComGroup() {
  comGroup_ = new QGroupBox("COM Control Mode", this);
  auto* comGrid = new QGridLayout(comGroup_);
  ports_ = new QComboBox(comGroup_);
  ports_->setMinimumWidth(110);
  comConnect_ = NewConnectButton(comGroup_, 'C');
  comIcon_ = NewStateIcon(comGroup_);
  portDetail_ = NewDetail(comGroup_);
  portLabel_ = new QLabel("Port", comGroup_);
  comGrid->addWidget(portLabel_, 0, 0);
  comGrid->addWidget(ports_, 0, 1);
  comGrid->addWidget(comConnect_, 0, 2);
  comGrid->addWidget(comIcon_, 0, 3);
  comGrid->addWidget(portDetail_, 1, 0, 1, 4);
  return comGroup_;
}

QWidget* GeneralPageView::BuildTcpGroup() {
  tcpGroup_ = new QGroupBox("TCP Control Mode", this);
  auto* tcpGrid = new QGridLayout(tcpGroup_);
  addresses_ = new QComboBox(tcpGroup_);
  addresses_->setEditable(true);
  addresses_->setInsertPolicy(QComboBox::NoInsert);
  addresses_->setMinimumWidth(140);
  addresses_->lineEdit()->setPlaceholderText("192.168.1.80");
  search_ = NewButton("Search", 'S', tcpGroup_);
  config_ = NewButton("Config...", 'f', tcpGroup_);
  tcpConnect_ = NewConnectButton(tcpGroup_, 'o');
  tcpIcon_ = NewStateIcon(tcpGroup_);
  tcpDetail_ = NewDetail(tcpGroup_);
  tcpDetail_->setObjectName("tcpDetail");
  addressLabel_ = new QLabel("Matrix  IP", tcpGroup_);
  tcpGrid->addWidget(addressLabel_, 0, 0);
  tcpGrid->addWidget(addresses_, 0, 1, 1, 2);
  tcpGrid->addWidget(tcpConnect_, 0, 3);
  tcpGrid->addWidget(tcpIcon_, 0, 4);
  tcpGrid->addWidget(search_, 1, 1);
  tcpGrid->addWidget(config_, 1, 2);
  tcpGrid->addWidget(tcpDetail_, 2, 0, 1, 5);
  return tcpGroup_;
}

void GeneralPageView::ConnectTcp() {
  page_.OnAddressEdited(addresses_->currentText().trimmed().toStdString());
  page_.OnTcpConnect();
}

void GeneralPageView::ConnectActions() {
  connect(comRadio_, &QRadioButton::clicked, this, [this] { page_.OnComMode(); });
  connect(tcpRadio_, &QRadioButton::clicked, this, [this] { page_.OnTcpMode(); });
  connect(comConnect_, &QPushButton::clicked, this, [this] { page_.OnComConnect(); });
  connect(search_, &QPushButton::clicked, this, [this] { page_.OnSearch(); });
  connect(config_, &QPushButton::clicked, this, [this] { page_.OnConfig(); });
  connect(tcpConnect_, &QPushButton::clicked, this, [this] { ConnectTcp(); });
  // Enter in the address box connects (it never disconnects a running session).
  connect(addresses_->lineEdit(), &QLineEdit::returnPressed, this, [this] {
    if (page_.View().tcpButton == "Connect") ConnectTcp();
  });
  connect(ports_, QOverload<int>::of(&QComboBox::activated), this, [this](int i) { page_.OnPortSelChange(i); });
  connect(addresses_, QOverload<int>::of(&QComboBox::activated), this,
          [this](int i) { page_.OnAddressSelChange(i); });
  connect(addresses_, &QComboBox::editTextChanged, this, [this](const QString& t) {
    if (!syncing_) page_.OnAddressEdited(t.trimmed().toStdString());
  });
}

void GeneralPageView::IdentifyControls() {
  namespace ids = general_ids;
  for (auto [control, id] : {std::pair<QWidget*, int>{modeGroup_, ids::kModeGroup}, {comRadio_, ids::kComModeRadio},
                             {tcpRadio_, ids::kTcpModeRadio}, {comGroup_, ids::kComGroup}, {portLabel_, ids::kPortLabel},
                             {ports_, ids::kPortList}, {comConnect_, ids::kComConnectButton},
                             {comIcon_, ids::kComStateIcon}, {tcpGroup_, ids::kTcpGroup},
                             {addressLabel_, ids::kAddressLabel}, {addresses_, ids::kAddressList},
                             {search_, ids::kSearchButton}, {config_, ids::kConfigButton},
                             {tcpConnect_, ids::kTcpConnectButton}, {tcpIcon_, ids::kTcpStateIcon}}) {
    skin::Identify(control, id);
  }
}

void GeneralPageView::Sync() {
  syncing_ = true;
  const GeneralConnectionViewState& v = page_.View();
  comRadio_->setChecked(v.comMode);
  tcpRadio_->setChecked(!v.comMode);
  SyncCom(v);
  SyncTcp(v);
  statusPanel_->Sync();
  optionsPanel_->Sync();
  syncing_ = false;
}

void GeneralPageView::SyncCom(const GeneralConnectionViewState& v) {
  comGroup_->setEnabled(v.comGroupEnabled);
  ports_->setEnabled(v.portListEnabled);
  skin::SetItems(ports_, v.ports);
  ports_->setCurrentIndex(v.portSelection);
  ShowDetail(portDetail_, skin::Tr(v.portDetail));
  skin::SetCaption(comConnect_, skin::Tr(v.comButton));
  SetStateIcon(comIcon_, v.comConnectedIcon);
}

void GeneralPageView::SyncTcp(const GeneralConnectionViewState& v) {
  tcpGroup_->setEnabled(v.tcpGroupEnabled);
  skin::SetItems(addresses_, v.addresses);
  for (size_t i = 0; i < v.addressDetails.size() && i < v.addresses.size(); ++i) {
    addresses_->setItemData(static_cast<int>(i), QString::fromStdString(v.addressDetails[i]), Qt::ToolTipRole);
  }
  ShowDetail(tcpDetail_, QString::fromStdString(v.tcpDetail));
  if (addresses_->currentText().toStdString() != v.addressText) {
    addresses_->setEditText(QString::fromStdString(v.addressText));
  }
  skin::SetCaption(tcpConnect_, skin::Tr(v.tcpButton));
  SetStateIcon(tcpIcon_, v.tcpConnectedIcon);
}

}  // namespace velantor
