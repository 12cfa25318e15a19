#include "gui/status_line_view.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QTime>

#include "app/shared_state.h"
#include "skin/translation.h"

namespace velantor {

namespace {
// Colours of the link states: an operator sees at a glance whether the switcher is there.
QString StateColour(const std::string& state) {
  if (state == LinkReport::kConnected) return "#1b6e1b";
  if (state == LinkReport::kClosed) return "#555";
  return "#b00000";  // no answer, lost, standby
}
}  // namespace

StatusLineView::StatusLineView(SharedState& shared, QWidget* parent) : QWidget(parent), shared_(shared) {
  setObjectName("StatusLine");
  setAccessibleName("StatusLine");
  setAttribute(Qt::WA_StyledBackground);
  setStyleSheet("#StatusLine { background: rgb(225,232,240); } #StatusLine QLabel { font-size: 11px; }");
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(8, 2, 8, 2);
  link_ = new QLabel(this);
  link_->setObjectName("StatusLink");
  busy_ = new QLabel(this);
  busy_->setObjectName("StatusBusy");
  message_ = new QLabel(this);
  message_->setObjectName("StatusMessage");
  message_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  // A long device path or message is cut at the window's edge (the full text is the tooltip)
  // rather than widening the window.
  for (QLabel* label : {link_, message_}) label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  row->addWidget(link_, 1);
  row->addWidget(busy_);
  row->addWidget(message_, 1);
  linkRefresh_.Watch(shared_.Link.changed);
  messageRefresh_.Watch(shared_.Message.Changed());
  SyncLink();
  SyncMessage();
}

void StatusLineView::SyncLink() {
  const LinkReport& r = shared_.Link;
  const QString text = QString::fromStdString(r.Text());
  link_->setText(QString("<span style='color:%1'>%2</span>").arg(StateColour(r.state), text.toHtmlEscaped()));
  link_->setToolTip(text);
  busy_->setText(r.waiting > 0 ? "waiting for the switcher..." : "");
}

// Only a newly opened message is recorded; it stays on the line after its dialog has closed.
void StatusLineView::SyncMessage() {
  const MessageDialog& m = shared_.Message;
  if (m.OpenCount() == messagesSeen_) return;
  messagesSeen_ = m.OpenCount();
  message_->setText(QTime::currentTime().toString("HH:mm:ss") + "  " + skin::Tr(m.DisplayedText()));
  message_->setToolTip(message_->text());
}

QString StatusLineView::LinkText() const { return link_->text(); }
QString StatusLineView::MessageText() const { return message_->text(); }
bool StatusLineView::BusyShown() const { return !busy_->text().isEmpty(); }

}  // namespace velantor
