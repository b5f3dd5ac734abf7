// The Linux services: udev + hidraw, X11 or uinput, PulseAudio, posix_spawn.
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "backends/platform_backends.h"
#include "platform/linux/exe_directory.h"
#include "platform/linux/linux_hid_system.h"
#include "platform/linux/monotonic_clock.h"
#include "platform/linux/posix_file_store.h"
#include "platform/linux/posix_process_launcher.h"
#include "platform/linux/pulse_mixer_api.h"
#include "platform/linux/session_backend.h"
#include "platform/linux/uinput_desktop.h"
#include "platform/linux/uinput_input_injector.h"
#include "platform/linux/x11_desktop.h"
#include "platform/linux/x11_input_injector.h"
#include "platform/sim/us_key_names.h"

namespace kv::app {
namespace {

using linux_backend::UinputDevice;
using linux_backend::UinputKind;

std::unique_ptr<UinputDevice> CreateUinputDevice(UinputKind kind, std::string& error,
                                                 int& errorNumber) {
  std::unique_ptr<linux_backend::UinputChannel> channel =
      linux_backend::OpenUinputChannel(error, errorNumber);
  if (!channel) return nullptr;
  return UinputDevice::Create(std::move(channel), kind, error);
}

// The three virtual devices: they appear now and go away with the backends at the end.
// The toolkit's display list as the uinput desktop reads it, converted again only when it changed.
linux_backend::LayoutSource UinputLayout(ToolkitDisplays displays) {
  struct Cache {
    std::vector<ToolkitDisplay> Seen;
    linux_backend::DesktopLayout Layout;
  };
  auto cache = std::make_shared<Cache>();
  return [displays = std::move(displays), cache]() -> const linux_backend::DesktopLayout& {
    static const std::vector<ToolkitDisplay> kNone;
    const std::vector<ToolkitDisplay>& now = displays ? displays() : kNone;
    if (now != cache->Seen) {
      cache->Seen = now;
      cache->Layout.clear();
      for (const ToolkitDisplay& d : now) {
        cache->Layout.push_back(linux_backend::DisplayRect{d.Left, d.Top, d.Width, d.Height});
      }
    }
    return cache->Layout;
  };
}

bool OpenUinput(PlatformBackends& backends, ToolkitDisplays displays, std::string& error) {
  int errorNumber = 0;
  auto keyboard = CreateUinputDevice(UinputKind::Keyboard, error, errorNumber);
  auto pointer =
      keyboard ? CreateUinputDevice(UinputKind::RelativePointer, error, errorNumber) : nullptr;
  auto absolute =
      pointer ? CreateUinputDevice(UinputKind::AbsolutePointer, error, errorNumber) : nullptr;
  if (!absolute) {
    if (errorNumber != 0) error += "; " + linux_backend::UinputAccessHint(errorNumber);
    return false;
  }
  backends.Screen = std::make_unique<linux_backend::UinputDesktop>(
      std::move(absolute), UinputLayout(std::move(displays)));
  backends.Injector =
      std::make_unique<linux_backend::UinputInjector>(std::move(keyboard), std::move(pointer));
  return true;
}

// The cursor and the synthetic input go through the X server; without one there is nothing
// to drive, so say so before the toolkit gives up less clearly.
bool OpenX11(PlatformBackends& backends, std::string& error) {
  backends.Screen = linux_backend::X11Desktop::Open(error);
  if (!backends.Screen) return false;
  backends.Injector = linux_backend::X11InputInjector::Open("", error);
  return backends.Injector != nullptr;
}

// uinput where the session is Wayland or the user asked for it; X11 otherwise, and also where
// uinput was only the session's choice and cannot be had (an X server may still be reachable,
// XWayland, so X11 windows at least can be driven).
bool OpenPointerBackend(PlatformBackends& backends, InputBackendChoice choice,
                        ToolkitDisplays displays, std::string& error) {
  const bool wantUinput = choice == InputBackendChoice::Uinput ||
                          (choice == InputBackendChoice::Automatic &&
                           linux_backend::SessionPointerBackend(std::getenv("XDG_SESSION_TYPE"),
                                                                std::getenv("WAYLAND_DISPLAY")) ==
                               linux_backend::PointerBackend::Uinput);
  if (!wantUinput) return OpenX11(backends, error);
  if (OpenUinput(backends, std::move(displays), error)) return true;
  if (choice == InputBackendChoice::Uinput) return false;
  std::fprintf(stderr,
               "kestrovane: %s\nkestrovane: falling back to X11, which reaches X11 windows only\n",
               error.c_str());
  error.clear();
  return OpenX11(backends, error);
}

}  // namespace

std::unique_ptr<PlatformBackends> CreatePlatformBackends(UiDispatcher& ui,
                                                         InputBackendChoice inputBackend,
                                                         ToolkitDisplays displays,
                                                         std::string& error) {
  auto backends = std::make_unique<PlatformBackends>();
  if (!OpenPointerBackend(*backends, inputBackend, std::move(displays), error)) return nullptr;
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
