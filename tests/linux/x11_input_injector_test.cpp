#include "platform/linux/x11_input_injector.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "core/actions/key_injection.h"
#include "platform/sim/us_key_names.h"
#include "support/raw_input_recorder.h"
#include "support/xvfb_server.h"

namespace kv::linux_backend {
namespace {

using test::RawInput;

constexpr uint8_t kVkPause = 0x13;  // marks the end of a sequence

class X11InputInjectorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(xvfb_.Start(800, 600));
    std::string error;
    injector_ = X11InputInjector::Open("", error);
    ASSERT_NE(injector_, nullptr) << error;
    ASSERT_TRUE(recorder_.Open());
  }

  // The events up to the release of the Pause key that the injector sends after the sequence
  // (events of one client reach the server in order), without the Pause key itself.
  std::vector<RawInput> Collect() {
    injector_->KeyEvent(kVkPause, true);
    injector_->KeyEvent(kVkPause, false);
    bool arrived = false;
    std::vector<RawInput> events =
        recorder_.CollectUntil(recorder_.KeyOf(kVkPause, false), std::chrono::seconds(10), arrived);
    EXPECT_TRUE(arrived) << "the end marker never arrived";
    if (arrived && !events.empty()) events.pop_back();  // the Pause press
    return events;
  }

  // Key events pressing `held` in order around one tap of `key` (0: none), released mirrored.
  std::vector<RawInput> Chord(std::vector<uint8_t> held, uint8_t key) {
    std::vector<RawInput> events;
    for (uint8_t vk : held) events.push_back(recorder_.KeyOf(vk, true));
    if (key != 0) {
      events.push_back(recorder_.KeyOf(key, true));
      events.push_back(recorder_.KeyOf(key, false));
    }
    for (auto it = held.rbegin(); it != held.rend(); ++it) {
      events.push_back(recorder_.KeyOf(*it, false));
    }
    return events;
  }

  test::XvfbServer xvfb_;
  std::unique_ptr<X11InputInjector> injector_;
  test::RawInputRecorder recorder_;
};

TEST_F(X11InputInjectorTest, KeyCombinationsReachTheServerInOrder) {
  struct Case {
    const char* Text;
    std::vector<RawInput> Expected;
  };
  const Case cases[] = {
      {"Ctrl+Alt+Del", Chord({kVkMenu, kVkControl}, 0x2E)},
      {"Win+D", Chord({kVkLeftWindows}, 'D')},
      {"Win", Chord({kVkLeftWindows}, 0)},
      {"Ctrl+Win+D", Chord({kVkLeftWindows}, 0)},
      {"Shift+Ctrl+Alt+F5", Chord({kVkMenu, kVkControl, kVkShift}, 0x74)},
      {"Alt+Right", Chord({kVkMenu}, 0x27)},
      {"Ctrl+Num *", Chord({kVkControl}, 0x6A)},
  };
  sim::UsKeyNames keyNames;
  for (const Case& c : cases) {
    for (const RawInput& raw : c.Expected) ASSERT_NE(raw.Detail, 0) << c.Text << ": key not mapped";
    SendKeyCombination(c.Text, *injector_, keyNames);
    EXPECT_EQ(Collect(), c.Expected) << c.Text;
  }
}

TEST_F(X11InputInjectorTest, ClicksDoubleClicksAndWheelNotches) {
  const auto button = [](int number, bool down) { return RawInput{false, down, number}; };
  const auto notch = [&](int number) {
    return std::vector<RawInput>{button(number, true), button(number, false)};
  };

  injector_->MouseButtonEvent(MouseButton::Left, true);
  injector_->MouseButtonEvent(MouseButton::Left, false);
  injector_->MouseButtonEvent(MouseButton::Right, true);
  injector_->MouseButtonEvent(MouseButton::Right, false);
  injector_->MouseButtonEvent(MouseButton::Middle, true);
  injector_->MouseButtonEvent(MouseButton::Middle, false);
  EXPECT_EQ(Collect(),
            (std::vector<RawInput>{button(1, true), button(1, false), button(3, true),
                                   button(3, false), button(2, true), button(2, false)}));

  for (int i = 0; i < 2; ++i) {
    injector_->MouseButtonEvent(MouseButton::Left, true);
    injector_->MouseButtonEvent(MouseButton::Left, false);
  }
  EXPECT_EQ(Collect(), (std::vector<RawInput>{button(1, true), button(1, false), button(1, true),
                                              button(1, false)}));

  injector_->MouseWheel(120);
  EXPECT_EQ(Collect(), notch(4));
  injector_->MouseWheel(-120);
  EXPECT_EQ(Collect(), notch(5));
  injector_->MouseWheel(-119);  // less than a notch
  injector_->MouseWheel(360);
  std::vector<RawInput> three = notch(4);
  three.insert(three.end(), three.begin(), three.end());
  three.insert(three.end(), three.begin(), three.begin() + 2);
  EXPECT_EQ(Collect(), three);
}

TEST(X11InputInjectorOpen, FailsClearlyWithoutDisplay) {
  std::string error;
  EXPECT_EQ(X11InputInjector::Open("unix:4093", error), nullptr);
  EXPECT_NE(error.find("XOpenDisplay"), std::string::npos) << error;
  EXPECT_NE(error.find("unix:4093"), std::string::npos) << error;
}

}  // namespace
}  // namespace kv::linux_backend
