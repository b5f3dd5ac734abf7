#include "winapp/main_window.h"

#include <algorithm>

#include "core/mainform/main_window_layout.h"
#include "core/tray/tray_icon.h"
#include "core/ui/timer_periods.h"
#include "core/ui/ui_dispatcher.h"
#include "platform/win32/win32_notify_area.h"
#include "winapp/main_menu.h"
#include "winapp/resource_ids.h"
#include "winapp/wide_text.h"

namespace kv::winapp {

namespace {

const wchar_t kWindowClass[] = L"KestrovaneMainWindow";

// Posted once per hand-off so the loop drains the user-interface queue.
constexpr UINT kDrainMessage = WM_APP + 1;
// Posted by the tray icon's minimise handler: hide the window once the minimise has finished.
constexpr UINT kHideMessage = WM_APP + 2;

// A fixed single-border window with a system menu and a minimise box, no maximise box. Not
// WS_CLIPCHILDREN: the group boxes leave their insides to the window's own background.
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

enum TimerId : UINT_PTR { kDrawTimer = 1, kMotionTimer, kRepeatTimer, kCursorTimer, kBatteryTimer };

// The tray icon's right-button menu on TrackPopupMenu; its commands reach the main window.
class WinTrayPopupMenu final : public TrayPopupMenu {
 public:
  WinTrayPopupMenu(HMENU menu, HWND owner) : menu_(menu), owner_(owner) {}
  void Popup(int x, int y) override {
    TrackPopupMenu(menu_, TPM_RIGHTBUTTON, x, y, 0, owner_, nullptr);
    // Lets the menu close when the user clicks elsewhere after it was dismissed.
    PostMessageW(owner_, WM_NULL, 0, 0);
  }

 private:
  HMENU menu_;
  HWND owner_;
};

bool RegisterWindowClass(HINSTANCE instance, WNDPROC proc) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = proc;
  windowClass.hInstance = instance;
  windowClass.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kAppIconId),
                                                    IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                                    GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
  windowClass.hIconSm = static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(kAppIconId), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                 GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kWindowClass;
  return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

void WindowTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (window_ == nullptr) return;
  if (enabled) {
    SetTimer(window_, id_, EffectiveTimerPeriod(requestedMs_), nullptr);
  } else {
    KillTimer(window_, id_);
  }
}

void WindowWakeTimer::Arm(uint32_t delayMs) {
  if (window_ == nullptr) return;
  SetTimer(window_, id_, std::max<UINT>(delayMs, USER_TIMER_MINIMUM), nullptr);
}

void WindowWakeTimer::Disarm() {
  if (window_ != nullptr) KillTimer(window_, id_);
}

void WindowWakeTimer::Expired() { Disarm(); }

MainWindow::MainWindow(const AppServices& services, SettingsSource settingsSource,
                       HINSTANCE instance)
    : services_(services),
      settingsSource_(settingsSource),
      instance_(instance),
      motionTimer_(kMotionTimer, kMotionTimerMs),
      drawWake_(kDrawTimer),
      repeatWake_(kRepeatTimer),
      cursorWake_(kCursorTimer),
      batteryWake_(kBatteryTimer) {}

MainWindow::~MainWindow() {
  StopTimers();
  timers_.reset();
  services_.Ui.SetWaker(nullptr);
  // The HID controller stops its read threads while it is destroyed with the logic; hand-offs
  // still queued are drained while it waits for them.
  logic_.reset();
  trayIcon_.reset();
  trayPopupMenu_.reset();
  notifyArea_.reset();
  if (window_ != nullptr) DestroyWindow(window_);
  if (trayMenu_ != nullptr) DestroyMenu(trayMenu_);
  if (accelerators_ != nullptr) DestroyAcceleratorTable(accelerators_);
}

