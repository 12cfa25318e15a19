#include "gui/main_window_view.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <QWindow>
#include <array>

#include "gui/diagnostics_view.h"
#include "gui/dialogs_view.h"
#include "gui/status_line_view.h"
#include "app/main_dialog.h"
#include "app/page_table.h"
#include "app/window_messages.h"
#include "skin/icon_button.h"
#include "skin/skin_resources.h"
#include "skin/view_binders.h"

namespace velantor {

namespace {
const QColor kBlue(30, 144, 225);
const QColor kCurrentHeader(240, 245, 230);
const QColor kTitleText(255, 255, 251);
constexpr const char* kTitle = "Velantor Ver7.01";

// Title-bar buttons are skinned: icons with hover images, a tooltip, the click as a command.
skin::IconButton* TitleButton(QWidget* parent, int controlId, const char* icon, const char* hover,
                              const QString& tip) {
  auto* b = new skin::IconButton(parent, controlId, icon, hover, QString(), tip);
  b->setFixedSize(28, 24);
  return b;
}

// Command ids of the title bar's own buttons.
constexpr int kCommandClose = 1047;
constexpr int kCommandMinimise = 1048;
constexpr int kCommandLogs = 2001;
constexpr int kCommandAbout = 2002;
// Control ids of the title text, the page headers (General, EDID, Matrix, FW Upgrade) and the
// lines of the message, busy and configuring dialogs.
constexpr int kTitleId = 1130;
constexpr std::array<int, kPageFirmware> kHeaderIds{1184, 1185, 1186, 1187};
constexpr int kMessageLine = 1137;
constexpr int kBusyLine = 1181;
constexpr int kConfiguringLine = 1178;
}  // namespace

HeaderTab::HeaderTab(const QString& text, QWidget* parent) : QLabel(text, parent) {
  setAlignment(Qt::AlignCenter);
  setCursor(Qt::PointingHandCursor);
  setFocusPolicy(Qt::TabFocus);  // reachable by Tab; Space or Enter chooses the page
  setFixedHeight(30);
  setMinimumWidth(110);
  SetCurrent(false);
}

void HeaderTab::SetCurrent(bool current) {
  const QColor bg = current ? kCurrentHeader : kBlue;
  const char* fg = current ? "black" : "white";
  setStyleSheet(QString("QLabel { background: %1; color: %2; font-weight: %3; padding: 0 12px; }"
                        "QLabel:disabled { color: %4; }")
                    .arg(bg.name(), fg, current ? "bold" : "normal", current ? "#777" : "#bcd"));
}

void HeaderTab::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit Clicked();
}

void HeaderTab::paintEvent(QPaintEvent* event) {
  QLabel::paintEvent(event);
  if (!hasFocus()) return;
  // Tab walks the headers: the one that Space or Enter would choose is outlined.
  QPainter p(this);
  p.setPen(QPen(palette().color(foregroundRole()), 1, Qt::DotLine));
  p.drawRect(rect().adjusted(3, 3, -4, -4));
}

void HeaderTab::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    emit Clicked();
    return;
  }
  QLabel::keyPressEvent(event);
}

MainWindowView::MainWindowView(CMainDialog& dialog, PageViewFactory pageViews)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), dialog_(dialog),
      makePageView_(std::move(pageViews)) {
  skin::InitResources();
  setWindowTitle(kTitle);
  setWindowIcon(QIcon(skin::icons::kApp));
  setObjectName("MainWindow");
  setStyleSheet("#MainWindow { background: rgb(30,144,225); border: 1px solid #8a8a8a; }");
  setAttribute(Qt::WA_StyledBackground);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(1, 1, 1, 1);
  layout->setSpacing(0);
  layout->addWidget(BuildTitleBar());
  layout->addWidget(BuildHeaderRow());
  AddShortcuts();

  stack_ = new QStackedWidget(this);
  stack_->setObjectName("PageArea");
  stack_->setStyleSheet("#PageArea { background: rgb(240,245,230); }");
  stack_->setMinimumSize(760, 470);
  layout->addWidget(stack_, 1);

  diagnostics_ = new DiagnosticsView(dialog_, this);
  diagnostics_->setVisible(false);
  layout->addWidget(diagnostics_);

  statusLine_ = new StatusLineView(dialog_.Shared(), this);
  layout->addWidget(statusLine_);
  BuildDialogs();

  refresh_.Watch(dialog_.Changed());
  Sync();
  adjustSize();
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

MainWindowView::~MainWindowView() = default;

QWidget* MainWindowView::BuildHeaderRow() {
  auto* headerRow = new QWidget(this);
  auto* headerLayout = new QHBoxLayout(headerRow);
  headerLayout->setContentsMargins(6, 0, 6, 0);
  headerLayout->setSpacing(2);
  for (int page = kPageGeneral; page <= kPageFirmware; ++page) {
    // Headers appear in the order General, EDID, Matrix, FW Upgrade.
    auto* tab = new HeaderTab(PageTitle(page), headerRow);
    skin::Identify(tab, kHeaderIds[static_cast<size_t>(page - 1)]);
    headers_[static_cast<size_t>(page - 1)] = tab;
    connect(tab, &HeaderTab::Clicked, this, [this, page] {
      // The message, busy and configuring dialogs are window-modal; a platform that lets a click
      // through anyway must not change the page behind them.
      if (!OverlayOpen()) dialog_.OnHeaderClick(page);
    });
    headerLayout->addWidget(tab);
  }
  headerLayout->addStretch();
  return headerRow;
}

// Ctrl+1..4 choose the pages as their headers do; Ctrl+D shows or hides the diagnostics.
void MainWindowView::AddShortcuts() {
  for (int page = kPageGeneral; page <= kPageFirmware; ++page) {
    auto* key = new QShortcut(QKeySequence(Qt::CTRL | static_cast<Qt::Key>(Qt::Key_0 + page)), this);
    connect(key, &QShortcut::activated, this, [this, page] {
      if (headers_[static_cast<size_t>(page - 1)]->isEnabled() && !OverlayOpen()) dialog_.OnHeaderClick(page);
    });
  }
  connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_D), this), &QShortcut::activated, this,
          [this] { logsButton_->toggle(); });
}

