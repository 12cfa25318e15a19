#include "pages/matrix/matrix_page_view.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "pages/matrix/matrix_page.h"
#include "pages/matrix/scene_dialog_view.h"
#include "skin/icon_button.h"
#include "skin/segment_display.h"
#include "skin/skin_resources.h"
#include "skin/translation.h"
#include "skin/view_binders.h"

namespace velantor {

namespace {
using skin::Identify;
using skin::Qs;
using skin::Tr;

constexpr int kRowHeight = 19;
constexpr int kNameColumnWidth = 72;
constexpr int kConfigurationWidth = 300;
// The input an output shows stands out from the other buttons; grey while it is not what the
// switcher reported on this visit, like the read-out.
constexpr const char* kInputButtonStyle =
    "QPushButton[input=\"true\"]:checked { background: rgb(46,150,70); color: white; font-weight: bold;"
    " border: 1px solid rgb(24,100,44); border-radius: 3px; padding: 3px; }"
    "QPushButton[input=\"true\"][stale=\"true\"]:checked { background: rgb(120,120,120);"
    " border: 1px solid rgb(90,90,90); }";

// Grey text: not what the switcher reported on this visit of the page (or the link went since).
void ShowCurrency(QWidget* widget, bool current) {
  const QString css = current ? QString() : QStringLiteral("color: rgb(120,120,120);");
  if (widget->styleSheet() != css) widget->setStyleSheet(css);
}

QPushButton* NewButton(QWidget* parent, int controlId, bool checkable) {
  auto* button = new QPushButton(parent);
  button->setCheckable(checkable);
  button->setMinimumWidth(26);
  button->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  Identify(button, controlId);
  return button;
}

QComboBox* NewList(QWidget* parent, int controlId) {
  auto* box = new QComboBox(parent);
  box->setMaxVisibleItems(16);
  box->setMinimumWidth(60);
  Identify(box, controlId);
  return box;
}

QLabel* SmallLabel(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setStyleSheet("color: #444; font-size: 10px; font-weight: bold;");
  return label;
}

void ShowButton(QAbstractButton* button, const CheckViewState& state) {
  button->setEnabled(state.enabled);
  button->setVisible(state.visible);
}
}  // namespace

MatrixPageView::MatrixPageView(CMatrixPage& page, QWidget* parent) : QWidget(parent), page_(page) {
  setObjectName("MatrixPage");
  setStyleSheet(kInputButtonStyle);
  auto* top = new QVBoxLayout(this);
  top->setContentsMargins(10, 8, 10, 8);
  top->setSpacing(6);

  auto* columns = new QHBoxLayout();
  columns->setSpacing(6);
  for (int k = 1; k <= kMatrixPorts; ++k) {
    auto* column = new QVBoxLayout();
    column->setSpacing(4);
    column->addWidget(BuildOutput(k));
    if (k <= kMatrixShownPorts) column->addWidget(BuildTypeGroup(k));
    columns->addLayout(column, 1);
  }
  top->addLayout(columns);

  auto* bottom = new QHBoxLayout();
  bottom->setSpacing(6);
  bottom->addWidget(BuildConfiguration(), 0);
  bottom->addWidget(BuildScenes(), 1);
  top->addLayout(bottom, 1);

  sceneDialog_ = new SceneDialogView(page_, this);
  refresh_.Watch(page_.Changed());
  shownSystemMessages_ = page_.View().systemMessageCount;
  Sync();
}

MatrixPageView::~MatrixPageView() = default;

template <typename F>
void MatrixPageView::Act(F action) {
  if (syncing_) return;
  action();
  Sync();  // a control the switcher has not confirmed goes back to what the page shows
}

QGroupBox* MatrixPageView::BuildOutput(int k) {
  const matrix_ids::OutputIds& ids = matrix_ids::kOutputs[static_cast<size_t>(k - 1)];
  OutputWidgets& w = outputs_[static_cast<size_t>(k - 1)];
  w.group = new QGroupBox(this);
  auto* grid = new QGridLayout(w.group);
  grid->setContentsMargins(6, 4, 6, 6);
  grid->setHorizontalSpacing(3);
  grid->setVerticalSpacing(4);

  w.previous = new skin::IconButton(w.group, ids.previous, skin::icons::kPrevious, skin::icons::kPreviousHover,
                                    QString(), "Previous input");
  w.next = new skin::IconButton(w.group, ids.next, skin::icons::kNext, skin::icons::kNextHover, QString(),
                                "Next input");
  Identify(w.previous, ids.previous);
  Identify(w.next, ids.next);
  w.display = new skin::SegmentDisplay(w.group);
  w.display->SetColors(QColor(0x00, 0xFF, 0x00), QColor(0x00, 0x00, 0x00));
  w.display->setFixedHeight(40);
  w.display->setMinimumWidth(48);
  Identify(w.display, ids.display);
  auto* readout = new QHBoxLayout();
  readout->setSpacing(4);
  readout->addWidget(w.previous, 0, Qt::AlignVCenter);
  readout->addWidget(w.display, 1);
  readout->addWidget(w.next, 0, Qt::AlignVCenter);
  grid->addLayout(readout, 0, 0, 1, 4);

  for (int n = 1; n <= kMatrixPorts; ++n) {
    QPushButton* button = NewButton(w.group, ids.inputs[static_cast<size_t>(n - 1)], true);
    button->setProperty("input", true);
    w.inputs[static_cast<size_t>(n - 1)] = button;
    grid->addWidget(button, 1 + (n - 1) / 4, (n - 1) % 4);
    connect(button, &QPushButton::clicked, this, [this, k, n] { Act([this, k, n] { page_.OnInputButton(k, n); }); });
  }
  connect(w.previous, &QAbstractButton::clicked, this, [this, k] { Act([this, k] { page_.OnPrevious(k); }); });
  connect(w.next, &QAbstractButton::clicked, this, [this, k] { Act([this, k] { page_.OnNext(k); }); });
  if (k > kMatrixShownPorts) return w.group;

  const matrix_ids::ColumnIds& cids = matrix_ids::kColumns[static_cast<size_t>(k - 1)];
  ColumnWidgets& c = columns_[static_cast<size_t>(k - 1)];
  c.mode = NewList(w.group, cids.mode);
  c.time = NewList(w.group, cids.time);
  c.autoButton = NewButton(w.group, cids.autoButton, false);
  c.scaler = NewButton(w.group, cids.scaler, false);
  grid->addWidget(SmallLabel("SWITCH MODE", w.group), 3, 0, 1, 4);
  grid->addWidget(c.mode, 4, 0, 1, 4);
  grid->addWidget(SmallLabel("SWITCH TIME", w.group), 5, 0, 1, 4);
  grid->addWidget(c.time, 6, 0, 1, 4);
  grid->addWidget(c.autoButton, 7, 0, 1, 2);
  grid->addWidget(c.scaler, 7, 2, 1, 2);
  connect(c.mode, QOverload<int>::of(&QComboBox::activated), this,
          [this, k](int i) { Act([this, k, i] { page_.OnSwitchModeSelChange(k, i); }); });
  connect(c.time, QOverload<int>::of(&QComboBox::activated), this,
          [this, k](int i) { Act([this, k, i] { page_.OnSwitchTimeSelChange(k, i); }); });
  connect(c.autoButton, &QPushButton::clicked, this, [this, k] { Act([this, k] { page_.OnAutoButton(k); }); });
  connect(c.scaler, &QPushButton::clicked, this, [this, k] { Act([this, k] { page_.OnScalerButton(k); }); });
  return w.group;
}

QGroupBox* MatrixPageView::BuildTypeGroup(int k) {
  const matrix_ids::ColumnIds& ids = matrix_ids::kColumns[static_cast<size_t>(k - 1)];
  ColumnWidgets& c = columns_[static_cast<size_t>(k - 1)];
  c.typeGroup = new QGroupBox(this);
  Identify(c.typeGroup, ids.typeGroup);
  auto* row = new QHBoxLayout(c.typeGroup);
  row->setContentsMargins(6, 2, 6, 4);
  row->setSpacing(2);
  const std::array<int, 3> typeIds{ids.hdmi, ids.vga, ids.av};
  for (int t = 1; t <= 3; ++t) {
    auto* radio = new QRadioButton(c.typeGroup);
    radio->setAutoExclusive(false);  // the page decides which type is checked
    Identify(radio, typeIds[static_cast<size_t>(t - 1)]);
    c.types[static_cast<size_t>(t - 1)] = radio;
    row->addWidget(radio);
    connect(radio, &QRadioButton::clicked, this, [this, k, t] { Act([this, k, t] { page_.OnTypeButton(k, t); }); });
  }
  return c.typeGroup;
}

QWidget* MatrixPageView::BuildConfiguration() {
  auto* box = new QWidget(this);
  auto* column = new QVBoxLayout(box);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(6);

  auto* config = new QGroupBox("Output configuration", box);
  auto* grid = new QGridLayout(config);
  grid->setContentsMargins(8, 4, 8, 6);
  grid->setSpacing(4);
  selectOutput_ = NewList(config, matrix_ids::kSelectOutputList);
  grid->addWidget(new QLabel("Select Output", config), 0, 0, 1, 2);
  grid->addWidget(selectOutput_, 0, 2, 1, 2);
  for (int n = 1; n <= kMatrixPorts; ++n) {
    QPushButton* button = NewButton(config, matrix_ids::kFirstConfigInput + n - 1, false);
    configInputs_[static_cast<size_t>(n - 1)] = button;
    grid->addWidget(button, 1 + (n - 1) / 4, (n - 1) % 4);
    connect(button, &QPushButton::clicked, this, [this, n] { Act([this, n] { page_.OnConfigInput(n); }); });
  }
  connect(selectOutput_, QOverload<int>::of(&QComboBox::activated), this,
          [this](int i) { Act([this, i] { page_.OnSelectOutput(i); }); });
  column->addWidget(config);

  auto* all = new QGroupBox("All outputs to one input", box);
  auto* row = new QHBoxLayout(all);
  row->setContentsMargins(8, 4, 8, 6);
  allList_ = NewList(all, matrix_ids::kAllList);
  allButton_ = NewButton(all, matrix_ids::kAllButton, false);
  row->addWidget(new QLabel("Input", all));
  row->addWidget(allList_, 1);
  row->addWidget(allButton_);
  connect(allList_, QOverload<int>::of(&QComboBox::activated), this,
          [this](int i) { Act([this, i] { page_.OnAllListSelChange(i); }); });
  connect(allButton_, &QPushButton::clicked, this, [this] { Act([this] { page_.OnAllButton(); }); });
  column->addWidget(all);
  column->addStretch();
  box->setMaximumWidth(kConfigurationWidth);
  return box;
}

QGroupBox* MatrixPageView::BuildScenes() {
  auto* box = new QGroupBox("Scenes", this);
  auto* row = new QHBoxLayout(box);
  row->setContentsMargins(8, 4, 8, 6);
  scenes_ = new QTableWidget(SceneListViewState::kRows, SceneListViewState::kColumns, box);
  scenes_->setTabKeyNavigation(false);  // Tab goes on to the next control; arrows choose the scene
  Identify(scenes_, matrix_ids::kSceneList);
  scenes_->setSelectionBehavior(QAbstractItemView::SelectRows);
  scenes_->setSelectionMode(QAbstractItemView::SingleSelection);
  scenes_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  scenes_->setShowGrid(true);
  scenes_->verticalHeader()->setVisible(false);
  scenes_->verticalHeader()->setDefaultSectionSize(kRowHeight);
  scenes_->horizontalHeader()->setFixedHeight(kRowHeight + 2);
  scenes_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  scenes_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scenes_->setMinimumHeight(kRowHeight * (SceneListViewState::kRows + 1) + 6);
  const SceneListViewState& list = page_.View().scenes;
  for (int c = 0; c < SceneListViewState::kColumns; ++c) {
    scenes_->setHorizontalHeaderItem(c, new QTableWidgetItem(Tr(list.headings[static_cast<size_t>(c)])));
    scenes_->setColumnHidden(c, !list.columnVisible[static_cast<size_t>(c)]);
  }
  scenes_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  scenes_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Fixed);
  scenes_->setColumnWidth(0, kNameColumnWidth);
  for (int r = 0; r < SceneListViewState::kRows; ++r) {
    for (int c = 0; c < SceneListViewState::kColumns; ++c) {
      auto* item = new QTableWidgetItem();
      item->setTextAlignment(Qt::AlignCenter);
      scenes_->setItem(r, c, item);
    }
  }
  // The arrow keys move the current row without a click: that picks the scene too, so Edit and
  // Set work on the row the list highlights. A click on the row already current picks it again.
  connect(scenes_, &QTableWidget::cellClicked, this,
          [this](int r, int) { Act([this, r] { page_.OnSceneClick(r); }); });
  connect(scenes_, &QTableWidget::currentCellChanged, this, [this](int r, int, int previous, int) {
    if (r >= 0 && r != previous) Act([this, r] { page_.OnSceneClick(r); });
  });
  row->addWidget(scenes_, 1);

