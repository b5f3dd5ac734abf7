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

TEST(Catalogue, DefaultAssignmentsAndButtonBits) {
  const std::vector<TButtonAssign> expected = {
      {"Keys", "Up"},   {"Keys", "Down"},          {"Keys", "Right"},
      {"Keys", "Left"}, {"Mouse->Left Click", ""}, {"Cursor ON/OFF", ""},
      {"Keys", "BkSp"}, {"Keys", "Enter"},         {"Mouse->Right Click", ""},
      {"Keys", "Tab"},  {"Keys", "Enter"}};
  const TWiimoteButtonAssign assign = DefaultButtonAssign();
  const uint16_t bits[] = {0x0800, 0x0400, 0x0200, 0x0100, 0x0008, 0x0004,
                           0x0080, 0x1000, 0x0010, 0x0002, 0x0001};
  const char* sections[] = {"Up",   "Down", "Right", "Left", "A", "B",
                            "Home", "Plus", "Minus", "1",    "2"};
  for (int slot = 0; slot < kButtonCount; ++slot) {
    EXPECT_EQ(assign[slot], expected[slot]) << "slot " << slot;
    EXPECT_EQ(kButtonSlots[slot].ButtonBit, bits[slot]) << "slot " << slot;
    EXPECT_EQ(kButtonSlots[slot].SectionName, sections[slot]);
  }
}

TEST(Catalogue, RowsNamesAndClassifications) {
  struct Row {
    const char* name;
    const char* listText;
    bool repeats;
    bool cursorStep;
  };
  const Row rows[kActionCount] = {
      {"Keys", "Keys", true, false},
      {"Cursor ON/OFF", "Cursor On/OFF & Speed", false, false},
      {"Cursor ON", "Cursor On", false, false},
      {"Mouse->Cursor Up", "Mouse -> Cursor Up", false, true},
      {"Mouse->Cursor Down", "Mouse -> Cursor Down", false, true},
      {"Mouse->Cursor Right", "Mouse -> Cursor Right", false, true},
      {"Mouse->Cursor Left", "Mouse -> Cursor Left", false, true},
      {"Mouse->Left Click", "Mouse -> Left Click", false, false},
      {"Mouse->Left Double Click", "Mouse -> Left Double Click", false, false},
      {"Mouse->Right Click", "Mouse -> Right Click", false, false},
      {"Mouse->Right Double Click", "Mouse -> Right Double Click", false, false},
      {"Mouse->Middle Click", "Mouse -> Middle Click", false, false},
      {"Mouse->Middle Double Click", "Mouse -> Middle Double Click", false, false},
      {"Mouse->Wheel Up", "Mouse -> Wheel Up", true, false},
      {"Mouse->Wheel Down", "Mouse -> Wheel Down", true, false},
      {"Web->Forward", "Web -> Forward", true, false},
      {"Web->Backward", "Web -> Backward", true, false},
      {"Mixer->Volume Up", "Mixer -> Volume Up", true, false},
      {"Mixer->Volume Down", "Mixer -> Volume Down", true, false},
      {"Mixer->Mute", "Mixer -> Mute", false, false},
      {"Execute", "Execute", false, false},
  };
  for (int i = 0; i < kActionCount; ++i) {
    const Row& row = rows[i];
    EXPECT_EQ(kActionNames[i], row.name);
    EXPECT_EQ(kActionListTexts[i], row.listText);
    EXPECT_EQ(ActionNameOfIndex(i), std::optional<std::string_view>(row.name));
    EXPECT_EQ(ActionIndexOfName(row.name), std::optional<int>(i));
    EXPECT_EQ(IsRepeatAction(row.name), row.repeats) << row.name;
    EXPECT_EQ(IsCursorStepAction(row.name), row.cursorStep) << row.name;
    // A list text is never a stored name unless both forms coincide.
    if (std::string_view(row.listText) != row.name) {
      EXPECT_EQ(ActionIndexOfName(row.listText), std::nullopt) << row.listText;
      EXPECT_FALSE(IsRepeatAction(row.listText) || IsCursorStepAction(row.listText));
    }
  }
}

