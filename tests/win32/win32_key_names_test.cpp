#include "platform/win32/win32_key_names.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "core/actions/catalogue.h"

namespace kv::win32_backend {
namespace {

// The key-combination texts made with the layout's real key names read back as the same texts:
// for every text t = ShortCutToText(w), ShortCutToText(TextToShortCut(t)) == t. Texts are read
// back as codes 8 and up only (below are the mouse buttons and Cancel, which no key combination
// holds), so words with such a code are left out: a layout may still name them (Wine's X11
// layout names 0x03 "Cancel"), and their texts read back as nothing.
TEST(Win32KeyNames, EveryProducedTextReadsBackAsItself) {
  Win32KeyNames keyNames;
  int named = 0;
  std::string broken;
  for (int code = 8; code <= 0xFF; ++code) {
    for (int modifiers = 0; modifiers < 8; ++modifiers) {
      const auto word = static_cast<uint16_t>(code | (modifiers << 13));
      const std::string text = ShortCutToText(word, keyNames);
      if (text.empty()) continue;
      ++named;
      const uint16_t back = TextToShortCut(text, keyNames);
      const std::string again = ShortCutToText(back, keyNames);
      if (again != text) {
        broken += "\n  word 0x" + std::to_string(word) + " '" + text + "' -> '" + again + "'";
      }
    }
  }
  EXPECT_EQ(broken, "");
  EXPECT_GT(named, 8 * 85);  // the fixed names at least, and some the layout gave
}

TEST(Win32KeyNames, NamesKeysOfTheLayoutAndNothingWithoutAScanCode) {
  Win32KeyNames keyNames;
  // Keys every layout has: their names come from the layout and are not empty.
  for (uint8_t key : {uint8_t{VK_SHIFT}, uint8_t{VK_CAPITAL}, uint8_t{VK_SPACE}}) {
    EXPECT_NE(keyNames.NameOfKey(key), "") << int(key);
  }
  // The name is the layout's name of the key's scan code, main-block key first.
  const UINT scan = MapVirtualKeyA(VK_CAPITAL, MAPVK_VK_TO_VSC);
  char expected[256] = {};
  ASSERT_GT(GetKeyNameTextA(static_cast<LONG>(scan << 16), expected, 256), 0);
  EXPECT_EQ(keyNames.NameOfKey(VK_CAPITAL), expected);
  // Codes no key produces map to no scan code and get no name.
  for (int code = 0; code <= 0xFF; ++code) {
    if (MapVirtualKeyA(static_cast<UINT>(code), MAPVK_VK_TO_VSC) == 0) {
      EXPECT_EQ(keyNames.NameOfKey(static_cast<uint8_t>(code)), "") << code;
    }
  }
  EXPECT_EQ(keyNames.NameOfKey(0), "");
}

}  // namespace
}  // namespace kv::win32_backend
