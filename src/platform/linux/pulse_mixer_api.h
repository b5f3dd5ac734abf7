#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/port/mixer_api.h"

namespace kv::linux_backend {

// The system volume through a PulseAudio server. The server's default sink is the one device,
// with one destination line (the sink's channels) holding a volume control (one value per
// channel, 0..65535 mapped linearly onto silence..the sink's normal volume, higher values above
// it) and a uniform mute control. The line follows whichever sink is the default at each call. No
// reachable server means no device.
//
// Every call waits for the server for a bounded time (a second to connect, half a second per
// request), so a hung server never freezes the user interface. A lost connection is made again
// at the next call.
class PulseMixerApi final : public MixerApi {
 public:
  // Runs a function on the user-interface thread; callable from any thread.
  using UiPoster = std::function<void(std::function<void()>)>;

  // `server`: the server to use, empty for the default one. `poster`: how change messages reach
  // the user-interface thread; without it, opening with a change sink fails.
  explicit PulseMixerApi(std::string server = {}, UiPoster poster = {});
  ~PulseMixerApi() override;
  PulseMixerApi(const PulseMixerApi&) = delete;
  PulseMixerApi& operator=(const PulseMixerApi&) = delete;

  uint32_t DeviceCount() override;
  MixerHandle Open(uint32_t device, MixerChangeSink* sink) override;
  void Close(MixerHandle mixer) override;
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

  static constexpr uint32_t kLineId = 0xFFFF0000;
  static constexpr uint32_t kVolumeControlId = 1;
  static constexpr uint32_t kMuteControlId = 2;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The linear map between the 0..65535 scale and PulseAudio volumes (0..normal volume). A sink
// amplified above its normal volume reads above 65535 on the same scale, and such values are
// written back as they read, up to the server's largest volume.
uint32_t PulseVolumeToScale(uint32_t pulseVolume);
uint32_t ScaleToPulseVolume(uint32_t scaled);

}  // namespace kv::linux_backend
