#include "platform/win32/device_change_window.h"

#include <windows.h>
// After windows.h, whose types it uses.
#include <dbt.h>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace kv::win32_backend {

struct DeviceChangeWindow::State {
  std::function<void()> OnChange;
  std::thread Thread;
  DWORD ThreadId = 0;
  HWND Window = nullptr;
  std::mutex Mutex;
  std::condition_variable Ready;
  bool Started = false;
  DWORD CreateError = 0;
};

namespace {

LRESULT CALLBACK DeviceChangeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* onChange =
      reinterpret_cast<std::function<void()>*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  switch (message) {
    case WM_DEVICECHANGE:
      if (wParam == DBT_DEVNODES_CHANGED && onChange != nullptr && *onChange) (*onChange)();
      return TRUE;
    case WM_QUERYENDSESSION:
      return 1;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

bool RegisterClassOnce() {
  static const bool registered = [] {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DeviceChangeProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = DeviceChangeWindow::ClassName();
    return RegisterClassA(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }();
  return registered;
}

void RunWindowThread(const std::shared_ptr<DeviceChangeWindow::State>& state) {
  HWND window = nullptr;
  DWORD error = 0;
  if (RegisterClassOnce()) {
    window = CreateWindowExA(0, DeviceChangeWindow::ClassName(), "", WS_OVERLAPPED, 0, 0, 0, 0,
                             nullptr, nullptr, GetModuleHandleA(nullptr), &state->OnChange);
  }
  if (window == nullptr) error = GetLastError();
  {
    std::lock_guard<std::mutex> lock(state->Mutex);
    state->Window = window;
    state->ThreadId = GetCurrentThreadId();
    state->CreateError = window == nullptr ? (error != 0 ? error : ERROR_INVALID_HANDLE) : 0;
    state->Started = true;
  }
  state->Ready.notify_all();
  if (window == nullptr) return;
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

}  // namespace

const char* DeviceChangeWindow::ClassName() { return "KestrovaneDeviceChangeWindow"; }

DeviceChangeWindow::~DeviceChangeWindow() { Stop(); }

bool DeviceChangeWindow::Start(std::function<void()> onChange) {
  Stop();
  auto state = std::make_shared<State>();
  state->OnChange = std::move(onChange);
  state->Thread = std::thread(RunWindowThread, state);
  std::unique_lock<std::mutex> lock(state->Mutex);
  state->Ready.wait(lock, [&] { return state->Started; });
  if (state->Window == nullptr) {
    const DWORD error = state->CreateError;
    lock.unlock();
    state->Thread.join();
    SetLastError(error);
    return false;
  }
  state_ = std::move(state);
  return true;
}

void DeviceChangeWindow::Stop() {
  if (!state_) return;
  std::shared_ptr<State> state = std::move(state_);
  PostMessageA(state->Window, WM_CLOSE, 0, 0);
  if (GetCurrentThreadId() == state->ThreadId) {
    // Inside the handler: the thread ends on its own once the handler has returned. It keeps
    // its own reference to the state.
    state->Thread.detach();
    return;
  }
  state->Thread.join();
}

void* DeviceChangeWindow::Handle() const { return state_ ? state_->Window : nullptr; }

}  // namespace kv::win32_backend
