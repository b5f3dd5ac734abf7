#include "platform/linux/pulse_mixer_api.h"

#include <gtest/gtest.h>
#include <pulse/volume.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <regex>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "core/actions/button_dispatch.h"
#include "core/link/controller_output.h"
#include "core/mixer/audio_mixer.h"
#include "core/pointer/cursor_switch.h"
#include "platform/sim/fake_clock.h"
#include "platform/sim/recording_input_injector.h"
#include "platform/sim/recording_process_launcher.h"
#include "platform/sim/us_key_names.h"
#include "support/child_process.h"
#include "support/pulse_server.h"

namespace kv::linux_backend {
namespace {

using Values = std::vector<uint32_t>;
constexpr uint16_t kBitPlus = 0x1000;
constexpr uint16_t kBitMinus = 0x0010;
constexpr uint16_t kBitHome = 0x0080;

TEST(PulseVolumeScale, MapsLinearlyOntoNormalVolumeAndBeyond) {
  EXPECT_EQ(ScaleToPulseVolume(0), 0u);
  EXPECT_EQ(ScaleToPulseVolume(65535), 65536u);  // the sink's normal volume, 100 %
  EXPECT_EQ(PulseVolumeToScale(65536), 65535u);
  EXPECT_EQ(PulseVolumeToScale(32768), 32768u);
  // Amplified volumes continue the scale instead of reading as its top.
  EXPECT_EQ(PulseVolumeToScale(65536 * 3 / 2), 98303u);
  // Every 65536th server volume shares its scale value with the next one up: 150 % writes back
  // one higher, which is why a channel asked to keep its level is not written at all.
  EXPECT_EQ(ScaleToPulseVolume(98303), 98305u);
  EXPECT_EQ(ScaleToPulseVolume(0xFFFFFFFF), PA_VOLUME_MAX);
  EXPECT_EQ(PulseVolumeToScale(0xFFFFFFFF), PulseVolumeToScale(PA_VOLUME_MAX));
  EXPECT_LE(PulseVolumeToScale(PA_VOLUME_MAX), 0x7FFFFFFFu);  // fits the mixer's int32_t volumes
  for (uint32_t value = 0; value <= 200000; ++value) {
    ASSERT_EQ(PulseVolumeToScale(ScaleToPulseVolume(value)), value);
  }
}

// The user-interface thread of the tests: posted functions wait here until drained.
class UiQueue {
 public:
  PulseMixerApi::UiPoster Poster() {
    return [this](std::function<void()> work) {
      std::lock_guard lock(mutex_);
      queue_.push_back(std::move(work));
    };
  }
  void Drain() {
    std::deque<std::function<void()>> work;
    {
      std::lock_guard lock(mutex_);
      work.swap(queue_);
    }
    for (auto& w : work) w();
  }

 private:
  std::mutex mutex_;
  std::deque<std::function<void()>> queue_;
};

class NoCursor final : public CursorSwitch, public ControllerOutput {
 public:
  void CursorOn() override {}
  void CursorOff() override {}
  bool CursorWasOn() const override { return false; }
  void SetSpeedButtonHeld(bool) override {}
  void SetLedRumble(uint8_t) override {}
};

class PulseMixerTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server_.Start()) << "pulseaudio did not start"; }

  // Raw sink volumes as pactl reports them, per channel.
  Values ServerVolumes() {
    const std::string text = server_.Pactl("get-sink-volume @DEFAULT_SINK@");
    Values volumes;
    const std::regex channel(R"((front|rear)-(left|right): (\d+) /)");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), channel);
         it != std::sregex_iterator(); ++it) {
      volumes.push_back(static_cast<uint32_t>(std::stoul((*it)[3])));
    }
    return volumes;
  }
  bool ServerMuted() {
    return server_.Pactl("get-sink-mute @DEFAULT_SINK@").find("yes") != std::string::npos;
  }

  test::PulseServer server_;
};

