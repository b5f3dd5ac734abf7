#pragma once

#include <filesystem>
#include <memory>
#include <optional>

#include "core/port/clock.h"
#include "core/port/desktop.h"
#include "core/port/file_store.h"
#include "core/port/hid_system.h"
#include "core/port/input_injector.h"
#include "core/port/key_names.h"
#include "core/port/mixer_api.h"
#include "core/port/process_launcher.h"

namespace kv::winapp {

// The Windows services the program runs on, created on the user-interface thread.
struct WinServices {
  std::unique_ptr<Clock> Time;
  std::unique_ptr<Desktop> Screen;
  std::unique_ptr<InputInjector> Injector;
  std::unique_ptr<KeyNames> Keys;
  std::unique_ptr<ProcessLauncher> Launcher;
  std::unique_ptr<FileStore> Files;
  std::unique_ptr<HidSystem> Hid;
  std::unique_ptr<MixerApi> MixerDevices;
  std::filesystem::path ConfigFile;
};

std::unique_ptr<WinServices> CreateWinServices();

// "Kestrovane" in the user's roaming application-data folder; nullopt when the system names none.
std::optional<std::filesystem::path> UserSettingsDirectory();

}  // namespace kv::winapp
