#pragma once

#include <QDialog>
#include <QPalette>
#include <QString>
#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "core/actions/assign.h"
#include "core/optionform/option_form_layout.h"
#include "core/optionform/option_form_logic.h"
#include "core/port/option_form_view.h"
#include "core/settings/settings.h"

class QKeyEvent;
class QLineEdit;

namespace kv {
class KeyNames;
}

namespace kv::app {

// The preferences dialog on Qt: builds its controls from the dialog's layout table, forwards
// each event to the dialog's logic in the core and answers the logic's view calls.
//
// Created hidden once, after the main window; the main window shows it modally with exec().
class TOptionForm final : public QDialog, public OptionFormView {
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

  // kv::OptionFormView
  std::string Text(OptionControl edit) const override;
  void SetText(OptionControl edit, std::string_view text) override;
  void MoveCaretToEnd(OptionControl edit) override;
  bool IsChecked(OptionControl button) const override;
  void SetChecked(OptionControl button, bool checked) override;
  int Position(OptionControl trackBar) const override;
  void SetPosition(OptionControl trackBar, int position) override;
  int SelectedRow(OptionControl list) const override;
  void SelectRow(OptionControl list, int row) override;
  void SetEnabled(OptionControl control, bool enabled) override;
  void SetInputColour(OptionControl edit, bool takesInput) override;
  void ShowMessage(std::string_view text) override;
  void ShowError(std::string_view text) override;
  std::string ChooseFile() override;
  void Close(bool applied) override;

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
  QWidget* CreateControl(const ControlLayout<OptionControl>& layout, QWidget* parent);
  void FillLists();
  void ConnectHandlers();
  void SetTabOrder();
  void UseClassicIndicators();
  bool FilterKeyAssignEdit(QEvent* event);

  QWidget* Control(OptionControl control) const {
    return controls_[static_cast<std::size_t>(control)];
  }
  template <class Widget>
  Widget* ControlAs(OptionControl control) const {
    return qobject_cast<Widget*>(Control(control));
  }
  void SetEditColour(QLineEdit* edit, QPalette::ColorRole role);

  TOptionFormLogic logic_;
  OpenFileHook openFileDialog_;
  MessageHook messageBox_;
  MessageHook errorBox_;
  std::array<QWidget*, kOptionControlCount> controls_{};
};

}  // namespace kv::app
