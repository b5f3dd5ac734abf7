// The Windows services: SetupAPI + HID.dll, user32 input and cursor calls, winmm, CreateProcessA.
#include "winapp/win_services.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shlobj.h>

#include <string>

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

namespace kv::winapp {

std::optional<std::filesystem::path> UserSettingsDirectory() {
  wchar_t folder[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder)) ||
      folder[0] == L'\0') {
    return std::nullopt;
  }
  return std::filesystem::path(folder) / L"Kestrovane";
}

std::unique_ptr<WinServices> CreateWinServices() {
  auto services = std::make_unique<WinServices>();
  services->Time = std::make_unique<win32_backend::MultimediaClock>();
  services->Screen = std::make_unique<win32_backend::Win32Desktop>();
  services->Injector = std::make_unique<win32_backend::Win32InputInjector>();
  services->Keys = std::make_unique<win32_backend::Win32KeyNames>();
  services->Launcher = std::make_unique<win32_backend::Win32ProcessLauncher>();
  services->Files = std::make_unique<win32_backend::Win32FileStore>();
  services->Hid = std::make_unique<win32_backend::Win32HidSystem>();
  // Its change messages come to a window of this thread, which the message loop serves.
  services->MixerDevices = std::make_unique<win32_backend::WinmmMixerApi>();
  // Beside the executable; in the user's application data when that folder takes no files
  // (an installation under Program Files run by a standard user).
  services->ConfigFile =
      ChooseConfigPath(win32_backend::ExeDirectory(), UserSettingsDirectory(), *services->Files);
  return services;
}

}  // namespace kv::winapp
