// Program entry: picks the backends, creates the main window and then the preferences dialog,
// and runs the message loop until the main window closes.
#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "app/option_form.h"
#include "app/qt_screen_layout.h"
#include "app/termination.h"
#include "backends/app_services.h"
#include "backends/platform_backends.h"
#include "core/ui/command_line.h"
#include "core/ui/ui_dispatcher.h"
#include "platform/sim/sim_hid_system.h"
#include "platform/sim/virtual_wiimote.h"

namespace {

int Fail(const std::string& message) {
  std::fprintf(stderr, "kestrovane: %s\n", message.c_str());
  return 1;
}

// The virtual Wii Remote with the HID system it lives in, when the command line asks for one.
struct VirtualController {
  kv::sim::SimHidSystem Hid;
  std::unique_ptr<kv::sim::VirtualWiimote> Device;
};

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  const kv::CommandLineResult parsed = kv::ParseCommandLine(arguments);
  if (!parsed.Error.empty()) {
    std::fprintf(stderr, "kestrovane: %s\nTry 'kestrovane --help'.\n", parsed.Error.c_str());
    return 2;
  }
  const kv::CommandLineOptions& options = parsed.Options;
  if (options.ShowHelp) {
    std::fputs(kv::CommandLineHelp("kestrovane").c_str(), stdout);
    return 0;
  }
  if (options.ShowVersion) {
    std::printf("Kestrovane %s\n", KV_VERSION);
    return 0;
  }

  kv::UiDispatcher ui;
  std::string error;
  // Outlives the services: the Wayland pointer reads the desktop's layout from it.
  kv::app::QtScreenLayout screens;
  std::unique_ptr<kv::app::PlatformBackends> backends = kv::app::CreatePlatformBackends(
      ui, options.InputBackend, [&screens]() -> const auto& { return screens.Layout(); }, error);
  if (!backends) return Fail(error);
  kv::Clock& clock = *backends->Time;

  std::optional<VirtualController> virtualController;
  kv::sim::VirtualWiimote::LogSink logSink;
  if (options.UsesVirtualWiimote()) {
    std::optional<kv::sim::WiimoteScenario> scenario =
        options.Demo ? kv::sim::ParseWiimoteScenario(kv::sim::DemoWiimoteScenario(), error)
                     : kv::sim::LoadWiimoteScenario(options.VirtualWiimoteFile, error);
    if (!scenario) return Fail(error);
    if (!options.VirtualWiimoteLog.empty()) {
      logSink = kv::sim::VirtualWiimote::OpenLogFile(options.VirtualWiimoteLog, error);
      if (!logSink) return Fail(options.VirtualWiimoteLog + ": " + error);
    }
    virtualController.emplace();
    virtualController->Device = std::make_unique<kv::sim::VirtualWiimote>(
        virtualController->Hid, clock, std::move(*scenario));
    // Nothing here reads the records of output reports (the log has them all): keep none, so a
    // demonstration streaming for days does not grow.
    virtualController->Hid.SetWriteRecordLimit(0);
    virtualController->Device->SetRecordLimit(0);
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName("Kestrovane");
  QApplication::setApplicationVersion(KV_VERSION);
  QIcon icon;
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    icon.addFile(QString(":/icons/kestrovane-%1.png").arg(size), QSize(size, size));
  }
  QApplication::setWindowIcon(icon);

  // Watched from here on, before the window exists, so that a termination signal during the
  // start-up is not fatal: it is handled as soon as an event loop runs (a box opened while the
  // window is built runs one), and the program then ends in order.
  kv::app::TerminationControl termination;
  const std::unique_ptr<QObject> terminationWatch =
      kv::app::WatchTermination([&termination] { termination.Request(); });

  kv::HidSystem& hid =
      virtualController ? static_cast<kv::HidSystem&>(virtualController->Hid) : *backends->Hid;
  if (virtualController) {
    if (logSink) virtualController->Device->SetLog(logSink);
    virtualController->Device->Start();
  }

  const kv::app::AppServices services{hid,
                                      ui,
                                      clock,
                                      *backends->Screen,
                                      *backends->Injector,
                                      *backends->Keys,
                                      *backends->Launcher,
                                      *backends->MixerDevices,
                                      *backends->Files,
                                      backends->ConfigFile};
  // The demonstration runs on its own settings and leaves the user's config.ini alone.
  TMainForm mainForm(services,
                     options.Demo ? kv::SettingsSource::Demo : kv::SettingsSource::ConfigFile);
  kv::app::TOptionForm optionForm(kv::Settings, kv::Wiimote.ButtonAssign, *backends->Keys,
                                  &mainForm);
  mainForm.SetOptionForm(&optionForm);
  int result = 0;
  // Asked to end while the window was built: straight to the exit steps.
  if (!termination.Requested()) {
    termination.LoopStarts(&mainForm);
    mainForm.show();
    result = QApplication::exec();
    termination.LoopEnded();
  }
  // Settings that could not be saved are lost: a script that started the program hears of it.
  if (!mainForm.FormDestroy() && result == 0) result = 1;
  if (virtualController) virtualController->Device->Stop();
  return result;
}
