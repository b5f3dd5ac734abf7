#include "core/actions/catalogue.h"

#include <algorithm>

#include "core/port/key_names.h"

namespace kv {

const std::array<ButtonSlotInfo, kButtonCount> kButtonSlots = {{
    {"Up", 0x0800, kActionKeys, "Up"},
    {"Down", 0x0400, kActionKeys, "Down"},
    {"Right", 0x0200, kActionKeys, "Right"},
    {"Left", 0x0100, kActionKeys, "Left"},
    {"A", 0x0008, kActionLeftClick, ""},
    {"B", 0x0004, kActionCursorOnOff, ""},
    {"Home", 0x0080, kActionKeys, "BkSp"},
    {"Plus", 0x1000, kActionKeys, "Enter"},
    {"Minus", 0x0010, kActionRightClick, ""},
    {"1", 0x0002, kActionKeys, "Tab"},
    {"2", 0x0001, kActionKeys, "Enter"},
}};

const std::array<std::string_view, kActionCount> kActionNames = {
    kActionKeys,
    kActionCursorOnOff,
    kActionCursorOn,
    kActionCursorUp,
    kActionCursorDown,
    kActionCursorRight,
    kActionCursorLeft,
    kActionLeftClick,
    kActionLeftDoubleClick,
    kActionRightClick,
    kActionRightDoubleClick,
    kActionMiddleClick,
    kActionMiddleDoubleClick,
    kActionWheelUp,
    kActionWheelDown,
    kActionWebForward,
    kActionWebBackward,
    kActionVolumeUp,
    kActionVolumeDown,
    kActionMute,
    kActionExecute,
};

const std::array<std::string_view, kActionCount> kActionListTexts = {
    "Keys",
    "Cursor On/OFF & Speed",
    "Cursor On",
    "Mouse -> Cursor Up",
    "Mouse -> Cursor Down",
    "Mouse -> Cursor Right",
    "Mouse -> Cursor Left",
    "Mouse -> Left Click",
    "Mouse -> Left Double Click",
    "Mouse -> Right Click",
    "Mouse -> Right Double Click",
    "Mouse -> Middle Click",
    "Mouse -> Middle Double Click",
    "Mouse -> Wheel Up",
    "Mouse -> Wheel Down",
    "Web -> Forward",
    "Web -> Backward",
    "Mixer -> Volume Up",
    "Mixer -> Volume Down",
    "Mixer -> Mute",
    "Execute",
};

TWiimoteButtonAssign DefaultButtonAssign() {
  TWiimoteButtonAssign assign;
  for (int slot = 0; slot < kButtonCount; ++slot) {
    assign[slot].ActionType = std::string(kButtonSlots[slot].DefaultType);
    assign[slot].ActionValue = std::string(kButtonSlots[slot].DefaultValue);
  }
  return assign;
}

bool IsRepeatAction(std::string_view actionName) {
  return actionName == kActionKeys || actionName == kActionWheelUp ||
         actionName == kActionWheelDown || actionName == kActionWebForward ||
         actionName == kActionWebBackward || actionName == kActionVolumeUp ||
         actionName == kActionVolumeDown;
}

bool IsCursorStepAction(std::string_view actionName) {
  return actionName == kActionCursorUp || actionName == kActionCursorDown ||
         actionName == kActionCursorRight || actionName == kActionCursorLeft;
}

std::optional<std::string_view> ActionNameOfIndex(int row) {
  if (row < 0 || row >= kActionCount) return std::nullopt;
  return kActionNames[row];
}

std::optional<int> ActionIndexOfName(std::string_view actionName) {
  const auto it = std::find(kActionNames.begin(), kActionNames.end(), actionName);
  if (it == kActionNames.end()) return std::nullopt;
  return static_cast<int>(it - kActionNames.begin());
}

std::string ReplaceAll(std::string_view text, std::string_view search,
                       std::string_view replacement) {
  if (search.empty()) return std::string(text);
  std::string result;
  result.reserve(text.size());
  for (;;) {
    const std::size_t at = text.find(search);
    if (at == std::string_view::npos) break;
    result.append(text.substr(0, at));
    result.append(replacement);
    text.remove_prefix(at + search.size());
  }
  result.append(text);
  return result;
}

std::string RemoveWindowsKey(std::string_view text) {
  std::string result = ReplaceAll(text, "+Win+", "");
  result = ReplaceAll(result, "Win+", "");
  result = ReplaceAll(result, "+Win", "");
  return ReplaceAll(result, "Win", "");
}

namespace {

// Keys whose names are the program's own; every other key is named by the keyboard layout.
// An empty entry means "ask the layout". Every entry here is non-empty, so the two never mix.
constexpr std::array<std::string_view, 256> MakeFixedKeyNames() {
  std::array<std::string_view, 256> names{};
  names[8] = "BkSp";
  names[9] = "Tab";
  names[13] = "Enter";
  names[27] = "Esc";
  names[32] = "Space";
  names[33] = "PgUp";
  names[34] = "PgDn";
  names[35] = "End";
  names[36] = "Home";
  names[37] = "Left";
  names[38] = "Up";
  names[39] = "Right";
  names[40] = "Down";
  names[45] = "Ins";
  names[46] = "Del";
  constexpr std::string_view kDigits = "0123456789";
  constexpr std::string_view kLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  for (int i = 0; i < 10; ++i) {
    names['0' + i] = kDigits.substr(i, 1);  // main keyboard digits
    names[96 + i] = kDigits.substr(i, 1);   // keypad digits share the names
  }
  for (int i = 0; i < 26; ++i) names['A' + i] = kLetters.substr(i, 1);
  constexpr std::array<std::string_view, 24> kFunctionKeys = {
      "F1",  "F2",  "F3",  "F4",  "F5",  "F6",  "F7",  "F8",  "F9",  "F10", "F11", "F12",
      "F13", "F14", "F15", "F16", "F17", "F18", "F19", "F20", "F21", "F22", "F23", "F24"};
  for (int i = 0; i < 24; ++i) names[112 + i] = kFunctionKeys[i];
  return names;
}

constexpr std::array<std::string_view, 256> kFixedKeyNames = MakeFixedKeyNames();

constexpr char FoldCase(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  }
  return true;
}

// Removes `prefix` from the front of `text` when it is there in any letter case.
bool StripPrefixIgnoringCase(std::string_view& text, std::string_view prefix) {
  if (text.size() < prefix.size() || !EqualsIgnoringCase(text.substr(0, prefix.size()), prefix)) {
    return false;
  }
  text.remove_prefix(prefix.size());
  return true;
}

std::string KeyName(uint8_t virtualKey, KeyNames& keyNames) {
  const std::string_view fixed = kFixedKeyNames[virtualKey];
  if (!fixed.empty()) return std::string(fixed);
  return keyNames.NameOfKey(virtualKey);
}

}  // namespace

