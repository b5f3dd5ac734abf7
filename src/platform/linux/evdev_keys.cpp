#include "platform/linux/evdev_keys.h"

#include <linux/input-event-codes.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <iterator>
#include <vector>

namespace kv::linux_backend {
namespace {

using KeyTable = std::array<uint16_t, 256>;

// Letters A..Z and digits 1..9 are not contiguous in evdev, which numbers keys by their place on
// the keyboard.
constexpr std::array<uint16_t, 26> kLetterKeys = {
    KEY_A, KEY_B, KEY_C, KEY_D, KEY_E, KEY_F, KEY_G, KEY_H, KEY_I, KEY_J, KEY_K, KEY_L, KEY_M,
    KEY_N, KEY_O, KEY_P, KEY_Q, KEY_R, KEY_S, KEY_T, KEY_U, KEY_V, KEY_W, KEY_X, KEY_Y, KEY_Z};
constexpr std::array<uint16_t, 10> kDigitKeys = {KEY_0, KEY_1, KEY_2, KEY_3, KEY_4,
                                                 KEY_5, KEY_6, KEY_7, KEY_8, KEY_9};
constexpr std::array<uint16_t, 10> kKeypadDigitKeys = {KEY_KP0, KEY_KP1, KEY_KP2, KEY_KP3, KEY_KP4,
                                                       KEY_KP5, KEY_KP6, KEY_KP7, KEY_KP8, KEY_KP9};
constexpr std::array<uint16_t, 24> kFunctionKeys = {
    KEY_F1,  KEY_F2,  KEY_F3,  KEY_F4,  KEY_F5,  KEY_F6,  KEY_F7,  KEY_F8,
    KEY_F9,  KEY_F10, KEY_F11, KEY_F12, KEY_F13, KEY_F14, KEY_F15, KEY_F16,
    KEY_F17, KEY_F18, KEY_F19, KEY_F20, KEY_F21, KEY_F22, KEY_F23, KEY_F24};

constexpr void AddEditingKeys(KeyTable& t) {
  t[0x08] = KEY_BACKSPACE;
  t[0x09] = KEY_TAB;
  t[0x0C] = KEY_KP5;  // "Clear" is keypad 5 without Num Lock
  t[0x0D] = KEY_ENTER;
  t[0x10] = KEY_LEFTSHIFT;
  t[0x11] = KEY_LEFTCTRL;
  t[0x12] = KEY_LEFTALT;
  t[0x13] = KEY_PAUSE;
  t[0x14] = KEY_CAPSLOCK;
  t[0x15] = KEY_KATAKANAHIRAGANA;
  t[0x19] = KEY_ZENKAKUHANKAKU;
  t[0x1B] = KEY_ESC;
  t[0x1C] = KEY_HENKAN;
  t[0x1D] = KEY_MUHENKAN;
  t[0x20] = KEY_SPACE;
  t[0x21] = KEY_PAGEUP;
  t[0x22] = KEY_PAGEDOWN;
  t[0x23] = KEY_END;
  t[0x24] = KEY_HOME;
  t[0x25] = KEY_LEFT;
  t[0x26] = KEY_UP;
  t[0x27] = KEY_RIGHT;
  t[0x28] = KEY_DOWN;
  t[0x29] = KEY_SELECT;
  t[0x2A] = KEY_PRINT;
  t[0x2C] = KEY_SYSRQ;  // the Print Screen key
  t[0x2D] = KEY_INSERT;
  t[0x2E] = KEY_DELETE;
  t[0x2F] = KEY_HELP;
  t[0x5B] = KEY_LEFTMETA;
  t[0x5C] = KEY_RIGHTMETA;
  t[0x5D] = KEY_COMPOSE;  // the menu key
  t[0x5F] = KEY_SLEEP;
}

constexpr void AddKeypadAndLocks(KeyTable& t) {
  t[0x6A] = KEY_KPASTERISK;
  t[0x6B] = KEY_KPPLUS;
  t[0x6C] = KEY_KPCOMMA;
  t[0x6D] = KEY_KPMINUS;
  t[0x6E] = KEY_KPDOT;
  t[0x6F] = KEY_KPSLASH;
  t[0x90] = KEY_NUMLOCK;
  t[0x91] = KEY_SCROLLLOCK;
  t[0xA0] = KEY_LEFTSHIFT;
  t[0xA1] = KEY_RIGHTSHIFT;
  t[0xA2] = KEY_LEFTCTRL;
  t[0xA3] = KEY_RIGHTCTRL;
  t[0xA4] = KEY_LEFTALT;
  t[0xA5] = KEY_RIGHTALT;
}

constexpr void AddBrowserAndMediaKeys(KeyTable& t) {
  t[0xA6] = KEY_BACK;
  t[0xA7] = KEY_FORWARD;
  t[0xA8] = KEY_REFRESH;
  t[0xA9] = KEY_STOP;
  t[0xAA] = KEY_SEARCH;
  t[0xAB] = KEY_BOOKMARKS;
  t[0xAC] = KEY_HOMEPAGE;
  t[0xAD] = KEY_MUTE;
  t[0xAE] = KEY_VOLUMEDOWN;
  t[0xAF] = KEY_VOLUMEUP;
  t[0xB0] = KEY_NEXTSONG;
  t[0xB1] = KEY_PREVIOUSSONG;
  t[0xB2] = KEY_STOPCD;
  t[0xB3] = KEY_PLAYPAUSE;
  t[0xB4] = KEY_MAIL;
  t[0xB5] = KEY_MEDIA;
  t[0xB6] = KEY_COMPUTER;
  t[0xB7] = KEY_CALC;
}

// The punctuation keys by their place on a US keyboard, as the virtual-key codes name them.
constexpr void AddPunctuationKeys(KeyTable& t) {
  t[0xBA] = KEY_SEMICOLON;
  t[0xBB] = KEY_EQUAL;
  t[0xBC] = KEY_COMMA;
  t[0xBD] = KEY_MINUS;
  t[0xBE] = KEY_DOT;
  t[0xBF] = KEY_SLASH;
  t[0xC0] = KEY_GRAVE;
  t[0xDB] = KEY_LEFTBRACE;
  t[0xDC] = KEY_BACKSLASH;
  t[0xDD] = KEY_RIGHTBRACE;
  t[0xDE] = KEY_APOSTROPHE;
  t[0xE2] = KEY_102ND;  // the extra key left of Z on ISO keyboards
}

constexpr KeyTable MakeKeyTable() {
  KeyTable t{};
  AddEditingKeys(t);
  for (std::size_t i = 0; i < kDigitKeys.size(); ++i) t[0x30 + i] = kDigitKeys[i];
  for (std::size_t i = 0; i < kLetterKeys.size(); ++i) t[0x41 + i] = kLetterKeys[i];
  for (std::size_t i = 0; i < kKeypadDigitKeys.size(); ++i) t[0x60 + i] = kKeypadDigitKeys[i];
  for (std::size_t i = 0; i < kFunctionKeys.size(); ++i) t[0x70 + i] = kFunctionKeys[i];
  AddKeypadAndLocks(t);
  AddBrowserAndMediaKeys(t);
  AddPunctuationKeys(t);
  return t;
}

constexpr KeyTable kKeyTable = MakeKeyTable();

}  // namespace

uint16_t EvdevKeyOfVirtualKey(uint8_t virtualKey) { return kKeyTable[virtualKey]; }

std::span<const uint16_t> EvdevKeysOfTable() {
  static const std::vector<uint16_t> keys = [] {
    std::vector<uint16_t> codes;
    std::copy_if(kKeyTable.begin(), kKeyTable.end(), std::back_inserter(codes),
                 [](uint16_t code) { return code != 0; });
    std::sort(codes.begin(), codes.end());
    codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
    return codes;
  }();
  return keys;
}

}  // namespace kv::linux_backend
