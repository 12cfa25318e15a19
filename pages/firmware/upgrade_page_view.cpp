#include "pages/firmware/upgrade_page_view.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>

#include "pages/firmware/upgrade_page.h"
#include "skin/translation.h"
#include "skin/view_binders.h"

namespace velantor {

namespace {
using skin::Identify;
using skin::Qs;
using skin::Tr;
namespace ids = firmware_ids;

constexpr const char* kDeviceLineCurrentStyle =
    "QLabel { color: rgb(0,255,0); background: rgb(18,28,38); font-weight: bold; padding: 2px 8px; }";
constexpr const char* kDeviceLineStaleStyle =
    "QLabel { color: rgb(120,120,120); background: rgb(18,28,38); font-weight: bold; padding: 2px 8px; }";

// The firmware file: ".fw" (".BIN" is taken too); the merge sources: ".bin".
QString DefaultChooser(QWidget* parent, int controlId) {
  const bool firmware = controlId == ids::kOpenButton;
  QFileDialog dialog(parent, firmware ? "Open firmware file" : "Open MCU firmware image");
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setDefaultSuffix(firmware ? "fw" : "bin");
  dialog.setNameFilters(firmware ? QStringList{"Binary file(*.fw *.BIN)", "All files (*)"}
                                 : QStringList{"Binary file(*.bin)", "All files (*)"});
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().front();
}

QPushButton* NewButton(const QString& caption, QWidget* parent, int id) {
  auto* button = new QPushButton(caption, parent);
  Identify(button, id);
  return button;
}

QPushButton* NewOpenButton(QWidget* parent, int id) {
  QPushButton* button = NewButton("Open", parent, id);
  button->setIcon(parent->style()->standardIcon(QStyle::SP_DialogOpenButton));
  return button;
}

QLineEdit* NewReadOnlyEdit(QWidget* parent, int id, int minWidth) {
  auto* edit = new QLineEdit(parent);
  Identify(edit, id);
  edit->setReadOnly(true);
  edit->setMinimumWidth(minWidth);
  return edit;
}

void ShowText(QLineEdit* edit, const std::string& text) {
  if (edit->text() == Qs(text)) return;
  edit->setText(Qs(text));
  // A long path shows its end: the file name tells files apart; the tool tip has it whole.
  edit->setCursorPosition(static_cast<int>(edit->text().size()));
  edit->setToolTip(Qs(text));
}

// The log keeps its "\r\n" line ends; the edit shows plain lines.
QString LogText(const std::string& log) {
  QString text = Qs(log);
  text.replace("\r\n", "\n");
  return text;
}
}  // namespace

UpgradePageView::UpgradePageView(CUpgradePage& page, QWidget* parent)
    : QWidget(parent), page_(page), chooseFile_(DefaultChooser) {
  setObjectName("UpgradePage");
  auto* top = new QVBoxLayout(this);
  top->setContentsMargins(14, 10, 14, 10);
  top->setSpacing(8);

  deviceLine_ = new QLabel(this);
  Identify(deviceLine_, ids::kDeviceLine);
  deviceLine_->setMinimumHeight(24);
  // A status strip like the General page's port lines.
  top->addWidget(deviceLine_);

  auto* middle = new QHBoxLayout();
  auto* left = new QVBoxLayout();
  left->addWidget(BuildUpgradeGroup());
  left->addWidget(BuildLogGroup(), 1);
  middle->addLayout(left, 3);
  middle->addWidget(BuildMergeGroup(), 2);
  top->addLayout(middle, 1);

  refresh_.Watch(page_.Changed());
  Sync();
}

UpgradePageView::~UpgradePageView() {
  if (prompt_) prompt_->disconnect(this);
}

QWidget* UpgradePageView::BuildUpgradeGroup() {
  auto* group = new QGroupBox("FW Upgrade", this);
  auto* grid = new QGridLayout(group);
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(8);
  filePath_ = NewReadOnlyEdit(group, ids::kPathEdit, 160);
  filePath_->setPlaceholderText("no file");
  open_ = NewOpenButton(group, ids::kOpenButton);
  skin::SetMnemonic(open_, 'O');
  upgrade_ = NewButton("Upgrade", group, ids::kUpgradeButton);
  skin::SetMnemonic(upgrade_, 'U');
  upgrade_->setMinimumWidth(90);
  progress_ = new QProgressBar(group);
  Identify(progress_, ids::kProgressBar);
  progress_->setTextVisible(true);
  grid->addWidget(new QLabel("Open FW File", group), 0, 0);
  grid->addWidget(filePath_, 0, 1);
  grid->addWidget(open_, 0, 2);
  grid->addWidget(upgrade_, 0, 3);
  grid->addWidget(progress_, 1, 0, 1, 4);
  grid->setColumnStretch(1, 1);

  connect(open_, &QPushButton::clicked, this, [this] {
    const QString path = chooseFile_(this, ids::kOpenButton);
    if (!path.isEmpty()) page_.OnOpenFile(path.toStdString());
  });
  connect(upgrade_, &QPushButton::clicked, this, [this] { page_.OnUpgrade(); });
  return group;
}

QWidget* UpgradePageView::BuildLogGroup() {
  auto* group = new QGroupBox("Messages", this);
  auto* box = new QVBoxLayout(group);
  log_ = new QPlainTextEdit(group);
  Identify(log_, ids::kMessageLog);
  log_->setReadOnly(true);
  log_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  log_->setStyleSheet("font-size: 11px;");
  clear_ = NewButton("Clear", group, ids::kClearButton);
  skin::SetMnemonic(clear_, 'l');
  box->addWidget(log_, 1);
  box->addWidget(clear_, 0, Qt::AlignRight);
  connect(clear_, &QPushButton::clicked, this, [this] { page_.OnClear(); });
  return group;
}

QWidget* UpgradePageView::BuildMergeGroup() {
  auto* group = new QGroupBox("Merge FW", this);
  mergeGroup_ = group;
  Identify(group, ids::kMergeGroup);
  auto* box = new QVBoxLayout(group);
  box->setSpacing(4);
  for (size_t i = 0; i < mergeRows_.size(); ++i) {
    const ids::MergeSourceIds& id = ids::kMergeSources[i];
    MergeRow& row = mergeRows_[i];
    row.caption = new QLabel(group);
    row.caption->setStyleSheet("font-weight: bold;");
    row.path = NewReadOnlyEdit(group, id.path, 140);
    row.path->setPlaceholderText("no image");
    row.open = NewOpenButton(group, id.open);
    row.version1Caption = new QLabel(group);
    row.version1 = NewReadOnlyEdit(group, id.version1, 36);
    row.version2Caption = new QLabel(group);
    row.version2 = NewReadOnlyEdit(group, id.version2, 36);
    for (QLineEdit* v : {row.version1, row.version2}) v->setMaximumWidth(48);
    for (QLabel* c : {row.version1Caption, row.version2Caption}) c->setMinimumWidth(76);

    auto* pathRow = new QHBoxLayout();
    pathRow->addWidget(row.path, 1);
    pathRow->addWidget(row.open);
    auto* versionRow = new QHBoxLayout();
    versionRow->addWidget(row.version1Caption);
    versionRow->addWidget(row.version1);
    versionRow->addSpacing(10);
    versionRow->addWidget(row.version2Caption);
    versionRow->addWidget(row.version2);
    versionRow->addStretch();
    box->addWidget(row.caption);
    box->addLayout(pathRow);
    box->addLayout(versionRow);
    if (i + 1 < mergeRows_.size()) box->addSpacing(6);

    const int part = static_cast<int>(i) + 1;
    const int openId = id.open;
    connect(row.open, &QPushButton::clicked, this, [this, part, openId] {
      const QString path = chooseFile_(this, openId);
      if (!path.isEmpty()) page_.OnOpenMergeSource(part, path.toStdString());
    });
  }
  box->addStretch();
  merge_ = NewButton("Merge", group, ids::kMergeButton);
  skin::SetMnemonic(merge_, 'M');
  merge_->setMinimumWidth(90);
  box->addWidget(merge_, 0, Qt::AlignRight);
  connect(merge_, &QPushButton::clicked, this, [this] { page_.OnMerge(); });
  return group;
}

void UpgradePageView::Sync() {
  const UpgradeViewState& v = page_.View();
  deviceLine_->setText(Qs(v.deviceLine));
  // Grey once the link went or the page was left, until the switcher answers again.
  const char* style = v.deviceLineCurrent ? kDeviceLineCurrentStyle : kDeviceLineStaleStyle;
  if (deviceLine_->styleSheet() != style) deviceLine_->setStyleSheet(style);
  ShowText(filePath_, v.filePath);
  open_->setEnabled(v.openEnabled);
  upgrade_->setEnabled(v.upgradeEnabled);
  progress_->setRange(0, std::max(1, v.progressMax));
  progress_->setValue(std::min(v.progressValue, std::max(1, v.progressMax)));
  const QString log = LogText(v.log);
  if (log_->toPlainText() != log) {
    log_->setPlainText(log);
    log_->verticalScrollBar()->setValue(log_->verticalScrollBar()->maximum());
  }
  const MergeViewState& m = page_.MergeView();
  mergeGroup_->setVisible(m.visible);
  for (size_t i = 0; i < mergeRows_.size(); ++i) {
    const MergeSourceViewState& s = m.sources[i];
    MergeRow& row = mergeRows_[i];
    row.caption->setText(Tr(s.caption));
    ShowText(row.path, s.path);
    row.version1Caption->setText(Tr(s.version1Caption));
    row.version2Caption->setText(Tr(s.version2Caption));
    ShowText(row.version1, s.version1);
    ShowText(row.version2, s.version2);
  }
  SyncPrompt();
}

// The box is opened window-modal and answered later; nothing here waits for it.
void UpgradePageView::SyncPrompt() {
  const UpgradePromptViewState& p = page_.View().prompt;
  if (!p.visible) {
    if (prompt_) {
      prompt_->disconnect(this);
      prompt_->close();
      prompt_->deleteLater();
    }
    return;
  }
  if (prompt_) return;
  auto* box = new QMessageBox(this);
  box->setObjectName("UpgradePrompt");
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowTitle("FW Upgrade");
  box->setText(Tr(p.text));
  box->setIcon(p.question ? QMessageBox::Warning : QMessageBox::Critical);
  if (p.question) {
    Identify(box->addButton("Write anyway", QMessageBox::AcceptRole), ids::kPromptOk);
    QPushButton* cancel = box->addButton("Cancel", QMessageBox::RejectRole);
    Identify(cancel, ids::kPromptCancel);
    box->setDefaultButton(cancel);  // the safe answer
  } else {
    Identify(box->addButton("OK", QMessageBox::AcceptRole), ids::kPromptOk);
  }
  prompt_ = box;
  connect(box, &QMessageBox::finished, this, [this, box] {
    const bool accepted = box->buttonRole(box->clickedButton()) == QMessageBox::AcceptRole;
    prompt_ = nullptr;
    page_.OnPromptAnswer(accepted);
  });
  box->open();
}

}  // namespace velantor
