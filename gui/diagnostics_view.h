// The diagnostics view: the hidden hex logs (sent and received) of the current page.
#pragma once

#include <QWidget>
#include <cstdint>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace velantor {

class CMainDialog;

class DiagnosticsView : public QWidget {
  Q_OBJECT
 public:
  DiagnosticsView(CMainDialog& dialog, QWidget* parent);
  void Refresh();
  QString SentText() const;
  QString ReceivedText() const;
  QString RejectsText() const;
  void ClearLogs();

 private:
  CMainDialog& dialog_;
  QPlainTextEdit* sent_;
  QPlainTextEdit* received_;
  QLabel* rejects_;
  QPushButton* clear_;
  QTimer* poll_;
  uint64_t sentRevision_ = ~0ull;
  uint64_t receivedRevision_ = ~0ull;
  int shownPage_ = 0;
};

}  // namespace velantor
