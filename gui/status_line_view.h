// The permanent line at the bottom of the main window, on every page: the link and its state,
// the device on it, a busy mark while an exchange waits for a reply, and the last message with
// the time it was shown (messages close by themselves after a second or two).
#pragma once

#include <QWidget>

#include "skin/coalesced_refresh.h"

class QLabel;

namespace velantor {

struct SharedState;

class StatusLineView : public QWidget {
  Q_OBJECT
 public:
  StatusLineView(SharedState& shared, QWidget* parent);
  QString LinkText() const;
  QString MessageText() const;
  bool BusyShown() const;

 private:
  void SyncLink();
  void SyncMessage();

  SharedState& shared_;
  QLabel* link_;
  QLabel* busy_;
  QLabel* message_;
  skin::CoalescedRefresh linkRefresh_{[this] { SyncLink(); }};
  skin::CoalescedRefresh messageRefresh_{[this] { SyncMessage(); }};
  int messagesSeen_ = 0;
};

}  // namespace velantor
