// The FW Upgrade page on screen: the device line, the firmware file with "Open" and "Upgrade", the
// progress bar, the message log with "Clear", and the "Merge FW" group. It shows CUpgradePage's
// view state and hands every action to it; the file dialogs only choose a path, and the page's
// message box is shown window-modal without waiting for it.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <array>
#include <functional>

#include "skin/coalesced_refresh.h"

class QLabel;
class QLineEdit;
class QMessageBox;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace velantor {

class CUpgradePage;

class UpgradePageView : public QWidget {
  Q_OBJECT
 public:
  // Chooses a file to open for the control `controlId` ("Open" of the firmware file or of a merge
  // source); an empty result means the operator cancelled.
  using FileChooser = std::function<QString(QWidget* parent, int controlId)>;

  UpgradePageView(CUpgradePage& page, QWidget* parent);
  ~UpgradePageView() override;

  // Tests and outside drivers replace the file dialogs.
  void SetFileChooser(FileChooser chooser) { chooseFile_ = std::move(chooser); }
  QMessageBox* Prompt() const { return prompt_; }

 private:
  QWidget* BuildUpgradeGroup();
  QWidget* BuildLogGroup();
  QWidget* BuildMergeGroup();
  void Sync();
  void SyncPrompt();

  CUpgradePage& page_;
  skin::CoalescedRefresh refresh_{[this] { Sync(); }};
  FileChooser chooseFile_;

  QLabel* deviceLine_;
  QLineEdit* filePath_;
  QPushButton* open_;
  QPushButton* upgrade_;
  QProgressBar* progress_;
  QPlainTextEdit* log_;
  QPushButton* clear_;
  QWidget* mergeGroup_;
  struct MergeRow {
    QLabel* caption;
    QLineEdit* path;
    QPushButton* open;
    QLabel* version1Caption;
    QLineEdit* version1;
    QLabel* version2Caption;
    QLineEdit* version2;
  };
  std::array<MergeRow, 4> mergeRows_;
  QPushButton* merge_;
  QPointer<QMessageBox> prompt_;
};

}  // namespace velantor
