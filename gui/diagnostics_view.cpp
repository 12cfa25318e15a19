#include "gui/diagnostics_view.h"

#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include "app/main_dialog.h"
#include "link/hex_log.h"
#include "skin/translation.h"

namespace velantor {

namespace {
QPlainTextEdit* LogEdit(QWidget* parent) {
  auto* edit = new QPlainTextEdit(parent);
  edit->setReadOnly(true);
  edit->setLineWrapMode(QPlainTextEdit::NoWrap);
  QFont mono("Monospace");
  mono.setStyleHint(QFont::TypeWriter);
  mono.setPointSize(9);
  edit->setFont(mono);
  edit->setMinimumHeight(110);
  return edit;
}

void Show(QPlainTextEdit* edit, const HexLog* log, uint64_t* revision) {
  const uint64_t now = log ? log->Revision() : 0;
  if (now == *revision) return;
  *revision = now;
  QString text = !log                 ? QString("(this page keeps no log)")
                 : log->TextEnabled() ? QString::fromStdString(log->Text())
                                      : QString("(this page counts what it receives but keeps no text of it)");
  edit->setPlainText(text.replace("\r\n", "\n"));
  edit->moveCursor(QTextCursor::End);
}
}  // namespace

DiagnosticsView::DiagnosticsView(CMainDialog& dialog, QWidget* parent)
    : QWidget(parent), dialog_(dialog), sent_(LogEdit(this)), received_(LogEdit(this)), poll_(new QTimer(this)) {
  setObjectName("Diagnostics");
  setStyleSheet("#Diagnostics QLabel { color: white; }");
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(6, 4, 6, 6);
  grid->addWidget(new QLabel(skin::Tr("发送命令"), this), 0, 0);
  grid->addWidget(new QLabel(skin::Tr("接收命令"), this), 0, 1);
  grid->addWidget(sent_, 1, 0);
  grid->addWidget(received_, 1, 1);
  rejects_ = new QLabel(this);
  rejects_->setObjectName("checksumRejects");
  grid->addWidget(rejects_, 2, 0);
  clear_ = new QPushButton(skin::Tr("Clear logs"), this);
  clear_->setObjectName("clearLogs");
  clear_->setAccessibleName("clearLogs");
  connect(clear_, &QPushButton::clicked, this, &DiagnosticsView::ClearLogs);
  grid->addWidget(clear_, 2, 1, Qt::AlignRight);
  poll_->setInterval(250);
  connect(poll_, &QTimer::timeout, this, &DiagnosticsView::Refresh);
  poll_->start();
}

void DiagnosticsView::Refresh() {
  if (!isVisible()) return;
  ShellPage* page = dialog_.Page(dialog_.CurrentPage());
  if (dialog_.CurrentPage() != shownPage_) {
    shownPage_ = dialog_.CurrentPage();
    sentRevision_ = receivedRevision_ = ~0ull;
  }
  Show(sent_, page ? page->SentLog() : nullptr, &sentRevision_);
  Show(received_, page ? page->ReceivedLog() : nullptr, &receivedRevision_);
  rejects_->setText(QString("Frames dropped for a bad checksum: %1").arg(dialog_.Shared().ChecksumRejects));
}

void DiagnosticsView::ClearLogs() {
  if (ShellPage* page = dialog_.Page(dialog_.CurrentPage())) page->ClearLogs();
  Refresh();
}

QString DiagnosticsView::SentText() const { return sent_->toPlainText(); }
QString DiagnosticsView::ReceivedText() const { return received_->toPlainText(); }
QString DiagnosticsView::RejectsText() const { return rejects_->text(); }

}  // namespace velantor
