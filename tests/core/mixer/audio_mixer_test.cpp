#include "core/mixer/audio_mixer.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "platform/sim/sim_mixer_api.h"

namespace kv::sim {

std::ostream& operator<<(std::ostream& out, const SimMixerApi::OpenCall& c) {
  return out << "{" << c.Device << (c.WithSink ? " sink" : " no sink")
             << (c.Succeeded ? " ok}" : " failed}");
}

std::ostream& operator<<(std::ostream& out, const SimMixerApi::Write& w) {
  out << "{control " << w.ControlId << ":";
  for (uint32_t v : w.Values) out << " " << v;
  return out << "}";
}

}  // namespace kv::sim

namespace kv {
namespace {

using sim::SimMixerApi;
using Values = std::vector<uint32_t>;
using OpenCall = SimMixerApi::OpenCall;

TEST(AudioMixer, OpensDeviceZeroAndReadsItsCapabilities) {
  SimMixerApi api;
  api.Devices = {sim::SimStereoDevice(1, 2), sim::SimMonoDevice(3)};
  api.Devices[0].Caps.ProductName = "Speakers";
  {
    TAudioMixer mixer(api);
    EXPECT_EQ(mixer.MixerId(), 0);
    EXPECT_EQ(api.Opens, std::vector<OpenCall>({{0, true, true}}));
    EXPECT_EQ(mixer.Manufacturer(), "Microsoft");
    EXPECT_EQ(mixer.ProductName(), "Speakers");
    EXPECT_EQ(mixer.ProductId(), 0x68);
    EXPECT_EQ(mixer.DriverVersion(), 0x0500u);
    EXPECT_EQ(mixer.NumberOfLine(), 1u);
    ASSERT_EQ(mixer.Destinations().size(), 1u);
    EXPECT_EQ(mixer.Destinations()[0].Controls.Count(), 2u);

    mixer.SetMixerId(2);  // outside the devices: nothing happens
    mixer.SetMixerId(-1);
    EXPECT_TRUE(api.Closes.empty());
    mixer.SetMixerId(1);
    EXPECT_EQ(mixer.MixerId(), 1);
    EXPECT_EQ(api.Closes.size(), 1u);
    EXPECT_EQ(mixer.ReadLineVolume(0, -1).Left, 3);
  }
  EXPECT_EQ(api.Closes.size(), 2u);  // and the destructor closes the open one
  EXPECT_EQ(MixerManufacturerText(0), "0 = Unknown");
  EXPECT_EQ(MixerManufacturerText(65535), "65535 = Unknown");
}

TEST(AudioMixer, OpenRetriesOnceThenFallsBackWithoutNotification) {
  struct Case {
    int FailWithSink;
    bool FailWithout;
    std::vector<OpenCall> Opens;
    int Id;
  };
  const Case cases[] = {
      {1, false, {{0, true, false}, {0, true, true}}, 0},
      {2, false, {{0, true, false}, {0, true, false}, {0, false, true}}, 0},
      {2, true, {{0, true, false}, {0, true, false}, {0, false, false}}, -1},
  };
  for (const Case& c : cases) {
    SimMixerApi api;
    api.Devices = {sim::SimStereoDevice(30000, 20000)};
    api.FailOpensWithSink = c.FailWithSink;
    api.FailOpenWithoutSink = c.FailWithout;
    TAudioMixer mixer(api);
    EXPECT_EQ(api.Opens, c.Opens);
    EXPECT_EQ(mixer.MixerId(), c.Id);
    EXPECT_EQ(mixer.Notifying(), c.Opens.back().WithSink);
    EXPECT_EQ(mixer.ReadLineVolume(0, -1).Left, c.Id == 0 ? 30000 : -1);
  }
}

TEST(AudioMixer, NoDeviceGivesFailureAndWritesNothing) {
  SimMixerApi api;
  TAudioMixer mixer(api);
  EXPECT_EQ(mixer.MixerId(), -1);
  EXPECT_TRUE(api.Opens.empty());
  const TLineVolume v = mixer.ReadLineVolume(0, -1);
  EXPECT_FALSE(v.Success);
  EXPECT_EQ(v.Left, -1);
  EXPECT_EQ(v.Right, -1);
  EXPECT_EQ(v.Mute, -1);
  EXPECT_FALSE(mixer.WriteLineVolume(0, -1, 100, 100, 1));
}

TEST(AudioMixer, ReadsFlagsAndShapesOfTheFirstControls) {
  struct Case {
    const char* Name;
    sim::SimMixerDevice Device;
    TLineVolume Expected;  // every field
  };
  const Case cases[] = {
      {"stereo",
       sim::SimStereoDevice(30000, 20000, 1),
       {true, 30000, 20000, 1, true, false, false, false, {30000, 20000}}},
      {"uniform",
       sim::SimUniformDevice(800),
       {true, 800, 800, 0, false, false, false, false, {800}}},
      {"disabled", sim::SimDisabledDevice(1, 2), {true, 1, 2, 0, true, true, true, false, {1, 2}}},
      {"no controls",
       sim::SimDevice({sim::SimLine(9, 2, {})}),
       {true, -1, -1, -1, false, true, true, false, {}}},
      // An output amplified above its normal level reads above the scale, as it is.
      {"above the normal level",
       sim::SimStereoDevice(70000, 65535, 7),
       {true, 70000, 65535, 1, true, false, false, false, {70000, 65535}}},
      {"beyond int32_t",
       sim::SimStereoDevice(0xFFFFFFFF, 0x80000000),
       {true, 0x7FFFFFFF, 0x7FFFFFFF, 0, true, false, false, false, {0x7FFFFFFF, 0x7FFFFFFF}}},
  };
  for (const Case& c : cases) {
    SimMixerApi api;
    api.Devices = {c.Device};
    TAudioMixer mixer(api);
    const TLineVolume v = mixer.ReadLineVolume(0, -1);
    const TLineVolume& e = c.Expected;
    EXPECT_EQ(std::tie(v.Success, v.Left, v.Right, v.Mute, v.Stereo, v.VolumeDisabled,
                       v.MuteDisabled, v.Selected, v.Channels),
              std::tie(e.Success, e.Left, e.Right, e.Mute, e.Stereo, e.VolumeDisabled,
                       e.MuteDisabled, e.Selected, e.Channels))
        << c.Name;
  }
}

TEST(AudioMixer, ReadsEveryChannelOfASurroundLine) {
  SimMixerApi api;
  api.Devices = {sim::SimDevice({sim::SimLine(
      1, 4, {sim::SimVolumeControl(1, {40000, 40000, 20000, 20000}), sim::SimMuteControl(2, 0)})})};
  TAudioMixer mixer(api);
  const TLineVolume v = mixer.ReadLineVolume(0, -1);
  EXPECT_EQ(v.Channels, (std::vector<int32_t>{40000, 40000, 20000, 20000}));
  EXPECT_EQ(std::tie(v.Left, v.Right), std::make_tuple(40000, 40000));
}

TEST(AudioMixer, SkipsMultipleAndUnreadableControls) {
  SimMixerApi api;
  sim::SimMixerControl multiple = sim::SimVolumeControl(5, {1, 1}, kMixerControlFlagMultiple);
  sim::SimMixerControl unreadable = sim::SimVolumeControl(6, {2, 2});
  unreadable.FailRead = true;
  sim::SimMixerControl badMute = sim::SimMuteControl(7, 1);
  badMute.FailRead = true;
  api.Devices = {
      sim::SimDevice({sim::SimLine(1, 2,
                                   {multiple, unreadable, badMute, sim::SimVolumeControl(8, {3, 4}),
                                    sim::SimMuteControl(9, 0)})})};
  TAudioMixer mixer(api);
  const TLineVolume v = mixer.ReadLineVolume(0, -1);
  EXPECT_EQ(std::tie(v.Left, v.Right, v.Mute), std::make_tuple(3, 4, 0));

  // Writing skips the multiple control, but not the unreadable ones: a write reads nothing.
  ASSERT_TRUE(mixer.WriteLineVolume(0, -1, 10, 20, 1));
  EXPECT_EQ(api.Writes, (std::vector<SimMixerApi::Write>{{6, {10, 20}}, {7, {1}}}));
}

TEST(AudioMixer, WritesChannelsByTheControlsShape) {
  sim::SimMixerControl perChannelMute = sim::SimMuteControl(2, 0);
  perChannelMute.Info.Flags = 0;
  struct Case {
    const char* Name;
    sim::SimMixerDevice Device;
    int32_t Left, Right, Mute;
    std::vector<SimMixerApi::Write> Expected;
  };
  const Case cases[] = {
      {"right follows left", sim::SimStereoDevice(0, 0), 100, -1, 0, {{1, {100, 100}}, {2, {0}}}},
      {"volume untouched", sim::SimStereoDevice(0, 0), -1, 5, 1, {{2, {1}}}},
      {"mute untouched", sim::SimStereoDevice(0, 0), 7, 8, -1, {{1, {7, 8}}}},
      {"uniform", sim::SimUniformDevice(0), 100, 200, -1, {{1, {100}}}},
      {"surround",
       sim::SimDevice({sim::SimLine(1, 4, {sim::SimVolumeControl(1, {0})})}),
       10,
       20,
       -1,
       {{1, {10, 20, 20, 20}}}},
      {"per-channel mute",
       sim::SimDevice({sim::SimLine(1, 2, {perChannelMute})}),
       -1,
       -1,
       1,
       {{2, {1, 1}}}},
  };
  for (const Case& c : cases) {
    SimMixerApi api;
    api.Devices = {c.Device};
    TAudioMixer mixer(api);
    EXPECT_TRUE(mixer.WriteLineVolume(0, -1, c.Left, c.Right, c.Mute)) << c.Name;
    EXPECT_EQ(api.Writes, c.Expected) << c.Name;
  }
}

TEST(AudioMixer, WritesChannelByChannel) {
  const sim::SimMixerDevice surround = sim::SimDevice(
      {sim::SimLine(1, 4, {sim::SimVolumeControl(1, {0}), sim::SimMuteControl(2, 0)})});
  const struct {
    const char* Name;
    sim::SimMixerDevice Device;
    std::vector<int32_t> Channels;
    int32_t Mute;
    std::vector<SimMixerApi::Write> Expected;
  } cases[] = {
      {"each its own", surround, {1, 2, 3, 4}, -1, {{1, {1, 2, 3, 4}}}},
      {"the last one repeats", surround, {1, 2}, 0, {{1, {1, 2, 2, 2}}, {2, {0}}}},
      {"extra ones are dropped", sim::SimStereoDevice(0, 0), {5, 6, 7}, -1, {{1, {5, 6}}}},
      {"uniform", sim::SimUniformDevice(0), {9, 8}, -1, {{1, {9}}}},
      {"above the scale, below zero",
       sim::SimStereoDevice(0, 0),
       {70000, -5},
       -1,
       {{1, {70000, 0}}}},
      {"volume untouched", surround, {}, 1, {{2, {1}}}},
  };
  for (const auto& c : cases) {
    SimMixerApi api;
    api.Devices = {c.Device};
    TAudioMixer mixer(api);
    EXPECT_TRUE(mixer.WriteLineChannels(0, -1, c.Channels, c.Mute)) << c.Name;
    EXPECT_EQ(api.Writes, c.Expected) << c.Name;
  }
  SimMixerApi none;
  TAudioMixer closed(none);
  const int32_t one[] = {1};
  EXPECT_FALSE(closed.WriteLineChannels(0, -1, one, 1));
}

TEST(AudioMixer, SourceLinesAreAddressedByConnectionIndex) {
  SimMixerApi api;
  sim::SimMixerLine master = sim::SimLine(1, 2, {sim::SimVolumeControl(1, {100, 100})});
  master.Sources = {sim::SimLine(2, 2, {sim::SimVolumeControl(2, {30, 40})}),
                    sim::SimLine(3, 1, {sim::SimVolumeControl(3, {50})})};
  master.Sources[0].FailRead = true;
  api.Devices = {sim::SimDevice({master})};
  TAudioMixer mixer(api);
  ASSERT_EQ(mixer.Destinations()[0].Connections.size(), 1u);  // the failing source is skipped
  EXPECT_EQ(mixer.ReadLineVolume(0, 0).Left, 50);
  EXPECT_FALSE(mixer.ReadLineVolume(0, 1).Success);
  EXPECT_FALSE(mixer.ReadLineVolume(0, -2).Success);
  EXPECT_FALSE(mixer.ReadLineVolume(1, -1).Success);
  EXPECT_TRUE(mixer.WriteLineVolume(0, 0, 60, -1, 1));
  EXPECT_EQ(api.Writes, (std::vector<SimMixerApi::Write>{{3, {60}}}));
}

TEST(AudioMixer, ChangeMessagesReachTheAssignedEvents) {
  SimMixerApi api;
  api.Devices = {sim::SimStereoDevice(1, 2)};
  TAudioMixer mixer(api);
  api.SendLineChange(5);  // no handler assigned: nothing happens
  std::vector<std::pair<char, uint32_t>> seen;
  mixer.OnLineChange = [&](TAudioMixer& sender, MixerHandle handle, uint32_t id) {
    EXPECT_EQ(&sender, &mixer);
    EXPECT_NE(handle, kInvalidMixerHandle);
    seen.emplace_back('L', id);
  };
  mixer.OnControlChange = [&](TAudioMixer&, MixerHandle, uint32_t id) {
    seen.emplace_back('C', id);
  };
  api.SendLineChange(7);
  api.SendControlChange(1);
  EXPECT_EQ(seen, (std::vector<std::pair<char, uint32_t>>{{'L', 7}, {'C', 1}}));
}

}  // namespace
}  // namespace kv
