#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "core/actions/assign.h"
#include "core/optionform/option_form_layout.h"
#include "core/optionform/option_form_logic.h"
#include "core/port/option_form_view.h"
#include "core/settings/settings.h"

namespace kv {
class KeyNames;
}

namespace kv::winapp {

// The preferences dialog on Win32: builds its standard controls from the dialog's layout table,
// forwards each event to the dialog's logic in the core and answers the logic's view calls.
//
// Created hidden once, after the main window; the main window's "Preference" shows it modally.
// The dialog keeps its controls between showings (the selected slot, the action row and the
// radio buttons stay as they were).
class OptionForm final : public OptionFormView {
 public:
  OptionForm(TKestrovaneSetting& settings, TWiimoteButtonAssign& assign, KeyNames& keyNames);
  ~OptionForm() override;
  OptionForm(const OptionForm&) = delete;
  OptionForm& operator=(const OptionForm&) = delete;

  // Creates the hidden dialog owned by `owner` (may be null). False when the system refused it.
  bool Create(HWND owner, HINSTANCE instance);

  // Shows the dialog over its owner, with the owner disabled, and runs messages until Apply,
  // Cancel or the close box hides it again, or until `quitRequested` says the program is ending
  // (then it is hidden as by Cancel). True when Apply ended it.
  bool ShowModal(const std::function<bool()>& quitRequested);

  // The outside windows the dialog opens, replaceable so tests can answer them.
  // The file-open dialog returns the chosen file's full path, or an empty text when cancelled.
  using OpenFileHook = std::function<std::wstring(HWND owner)>;
  // A message box with a caption, a text and one OK button.
  using MessageHook =
      std::function<void(HWND owner, const std::wstring& caption, const std::wstring& text)>;
  void SetOpenFileDialog(OpenFileHook dialog) { openFileDialog_ = std::move(dialog); }
  // The box for keys that make no valid combination (no icon).
  void SetMessageBox(MessageHook box) { messageBox_ = std::move(box); }
  // The application's standard error box (error icon), for a number that does not convert.
  void SetErrorBox(MessageHook box) { errorBox_ = std::move(box); }

  HWND Handle() const { return dialog_; }
  HWND Control(OptionControl control) const { return controls_[static_cast<std::size_t>(control)]; }

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

 private:
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK CaptureEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR id, DWORD_PTR self);
  static LRESULT CALLBACK ThresholdEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR id, DWORD_PTR self);
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void OnCommand(int id, int code);
  void OnListPicked(OptionControl list);
  INT_PTR EditColours(HWND edit, HDC dc);
  void ClickFocusedButton();

  void CreateControls(HINSTANCE instance);
  HWND CreateControl(const ControlLayout<OptionControl>& layout, HINSTANCE instance);
  void SetUpControl(const ControlLayout<OptionControl>& layout);
  void FillLists();
  void SetTabOrder();
  void PlaceOverOwner();
  void ApplyEnabled(OptionControl control);
  OptionControl ControlOf(HWND window) const;

  TOptionFormLogic logic_;
  OpenFileHook openFileDialog_;
  MessageHook messageBox_;
  MessageHook errorBox_;
  HWND dialog_ = nullptr;
  HWND owner_ = nullptr;
  HFONT font_ = nullptr;
  std::array<HWND, kOptionControlCount> controls_{};
  // What the logic last asked for; a control shows enabled only when it and every box around
  // it are enabled.
  std::array<bool, kOptionControlCount> enabled_{};
  // Edits drawn in the window colour (they take input) rather than the button-face colour.
  std::array<bool, kOptionControlCount> windowColour_{};
  bool shown_ = false;
  bool applied_ = false;
  bool focusPlaced_ = false;
  // Set while a pick of a list is being handled, so the selection change the list reports right
  // after the pick does not run the handlers a second time.
  bool pickHandled_ = false;
};

}  // namespace kv::winapp