TEST(Catalogue, TextsOutsideTheCatalogue) {
  for (const char* text : {"", "keys", "KEYS", "Keys ", "cursor on/off", "Mouse->Cursor up"}) {
    EXPECT_EQ(ActionIndexOfName(text), std::nullopt) << '"' << text << '"';
    EXPECT_FALSE(IsRepeatAction(text)) << '"' << text << '"';
    EXPECT_FALSE(IsCursorStepAction(text)) << '"' << text << '"';
  }
  for (int row : {-1, 21, 1000, -2147483647 - 1}) EXPECT_EQ(ActionNameOfIndex(row), std::nullopt);
}

TEST(ReplaceAll, ReplacesLeftToRightWithoutRescanning) {
  struct Case {
    const char* text;
    const char* search;
    const char* replacement;
    const char* expected;
  };
  const Case cases[] = {
      {"aXbXc", "X", "", "abc"},  {"WinWin", "Win", "", ""},
      {"aaa", "aa", "b", "ba"},   {"aaaa", "aa", "a", "aa"},  // no re-scan of replacements
      {"abc", "b", "bb", "abbc"}, {"xyz", "q", "r", "xyz"},
      {"", "X", "Y", ""},         {"abc", "abc", "", ""},
      {"abc", "abcd", "", "abc"}, {"win+d", "Win", "", "win+d"},  // case-sensitive
      {"text", "", "Z", "text"},                                  // an empty search changes nothing
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReplaceAll(c.text, c.search, c.replacement), c.expected)
        << c.text << " / " << c.search << " / " << c.replacement;
  }
}

TEST(ReplaceAll, WindowsKeyRemoval) {
  const std::pair<const char*, const char*> cases[] = {
      {"Win+D", "D"},
      {"Ctrl+Alt+Win", "Ctrl+Alt"},
      {"Win", ""},
      {"Ctrl+Win+D", "CtrlD"},
      {"Shift+D+Win", "Shift+D"},
      {"win+d", "win+d"},
      {"Win+Win+X", "X"},
      {"", ""},
      {"Ctrl+X", "Ctrl+X"},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(RemoveWindowsKey(text), expected) << text;
}

TEST(ShortCut, TextOfWords) {
  RecordingKeyNames keyNames;
  keyNames.names = {{0x6B, "Num +"}, {0x10, "Shift"}};
  const std::pair<uint16_t, const char*> cases[] = {
      {0x4000 + 88, "Ctrl+X"},
      {0xE000 + 116, "Shift+Ctrl+Alt+F5"},
      {13, "Enter"},
      {0xA000 + 8, "Shift+Alt+BkSp"},
      {97, "1"},  // keypad digits are named like the main ones
      {105, "9"},
      {112, "F1"},
      {135, "F24"},
      {136, ""},            // beyond F24: the layout has no name here
      {0x1000 + 'Q', "Q"},  // bits other than the modifiers are ignored
      {0xE000, ""},         // no key name means no text, modifiers or not
      {0xE000 + 0x6B, "Shift+Ctrl+Alt+Num +"},
      {0x4000 + 0x10, "Ctrl+Shift"},
  };
  for (const auto& [word, expected] : cases) EXPECT_EQ(ShortCutToText(word, keyNames), expected);
}

TEST(ShortCut, WordsOfTexts) {
  RecordingKeyNames keyNames;
  keyNames.names = {{0x6B, "Num +"}, {0x10, "Shift"}, {0x12, "Alt"}};
  const std::pair<const char*, uint16_t> cases[] = {
      {"Ctrl+X", 0x4058},
      {"alt+ctrl+x", 0xC058},
      {"Ctrl+Alt+X", 0xC058},
      {"^X", 0x4058},
      {"^^x", 0x4058},
      {"SHIFT+^Alt+f5", 0xE074},
      {"Enter", 13},
      {"eNTER", 13},
      {"5", 53},  // main key, not keypad 101
      {"Alt+Right", 0x8027},
      {"Alt+Left", 0x8025},
      {"f24", 135},
      {"Shift+Shift", 0x2010},
      {"Ctrl+Alt", 0x4012},
      {"Shift+Num +", 0x206B},
      {"Ctrl+", 0},
      {"", 0},
      {"CtrlD", 0},
      {"^", 0},
      {"Shift+Alt+", 0},
      {"Ctrl+X+", 0},
      {" X", 0},
      {"Ctrl +X", 0},
      {"F25", 0},
      {"Win+D", 0},
      {"Num", 0},
      {"X+Ctrl", 0},
  };
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
