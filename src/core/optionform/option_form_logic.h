#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/actions/assign.h"
#include "core/settings/settings.h"

namespace kv {

class KeyNames;
class OptionFormView;

// Shift, Ctrl and Alt as held with a key event.
struct KeyModifiers {
  bool Shift = false;
  bool Ctrl = false;
  bool Alt = false;
};

// Virtual-key codes of the three modifier keys.
inline constexpr uint16_t kVirtualKeyShift = 0x10;
inline constexpr uint16_t kVirtualKeyControl = 0x11;
inline constexpr uint16_t kVirtualKeyAlt = 0x12;
// The character the Backspace key types.
inline constexpr char32_t kBackspaceCharacter = 8;

// What the key-capture edit shows for a key pressed in it, and the key it keeps.
struct KeyCapture {
  std::string Text;
  uint16_t CapturedKey = 0;  // low byte of the key's code; 0 after Shift, Ctrl or Alt alone
};

// The text of held modifier keys alone: "Shift", "Ctrl", "Alt" joined with "+" in this order.
std::string ModifierText(KeyModifiers held);

// A key pressed in the capture edit: a modifier key shows the held modifiers alone; any other key
// shows the combination's text (empty for a key without a name) and is kept. A modifier key's own
// press counts as held, as some window systems report it without its modifier.
KeyCapture CaptureKey(uint16_t virtualKey, KeyModifiers held, KeyNames& keyNames);

// Whether Set may store `typed` as a key combination: it must make a combination once the
// Windows-key parts are removed (the shortcut word cannot hold that key), or be "Win" alone.
bool IsAssignableKeyText(std::string_view typed, KeyNames& keyNames);

// Whether characters typed into the threshold edit reach it: digits do, and so does every control
// character (Backspace, and the edit's commands such as Ctrl+V, which pastes); any other printable
// character drops the key. A Ctrl combination without Alt is an edit command and always passes.
bool ThresholdKeyPasses(std::u32string_view typed, KeyModifiers held);

// The error text of a number field whose text does not convert.
std::string NotAnIntegerText(std::string_view text);

// The preferences dialog's decisions. General and motion settings are copied into the controls
// each time the dialog is shown and copied back only by Apply; button assignments are written at
// the moment the user picks an action or presses one of the Set buttons, and neither Apply nor
// Cancel touches them. The dialog never writes the settings file.
//
// The front end draws the controls, forwards each event to the handler of the same name and
// answers the view's calls; the handlers run on the user-interface thread.
class TOptionFormLogic {
 public:
  TOptionFormLogic(OptionFormView& view, TKestrovaneSetting& settings, TWiimoteButtonAssign& assign,
                   KeyNames& keyNames);

  TOptionFormLogic(const TOptionFormLogic&) = delete;
  TOptionFormLogic& operator=(const TOptionFormLogic&) = delete;

  // The dialog is about to be shown: every control from the settings and the current slot.
  void FormShow();
  void ApplyButtonClick();
  void CancelButtonClick();
  // A slot picked by the user: the click runs first, then the change.
  void ButtonComboBoxClick();
  void ButtonComboBoxChange();
  // An action row picked by the user (never one selected from code).
  void AssignComboBoxChange();
  void KeyAssignEditKeyDown(uint16_t virtualKey, KeyModifiers held);
  void KeyAssignEditKeyUp();
  void AssignSetButtonClick();
  void ExecuteReferButtonClick();
  void ExecuteSetButtonClick();

  // Low byte of the last key other than Shift, Ctrl or Alt pressed in the capture edit; 0 when
  // the last key pressed there was one of those three, and at creation.
  uint16_t CapturedKey() const { return capturedKey_; }

 private:
  void ShowSettings();
  void RefreshAssignPanel();
  void SelectAssignItem(const TButtonAssign& assign);
  void StoreAssign(int slot, std::string_view actionType, std::string actionValue);
  int CurrentSlot() const;

  OptionFormView& view_;
  TKestrovaneSetting& settings_;
  TWiimoteButtonAssign& assign_;
  KeyNames& keyNames_;
  uint16_t capturedKey_ = 0;
};

}  // namespace kv