bool MainWindowView::OverlayOpen() const {
  return message_->isVisible() || busy_->isVisible() || configuring_->isVisible();
}

void MainWindowView::BuildDialogs() {
  SharedState& shared = dialog_.Shared();
  message_ = new OverlayDialogView(this, QSize(300, 70), 10, 190, shared.Message.Changed(),
                                   [&shared] { return shared.Message.IsOpen(); },
                                   [&shared] { return shared.Message.DisplayedText(); });
  busy_ = new OverlayDialogView(this, QSize(170, 34), 6, 200, shared.Busy.Changed(),
                                [&shared] { return shared.Busy.IsOpen(); },
                                [&shared] { return shared.Busy.DisplayedText(); });
  ConfiguringDialog& configuring = dialog_.Configuring();
  configuring_ = new OverlayDialogView(this, QSize(360, 80), 10, 210, configuring.Changed(),
                                       [&configuring] { return configuring.IsOpen(); },
                                       [&configuring] { return configuring.Text(); });
  message_->Identify("MessageDialog", kMessageLine);
  busy_->Identify("BusyDialog", kBusyLine);
  configuring_->Identify("ConfiguringDialog", kConfiguringLine);
}

QWidget* MainWindowView::BuildTitleBar() {
  auto* bar = new QWidget(this);
  bar->setFixedHeight(30);
  auto* row = new QHBoxLayout(bar);
  row->setContentsMargins(8, 0, 4, 0);
  row->setSpacing(2);
  auto* icon = new QLabel(bar);
  icon->setPixmap(QIcon(skin::icons::kApp).pixmap(18, 18));
  auto* title = new QLabel(kTitle, bar);
  QFont font("宋体");
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(15);
  title->setFont(font);
  title->setStyleSheet(QString("color: %1; background: transparent;").arg(kTitleText.name()));
  skin::Identify(title, kTitleId);
  row->addWidget(icon);
  row->addWidget(title);
  row->addStretch();

  auto* logs = TitleButton(bar, kCommandLogs, skin::icons::kLogs, nullptr,
                           "Show the hex logs of the current page");
  logs->setObjectName("LogsButton");
  logs->setCheckable(true);
  logsButton_ = logs;
  connect(logs, &QAbstractButton::toggled, this, [this](bool on) { SetDiagnosticsVisible(on); });
  auto* about = TitleButton(bar, kCommandAbout, skin::icons::kInfo, nullptr, "About Velantor");
  about->setObjectName("AboutButton");
  auto* minimise = TitleButton(bar, kCommandMinimise, skin::icons::kMinimise, skin::icons::kMinimiseHover, "Minimize");
  skin::Identify(minimise, kCommandMinimise);
  auto* close = TitleButton(bar, kCommandClose, skin::icons::kClose, skin::icons::kCloseHover, "Close");
  skin::Identify(close, kCommandClose);
  // The panel's own buttons have no control id: their names serve tools instead.
  for (skin::IconButton* b : {logs, about}) b->setAccessibleName(b->objectName());
  for (skin::IconButton* b : {logs, about, minimise, close}) {
    connect(b, &skin::IconButton::Command, this, [this](int id) { OnTitleCommand(id); });
    row->addWidget(b);
  }
  return bar;
}

