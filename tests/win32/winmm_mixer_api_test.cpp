#include "platform/win32/winmm_mixer_api.h"

#include "core/mixer/audio_mixer.h"

#include <gtest/gtest.h>

#include <windows.h>
// After windows.h, whose types it uses.
#include <mmsystem.h>

#include <cstdio>
#include <vector>

namespace kv::win32_backend {
namespace {

struct RecordingSink final : MixerChangeSink {
  std::vector<std::pair<MixerHandle, uint32_t>> Lines, Controls;
  void MixerLineChange(MixerHandle mixer, uint32_t lineId) override {
    Lines.emplace_back(mixer, lineId);
  }
  void MixerControlChange(MixerHandle mixer, uint32_t controlId) override {
    Controls.emplace_back(mixer, controlId);
  }
};

void DispatchPending() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

// Every device the system reports opens, describes itself and lists its lines and controls; the
// values of every single-item control read back for each channel. No device at all is fine.
TEST(WinmmMixerApi, EveryReportedDeviceCanBeWalked) {
  WinmmMixerApi api;
  const uint32_t count = api.DeviceCount();
  EXPECT_EQ(count, mixerGetNumDevs());
  std::printf("mixer devices: %u\n", count);
  EXPECT_EQ(api.Open(count, nullptr), kInvalidMixerHandle);  // one past the last device
  for (uint32_t device = 0; device < count; ++device) {
    const MixerHandle mixer = api.Open(device, nullptr);
    ASSERT_NE(mixer, kInvalidMixerHandle) << device;
    MixerCaps caps;
    ASSERT_TRUE(api.GetCaps(mixer, caps));
    for (uint32_t d = 0; d < caps.Destinations; ++d) {
      MixerLine line;
      if (!api.GetDestinationLine(mixer, d, line)) continue;
      EXPECT_EQ(line.Destination, d);
      std::vector<MixerControl> controls;
      ASSERT_TRUE(api.GetLineControls(mixer, line.LineId, line.Controls, controls));
      EXPECT_EQ(controls.size(), line.Controls);
      for (const MixerControl& control : controls) {
        if (control.Flags & kMixerControlFlagMultiple) continue;
        const uint32_t channels = (control.Flags & kMixerControlFlagUniform) ? 1 : line.Channels;
        std::vector<uint32_t> values;
        EXPECT_TRUE(api.GetControlValues(mixer, control.ControlId, channels, values));
        EXPECT_EQ(values.size(), channels);
      }
    }
    api.Close(mixer);
  }
}

TEST(WinmmMixerApi, ChangeMessagesReachTheOpenDevicesSinkOnly) {
  WinmmMixerApi api;
  ASSERT_NE(api.NotificationWindow(), nullptr);
  const auto window = static_cast<HWND>(api.NotificationWindow());
  RecordingSink sink;
  // Messages for a device that is not open go nowhere.
  PostMessageA(window, MM_MIXM_CONTROL_CHANGE, 0x1234, 7);
  DispatchPending();
  EXPECT_TRUE(sink.Controls.empty());
  if (api.DeviceCount() == 0) return;  // the rest needs a device
  const MixerHandle mixer = api.Open(0, &sink);
  ASSERT_NE(mixer, kInvalidMixerHandle);
  PostMessageA(window, MM_MIXM_LINE_CHANGE, static_cast<WPARAM>(mixer), 3);
  PostMessageA(window, MM_MIXM_CONTROL_CHANGE, static_cast<WPARAM>(mixer), 9);
  DispatchPending();
  EXPECT_EQ(sink.Lines, (std::vector<std::pair<MixerHandle, uint32_t>>{{mixer, 3}}));
  EXPECT_EQ(sink.Controls, (std::vector<std::pair<MixerHandle, uint32_t>>{{mixer, 9}}));
  api.Close(mixer);
  PostMessageA(window, MM_MIXM_CONTROL_CHANGE, static_cast<WPARAM>(mixer), 10);
  DispatchPending();
  EXPECT_EQ(sink.Controls.size(), 1u);  // none after closing
}

// The program's mixer on the system's first device: the master volume written is the volume read
// (within the rounding of the system's own scale), and mute follows too.
TEST(WinmmMixerApi, MasterVolumeRoundTripsThroughTheProgramsMixer) {
  WinmmMixerApi api;
  TAudioMixer mixer(api);
  if (mixer.MixerId() < 0) return;  // no device: nothing the volume actions could reach
  const TLineVolume before = mixer.ReadLineVolume(0, -1);
  ASSERT_TRUE(before.Success);
  if (before.Left < 0) return;  // a first line without volume control
  ASSERT_TRUE(mixer.WriteLineVolume(0, -1, 30000, 20000, before.Mute < 0 ? -1 : 1));
  const TLineVolume written = mixer.ReadLineVolume(0, -1);
  std::printf("master volume written 30000/20000, read %d/%d mute %d\n", written.Left,
              written.Right, written.Mute);
  EXPECT_NEAR(written.Left, 30000, 70);
  if (written.Stereo) {
    EXPECT_NEAR(written.Right, 20000, 70);
  }
  if (before.Mute >= 0) {
    EXPECT_EQ(written.Mute, 1);
  }
  mixer.WriteLineVolume(0, -1, before.Left, before.Right, before.Mute);
}

}  // namespace
}  // namespace kv::win32_backend
