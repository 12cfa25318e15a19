#include "pages/general/device_panels_view.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "pages/general/general_page.h"
#include "skin/icon_button.h"
#include "skin/translation.h"
#include "skin/view_binders.h"

namespace velantor {

namespace {
QString ColourCss(const Rgb& c) { return QString("rgb(%1,%2,%3)").arg(c.r).arg(c.g).arg(c.b); }

void ShowLine(QLabel* label, const PortLineViewState& line) {
  label->setText(skin::Tr(line.text));
  label->setVisible(line.visible);
  // Bright green and red read best on a dark strip, like a status display.
  // Restyling re-polishes the widget, so it is done only when the colour changes.
  const QString css =
      QString("QLabel { color: %1; background: rgb(18,28,38); font-weight: bold; padding: 1px 6px; }")
          .arg(ColourCss(line.Colour()));
  if (label->styleSheet() != css) label->setStyleSheet(css);
  label->setProperty("connected", line.connected == 1);
}

using skin::ShowCheck;
using skin::ShowList;

// A port line keeps the width of its longest text and its place while hidden: "Disconnect" or
// a hidden line moves nothing else on the page.
QLabel* NewPortLine(QWidget* parent, const char* prefix, const QString& port) {
  auto* line = new QLabel(parent);
  line->setStyleSheet(QString("QLabel { background: rgb(18,28,38); font-weight: bold; padding: 1px 6px; }"));
  QStringList texts;
  for (const char* state : {"Connect", "Disconnect"}) texts << skin::Tr(QString(prefix).arg(port).toStdString() + state);
  skin::ReserveWidth(line, texts);
  QSizePolicy policy = line->sizePolicy();
  policy.setRetainSizeWhenHidden(true);
  line->setSizePolicy(policy);
  return line;
}

// The device and version values: their text never widens the panel (the full text is the tooltip).
QLabel* NewValue(QWidget* parent) {
  auto* value = new QLabel(parent);
  value->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  return value;
}

void ShowValue(QLabel* label, const std::string& text) {
  const QString shown = QString::fromStdString(text);
  if (label->text() == shown) return;
  label->setText(shown);
  label->setToolTip(shown);
}

QComboBox* NewList(QWidget* parent) {
  auto* box = new QComboBox(parent);
  box->setMaxVisibleItems(12);
  box->setMinimumWidth(56);
  return box;
}
}  // namespace

DeviceStatusPanel::DeviceStatusPanel(CGeneralPage& page, QWidget* parent)
    : QGroupBox("Device status", parent), page_(page) {
  // Inputs and outputs in the order the walk asks for them.
  auto* grid = new QGridLayout(this);
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(2);
  for (int n = 1; n <= 4; ++n) {
    inputs_[static_cast<size_t>(n - 1)] = NewPortLine(this, "HDMI IN%1: ", QString::number(n));
    outputs_[static_cast<size_t>(n - 1)] = NewPortLine(this, "HDMI OUT%1: ", QString(QChar('A' + n - 1)));
    grid->addWidget(inputs_[static_cast<size_t>(n - 1)], 2 * (n - 1), 0, 1, 2);
    grid->addWidget(outputs_[static_cast<size_t>(n - 1)], 2 * (n - 1) + 1, 0, 1, 2);
  }
  device_ = NewValue(this);
  version_ = NewValue(this);
  status_ = new QPushButton("Status", this);
  skin::SetMnemonic(status_, 't');
  grid->addWidget(new QLabel("Device:", this), 8, 0);
  grid->addWidget(device_, 8, 1);
  grid->addWidget(new QLabel("Version:", this), 9, 0);
  grid->addWidget(version_, 9, 1);
  grid->addWidget(status_, 10, 0, 1, 2, Qt::AlignRight);
  grid->setRowStretch(11, 1);
  grid->setColumnStretch(1, 1);
  setMinimumWidth(200);
  connect(status_, &QPushButton::clicked, this, [this] {
    page_.RequestStatus();
    Sync();
  });
  skin::Identify(status_, general_ids::kStatusButton);
  skin::Identify(device_, general_ids::kDeviceText);
  skin::Identify(version_, general_ids::kVersionText);
  for (int n = 1; n <= 4; ++n) {
    skin::Identify(InputLine(n), general_ids::kFirstInputLine + n - 1);
    skin::Identify(OutputLine(n), general_ids::kFirstOutputLine + n - 1);
  }
}

void DeviceStatusPanel::Sync() {
  const GeneralStatusViewState& v = page_.StatusView();
  for (size_t i = 0; i < inputs_.size(); ++i) {
    ShowLine(inputs_[i], v.inputs[i]);
    ShowLine(outputs_[i], v.outputs[i]);
  }
  ShowValue(device_, v.deviceText);
  ShowValue(version_, v.versionText);
  // Values not read over the present link are shown, but greyed.
  const QString css = v.deviceCurrent ? "" : "color: rgb(150,150,150);";
  for (QLabel* label : {device_, version_}) {
    if (label->styleSheet() != css) label->setStyleSheet(css);
  }
  status_->setEnabled(v.statusEnabled);
}

// A factory reset overwrites the switcher's routes, EDIDs and settings: it asks first, window-modal
// but without a nested loop, and Cancel is the default.
void DeviceOptionsPanel::AskBeforeReset() {
  if (resetQuestion_) {
    resetQuestion_->raise();
    return;
  }
  auto* box = new QMessageBox(QMessageBox::Warning, "Factory Reset",
                              "Return the switcher to its factory settings?\n\n"
                              "Outputs 1 to 4 show inputs 1 to 4, every input gets the default EDID, the "
                              "beep is switched on, every input is set to HDMI, and every output's "
                              "switching effect and time go back to their defaults.",
                              QMessageBox::Cancel, window());
  QPushButton* confirm = box->addButton("Reset", QMessageBox::AcceptRole);
  confirm->setObjectName("ConfirmFactoryReset");
  confirm->setAccessibleName("ConfirmFactoryReset");
  box->setDefaultButton(QMessageBox::Cancel);
  box->setObjectName("FactoryResetQuestion");
  box->setWindowModality(Qt::WindowModal);
  box->setAttribute(Qt::WA_DeleteOnClose);
  connect(box, &QMessageBox::buttonClicked, this, [this, confirm](QAbstractButton* button) {
    if (button == confirm) Act([this] { page_.OnFactoryReset(); });
  });
  resetQuestion_ = box;
  box->open();
}

template <typename F>
void DeviceOptionsPanel::Act(F action) {
  if (syncing_) return;
  action();
  Sync();
}

DeviceOptionsPanel::DeviceOptionsPanel(CGeneralPage& page, QWidget* parent)
    : QGroupBox("Device options", parent), page_(page) {
  auto* top = new QVBoxLayout(this);
  top->setSpacing(6);
  top->addLayout(BuildChecksRow());
  static const char* const kIcons[] = {"mode_matrix", "mode_multiviewer", "mode_videowall"};
  static const char* const kTitles[] = {"Matrix", "Multi-viewer", "Video wall"};
  std::array<QGroupBox*, 3> groups{};
  for (int m = 0; m < 3; ++m) {
    groups[static_cast<size_t>(m)] = new QGroupBox(kTitles[m], this);
    const QString icon = QString(":/icons/%1").arg(kIcons[m]);
    auto* button = new skin::IconButton(groups[static_cast<size_t>(m)], general_ids::kFirstModeCheck + m,
                                        icon + ".svg", icon + "_hover.svg", QString(), kTitles[m]);
    button->setCheckable(true);
    button->setFixedSize(44, 44);
    modes_[static_cast<size_t>(m)] = button;
    connect(button, &QAbstractButton::clicked, this, [this, m] { Act([this, m] { page_.OnModeCheck(m + 1); }); });
  }
  // Matrix: the mode alone.
  auto* matrixBox = new QVBoxLayout(groups[0]);
  matrixBox->addWidget(modes_[0], 0, Qt::AlignHCenter | Qt::AlignTop);
  matrixBox->addStretch();
  BuildViewerGroup(groups[1]);
  BuildWallGroup(groups[2]);
  auto* modeRow = new QHBoxLayout();
  for (QGroupBox* g : groups) modeRow->addWidget(g, g == groups[0] ? 0 : 1);
  top->addLayout(modeRow, 1);
  ConnectActions();
  IdentifyControls();
}

QLayout* DeviceOptionsPanel::BuildChecksRow() {
  auto* checks = new QHBoxLayout();
  beep_ = new QCheckBox(this);
  ir_ = new QCheckBox(this);
  checks->addWidget(beep_);
  checks->addWidget(ir_);
  checks->addStretch();
  auto* resetGroup = new QGroupBox("Reset to the factory settings", this);
  auto* resetRow = new QHBoxLayout(resetGroup);
  resetRow->setContentsMargins(8, 2, 8, 4);
  reset_ = new QPushButton("Factory Reset", resetGroup);
  skin::SetMnemonic(reset_, 'R');
  resetRow->addWidget(reset_);
  checks->addWidget(resetGroup);
  return checks;
}

// Multi-viewer: layout, main window, audio and the border.
void DeviceOptionsPanel::BuildViewerGroup(QGroupBox* group) {
  auto* viewerGrid = new QGridLayout(group);
  viewerGrid->setHorizontalSpacing(4);
  layout_ = NewList(group);
  main_ = NewList(group);
  audio_ = NewList(group);
  viewerGrid->addWidget(modes_[1], 0, 0, 3, 1, Qt::AlignTop);
  viewerGrid->addWidget(new QLabel("Mode:", group), 0, 1);
  viewerGrid->addWidget(layout_, 0, 2);
  viewerGrid->addWidget(new QLabel("Main:", group), 1, 1);
  viewerGrid->addWidget(main_, 1, 2);
  viewerGrid->addWidget(new QLabel("Audio:", group), 2, 1);
  viewerGrid->addWidget(audio_, 2, 2);
  borderGroup_ = new QGroupBox("Border", group);
  auto* borderRow = new QHBoxLayout(borderGroup_);
  borderRow->setContentsMargins(8, 2, 8, 4);
  border_ = new QCheckBox(borderGroup_);
  borderRow->addWidget(border_);
  viewerGrid->addWidget(borderGroup_, 3, 0, 1, 3);
}

// Video wall: its size and the input channel.
void DeviceOptionsPanel::BuildWallGroup(QGroupBox* group) {
  auto* wallGrid = new QGridLayout(group);
  wallGrid->setHorizontalSpacing(4);
  wallX_ = NewList(group);
  // Sixteen sizes would open taller than the window.
  wallX_->setMaxVisibleItems(8);
  wallY_ = NewList(group);
  wallGrid->addWidget(modes_[2], 0, 0, 2, 1, Qt::AlignTop);
  wallGrid->addWidget(new QLabel("X :", group), 0, 1);
  wallGrid->addWidget(wallX_, 0, 2);
  wallGrid->addWidget(new QLabel("Y :", group), 1, 1);
  wallGrid->addWidget(wallY_, 1, 2);
  auto* channelGroup = new QGroupBox("Input channel", group);
  auto* channelGrid = new QGridLayout(channelGroup);
  channelGrid->setContentsMargins(6, 2, 6, 4);
  channelGrid->setSpacing(4);
  for (int n = 1; n <= 4; ++n) {
    auto* button = new QPushButton(channelGroup);
    button->setCheckable(true);
    inputs_[static_cast<size_t>(n - 1)] = button;
    channelGrid->addWidget(button, (n - 1) / 2, (n - 1) % 2);
    connect(button, &QPushButton::clicked, this, [this, n] { Act([this, n] { page_.OnInputCheck(n); }); });
  }
  wallGrid->addWidget(channelGroup, 2, 0, 1, 3);
}

void DeviceOptionsPanel::ConnectActions() {
  connect(beep_, &QCheckBox::clicked, this, [this] { Act([this] { page_.OnBeepCheck(); }); });
  connect(ir_, &QCheckBox::clicked, this, [this] { Act([this] { page_.OnIrCheck(); }); });
  connect(border_, &QCheckBox::clicked, this, [this] { Act([this] { page_.OnBorderCheck(); }); });
  connect(reset_, &QPushButton::clicked, this, [this] { AskBeforeReset(); });
  const auto onList = [this](QComboBox* box, void (CGeneralPage::*handler)(int)) {
    connect(box, QOverload<int>::of(&QComboBox::activated), this,
            [this, handler](int i) { Act([this, handler, i] { (page_.*handler)(i); }); });
  };
  onList(layout_, &CGeneralPage::OnLayoutSelChange);
  onList(main_, &CGeneralPage::OnMainSelChange);
  onList(audio_, &CGeneralPage::OnAudioSelChange);
  onList(wallX_, &CGeneralPage::OnWallXSelChange);
  onList(wallY_, &CGeneralPage::OnWallYSelChange);
}

void DeviceOptionsPanel::IdentifyControls() {
  namespace ids = general_ids;
  for (auto [control, id] : {std::pair<QWidget*, int>{beep_, ids::kBeepCheck}, {ir_, ids::kIrCheck},
                             {border_, ids::kBorderCheck}, {borderGroup_, ids::kBorderGroup},
                             {layout_, ids::kLayoutList}, {main_, ids::kMainList}, {audio_, ids::kAudioList},
                             {wallX_, ids::kWallXList}, {wallY_, ids::kWallYList}, {reset_, ids::kFactoryResetButton}}) {
    skin::Identify(control, id);
  }
  for (int n = 1; n <= 3; ++n) skin::Identify(ModeButton(n), ids::kFirstModeCheck + n - 1);
  for (int n = 1; n <= 4; ++n) skin::Identify(InputButton(n), ids::kFirstInputCheck + n - 1);
}

void DeviceOptionsPanel::Sync() {
  syncing_ = true;
  const GeneralOptionsViewState& v = page_.OptionsView();
  ShowCheck(beep_, v.beep);
  ShowCheck(ir_, v.ir);
  ShowCheck(border_, v.border);
  borderGroup_->setEnabled(v.borderGroupEnabled);
  for (size_t m = 0; m < modes_.size(); ++m) {
    modes_[m]->setChecked(v.modes[m].checked);
    modes_[m]->setEnabled(v.modes[m].enabled);
    modes_[m]->SetStale(!v.current);  // the style sheet's grey does not reach the drawn icons
  }
  ShowList(layout_, v.layout);
  ShowList(main_, v.main);
  ShowList(audio_, v.audio);
  ShowList(wallX_, v.wallX);
  ShowList(wallY_, v.wallY);
  for (size_t n = 0; n < inputs_.size(); ++n) ShowCheck(inputs_[n], v.inputs[n]);
  skin::SetCaption(reset_, skin::Tr(v.factoryResetCaption));
  reset_->setEnabled(v.factoryResetEnabled);
  // Settings not read back over the present link are shown, but greyed, like the status lines.
  const QString css = v.current ? "" : "QCheckBox, QComboBox, QPushButton:checked { color: rgb(150,150,150); }";
  if (styleSheet() != css) setStyleSheet(css);
  syncing_ = false;
}

}  // namespace velantor