bool MainWindow::Create(int showCommand) {
  if (!RegisterWindowClass(instance_, WindowProc)) return false;
  RECT frame{0, 0, kMainClientSize.Width, kMainClientSize.Height};
  AdjustWindowRectEx(&frame, kWindowStyle, TRUE, 0);
  window_ = CreateWindowExW(0, kWindowClass, kAppTitle, kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                            frame.right - frame.left, frame.bottom - frame.top, nullptr,
                            BuildMainMenu(), instance_, this);
  if (window_ == nullptr || !display_.Create(window_, instance_)) return false;
  accelerators_ = BuildAccelerators();
  motionTimer_.Attach(window_);
  for (WindowWakeTimer* wake : {&drawWake_, &repeatWake_, &cursorWake_, &batteryWake_}) {
    wake->Attach(window_);
  }
  SetShowPreferences(std::move(showPreferences_));

  // Worker threads hand their calls over through the dispatcher; one posted message per call
  // wakes the loop, which drains the queue on this thread.
  HWND window = window_;
  services_.Ui.SetWaker([window] { PostMessageW(window, kDrainMessage, 0, 0); });
  CreateTrayIcon();

  const MainFormServices logicServices{services_.Hid,   services_.Ui,       services_.Time,
                                       *this,           services_.Screen,   services_.Injector,
                                       services_.Keys,  services_.Launcher, services_.MixerDevices,
                                       services_.Files, motionTimer_};
  logic_ = std::make_unique<TMainFormLogic>(logicServices, kv::Wiimote, kv::Settings,
                                            services_.ConfigFile, settingsSource_);
  // The timers run from window creation on their fixed grids, also while a box opened by the
  // creation steps waits for the user, but wake the program only for ticks that can do
  // something.
  timers_ = std::make_unique<TMainFormTimers>(
      *logic_, services_.Time,
      MainFormWakeTimers{drawWake_, repeatWake_, cursorWake_, batteryWake_}, TickSchedule::Lazy,
      [this] { DrawTimerTimer(); }, [this] { return DisplayShown(); });
  timers_->Start();
  logic_->FormCreate();
  // A start minimised (MinimizeOnStartup) has shown the window already.
  if (!minimized_) ShowWindow(window_, showCommand == SW_HIDE ? SW_SHOWNORMAL : showCommand);
  // The display was not shown while the timers started: draw it now, and from here on as it
  // changes.
  timers_->DrawIfStale();
  timers_->Refresh();
  return true;
}

void MainWindow::CreateTrayIcon() {
  notifyArea_ = std::make_unique<win32_backend::Win32NotifyArea>();
  trayMenu_ = BuildTrayPopupMenu();
  trayPopupMenu_ = std::make_unique<WinTrayPopupMenu>(trayMenu_, window_);
  trayIcon_ = std::make_unique<TTrayIcon>(*notifyArea_, services_.Time, services_.Ui, *this);
  // No image set: the icon shows the executable's own icon.
  SetMainWindowTrayIconProperties(*trayIcon_);
  trayIcon_->RButtonPopupMenu = trayPopupMenu_.get();
  trayIcon_->OnDblClick = [this] { Restore(); };
  trayIcon_->SetOnError([this](const ENotifyIconError& error) { ShowError(error.what()); });
  trayIcon_->Loaded();
}

void MainWindow::SetShowPreferences(std::function<void(HWND)> show) {
  showPreferences_ = std::move(show);
  if (window_ == nullptr) return;
  EnableMenuItem(GetMenu(window_), kCmdPreference,
                 MF_BYCOMMAND | (showPreferences_ ? MF_ENABLED : MF_GRAYED));
}

int MainWindow::Run() {
  MSG message;
  while (!quit_) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0 || got == -1) break;
    Dispatch(message);
  }
  ExitSteps();
  return settingsSaved_ ? 0 : 1;
}

void MainWindow::Dispatch(MSG& message) {
  const bool ours = message.hwnd == window_ || IsChild(window_, message.hwnd);
  if (ours && accelerators_ != nullptr &&
      TranslateAcceleratorW(window_, accelerators_, &message) != 0) {
    return;
  }
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

void MainWindow::ProcessMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      quit_ = true;
      break;
    }
    Dispatch(message);
  }
  services_.Ui.Drain();
}

LRESULT CALLBACK MainWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr || self->window_ != window) {
    return DefWindowProcW(window, message, wParam, lParam);
  }
  return self->HandleMessage(message, wParam, lParam);
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kDrainMessage:
      services_.Ui.Drain();
      return 0;
    case kHideMessage:
      if (hiddenInTray_) ShowWindow(window_, SW_HIDE);
      return 0;
    case WM_TIMER:
      OnTimer(wParam);
      return 0;
    case WM_COMMAND:
      if (lParam == 0) OnCommand(LOWORD(wParam));  // menus and shortcuts, not controls
      return 0;
    case WM_SIZE:
      OnSize(wParam);
      return 0;
    case WM_CLOSE:
      RequestQuit();
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      // The session ends once this returns: save and leave the controller in order now.
      if (wParam != 0) {
        ExitSteps();
        RequestQuit();
      }
      return 0;
    default:
      return DefWindowProcW(window_, message, wParam, lParam);
  }
}