// Closing ends the message loop at once, unless a page says it would do harm: then the user
// decides (window-modal, without a nested loop; Cancel is the default).
void MainWindowView::CloseAsked() {
  const std::string warning = dialog_.CloseWarning();
  if (warning.empty()) {
    qApp->quit();
    return;
  }
  if (closeQuestion_) {
    closeQuestion_->raise();
    return;
  }
  auto* box = new QMessageBox(QMessageBox::Warning, kTitle, QString::fromStdString(warning), QMessageBox::Cancel, this);
  QPushButton* close = box->addButton("Close", QMessageBox::DestructiveRole);
  close->setObjectName("ConfirmClose");
  close->setAccessibleName("ConfirmClose");
  box->setDefaultButton(QMessageBox::Cancel);
  box->setObjectName("CloseQuestion");
  box->setWindowModality(Qt::WindowModal);
  box->setAttribute(Qt::WA_DeleteOnClose);
  connect(box, &QMessageBox::buttonClicked, this, [close](QAbstractButton* button) {
    if (button == close) qApp->quit();
  });
  closeQuestion_ = box;
  box->open();
}

void MainWindowView::closeEvent(QCloseEvent* event) {
  event->ignore();  // the window system's close (Alt+F4) goes the same way as the title bar's
  CloseAsked();
}

void MainWindowView::OnTitleCommand(int id) {
  switch (id) {
    case kCommandClose: CloseAsked(); break;
    case kCommandMinimise: showMinimized(); break;
    case kCommandAbout: ShowAbout(); break;
    default: break;  // the logs button acts through its toggle
  }
}

void MainWindowView::Sync() {
  for (int page = kPageGeneral; page <= kPageFirmware; ++page) {
    const size_t i = static_cast<size_t>(page - 1);
    headers_[i]->SetCurrent(dialog_.HeaderSelected(page));
    headers_[i]->setEnabled(dialog_.HeadersEnabled());
    if (!pageViews_[i] && dialog_.Page(page)) {
      pageViews_[i] = makePageView_(page, dialog_.Page(page), stack_);
      stack_->addWidget(pageViews_[i]);
      // The page area's floor grows to what each page needs, or a page would be squeezed on a
      // small screen (a window the user cannot resize) with controls cut off.
      stack_->setMinimumSize(stack_->minimumSize().expandedTo(pageViews_[i]->minimumSizeHint()));
    }
  }
  if (QWidget* current = pageViews_[static_cast<size_t>(dialog_.CurrentPage() - 1)]) {
    stack_->setCurrentWidget(current);
  }
  diagnostics_->Refresh();
}

void MainWindowView::SetDiagnosticsVisible(bool visible) {
  diagnostics_->setVisible(visible);
  diagnostics_->Refresh();
  adjustSize();
}

void MainWindowView::ShowAbout() {
  // Window-modal but shown without a nested event loop: timers, replies and socket events go on
  // being handled while the box is open.
  if (about_) {
    about_->raise();
    about_->activateWindow();
    return;
  }
  about_ = new QMessageBox(QMessageBox::Information, "About Velantor",
                           QString("<b>Velantor</b> %1<br>Control panel for HDMI matrix switchers.<br>"
                                   "Serial and TCP links, routing, EDID, network settings and firmware.")
                               .arg(VELANTOR_VERSION),
                           QMessageBox::Ok, this);
  about_->setObjectName("AboutBox");
  about_->setIconPixmap(windowIcon().pixmap(48, 48));
  about_->setAttribute(Qt::WA_DeleteOnClose);
  about_->setWindowModality(Qt::WindowModal);
  about_->show();
}

// Any free spot drags the window, as a frameless window has no caption to hold. The move starts
// only once the pointer has travelled the drag distance: a tap (press and release at once, as
// touchpads give) must not leave the window following the pointer.
void MainWindowView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  pressed_ = true;
  dragging_ = false;
  pressPosition_ = event->globalPosition().toPoint();
}

void MainWindowView::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = event->globalPosition().toPoint();
  if (pressed_ && !dragging_ && (at - pressPosition_).manhattanLength() >= QApplication::startDragDistance()) {
    if (windowHandle() && windowHandle()->startSystemMove()) {
      pressed_ = false;
      return;
    }
    dragging_ = true;
    dragOffset_ = pressPosition_ - frameGeometry().topLeft();
  }
  if (dragging_) move(at - dragOffset_);
}

void MainWindowView::mouseReleaseEvent(QMouseEvent*) { pressed_ = dragging_ = false; }

void MainWindowView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  QPainterPath path;
  path.addRoundedRect(rect(), 3, 3);
  setMask(QRegion(path.toFillPolygon().toPolygon()));
}

}  // namespace velantor
