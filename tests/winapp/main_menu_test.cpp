// The Windows program's menus: the items, their order and the Ctrl shortcuts that reach them.
#include "winapp/main_menu.h"

#include "core/actions/catalogue.h"
#include "winapp/main_display.h"

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

namespace kv::winapp {
namespace {

TEST(WinMainMenu, ShortcutTextsNameEveryModifier) {
  EXPECT_EQ(ShortCutMenuText(kShortCutCtrl | 'P'), L"Ctrl+P");
  EXPECT_EQ(ShortCutMenuText(kShortCutShift | kShortCutCtrl | kShortCutAlt | '7'),
            L"Shift+Ctrl+Alt+7");
  EXPECT_EQ(ShortCutMenuText('Q'), L"Q");
}

// The display's components where the main window's table puts them: inside their boxes, whose
// offsets add up, with the captions of the table.
TEST(WinMainDisplay, ComponentsSitWhereTheTableSays) {
  HWND window = CreateWindowExW(0, L"STATIC", L"main", WS_OVERLAPPEDWINDOW, 0, 0, 400, 340, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  {
    MainDisplay display;
    ASSERT_TRUE(display.Create(window, GetModuleHandleW(nullptr)));
    std::map<std::wstring, RECT> children;
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
      wchar_t text[64] = {};
      GetWindowTextW(child, text, 64);
      RECT r;
      GetWindowRect(child, &r);
      MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
      children[text] = r;
    }
    const std::map<std::wstring, POINT> expected = {
        {L"Controller", {4, 0}}, {L"imgWiimote", {11, 26}}, {L"imgAxis", {268, 17}},
        {L"Z:Green", {185, 92}}, {L"IR Sensor", {82, 121}}, {L"imgIR", {91, 147}},
        {L"Status", {247, 121}}};
    for (const auto& [name, at] : expected) {
      ASSERT_TRUE(children.contains(name)) << "no component with the text of " << name.size();
      EXPECT_EQ(children[name].left, at.x);
      EXPECT_EQ(children[name].top, at.y);
    }
    EXPECT_EQ(children[L"Status"].right - children[L"Status"].left, 102);
    EXPECT_EQ(children[L"Controller"].bottom - children[L"Controller"].top, 270);
  }
  DestroyWindow(window);
}

}  // namespace
}  // namespace kv::winapp
