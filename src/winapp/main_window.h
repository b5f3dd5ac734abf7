#pragma once

#include <windows.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "backends/app_services.h"
#include "core/mainform/main_form_logic.h"
#include "core/mainform/main_form_timers.h"
#include "core/port/main_view.h"
#include "core/port/timer.h"
#include "core/tray/tray_services.h"
#include "winapp/main_display.h"

namespace kv {
class TTrayIcon;
namespace win32_backend {
class Win32NotifyArea;
}  // namespace win32_backend
}  // namespace kv

namespace kv::winapp {

using kv::app::AppServices;

// One of the main window's timers: SetTimer on the window at the requested period, never
// faster than the window-timer floor.
class WindowTimer final : public Timer {
 public:
  WindowTimer(UINT_PTR id, uint32_t requestedMs) : id_(id), requestedMs_(requestedMs) {}
  void Attach(HWND window) { window_ = window; }
  void SetEnabled(bool enabled) override;
  bool Enabled() const override { return enabled_; }
  UINT_PTR Id() const { return id_; }

 private:
  HWND window_ = nullptr;
  UINT_PTR id_;
  uint32_t requestedMs_;
  bool enabled_ = false;
};

// A single-shot wake-up behind one of the core's grid timers: SetTimer on the window, taken
// down again when it fires. Window timers cannot fire sooner than the system's minimum.
class WindowWakeTimer final : public WakeTimer {
 public:
  explicit WindowWakeTimer(UINT_PTR id) : id_(id) {}
  void Attach(HWND window) { window_ = window; }
  void Arm(uint32_t delayMs) override;
  void Disarm() override;
  // The window's WM_TIMER for this id: ends the single shot.
  void Expired();
  UINT_PTR Id() const { return id_; }

 private:
  HWND window_ = nullptr;
  UINT_PTR id_;
};

// The main window: live display, menus with their shortcuts, caption, the five timers, the
// tray icon and the hand-off wake-up; the program's logic lives in the core.
class MainWindow final : public MainView, public TrayApplication {
 public:
  MainWindow(const AppServices& services, SettingsSource settingsSource, HINSTANCE instance);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Creates the window and its logic and shows it with `showCommand`. False (with the reason
  // shown) when the system refused the window.
  bool Create(int showCommand);

  // Runs the message loop until the window is closed, then runs the exit steps. The exit
  // status: 1 when the settings could not be saved, 0 otherwise.
  int Run();

  // The preferences dialog; "Preference" shows it modally. Empty leaves the item disabled.
  void SetShowPreferences(std::function<void(HWND)> show);

  HWND Handle() const { return window_; }
  HINSTANCE Instance() const { return instance_; }
  // Whether the program is ending (Exit, the close box, the tray's Exit, the session's end).
  bool QuitRequested() const { return quit_; }
  TMainFormLogic& Logic() { return *logic_; }

  // kv::MainView
  void SetCaption(const std::string& caption) override;
  void ProcessMessages() override;
  void Minimize() override;
  void ShowError(const std::string& message) override;

  // kv::TrayApplication
  bool IsMinimized() override;
  void HideTaskbarEntry() override;
  void BringToForeground() override;
  void BringMainFormToForeground() override;
  std::function<void()>& OnMinimize() override { return onMinimize_; }
  std::function<void()>& OnRestore() override { return onRestore_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void Dispatch(MSG& message);
  void OnCommand(WORD command);
  void OnTimer(UINT_PTR id);
  void OnSize(WPARAM kind);
  void DrawTimerTimer();
  bool DisplayShown() const;
  void CreateTrayIcon();
  void Restore();
  void RequestQuit();
  void ExitSteps();
  void StopTimers();

  AppServices services_;
  SettingsSource settingsSource_;
  HINSTANCE instance_;
  HWND window_ = nullptr;
  HACCEL accelerators_ = nullptr;
  HMENU trayMenu_ = nullptr;
  MainDisplay display_;
  WindowTimer motionTimer_;
  WindowWakeTimer drawWake_;
  WindowWakeTimer repeatWake_;
  WindowWakeTimer cursorWake_;
  WindowWakeTimer batteryWake_;
  std::function<void()> onMinimize_;
  std::function<void()> onRestore_;
  std::function<void(HWND)> showPreferences_;
  std::unique_ptr<win32_backend::Win32NotifyArea> notifyArea_;
  std::unique_ptr<TrayPopupMenu> trayPopupMenu_;
  std::unique_ptr<TTrayIcon> trayIcon_;
  std::unique_ptr<TMainFormLogic> logic_;
  std::unique_ptr<TMainFormTimers> timers_;
  bool minimized_ = false;
  bool hiddenInTray_ = false;
  bool quit_ = false;
  bool exitStepsDone_ = false;
  bool settingsSaved_ = true;
};

}  // namespace kv::winapp
