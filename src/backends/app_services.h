#pragma once

#include <filesystem>

#include "core/port/clock.h"
#include "core/port/desktop.h"
#include "core/port/file_store.h"
#include "core/port/hid_system.h"
#include "core/port/input_injector.h"
#include "core/port/key_names.h"
#include "core/port/mixer_api.h"
#include "core/port/process_launcher.h"
#include "core/ui/ui_dispatcher.h"

namespace kv::app {

// The system services a front end's main window hands to its logic, minus what the window itself
// provides (the view and the motion timer). All must outlive the window.
struct AppServices {
  HidSystem& Hid;
  UiDispatcher& Ui;
  Clock& Time;
  Desktop& Screen;
  InputInjector& Injector;
  KeyNames& Keys;
  ProcessLauncher& Launcher;
  MixerApi& MixerDevices;
  FileStore& Files;
  std::filesystem::path ConfigFile;
};

}  // namespace kv::app
