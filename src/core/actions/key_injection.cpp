#include "core/actions/key_injection.h"

#include <string>

#include "core/actions/catalogue.h"
#include "core/port/input_injector.h"

namespace kv {

void SendKeyCombination(std::string_view text, InputInjector& injector, KeyNames& keyNames) {
  // The Windows key has no bit in a shortcut word, so it is recognised in the text itself
  // (case-sensitively) and taken out before the rest is parsed.
  const bool windows = text.find("Win") != std::string_view::npos;
  const uint16_t word =
      windows ? TextToShortCut(RemoveWindowsKey(text), keyNames) : TextToShortCut(text, keyNames);
  const auto key = static_cast<uint8_t>(word & 0xFF);
  const bool alt = (word & kShortCutAlt) != 0;
  const bool ctrl = (word & kShortCutCtrl) != 0;
  const bool shift = (word & kShortCutShift) != 0;

  if (alt) injector.KeyEvent(kVkMenu, true);
  if (ctrl) injector.KeyEvent(kVkControl, true);
  if (shift) injector.KeyEvent(kVkShift, true);
  if (windows) injector.KeyEvent(kVkLeftWindows, true);
  if (key != 0) {
    injector.KeyEvent(key, true);
    injector.KeyEvent(key, false);
  }
  if (windows) injector.KeyEvent(kVkLeftWindows, false);
  if (shift) injector.KeyEvent(kVkShift, false);
  if (ctrl) injector.KeyEvent(kVkControl, false);
  if (alt) injector.KeyEvent(kVkMenu, false);
}

}  // namespace kv
