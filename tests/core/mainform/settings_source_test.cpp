#include <gtest/gtest.h>

#include "core/actions/catalogue.h"
#include "core/mainform/demo_settings.h"
#include "core/mainform/main_form_logic.h"
#include "core/port/main_view.h"
#include "core/settings/settings_file.h"
#include "core/ui/ui_dispatcher.h"
#include "platform/sim/fake_clock.h"
#include "platform/sim/memory_file_store.h"
#include "platform/sim/recording_input_injector.h"
#include "platform/sim/recording_process_launcher.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_hid_system.h"
#include "platform/sim/sim_mixer_api.h"
#include "platform/sim/sim_timer.h"
#include "platform/sim/us_key_names.h"

namespace kv {
namespace {

class QuietView final : public MainView {
 public:
  void SetCaption(const std::string&) override {}
  void ProcessMessages() override {}
  void Minimize() override {}
  void ShowError(const std::string& message) override { Errors.push_back(message); }
  std::vector<std::string> Errors;
};

const std::filesystem::path kConfig = "/opt/kestrovane/config.ini";
const std::string kUserFile =
    "; the user's own file\n[Motion]\nSpeedFast=9\n[A]\nType=Execute\nValue=xterm\n";

// The main window's logic over sim services, with its own controller state and settings.
struct LogicRig {
  explicit LogicRig(SettingsSource source)
      : logic({hid, ui, clock, view, desktop, injector, keys, launcher, mixer, files, motionTimer},
              wiimote, settings, kConfig, source) {}

  sim::SimHidSystem hid;
  UiDispatcher ui;
  sim::FakeClock clock{1000};
  QuietView view;
  sim::SimDesktop desktop;
  sim::RecordingInputInjector injector;
  sim::UsKeyNames keys;
  sim::RecordingProcessLauncher launcher;
  sim::SimMixerApi mixer;
  sim::MemoryFileStore files;
  sim::SimTimer motionTimer;
  TWiimote wiimote;
  TKestrovaneSetting settings;
  TMainFormLogic logic;
};

TEST(SettingsSource, ConfigFileIsReadAtCreationAndWrittenAtDestruction) {
  LogicRig rig(SettingsSource::ConfigFile);
  rig.files.PutFile(kConfig, kUserFile);
  rig.logic.FormCreate();
  EXPECT_EQ(rig.settings.SpeedFast, 9);
  EXPECT_EQ(rig.wiimote.ButtonAssign[kSlotA].ActionType, "Execute");
  rig.settings.SpeedSlow = 4;
  EXPECT_TRUE(rig.logic.FormDestroy());
  const std::string saved = rig.files.FileBytes(kConfig).value_or("");
  EXPECT_NE(saved.find("SpeedSlow=4"), std::string::npos);
  EXPECT_NE(saved.find("; the user's own file"), std::string::npos);
}

TEST(SettingsSource, DemoRunsOnItsOwnSetAndNeverTouchesConfigIni) {
  for (const bool fileThere : {true, false}) {
    SCOPED_TRACE(fileThere ? "with config.ini" : "without config.ini");
    LogicRig rig(SettingsSource::Demo);
    if (fileThere) rig.files.PutFile(kConfig, kUserFile);
    rig.logic.FormCreate();

    TKestrovaneSetting defaults;
    TWiimoteButtonAssign expected;
    DefaultSettings(defaults, expected);
    expected[kSlotPlus] = {std::string(kActionVolumeUp), ""};
    expected[kSlotMinus] = {std::string(kActionVolumeDown), ""};
    EXPECT_EQ(rig.settings.SpeedFast, 5);  // not the file's 9
    EXPECT_EQ(rig.settings.CursorMode, "Motion");
    EXPECT_EQ(rig.settings.BaseX, 128);
    for (int slot = 0; slot < kButtonCount; ++slot) {
      EXPECT_EQ(rig.wiimote.ButtonAssign[slot].ActionType, expected[slot].ActionType) << slot;
      EXPECT_EQ(rig.wiimote.ButtonAssign[slot].ActionValue, expected[slot].ActionValue) << slot;
    }

    // Changes made during the run, as the preferences dialog makes them, are not saved either.
    rig.settings.SpeedFast = 12;
    EXPECT_TRUE(rig.logic.FormDestroy());
    EXPECT_EQ(rig.files.ReplaceCount(), 0);
    EXPECT_EQ(rig.files.FileBytes(kConfig), fileThere ? std::optional(kUserFile) : std::nullopt);
    EXPECT_TRUE(rig.view.Errors.empty());
  }
}

TEST(SettingsSource, DefaultSettingsAreWhatAStartWithoutAFileLoads) {
  sim::MemoryFileStore files;
  TKestrovaneSetting loaded, defaults;
  TWiimoteButtonAssign loadedAssign, defaultAssign;
  loaded.SpeedSlow = defaults.SpeedSlow = -1;  // both must overwrite every field
  LoadSettings(files, kConfig, loaded, loadedAssign);
  DefaultSettings(defaults, defaultAssign);
  sim::MemoryFileStore a, b;
  SaveSettings(a, kConfig, loaded, loadedAssign);
  SaveSettings(b, kConfig, defaults, defaultAssign);
  EXPECT_EQ(a.FileBytes(kConfig), b.FileBytes(kConfig));
  EXPECT_EQ(defaults.SpeedSlow, 3);
}

}  // namespace
}  // namespace kv
