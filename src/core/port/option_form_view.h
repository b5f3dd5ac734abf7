#pragma once

#include <string>
#include <string_view>

#include "core/optionform/option_form_layout.h"

namespace kv {

// What the preferences dialog's logic needs of the visible dialog: the state of its controls,
// named as in the layout table, and the windows it opens. One implementation per front end. A
// control of the wrong kind for a call is a programming error; implementations may ignore it.
class OptionFormView {
 public:
  virtual ~OptionFormView() = default;

  // Text of an edit (UTF-8).
  virtual std::string Text(OptionControl edit) const = 0;
  virtual void SetText(OptionControl edit, std::string_view text) = 0;
  // Puts an edit's caret after its last character.
  virtual void MoveCaretToEnd(OptionControl edit) = 0;

  // Check boxes and radio buttons. Checking a radio button unchecks the others of its box.
  virtual bool IsChecked(OptionControl button) const = 0;
  virtual void SetChecked(OptionControl button, bool checked) = 0;

  // Track bar position. The logic only sets positions inside the bar's range.
  virtual int Position(OptionControl trackBar) const = 0;
  virtual void SetPosition(OptionControl trackBar, int position) = 0;

  // Selected row of a drop-down list, -1 for none. Selecting from here runs no handler: only a
  // pick by the user does.
  virtual int SelectedRow(OptionControl list) const = 0;
  virtual void SelectRow(OptionControl list, int row) = 0;

  // Enables or disables a control; a disabled group box disables everything in it.
  virtual void SetEnabled(OptionControl control, bool enabled) = 0;
  // Draws an edit in the window colour (`takesInput`) or in the button-face colour.
  virtual void SetInputColour(OptionControl edit, bool takesInput) = 0;

  // A message box captioned with the application title, one OK button, no icon; returns when it
  // is closed.
  virtual void ShowMessage(std::string_view text) = 0;
  // The application's standard error box (error icon, one OK button); returns when it is closed.
  virtual void ShowError(std::string_view text) = 0;
  // The file-open dialog (no filter): the chosen file's full path, or empty when cancelled.
  virtual std::string ChooseFile() = 0;

  // Hides the dialog and ends its modal run; `applied` says whether Apply ended it.
  virtual void Close(bool applied) = 0;
};

}  // namespace kv
