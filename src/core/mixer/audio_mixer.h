#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "core/port/mixer_api.h"

namespace kv {

// The controls of one line, in device order.
class TMixerControls {
 public:
  TMixerControls() = default;
  explicit TMixerControls(std::vector<MixerControl> controls) : items_(std::move(controls)) {}

  const std::vector<MixerControl>& Items() const { return items_; }
  std::size_t Count() const { return items_.size(); }

 private:
  std::vector<MixerControl> items_;
};

// One source line of a destination, with its controls.
struct TMixerConnection {
  MixerLine Data;
  TMixerControls Controls;
};

using TMixerConnections = std::vector<TMixerConnection>;

// One destination line, with its controls and its source lines.
struct TMixerDestination {
  MixerLine Data;
  TMixerControls Controls;
  TMixerConnections Connections;
};

// The destination lines whose reading succeeded, in device order.
using TMixerDestinations = std::vector<TMixerDestination>;

// What ReadLineVolume gives. Volumes are 0..65535 (a device that can amplify reports levels
// above its normal one above 65535) and mute 0 or 1; -1 marks a missing control.
struct TLineVolume {
  bool Success = false;
  int32_t Left = -1;
  int32_t Right = -1;
  int32_t Mute = -1;
  bool Stereo = false;
  bool VolumeDisabled = true;
  bool MuteDisabled = true;
  bool Selected = false;  // source lines only: chosen in the destination's mixer or multiplexer
  // Every channel of the volume control as read (one for a uniform control), Left and Right
  // being the first two; empty when the line has no readable volume control.
  std::vector<int32_t> Channels;
};

// One audio mixer device: its capabilities, its line tree (read once when the device is opened)
// and the volume and mute of a line. The main window owns one, opened on device 0.
class TAudioMixer final : private MixerChangeSink {
 public:
  // Called with the sender, the mixer handle and the line or control identifier.
  using TMixerChange = std::function<void(TAudioMixer& sender, MixerHandle mixerH, uint32_t id)>;

  // Counts the devices and opens device 0 when there is one.
  explicit TAudioMixer(MixerApi& api);
  ~TAudioMixer() override;
  TAudioMixer(const TAudioMixer&) = delete;
  TAudioMixer& operator=(const TAudioMixer&) = delete;

  int MixerId() const { return mixerId_; }
  // Opens device `id` (closing the current one); an index outside the devices does nothing.
  void SetMixerId(int id);

  const std::string& Manufacturer() const { return manufacturer_; }
  uint32_t DriverVersion() const { return caps_.DriverVersion; }
  uint16_t ProductId() const { return caps_.ProductId; }
  const std::string& ProductName() const { return caps_.ProductName; }
  uint32_t NumberOfLine() const { return caps_.Destinations; }
  const TMixerDestinations& Destinations() const { return destinations_; }
  // Whether the open device sends change messages (false after the fallback open).
  bool Notifying() const { return notifying_; }

  TMixerChange OnLineChange;
  TMixerChange OnControlChange;

  // Volume and mute of a line: `connection` -1 is the destination line itself, otherwise an
  // index into its source lines. Success whenever the line exists, with or without controls.
  TLineVolume ReadLineVolume(int destination, int connection);

  // Writes left and right volume (right -1: same as left; left -1: volume untouched) and mute
  // (-1: untouched). Returns false when the line does not exist.
  bool WriteLineVolume(int destination, int connection, int32_t left, int32_t right, int32_t mute);

  // Writes the volume channel by channel (channels beyond `channels` get its last value; empty:
  // volume untouched) and mute (-1: untouched). Returns false when the line does not exist.
  bool WriteLineChannels(int destination, int connection, std::span<const int32_t> channels,
                         int32_t mute);

 private:
  void MixerLineChange(MixerHandle mixer, uint32_t lineId) override;
  void MixerControlChange(MixerHandle mixer, uint32_t controlId) override;

  void CloseDevice();
  MixerHandle OpenDevice(uint32_t device);
  void ReadCapabilities();
  void ReadDestinations();
  TMixerControls ReadControls(const MixerLine& line);
  // The line addressed by (destination, connection) with its controls, or false.
  bool FindLine(int destination, int connection, const MixerLine*& line,
                const TMixerControls*& controls) const;

  MixerApi& api_;
  uint32_t deviceCount_ = 0;
  int mixerId_ = -1;
  MixerHandle handle_ = kInvalidMixerHandle;
  bool notifying_ = false;
  MixerCaps caps_;
  std::string manufacturer_;
  TMixerDestinations destinations_;
};

// The manufacturer text of a mixer's capabilities.
std::string MixerManufacturerText(uint16_t manufacturerId);

}  // namespace kv