TEST_F(PulseMixerTest, VolumeActionsStepClampAndMuteTheDefaultSink) {
  PulseMixerApi api(server_.Address());
  TAudioMixer mixer(api);
  ASSERT_EQ(mixer.MixerId(), 0);
  EXPECT_FALSE(mixer.Notifying());  // no way to the user-interface thread: opened without
  EXPECT_EQ(mixer.Manufacturer(), "0 = Unknown");
  EXPECT_NE(mixer.ProductName().find("pulseaudio"), std::string::npos) << mixer.ProductName();
  ASSERT_EQ(mixer.Destinations().size(), 1u);
  EXPECT_EQ(mixer.Destinations()[0].Data.Channels, 2u);
  TWiimote wiimote;
  wiimote.ButtonAssign[kSlotPlus] = {"Mixer->Volume Up", ""};
  wiimote.ButtonAssign[kSlotMinus] = {"Mixer->Volume Down", ""};
  wiimote.ButtonAssign[kSlotHome] = {"Mixer->Mute", ""};
  sim::FakeClock clock;
  sim::RecordingInputInjector injector;
  sim::UsKeyNames keyNames;
  sim::RecordingProcessLauncher launcher;
  NoCursor cursor;
  ButtonDispatch dispatch(wiimote, clock, injector, keyNames, launcher, mixer, cursor, cursor);
  const auto press = [&](uint16_t bit) {
    dispatch.HandleButtonWord(bit);
    dispatch.HandleButtonWord(0);
  };

  ASSERT_TRUE(mixer.WriteLineVolume(0, -1, 30000, 20000, 0));
  EXPECT_EQ(ServerVolumes(), (Values{ScaleToPulseVolume(30000), ScaleToPulseVolume(20000)}));
  const TLineVolume read = mixer.ReadLineVolume(0, -1);
  EXPECT_EQ(std::tie(read.Left, read.Right, read.Mute, read.Stereo),
            std::make_tuple(30000, 20000, 0, true));
  press(kBitPlus);
  EXPECT_EQ(ServerVolumes(), (Values{ScaleToPulseVolume(32048), ScaleToPulseVolume(22048)}));
  press(kBitMinus);
  press(kBitMinus);
  EXPECT_EQ(ServerVolumes(), (Values{ScaleToPulseVolume(27952), ScaleToPulseVolume(17952)}));

  ASSERT_TRUE(mixer.WriteLineVolume(0, -1, 64000, 64000, -1));
  press(kBitPlus);
  EXPECT_EQ(ServerVolumes(), (Values{65536, 65536}));
  ASSERT_TRUE(mixer.WriteLineVolume(0, -1, 1000, 1000, -1));
  press(kBitMinus);
  EXPECT_EQ(ServerVolumes(), (Values{0, 0}));

  press(kBitHome);
  EXPECT_TRUE(ServerMuted());
  press(kBitPlus);  // a step keeps the mute
  EXPECT_TRUE(ServerMuted());
  EXPECT_EQ(ServerVolumes(), (Values{ScaleToPulseVolume(2048), ScaleToPulseVolume(2048)}));
  press(kBitHome);
  EXPECT_FALSE(ServerMuted());
}

// The mixer and the volume actions of a controller on the server's default sink.
struct VolumeButtons {
  explicit VolumeButtons(const std::string& server) : api(server), mixer(api) {
    wiimote.ButtonAssign[kSlotPlus] = {"Mixer->Volume Up", ""};
    wiimote.ButtonAssign[kSlotMinus] = {"Mixer->Volume Down", ""};
    wiimote.ButtonAssign[kSlotHome] = {"Mixer->Mute", ""};
  }
  void Press(uint16_t bit) {
    dispatch.HandleButtonWord(bit);
    dispatch.HandleButtonWord(0);
  }

  PulseMixerApi api;
  TAudioMixer mixer;
  TWiimote wiimote;
  sim::FakeClock clock;
  sim::RecordingInputInjector injector;
  sim::UsKeyNames keyNames;
  sim::RecordingProcessLauncher launcher;
  NoCursor cursor;
  ButtonDispatch dispatch{wiimote, clock, injector, keyNames, launcher, mixer, cursor, cursor};
};

TEST_F(PulseMixerTest, AboveNormalVolumeStepsNeverGoTheWrongWayAndMuteKeepsIt) {
  server_.Pactl("set-sink-volume @DEFAULT_SINK@ 98304 98304");  // 150 %
  VolumeButtons buttons(server_.Address());
  ASSERT_EQ(buttons.mixer.ReadLineVolume(0, -1).Left, 98303);
  buttons.Press(kBitHome);
  EXPECT_TRUE(ServerMuted());
  EXPECT_EQ(ServerVolumes(), (Values{98304, 98304}));
  buttons.Press(kBitHome);
  EXPECT_FALSE(ServerMuted());
  buttons.Press(kBitPlus);
  EXPECT_EQ(ServerVolumes(), (Values{98304, 98304}));
  buttons.Press(kBitMinus);  // one step of 2048 down: about 146.9 %
  const uint32_t oneDown = ScaleToPulseVolume(98303 - 2048);
  EXPECT_EQ(ServerVolumes(), (Values{oneDown, oneDown}));
  EXPECT_GT(oneDown, 65536u * 146 / 100);
}

TEST_F(PulseMixerTest, MuteOnExactlyHalfVolumeLeavesItExact) {
  server_.Pactl("set-sink-volume @DEFAULT_SINK@ 32768 32768");  // exactly 50 %
  VolumeButtons buttons(server_.Address());
  buttons.Press(kBitHome);
  buttons.Press(kBitHome);
  EXPECT_FALSE(ServerMuted());
  EXPECT_EQ(ServerVolumes(), (Values{32768, 32768}));
}

