#pragma once

// The main window as data: its size and fonts, its components with their places, and its two
// menus with their items and shortcuts. The front ends build the window from these tables.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "core/ui/control_layout.h"

namespace kv {

// ----- Window and components -----

inline constexpr DisplaySize kMainClientSize{354, 275};
inline constexpr FontLayout kMainWindowFont{"MS Sans Serif", 11};
// The "Status" box's caption is a pixel larger than the rest of the window's text.
inline constexpr FontLayout kStatusGroupBoxFont{"MS Sans Serif", 12};
inline constexpr FontLayout kStatusListFont{"Terminal", 13};
inline constexpr int32_t kStatusListItemHeight = 13;

enum class MainControl : int8_t {
  Window = -1,
  ButtonsGroupBox,
  imgWiimote,
  GraphGroupBox,
  imgGraph,
  imgAxis,
  Label4,
  Label5,
  Label6,
  IRGroupBox,
  imgIR,
  StatusGroupBox,
  ButtonStatusListBox,
};
inline constexpr std::size_t kMainControlCount = 12;

// Every component in creation order, indexed by `MainControl`.
extern const std::array<ControlLayout<MainControl>, kMainControlCount> kMainWindowControls;

inline const ControlLayout<MainControl>& LayoutOf(MainControl control) {
  return kMainWindowControls[static_cast<std::size_t>(control)];
}

// ----- Menus -----

// What a menu item runs; the front end binds each to the window's handler of the same name.
enum class MenuCommand : uint8_t {
  None,         // a separator
  Minimize1,    // Minimize1Click
  Exit1,        // Exit1Click
  CursorOnOff,  // CursorOnOffButtonClick
  Calibrate,    // CalibrateButtonClick
  IRReset,      // IRResetButtonClick
  Option,       // OptionButtonClick
  ShowMenu,     // ShowMenuClick
  ExitMenu,     // ExitMenuClick
};

struct MenuItemLayout {
  std::string_view Name;  // component name; empty for a separator
  std::string_view Caption;
  uint16_t ShortCut = 0;  // shortcut word (virtual key | kShortCutCtrl ...), 0 for none
  MenuCommand Command = MenuCommand::None;

  bool IsSeparator() const { return Caption == "-"; }
};

struct MenuLayout {
  std::string_view Name;
  std::string_view Caption;
  std::span<const MenuItemLayout> Items;
};

// `MainMenu1`: "File" and "Option", left to right.
extern const std::array<MenuLayout, 2> kMainMenu;
// `TrayPopupMenu`: "Show" and "Exit".
extern const MenuLayout kTrayPopupMenu;

}  // namespace kv
