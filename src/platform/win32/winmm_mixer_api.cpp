#include "platform/win32/winmm_mixer_api.h"

#include <windows.h>
// After windows.h, whose types it uses.
#include <mmsystem.h>

#include <cstring>

namespace kv::win32_backend {
namespace {

constexpr char kWindowClass[] = "KestrovaneMixerWindow";

LRESULT CALLBACK MixerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* api = reinterpret_cast<WinmmMixerApi*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (api != nullptr && (message == MM_MIXM_LINE_CHANGE || message == MM_MIXM_CONTROL_CHANGE)) {
    api->Deliver(message, static_cast<MixerHandle>(wParam), static_cast<uint32_t>(lParam));
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateNotificationWindow(WinmmMixerApi* api) {
  static const bool registered = [] {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = MixerWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kWindowClass;
    return RegisterClassA(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }();
  if (!registered) return nullptr;
  // A message-only window: it is never shown and only receives what is posted to it.
  return CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                         GetModuleHandleA(nullptr), api);
}

HMIXEROBJ Object(MixerHandle mixer) { return reinterpret_cast<HMIXEROBJ>(mixer); }

// A fixed-size text field of a record, up to its first NUL.
template <size_t N>
std::string FieldText(const char (&field)[N]) {
  return std::string(field, strnlen(field, N));
}

MixerLine LineOf(const MIXERLINEA& line) {
  MixerLine result;
  result.Destination = line.dwDestination;
  result.Source = line.dwSource;
  result.LineId = line.dwLineID;
  result.Status = line.fdwLine;
  result.ComponentType = line.dwComponentType;
  result.Channels = line.cChannels;
  result.Connections = line.cConnections;
  result.Controls = line.cControls;
  result.ShortName = FieldText(line.szShortName);
  result.Name = FieldText(line.szName);
  return result;
}

MixerControl ControlOf(const MIXERCONTROLA& control) {
  MixerControl result;
  result.ControlId = control.dwControlID;
  result.ControlType = control.dwControlType;
  result.Flags = control.fdwControl;
  result.MultipleItems = control.cMultipleItems;
  result.Minimum = control.Bounds.lMinimum;
  result.Maximum = control.Bounds.lMaximum;
  result.Steps = control.Metrics.cSteps;
  result.ShortName = FieldText(control.szShortName);
  result.Name = FieldText(control.szName);
  return result;
}

bool GetLine(MixerHandle mixer, MIXERLINEA& line, DWORD flags, MixerLine& result) {
  line.cbStruct = sizeof(line);
  if (mixerGetLineInfoA(Object(mixer), &line, flags | MIXER_OBJECTF_HMIXER) != MMSYSERR_NOERROR) {
    return false;
  }
  result = LineOf(line);
  return true;
}

MIXERCONTROLDETAILS DetailsOf(uint32_t controlId, uint32_t channels, void* values) {
  MIXERCONTROLDETAILS details{};
  details.cbStruct = sizeof(details);
  details.dwControlID = controlId;
  details.cChannels = channels;
  details.cMultipleItems = 0;
  details.cbDetails = sizeof(DWORD);
  details.paDetails = values;
  return details;
}

}  // namespace

WinmmMixerApi::WinmmMixerApi() : window_(CreateNotificationWindow(this)) {}

WinmmMixerApi::~WinmmMixerApi() {
  while (!sinks_.empty()) Close(sinks_.begin()->first);
  if (window_ != nullptr) DestroyWindow(static_cast<HWND>(window_));
}

uint32_t WinmmMixerApi::DeviceCount() { return mixerGetNumDevs(); }

MixerHandle WinmmMixerApi::Open(uint32_t device, MixerChangeSink* sink) {
  if (sink != nullptr && window_ == nullptr) return kInvalidMixerHandle;
  HMIXER mixer = nullptr;
  const DWORD_PTR callback = sink != nullptr ? reinterpret_cast<DWORD_PTR>(window_) : 0;
  const DWORD flags = sink != nullptr ? CALLBACK_WINDOW : 0;
  if (mixerOpen(&mixer, device, callback, 0, flags | MIXER_OBJECTF_MIXER) != MMSYSERR_NOERROR ||
      mixer == nullptr) {
    return kInvalidMixerHandle;
  }
  const auto handle = reinterpret_cast<MixerHandle>(mixer);
  if (sink != nullptr) sinks_[handle] = sink;
  return handle;
}

void WinmmMixerApi::Close(MixerHandle mixer) {
  // Forget the sink first: a message still queued for this device finds none.
  sinks_.erase(mixer);
  if (mixer != kInvalidMixerHandle) mixerClose(reinterpret_cast<HMIXER>(mixer));
}

bool WinmmMixerApi::Deliver(uint32_t message, MixerHandle mixer, uint32_t id) {
  const auto found = sinks_.find(mixer);
  if (found == sinks_.end()) return false;
  if (message == MM_MIXM_LINE_CHANGE) {
    found->second->MixerLineChange(mixer, id);
  } else if (message == MM_MIXM_CONTROL_CHANGE) {
    found->second->MixerControlChange(mixer, id);
  } else {
    return false;
  }
  return true;
}

bool WinmmMixerApi::GetCaps(MixerHandle mixer, MixerCaps& caps) {
  MIXERCAPSA system{};
  if (mixerGetDevCapsA(static_cast<UINT_PTR>(mixer), &system, sizeof(system)) != MMSYSERR_NOERROR) {
    return false;
  }
  caps.ManufacturerId = system.wMid;
  caps.ProductId = system.wPid;
  caps.DriverVersion = system.vDriverVersion;
  caps.ProductName = FieldText(system.szPname);
  caps.Support = system.fdwSupport;
  caps.Destinations = system.cDestinations;
  return true;
}

bool WinmmMixerApi::GetDestinationLine(MixerHandle mixer, uint32_t destination, MixerLine& line) {
  MIXERLINEA system{};
  system.dwDestination = destination;
  return GetLine(mixer, system, MIXER_GETLINEINFOF_DESTINATION, line);
}

bool WinmmMixerApi::GetSourceLine(MixerHandle mixer, uint32_t destination, uint32_t source,
                                  MixerLine& line) {
  MIXERLINEA system{};
  system.dwDestination = destination;
  system.dwSource = source;
  return GetLine(mixer, system, MIXER_GETLINEINFOF_SOURCE, line);
}

bool WinmmMixerApi::GetLineControls(MixerHandle mixer, uint32_t lineId, uint32_t count,
                                    std::vector<MixerControl>& controls) {
  if (count == 0) {
    controls.clear();
    return true;
  }
  std::vector<MIXERCONTROLA> block(count);
  MIXERLINECONTROLSA request{};
  request.cbStruct = sizeof(request);
  request.dwLineID = lineId;
  request.cControls = count;
  request.cbmxctrl = sizeof(MIXERCONTROLA);
  request.pamxctrl = block.data();
  if (mixerGetLineControlsA(Object(mixer), &request,
                            MIXER_GETLINECONTROLSF_ALL | MIXER_OBJECTF_HMIXER) !=
      MMSYSERR_NOERROR) {
    return false;
  }
  controls.clear();
  for (const MIXERCONTROLA& control : block) controls.push_back(ControlOf(control));
  return true;
}

bool WinmmMixerApi::GetControlValues(MixerHandle mixer, uint32_t controlId, uint32_t channels,
                                     std::vector<uint32_t>& values) {
  std::vector<DWORD> system(channels == 0 ? 1 : channels);
  MIXERCONTROLDETAILS details = DetailsOf(controlId, channels, system.data());
  if (mixerGetControlDetailsA(Object(mixer), &details,
                              MIXER_GETCONTROLDETAILSF_VALUE | MIXER_OBJECTF_HMIXER) !=
      MMSYSERR_NOERROR) {
    return false;
  }
  values.assign(system.begin(), system.begin() + channels);
  return true;
}

bool WinmmMixerApi::SetControlValues(MixerHandle mixer, uint32_t controlId,
                                     std::span<const uint32_t> values) {
  std::vector<DWORD> system(values.begin(), values.end());
  if (system.empty()) return false;
  MIXERCONTROLDETAILS details =
      DetailsOf(controlId, static_cast<uint32_t>(system.size()), system.data());
  return mixerSetControlDetails(Object(mixer), &details,
                                MIXER_SETCONTROLDETAILSF_VALUE | MIXER_OBJECTF_HMIXER) ==
         MMSYSERR_NOERROR;
}

}  // namespace kv::win32_backend
