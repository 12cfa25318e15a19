#include "pages/edid/edid_page_view.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

#include "pages/edid/edid_decode.h"
#include "pages/edid/edid_page.h"
#include "skin/translation.h"
#include "skin/view_binders.h"

namespace velantor {

namespace {
constexpr const char* kStatusCurrentStyle =
    "QLabel { color: rgb(0,255,0); background: rgb(18,28,38); font-weight: bold; padding: 1px 6px; }";
constexpr const char* kStatusStaleStyle =
    "QLabel { color: rgb(120,120,120); background: rgb(18,28,38); font-weight: bold; padding: 1px 6px; }";
using skin::Identify;
using skin::Qs;
using skin::Tr;
using skin::ShowList;

constexpr int kCellWidth = 19;
constexpr int kOffsetWidth = 40;
constexpr int kRowHeight = 14;
constexpr int kHeaderHeight = 18;

QString DefaultChooser(QWidget* parent, bool save) {
  QFileDialog dialog(parent, save ? "Save to EDID file" : "Open EDID file");
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setDefaultSuffix(save ? "bin" : "BIN");
  dialog.setNameFilters({save ? "Binary file(*.bin)" : "Binary file(*.BIN *.bin)", "All files (*)"});
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().front();
}

QComboBox* NewList(QWidget* parent, int id, int minWidth) {
  auto* box = new QComboBox(parent);
  Identify(box, id);
  box->setMinimumWidth(minWidth);
  box->setMaxVisibleItems(12);
  return box;
}

QPushButton* NewButton(const QString& caption, QWidget* parent, int id) {
  auto* button = new QPushButton(caption, parent);
  Identify(button, id);
  button->setMinimumWidth(64);
  button->setMaximumWidth(84);
  return button;
}

QLineEdit* NewPathEdit(QWidget* parent, int id) {
  auto* edit = new QLineEdit(parent);
  Identify(edit, id);
  edit->setReadOnly(true);
  edit->setMinimumWidth(120);
  return edit;
}

void ShowButton(QPushButton* button, const ButtonViewState& state) {
  skin::SetCaption(button, Tr(state.caption));
  button->setEnabled(state.enabled);
  button->setVisible(state.visible);
}

void ShowText(QLineEdit* edit, const TextViewState& state) {
  if (edit->text() != Qs(state.text)) {
    edit->setText(Qs(state.text));
    // A long path shows its end: the file name tells files apart; the tool tip has it whole.
    edit->setCursorPosition(static_cast<int>(edit->text().size()));
    edit->setToolTip(Qs(state.text));
  }
  edit->setEnabled(state.enabled);
  edit->setVisible(state.visible);
}

QLabel* Caption(const char* text, QWidget* parent) { return new QLabel(text, parent); }
}  // namespace

template <typename F>
void EdidPageView::Act(F action) {
  if (syncing_) return;
  action();
  Sync();
}

EdidPageView::EdidPageView(CEdidPage& page, QWidget* parent)
    : QWidget(parent), page_(page), chooseFile_(DefaultChooser) {
  setObjectName("EdidPage");
  auto* top = new QVBoxLayout(this);
  top->setContentsMargins(14, 10, 14, 10);
  top->setSpacing(8);

  auto* upper = new QHBoxLayout();
  upper->addWidget(BuildModesGroup(), 1);
  upper->addWidget(BuildStatusGroup(), 0);
  top->addLayout(upper);

  auto* lower = new QHBoxLayout();
  auto* left = new QVBoxLayout();
  left->addWidget(BuildDataGroup());
  auto* summaryGroup = new QGroupBox("EDID summary", this);
  auto* summaryBox = new QVBoxLayout(summaryGroup);
  summaryBox->setContentsMargins(8, 4, 8, 6);
  contentSource_ = new QLabel(summaryGroup);
  contentSource_->setStyleSheet("font-weight: bold;");
  // A long file name is cut at the group's edge (the tool tip has it whole) instead of
  // squeezing the groups beside the grid.
  contentSource_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  summary_ = new QLabel(summaryGroup);
  summary_->setObjectName("EdidSummary");
  summary_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  summary_->setWordWrap(true);
  summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  summary_->setStyleSheet("font-size: 11px;");
  summaryBox->addWidget(contentSource_);
  // A CTA extension adds video codes, audio and the physical address: the lines scroll rather
  // than being cut off.
  auto* summaryScroll = new QScrollArea(summaryGroup);
  summaryScroll->setWidget(summary_);
  summaryScroll->setWidgetResizable(true);
  summaryScroll->setFrameShape(QFrame::NoFrame);
  summaryScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  summaryBox->addWidget(summaryScroll, 1);
  left->addWidget(summaryGroup, 1);
  lower->addLayout(left, 1);
  lower->addWidget(BuildContentGroup(), 0);
  top->addLayout(lower, 1);

  refresh_.Watch(page_.Changed());
  Sync();
}

EdidPageView::~EdidPageView() = default;

// "Set EDID Mode", "Copy EDID From" and "Open EDID" rows.
QWidget* EdidPageView::BuildModesGroup() {
  auto* group = new QGroupBox("Manual Mode", this);
  auto* grid = new QGridLayout(group);
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(6);
  modes_ = NewList(group, edid_ids::kModeList, 176);
  setTargets_ = NewList(group, edid_ids::kSetTargetList, 80);
  set_ = NewButton("Set", group, edid_ids::kSetButton);
  copySources_ = NewList(group, edid_ids::kCopySourceList, 176);
  copyTargets_ = NewList(group, edid_ids::kCopyTargetList, 80);
  copy_ = NewButton("Set", group, edid_ids::kCopyButton);
  filePath_ = NewPathEdit(group, edid_ids::kFilePathEdit);
  filePath_->setPlaceholderText("no file");
  open_ = NewButton("Open", group, edid_ids::kOpenButton);
  open_->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
  skin::SetMnemonic(open_, 'O');
  downloadTargets_ = NewList(group, edid_ids::kDownloadTargetList, 80);
  download_ = NewButton("Set", group, edid_ids::kDownloadButton);
  autoMode_ = new QRadioButton(group);
  Identify(autoMode_, edid_ids::kAutoModeRadio);
  manualMode_ = new QRadioButton(group);
  Identify(manualMode_, edid_ids::kManualModeRadio);

  grid->addWidget(Caption("Set EDID Mode", group), 0, 0);
  grid->addWidget(modes_, 0, 1);
  grid->addWidget(Caption("to", group), 0, 2);
  grid->addWidget(setTargets_, 0, 3);
  grid->addWidget(set_, 0, 4);
  grid->addWidget(Caption("Copy EDID From", group), 1, 0);
  grid->addWidget(copySources_, 1, 1);
  grid->addWidget(Caption("to", group), 1, 2);
  grid->addWidget(copyTargets_, 1, 3);
  grid->addWidget(copy_, 1, 4);
  grid->addWidget(Caption("Open EDID ", group), 2, 0);
  auto* fileRow = new QHBoxLayout();
  fileRow->setSpacing(4);
  fileRow->addWidget(filePath_, 1);
  fileRow->addWidget(open_);
  grid->addLayout(fileRow, 2, 1);
  grid->addWidget(Caption("to", group), 2, 2);
  grid->addWidget(downloadTargets_, 2, 3);
  grid->addWidget(download_, 2, 4);
  grid->addWidget(autoMode_, 3, 0);
  grid->addWidget(manualMode_, 3, 1);
  grid->setColumnStretch(1, 1);

  connect(modes_, QOverload<int>::of(&QComboBox::activated), this,
          [this](int i) { Act([this, i] { page_.OnModeSelChange(i); }); });
  connect(setTargets_, QOverload<int>::of(&QComboBox::activated), this,
          [this](int i) { Act([this, i] { page_.OnSetTargetSelChange(i); }); });
  connect(copySources_, QOverload<int>::of(&QComboBox::activated), this,
          [this](int i) { Act([this, i] { page_.OnCopySourceSelChange(i); }); });
  connect(copyTargets_, QOverload<int>::of(&QComboBox::activated), this,
          [this](int i) { Act([this, i] { page_.OnCopyTargetSelChange(i); }); });
  connect(downloadTargets_, QOverload<int>::of(&QComboBox::activated), this,
          [this](int i) { Act([this, i] { page_.OnDownloadTargetSelChange(i); }); });
  connect(set_, &QPushButton::clicked, this, [this] { Act([this] { page_.OnSetMode(); }); });
  connect(copy_, &QPushButton::clicked, this, [this] { Act([this] { page_.OnCopy(); }); });
  connect(download_, &QPushButton::clicked, this, [this] { Act([this] { page_.OnDownload(); }); });
  connect(open_, &QPushButton::clicked, this, [this] {
    const QString path = chooseFile_(this, false);
    if (!path.isEmpty()) Act([this, path] { page_.OnOpenFile(path.toStdString()); });
  });
  return group;
}

QWidget* EdidPageView::BuildStatusGroup() {
  statusGroup_ = new QGroupBox("Input EDID List", this);
  Identify(statusGroup_, edid_ids::kStatusGroup);
  auto* grid = new QGridLayout(statusGroup_);
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(3);
  for (size_t i = 0; i < statusLabels_.size(); ++i) {
    statusLabels_[i] = new QLabel(statusGroup_);
    Identify(statusLabels_[i], edid_ids::kStatusLabels[i]);
    statusTexts_[i] = new QLabel(statusGroup_);
    Identify(statusTexts_[i], edid_ids::kStatusTexts[i]);
    statusTexts_[i]->setMinimumWidth(176);

    grid->addWidget(statusLabels_[i], static_cast<int>(i), 0);
    grid->addWidget(statusTexts_[i], static_cast<int>(i), 1);
  }
  status_ = NewButton("Status", statusGroup_, edid_ids::kStatusButton);
  skin::SetMnemonic(status_, 't');
  grid->addWidget(status_, static_cast<int>(statusLabels_.size()), 1, Qt::AlignRight);
  connect(status_, &QPushButton::clicked, this, [this] { Act([this] { page_.OnStatus(); }); });
  return statusGroup_;
}

// "EDID data control": read from an output or a user memory, save what the grid shows.
QWidget* EdidPageView::BuildDataGroup() {
  dataGroup_ = new QGroupBox("EDID data control", this);
  auto* grid = new QGridLayout(dataGroup_);
  grid->setHorizontalSpacing(6);
  readSources_ = NewList(dataGroup_, edid_ids::kReadSourceList, 120);
  read_ = NewButton("Read", dataGroup_, edid_ids::kReadButton);
  skin::SetMnemonic(read_, 'R');
  savedPath_ = NewPathEdit(dataGroup_, edid_ids::kSavedPathEdit);
  savedPath_->setPlaceholderText("not saved");
  save_ = NewButton("Save", dataGroup_, edid_ids::kSaveButton);
  save_->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
  skin::SetMnemonic(save_, 'S');
  problem_ = new QLabel(dataGroup_);
  problem_->setObjectName("EdidProblem");
  problem_->setWordWrap(true);
  problem_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  problem_->setStyleSheet("color: rgb(170,0,0); font-size: 11px;");
  grid->addWidget(Caption("Read EDID data from", dataGroup_), 0, 0);
  grid->addWidget(readSources_, 0, 1);
  grid->addWidget(read_, 0, 2);
  grid->addWidget(Caption("Save to EDID file", dataGroup_), 1, 0);
  grid->addWidget(savedPath_, 1, 1);
  grid->addWidget(save_, 1, 2);
  grid->addWidget(problem_, 2, 0, 1, 3);
  grid->setColumnStretch(1, 1);
  connect(readSources_, QOverload<int>::of(&QComboBox::activated), this,
          [this](int i) { Act([this, i] { page_.OnReadSourceSelChange(i); }); });
  connect(read_, &QPushButton::clicked, this, [this] { Act([this] { page_.OnRead(); }); });
  connect(save_, &QPushButton::clicked, this, [this] {
    const QString path = chooseFile_(this, true);
    if (!path.isEmpty()) Act([this, path] { page_.OnSave(path.toStdString()); });
  });
  return dataGroup_;
}

QWidget* EdidPageView::BuildContentGroup() {
  auto* group = new QGroupBox("EDID content", this);
  auto* box = new QVBoxLayout(group);
  box->setContentsMargins(6, 4, 6, 6);
  box->setSpacing(4);
  content_ = new QTableWidget(kEdidContentRows, kEdidContentColumns, group);
  Identify(content_, edid_ids::kContentList);
  content_->verticalHeader()->hide();
  content_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  content_->setSelectionMode(QAbstractItemView::NoSelection);
  content_->setFocusPolicy(Qt::NoFocus);
  content_->setTextElideMode(Qt::ElideNone);
  content_->setStyleSheet("QTableWidget::item { padding: 0px; }");
  content_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  content_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  mono.setPixelSize(10);
  content_->setFont(mono);
  content_->horizontalHeader()->setFont(mono);
  content_->horizontalHeader()->setMinimumSectionSize(10);
  content_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  content_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  content_->verticalHeader()->setMinimumSectionSize(kRowHeight);
  content_->verticalHeader()->setDefaultSectionSize(kRowHeight);
  content_->setColumnWidth(0, kOffsetWidth);
  for (int c = 1; c < kEdidContentColumns; ++c) content_->setColumnWidth(c, kCellWidth);
  for (int r = 0; r < kEdidContentRows; ++r) {
    for (int c = 0; c < kEdidContentColumns; ++c) {
      auto* item = new QTableWidgetItem();
      item->setTextAlignment(Qt::AlignCenter);
      if (c == 0) item->setForeground(QColor(90, 90, 90));
      // Each block's checksum byte is marked so the operator finds it in the grid.
      if (c > 0 && IsEdidChecksumByte(static_cast<size_t>(r * kEdidContentByteColumns + c - 1))) {
        item->setBackground(QColor(255, 236, 179));
        item->setToolTip("Checksum byte: the block's 128 bytes add up to 0");
      }
      content_->setItem(r, c, item);
    }
  }
  const int width = kOffsetWidth + (kEdidContentColumns - 1) * kCellWidth + 2 * content_->frameWidth();
  content_->horizontalHeader()->setFixedHeight(kHeaderHeight);
  const int height = kHeaderHeight + kEdidContentRows * kRowHeight + 2 * content_->frameWidth();
  content_->setFixedSize(width, height);
  clear_ = NewButton("Clear", group, edid_ids::kClearButton);
  skin::SetMnemonic(clear_, 'l');
  box->addWidget(content_);
  box->addWidget(clear_, 0, Qt::AlignRight);
  box->addStretch();
  connect(clear_, &QPushButton::clicked, this, [this] { Act([this] { page_.OnClear(); }); });
  return group;
}

void EdidPageView::Sync() {
  syncing_ = true;
  const EdidModesViewState& m = page_.ModesView();
  ShowList(modes_, m.modes);
  ShowList(setTargets_, m.setTargets);
  ShowButton(set_, m.set);
  ShowList(copySources_, m.copySources);
  ShowList(copyTargets_, m.copyTargets);
  ShowButton(copy_, m.copy);
  skin::ShowCheck(autoMode_, m.autoMode);
  skin::ShowCheck(manualMode_, m.manualMode);

  const EdidStatusViewState& s = page_.StatusView();
  statusGroup_->setVisible(s.groupVisible);
  for (size_t i = 0; i < statusLabels_.size(); ++i) {
    statusLabels_[i]->setText(Tr(s.rows[i].label));
    statusTexts_[i]->setText(Tr(s.rows[i].text));
    // Grey: not reported on this visit of the page (or the link went since).
    const char* style = s.rows[i].current ? kStatusCurrentStyle : kStatusStaleStyle;
    if (statusTexts_[i]->styleSheet() != style) statusTexts_[i]->setStyleSheet(style);
    statusLabels_[i]->setVisible(s.rows[i].visible);
    statusTexts_[i]->setVisible(s.rows[i].visible);
  }
  ShowButton(status_, s.status);

  const EdidDataViewState& d = page_.DataView();
  ShowText(filePath_, d.filePath);
  ShowButton(open_, d.open);
  ShowList(downloadTargets_, d.downloadTargets);
  ShowButton(download_, d.download);
  dataGroup_->setVisible(d.dataGroupVisible);
  ShowList(readSources_, d.readSources);
  ShowButton(read_, d.read);
  ShowButton(save_, d.save);
  ShowText(savedPath_, d.savedPath);
  ShowButton(clear_, d.clear);
  // A reason naming a file may hold a long path: it may break after any "/", and the tool tip
  // keeps it whole.
  problem_->setText(Tr(d.problem).replace('/', QStringLiteral("/\u200B")));
  problem_->setToolTip(Tr(d.problem));
  problem_->setVisible(!d.problem.empty());

  QStringList headers;
  for (const auto& h : d.columnHeaders) headers << Tr(h);
  if (!content_->horizontalHeaderItem(0) && content_->columnCount() == headers.size()) {
    content_->setHorizontalHeaderLabels(headers);
  }
  for (int r = 0; r < kEdidContentRows; ++r) {
    const auto row = static_cast<size_t>(r);
    content_->item(r, 0)->setText(Qs(d.rowHeaders[row]));
    for (int c = 0; c < kEdidContentByteColumns; ++c) {
      const QString text = Qs(d.cells[row][static_cast<size_t>(c)]);
      if (content_->item(r, c + 1)->text() != text) content_->item(r, c + 1)->setText(text);
    }
  }
  contentSource_->setText(Qs(d.contentSource));
  contentSource_->setToolTip(Qs(d.contentSource));
  contentSource_->setVisible(!d.contentSource.empty());
  QStringList lines;
  for (const auto& line : d.summary) lines << Qs(line);
  summary_->setText(lines.isEmpty() ? QString("Open a file or read an EDID to see what it says.") : lines.join('\n'));
  syncing_ = false;
}

}  // namespace velantor
