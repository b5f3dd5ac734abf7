#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "core/link/acc_history.h"
#include "core/link/controller_output.h"
#include "core/link/wiimote.h"
#include "core/settings/settings.h"

namespace kv {

class Clock;
class Desktop;
class FileStore;
class HidSystem;
class InputInjector;
class KeyNames;
class MainView;
class MixerApi;
class ProcessLauncher;
class Timer;
class UiDispatcher;
class THidDevice;
class THidDeviceController;
class ReportDecoder;
class PointerControl;
class ButtonDispatch;
class TAudioMixer;

// The system services the main window's logic works with; all must outlive it.
struct MainFormServices {
  HidSystem& Hid;
  UiDispatcher& Ui;
  Clock& Time;
  MainView& View;
  Desktop& Screen;
  InputInjector& Injector;
  KeyNames& Keys;
  ProcessLauncher& Launcher;
  MixerApi& MixerDevices;
  FileStore& Files;
  Timer& MotionTimer;
};

// Vendor and product IDs of the controller: the original Wii Remote and the Wii Remote Plus
// (Motion Plus built in), which sends and takes the same reports. Any of them is taken.
inline constexpr int kWiimoteVendorId = 0x057E;
inline constexpr int kWiimoteProductId = 0x0306;
inline constexpr int kWiimotePlusProductId = 0x0330;
inline constexpr std::array<int, 2> kWiimoteProductIds = {kWiimoteProductId, kWiimotePlusProductId};

// Size of the output report buffer: report ID and up to 64 data bytes.
inline constexpr std::size_t kOutputReportBufferSize = 65;
using OutputReport = std::array<uint8_t, kOutputReportBufferSize>;

// Pause after each reporting-mode change of the connection set-up.
inline constexpr uint32_t kSetupPauseMs = 200;

// Where the window's settings and assignments come from and go to.
enum class SettingsSource {
  ConfigFile,  // read from config.ini at creation, written back at destruction
  Demo,        // the demonstration's own set, in memory only: config.ini is neither read nor
               // written, so a demonstration never changes the user's settings
};

// Everything the main window owns but does not draw: the HID controller with the checked-out
// Wii Remote, the report decoder with the accelerometer histories, the pointer control, button
// dispatch and the mixer, with the window's handlers. Runs on the user-interface thread only.
class TMainFormLogic final : public ControllerOutput {
 public:
  TMainFormLogic(const MainFormServices& services, TWiimote& wiimote, TKestrovaneSetting& settings,
                 std::filesystem::path configFile,
                 SettingsSource source = SettingsSource::ConfigFile);
  ~TMainFormLogic() override;

  TMainFormLogic(const TMainFormLogic&) = delete;
  TMainFormLogic& operator=(const TMainFormLogic&) = delete;

  // Window creation: settings and assignments from config.ini (or the demonstration's set);
  // minimised if so configured.
  void FormCreate();

  // Window destruction: releases whatever the held buttons hold down, saves the settings (not in
  // a demonstration), then (only if that worked) LED 4 alone and the buttons-only reporting mode.
  // Returns false when the save failed; the error was shown.
  bool FormDestroy();

  // Handler of the HID controller's device-change event: finds and sets up the controller. A
  // checked-out controller found gone is given back (its read thread ends, its object is freed)
  // after its held buttons are released, and the next one to arrive is set up like the first.
  void HIDCtlDeviceChange();

  // Handler of an input report of the checked-out device.
  void ShowRead(THidDevice* device, uint8_t reportId, const uint8_t* data, uint16_t size);

  // Output reports.
  void WriteReport(const OutputReport& report);
  void SetLedRumble(uint8_t value) override;
  void RequestStatus();
  void InitIRSensor();
  void SetMotionReportMode();
  void SetButtonReportMode();

  // Timer and menu handlers.
  void BatteryTimerTimer();
  void IRResetButtonClick();
  void MotionTimerTimer();
  void CursorTimerTimer();
  void RepeatTimerTimer();
  void CursorOnOffButtonClick();
  void CalibrateButtonClick();

  // State the display reads.
  const AccHistories& Histories() const { return histories_; }
  const TWiimote& WiimoteState() const { return wiimote_; }
  const TKestrovaneSetting& SettingsRecord() const { return settings_; }
  bool CursorOn() const;
  // Whether a controller is checked out and still plugged in.
  bool ControllerConnected() const;
  THidDevice* WiimoteDevice() const { return wiimoteDevice_; }
  THidDeviceController& HIDCtl() { return *hidCtl_; }
  PointerControl& Pointer() { return *pointer_; }
  ButtonDispatch& Dispatch() { return *dispatch_; }
  TAudioMixer& Mixer() { return *mixer_; }
  // The caption the logic last gave the window (empty before the first).
  const std::string& Caption() const { return caption_; }

  // Called after every handler above has run (reports, ticks, device changes, menu commands),
  // nested ones included: whatever the timers and the display read may have changed.
  void SetOnStateChange(std::function<void()> onStateChange) {
    onStateChange_ = std::move(onStateChange);
  }

 private:
  void SetCaption(std::string_view caption);
  void GiveBackLostController();
  void SetUpController();
  void StateChanged();
  void SendReport(std::initializer_list<uint8_t> bytes);

  MainFormServices services_;
  TWiimote& wiimote_;
  TKestrovaneSetting& settings_;
  std::filesystem::path configFile_;
  SettingsSource source_;
  AccHistories histories_;
  std::unique_ptr<TAudioMixer> mixer_;
  std::unique_ptr<PointerControl> pointer_;
  std::unique_ptr<ButtonDispatch> dispatch_;
  std::unique_ptr<ReportDecoder> decoder_;
  std::unique_ptr<THidDeviceController> hidCtl_;
  THidDevice* wiimoteDevice_ = nullptr;
  std::string caption_;
  std::function<void()> onStateChange_;
};

}  // namespace kv
