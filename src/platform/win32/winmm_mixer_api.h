#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <vector>

#include "core/port/mixer_api.h"

namespace kv::win32_backend {

// The system's audio mixer devices through the multimedia mixer functions of winmm.
//
// Change messages: devices opened with a sink send MM_MIXM_LINE_CHANGE and MM_MIXM_CONTROL_CHANGE
// (CALLBACK_WINDOW) to a hidden message window created on the constructing thread, which must
// be the user-interface thread and must dispatch its messages; the window passes them to the
// device's sink. A device closed meanwhile has no sink any more, so late messages are dropped.
// Construct and use it on the user-interface thread only.
class WinmmMixerApi final : public MixerApi {
 public:
  WinmmMixerApi();
  ~WinmmMixerApi() override;
  WinmmMixerApi(const WinmmMixerApi&) = delete;
  WinmmMixerApi& operator=(const WinmmMixerApi&) = delete;

  // mixerGetNumDevs.
  uint32_t DeviceCount() override;
  // mixerOpen, with CALLBACK_WINDOW when there is a sink (failing when the notification window
  // could not be created). kInvalidMixerHandle on failure.
  MixerHandle Open(uint32_t device, MixerChangeSink* sink) override;
  void Close(MixerHandle mixer) override;
  // The calls below give false when the system call does not answer MMSYSERR_NOERROR.
  bool GetCaps(MixerHandle mixer, MixerCaps& caps) override;
  bool GetDestinationLine(MixerHandle mixer, uint32_t destination, MixerLine& line) override;
  bool GetSourceLine(MixerHandle mixer, uint32_t destination, uint32_t source,
                     MixerLine& line) override;
  bool GetLineControls(MixerHandle mixer, uint32_t lineId, uint32_t count,
                       std::vector<MixerControl>& controls) override;
  bool GetControlValues(MixerHandle mixer, uint32_t controlId, uint32_t channels,
                        std::vector<uint32_t>& values) override;
  bool SetControlValues(MixerHandle mixer, uint32_t controlId,
                        std::span<const uint32_t> values) override;

  // The notification window (an HWND), null when it could not be created.
  void* NotificationWindow() const { return window_; }

  // Passes a change message to the sink of the open device `mixer`; false when the message is
  // none of the two change messages or the device has no sink. Runs on the window's thread.
  bool Deliver(uint32_t message, MixerHandle mixer, uint32_t id);

 private:
  void* window_ = nullptr;
  std::map<MixerHandle, MixerChangeSink*> sinks_;
};

}  // namespace kv::win32_backend
