#include "core/mixer/audio_mixer.h"

#include <algorithm>
#include <limits>

namespace kv {
namespace {

constexpr uint32_t kMicrosoftManufacturerId = 1;
// Volumes travel as int32_t with -1 for a missing control; a device's values beyond that range
// (none are known) are taken as the largest.
constexpr uint32_t kMaxVolume = std::numeric_limits<int32_t>::max();

bool IsMultiple(const MixerControl& control) {
  return (control.Flags & kMixerControlFlagMultiple) != 0;
}

bool IsDisabled(const MixerControl& control) {
  return (control.Flags & kMixerControlFlagDisabled) != 0;
}

// Channels a control's details hold: one for a uniform control, else the line's channels. A
// line that claims no channels still has one value to read or write.
uint32_t ChannelsOf(const MixerControl& control, const MixerLine& line) {
  if ((control.Flags & kMixerControlFlagUniform) != 0) return 1;
  return std::max<uint32_t>(line.Channels, 1);
}

int32_t VolumeOf(uint32_t value) { return static_cast<int32_t>(std::min(value, kMaxVolume)); }

// A negative volume stands for no level at all: written as silence.
uint32_t VolumeValue(int32_t volume) { return static_cast<uint32_t>(std::max<int32_t>(volume, 0)); }

}  // namespace

std::string MixerManufacturerText(uint16_t manufacturerId) {
  if (manufacturerId == kMicrosoftManufacturerId) return "Microsoft";
  return std::to_string(manufacturerId) + " = Unknown";
}

TAudioMixer::TAudioMixer(MixerApi& api) : api_(api) {
  deviceCount_ = api_.DeviceCount();
  if (deviceCount_ > 0) SetMixerId(0);
}

TAudioMixer::~TAudioMixer() { CloseDevice(); }

void TAudioMixer::SetMixerId(int id) {
  if (id < 0 || static_cast<uint32_t>(id) >= deviceCount_) return;
  CloseDevice();
  handle_ = OpenDevice(static_cast<uint32_t>(id));
  if (handle_ == kInvalidMixerHandle) return;
  mixerId_ = id;
  ReadCapabilities();
  ReadDestinations();
}

// Opens with change messages, once more if that fails (a device can refuse the first open while
// it is still settling), and finally without change messages.
MixerHandle TAudioMixer::OpenDevice(uint32_t device) {
  notifying_ = true;
  MixerHandle handle = api_.Open(device, this);
  if (handle == kInvalidMixerHandle) handle = api_.Open(device, this);
  if (handle != kInvalidMixerHandle) return handle;
  notifying_ = false;
  return api_.Open(device, nullptr);
}

void TAudioMixer::CloseDevice() {
  if (handle_ != kInvalidMixerHandle) api_.Close(handle_);
  handle_ = kInvalidMixerHandle;
  mixerId_ = -1;
  notifying_ = false;
  destinations_.clear();
}

void TAudioMixer::ReadCapabilities() {
  MixerCaps caps;
  caps_ = api_.GetCaps(handle_, caps) ? std::move(caps) : MixerCaps{};
  manufacturer_ = MixerManufacturerText(caps_.ManufacturerId);
}

void TAudioMixer::ReadDestinations() {
  for (uint32_t d = 0; d < caps_.Destinations; ++d) {
    TMixerDestination destination;
    if (!api_.GetDestinationLine(handle_, d, destination.Data)) continue;
    destination.Controls = ReadControls(destination.Data);
    for (uint32_t s = 0; s < destination.Data.Connections; ++s) {
      TMixerConnection connection;
      if (!api_.GetSourceLine(handle_, d, s, connection.Data)) continue;
      connection.Controls = ReadControls(connection.Data);
      destination.Connections.push_back(std::move(connection));
    }
    destinations_.push_back(std::move(destination));
  }
}

TMixerControls TAudioMixer::ReadControls(const MixerLine& line) {
  std::vector<MixerControl> controls;
  if (line.Controls == 0 || !api_.GetLineControls(handle_, line.LineId, line.Controls, controls)) {
    return {};
  }
  return TMixerControls(std::move(controls));
}

bool TAudioMixer::FindLine(int destination, int connection, const MixerLine*& line,
                           const TMixerControls*& controls) const {
  if (destination < 0 || static_cast<std::size_t>(destination) >= destinations_.size()) {
    return false;
  }
  const TMixerDestination& dest = destinations_[static_cast<std::size_t>(destination)];
  if (connection == -1) {
    line = &dest.Data;
    controls = &dest.Controls;
    return true;
  }
  if (connection < 0 || static_cast<std::size_t>(connection) >= dest.Connections.size()) {
    return false;
  }
  const TMixerConnection& source = dest.Connections[static_cast<std::size_t>(connection)];
  line = &source.Data;
  controls = &source.Controls;
  return true;
}

TLineVolume TAudioMixer::ReadLineVolume(int destination, int connection) {
  TLineVolume result;
  const MixerLine* line = nullptr;
  const TMixerControls* controls = nullptr;
  if (!FindLine(destination, connection, line, controls)) return result;
  result.Success = true;

  std::vector<uint32_t> values;
  for (const MixerControl& control : controls->Items()) {
    if (result.Left != -1 && result.Mute != -1) break;
    const bool volume = control.ControlType == kMixerControlTypeVolume && result.Left == -1;
    const bool mute = control.ControlType == kMixerControlTypeMute && result.Mute == -1;
    if ((!volume && !mute) || IsMultiple(control)) continue;
    const uint32_t channels = ChannelsOf(control, *line);
    if (!api_.GetControlValues(handle_, control.ControlId, channels, values) ||
        values.size() < channels) {
      continue;
    }
    if (volume) {
      result.VolumeDisabled = IsDisabled(control);
      result.Channels.resize(channels);
      std::transform(values.begin(), values.begin() + channels, result.Channels.begin(), VolumeOf);
      result.Left = result.Channels[0];
      result.Stereo = channels > 1;
      result.Right = result.Stereo ? result.Channels[1] : result.Left;
    } else {
      result.MuteDisabled = IsDisabled(control);
      result.Mute = values[0] != 0 ? 1 : 0;
    }
  }
  return result;
}

bool TAudioMixer::WriteLineVolume(int destination, int connection, int32_t left, int32_t right,
                                  int32_t mute) {
  if (left == -1) return WriteLineChannels(destination, connection, {}, mute);
  // Every channel after the first gets the right value (channel 1's), so a surround line keeps
  // its rear channels in step with the front right.
  const int32_t channels[] = {left, right == -1 ? left : right};
  return WriteLineChannels(destination, connection, channels, mute);
}

bool TAudioMixer::WriteLineChannels(int destination, int connection,
                                    std::span<const int32_t> channels, int32_t mute) {
  const MixerLine* line = nullptr;
  const TMixerControls* controls = nullptr;
  if (!FindLine(destination, connection, line, controls)) return false;

  bool volumeDone = channels.empty();
  bool muteDone = mute == -1;
  std::vector<uint32_t> values;
  for (const MixerControl& control : controls->Items()) {
    if (volumeDone && muteDone) break;
    const bool volume = control.ControlType == kMixerControlTypeVolume && !volumeDone;
    const bool isMute = control.ControlType == kMixerControlTypeMute && !muteDone;
    if ((!volume && !isMute) || IsMultiple(control)) continue;
    const uint32_t count = ChannelsOf(control, *line);
    if (volume) {
      values.resize(count);
      for (uint32_t i = 0; i < count; ++i) {
        values[i] = VolumeValue(channels[std::min<std::size_t>(i, channels.size() - 1)]);
      }
      volumeDone = true;
    } else {
      values.assign(count, mute != 0 ? 1u : 0u);
      muteDone = true;
    }
    api_.SetControlValues(handle_, control.ControlId, values);
  }
  return true;
}

void TAudioMixer::MixerLineChange(MixerHandle mixer, uint32_t lineId) {
  if (OnLineChange) OnLineChange(*this, mixer, lineId);
}

void TAudioMixer::MixerControlChange(MixerHandle mixer, uint32_t controlId) {
  if (OnControlChange) OnControlChange(*this, mixer, controlId);
}

}  // namespace kv
