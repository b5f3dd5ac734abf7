#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kv {

// An open mixer device. 0 is never a valid handle.
using MixerHandle = std::intptr_t;
inline constexpr MixerHandle kInvalidMixerHandle = 0;

// Control kinds and flags as the mixer records carry them.
inline constexpr uint32_t kMixerControlTypeVolume = 0x50030001;
inline constexpr uint32_t kMixerControlTypeMute = 0x20010002;
inline constexpr uint32_t kMixerControlTypeMixer = 0x71010001;
inline constexpr uint32_t kMixerControlTypeMux = 0x70010001;
inline constexpr uint32_t kMixerControlClassMask = 0xF0000000;
inline constexpr uint32_t kMixerControlClassList = 0x70000000;
inline constexpr uint32_t kMixerControlFlagUniform = 0x00000001;   // all channels share one value
inline constexpr uint32_t kMixerControlFlagMultiple = 0x00000002;  // several items per channel
inline constexpr uint32_t kMixerControlFlagDisabled = 0x80000000;

// Component type of a destination line that feeds loudspeakers (the master output).
inline constexpr uint32_t kMixerComponentDestinationSpeakers = 4;

// Capabilities of a mixer device.
struct MixerCaps {
  uint16_t ManufacturerId = 0;
  uint16_t ProductId = 0;
  uint32_t DriverVersion = 0;
  std::string ProductName;
  uint32_t Support = 0;
  uint32_t Destinations = 0;  // number of destination lines
};

// One destination or source line.
struct MixerLine {
  uint32_t Destination = 0;  // index of the destination line (of the line itself or its owner)
  uint32_t Source = 0;       // index among the destination's sources; 0 for a destination
  uint32_t LineId = 0;
  uint32_t Status = 0;
  uint32_t ComponentType = 0;
  uint32_t Channels = 0;
  uint32_t Connections = 0;  // source lines of a destination; 0 for a source
  uint32_t Controls = 0;     // number of controls of the line
  std::string ShortName;
  std::string Name;
};

// One control of a line.
struct MixerControl {
  uint32_t ControlId = 0;
  uint32_t ControlType = 0;
  uint32_t Flags = 0;
  uint32_t MultipleItems = 0;
  int32_t Minimum = 0;
  int32_t Maximum = 0;
  uint32_t Steps = 0;
  std::string ShortName;
  std::string Name;
};

// Receives a device's change messages. The backend calls it on the user-interface thread only,
// and never after the device was closed.
class MixerChangeSink {
 public:
  virtual ~MixerChangeSink() = default;
  virtual void MixerLineChange(MixerHandle mixer, uint32_t lineId) = 0;
  virtual void MixerControlChange(MixerHandle mixer, uint32_t controlId) = 0;
};

// The system's audio mixer devices, their lines and controls. All calls come from the
// user-interface thread and return within a bounded time.
class MixerApi {
 public:
  virtual ~MixerApi() = default;

  // Number of mixer devices; 0 when the system has none or cannot be reached.
  virtual uint32_t DeviceCount() = 0;

  // Opens device `device`. With a sink, the device's change messages go to it; a backend that
  // cannot deliver them fails the open. Returns kInvalidMixerHandle on failure.
  virtual MixerHandle Open(uint32_t device, MixerChangeSink* sink) = 0;

  // Closes an open device; no change message reaches its sink afterwards.
  virtual void Close(MixerHandle mixer) = 0;

  // Capabilities of the open device. Returns false (record unchanged) on failure.
  virtual bool GetCaps(MixerHandle mixer, MixerCaps& caps) = 0;

  // Destination line `destination`. Returns false (record unchanged) on failure.
  virtual bool GetDestinationLine(MixerHandle mixer, uint32_t destination, MixerLine& line) = 0;

  // Source line `source` of destination `destination`. Returns false on failure.
  virtual bool GetSourceLine(MixerHandle mixer, uint32_t destination, uint32_t source,
                             MixerLine& line) = 0;

  // All `count` controls of the line `lineId`, in device order. Returns false on failure.
  virtual bool GetLineControls(MixerHandle mixer, uint32_t lineId, uint32_t count,
                               std::vector<MixerControl>& controls) = 0;

  // Reads the value of a control for `channels` channels (one value each). Returns false on
  // failure, with `values` unspecified.
  virtual bool GetControlValues(MixerHandle mixer, uint32_t controlId, uint32_t channels,
                                std::vector<uint32_t>& values) = 0;

  // Writes one value per channel (as many channels as values). Returns false on failure.
  virtual bool SetControlValues(MixerHandle mixer, uint32_t controlId,
                                std::span<const uint32_t> values) = 0;
};

}  // namespace kv
