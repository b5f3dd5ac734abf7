#pragma once

#include <cstdint>
#include <vector>

#include "core/port/mixer_api.h"

namespace kv::sim {

struct SimMixerControl {
  MixerControl Info;
  std::vector<uint32_t> Values;  // the stored channel values (one for a uniform control)
  bool FailRead = false;
};

struct SimMixerLine {
  MixerLine Info;  // Controls and Connections are filled from the vectors when read
  std::vector<SimMixerControl> Controls;
  std::vector<SimMixerLine> Sources;
  bool FailRead = false;
};

struct SimMixerDevice {
  MixerCaps Caps;  // Destinations is filled from the vector when read
  std::vector<SimMixerLine> Destinations;
};

// An in-memory mixer with configurable devices, lines and controls. It records every open, close
// and control write, and can fail opens and reads on request.
class SimMixerApi final : public MixerApi {
 public:
  struct OpenCall {
    uint32_t Device = 0;
    bool WithSink = false;
    bool Succeeded = false;
    friend bool operator==(const OpenCall&, const OpenCall&) = default;
  };
  struct Write {
    uint32_t ControlId = 0;
    std::vector<uint32_t> Values;
    friend bool operator==(const Write&, const Write&) = default;
  };

  std::vector<SimMixerDevice> Devices;
  int FailOpensWithSink = 0;  // so many opens with a sink fail before one may succeed
  bool FailOpenWithoutSink = false;

  std::vector<OpenCall> Opens;
  std::vector<MixerHandle> Closes;
  std::vector<Write> Writes;

  uint32_t DeviceCount() override { return static_cast<uint32_t>(Devices.size()); }
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

  // The control with this identifier on the open device (or device 0 when none is open).
  SimMixerControl* FindControl(uint32_t controlId);
  // Sends a change message to the sink of the open device, if it has one.
  void SendLineChange(uint32_t lineId);
  void SendControlChange(uint32_t controlId);
  bool Open() const { return handle_ != kInvalidMixerHandle; }

 private:
  SimMixerDevice* OpenDevice(MixerHandle mixer);
  SimMixerLine* FindLine(uint32_t lineId);

  MixerHandle handle_ = kInvalidMixerHandle;
  MixerHandle nextHandle_ = 0x100;
  uint32_t device_ = 0;
  MixerChangeSink* sink_ = nullptr;
};

// Building blocks with the conventional flags: a volume control per channel, a uniform mute.
SimMixerControl SimVolumeControl(uint32_t controlId, std::vector<uint32_t> values,
                                 uint32_t flags = 0);
SimMixerControl SimMuteControl(uint32_t controlId, uint32_t muted, uint32_t flags = 0);
SimMixerLine SimLine(uint32_t lineId, uint32_t channels, std::vector<SimMixerControl> controls);
SimMixerDevice SimDevice(std::vector<SimMixerLine> destinations);

// Ready-made devices. The volume control of the first line has identifier 1, its mute 2.
SimMixerDevice SimStereoDevice(uint32_t left, uint32_t right, uint32_t muted = 0);
SimMixerDevice SimMonoDevice(uint32_t volume, uint32_t muted = 0);
// Two channels, one volume value for both.
SimMixerDevice SimUniformDevice(uint32_t volume, uint32_t muted = 0);
// Stereo with the disabled flag on both controls.
SimMixerDevice SimDisabledDevice(uint32_t left, uint32_t right, uint32_t muted = 0);
// Stereo with a second volume control (identifier 3) between the first and the mute.
SimMixerDevice SimTwoVolumeDevice(uint32_t left, uint32_t right, uint32_t muted = 0);
// The first destination fails to read; the second (volume 11, mute 12) is stereo.
SimMixerDevice SimFailingFirstLineDevice(uint32_t left, uint32_t right, uint32_t muted = 0);

}  // namespace kv::sim
