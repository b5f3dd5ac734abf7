// The uinput devices and the injector on recording channels: what each device declares (which
// decides how the compositor classifies it) and the exact event streams the program's actions
// write.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include <cerrno>

#include "core/actions/key_injection.h"
#include "linux/recording_uinput_channel.h"
#include "platform/linux/evdev_keys.h"
#include "platform/linux/session_backend.h"
#include "platform/linux/uinput_input_injector.h"
#include "platform/sim/us_key_names.h"

namespace kv::linux_backend {
namespace {

using test::Ev;
using test::RecordedDevice;
using test::UinputRecord;
using ::testing::ElementsAreArray;

constexpr Ev kSyn{EV_SYN, SYN_REPORT, 0};

std::vector<Ev> Keys(std::initializer_list<std::pair<uint16_t, int>> keys) {
  std::vector<Ev> events;
  for (const auto& [code, value] : keys) {
    events.push_back({EV_KEY, code, value});
    events.push_back(kSyn);
  }
  return events;
}

TEST(UinputDeviceTest, EachKindDeclaresOnlyItsOwnAxes) {
  auto rel = std::make_shared<UinputRecord>();
  auto abs = std::make_shared<UinputRecord>();
  auto keys = std::make_shared<UinputRecord>();
  auto relDevice = RecordedDevice(UinputKind::RelativePointer, rel);
  auto absDevice = RecordedDevice(UinputKind::AbsolutePointer, abs);
  auto keyDevice = RecordedDevice(UinputKind::Keyboard, keys);
  ASSERT_TRUE(relDevice && absDevice && keyDevice);

  // Relative: motion, wheel and the three buttons, never an absolute axis.
  for (int rel_code : {REL_X, REL_Y, REL_WHEEL})
    EXPECT_TRUE(rel->Declared(UI_SET_RELBIT, rel_code));
  EXPECT_FALSE(rel->Declared(UI_SET_EVBIT, EV_ABS));
  EXPECT_TRUE(rel->Axes.empty());
  // Absolute: both axes over 0..32767 and a left button (udev's condition for a mouse), never a
  // relative axis: libinput treats a device with both kinds inconsistently.
  EXPECT_TRUE(abs->Declared(UI_SET_ABSBIT, ABS_X) && abs->Declared(UI_SET_ABSBIT, ABS_Y));
  EXPECT_TRUE(abs->Declared(UI_SET_KEYBIT, BTN_LEFT));
  EXPECT_FALSE(abs->Declared(UI_SET_EVBIT, EV_REL));
  ASSERT_EQ(abs->Axes.size(), 2u);
  for (const uinput_abs_setup& axis : abs->Axes) {
    EXPECT_EQ(axis.absinfo.minimum, 0);
    EXPECT_EQ(axis.absinfo.maximum, kAbsoluteAxisMax);
  }
  for (const auto* record : {rel.get(), abs.get()}) {
    EXPECT_TRUE(record->Declared(UI_SET_PROPBIT, INPUT_PROP_POINTER));
    EXPECT_TRUE(record->Created);
  }
  // Keyboard: udev calls a device a keyboard only with every key from Esc to S (codes 1..31).
  for (int code = 1; code <= 31; ++code) EXPECT_TRUE(keys->Declared(UI_SET_KEYBIT, code)) << code;
  EXPECT_FALSE(keys->Declared(UI_SET_EVBIT, EV_REL));
  EXPECT_FALSE(keys->Declared(UI_SET_EVBIT, EV_ABS));
  EXPECT_STREQ(keys->Setup.name, "Kestrovane keyboard");
  EXPECT_EQ(keys->Setup.id.bustype, BUS_VIRTUAL);
}

TEST(UinputDeviceTest, FailedDeclarationCreatesNoDeviceAndSaysWhichCall) {
  auto record = std::make_shared<UinputRecord>();
  record->FailControlAt = 3;
  std::string error;
  auto device = UinputDevice::Create(std::make_unique<test::RecordingUinputChannel>(record),
                                     UinputKind::RelativePointer, error);
  EXPECT_EQ(device, nullptr);
  EXPECT_FALSE(record->Created);
  EXPECT_TRUE(record->Destroyed);
  EXPECT_THAT(error, ::testing::HasSubstr("UI_SET"));
}

TEST(UinputDeviceTest, KindsRefuseEventsOfOtherKindsAndUndeclaredCodes) {
  auto rel = std::make_shared<UinputRecord>();
  auto abs = std::make_shared<UinputRecord>();
  auto relDevice = RecordedDevice(UinputKind::RelativePointer, rel);
  auto absDevice = RecordedDevice(UinputKind::AbsolutePointer, abs);
  EXPECT_FALSE(relDevice->MoveTo(10, 10));
  EXPECT_FALSE(absDevice->MoveBy(1, 1));
  EXPECT_FALSE(absDevice->Wheel(1));
  EXPECT_FALSE(relDevice->Key(KEY_A, true));
  EXPECT_TRUE(rel->Events.empty());
  EXPECT_TRUE(abs->Events.empty());
}

TEST(UinputDeviceTest, AbsoluteMovesSendOnlyChangedAxesAndClampToTheRange) {
  auto abs = std::make_shared<UinputRecord>();
  auto device = RecordedDevice(UinputKind::AbsolutePointer, abs);
  ASSERT_TRUE(device->MoveTo(100, 200));
  ASSERT_TRUE(device->MoveTo(100, 250));  // x repeats: the kernel would drop it anyway
  ASSERT_TRUE(device->MoveTo(100, 250));  // nothing changes: nothing written
  ASSERT_TRUE(device->MoveTo(-5, 40000));
  const std::vector<Ev> expected = {{EV_ABS, ABS_X, 100},
                                    {EV_ABS, ABS_Y, 200},
                                    kSyn,
                                    {EV_ABS, ABS_Y, 250},
                                    kSyn,
                                    {EV_ABS, ABS_X, 0},
                                    {EV_ABS, ABS_Y, kAbsoluteAxisMax},
                                    kSyn};
  EXPECT_THAT(test::Simplified(abs->Events), ElementsAreArray(expected));
}

class UinputInjectorTest : public ::testing::Test {
 protected:
  std::vector<Ev> KeyEvents() const { return test::Simplified(keys_->Events); }
  std::vector<Ev> PointerEvents() const { return test::Simplified(pointer_->Events); }

