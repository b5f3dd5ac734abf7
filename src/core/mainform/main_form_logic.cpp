#include "core/mainform/main_form_logic.h"

#include <algorithm>

#include "core/actions/button_dispatch.h"
#include "core/hid/hid_device.h"
#include "core/hid/hid_device_controller.h"
#include "core/link/caption_text.h"
#include "core/link/report_decoder.h"
#include "core/link/wiimote_reports.h"
#include "core/mainform/demo_settings.h"
#include "core/mixer/audio_mixer.h"
#include "core/pointer/pointer_control.h"
#include "core/port/hid_system.h"
#include "core/port/main_view.h"
#include "core/port/timer.h"
#include "core/settings/settings_file.h"

namespace kv {
namespace {

constexpr uint8_t kCameraEnableBit = 0x04;
constexpr uint8_t kControlRegisters = 0x04;

}  // namespace

TMainFormLogic::TMainFormLogic(const MainFormServices& services, TWiimote& wiimote,
                               TKestrovaneSetting& settings, std::filesystem::path configFile,
                               SettingsSource source)
    : services_(services),
      wiimote_(wiimote),
      settings_(settings),
      configFile_(std::move(configFile)),
      source_(source),
      mixer_(std::make_unique<TAudioMixer>(services.MixerDevices)),
      pointer_(std::make_unique<PointerControl>(settings, wiimote, histories_, services.Time,
                                                services.Screen, *this, services.MotionTimer)),
      dispatch_(std::make_unique<ButtonDispatch>(wiimote, services.Time, services.Injector,
                                                 services.Keys, services.Launcher, *mixer_,
                                                 *pointer_, *this)),
      decoder_(std::make_unique<ReportDecoder>(wiimote, histories_, dispatch_.get())),
      hidCtl_(std::make_unique<THidDeviceController>(services.Hid, services.Ui)) {
  // The two events the window uses; setting them while loading has no other effect.
  hidCtl_->SetOnDeviceChange([this](THidDeviceController&) { HIDCtlDeviceChange(); });
  hidCtl_->SetOnDeviceData([this](THidDevice& device, uint8_t id, const uint8_t* data,
                                  uint16_t size) { ShowRead(&device, id, data, size); });
  hidCtl_->Loaded();
}

TMainFormLogic::~TMainFormLogic() = default;

void TMainFormLogic::FormCreate() {
  if (source_ == SettingsSource::Demo) {
    DemoSettings(settings_, wiimote_.ButtonAssign);
  } else {
    LoadSettings(services_.Files, configFile_, settings_, wiimote_.ButtonAssign);
  }
  if (settings_.MinimizeOnStartup) services_.View.Minimize();
  StateChanged();
}

bool TMainFormLogic::FormDestroy() {
  // Nothing the controller holds may outlast the program: a mouse button would stay down
  // system-wide (and keep the user from clicking the error box below). Let go of everything as
  // when the controller leaves.
  dispatch_->ReleaseAll();
  try {
    if (source_ == SettingsSource::ConfigFile) {
      SaveSettings(services_.Files, configFile_, settings_, wiimote_.ButtonAssign);
    }
  } catch (const SettingsWriteError& error) {
    services_.View.ShowError(error.what());
    return false;
  }
  SetLedRumble(kLedsCursorOff);
  SetButtonReportMode();
  return true;
}

void TMainFormLogic::HIDCtlDeviceChange() {
  struct AfterwardsReport {
    TMainFormLogic& logic;
    ~AfterwardsReport() { logic.StateChanged(); }
  } afterwards{*this};
  SetCaption(kCaptionNoWiimote);
  if (wiimoteDevice_ != nullptr && !wiimoteDevice_->PluggedIn()) GiveBackLostController();
  if (wiimoteDevice_ != nullptr) return;
  if (!hidCtl_->CheckOutDevice(kWiimoteVendorId, kWiimoteProductIds, wiimoteDevice_)) return;
  SetUpController();
}

// A controller that went away (powered off, out of range, its battery flat) sends no more
// releases: let go of whatever it held, so no mouse button stays down and no key keeps
// repeating. Then give it back, which ends its read thread and frees it, so that the same
// controller coming back, or another, can be checked out; until then the program is as it was
// at start without a controller.
void TMainFormLogic::GiveBackLostController() {
  dispatch_->ReleaseAll();
  hidCtl_->CheckInDevice(wiimoteDevice_);
}

void TMainFormLogic::SetUpController() {
  SetCaption(kCaptionMotionInit);
  services_.View.ProcessMessages();
  SetMotionReportMode();
  services_.Time.SleepMs(kSetupPauseMs);
  SetCaption(kCaptionIRInit);
  services_.View.ProcessMessages();
  InitIRSensor();
  services_.Time.SleepMs(kSetupPauseMs);
  RequestStatus();
  SetCaption(kCaptionTitle);
  services_.View.ProcessMessages();
}

void TMainFormLogic::ShowRead(THidDevice*, uint8_t reportId, const uint8_t* data, uint16_t size) {
  decoder_->ShowRead(reportId, data, size);
  StateChanged();
}

void TMainFormLogic::WriteReport(const OutputReport& report) {
  if (wiimoteDevice_ == nullptr) {
    SetCaption(kCaptionDeviceNotFound);
    return;
  }
  // A device announcing a longer report than the buffer gets the buffer's worth, never a read
  // past its end.
  const uint32_t length = std::min<uint32_t>(wiimoteDevice_->Capabilities().OutputReportByteLength,
                                             kOutputReportBufferSize);
  wiimoteDevice_->OpenDeviceHandle();
  uint32_t written = 0;
  if (wiimoteDevice_->WriteSync(report.data(), length, written)) {
    wiimoteDevice_->CloseDeviceHandle();
    return;
  }
  const uint32_t code = services_.Hid.LastError();
  SetCaption(ErrorCaption(code, services_.Hid.ErrorText(code)));
}

void TMainFormLogic::SendReport(std::initializer_list<uint8_t> bytes) {
  OutputReport report{};
  std::copy(bytes.begin(), bytes.end(), report.begin());
  WriteReport(report);
}

void TMainFormLogic::SetLedRumble(uint8_t value) { SendReport({kReportLedRumble, value, 0x00}); }

void TMainFormLogic::RequestStatus() { SendReport({kReportStatusRequest, 0x00, 0x00}); }

void TMainFormLogic::SetMotionReportMode() {
  SendReport({kReportDataMode, 0x00, kModeButtonsAccel});
}

void TMainFormLogic::SetButtonReportMode() { SendReport({kReportDataMode, 0x00, kModeButtons}); }

void TMainFormLogic::InitIRSensor() {
  SendReport({kReportDataMode, 0x00, kModeButtonsAccelIR});
  SendReport({kReportIRCameraEnable, kCameraEnableBit});
  SendReport({kReportIRCameraEnable2, kCameraEnableBit});
  // Camera registers: switch it on, its sensitivity, then the extended point format.
  SendReport({kReportRegisterWrite, kControlRegisters, 0xB0, 0x00, 0x30, 0x01, 0x08});
  SendReport({kReportRegisterWrite, kControlRegisters, 0xB0, 0x00, 0x06, 0x01, 0x90});
  SendReport({kReportRegisterWrite, kControlRegisters, 0xB0, 0x00, 0x08, 0x01, 0xC0});
  SendReport({kReportRegisterWrite, kControlRegisters, 0xB0, 0x00, 0x1A, 0x01, 0x40});
  SendReport({kReportRegisterWrite, kControlRegisters, 0xB0, 0x00, 0x33, 0x01, 0x33});
}

void TMainFormLogic::BatteryTimerTimer() {
  RequestStatus();
  StateChanged();
}

void TMainFormLogic::IRResetButtonClick() {
  InitIRSensor();
  StateChanged();
}

void TMainFormLogic::MotionTimerTimer() {
  pointer_->SetControllerConnected(ControllerConnected());
  pointer_->MotionTimerTimer();
  StateChanged();
}

void TMainFormLogic::CursorTimerTimer() {
  pointer_->CursorTimerTimer();
  StateChanged();
}

void TMainFormLogic::RepeatTimerTimer() {
  dispatch_->RepeatTimerTimer();
  StateChanged();
}

void TMainFormLogic::CursorOnOffButtonClick() {
  pointer_->CursorOnOffButtonClick();
  StateChanged();
}

void TMainFormLogic::CalibrateButtonClick() {
  pointer_->CalibrateButtonClick();
  StateChanged();
}

bool TMainFormLogic::CursorOn() const { return services_.MotionTimer.Enabled(); }

bool TMainFormLogic::ControllerConnected() const {
  return wiimoteDevice_ != nullptr && wiimoteDevice_->PluggedIn();
}

void TMainFormLogic::SetCaption(std::string_view caption) {
  caption_ = caption;
  services_.View.SetCaption(caption_);
}

void TMainFormLogic::StateChanged() {
  if (onStateChange_) onStateChange_();
}

}  // namespace kv
