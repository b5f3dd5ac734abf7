// Program entry: reads the UTF-16 command line, picks the services, creates the main window and
// runs the message loop until the window closes.
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "backends/platform_backends.h"
#include "core/link/wiimote.h"
#include "core/settings/settings.h"
#include "core/ui/command_line.h"
#include "core/ui/ui_dispatcher.h"
#include "platform/sim/sim_hid_system.h"
#include "platform/sim/virtual_wiimote.h"
#include "winapp/console_output.h"
#include "winapp/main_window.h"
#include "winapp/option_form.h"
#include "winapp/wide_text.h"

namespace {

// The virtual Wii Remote with the HID system it lives in, when the command line asks for one.
struct VirtualController {
  kv::sim::SimHidSystem Hid;
  std::unique_ptr<kv::sim::VirtualWiimote> Device;
};

std::vector<std::string> Arguments() {
  int count = 0;
  LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 1; words != nullptr && i < count; ++i) {
    arguments.push_back(kv::winapp::Narrow(words[i]));
  }
  if (words != nullptr) LocalFree(words);
  return arguments;
}

int Fail(const std::string& message) {
  kv::winapp::WriteToConsole(kv::winapp::ConsoleStream::Error, "kestrovane: " + message + "\n");
  return 1;
}

// Builds the virtual controller of --virtual-wiimote / --demo into `out`; false with `error`
// set when its scenario or log cannot be used.
bool MakeVirtualController(const kv::CommandLineOptions& options, kv::Clock& clock,
                           std::optional<VirtualController>& out, std::string& error) {
  std::optional<kv::sim::WiimoteScenario> scenario =
      options.Demo ? kv::sim::ParseWiimoteScenario(kv::sim::DemoWiimoteScenario(), error)
                   : kv::sim::LoadWiimoteScenario(options.VirtualWiimoteFile, error);
  if (!scenario) return false;
  kv::sim::VirtualWiimote::LogSink logSink;
  if (!options.VirtualWiimoteLog.empty()) {
    logSink = kv::sim::VirtualWiimote::OpenLogFile(options.VirtualWiimoteLog, error);
    if (!logSink) {
      error = options.VirtualWiimoteLog + ": " + error;
      return false;
    }
  }
  out.emplace();
  out->Device = std::make_unique<kv::sim::VirtualWiimote>(out->Hid, clock, std::move(*scenario));
  if (logSink) out->Device->SetLog(logSink);
  return true;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  using kv::winapp::ConsoleStream;
  using kv::winapp::WriteToConsole;
  const kv::CommandLineResult parsed =
      kv::ParseCommandLine(Arguments(), kv::InputBackendOption::Absent);
  if (!parsed.Error.empty()) {
    WriteToConsole(ConsoleStream::Error,
                   "kestrovane: " + parsed.Error + "\nTry 'kestrovane --help'.\n");
    return 2;
  }
  const kv::CommandLineOptions& options = parsed.Options;
  if (options.ShowHelp) {
    WriteToConsole(ConsoleStream::Output,
                   kv::CommandLineHelp("kestrovane", kv::InputBackendOption::Absent));
    return 0;
  }
  if (options.ShowVersion) {
    WriteToConsole(ConsoleStream::Output, std::string("Kestrovane ") + KV_VERSION + "\n");
    return 0;
  }

  kv::UiDispatcher ui;
  std::string error;
  const std::unique_ptr<kv::app::PlatformBackends> services =
      kv::app::CreatePlatformBackends(ui, kv::InputBackendChoice::Automatic, nullptr, error);
  if (!services) return Fail(error);
  std::optional<VirtualController> virtualController;
  if (options.UsesVirtualWiimote()) {
    if (!MakeVirtualController(options, *services->Time, virtualController, error)) {
      return Fail(error);
    }
    virtualController->Device->Start();
  }
  kv::HidSystem& hid =
      virtualController ? static_cast<kv::HidSystem&>(virtualController->Hid) : *services->Hid;

  const kv::winapp::AppServices appServices{hid,
                                            ui,
                                            *services->Time,
                                            *services->Screen,
                                            *services->Injector,
                                            *services->Keys,
                                            *services->Launcher,
                                            *services->MixerDevices,
                                            *services->Files,
                                            services->ConfigFile};
  int result = 1;
  {
    // The demonstration runs on its own settings and leaves the user's config.ini alone.
    kv::winapp::MainWindow mainWindow(
        appServices, options.Demo ? kv::SettingsSource::Demo : kv::SettingsSource::ConfigFile,
        instance);
    if (!mainWindow.Create(showCommand)) {
      MessageBoxW(nullptr, L"The main window could not be created.", kv::winapp::kAppTitle,
                  MB_OK | MB_ICONERROR);
      return 1;
    }
    // The preferences dialog, created hidden after the main window; destroyed before it.
    kv::winapp::OptionForm optionForm(kv::Settings, kv::Wiimote.ButtonAssign, *services->Keys);
    if (optionForm.Create(mainWindow.Handle(), instance)) {
      mainWindow.SetShowPreferences([&optionForm, &mainWindow](HWND) {
        optionForm.ShowModal([&mainWindow] { return mainWindow.QuitRequested(); });
      });
    }
    result = mainWindow.Run();
  }
  if (virtualController) virtualController->Device->Stop();
  return result;
}
