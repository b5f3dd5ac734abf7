#include "platform/linux/x11_input_injector.h"

#include <gtest/gtest.h>
#include <poll.h>

// After the test framework: Xlib defines macros such as None that clash with it.
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

#include <chrono>
#include <ostream>
#include <string>
#include <vector>

#include "core/actions/key_injection.h"
#include "platform/sim/us_key_names.h"
#include "support/xvfb_server.h"

namespace kv::linux_backend {
namespace {

// What the server delivered: a key (by keycode) or a button (by number) going down or up.
struct Raw {
  bool Key = true;
  bool Down = true;
  int Detail = 0;
  friend bool operator==(const Raw&, const Raw&) = default;
};

std::ostream& operator<<(std::ostream& out, const Raw& raw) {
  return out << (raw.Key ? "key " : "button ") << raw.Detail << (raw.Down ? " down" : " up");
}

constexpr uint8_t kVkPause = 0x13;  // marks the end of a sequence

// An X client that records the raw input events of the master devices. Raw events reach the
// root window without focus or grabs, and injected events produce them like real ones do.
class RawInputRecorder {
 public:
  ~RawInputRecorder() {
    if (display_ != nullptr) XCloseDisplay(display_);
  }

  bool Open() {
    display_ = XOpenDisplay(nullptr);
    if (display_ == nullptr) return false;
    int event = 0, error = 0;
    if (!XQueryExtension(display_, "XInputExtension", &opcode_, &event, &error)) return false;
    int major = 2, minor = 2;
    if (XIQueryVersion(display_, &major, &minor) != Success) return false;
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_RawKeyPress);
    XISetMask(bits, XI_RawKeyRelease);
    XISetMask(bits, XI_RawButtonPress);
    XISetMask(bits, XI_RawButtonRelease);
    XIEventMask mask{XIAllMasterDevices, sizeof bits, bits};
    XISelectEvents(display_, DefaultRootWindow(display_), &mask, 1);
    XSync(display_, False);
    return true;
  }

  int KeyCodeOf(uint8_t vk) { return XKeysymToKeycode(display_, KeySymOfVirtualKey(vk)); }

  Raw KeyOf(uint8_t vk, bool down) { return {true, down, KeyCodeOf(vk)}; }

  // The events up to the release of the Pause key that the injector sends after the sequence
  // (events of one client reach the server in order), without the Pause key itself.
  std::vector<Raw> Collect(X11InputInjector& injector) {
    injector.KeyEvent(kVkPause, true);
    injector.KeyEvent(kVkPause, false);
    const Raw end = KeyOf(kVkPause, false);
    std::vector<Raw> events;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
      if (XPending(display_) == 0) {
        pollfd pfd{ConnectionNumber(display_), POLLIN, 0};
        poll(&pfd, 1, 100);
        continue;
      }
      XEvent event;
      XNextEvent(display_, &event);
      const Raw raw = Decode(event);
      if (raw.Detail == 0) continue;
      if (raw == end) {
        events.resize(events.size() - 1);  // the Pause press
        return events;
      }
      events.push_back(raw);
    }
    ADD_FAILURE() << "the end marker never arrived";
    return events;
  }

 private:
  Raw Decode(XEvent& event) {
    Raw raw{true, true, 0};
    XGenericEventCookie* cookie = &event.xcookie;
    if (cookie->type != GenericEvent || cookie->extension != opcode_ ||
        !XGetEventData(display_, cookie)) {
      return raw;
    }
    const auto* data = static_cast<const XIRawEvent*>(cookie->data);
    raw.Key = cookie->evtype == XI_RawKeyPress || cookie->evtype == XI_RawKeyRelease;
    raw.Down = cookie->evtype == XI_RawKeyPress || cookie->evtype == XI_RawButtonPress;
    raw.Detail = data->detail;
    XFreeEventData(display_, cookie);
    return raw;
  }

  Display* display_ = nullptr;
  int opcode_ = 0;
};

class X11InputInjectorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(xvfb_.Start(800, 600));
    std::string error;
    injector_ = X11InputInjector::Open("", error);
    ASSERT_NE(injector_, nullptr) << error;
    ASSERT_TRUE(recorder_.Open());
  }

  // Key events pressing `held` in order around one tap of `key` (0: none), released mirrored.
  std::vector<Raw> Chord(std::vector<uint8_t> held, uint8_t key) {
    std::vector<Raw> events;
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
  RawInputRecorder recorder_;
};

TEST_F(X11InputInjectorTest, KeyCombinationsReachTheServerInOrder) {
  struct Case {
    const char* Text;
    std::vector<Raw> Expected;
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
    for (const Raw& raw : c.Expected) ASSERT_NE(raw.Detail, 0) << c.Text << ": key not mapped";
    SendKeyCombination(c.Text, *injector_, keyNames);
    EXPECT_EQ(recorder_.Collect(*injector_), c.Expected) << c.Text;
  }
}

TEST_F(X11InputInjectorTest, ClicksDoubleClicksAndWheelNotches) {
  const auto button = [](int number, bool down) { return Raw{false, down, number}; };
  const auto notch = [&](int number) {
    return std::vector<Raw>{button(number, true), button(number, false)};
  };

  injector_->MouseButtonEvent(MouseButton::Left, true);
  injector_->MouseButtonEvent(MouseButton::Left, false);
  injector_->MouseButtonEvent(MouseButton::Right, true);
  injector_->MouseButtonEvent(MouseButton::Right, false);
  injector_->MouseButtonEvent(MouseButton::Middle, true);
  injector_->MouseButtonEvent(MouseButton::Middle, false);
  EXPECT_EQ(recorder_.Collect(*injector_),
            (std::vector<Raw>{button(1, true), button(1, false), button(3, true), button(3, false),
                              button(2, true), button(2, false)}));

  for (int i = 0; i < 2; ++i) {
    injector_->MouseButtonEvent(MouseButton::Left, true);
    injector_->MouseButtonEvent(MouseButton::Left, false);
  }
  EXPECT_EQ(recorder_.Collect(*injector_), (std::vector<Raw>{button(1, true), button(1, false),
                                                             button(1, true), button(1, false)}));

  injector_->MouseWheel(120);
  EXPECT_EQ(recorder_.Collect(*injector_), notch(4));
  injector_->MouseWheel(-120);
  EXPECT_EQ(recorder_.Collect(*injector_), notch(5));
  injector_->MouseWheel(-119);  // less than a notch
  injector_->MouseWheel(360);
  std::vector<Raw> three = notch(4);
  three.insert(three.end(), three.begin(), three.end());
  three.insert(three.end(), three.begin(), three.begin() + 2);
  EXPECT_EQ(recorder_.Collect(*injector_), three);
}

TEST(X11InputInjectorOpen, FailsClearlyWithoutDisplay) {
  std::string error;
  EXPECT_EQ(X11InputInjector::Open("unix:4093", error), nullptr);
  EXPECT_NE(error.find("XOpenDisplay"), std::string::npos) << error;
  EXPECT_NE(error.find("unix:4093"), std::string::npos) << error;
}

}  // namespace
}  // namespace kv::linux_backend
