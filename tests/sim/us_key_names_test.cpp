#include "platform/sim/us_key_names.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "core/actions/catalogue.h"

namespace kv::sim {
namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Every text a word produces reads back as a word with the same text, in any letter case, and
// survives the removal of Windows-key parts that the dialog and key injection apply first.
TEST(UsKeyNames, EveryProducedTextReadsBack) {
  UsKeyNames keyNames;
  int named = 0;
  for (int code = 0; code <= 0xFF; ++code) {
    for (int modifiers = 0; modifiers < 8; ++modifiers) {
      const auto word = static_cast<uint16_t>(code | (modifiers << 13));
      const std::string text = ShortCutToText(word, keyNames);
      if (text.empty()) continue;
      ++named;
      const uint16_t back = TextToShortCut(text, keyNames);
      EXPECT_EQ(ShortCutToText(back, keyNames), text) << "word " << word;
      EXPECT_EQ(back & kShortCutModifiers, word & kShortCutModifiers) << text;
      EXPECT_EQ(TextToShortCut(Lower(text), keyNames), back) << text;
      EXPECT_EQ(RemoveWindowsKey(text), text);
    }
  }
  EXPECT_EQ(named, 8 * (85 + 34));  // 85 fixed names, 34 layout names
}

TEST(UsKeyNames, LeavesUnreachableAndFixedCodesUnnamed) {
  UsKeyNames keyNames;
  EXPECT_EQ(keyNames.NameOfKey(0xBB), "=");
  // Codes below 8 could never be read back; the fixed key names are not the layout's to give.
  for (int code : {0, 1, 3, 7, 65, 53, 13, 112}) {
    EXPECT_EQ(keyNames.NameOfKey(static_cast<uint8_t>(code)), "") << code;
  }
}

}  // namespace
}  // namespace kv::sim
