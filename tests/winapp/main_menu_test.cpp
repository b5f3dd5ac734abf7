// The Windows program's menus: the items, their order and the Ctrl shortcuts that reach them.
#include "winapp/main_menu.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace kv::winapp {
namespace {

std::vector<std::wstring> Items(HMENU menu) {
  std::vector<std::wstring> items;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    wchar_t text[128] = {};
    GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
    items.push_back(text[0] == L'\0' ? L"-" : text);
  }
  return items;
}

TEST(WinMainMenu, HasTheItemsInOrderWithTheirShortcuts) {
  HMENU bar = BuildMainMenu();
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(Items(bar), (std::vector<std::wstring>{L"File", L"Option"}));
  EXPECT_EQ(Items(GetSubMenu(bar, 0)),
            (std::vector<std::wstring>{L"Minimize\tCtrl+M", L"-", L"Exit\tCtrl+E"}));
  EXPECT_EQ(
      Items(GetSubMenu(bar, 1)),
      (std::vector<std::wstring>{L"Cursor On/OFF\tCtrl+S", L"-", L"Calibrate Motion Sensor\tCtrl+C",
                                 L"Initialize IR Sensor\tCtrl+R", L"-", L"Preference\tCtrl+P"}));
  DestroyMenu(bar);
}

TEST(WinMainMenu, EachShortcutReachesItsItem) {
  HACCEL table = BuildAccelerators();
  ASSERT_NE(table, nullptr);
  ACCEL entries[16];
  const int count = CopyAcceleratorTableW(table, entries, 16);
  std::map<char, WORD> commands;
  for (int i = 0; i < count; ++i) {
    EXPECT_EQ(entries[i].fVirt & (FVIRTKEY | FCONTROL | FSHIFT | FALT), FVIRTKEY | FCONTROL);
    commands[static_cast<char>(entries[i].key)] = entries[i].cmd;
  }
  const std::map<char, WORD> expected = {{'M', kCmdMinimize},     {'E', kCmdExit},
                                         {'S', kCmdCursorOnOff},  {'C', kCmdCalibrate},
                                         {'R', kCmdInitializeIR}, {'P', kCmdPreference}};
  EXPECT_EQ(commands, expected);
  DestroyAcceleratorTable(table);
}

TEST(WinTrayMenu, ShowsThenExits) {
  HMENU menu = BuildTrayPopupMenu();
  EXPECT_EQ(Items(menu), (std::vector<std::wstring>{L"Show", L"Exit"}));
  EXPECT_EQ(GetMenuItemID(menu, 0), kCmdTrayShow);
  EXPECT_EQ(GetMenuItemID(menu, 1), kCmdTrayExit);
  DestroyMenu(menu);
}

}  // namespace
}  // namespace kv::winapp
