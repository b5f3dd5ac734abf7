#include "platform/sim/sim_mixer_api.h"

#include <algorithm>

namespace kv::sim {

MixerHandle SimMixerApi::Open(uint32_t device, MixerChangeSink* sink) {
  bool ok = device < Devices.size() && handle_ == kInvalidMixerHandle;
  if (sink != nullptr && FailOpensWithSink > 0) {
    --FailOpensWithSink;
    ok = false;
  }
  if (sink == nullptr && FailOpenWithoutSink) ok = false;
  Opens.push_back({device, sink != nullptr, ok});
  if (!ok) return kInvalidMixerHandle;
  handle_ = nextHandle_++;
  device_ = device;
  sink_ = sink;
  return handle_;
}

void SimMixerApi::Close(MixerHandle mixer) {
  Closes.push_back(mixer);
  if (mixer != handle_) return;
  handle_ = kInvalidMixerHandle;
  sink_ = nullptr;
}

SimMixerDevice* SimMixerApi::OpenDevice(MixerHandle mixer) {
  if (mixer == kInvalidMixerHandle || mixer != handle_) return nullptr;
  return &Devices[device_];
}

bool SimMixerApi::GetCaps(MixerHandle mixer, MixerCaps& caps) {
  SimMixerDevice* device = OpenDevice(mixer);
  if (device == nullptr) return false;
  caps = device->Caps;
  caps.Destinations = static_cast<uint32_t>(device->Destinations.size());
  return true;
}

namespace {

bool CopyLine(const SimMixerLine& line, MixerLine& out) {
  if (line.FailRead) return false;
  out = line.Info;
  out.Controls = static_cast<uint32_t>(line.Controls.size());
  out.Connections = static_cast<uint32_t>(line.Sources.size());
  return true;
}

}  // namespace

bool SimMixerApi::GetDestinationLine(MixerHandle mixer, uint32_t destination, MixerLine& line) {
  SimMixerDevice* device = OpenDevice(mixer);
  if (device == nullptr || destination >= device->Destinations.size()) return false;
  return CopyLine(device->Destinations[destination], line);
}

bool SimMixerApi::GetSourceLine(MixerHandle mixer, uint32_t destination, uint32_t source,
                                MixerLine& line) {
  SimMixerDevice* device = OpenDevice(mixer);
  if (device == nullptr || destination >= device->Destinations.size()) return false;
  const auto& sources = device->Destinations[destination].Sources;
  if (source >= sources.size()) return false;
  return CopyLine(sources[source], line);
}

SimMixerLine* SimMixerApi::FindLine(uint32_t lineId) {
  if (Devices.empty()) return nullptr;
  for (SimMixerLine& destination : Devices[device_].Destinations) {
    if (destination.Info.LineId == lineId) return &destination;
    for (SimMixerLine& source : destination.Sources) {
      if (source.Info.LineId == lineId) return &source;
    }
  }
  return nullptr;
}

bool SimMixerApi::GetLineControls(MixerHandle mixer, uint32_t lineId, uint32_t count,
                                  std::vector<MixerControl>& controls) {
  if (OpenDevice(mixer) == nullptr) return false;
  const SimMixerLine* line = FindLine(lineId);
  if (line == nullptr || line->FailRead || count != line->Controls.size()) return false;
  controls.clear();
  for (const SimMixerControl& control : line->Controls) controls.push_back(control.Info);
  return true;
}

SimMixerControl* SimMixerApi::FindControl(uint32_t controlId) {
  if (Devices.empty()) return nullptr;
  for (SimMixerLine& destination : Devices[device_].Destinations) {
    for (SimMixerControl& control : destination.Controls) {
      if (control.Info.ControlId == controlId) return &control;
    }
    for (SimMixerLine& source : destination.Sources) {
      for (SimMixerControl& control : source.Controls) {
        if (control.Info.ControlId == controlId) return &control;
      }
    }
  }
  return nullptr;
}

bool SimMixerApi::GetControlValues(MixerHandle mixer, uint32_t controlId, uint32_t channels,
                                   std::vector<uint32_t>& values) {
  if (OpenDevice(mixer) == nullptr) return false;
  const SimMixerControl* control = FindControl(controlId);
  if (control == nullptr || control->FailRead) return false;
  values.assign(channels, 0);
  for (uint32_t i = 0; i < channels && !control->Values.empty(); ++i) {
    values[i] = control->Values[std::min<std::size_t>(i, control->Values.size() - 1)];
  }
  return true;
}

bool SimMixerApi::SetControlValues(MixerHandle mixer, uint32_t controlId,
                                   std::span<const uint32_t> values) {
  if (OpenDevice(mixer) == nullptr) return false;
  SimMixerControl* control = FindControl(controlId);
  if (control == nullptr) return false;
  Writes.push_back({controlId, {values.begin(), values.end()}});
  control->Values.assign(values.begin(), values.end());
  return true;
}

void SimMixerApi::SendLineChange(uint32_t lineId) {
  if (sink_ != nullptr) sink_->MixerLineChange(handle_, lineId);
}

void SimMixerApi::SendControlChange(uint32_t controlId) {
  if (sink_ != nullptr) sink_->MixerControlChange(handle_, controlId);
}

SimMixerControl SimVolumeControl(uint32_t controlId, std::vector<uint32_t> values, uint32_t flags) {
  SimMixerControl control;
  control.Info.ControlId = controlId;
  control.Info.ControlType = kMixerControlTypeVolume;
  control.Info.Flags = flags;
  control.Info.Maximum = 65535;
  control.Info.Steps = 65536;
  control.Info.Name = "Volume";
  control.Values = std::move(values);
  return control;
}

SimMixerControl SimMuteControl(uint32_t controlId, uint32_t muted, uint32_t flags) {
  SimMixerControl control;
  control.Info.ControlId = controlId;
  control.Info.ControlType = kMixerControlTypeMute;
  control.Info.Flags = flags | kMixerControlFlagUniform;
  control.Info.Maximum = 1;
  control.Info.Steps = 2;
  control.Info.Name = "Mute";
  control.Values = {muted};
  return control;
}

SimMixerLine SimLine(uint32_t lineId, uint32_t channels, std::vector<SimMixerControl> controls) {
  SimMixerLine line;
  line.Info.LineId = lineId;
  line.Info.Channels = channels;
  line.Info.ComponentType = kMixerComponentDestinationSpeakers;
  line.Info.Name = "Master";
  line.Controls = std::move(controls);
  return line;
}

SimMixerDevice SimDevice(std::vector<SimMixerLine> destinations) {
  SimMixerDevice device;
  device.Caps.ManufacturerId = 1;
  device.Caps.ProductId = 0x68;
  device.Caps.DriverVersion = 0x0500;
  device.Caps.ProductName = "Sim Mixer";
  for (uint32_t d = 0; d < destinations.size(); ++d) destinations[d].Info.Destination = d;
  device.Destinations = std::move(destinations);
  return device;
}

SimMixerDevice SimStereoDevice(uint32_t left, uint32_t right, uint32_t muted) {
  return SimDevice(
      {SimLine(0xFFFF0000, 2, {SimVolumeControl(1, {left, right}), SimMuteControl(2, muted)})});
}

SimMixerDevice SimMonoDevice(uint32_t volume, uint32_t muted) {
  return SimDevice(
      {SimLine(0xFFFF0000, 1, {SimVolumeControl(1, {volume}), SimMuteControl(2, muted)})});
}

SimMixerDevice SimUniformDevice(uint32_t volume, uint32_t muted) {
  return SimDevice({SimLine(
      0xFFFF0000, 2,
      {SimVolumeControl(1, {volume}, kMixerControlFlagUniform), SimMuteControl(2, muted)})});
}

SimMixerDevice SimDisabledDevice(uint32_t left, uint32_t right, uint32_t muted) {
  return SimDevice({SimLine(0xFFFF0000, 2,
                            {SimVolumeControl(1, {left, right}, kMixerControlFlagDisabled),
                             SimMuteControl(2, muted, kMixerControlFlagDisabled)})});
}

SimMixerDevice SimTwoVolumeDevice(uint32_t left, uint32_t right, uint32_t muted) {
  return SimDevice({SimLine(0xFFFF0000, 2,
                            {SimVolumeControl(1, {left, right}), SimVolumeControl(3, {1000, 1000}),
                             SimMuteControl(2, muted)})});
}

SimMixerDevice SimFailingFirstLineDevice(uint32_t left, uint32_t right, uint32_t muted) {
  SimMixerLine broken = SimLine(0xFFFF0000, 2, {SimVolumeControl(1, {7, 7})});
  broken.FailRead = true;
  SimMixerLine good =
      SimLine(0xFFFF0001, 2, {SimVolumeControl(11, {left, right}), SimMuteControl(12, muted)});
  return SimDevice({std::move(broken), std::move(good)});
}

}  // namespace kv::sim
