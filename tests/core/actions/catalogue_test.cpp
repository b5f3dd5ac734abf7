#include "core/actions/catalogue.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/port/key_names.h"

namespace kv {
namespace {

// Names keys from a map and records every code it is asked about.
class RecordingKeyNames final : public KeyNames {
 public:
  std::string NameOfKey(uint8_t virtualKey) override {
    asked.push_back(virtualKey);
    const auto it = names.find(virtualKey);
    return it == names.end() ? std::string() : it->second;
  }
  std::map<uint8_t, std::string> names;
  std::vector<int> asked;
};

// The codes whose names key combinations fix themselves, listed independently of the code.
std::set<int> FixedTableCodes() {
  std::set<int> codes = {8, 9, 13, 27, 45, 46};
  for (int c = 32; c <= 40; ++c) codes.insert(c);
  for (int c = 48; c <= 57; ++c) codes.insert(c);
  for (int c = 65; c <= 90; ++c) codes.insert(c);
  for (int c = 96; c <= 105; ++c) codes.insert(c);
  for (int c = 112; c <= 135; ++c) codes.insert(c);
  return codes;
}

TEST(Catalogue, DefaultAssignments) {
  // clang-format off
  const TWiimoteButtonAssign expected = {{
      {"Keys", "Up"}, {"Keys", "Down"}, {"Keys", "Right"}, {"Keys", "Left"},
      {"Mouse->Left Click", ""}, {"Cursor ON/OFF", ""}, {"Keys", "BkSp"}, {"Keys", "Enter"},
      {"Mouse->Right Click", ""}, {"Keys", "Tab"}, {"Keys", "Enter"}}};
  // clang-format on
  EXPECT_EQ(DefaultButtonAssign(), expected);
  uint16_t allBits = 0;
  for (const ButtonSlotInfo& slot : kButtonSlots) allBits |= slot.ButtonBit;
  EXPECT_EQ(allBits, 0x1F9F);  // eleven distinct bits; 0x0060 and 0xE000 drive no button
}

TEST(Catalogue, StoredNamesListTextsAndClassifications) {
  int repeats = 0;
  int cursorSteps = 0;
  for (int row = 0; row < kActionCount; ++row) {
    const std::string_view name = kActionNames[row];
    EXPECT_EQ(ActionNameOfIndex(row), std::optional<std::string_view>(name));
    EXPECT_EQ(ActionIndexOfName(name), std::optional<int>(row));
    repeats += IsRepeatAction(name);
    cursorSteps += IsCursorStepAction(name);
    const std::string_view listText = kActionListTexts[row];
    if (row == kActionRowKeys || row == kActionRowExecute) {
      EXPECT_EQ(listText, name);
    } else {  // a list text is shown, never stored: it names no action
      EXPECT_EQ(ActionIndexOfName(listText), std::nullopt) << listText;
      EXPECT_FALSE(IsRepeatAction(listText) || IsCursorStepAction(listText)) << listText;
    }
  }
  EXPECT_EQ(repeats, 7);
  EXPECT_EQ(cursorSteps, 4);
  EXPECT_EQ(ActionIndexOfName("Cursor ON/OFF"), 1);
  EXPECT_EQ(kActionListTexts[1], "Cursor On/OFF & Speed");
  EXPECT_FALSE(IsRepeatAction("Mixer->Mute") || IsRepeatAction("Execute"));
  EXPECT_TRUE(IsCursorStepAction("Mouse->Cursor Left"));
  for (const char* text : {"", "keys", "Keys ", "cursor on/off", "Mouse->Cursor up"}) {
    EXPECT_EQ(ActionIndexOfName(text), std::nullopt) << '"' << text << '"';
    EXPECT_FALSE(IsRepeatAction(text) || IsCursorStepAction(text)) << '"' << text << '"';
  }
  for (int row : {-1, 21, -2147483647 - 1}) EXPECT_EQ(ActionNameOfIndex(row), std::nullopt);
}

TEST(ReplaceAll, ReplacesLeftToRightWithoutRescanning) {
  struct Case {
    const char *text, *search, *replacement, *expected;
  };
  const Case cases[] = {{"aXbXc", "X", "", "abc"},     {"WinWin", "Win", "", ""},
                        {"aaa", "aa", "b", "ba"},      {"aaaa", "aa", "a", "aa"},
                        {"abc", "b", "bb", "abbc"},    {"abc", "abcd", "", "abc"},
                        {"win+d", "Win", "", "win+d"}, {"text", "", "Z", "text"}};
  for (const Case& c : cases) {
    EXPECT_EQ(ReplaceAll(c.text, c.search, c.replacement), c.expected) << c.text << "/" << c.search;
  }
}

TEST(ReplaceAll, WindowsKeyRemoval) {
  const std::pair<const char*, const char*> cases[] = {
      {"Win+D", "D"},          {"Ctrl+Alt+Win", "Ctrl+Alt"}, {"Win", ""},
      {"Ctrl+Win+D", "CtrlD"}, {"Shift+D+Win", "Shift+D"},   {"win+d", "win+d"},
      {"Win+Win+X", "X"}};
  for (const auto& [text, expected] : cases) EXPECT_EQ(RemoveWindowsKey(text), expected) << text;
}

TEST(ShortCut, TextOfWords) {
  RecordingKeyNames keyNames;
  keyNames.names = {{0x6B, "Num +"}, {0x10, "Shift"}};
  // Keypad digits share the main names; bits other than the modifiers are ignored; a key without
  // a name gives no text whatever the modifiers.
  // clang-format off
  const std::pair<uint16_t, const char*> cases[] = {
      {0x4000 + 88, "Ctrl+X"}, {0xE000 + 116, "Shift+Ctrl+Alt+F5"}, {13, "Enter"},
      {0xA000 + 8, "Shift+Alt+BkSp"}, {97, "1"}, {105, "9"}, {135, "F24"}, {0x1000 + 'Q', "Q"},
      {0xE000 + 136, ""}, {0xE000 + 0x6B, "Shift+Ctrl+Alt+Num +"}, {0x4000 + 0x10, "Ctrl+Shift"}};
  // clang-format on
  for (const auto& [word, expected] : cases) EXPECT_EQ(ShortCutToText(word, keyNames), expected);
}

TEST(ShortCut, WordsOfTexts) {
  RecordingKeyNames keyNames;
  keyNames.names = {{0x6B, "Num +"}, {0x10, "Shift"}, {0x12, "Alt"}};
  // "5" is the main keyboard's key, never keypad 101; names are not trimmed.
  // clang-format off
  const std::pair<const char*, uint16_t> cases[] = {
      {"Ctrl+X", 0x4058}, {"alt+ctrl+x", 0xC058}, {"^X", 0x4058}, {"^^x", 0x4058},
      {"SHIFT+^Alt+f5", 0xE074}, {"eNTER", 13}, {"5", 53}, {"Alt+Right", 0x8027},
      {"Shift+Shift", 0x2010}, {"Ctrl+Alt", 0x4012}, {"Shift+Num +", 0x206B}, {"Ctrl+", 0},
      {"", 0}, {"CtrlD", 0}, {"^", 0}, {"Ctrl+X+", 0}, {" X", 0}, {"Ctrl +X", 0}, {"F25", 0},
      {"Win+D", 0}, {"X+Ctrl", 0}};
  // clang-format on
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(TextToShortCut(text, keyNames), expected) << '"' << text << '"';
  }
}

TEST(ShortCut, LayoutIsAskedExactlyForCodesOutsideTheFixedTable) {
  const std::set<int> fixed = FixedTableCodes();
  RecordingKeyNames keyNames;
  std::vector<int> expected;
  for (int code = 0; code <= 0xFF; ++code) {
    keyNames.asked.clear();
    const std::string text = ShortCutToText(static_cast<uint16_t>(code), keyNames);
    if (fixed.count(code)) {
      EXPECT_TRUE(keyNames.asked.empty()) << code;
      EXPECT_FALSE(text.empty()) << code;
    } else {
      EXPECT_EQ(keyNames.asked, std::vector<int>{code});
      EXPECT_EQ(text, "") << code;
      if (code >= 8) expected.push_back(code);
    }
  }
  // A text that names no key asks the layout once for each of those codes, upward from 8.
  keyNames.asked.clear();
  EXPECT_EQ(TextToShortCut("Nothing", keyNames), 0);
  EXPECT_EQ(keyNames.asked, expected);
}

TEST(ShortCut, LowestMatchingCodeWinsAcrossLayoutAndFixedNames) {
  RecordingKeyNames keyNames;
  keyNames.names = {{10, "a"}, {20, "Enter"}, {200, "Zoom"}, {201, "zoom"}};
  EXPECT_EQ(TextToShortCut("A", keyNames), 10);      // layout code 10 comes before letter 65
  EXPECT_EQ(TextToShortCut("Enter", keyNames), 13);  // fixed 13 comes before layout code 20
  EXPECT_EQ(TextToShortCut("ZOOM", keyNames), 200);
  // The search stops at the match: nothing above code 13 is asked for "Enter".
  keyNames.asked.clear();
  TextToShortCut("Enter", keyNames);
  EXPECT_EQ(keyNames.asked, (std::vector<int>{10, 11, 12}));
}

}  // namespace
}  // namespace kv
