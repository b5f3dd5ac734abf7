// The Windows services: SetupAPI + HID.dll, user32 input and cursor calls, winmm, CreateProcessA.
#include <windows.h>
// After windows.h, which it needs.
#include <shlobj.h>

#include <memory>
#include <optional>

#include "backends/platform_backends.h"
#include "core/settings/config_location.h"
#include "platform/win32/exe_directory.h"
#include "platform/win32/multimedia_clock.h"
#include "platform/win32/win32_desktop.h"
#include "platform/win32/win32_file_store.h"
#include "platform/win32/win32_hid_system.h"
#include "platform/win32/win32_input_injector.h"
#include "platform/win32/win32_key_names.h"
#include "platform/win32/win32_process_launcher.h"
#include "platform/win32/winmm_mixer_api.h"

namespace kv::app {

namespace {

// "Kestrovane" in the user's roaming application data; nullopt when the system names none.
std::optional<std::filesystem::path> UserSettingsDirectory() {
  wchar_t folder[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder)) ||
      folder[0] == L'\0') {
    return std::nullopt;
  }
  return std::filesystem::path(folder) / L"Kestrovane";
}

}  // namespace

std::unique_ptr<PlatformBackends> CreatePlatformBackends(UiDispatcher& /*ui*/,
                                                         InputBackendChoice /*inputBackend*/,
                                                         ToolkitDisplays /*displays*/,
                                                         std::string& /*error*/) {
  auto backends = std::make_unique<PlatformBackends>();
  backends->Time = std::make_unique<win32_backend::MultimediaClock>();
  backends->Screen = std::make_unique<win32_backend::Win32Desktop>();
  backends->Injector = std::make_unique<win32_backend::Win32InputInjector>();
  backends->Keys = std::make_unique<win32_backend::Win32KeyNames>();
  backends->Launcher = std::make_unique<win32_backend::Win32ProcessLauncher>();
  backends->Files = std::make_unique<win32_backend::Win32FileStore>();
  backends->Hid = std::make_unique<win32_backend::Win32HidSystem>();
  // Its change messages come to a window of this (the user-interface) thread, whose messages
  // the program's message loop dispatches.
  backends->MixerDevices = std::make_unique<win32_backend::WinmmMixerApi>();
  // Beside the executable; in the user's application data when that folder takes no files
  // (an installation under Program Files run by a standard user).
  backends->ConfigFile =
      ChooseConfigPath(win32_backend::ExeDirectory(), UserSettingsDirectory(), *backends->Files);
  return backends;
}

}  // namespace kv::app
