// The uinput backend's key table against the program's key names and against the keys the X11
// backend types, so that a key combination means the same key on Wayland as on X11.
#include "platform/linux/evdev_keys.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

// After the test framework: Xlib's macros (None, Bool, Status) clash with its names.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>

#include "core/actions/catalogue.h"
#include "platform/linux/x11_input_injector.h"
#include "platform/sim/us_key_names.h"
#include "support/xvfb_server.h"

namespace kv::linux_backend {
namespace {

// The keys a key combination can name: the program's own names and the layout's.
std::map<int, std::string> NamedKeys() {
  sim::UsKeyNames names;
  std::map<int, std::string> named;
  for (int vk = 0; vk <= 0xFF; ++vk) {
    std::string name = ShortCutToText(static_cast<uint16_t>(vk), names);
    if (!name.empty()) named[vk] = name;
  }
  return named;
}

TEST(EvdevKeysTest, EveryKeyACombinationCanNameIsTyped) {
  const std::map<int, std::string> named = NamedKeys();
  ASSERT_GT(named.size(), 100u);
  for (const auto& [vk, name] : named) {
    EXPECT_NE(EvdevKeyOfVirtualKey(static_cast<uint8_t>(vk)), 0) << name;
  }
}

TEST(EvdevKeysTest, DifferentKeysTypeDifferentEvdevKeys) {
  // Deliberately the same key: a modifier and its left-hand key, "Clear" and keypad 5.
  const std::set<std::pair<int, int>> aliases = {
      {0x10, 0xA0}, {0x11, 0xA2}, {0x12, 0xA4}, {0x0C, 0x65}};
  std::map<uint16_t, int> owner;
  for (int vk = 0; vk <= 0xFF; ++vk) {
    const uint16_t code = EvdevKeyOfVirtualKey(static_cast<uint8_t>(vk));
    if (code == 0) continue;
    const auto [it, inserted] = owner.emplace(code, vk);
    if (!inserted) {
      EXPECT_TRUE(aliases.contains({it->second, vk}))
          << "virtual keys " << it->second << " and " << vk << " both type evdev key " << code;
    }
  }
  // The declared key list is exactly the table's codes.
  EXPECT_EQ(EvdevKeysOfTable().size(), owner.size());
}

// The X server's keymap (evdev rules, US layout, as a Wayland compositor uses by default) puts
// evdev key N at X keycode N + 8: there the symbol must be the one the X11 backend types.
TEST(EvdevKeysTest, EachKeyCarriesTheSymbolTheX11BackendTypes) {
  test::XvfbServer xvfb;
  ASSERT_TRUE(xvfb.Start(640, 480));
  Display* display = XOpenDisplay(nullptr);
  ASSERT_NE(display, nullptr);
  // Known differences, where uinput types the key a real keyboard has and the X11 backend the
  // symbol the program names: "Clear" is keypad 5; Select lies beyond X's 255 keycodes; the
  // Kanji key and the keypad separator exist only in Japanese and Brazilian layouts; the
  // default keymap gives F13..F24 launcher symbols (XF86Tools, ...); a keyboard's browser Refresh
  // and Stop keys give XF86Reload and Cancel.
  std::set<int> expectedDifferences = {0x0C, 0x19, 0x29, 0x6C, 0xA8, 0xA9};
  for (int vk = 0x7C; vk <= 0x87; ++vk) expectedDifferences.insert(vk);
  std::set<int> differences;
  for (int vk = 0; vk <= 0xFF; ++vk) {
    const uint16_t code = EvdevKeyOfVirtualKey(static_cast<uint8_t>(vk));
    const unsigned long sym = KeySymOfVirtualKey(static_cast<uint8_t>(vk));
    if (code == 0 || sym == 0) continue;
    const int keycode = code + 8;
    const bool found = keycode <= 255 &&
                       (XkbKeycodeToKeysym(display, static_cast<KeyCode>(keycode), 0, 0) == sym ||
                        XkbKeycodeToKeysym(display, static_cast<KeyCode>(keycode), 0, 1) == sym);
    if (!found) differences.insert(vk);
  }
  XCloseDisplay(display);
  for (int vk : differences) {
    EXPECT_TRUE(expectedDifferences.contains(vk))
        << "virtual key 0x" << std::hex << vk << ": evdev key " << std::dec
        << EvdevKeyOfVirtualKey(static_cast<uint8_t>(vk)) << " is not X key symbol 0x" << std::hex
        << KeySymOfVirtualKey(static_cast<uint8_t>(vk));
  }
}

}  // namespace
}  // namespace kv::linux_backend
