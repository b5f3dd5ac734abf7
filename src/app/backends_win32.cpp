// The Windows services: SetupAPI + HID.dll, user32 input and cursor calls, winmm, CreateProcessA.
#include <memory>

#include "app/platform_backends.h"
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

std::unique_ptr<PlatformBackends> CreatePlatformBackends(UiDispatcher& /*ui*/,
                                                         InputBackendChoice /*inputBackend*/,
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
  // the toolkit's event loop dispatches.
  backends->MixerDevices = std::make_unique<win32_backend::WinmmMixerApi>();
  // The settings file always lives beside the executable here.
  backends->ConfigFile = win32_backend::ExeDirectory() + std::string(kConfigFileName);
  return backends;
}

std::unique_ptr<QObject> WatchTermination(std::function<void()> /*closeMainWindow*/) {
  // Not watched yet: saving in order at the end of a Windows session needs the main window to
  // act on the session-end messages; until then the toolkit's default handling applies.
  return nullptr;
}

}  // namespace kv::app