TEST_F(PulseMixerTest, FourChannelSinkKeepsItsBalance) {
  ASSERT_NE(server_.Pactl("load-module module-null-sink sink_name=quad channels=4 "
                          "channel_map=front-left,front-right,rear-left,rear-right"),
            "");
  server_.Pactl("set-default-sink quad");
  server_.Pactl("set-sink-volume quad 40000 40000 20000 20000");
  VolumeButtons buttons(server_.Address());
  ASSERT_EQ(buttons.mixer.Destinations().at(0).Data.Channels, 4u);

  buttons.Press(kBitHome);
  EXPECT_TRUE(ServerMuted());
  EXPECT_EQ(ServerVolumes(), (Values{40000, 40000, 20000, 20000}));
  buttons.Press(kBitHome);

  buttons.Press(kBitPlus);
  const auto up = [](uint32_t volume) {
    return ScaleToPulseVolume(PulseVolumeToScale(volume) + 2048);
  };
  EXPECT_EQ(ServerVolumes(), (Values{up(40000), up(40000), up(20000), up(20000)}));
  buttons.Press(kBitMinus);
  EXPECT_EQ(ServerVolumes(), (Values{40000, 40000, 20000, 20000}));
}

TEST_F(PulseMixerTest, ChangesOfTheSinkReachTheOpenMixersEvents) {
  UiQueue ui;
  PulseMixerApi api(server_.Address(), ui.Poster());
  TAudioMixer mixer(api);
  EXPECT_TRUE(mixer.Notifying());
  int controlChanges = 0;
  mixer.OnControlChange = [&](TAudioMixer&, MixerHandle, uint32_t id) {
    if (id == PulseMixerApi::kVolumeControlId) ++controlChanges;
  };
  ASSERT_TRUE(mixer.WriteLineVolume(0, -1, 1234, 1234, -1));
  server_.Pactl("set-sink-volume @DEFAULT_SINK@ 40000");
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (controlChanges == 0 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ui.Drain();
  }
  EXPECT_GT(controlChanges, 0);
  EXPECT_EQ(mixer.ReadLineVolume(0, -1).Left, static_cast<int32_t>(PulseVolumeToScale(40000)));

  // Once the device is closed, messages still on their way find nobody.
  mixer.SetMixerId(0);  // closes and reopens: the old handle is gone
  controlChanges = 0;
  mixer.OnControlChange = nullptr;
  server_.Pactl("set-sink-volume @DEFAULT_SINK@ 30000");
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  ui.Drain();
  EXPECT_EQ(controlChanges, 0);
}

TEST_F(PulseMixerTest, LostServerFailsQuicklyAndIsReconnected) {
  PulseMixerApi api(server_.Address());
  TAudioMixer mixer(api);
  ASSERT_EQ(mixer.MixerId(), 0);
  ASSERT_TRUE(mixer.WriteLineVolume(0, -1, 5000, 5000, -1));

  server_.Restart();
  // The first call after the restart finds the old connection gone and makes a new one; the
  // line tree read at opening still holds.
  EXPECT_EQ(mixer.ReadLineVolume(0, -1).Left, 65535);  // a new null sink starts at full volume
  EXPECT_TRUE(mixer.WriteLineVolume(0, -1, 7000, 7000, 1));
  EXPECT_EQ(ServerVolumes(), (Values{ScaleToPulseVolume(7000), ScaleToPulseVolume(7000)}));
  EXPECT_TRUE(ServerMuted());

  server_.Stop();
  const auto start = std::chrono::steady_clock::now();
  const TLineVolume lost = mixer.ReadLineVolume(0, -1);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_TRUE(lost.Success);  // the line is known, its controls cannot be read
  EXPECT_EQ(lost.Left, -1);
  EXPECT_EQ(lost.Mute, -1);
  EXPECT_EQ(api.DeviceCount(), 0u);
}

TEST(PulseMixerApiWithoutServer, HasNoDevice) {
  const std::string directory = test::MakeTempDirectory();
  PulseMixerApi api("unix:" + directory + "/no-server");
  EXPECT_EQ(api.DeviceCount(), 0u);
  EXPECT_EQ(api.Open(0, nullptr), kInvalidMixerHandle);
  TAudioMixer mixer(api);
  EXPECT_EQ(mixer.MixerId(), -1);
  EXPECT_FALSE(mixer.ReadLineVolume(0, -1).Success);
  rmdir(directory.c_str());
}

TEST(PulseMixerApiWithoutServer, HungServerCostsABoundedWait) {
  // A socket that accepts connections into its backlog but never answers.
  const std::string directory = test::MakeTempDirectory();
  const std::string path = directory + "/hung";
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(fd, 8), 0);

  PulseMixerApi api("unix:" + path);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(api.DeviceCount(), 0u);
  const auto firstWait = std::chrono::steady_clock::now() - start;
  EXPECT_GE(firstWait, std::chrono::milliseconds(900));
  EXPECT_LT(firstWait, std::chrono::seconds(3));
  start = std::chrono::steady_clock::now();
  EXPECT_EQ(api.DeviceCount(), 0u);  // straight after a time-out: no second wait
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
  close(fd);
  unlink(path.c_str());
  rmdir(directory.c_str());
}

}  // namespace
}  // namespace kv::linux_backend
