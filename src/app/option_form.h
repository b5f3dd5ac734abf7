#pragma once

#include <QDialog>
#include <QPalette>
#include <QString>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "core/actions/assign.h"
#include "core/settings/settings.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;

namespace kv {
class KeyNames;
}

namespace kv::app {

class UpDownArrows;

// The preferences dialog. General and motion settings are copied into the controls each time the
// dialog is shown and copied back only by Apply; button assignments are written at the moment the
// user picks an action or presses one of the Set buttons, and neither Apply nor Cancel touches
// them. The dialog never writes the settings file.
//
// Created hidden once, after the main window; the main window shows it modally with exec().
class TOptionForm final : public QDialog {
  Q_OBJECT

 public:
  TOptionForm(TKestrovaneSetting& settings, TWiimoteButtonAssign& assign, KeyNames& keyNames,
              QWidget* parent = nullptr);

  // The outside windows the dialog opens, replaceable so tests can answer them.
  // The file-open dialog returns the chosen file's full path, or an empty text when cancelled.
  using OpenFileHook = std::function<QString(QWidget* parent)>;
  // A message box with a caption, a text and one OK button.
  using MessageHook =
      std::function<void(QWidget* parent, const QString& caption, const QString& text)>;

  void SetOpenFileDialog(OpenFileHook dialog) { openFileDialog_ = std::move(dialog); }
  // The box for keys that make no valid combination (no icon).
  void SetMessageBox(MessageHook box) { messageBox_ = std::move(box); }
  // The application's standard error box (error icon), used for a number that does not convert.
  void SetErrorBox(MessageHook box) { errorBox_ = std::move(box); }

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateGeneralBox();
  void CreateMotionBox();
  void CreateButtonAssignBox();
  void CreateKeyAssignBox();
  void CreateExecuteBox();
  void SetTabOrder();
  void UseClassicIndicators();

  void FormShow();
  void ShowSettings();
  void ApplyButtonClick();
  void CancelButtonClick();
  bool MotionSensorThresholdEditKeyPress(const QKeyEvent& event) const;
  void ButtonComboBoxClick();
  void ButtonComboBoxChange();
  void SelectAssignItem(const TButtonAssign& assign);
  void RefreshAssignPanel();
  void AssignComboBoxChange(int row);
  bool FilterKeyAssignEdit(QEvent* event);
  void KeyAssignEditKeyDown(uint8_t virtualKey, Qt::KeyboardModifiers held);
  void KeyAssignEditKeyUp();
  static QString ModifierText(Qt::KeyboardModifiers held);
  void AssignSetButtonClick();
  void ExecuteReferButtonClick();
  void ExecuteSetButtonClick();
  void StoreAssign(int slot, std::string_view actionType, std::string actionValue);

  int CurrentSlot() const;
  void SetEditColour(QLineEdit* edit, QPalette::ColorRole role);

  TKestrovaneSetting& settings_;
  TWiimoteButtonAssign& assign_;
  KeyNames& keyNames_;
  OpenFileHook openFileDialog_;
  MessageHook messageBox_;
  MessageHook errorBox_;

  // Low byte of the virtual-key code of the last key other than Shift, Ctrl or Alt pressed in the
  // capture box; 0 when the last key pressed there was one of those three.
  uint16_t CapturedKey = 0;

  QPushButton* ApplyButton = nullptr;
  QPushButton* CancelButton = nullptr;
  QGroupBox* GroupBox2 = nullptr;
  QGroupBox* GroupBox4 = nullptr;
  QRadioButton* CursorRadioButtonMotion = nullptr;
  QRadioButton* CursorRadioButtonIR = nullptr;
  QCheckBox* UseMotionWhenLostIRCheckBox = nullptr;
  QCheckBox* RumbleOnEdgeCheckBox = nullptr;
  QCheckBox* MinimizeCheckBox = nullptr;
  QGroupBox* GroupBox1 = nullptr;
  QLabel* Label1 = nullptr;
  QLineEdit* MotionSensorThresholdEdit = nullptr;
  UpDownArrows* UpDown1 = nullptr;
  QCheckBox* InvertHCheckBox = nullptr;
  QCheckBox* InvertVCheckBox = nullptr;
  QGroupBox* GroupBox6 = nullptr;
  QLabel* Label4 = nullptr;
  QSlider* MotionSpeedFastTrackBar = nullptr;
  QLabel* Label5 = nullptr;
  QSlider* MotionSpeedSlowTrackBar = nullptr;
  QGroupBox* GroupBox3 = nullptr;
  QRadioButton* SpeedRadioButtonSlow = nullptr;
  QRadioButton* SpeedRadioButtonFast = nullptr;
  QCheckBox* ReCalibrateCheckBox = nullptr;
  QGroupBox* ButtonAssignGroupBox = nullptr;
  QLabel* Label2 = nullptr;
  QComboBox* ButtonComboBox = nullptr;
  QLabel* Label3 = nullptr;
  QComboBox* AssignComboBox = nullptr;
  QGroupBox* KeyAssignGroupBox = nullptr;
  QLineEdit* KeyAssignEdit = nullptr;
  QLineEdit* KeyAssignEdit2 = nullptr;
  QPushButton* AssignSetButton = nullptr;
  QLabel* Label6 = nullptr;
  QGroupBox* ExecuteGroupBox = nullptr;
  QLineEdit* ExecuteEdit = nullptr;
  QPushButton* ExecuteReferButton = nullptr;
  QPushButton* ExecuteSetButton = nullptr;
};

}  // namespace kv::app
