#include "platform/win32/win32_notify_area.h"

#include <windows.h>
// After windows.h, whose types they use.
#include <commctrl.h>
#include <shellapi.h>
// The port's method of that name, not the system's narrow-or-wide switch.
#undef LoadIcon

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

namespace kv::win32_backend {

namespace {

constexpr char kWindowClass[] = "TaskTrayHandle";
constexpr UINT kTipMessageTimeoutMs = 1000;
constexpr uint32_t kDefaultDoubleClickMs = 500;

// What shell32's DllGetVersion fills in; its size field must say 20.
struct ShellDllVersion {
  DWORD Size;
  DWORD Major;
  DWORD Minor;
  DWORD Build;
  DWORD Platform;
};
static_assert(sizeof(ShellDllVersion) == 20);
using DllGetVersionFunction = HRESULT(CALLBACK*)(ShellDllVersion*);

// How many areas use the window class (all on the user-interface thread).
int classUsers = 0;

LRESULT CALLBACK TrayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* area = reinterpret_cast<Win32NotifyArea*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  intptr_t result = 0;
  if (area != nullptr && area->HandleMessage(message, wParam, lParam, result)) return result;
  return DefWindowProcA(window, message, wParam, lParam);
}

bool UseClass() {
  if (classUsers == 0) {
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = TrayWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, "MAINICON");
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kWindowClass;
    if (RegisterClassA(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
      return false;
    }
  }
  ++classUsers;
  return true;
}

void ReleaseClass() {
  if (--classUsers == 0) UnregisterClassA(kWindowClass, GetModuleHandleA(nullptr));
}

std::string SystemDirectoryFile(const char* name) {
  char directory[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryA(directory, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return name;
  return std::string(directory, length) + "\\" + name;
}

// The "FileVersion" text of the file's first translation; empty when there is none.
std::string FileVersionText(const std::string& file) {
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(file.c_str(), &handle);
  if (size == 0) return {};
  std::vector<char> info(size);
  if (!GetFileVersionInfoA(file.c_str(), 0, size, info.data())) return {};
  void* translation = nullptr;
  UINT translationSize = 0;
  if (!VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", &translation, &translationSize) ||
      translationSize < 2 * sizeof(WORD)) {
    return {};
  }
  const auto* words = static_cast<const WORD*>(translation);
  char path[64];
  std::snprintf(path, sizeof path, "\\StringFileInfo\\%04x%04x\\FileVersion", words[0], words[1]);
  void* text = nullptr;
  UINT textSize = 0;
  if (!VerQueryValueA(info.data(), path, &text, &textSize) || textSize == 0) return {};
  const auto* chars = static_cast<const char*>(text);
  return std::string(chars, strnlen(chars, textSize));
}

// The top-level tooltip window of the process that owns the taskbar, shown or not (style bit
// 0x2 marks the other tooltips of that process); null if there is none.
HWND FindShellTipWindow() {
  const HWND taskbar = FindWindowA("Shell_TrayWnd", nullptr);
  if (taskbar == nullptr) return nullptr;
  DWORD shellProcess = 0;
  GetWindowThreadProcessId(taskbar, &shellProcess);
  HWND tip = nullptr;
  while ((tip = FindWindowExA(nullptr, tip, "tooltips_class32", nullptr)) != nullptr) {
    DWORD process = 0;
    GetWindowThreadProcessId(tip, &process);
    if (process == shellProcess && (GetWindowLongA(tip, GWL_STYLE) & 0x2) == 0) return tip;
  }
  return nullptr;
}

BOOL CALLBACK TakeFirstName(HMODULE, LPCSTR, LPSTR name, LONG_PTR found) {
  auto* icon = reinterpret_cast<HICON*>(found);
  *icon = LoadIconA(GetModuleHandleA(nullptr), name);
  return FALSE;  // the first one only
}

void CopyText(char* target, size_t capacity, const std::string& text) {
  const size_t length = std::min(text.size(), capacity - 1);
  std::memcpy(target, text.data(), length);
  target[length] = '\0';
}

}  // namespace

Win32NotifyArea::Win32NotifyArea() : shellVersion_(ReadShellVersion()) {
  tipWindow_ = FindShellTipWindow();
  if (!UseClass()) {
    windowError_ = GetLastError();
    return;
  }
  window_ = CreateWindowExA(WS_EX_TOOLWINDOW, kWindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr,
                            nullptr, GetModuleHandleA(nullptr), this);
  if (window_ == nullptr) {
    windowError_ = GetLastError();
    ReleaseClass();
  }
}

Win32NotifyArea::~Win32NotifyArea() {
  if (window_ == nullptr) return;
  sink_ = nullptr;
  DestroyWindow(static_cast<HWND>(window_));  // its timers go with it
  ReleaseClass();
}

uint32_t Win32NotifyArea::TaskbarCreatedMessage() {
  static const UINT message = RegisterWindowMessageA("TaskbarCreated");
  return message;
}

uint32_t Win32NotifyArea::ParseFileVersion(const std::string& text) {
  const auto digit = [&](size_t i) {
    return i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) != 0;
  };
  if (!digit(0) || !digit(2)) return 0;
  uint32_t minor = static_cast<uint32_t>(text[2] - '0');
  if (digit(3)) minor = minor * 10 + static_cast<uint32_t>(text[3] - '0');
  return (static_cast<uint32_t>(text[0] - '0') << 16) | minor;
}

uint32_t Win32NotifyArea::ReadShellVersion() {
  const std::string file = SystemDirectoryFile("shell32.dll");
  uint32_t version = ParseFileVersion(FileVersionText(file));
  // Loaded by full path, so no other file of that name is picked up.
  const HMODULE shell = LoadLibraryA(file.c_str());
  if (shell == nullptr) return version;
  const auto getVersion =
      reinterpret_cast<DllGetVersionFunction>(reinterpret_cast<void (*)()>(  // any signature
          GetProcAddress(shell, "DllGetVersion")));
  ShellDllVersion info{};
  info.Size = sizeof info;
  if (getVersion != nullptr && SUCCEEDED(getVersion(&info))) {
    version = (info.Major << 16) + (info.Minor & 0xFFFF);
  }
  FreeLibrary(shell);
  return version;
}

bool Win32NotifyArea::Request(NotifyRequest request, const NotifyIconRecord& record) {
  if (window_ == nullptr) {
    lastError_ = windowError_ != 0 ? windowError_ : kErrorGenFailure;
    return false;
  }
  NOTIFYICONDATAA data{};
  data.cbSize =
      record.Size >= kNotifyRecordSizeLong ? NOTIFYICONDATAA_V2_SIZE : NOTIFYICONDATAA_V1_SIZE;
  data.hWnd = static_cast<HWND>(window_);
  data.uID = record.Id;
  data.uFlags = record.Flags;
  data.uCallbackMessage = record.CallbackMessage;
  data.hIcon = reinterpret_cast<HICON>(record.Icon);
  // The short form's tip field holds 64 bytes, the long form's 128.
  CopyText(data.szTip, data.cbSize >= NOTIFYICONDATAA_V2_SIZE ? sizeof data.szTip : 64, record.Tip);
  data.dwState = record.State;
  data.dwStateMask = record.StateMask;
  CopyText(data.szInfo, sizeof data.szInfo, record.BalloonText);
  data.uTimeout = record.BalloonTimeOut;
  CopyText(data.szInfoTitle, sizeof data.szInfoTitle, record.BalloonTitle);
  data.dwInfoFlags = record.BalloonFlags;
  SetLastError(0);
  if (Shell_NotifyIconA(static_cast<DWORD>(request), &data)) return true;
  const DWORD error = GetLastError();
  // A refusal that leaves no code behind still has to read as a failure.
  lastError_ = error != 0 ? error : kErrorGenFailure;
  return false;
}

void Win32NotifyArea::BringToForeground() {
  if (window_ != nullptr) SetForegroundWindow(static_cast<HWND>(window_));
}

IconHandle Win32NotifyArea::ApplicationIcon() {
  HICON icon = nullptr;
  EnumResourceNamesA(GetModuleHandleA(nullptr), RT_GROUP_ICON, TakeFirstName,
                     reinterpret_cast<LONG_PTR>(&icon));
  if (icon == nullptr) icon = LoadIconA(nullptr, IDI_APPLICATION);
  return reinterpret_cast<IconHandle>(icon);
}

IconHandle Win32NotifyArea::LoadIcon(const std::string& name) {
  if (name.empty()) return kNoIcon;
  return reinterpret_cast<IconHandle>(LoadIconA(GetModuleHandleA(nullptr), name.c_str()));
}

void Win32NotifyArea::StartTimer(uint32_t timerId, uint32_t periodMs) {
  if (window_ != nullptr) SetTimer(static_cast<HWND>(window_), timerId, periodMs, nullptr);
}

void Win32NotifyArea::KillTimer(uint32_t timerId) {
  if (window_ != nullptr) ::KillTimer(static_cast<HWND>(window_), timerId);
}

uint32_t Win32NotifyArea::DoubleClickTimeMs() {
  const UINT time = GetDoubleClickTime();
  return time != 0 ? time : kDefaultDoubleClickMs;
}

Point Win32NotifyArea::CursorPos() {
  POINT position{};
  if (!GetCursorPos(&position)) return {};
  return {position.x, position.y};
}

void Win32NotifyArea::PostCallback(intptr_t wParam, uint32_t lParam) {
  if (window_ == nullptr) return;
  PostMessageA(static_cast<HWND>(window_), kTrayCallbackMessage, static_cast<WPARAM>(wParam),
               static_cast<LPARAM>(lParam));
}

void Win32NotifyArea::SendToTip(uint32_t message, uintptr_t wParam) {
  if (tipWindow_ == nullptr) return;
  // Bounded, so a hung shell cannot freeze the user interface.
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(static_cast<HWND>(tipWindow_), message, wParam, 0, SMTO_ABORTIFHUNG,
                      kTipMessageTimeoutMs, &ignored);
}

void Win32NotifyArea::SetTipColors(uint32_t background, uint32_t text) {
  SendToTip(TTM_SETTIPBKCOLOR, background);
  SendToTip(TTM_SETTIPTEXTCOLOR, text);
}

void Win32NotifyArea::PopTip() { SendToTip(TTM_POP, 0); }

void Win32NotifyArea::ResetTipColors() {
  SetTipColors(GetSysColor(COLOR_INFOBK), GetSysColor(COLOR_INFOTEXT));
}

bool Win32NotifyArea::HandleMessage(uint32_t message, uintptr_t wParam, intptr_t lParam,
                                    intptr_t& result) {
  result = 0;
  if (message == kTrayCallbackMessage) {
    if (sink_ != nullptr) {
      sink_->OnTrayCallback(static_cast<intptr_t>(wParam), static_cast<uint32_t>(lParam));
    }
    return true;
  }
  if (message != 0 && message == TaskbarCreatedMessage()) {
    if (sink_ != nullptr) sink_->OnTaskbarCreated();
    return true;
  }
  switch (message) {
    case WM_TIMER:
      if (sink_ != nullptr) sink_->OnTimer(static_cast<uint32_t>(wParam));
      return true;
    case WM_QUERYENDSESSION:
      result = 1;
      return true;
    default:
      return false;
  }
}

}  // namespace kv::win32_backend
