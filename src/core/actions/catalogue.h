#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/actions/assign.h"

namespace kv {

class KeyNames;

// Stored action names: the only form kept in assignments and config.ini. Every reader compares
// an assignment's ActionType with these exactly and case-sensitively.
inline constexpr std::string_view kActionKeys = "Keys";
inline constexpr std::string_view kActionCursorOnOff = "Cursor ON/OFF";
inline constexpr std::string_view kActionCursorOn = "Cursor ON";
inline constexpr std::string_view kActionCursorUp = "Mouse->Cursor Up";
inline constexpr std::string_view kActionCursorDown = "Mouse->Cursor Down";
inline constexpr std::string_view kActionCursorRight = "Mouse->Cursor Right";
inline constexpr std::string_view kActionCursorLeft = "Mouse->Cursor Left";
inline constexpr std::string_view kActionLeftClick = "Mouse->Left Click";
inline constexpr std::string_view kActionLeftDoubleClick = "Mouse->Left Double Click";
inline constexpr std::string_view kActionRightClick = "Mouse->Right Click";
inline constexpr std::string_view kActionRightDoubleClick = "Mouse->Right Double Click";
inline constexpr std::string_view kActionMiddleClick = "Mouse->Middle Click";
inline constexpr std::string_view kActionMiddleDoubleClick = "Mouse->Middle Double Click";
inline constexpr std::string_view kActionWheelUp = "Mouse->Wheel Up";
inline constexpr std::string_view kActionWheelDown = "Mouse->Wheel Down";
inline constexpr std::string_view kActionWebForward = "Web->Forward";
inline constexpr std::string_view kActionWebBackward = "Web->Backward";
inline constexpr std::string_view kActionVolumeUp = "Mixer->Volume Up";
inline constexpr std::string_view kActionVolumeDown = "Mixer->Volume Down";
inline constexpr std::string_view kActionMute = "Mixer->Mute";
inline constexpr std::string_view kActionExecute = "Execute";

inline constexpr int kActionCount = 21;
inline constexpr int kActionRowKeys = 0;
inline constexpr int kActionRowExecute = 20;

// Modifier bits of a shortcut word; the low byte is the virtual-key code.
inline constexpr uint16_t kShortCutShift = 0x2000;
inline constexpr uint16_t kShortCutCtrl = 0x4000;
inline constexpr uint16_t kShortCutAlt = 0x8000;
inline constexpr uint16_t kShortCutModifiers = kShortCutShift | kShortCutCtrl | kShortCutAlt;

// One button slot: config section name (also the dialog's text), its bit in the button word,
// and the default assignment.
struct ButtonSlotInfo {
  std::string_view SectionName;
  uint16_t ButtonBit;
  std::string_view DefaultType;
  std::string_view DefaultValue;
};

// The eleven slots in slot order Up, Down, Right, Left, A, B, Home, Plus, Minus, 1, 2.
extern const std::array<ButtonSlotInfo, kButtonCount> kButtonSlots;

// The catalogue as two fixed tables of 21 rows, in the dialog's row order.
extern const std::array<std::string_view, kActionCount> kActionNames;      // stored names
extern const std::array<std::string_view, kActionCount> kActionListTexts;  // shown, never stored

// The default assignments of all eleven slots.
TWiimoteButtonAssign DefaultButtonAssign();

bool IsRepeatAction(std::string_view actionName);
bool IsCursorStepAction(std::string_view actionName);

// Stored name of catalogue row 0..20; nullopt for any other row.
std::optional<std::string_view> ActionNameOfIndex(int row);

// Row whose stored name equals `actionName` exactly; nullopt when none does.
std::optional<int> ActionIndexOfName(std::string_view actionName);

// `text` with every occurrence of `search` replaced, scanning left to right without overlap and
// never re-scanning replacement text. An empty `search` returns `text` unchanged.
std::string ReplaceAll(std::string_view text, std::string_view search,
                       std::string_view replacement);

// The Windows-key parts removed: ReplaceAll with "+Win+", "Win+", "+Win", "Win", in this order.
std::string RemoveWindowsKey(std::string_view text);

// Key-combination text of a shortcut word; empty when the key has no name.
std::string ShortCutToText(uint16_t shortCut, KeyNames& keyNames);

// Shortcut word of a key-combination text; 0 when the text is no valid combination.
uint16_t TextToShortCut(std::string_view text, KeyNames& keyNames);

}  // namespace kv
