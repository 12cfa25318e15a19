// The General page's "Device status" and "Device options" groups on screen. They show the
// page's status and option view state and hand every click to the page.
#pragma once

#include <QGroupBox>
#include <QMessageBox>
#include <QPointer>
#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QLayout;
class QPushButton;

namespace velantor {

class CGeneralPage;
namespace skin {
class IconButton;
}

class DeviceStatusPanel : public QGroupBox {
  Q_OBJECT
 public:
  DeviceStatusPanel(CGeneralPage& page, QWidget* parent);
  void Sync();

  QLabel* InputLine(int n) const { return inputs_[static_cast<size_t>(n - 1)]; }
  QLabel* OutputLine(int n) const { return outputs_[static_cast<size_t>(n - 1)]; }
  QPushButton* StatusButton() const { return status_; }
  QLabel* DeviceText() const { return device_; }
  QLabel* VersionText() const { return version_; }

 private:
  CGeneralPage& page_;
  std::array<QLabel*, 4> inputs_{};
  std::array<QLabel*, 4> outputs_{};
  QPushButton* status_;
  QLabel* device_;
  QLabel* version_;
};

class DeviceOptionsPanel : public QGroupBox {
  Q_OBJECT
 public:
  DeviceOptionsPanel(CGeneralPage& page, QWidget* parent);
  void Sync();

  QCheckBox* BeepCheck() const { return beep_; }
  QCheckBox* IrCheck() const { return ir_; }
  QCheckBox* BorderCheck() const { return border_; }
  skin::IconButton* ModeButton(int mode) const { return modes_[static_cast<size_t>(mode - 1)]; }
  QComboBox* LayoutList() const { return layout_; }
  QComboBox* MainList() const { return main_; }
  QComboBox* AudioList() const { return audio_; }
  QComboBox* WallXList() const { return wallX_; }
  QComboBox* WallYList() const { return wallY_; }
  QPushButton* InputButton(int n) const { return inputs_[static_cast<size_t>(n - 1)]; }
  QPushButton* FactoryResetButton() const { return reset_; }
  // The question Factory Reset asks first (null when none is open).
  QMessageBox* ResetQuestion() const { return resetQuestion_; }

 private:
  // Runs a page action, then shows the page's state again: a click never changes a control
  // by itself.
  template <typename F>
  void Act(F action);
  void AskBeforeReset();
  QLayout* BuildChecksRow();
  void BuildViewerGroup(QGroupBox* group);
  void BuildWallGroup(QGroupBox* group);
  void ConnectActions();
  void IdentifyControls();

  CGeneralPage& page_;
  bool syncing_ = false;
  QCheckBox* beep_;
  QCheckBox* ir_;
  QCheckBox* border_;
  QGroupBox* borderGroup_;
  std::array<skin::IconButton*, 3> modes_{};
  QComboBox* layout_;
  QComboBox* main_;
  QComboBox* audio_;
  QComboBox* wallX_;
  QComboBox* wallY_;
  std::array<QPushButton*, 4> inputs_{};
  QPushButton* reset_;
  QPointer<QMessageBox> resetQuestion_;
};

}  // namespace velantor