  std::shared_ptr<UinputRecord> keys_ = std::make_shared<UinputRecord>();
  std::shared_ptr<UinputRecord> pointer_ = std::make_shared<UinputRecord>();
  std::unique_ptr<UinputInjector> injector_ =
      std::make_unique<UinputInjector>(RecordedDevice(UinputKind::Keyboard, keys_),
                                       RecordedDevice(UinputKind::RelativePointer, pointer_));
  sim::UsKeyNames names_;
};

TEST_F(UinputInjectorTest, KeyCombinationsTypeModifiersAroundTheKeyInOrder) {
  SendKeyCombination("Ctrl+Alt+Del", *injector_, names_);
  SendKeyCombination("Win+D", *injector_, names_);
  SendKeyCombination("Shift+Ctrl+Alt+F5", *injector_, names_);
  SendKeyCombination("Alt+Right", *injector_, names_);
  const std::vector<Ev> expected =
      Keys({{KEY_LEFTALT, 1},   {KEY_LEFTCTRL, 1}, {KEY_DELETE, 1},   {KEY_DELETE, 0},
            {KEY_LEFTCTRL, 0},  {KEY_LEFTALT, 0},  {KEY_LEFTMETA, 1}, {KEY_D, 1},
            {KEY_D, 0},         {KEY_LEFTMETA, 0}, {KEY_LEFTALT, 1},  {KEY_LEFTCTRL, 1},
            {KEY_LEFTSHIFT, 1}, {KEY_F5, 1},       {KEY_F5, 0},       {KEY_LEFTSHIFT, 0},
            {KEY_LEFTCTRL, 0},  {KEY_LEFTALT, 0},  {KEY_LEFTALT, 1},  {KEY_RIGHT, 1},
            {KEY_RIGHT, 0},     {KEY_LEFTALT, 0}});
  EXPECT_THAT(KeyEvents(), ElementsAreArray(expected));
  EXPECT_TRUE(PointerEvents().empty());
}

TEST_F(UinputInjectorTest, ClicksAndWheelGoToThePointerInWholeNotches) {
  injector_->MouseButtonEvent(MouseButton::Left, true);
  injector_->MouseButtonEvent(MouseButton::Left, false);
  injector_->MouseButtonEvent(MouseButton::Right, true);
  injector_->MouseButtonEvent(MouseButton::Right, false);
  injector_->MouseButtonEvent(MouseButton::Middle, true);
  injector_->MouseButtonEvent(MouseButton::Middle, false);
  injector_->MouseWheel(120);
  injector_->MouseWheel(-240);
  injector_->MouseWheel(60);  // less than a notch: nothing, as on X11
  std::vector<Ev> expected = Keys({{BTN_LEFT, 1},
                                   {BTN_LEFT, 0},
                                   {BTN_RIGHT, 1},
                                   {BTN_RIGHT, 0},
                                   {BTN_MIDDLE, 1},
                                   {BTN_MIDDLE, 0}});
  expected.insert(expected.end(), {{EV_REL, REL_WHEEL, 1}, kSyn, {EV_REL, REL_WHEEL, -2}, kSyn});
  EXPECT_THAT(PointerEvents(), ElementsAreArray(expected));
  EXPECT_TRUE(KeyEvents().empty());
}

TEST_F(UinputInjectorTest, NothingStaysPressedWhenTheInjectorGoesAway) {
  injector_->KeyEvent(0x10, true);  // Shift held
  injector_->KeyEvent(0x41, true);  // A held
  injector_->KeyEvent(0x41, true);  // a second press of a held key writes nothing
  injector_->MouseButtonEvent(MouseButton::Left, true);  // a drag in progress
  injector_->KeyEvent(0x07, true);                       // no key: dropped
  injector_.reset();
  // Released in the reverse order of the presses, the key before its modifier.
  EXPECT_THAT(
      KeyEvents(),
      ElementsAreArray(Keys({{KEY_LEFTSHIFT, 1}, {KEY_A, 1}, {KEY_A, 0}, {KEY_LEFTSHIFT, 0}})));
  EXPECT_THAT(PointerEvents(), ElementsAreArray(Keys({{BTN_LEFT, 1}, {BTN_LEFT, 0}})));
  EXPECT_TRUE(keys_->Destroyed);
  EXPECT_TRUE(pointer_->Destroyed);
}

TEST(SessionBackendTest, WaylandSessionsGetUinputAndX11SessionsXTest) {
  EXPECT_EQ(SessionPointerBackend("wayland", nullptr), PointerBackend::Uinput);
  EXPECT_EQ(SessionPointerBackend("wayland", ""), PointerBackend::Uinput);
  // An X11 session that happens to have a nested compositor running stays on X11.
  EXPECT_EQ(SessionPointerBackend("x11", "wayland-0"), PointerBackend::X11);
  EXPECT_EQ(SessionPointerBackend(nullptr, "wayland-1"), PointerBackend::Uinput);
  EXPECT_EQ(SessionPointerBackend("tty", "wayland-1"), PointerBackend::Uinput);
  EXPECT_EQ(SessionPointerBackend("tty", ""), PointerBackend::X11);
  EXPECT_EQ(SessionPointerBackend(nullptr, nullptr), PointerBackend::X11);
}

TEST(SessionBackendTest, AccessHintsTellAMissingModuleFromAMissingPermission) {
  EXPECT_THAT(UinputAccessHint(ENOENT), ::testing::HasSubstr("modprobe uinput"));
  EXPECT_THAT(UinputAccessHint(EACCES), ::testing::HasSubstr("70-kestrovane.rules"));
  EXPECT_THAT(UinputAccessHint(EACCES), ::testing::Not(::testing::HasSubstr("modprobe")));
}

TEST(UinputChannelTest, OpeningAMissingNodeNamesTheCallAndKeepsErrno) {
  std::string error;
  int errorNumber = 0;
  EXPECT_EQ(OpenUinputChannel(error, errorNumber, "/nonexistent/uinput"), nullptr);
  EXPECT_EQ(errorNumber, ENOENT);
  EXPECT_EQ(error, "open(/nonexistent/uinput): No such file or directory");
}

}  // namespace
}  // namespace kv::linux_backend
