#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/port/clock.h"
#include "core/port/input_injector.h"
#include "core/port/notify_area.h"
#include "core/tray/task_tray_icon.h"
#include "core/tray/tool_tip_style.h"
#include "core/tray/tray_services.h"
#include "core/ui/ui_dispatcher.h"

namespace kv {

enum class TBalloonIconType : uint32_t { bitNone = 0, bitInfo = 1, bitWarning = 2, bitError = 3 };

// The application's icon in the notification area. It is shown according to Visible and
// Minimized (with Minimized, only while the application is minimised, then also hiding the
// taskbar entry if HideOnTaskBar), turns the icon's mouse activity into events, and opens the
// button's popup menu on a press.
//
// Set the properties after construction, then call Loaded(); from then on property changes
// take effect at once. The icon chains itself into the application's minimise and restore
// handlers for its lifetime.
class TTrayIcon {
 public:
  using NotifyEvent = std::function<void()>;
  using MouseEvent = std::function<void(MouseButton button, TrayButtons shift, int x, int y)>;
  using MouseMoveEvent = std::function<void(TrayButtons shift, int x, int y)>;

  TTrayIcon(NotifyArea& area, Clock& clock, UiDispatcher& ui, TrayApplication& app);
  ~TTrayIcon();
  TTrayIcon(const TTrayIcon&) = delete;
  TTrayIcon& operator=(const TTrayIcon&) = delete;

  // Ends the set-up: shows the icon if it should be shown now.
  void Loaded();

  bool AutoPopup = true;
  bool HideOnTaskBar = false;
  // Icon resources by name; ResourceIconID (-1 none) picks the one shown when Icon is unset.
  std::vector<std::string> ResourceIconList;
  int ResourceIconID = -1;
  // Menus opened by a left or right press; owned by the application (see MenuDestroyed).
  TrayPopupMenu* LButtonPopupMenu = nullptr;
  TrayPopupMenu* RButtonPopupMenu = nullptr;

  IconHandle Icon() const { return icon_; }
  void SetIcon(IconHandle icon);
  const std::string& TipHelp() const { return task_.Tip(); }
  void SetTipHelp(std::string_view tip);
  bool Minimized() const { return minimized_; }
  void SetMinimized(bool minimized);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  bool DoForegroundWindow() const { return task_.DoForegroundWindow; }
  void SetDoForegroundWindow(bool value) { task_.DoForegroundWindow = value; }
  bool CheckSingleDoubleClick() const { return task_.Tracker().CheckSingleDoubleClick; }
  void SetCheckSingleDoubleClick(bool value) { task_.Tracker().CheckSingleDoubleClick = value; }
  void SetBalloonHelpTitle(std::string_view title) { task_.SetBalloonTitle(title); }
  void SetBalloonHelpText(std::string_view text) { task_.SetBalloonText(text); }
  void SetBalloonHelpTimeOut(uint32_t ms) { task_.SetBalloonTimeOut(ms); }
  void SetBalloonHelpIcon(TBalloonIconType icon) {
    task_.SetBalloonIcon(static_cast<uint32_t>(icon));
  }
  // Colours of the shell's tooltip (UseDefault leaves it alone).
  TToolTipStyle& ToolTipStyle() { return task_.Tracker(); }
  // Errors of a re-add after a taskbar restart, which no caller is there to catch.
  void SetOnError(std::function<void(const ENotifyIconError&)> handler) {
    task_.OnError = std::move(handler);
  }

  NotifyEvent OnDblClick;
  NotifyEvent OnRDblClick;
  MouseEvent OnMouseDown;
  MouseEvent OnMouseUp;
  MouseMoveEvent OnMouseMove;
  NotifyEvent OnMouseEnter;
  NotifyEvent OnMouseExit;
  MouseEvent OnMouseClick;

  // Visible, and either not tied to the minimised state or the application is minimised.
  bool ShouldShow();
  // Registers the icon (ENotifyIconError when the notification area refuses it).
  void ShowIcon();
  void HideIcon();
  // Refreshes the shown icon and tip.
  void UpdateIcon();
  // Icon if set, else the resource icon ResourceIconID names, else the application's icon.
  IconHandle CurrentIconHandle();
  bool IconAdded() const { return task_.IconAdded(); }
  const NotifyIconRecord& Record() const { return task_.Record(); }

  // The application destroys a menu: forget it where it is referred to.
  void MenuDestroyed(TrayPopupMenu* menu);

 private:
  void Dispatch(intptr_t wParam, uint32_t lParam);
  void DispatchButton(uint32_t lParam, Point cursor);
  void ButtonDown(MouseButton button, TrayPopupMenu* menu, Point cursor);
  void ApplicationMinimized();
  void ApplicationRestored();

  NotifyArea& area_;
  TrayApplication& app_;
  TTaskTrayIcon task_;
  bool loading_ = true;
  IconHandle icon_ = kNoIcon;
  bool minimized_ = false;
  bool visible_ = true;
  std::function<void()> previousOnMinimize_;
  std::function<void()> previousOnRestore_;
};

// The main window's tray icon as both front ends set it up before Loaded(): the program's name as
// its tip and balloon, shown only while the window is minimised and then instead of the taskbar
// entry, the window brought to the front for its menu, and single and double clicks told apart.
void SetMainWindowTrayIconProperties(TTrayIcon& icon);

}  // namespace kv
