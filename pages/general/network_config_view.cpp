#include "pages/general/network_config_view.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QMessageBox>
#include <QPainterPath>
#include <QPushButton>
#include <QRadioButton>
#include <QRegion>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "pages/general/network_config.h"
#include "skin/icon_button.h"
#include "skin/view_binders.h"

namespace velantor {

namespace {
namespace ids = network_config_ids;
constexpr int kCornerRadius = 6;

QLabel* IdentifiedLabel(QWidget* parent, const QString& text, int controlId) {
  auto* label = new QLabel(text, parent);
  skin::Identify(label, controlId);
  return label;
}

QLineEdit* FieldEdit(QWidget* parent, const QString& pattern, int width, int maxLength) {
  auto* edit = new QLineEdit(parent);
  edit->setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), edit));
  edit->setMaxLength(maxLength);
  edit->setFixedWidth(width);
  edit->setAlignment(Qt::AlignCenter);
  return edit;
}

QLabel* Separator(QWidget* parent, const QString& text) {
  auto* label = new QLabel(text, parent);
  label->setAlignment(Qt::AlignCenter);
  return label;
}

void SetTextKeepingCursor(QLineEdit* edit, const std::string& text) {
  const QString wanted = QString::fromStdString(text);
  if (edit->text() != wanted) edit->setText(wanted);
}

bool IsSwallowedKey(int key) {
  return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape || key == Qt::Key_Space;
}
}  // namespace

NetworkConfigView::NetworkConfigView(CNetworkConfigDialog& dialog, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), dialog_(dialog) {
  setObjectName("NetworkConfigDialog");
  setWindowTitle("TCP Configuration");
  setModal(false);
  setStyleSheet(
      "#NetworkConfigDialog { background: #f0f5e6; border: 1px solid #8a8a8a; }"
      "#NetworkConfigTitle, #NetworkConfigTitle QLabel { color: white; background: rgb(30, 144, 225); }"
      "#NetworkConfigTitle QLabel { padding-left: 6px; }");

  auto* top = new QVBoxLayout(this);
  top->setContentsMargins(1, 1, 1, 10);
  top->setSpacing(8);
  top->addWidget(BuildTitleBar());
  auto* body = new QVBoxLayout();
  body->setContentsMargins(12, 0, 12, 0);
  body->addWidget(BuildAddressGroup());
  body->addLayout(BuildButtons());
  top->addLayout(body);
  ConnectActions();

  // The keys are caught before any control of the dialog sees them.
  installEventFilter(this);
  for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);

  adjustSize();
  setFixedSize(sizeHint());
  refresh_.Watch(dialog_.Changed());
  Sync();
}

QWidget* NetworkConfigView::BuildTitleBar() {
  auto* titleBar = new QWidget(this);
  titleBar->setObjectName("NetworkConfigTitle");
  titleBar->setAttribute(Qt::WA_StyledBackground);
  titleBar->setFixedHeight(28);
  auto* titleRow = new QHBoxLayout(titleBar);
  titleRow->setContentsMargins(0, 0, 2, 0);
  auto* title = new QLabel(" TCP  Configuration", titleBar);
  skin::Identify(title, ids::kTitle);
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);
  auto* close = new skin::IconButton(titleBar, ids::kCloseButton, ":/icons/close.svg", ":/icons/close_hover.svg",
                                     QString(), "Close");
  skin::Identify(close, ids::kCloseButton);
  close->setFixedSize(28, 24);
  connect(close, &QAbstractButton::clicked, this, [this] { dialog_.OnCancel(); });
  close_ = close;
  titleRow->addWidget(title, 1);
  titleRow->addWidget(close);
  return titleBar;
}

QWidget* NetworkConfigView::BuildAddressGroup() {
  auto* group = new QGroupBox("Device Information", this);
  skin::Identify(group, ids::kGroup);
  auto* grid = new QGridLayout(group);
  grid->setHorizontalSpacing(4);
  autoIp_ = new QRadioButton("Auto IP", group);
  skin::Identify(autoIp_, ids::kAutoIpRadio);
  staticIp_ = new QRadioButton("Static IP", group);
  skin::Identify(staticIp_, ids::kStaticIpRadio);
  auto* radios = new QHBoxLayout();
  radios->addWidget(autoIp_);
  radios->addSpacing(24);
  radios->addWidget(staticIp_);
  radios->addStretch();
  grid->addLayout(radios, 0, 0, 1, 2);

  grid->addWidget(IdentifiedLabel(group, "IP Address", ids::kIpLabel), 1, 0);
  auto* ipRow = new QHBoxLayout();
  ipRow->setSpacing(2);
  for (size_t i = 0; i < ip_.size(); ++i) {
    if (i) ipRow->addWidget(Separator(group, "."));
    ip_[i] = FieldEdit(group, "[0-9]{0,3}", 42, 3);
    skin::Identify(ip_[i], ids::kFirstIpEdit + static_cast<int>(i));
    ip_[i]->setToolTip(QString("IP octet %1 (0 to 255)").arg(i + 1));
    ipRow->addWidget(ip_[i]);
  }
  ipRow->addStretch();
  grid->addLayout(ipRow, 1, 1);

  grid->addWidget(IdentifiedLabel(group, "MAC", ids::kMacLabel), 2, 0);
  auto* macRow = new QHBoxLayout();
  macRow->setSpacing(2);
  for (size_t i = 0; i < mac_.size(); ++i) {
    if (i) macRow->addWidget(Separator(group, "-"));
    mac_[i] = FieldEdit(group, "[0-9A-Fa-f]{0,2}", 32, 2);
    skin::Identify(mac_[i], ids::kFirstMacEdit + static_cast<int>(i));
    mac_[i]->setToolTip(QString("MAC byte %1 (two hexadecimal digits)").arg(i + 1));
    macRow->addWidget(mac_[i]);
  }
  macRow->addStretch();
  grid->addLayout(macRow, 2, 1);
  return group;
}

