#pragma once

#include <windows.h>

namespace kv::winapp {

// Command IDs of the main menu and the tray's popup menu.
enum MenuCommand : WORD {
  kCmdMinimize = 101,
  kCmdExit = 102,
  kCmdCursorOnOff = 103,
  kCmdCalibrate = 104,
  kCmdInitializeIR = 105,
  kCmdPreference = 106,
  kCmdTrayShow = 111,
  kCmdTrayExit = 112,
};

// The main menu: "File" (Minimize, Exit) and "Option" (Cursor On/OFF, Calibrate Motion Sensor,
// Initialize IR Sensor, Preference), each item showing its Ctrl shortcut.
HMENU BuildMainMenu();

// The Ctrl shortcuts of the main menu's items, as an accelerator table.
HACCEL BuildAccelerators();

// The tray icon's popup menu: "Show" and "Exit".
HMENU BuildTrayPopupMenu();

}  // namespace kv::winapp
