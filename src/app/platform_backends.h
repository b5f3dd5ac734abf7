#pragma once

#include <QObject>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

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
// (backends_linux.cpp, backends_win32.cpp), chosen by the build.
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

// Creates the services, on the user-interface thread, before the application object exists (so
// a missing display is reported plainly). Change notifications that arrive on other threads are
// handed to `ui`. `inputBackend` picks how the pointer is moved and keys are typed where the
// platform has more than one way. Returns null with `error` saying what is missing when the
// program cannot run.
std::unique_ptr<PlatformBackends> CreatePlatformBackends(UiDispatcher& ui,
                                                         InputBackendChoice inputBackend,
                                                         std::string& error);

// Arranges for `closeMainWindow` to run on the event loop when the system asks the program to
// end in order. Keep the returned object as long as the loop runs; it may be null where the
// toolkit already closes the windows itself.
std::unique_ptr<QObject> WatchTermination(std::function<void()> closeMainWindow);

}  // namespace kv::app
