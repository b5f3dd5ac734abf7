#include "app/qt_virtual_keys.h"

#include <gtest/gtest.h>

#include <QKeyEvent>

#include "core/actions/catalogue.h"
#include "platform/sim/us_key_names.h"

namespace kv::app {
namespace {

// The keypad's digits and operators have codes of their own; its other keys share the main ones.
TEST(QtVirtualKeys, KeypadAndMainKeys) {
  const std::tuple<int, int, int> cases[] = {
      // Qt key, code on the keypad, code elsewhere
      {Qt::Key_0, 0x60, '0'},      {Qt::Key_9, 0x69, '9'},        {Qt::Key_Asterisk, 0x6A, '8'},
      {Qt::Key_Plus, 0x6B, 0xBB},  {Qt::Key_Minus, 0x6D, 0xBD},   {Qt::Key_Period, 0x6E, 0xBE},
      {Qt::Key_Slash, 0x6F, 0xBF}, {Qt::Key_Enter, 13, 13},       {Qt::Key_Home, 36, 36},
      {Qt::Key_Meta, 0x5B, 0x5B},  {Qt::Key_Super_R, 0x5C, 0x5C}, {Qt::Key_AltGr, 18, 18},
      {Qt::Key_unknown, 0, 0},     {Qt::Key_Adiaeresis, 0, 0}};
  for (const auto& [qtKey, keypad, main] : cases) {
    EXPECT_EQ(VirtualKeyOfQtKey(qtKey, true), keypad) << std::hex << qtKey;
    EXPECT_EQ(VirtualKeyOfQtKey(qtKey, false), main) << std::hex << qtKey;
  }
}

// Whatever a US keyboard types, plain or shifted, is captured as the key that carries it, under
// the name the key names give that key.
TEST(QtVirtualKeys, EveryTypedSymbolIsItsKey) {
  constexpr std::string_view kShifted = "!@#$%^&*():+<_>?~{|}\"";
  constexpr std::string_view kPlain = "1234567890;=,-./`[\\]'";
  sim::UsKeyNames keyNames;
  for (char symbol = '!'; symbol <= '~'; ++symbol) {
    if (symbol >= 'a' && symbol <= 'z') continue;  // Qt names letter keys in upper case only
    const std::size_t at = kShifted.find(symbol);
    const char key = at == std::string_view::npos ? symbol : kPlain[at];
    EXPECT_EQ(ShortCutToText(VirtualKeyOfQtKey(symbol, false), keyNames), std::string(1, key))
        << symbol;
  }
}

TEST(QtVirtualKeys, EventsUseTheirKeypadFlag) {
  const QKeyEvent keypad(QEvent::KeyPress, Qt::Key_7, Qt::KeypadModifier, "7");
  const QKeyEvent main(QEvent::KeyPress, Qt::Key_7, Qt::ShiftModifier, "&");
  EXPECT_EQ(VirtualKeyOfEvent(keypad), 0x67);
  EXPECT_EQ(VirtualKeyOfEvent(main), '7');
}

}  // namespace
}  // namespace kv::app
