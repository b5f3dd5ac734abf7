// The Linux services: udev + hidraw, X11, PulseAudio, posix_spawn.
#include <memory>

#include "backends/platform_backends.h"
#include "platform/linux/exe_directory.h"
#include "platform/linux/linux_hid_system.h"
#include "platform/linux/monotonic_clock.h"
#include "platform/linux/posix_file_store.h"
#include "platform/linux/posix_process_launcher.h"
#include "platform/linux/pulse_mixer_api.h"
#include "platform/linux/x11_desktop.h"
#include "platform/linux/x11_input_injector.h"
#include "platform/sim/us_key_names.h"

namespace kv::app {

std::unique_ptr<PlatformBackends> CreatePlatformBackends(UiDispatcher& ui, std::string& error) {
  auto backends = std::make_unique<PlatformBackends>();
  // The cursor and the synthetic input go through the X server; without one there is nothing
  // to drive, so say so before the toolkit gives up less clearly.
  backends->Screen = linux_backend::X11Desktop::Open(error);
  if (!backends->Screen) return nullptr;
  backends->Injector = linux_backend::X11InputInjector::Open("", error);
  if (!backends->Injector) return nullptr;
  backends->Time = std::make_unique<linux_backend::MonotonicClock>();
  backends->Keys = std::make_unique<sim::UsKeyNames>();
  backends->Launcher = std::make_unique<linux_backend::PosixProcessLauncher>();
  auto files = std::make_unique<linux_backend::PosixFileStore>();
  backends->ConfigFile = linux_backend::ConfigFilePath(*files);
  backends->Files = std::move(files);
  backends->Hid = std::make_unique<linux_backend::LinuxHidSystem>();
  backends->MixerDevices = std::make_unique<linux_backend::PulseMixerApi>(
      std::string(), [&ui](std::function<void()> fn) { ui.Post(std::move(fn)); });
  return backends;
}

}  // namespace kv::app
