#include "core/hid/hid_device_controller.h"

#include <gtest/gtest.h>

#include "core/hid/controller_error.h"

#include "core/hid/hid_test_support.h"

namespace kv {
namespace {

using test::DeviceConfig;
using test::KeyboardConfig;

class HidDeviceControllerTest : public ::testing::Test, protected test::HidFixtureBase {};

TEST_F(HidDeviceControllerTest, StartupGivesExactlyOneChangeEvenWithoutDevices) {
  controller_ = std::make_unique<THidDeviceController>(hid_, ui_);
  controller_->SetOnDeviceChange([this](THidDeviceController& sender) {
    EXPECT_EQ(&sender, controller_.get());
    EXPECT_EQ(sender.ChangeParam(), THidDeviceController::kStartupChangeParam);
    ++deviceChanges_;
  });
  controller_->Loaded();
  EXPECT_EQ(deviceChanges_, 0);  // nothing before the UI thread first drains
  ui_.Drain();
  EXPECT_EQ(deviceChanges_, 1);
  ui_.Drain();
  SystemChange();  // a change among other devices: nothing HID changed
  EXPECT_EQ(deviceChanges_, 1);
  EXPECT_TRUE(controller_->DeviceList().empty());
}

TEST_F(HidDeviceControllerTest, WithoutHidServicesNothingIsFoundOrRaised) {
  hid_.AddDevice(DeviceConfig("wiimote", 1));
  hid_.SetLibrariesLoaded(false);
  StartController();
  controller_->DeviceChange();
  EXPECT_EQ(deviceChanges_, 0);
  EXPECT_TRUE(controller_->DeviceList().empty());
  EXPECT_FALSE(hid_.HasDeviceNotifications());
  EXPECT_EQ(CheckOut(), nullptr);
}

TEST_F(HidDeviceControllerTest, ArrivalsAndRemovalsRaiseEventsAccessibleDuringTheCall) {
  hid_.AddDevice(DeviceConfig("a", 1, 0x1111, 1));
  std::vector<std::string> events;
  controller_ = std::make_unique<THidDeviceController>(hid_, ui_);
  auto record = [&](const char* what) {
    return THidPlugEvent([&events, what](THidDevice& device) {
      EXPECT_TRUE(device.InNotification());
      EXPECT_EQ(device.IsAccessible(), std::string(what) == "+");
      events.push_back(what + device.PnPInfo().DevicePath);
    });
  };
  controller_->SetOnArrival(record("+"));
  controller_->SetOnRemoval(record("-"));
  controller_->SetOnDeviceChange([&](THidDeviceController&) { events.push_back("change"); });
  ui_.Drain();
  EXPECT_EQ(events, (std::vector<std::string>{"+a", "change"}));
  EXPECT_FALSE(controller_->DeviceList()[0]->InNotification());

  events.clear();
  hid_.PlugDevice(DeviceConfig("b", 2, 0x1111, 2));
  hid_.PlugDevice(DeviceConfig("c", 3, 0x1111, 3));
  ui_.Drain();  // two notices: the second finds nothing new
  EXPECT_EQ(events, (std::vector<std::string>{"+b", "+c", "change"}));

  events.clear();
  hid_.Unplug("a");
  hid_.Unplug("c");
  ui_.Drain();  // removals run from the last listed device to the first
  EXPECT_EQ(events, (std::vector<std::string>{"-c", "-a", "change"}));
  ASSERT_EQ(controller_->DeviceList().size(), 1u);
  EXPECT_EQ(controller_->DeviceList()[0]->PnPInfo().DevicePath, "b");
}

TEST_F(HidDeviceControllerTest, DevicesThatCannotBeCreatedAreSkipped) {
  auto unopenable = DeviceConfig("unopenable", 1);
  unopenable.OpenFails = true;
  auto anonymous = DeviceConfig("anonymous", 2);
  anonymous.AttributesFail = true;
  hid_.AddDevice(unopenable);
  hid_.AddDevice(anonymous);
  hid_.AddDevice(DeviceConfig("good", 3));
  StartController();
  ASSERT_EQ(controller_->DeviceList().size(), 1u);
  EXPECT_EQ(controller_->DeviceList()[0]->PnPInfo().DevicePath, "good");
  EXPECT_EQ(hid_.OpenHandleCount(), 0u);  // idle devices hold no handle, failed ones neither

  auto create = [&](const char* path) {
    try {
      THidDevice device(std::make_shared<THidPnPInfo>(HidInterfaceInfo{path, 0, {}}), hid_, ui_,
                        nullptr);
    } catch (const EControllerError& e) {
      return std::string(e.what());
    }
    return std::string("created");
  };
  EXPECT_EQ(create("unopenable"), "device cannot be opened");
  EXPECT_EQ(create("anonymous"), "device cannot be identified");
  EXPECT_EQ(hid_.OpenHandleCount(), 0u);
}

TEST_F(HidDeviceControllerTest, FailedEnumerationTreatsEveryDeviceAsRemoved) {
  hid_.AddDevice(DeviceConfig("a", 1));
  hid_.AddDevice(DeviceConfig("b", 2));
  StartController();
  int removals = 0;
  controller_->SetOnRemoval([&](THidDevice&) { ++removals; });
  hid_.SetEnumerationFails(true);
  SystemChange();
  EXPECT_EQ(removals, 2);
  EXPECT_TRUE(controller_->DeviceList().empty());
  EXPECT_EQ(deviceChanges_, 2);
}

TEST_F(HidDeviceControllerTest, CheckOutHandsOutMatchingDevicesInListOrder) {
  hid_.AddDevice(DeviceConfig("mouse", 1, 0x046D, 0xC077));
  hid_.AddDevice(DeviceConfig("first", 2));
  hid_.AddDevice(DeviceConfig("other-product", 3, test::kWiimoteVendor, 0x0330));
  hid_.AddDevice(DeviceConfig("second", 4));
  StartController();

  THidDevice* first = CheckOut();
  THidDevice* second = CheckOut();
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(first->PnPInfo().DevicePath, "first");
  EXPECT_EQ(second->PnPInfo().DevicePath, "second");
  EXPECT_TRUE(first->CheckedOut());
  THidDevice* third = first;
  EXPECT_FALSE(controller_->CheckOutDevice(test::kWiimoteVendor, test::kWiimoteProduct, third));
  EXPECT_EQ(third, nullptr);

  THidDevice* any = CheckOut(test::kWiimoteVendor, -1);  // product -1: any of the vendor
  ASSERT_NE(any, nullptr);
  EXPECT_EQ(any->PnPInfo().DevicePath, "other-product");
  EXPECT_EQ(CheckOut(test::kWiimoteVendor, -1), nullptr);
  EXPECT_EQ(CheckOut(0x9999, -1), nullptr);
}

TEST_F(HidDeviceControllerTest, CheckOutByProductListTakesListOrderNotTheListsOrder) {
  hid_.AddDevice(DeviceConfig("other-vendor", 1, 0x046D, 0x0330));
  hid_.AddDevice(DeviceConfig("balance-less", 2, test::kWiimoteVendor, 0x0337));
  hid_.AddDevice(DeviceConfig("plus", 3, test::kWiimoteVendor, 0x0330));
  hid_.AddDevice(DeviceConfig("original", 4));
  StartController();
  const int products[] = {0x0306, 0x0330};
  THidDevice* device = nullptr;
  EXPECT_FALSE(controller_->CheckOutDevice(test::kWiimoteVendor, std::span<const int>(), device));

  std::vector<std::string> taken;
  while (controller_->CheckOutDevice(test::kWiimoteVendor, products, device)) {
    ASSERT_NE(device, nullptr);
    EXPECT_TRUE(device->CheckedOut());
    taken.push_back(device->PnPInfo().DevicePath);
  }
  EXPECT_EQ(device, nullptr);
  // The Plus is listed first, so it comes first although its ID is second in the list.
  EXPECT_EQ(taken, (std::vector<std::string>{"plus", "original"}));
}

TEST_F(HidDeviceControllerTest, NoticeArrivingWhileOneIsHandledIsDropped) {
  hid_.AddDevice(DeviceConfig("a", 1));
  controller_ = std::make_unique<THidDeviceController>(hid_, ui_);
  int changes = 0;
  controller_->SetOnDeviceChange([&](THidDeviceController& sender) {
    ++changes;
    EXPECT_TRUE(sender.InDeviceChange());
    if (changes == 1) {
      hid_.PlugDevice(DeviceConfig("b", 2));  // its notice is posted...
      ui_.Drain();                            // ...and runs here, nested: dropped
    }
  });
  ui_.Drain();
  EXPECT_EQ(changes, 1);
  EXPECT_FALSE(controller_->InDeviceChange());
  EXPECT_EQ(controller_->DeviceList().size(), 1u);  // "b" not seen yet
  SystemChange();
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(controller_->DeviceList().size(), 2u);
}

TEST_F(HidDeviceControllerTest, UnpluggedCheckedOutDeviceIsReportedOnEveryChange) {
  hid_.AddDevice(DeviceConfig("wiimote", 7));
  hid_.AddDevice(DeviceConfig("other", 8, 0x1234, 1));
  StartController();
  THidDevice* wiimote = CheckOut();
  ASSERT_NE(wiimote, nullptr);
  int unplugs = 0;
  wiimote->SetUnplugHandler([&](THidDevice& device) {
    EXPECT_EQ(&device, wiimote);
    ++unplugs;
  });
  std::vector<THidDevice*> removed;
  std::vector<THidDevice*> arrived;
  controller_->SetOnRemoval([&](THidDevice& device) { removed.push_back(&device); });
  controller_->SetOnArrival([&](THidDevice& device) { arrived.push_back(&device); });

  hid_.Unplug("wiimote");
  ui_.Drain();
  EXPECT_EQ(removed, (std::vector<THidDevice*>{wiimote}));
  EXPECT_EQ(unplugs, 1);
  EXPECT_FALSE(wiimote->PluggedIn());
  EXPECT_TRUE(wiimote->CheckedOut());
  EXPECT_EQ(controller_->DeviceList().size(), 2u);  // stays listed while checked out
  EXPECT_EQ(deviceChanges_, 2);

  SystemChange();  // nothing changed in the system, yet the stale device is reported again
  EXPECT_EQ(removed.size(), 2u);
  EXPECT_EQ(unplugs, 1);  // the unplug handler ran once and was dropped
  EXPECT_EQ(deviceChanges_, 3);

  hid_.Plug("wiimote");
  ui_.Drain();
  ASSERT_EQ(arrived.size(), 1u);
  EXPECT_NE(arrived[0], wiimote);  // a new object next to the stale one
  EXPECT_EQ(arrived[0]->PnPInfo().DeviceInstance, 7u);
  EXPECT_EQ(controller_->DeviceList().size(), 3u);
  EXPECT_EQ(removed.size(), 3u);
  EXPECT_EQ(deviceChanges_, 4);
}

TEST_F(HidDeviceControllerTest, KeyboardIsListedAndCheckedOutButGetsNoReadThread) {
  hid_.AddDevice(KeyboardConfig("keyboard", 1));
  StartController();
  ASSERT_EQ(controller_->DeviceList().size(), 1u);
  THidDevice* keyboard = CheckOut(0x046D, -1);
  ASSERT_NE(keyboard, nullptr);
  EXPECT_FALSE(keyboard->ReadWriteAccess());
  EXPECT_FALSE(keyboard->HasReadThread());
  EXPECT_EQ(keyboard->Capabilities().InputReportByteLength, 9);  // query-only access suffices
  const uint8_t report[9] = {};
  uint32_t written = 1;
  EXPECT_FALSE(keyboard->WriteSync(report, sizeof report, written));
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(hid_.LastError(), sim::SimHidSystem::kErrorAccessDenied);
}

TEST_F(HidDeviceControllerTest, DevThreadSleepTimeReachesDevicesStillOnThePreviousValue) {
  hid_.AddDevice(DeviceConfig("a", 1));
  hid_.AddDevice(DeviceConfig("b", 2));
  StartController();
  auto& a = *controller_->DeviceList()[0];
  auto& b = *controller_->DeviceList()[1];
  b.SetReadSleepTime(300);

  controller_->SetDevThreadSleepTime(5);  // out of the devices' range: only the controller takes it
  EXPECT_EQ(controller_->DevThreadSleepTime(), 5);
  EXPECT_EQ(a.ReadSleepTime(), 100);
  EXPECT_EQ(b.ReadSleepTime(), 300);

  controller_->SetDevThreadSleepTime(100);  // devices "still on 5": none
  controller_->SetDevThreadSleepTime(40);
  EXPECT_EQ(a.ReadSleepTime(), 40);
  EXPECT_EQ(b.ReadSleepTime(), 300);
}

TEST_F(HidDeviceControllerTest, NewHandlersReachOnlyDevicesThatKeptThePreviousOne) {
  hid_.AddDevice(DeviceConfig("a", 1));
  hid_.AddDevice(DeviceConfig("b", 2));
  StartController();
  auto& a = *controller_->DeviceList()[0];
  auto& b = *controller_->DeviceList()[1];
  const THidDataEvent own = [](THidDevice&, uint8_t, const uint8_t*, uint16_t) {};
  b.SetDataHandler(own);
  const THidPlugEvent ownUnplug = [](THidDevice&) {};
  b.SetUnplugHandler(ownUnplug);
  const THidDataErrorEvent ownError = [](THidDevice&, uint32_t) {};
  b.SetDataErrorHandler(ownError);

  const THidDataEvent next = [](THidDevice&, uint8_t, const uint8_t*, uint16_t) {};
  const THidPlugEvent nextUnplug = [](THidDevice&) {};
  const THidDataErrorEvent nextError = [](THidDevice&, uint32_t) {};
  controller_->SetOnDeviceData(next);
  controller_->SetOnDeviceUnplug(nextUnplug);
  controller_->SetOnDeviceDataError(nextError);
  EXPECT_TRUE(a.DataHandler() == next);
  EXPECT_TRUE(a.UnplugHandler() == nextUnplug);
  EXPECT_TRUE(a.DataErrorHandler() == nextError);
  EXPECT_TRUE(b.DataHandler() == own);
  EXPECT_TRUE(b.UnplugHandler() == ownUnplug);
  EXPECT_TRUE(b.DataErrorHandler() == ownError);

  hid_.PlugDevice(DeviceConfig("c", 3));
  ui_.Drain();
  auto& c = *controller_->DeviceList()[2];
  EXPECT_TRUE(c.DataHandler() == next);  // later devices start with the current handlers
  EXPECT_TRUE(c.UnplugHandler() == nextUnplug);
  EXPECT_TRUE(c.DataErrorHandler() == nextError);
}

TEST_F(HidDeviceControllerTest, SettingOnDeviceChangeAfterLoadingRunsDeviceChange) {
  controller_ = std::make_unique<THidDeviceController>(hid_, ui_);
  int changes = 0;
  TNotifyEvent count = [&](THidDeviceController&) { ++changes; };
  hid_.AddDevice(DeviceConfig("a", 1));
  controller_->SetOnDeviceChange(count);  // while loading: nothing happens
  EXPECT_TRUE(controller_->DeviceList().empty());
  controller_->Loaded();
  controller_->SetOnDeviceChange(count);
  EXPECT_EQ(controller_->DeviceList().size(), 1u);
  EXPECT_EQ(changes, 1);
}

TEST_F(HidDeviceControllerTest, CheckInRebuildsAFreeObjectAtTheSamePosition) {
  hid_.AddDevice(DeviceConfig("a", 1, 0x1111, 1));
  hid_.AddDevice(DeviceConfig("wiimote", 2));
  hid_.AddDevice(DeviceConfig("c", 3, 0x1111, 3));
  StartController();
  THidDevice* wiimote = CheckOut();
  ASSERT_NE(wiimote, nullptr);
  wiimote->SetReadSleepTime(40);
  const THidPlugEvent unplug = [](THidDevice&) {};
  wiimote->SetUnplugHandler(unplug);
  const THidDataEvent data = wiimote->DataHandler();
  const auto pnpInfo = wiimote->SharedPnPInfo();
  EXPECT_TRUE(wiimote->HasReadThread());

  THidDevice* held = wiimote;
  controller_->CheckInDevice(held);
  EXPECT_EQ(held, nullptr);
  ASSERT_EQ(controller_->DeviceList().size(), 3u);
  const THidDevice& fresh = *controller_->DeviceList()[1];
  EXPECT_FALSE(fresh.CheckedOut());
  EXPECT_FALSE(fresh.HasReadThread());
  EXPECT_EQ(fresh.SharedPnPInfo(), pnpInfo);
  EXPECT_TRUE(fresh.DataHandler() == data);
  EXPECT_TRUE(fresh.UnplugHandler() == unplug);
  EXPECT_EQ(fresh.ReadSleepTime(), 40);
  EXPECT_EQ(hid_.OpenHandleCount(), 0u);

  // It can be checked out again.
  THidDevice* again = CheckOut();
  EXPECT_EQ(again, &fresh);
}

TEST_F(HidDeviceControllerTest, CheckInOfUnpluggedDeviceRemovesIt) {
  hid_.AddDevice(DeviceConfig("wiimote", 2));
  StartController();
  THidDevice* wiimote = CheckOut();
  hid_.Unplug("wiimote");
  ui_.Drain();
  ASSERT_EQ(controller_->DeviceList().size(), 1u);
  controller_->CheckInDevice(wiimote);
  EXPECT_TRUE(controller_->DeviceList().empty());
}

TEST_F(HidDeviceControllerTest, CheckInOfDeviceThatCannotBeReopenedRemovesIt) {
  hid_.AddDevice(DeviceConfig("wiimote", 2));
  StartController();
  THidDevice* wiimote = CheckOut();
  auto broken = DeviceConfig("wiimote", 2);
  broken.OpenFails = true;
  hid_.AddDevice(broken);  // the same device, now refusing every open
  controller_->CheckInDevice(wiimote);
  EXPECT_TRUE(controller_->DeviceList().empty());
}

TEST_F(HidDeviceControllerTest, DestructionStopsEverythingAndClosesEveryHandle) {
  hid_.AddDevice(DeviceConfig("wiimote", 1));
  hid_.AddDevice(DeviceConfig("free", 2, 0x1111, 1));
  StartController();
  THidDevice* wiimote = CheckOut();
  ASSERT_NE(wiimote, nullptr);
  int unplugs = 0;
  wiimote->SetUnplugHandler([&](THidDevice&) { ++unplugs; });
  ASSERT_TRUE(hid_.WaitForPendingRead("wiimote", test::kGenerous));
  EXPECT_GT(hid_.OpenHandleCount(), 0u);

  controller_.reset();
  EXPECT_EQ(unplugs, 1);  // checked-out devices are marked unplugged first
  EXPECT_EQ(hid_.OpenHandleCount(), 0u);
  EXPECT_FALSE(hid_.HasDeviceNotifications());
  hid_.NotifyDeviceChange();
  EXPECT_EQ(ui_.Drain(), 0u);
}

TEST_F(HidDeviceControllerTest, NoticePostedBeforeDestructionIsIgnored) {
  hid_.AddDevice(DeviceConfig("a", 1));
  controller_ = std::make_unique<THidDeviceController>(hid_, ui_);  // start-up notice queued
  controller_.reset();
  EXPECT_EQ(ui_.Drain(), 1u);  // runs and finds the controller gone
}

}  // namespace
}  // namespace kv
