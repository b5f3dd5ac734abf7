#include "platform/linux/hid_sysfs.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "support/temp_dir.h"

namespace kv::linux_backend {
namespace {

TEST(HidSysfs, Fnv1aMatchesTheReferenceValues) {
  EXPECT_EQ(Fnv1a32(""), 0x811C9DC5u);
  EXPECT_EQ(Fnv1a32("a"), 0xE40C292Cu);
  EXPECT_EQ(Fnv1a32("foobar"), 0xBF9CF968u);
}

struct HidIdCase {
  const char* Text;
  bool Valid;
  uint16_t Bus, Vendor, Product;
};

class ParseHidIdTest : public testing::TestWithParam<HidIdCase> {};

TEST_P(ParseHidIdTest, ReadsThreeHexFields) {
  const HidIdCase& c = GetParam();
  const auto id = ParseHidId(c.Text);
  ASSERT_EQ(id.has_value(), c.Valid) << c.Text;
  if (!c.Valid) return;
  EXPECT_EQ(id->Bus, c.Bus);
  EXPECT_EQ(id->VendorID, c.Vendor);
  EXPECT_EQ(id->ProductID, c.Product);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseHidIdTest,
    testing::Values(HidIdCase{"0005:0000057E:00000306", true, 5, 0x057E, 0x0306},
                    HidIdCase{"0003:0000046d:0000C52B", true, 3, 0x046D, 0xC52B},
                    HidIdCase{"18:1:2", true, 0x18, 1, 2},
                    HidIdCase{"0005:0001057E:00000306", false, 0, 0, 0},  // vendor above 16 bits
                    HidIdCase{"0005:057E", false, 0, 0, 0},
                    HidIdCase{"0005:057E:0306:0001", false, 0, 0, 0},
                    HidIdCase{"0005::0306", false, 0, 0, 0},
                    HidIdCase{"0005:000000057E:0306", false, 0, 0, 0},  // nine digits
                    HidIdCase{"0005:057G:0306", false, 0, 0, 0}, HidIdCase{"", false, 0, 0, 0}));

TEST(HidSysfs, UeventValueFindsWholeKeysOnly) {
  const char* uevent =
      "DRIVER=hid-generic\nHID_ID=0003:0000057E:00000306\nHID_NAME=Pad =2\n"
      "HID_PHYS=usb-1/input0\nHID_UNIQ=\nMODALIAS=hid:b0003";
  EXPECT_EQ(UeventValue(uevent, "HID_ID"), "0003:0000057E:00000306");
  EXPECT_EQ(UeventValue(uevent, "HID_NAME"), "Pad =2");
  EXPECT_EQ(UeventValue(uevent, "HID_UNIQ"), "");
  EXPECT_EQ(UeventValue(uevent, "MODALIAS"), "hid:b0003");  // last line without newline
  EXPECT_EQ(UeventValue(uevent, "HID"), std::nullopt);      // a prefix of other keys
  EXPECT_EQ(UeventValue(uevent, "DRIVE"), std::nullopt);
  EXPECT_EQ(UeventValue("", "HID_ID"), std::nullopt);
}

TEST(HidSysfs, ReadSmallFileRefusesLargerFiles) {
  test::TempDir dir;
  const auto file = dir.Write("f", std::string(5000, 'x')).string();
  EXPECT_EQ(ReadSmallFile(file, 5000)->size(), 5000u);
  errno = 0;
  EXPECT_EQ(ReadSmallFile(file, 4999), std::nullopt);
  EXPECT_EQ(errno, EFBIG);
  EXPECT_EQ(ReadSmallFile((dir.Path() / "missing").string(), 10), std::nullopt);
  EXPECT_EQ(errno, ENOENT);
}

TEST(HidSysfs, UsbReleaseNumberComesFromTheNearestUsbAncestor) {
  test::TempDir dir;
  const std::string root = (dir.Path() / "sys").string();
  dir.Write("sys/devices/pci0/usb1/1-1/bcdDevice", "0125\n");
  dir.Write("sys/devices/pci0/usb1/1-1/1-1:1.0/0003:057E:0306.0001/uevent", "");
  dir.Write("sys/devices/virtual/misc/uhid/0003:057E:0306.0002/uevent", "");
  dir.Write("sys/devices/bcdDevice", "7777\n");  // the tree's root is no device
  EXPECT_EQ(UsbReleaseNumber(root, root + "/devices/pci0/usb1/1-1/1-1:1.0/0003:057E:0306.0001"),
            0x0125);
  EXPECT_EQ(UsbReleaseNumber(root, root + "/devices/virtual/misc/uhid/0003:057E:0306.0002"), 0);
  EXPECT_EQ(UsbReleaseNumber(root, root + "/devices/missing"), 0);
  EXPECT_EQ(UsbReleaseNumber(root, dir.Path().string()), 0);  // outside the devices tree
}

}  // namespace
}  // namespace kv::linux_backend