void MainWindow::OnCommand(WORD command) {
  switch (command) {
    case kCmdMinimize:
      Minimize();
      break;
    case kCmdExit:
      PostMessageW(window_, WM_CLOSE, 0, 0);
      break;
    case kCmdCursorOnOff:
      logic_->CursorOnOffButtonClick();
      break;
    case kCmdCalibrate:
      logic_->CalibrateButtonClick();
      break;
    case kCmdInitializeIR:
      logic_->IRResetButtonClick();
      break;
    case kCmdPreference:
      if (showPreferences_) showPreferences_(window_);
      // The dialog may have changed what the display shows (the rest values of the tilt).
      if (timers_) timers_->DisplayChanged();
      break;
    case kCmdTrayShow:
      Restore();
      break;
    case kCmdTrayExit:
      RequestQuit();
      break;
    default:
      break;
  }
}

void MainWindow::OnTimer(UINT_PTR id) {
  if (logic_ == nullptr || exitStepsDone_) return;
  switch (id) {
    case kMotionTimer:
      logic_->MotionTimerTimer();
      break;
    case kDrawTimer:
      drawWake_.Expired();
      timers_->DrawTimer().Fire();
      break;
    case kRepeatTimer:
      repeatWake_.Expired();
      timers_->RepeatTimer().Fire();
      break;
    case kCursorTimer:
      cursorWake_.Expired();
      timers_->CursorTimer().Fire();
      break;
    case kBatteryTimer:
      batteryWake_.Expired();
      timers_->BatteryTimer().Fire();
      break;
    default:
      break;
  }
}

void MainWindow::OnSize(WPARAM kind) {
  const bool minimized = kind == SIZE_MINIMIZED;
  if (minimized == minimized_ || (kind != SIZE_MINIMIZED && kind != SIZE_RESTORED)) return;
  minimized_ = minimized;
  if (!minimized) hiddenInTray_ = false;
  if (!minimized && timers_) {
    // Whatever changed while the display was hidden is drawn before the window is painted.
    timers_->DrawIfStale();
    timers_->Refresh();
  }
  try {
    if (minimized && onMinimize_) onMinimize_();
    if (!minimized && onRestore_) onRestore_();
  } catch (const ENotifyIconError& error) {
    // No notification area: the window stays minimised on the taskbar, where it can be found.
    ShowError(error.what());
  }
}

void MainWindow::DrawTimerTimer() {
  const DisplayState state{logic_->Histories(), logic_->WiimoteState(),
                           logic_->SettingsRecord().BaseX, logic_->SettingsRecord().BaseY,
                           logic_->CursorOn()};
  display_.DrawDisplay(state);
  display_.ShowStatus(state);
}

// Hidden in the notification area or minimised, the display is not drawn; it is drawn again as
// soon as the window is shown.
bool MainWindow::DisplayShown() const { return IsWindowVisible(window_) && !IsIconic(window_); }

void MainWindow::SetCaption(const std::string& caption) {
  SetWindowTextW(window_, Widen(caption).c_str());
}

void MainWindow::Minimize() { ShowWindow(window_, SW_MINIMIZE); }

void MainWindow::ShowError(const std::string& message) {
  MessageBoxW(window_, Widen(message).c_str(), kAppTitle, MB_OK | MB_ICONERROR);
}

bool MainWindow::IsMinimized() { return IsIconic(window_) != 0 || hiddenInTray_; }

void MainWindow::HideTaskbarEntry() {
  // A hidden window has no taskbar entry; hidden once the minimise has run its course.
  hiddenInTray_ = true;
  PostMessageW(window_, kHideMessage, 0, 0);
}

void MainWindow::BringToForeground() { SetForegroundWindow(window_); }

void MainWindow::BringMainFormToForeground() {
  SetForegroundWindow(window_);
  BringWindowToTop(window_);
}

void MainWindow::Restore() {
  hiddenInTray_ = false;
  ShowWindow(window_, SW_RESTORE);
  SetForegroundWindow(window_);
}

void MainWindow::RequestQuit() {
  quit_ = true;
  PostMessageW(window_, WM_NULL, 0, 0);  // wakes the loop
}

void MainWindow::ExitSteps() {
  // Once: after the loop ends, or earlier when the session ends.
  if (exitStepsDone_ || logic_ == nullptr) return;
  exitStepsDone_ = true;
  StopTimers();
  settingsSaved_ = logic_->FormDestroy();
}

void MainWindow::StopTimers() {
  motionTimer_.SetEnabled(false);
  if (timers_) timers_->Stop();
}

}  // namespace kv::winapp