  auto* buttons = new QVBoxLayout();
  sceneEdit_ = NewButton(box, matrix_ids::kSceneEdit, false);
  sceneSet_ = NewButton(box, matrix_ids::kSceneSet, false);
  skin::SetMnemonic(sceneEdit_, 'E');
  skin::SetMnemonic(sceneSet_, 'S');
  buttons->addWidget(sceneEdit_);
  buttons->addWidget(sceneSet_);
  buttons->addStretch();
  row->addLayout(buttons);
  connect(sceneEdit_, &QPushButton::clicked, this, [this] { Act([this] { page_.OnSceneEdit(); }); });
  connect(sceneSet_, &QPushButton::clicked, this, [this] { Act([this] { page_.OnSceneSet(); }); });
  return box;
}

void MatrixPageView::Sync() {
  syncing_ = true;
  const MatrixViewState& v = page_.View();
  for (size_t k = 0; k < outputs_.size(); ++k) {
    const MatrixOutputViewState& state = v.outputs[k];
    OutputWidgets& w = outputs_[k];
    w.group->setTitle(Tr(state.caption));
    w.group->setVisible(state.visible);
    w.display->SetText(Qs(state.display));
    // Grey: not read from the switcher on this visit (or the link went since).
    w.display->SetColors(state.current ? QColor(0x00, 0xFF, 0x00) : QColor(0xA8, 0xA8, 0xA8), QColor(0x00, 0x00, 0x00));
    for (size_t n = 0; n < w.inputs.size(); ++n) {
      skin::ShowCheck(w.inputs[n], state.inputs[n]);
      if (w.inputs[n]->property("stale").toBool() != !state.current) {
        w.inputs[n]->setProperty("stale", !state.current);
        w.inputs[n]->style()->unpolish(w.inputs[n]);  // the property selector is matched at polish
        w.inputs[n]->style()->polish(w.inputs[n]);
      }
    }
    ShowButton(w.previous, state.previous);
    ShowButton(w.next, state.next);
  }
  for (size_t k = 0; k < columns_.size(); ++k) {
    const MatrixColumnViewState& state = v.columns[k];
    ColumnWidgets& c = columns_[k];
    skin::ShowList(c.mode, state.mode);
    skin::ShowList(c.time, state.time);
    skin::ShowCheck(c.autoButton, state.autoButton);
    skin::ShowCheck(c.scaler, state.scaler);
    ShowCurrency(c.mode, state.modeCurrent);
    ShowCurrency(c.time, state.timeCurrent);
    c.typeGroup->setTitle(Tr(state.typeCaption));
    for (size_t t = 0; t < c.types.size(); ++t) {
      skin::ShowCheck(c.types[t], state.types[t]);
      ShowCurrency(c.types[t], state.typeCurrent);
    }
  }
  skin::ShowList(selectOutput_, v.selectOutput);
  for (size_t n = 0; n < configInputs_.size(); ++n) skin::ShowCheck(configInputs_[n], v.configInputs[n]);
  skin::ShowList(allList_, v.allList);
  skin::ShowCheck(allButton_, v.allButton);
  skin::ShowCheck(sceneEdit_, v.sceneEdit);
  skin::ShowCheck(sceneSet_, v.sceneSet);
  SyncScenes();
  syncing_ = false;
  if (v.systemMessageCount != shownSystemMessages_) ShowSystemMessage();
}

void MatrixPageView::SyncScenes() {
  const SceneListViewState& list = page_.View().scenes;
  const QSignalBlocker block(scenes_);
  for (int r = 0; r < SceneListViewState::kRows; ++r) {
    for (int c = 0; c < SceneListViewState::kColumns; ++c) {
      const QString text = Qs(list.rows[static_cast<size_t>(r)][static_cast<size_t>(c)]);
      if (scenes_->item(r, c)->text() != text) scenes_->item(r, c)->setText(text);
    }
  }
  if (list.selection < 0) {
    scenes_->clearSelection();
  } else if (scenes_->currentRow() != list.selection || scenes_->selectedItems().isEmpty()) {
    scenes_->selectRow(list.selection);
  }
}

// The reminder waits for the user's OK without holding up the page.
void MatrixPageView::ShowSystemMessage() {
  shownSystemMessages_ = page_.View().systemMessageCount;
  auto* box = new QMessageBox(QMessageBox::Information, "Velantor", Tr(page_.View().systemMessage), QMessageBox::Ok,
                              this);
  box->setObjectName("SystemMessage");
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
}

}  // namespace velantor
