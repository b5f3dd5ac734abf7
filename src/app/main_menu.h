#pragma once

#include <functional>

class QMenu;
class QMenuBar;
class QWidget;

namespace kv::app {

// What the main window's menu commands do. An empty handler makes its item do nothing.
struct MainMenuHandlers {
  std::function<void()> Minimize;
  std::function<void()> Exit;
  std::function<void()> CursorOnOff;
  std::function<void()> Calibrate;
  std::function<void()> InitializeIR;
  std::function<void()> Preference;
};

// Adds the "File" and "Option" menus with their items and shortcuts to the window's menu bar.
void BuildMainMenu(QMenuBar* bar, const MainMenuHandlers& handlers);

// The tray icon's popup menu, "Show" and "Exit", owned by `parent` (by the caller if null).
QMenu* BuildTrayPopupMenu(QWidget* parent, std::function<void()> show, std::function<void()> exit);

}  // namespace kv::app