QLayout* NetworkConfigView::BuildButtons() {
  auto* buttons = new QHBoxLayout();
  buttons->addStretch();
  ok_ = new QPushButton("OK", this);
  cancel_ = new QPushButton("Cancel", this);
  skin::Identify(ok_, ids::kOkButton);
  skin::Identify(cancel_, ids::kCancelButton);
  ok_->setAutoDefault(false);
  cancel_->setAutoDefault(false);
  ok_->setMinimumWidth(80);
  cancel_->setMinimumWidth(80);
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  return buttons;
}

void NetworkConfigView::ConnectActions() {
  connect(autoIp_, &QRadioButton::clicked, this, [this] { dialog_.OnAutoIp(); });
  connect(staticIp_, &QRadioButton::clicked, this, [this] { dialog_.OnStaticIp(); });
  for (size_t i = 0; i < ip_.size(); ++i) {
    connect(ip_[i], &QLineEdit::textEdited, this,
            [this, i](const QString& t) { dialog_.OnIpEdited(static_cast<int>(i), t.toStdString()); });
  }
  for (size_t i = 0; i < mac_.size(); ++i) {
    connect(mac_[i], &QLineEdit::textEdited, this, [this, i](const QString& t) {
      dialog_.OnMacEdited(static_cast<int>(i), t.toStdString());
      const int cursor = mac_[i]->cursorPosition();
      SetTextKeepingCursor(mac_[i], dialog_.View().mac[i]);  // shown upper case, as it is sent
      mac_[i]->setCursorPosition(cursor);
    });
  }
  connect(ok_, &QPushButton::clicked, this, [this] { AskBeforeChange(); });
  connect(cancel_, &QPushButton::clicked, this, [this] { dialog_.OnCancel(); });
}

NetworkConfigView::~NetworkConfigView() = default;

void NetworkConfigView::Sync() {
  const NetworkConfigState& v = dialog_.View();
  autoIp_->setChecked(v.autoIp);
  staticIp_->setChecked(!v.autoIp);
  for (size_t i = 0; i < ip_.size(); ++i) {
    ip_[i]->setEnabled(v.ipEditsEnabled);
    SetTextKeepingCursor(ip_[i], v.ip[i]);
  }
  for (size_t i = 0; i < mac_.size(); ++i) SetTextKeepingCursor(mac_[i], v.mac[i]);
  if (v.shown && !isVisible()) {
    if (!placed_ && parentWidget()) {
      move(parentWidget()->window()->geometry().center() - rect().center());
      placed_ = true;
    }
    show();
    raise();
    activateWindow();
  } else if (!v.shown && isVisible()) {
    hide();
  }
}

bool NetworkConfigView::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease ||
      event->type() == QEvent::ShortcutOverride) {
    if (IsSwallowedKey(static_cast<QKeyEvent*>(event)->key())) return true;
  }
  return QDialog::eventFilter(watched, event);
}

void NetworkConfigView::mousePressEvent(QMouseEvent* event) {
  // Reached only for presses on free spots: controls take their own.
  if (event->button() == Qt::LeftButton) {
    dragging_ = true;
    dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
    event->accept();
    return;
  }
  QDialog::mousePressEvent(event);
}

void NetworkConfigView::mouseMoveEvent(QMouseEvent* event) {
  if (dragging_ && (event->buttons() & Qt::LeftButton)) {
    move(event->globalPosition().toPoint() - dragOffset_);
    event->accept();
    return;
  }
  QDialog::mouseMoveEvent(event);
}

void NetworkConfigView::mouseReleaseEvent(QMouseEvent* event) {
  dragging_ = false;
  QDialog::mouseReleaseEvent(event);
}

void NetworkConfigView::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  QPainterPath path;
  path.addRoundedRect(rect(), kCornerRadius, kCornerRadius);
  setMask(QRegion(path.toFillPolygon().toPolygon()));
}

void NetworkConfigView::reject() { dialog_.OnCancel(); }

// Changing a switcher's address takes it away from where the panel reaches it: OK asks first,
// naming the switcher, window-modal without a nested loop, with Cancel as the default.
void NetworkConfigView::AskBeforeChange() {
  const std::string question = dialog_.ChangeQuestion();
  if (question.empty()) {
    dialog_.OnOk();  // names the field that holds no valid value
    return;
  }
  if (question_) {
    question_->raise();
    return;
  }
  auto* box = new QMessageBox(QMessageBox::Warning, "TCP Configuration", QString::fromStdString(question),
                              QMessageBox::Cancel, this);
  QPushButton* change = box->addButton("Change", QMessageBox::AcceptRole);
  change->setObjectName("ConfirmNetworkChange");
  change->setAccessibleName("ConfirmNetworkChange");
  box->setDefaultButton(QMessageBox::Cancel);
  box->setObjectName("NetworkChangeQuestion");
  box->setWindowModality(Qt::WindowModal);
  box->setAttribute(Qt::WA_DeleteOnClose);
  connect(box, &QMessageBox::buttonClicked, this, [this, change](QAbstractButton* button) {
    if (button == change) dialog_.OnOk();
  });
  question_ = box;
  box->open();
}

}  // namespace velantor
