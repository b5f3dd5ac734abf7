#include "winapp/main_menu.h"

#include <vector>

#include "core/actions/catalogue.h"
#include "core/optionform/option_form_logic.h"
#include "winapp/wide_text.h"

namespace kv::winapp {

namespace {

KeyModifiers ModifiersOf(uint16_t shortCut) {
  return {.Shift = (shortCut & kShortCutShift) != 0,
          .Ctrl = (shortCut & kShortCutCtrl) != 0,
          .Alt = (shortCut & kShortCutAlt) != 0};
}

HMENU BuildPopup(std::span<const MenuItemLayout> items) {
  HMENU menu = CreatePopupMenu();
  for (const MenuItemLayout& item : items) {
    if (item.IsSeparator()) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    std::wstring text = Widen(item.Caption);
    if (item.ShortCut != 0) text += L"\t" + ShortCutMenuText(item.ShortCut);
    AppendMenuW(menu, MF_STRING, CommandIdOf(item.Command), text.c_str());
  }
  return menu;
}

}  // namespace

std::wstring ShortCutMenuText(uint16_t shortCut) {
  std::string text = ModifierText(ModifiersOf(shortCut));
  if (!text.empty()) text += '+';
  text += static_cast<char>(shortCut & 0xFF);
  return Widen(text);
}

HMENU BuildMainMenu() {
  HMENU bar = CreateMenu();
  for (const MenuLayout& layout : kMainMenu) {
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(BuildPopup(layout.Items)),
                Widen(layout.Caption).c_str());
  }
  return bar;
}

HACCEL BuildAccelerators() {
  std::vector<ACCEL> table;
  for (const MenuLayout& layout : kMainMenu) {
    for (const MenuItemLayout& item : layout.Items) {
      if (item.IsSeparator() || item.ShortCut == 0) continue;
      const KeyModifiers held = ModifiersOf(item.ShortCut);
      BYTE flags = FVIRTKEY;
      if (held.Shift) flags |= FSHIFT;
      if (held.Ctrl) flags |= FCONTROL;
      if (held.Alt) flags |= FALT;
      table.push_back({flags, static_cast<WORD>(item.ShortCut & 0xFF), CommandIdOf(item.Command)});
    }
  }
  return CreateAcceleratorTableW(table.data(), static_cast<int>(table.size()));
}

HMENU BuildTrayPopupMenu() { return BuildPopup(kTrayPopupMenu.Items); }

}  // namespace kv::winapp
