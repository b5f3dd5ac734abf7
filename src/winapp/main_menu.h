#pragma once

#include <windows.h>

#include <string>

#include "core/mainform/main_window_layout.h"

namespace kv::winapp {

// The command ID a menu item of the main window's tables sends.
constexpr WORD CommandIdOf(kv::MenuCommand command) {
  return static_cast<WORD>(100 + static_cast<int>(command));
}

inline constexpr WORD kCmdMinimize = CommandIdOf(kv::MenuCommand::Minimize1);
inline constexpr WORD kCmdExit = CommandIdOf(kv::MenuCommand::Exit1);
inline constexpr WORD kCmdCursorOnOff = CommandIdOf(kv::MenuCommand::CursorOnOff);
inline constexpr WORD kCmdCalibrate = CommandIdOf(kv::MenuCommand::Calibrate);
inline constexpr WORD kCmdInitializeIR = CommandIdOf(kv::MenuCommand::IRReset);
inline constexpr WORD kCmdPreference = CommandIdOf(kv::MenuCommand::Option);
inline constexpr WORD kCmdTrayShow = CommandIdOf(kv::MenuCommand::ShowMenu);
inline constexpr WORD kCmdTrayExit = CommandIdOf(kv::MenuCommand::ExitMenu);

// A shortcut word as a menu shows it beside the caption ("Ctrl+M"): the menus' keys are letters
// and digits, whose virtual-key codes are their characters.
std::wstring ShortCutMenuText(uint16_t shortCut);

// The main menu from the main window's table (`MainMenu1`), each item showing its shortcut.
HMENU BuildMainMenu();

// The shortcuts of the main menu's items, as an accelerator table.
HACCEL BuildAccelerators();

// The tray icon's popup menu from its table: "Show" and "Exit".
HMENU BuildTrayPopupMenu();

}  // namespace kv::winapp
