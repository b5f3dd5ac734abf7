#include "winapp/main_menu.h"

#include <array>
#include <string>
#include <vector>

namespace kv::winapp {

namespace {

struct MenuItem {
  WORD Command;  // 0 = separator
  const wchar_t* Text;
  char CtrlKey;  // the shortcut's letter; 0 = none
};

constexpr std::array<MenuItem, 3> kFileItems{{
    {kCmdMinimize, L"Minimize", 'M'},
    {0, nullptr, 0},
    {kCmdExit, L"Exit", 'E'},
}};

constexpr std::array<MenuItem, 6> kOptionItems{{
    {kCmdCursorOnOff, L"Cursor On/OFF", 'S'},
    {0, nullptr, 0},
    {kCmdCalibrate, L"Calibrate Motion Sensor", 'C'},
    {kCmdInitializeIR, L"Initialize IR Sensor", 'R'},
    {0, nullptr, 0},
    {kCmdPreference, L"Preference", 'P'},
}};

template <std::size_t N>
HMENU BuildPopup(const std::array<MenuItem, N>& items) {
  HMENU menu = CreatePopupMenu();
  for (const MenuItem& item : items) {
    if (item.Command == 0) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    std::wstring text = item.Text;
    if (item.CtrlKey != 0) text += std::wstring(L"\tCtrl+") + static_cast<wchar_t>(item.CtrlKey);
    AppendMenuW(menu, MF_STRING, item.Command, text.c_str());
  }
  return menu;
}

template <std::size_t N>
void AddAccelerators(const std::array<MenuItem, N>& items, std::vector<ACCEL>& out) {
  for (const MenuItem& item : items) {
    if (item.Command == 0 || item.CtrlKey == 0) continue;
    out.push_back({FVIRTKEY | FCONTROL, static_cast<WORD>(item.CtrlKey), item.Command});
  }
}

}  // namespace

HMENU BuildMainMenu() {
  HMENU bar = CreateMenu();
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(BuildPopup(kFileItems)), L"File");
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(BuildPopup(kOptionItems)), L"Option");
  return bar;
}

HACCEL BuildAccelerators() {
  std::vector<ACCEL> table;
  AddAccelerators(kFileItems, table);
  AddAccelerators(kOptionItems, table);
  return CreateAcceleratorTableW(table.data(), static_cast<int>(table.size()));
}

HMENU BuildTrayPopupMenu() {
  HMENU menu = CreatePopupMenu();
  AppendMenuW(menu, MF_STRING, kCmdTrayShow, L"Show");
  AppendMenuW(menu, MF_STRING, kCmdTrayExit, L"Exit");
  return menu;
}

}  // namespace kv::winapp
