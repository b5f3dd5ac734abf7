#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/port/clock.h"
#include "core/port/desktop.h"
#include "core/port/file_store.h"
#include "core/port/hid_system.h"
#include "core/port/input_injector.h"
#include "core/port/key_names.h"
#include "core/port/mixer_api.h"
#include "core/port/process_launcher.h"
#include "core/ui/command_line.h"
#include "core/ui/ui_dispatcher.h"

namespace kv::app {

// The system services the program runs on. One implementation per platform
// (backends_linux.cpp, backends_win32.cpp), chosen by the build. No toolkit here: every front end
// of the platform starts from the same services.
struct PlatformBackends {
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

// A display of the desktop as the front end's toolkit lists it, in desktop pixels.
struct ToolkitDisplay {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  bool operator==(const ToolkitDisplay&) const = default;
};

// Lists the desktop's displays, the primary one first, from the toolkit's cache; the reference
// stays valid until the next call. Asked only where the system tells a client nothing of the
// desktop's layout (a Wayland session); may be empty elsewhere.
using ToolkitDisplays = std::function<const std::vector<ToolkitDisplay>&()>;

// Creates the services, on the user-interface thread, before the application object exists (so
// a missing display is reported plainly). Change notifications that arrive on other threads are
// handed to `ui`. `inputBackend` picks how the pointer is moved and keys are typed where the
// platform has more than one way; `displays` is where the desktop's layout comes from when the
// system will not say. Returns null with `error` saying what is missing when the
// program cannot run.
std::unique_ptr<PlatformBackends> CreatePlatformBackends(UiDispatcher& ui,
                                                         InputBackendChoice inputBackend,
                                                         ToolkitDisplays displays,
                                                         std::string& error);

}  // namespace kv::app
