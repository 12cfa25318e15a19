// The EDID page on screen: the mode, copy and open-and-download rows, the input EDID list, the
// read and save controls, and the "EDID content" grid with the decoded EDID beside it. It shows
// CEdidPage's view state and hands every action to it; the file dialogs only choose a path.
#pragma once

#include <QString>
#include <QWidget>
#include <array>
#include <functional>

#include "skin/coalesced_refresh.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace velantor {

class CEdidPage;

class EdidPageView : public QWidget {
  Q_OBJECT
 public:
  // Chooses a file: `save` for "Save"; an empty result means the operator cancelled.
  using FileChooser = std::function<QString(QWidget* parent, bool save)>;

  EdidPageView(CEdidPage& page, QWidget* parent);
  ~EdidPageView() override;

  // Tests and outside drivers replace the file dialogs.
  void SetFileChooser(FileChooser chooser) { chooseFile_ = std::move(chooser); }
  QTableWidget* ContentTable() const { return content_; }
  QLabel* Summary() const { return summary_; }

 private:
  QWidget* BuildModesGroup();
  QWidget* BuildStatusGroup();
  QWidget* BuildDataGroup();
  QWidget* BuildContentGroup();
  template <typename F>
  void Act(F action);
  void Sync();

  CEdidPage& page_;
  skin::CoalescedRefresh refresh_{[this] { Sync(); }};
  bool syncing_ = false;
  FileChooser chooseFile_;

  QComboBox* modes_;
  QComboBox* setTargets_;
  QPushButton* set_;
  QComboBox* copySources_;
  QComboBox* copyTargets_;
  QPushButton* copy_;
  QRadioButton* autoMode_;
  QRadioButton* manualMode_;
  QLineEdit* filePath_;
  QPushButton* open_;
  QComboBox* downloadTargets_;
  QPushButton* download_;

  QGroupBox* statusGroup_;
  std::array<QLabel*, 8> statusLabels_{};
  std::array<QLabel*, 8> statusTexts_{};
  QPushButton* status_;

  QGroupBox* dataGroup_;
  QComboBox* readSources_;
  QPushButton* read_;
  QLineEdit* savedPath_;
  QPushButton* save_;
  QLabel* problem_;

  QTableWidget* content_;
  QLabel* contentSource_;
  QLabel* summary_;
  QPushButton* clear_;
};

}  // namespace velantor