std::string ShortCutToText(uint16_t shortCut, KeyNames& keyNames) {
  const std::string name = KeyName(static_cast<uint8_t>(shortCut & 0xFF), keyNames);
  if (name.empty()) return {};
  std::string text;
  if (shortCut & kShortCutShift) text += "Shift+";
  if (shortCut & kShortCutCtrl) text += "Ctrl+";
  if (shortCut & kShortCutAlt) text += "Alt+";
  return text + name;
}

uint16_t TextToShortCut(std::string_view text, KeyNames& keyNames) {
  uint16_t modifiers = 0;
  for (;;) {
    if (StripPrefixIgnoringCase(text, "Shift+")) {
      modifiers |= kShortCutShift;
    } else if (StripPrefixIgnoringCase(text, "^") || StripPrefixIgnoringCase(text, "Ctrl+")) {
      modifiers |= kShortCutCtrl;
    } else if (StripPrefixIgnoringCase(text, "Alt+")) {
      modifiers |= kShortCutAlt;
    } else {
      break;
    }
  }
  if (text.empty()) return 0;
  // The lowest code whose name matches wins. Fixed names are compared in place; the layout is
  // asked, in the same order, only for the codes the fixed table leaves to it.
  for (int code = 8; code <= 0xFF; ++code) {
    const std::string_view fixed = kFixedKeyNames[code];
    const bool matches =
        fixed.empty() ? EqualsIgnoringCase(keyNames.NameOfKey(static_cast<uint8_t>(code)), text)
                      : EqualsIgnoringCase(fixed, text);
    if (matches) return static_cast<uint16_t>(code | modifiers);
  }
  return 0;
}

}  // namespace kv
