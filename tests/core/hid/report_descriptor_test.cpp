#include "core/hid/report_descriptor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/hex_fixture.h"

namespace kv {
namespace {

// A descriptor (fixture file or inline hex) and what the parser must make of it.
struct Accepted {
  const char* Name;
  std::string Fixture, Hex;
  uint16_t UsagePage, Usage, Input, Output, Feature, Collections;
};

class ReportDescriptorAccepts : public testing::TestWithParam<Accepted> {};

TEST_P(ReportDescriptorAccepts, WithTheDevicesCapabilities) {
  const Accepted& c = GetParam();
  const auto bytes = c.Fixture.empty() ? test::HexBytes(c.Hex) : test::ReadHexFixture(c.Fixture);
  const ReportDescriptorResult r = ParseReportDescriptor(bytes);
  ASSERT_TRUE(r.Ok()) << ReportDescriptorErrorName(r.Error) << " at " << r.ErrorOffset;
  const ReportDescriptorSummary& s = r.Summary;
  EXPECT_EQ(std::vector<int>({s.UsagePage, s.Usage}), std::vector<int>({c.UsagePage, c.Usage}));
  EXPECT_EQ(std::vector<int>(
                {s.InputReportByteLength, s.OutputReportByteLength, s.FeatureReportByteLength}),
            std::vector<int>({c.Input, c.Output, c.Feature}));
  EXPECT_EQ(s.NumberLinkCollectionNodes, c.Collections);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReportDescriptorAccepts,
    testing::Values(
        // Vendor reports up to 21 data bytes each way, plus the report-ID byte.
        Accepted{"Wiimote", "hid/wiimote-report-descriptor.hex", "", 1, 5, 22, 22, 0, 1},
        // Without report IDs the lengths still count the (zero) report-ID byte.
        Accepted{"BootKeyboard", "hid/boot-keyboard-report-descriptor.hex", "", 1, 6, 9, 2, 0, 1},
        Accepted{"BootMouse", "hid/boot-mouse-report-descriptor.hex", "", 1, 2, 4, 0, 0, 2},
        Accepted{"ReportIdsAndFeatures", "hid/report-ids-feature-report-descriptor.hex", "", 0xFF00,
                 1, 9, 5, 34, 1},
        // 65534 data bytes + the report-ID byte = 65535, the most that fits.
        Accepted{"LongestReport", "", "75 08 96 FE FF 81 00", 0, 0, 65535, 0, 0, 0},
        // Nine 1-bit fields take two bytes.
        Accepted{"PartialBytesRoundUp", "", "75 01 95 09 91 02", 0, 0, 0, 3, 0, 0},
        // 0x80: an Input item without data bytes.
        Accepted{"MainItemWithoutData", "", "75 08 95 02 80", 0, 0, 3, 0, 0, 0},
        // The long item's data would read as a huge Input item if it were not skipped whole.
        Accepted{"LongItemSkipped", "", "FE 05 10 75 FF 95 FF 81  75 08 95 01 81 00", 0, 0, 2, 0, 0,
                 0},
        Accepted{"FullPushStack", "", "A4 A4 A4 A4 A4 A4 A4 A4 A4 A4 A4 A4 A4 A4 A4 A4", 0, 0, 0, 0,
                 0, 0},
        // Pop restores report ID 1 and size 8 after report 2's 16-bit fields.
        Accepted{"PopRestoresGlobals", "", "85 01 75 08 95 01 A4 85 02 75 10 B1 02 B4 B1 02", 0, 0,
                 0, 0, 3, 0},
        // Usage 0x000D0002 names its own page; the global page is generic desktop.
        Accepted{"ExtendedUsage", "", "05 01 0B 02 00 0D 00 A1 01 C0", 0x0D, 2, 0, 0, 0, 1},
        // A short usage takes the page in effect at the collection.
        Accepted{"PageAtCollection", "", "05 01 09 04 05 0C A1 01 C0", 0x0C, 4, 0, 0, 0, 1},
        Accepted{"FirstTopLevelCollection", "",
                 "05 01 09 02 A1 01 09 01 A1 00 C0 C0  05 0C 09 01 A1 01 C0", 1, 2, 0, 0, 0, 3},
        // The usage belongs to the Input item; the collection after it has none.
        Accepted{"UsageEndsAtMainItem", "", "05 01 09 30 75 08 95 01 81 02 A1 01 C0", 0, 0, 2, 0, 0,
                 1},
        // Report 7 gets 2 bytes in one collection and 3 in the next: one 5-byte report.
        Accepted{"OneIdAcrossCollections", "",
                 "85 07 75 08 95 02 A1 01 81 02 C0 95 03 A1 01 81 02 C0", 0, 0, 6, 0, 0, 2},
        // Type-3 item with two data bytes, a reserved global tag, a reserved main tag.
        Accepted{"ReservedItemsIgnored", "", "0E 75 08 F4 D0 75 08 95 01 81 00", 0, 0, 2, 0, 0, 0}),
    [](const testing::TestParamInfo<Accepted>& info) { return std::string(info.param.Name); });

struct Rejected {
  const char* Name;
  std::string Hex;
  ReportDescriptorError Error;
  size_t Offset;
};

class ReportDescriptorRejects : public testing::TestWithParam<Rejected> {};

TEST_P(ReportDescriptorRejects, WithTheReasonAndItsOffset) {
  const Rejected& c = GetParam();
  const ReportDescriptorResult r = ParseReportDescriptor(test::HexBytes(c.Hex));
  EXPECT_EQ(r.Error, c.Error) << ReportDescriptorErrorName(r.Error);
  EXPECT_EQ(r.ErrorOffset, c.Offset);
}

using E = ReportDescriptorError;
INSTANTIATE_TEST_SUITE_P(
    Cases, ReportDescriptorRejects,
    testing::Values(
        Rejected{"Empty", "", E::Empty, 0}, Rejected{"OneByteItemCut", "05", E::TruncatedItem, 0},
        Rejected{"TwoByteItemCut", "05 01 06 00", E::TruncatedItem, 2},
        Rejected{"FourByteItemCut", "07 01 02 03", E::TruncatedItem, 0},
        Rejected{"LongItemHeaderCut", "FE 01", E::TruncatedItem, 0},
        Rejected{"LongItemDataCut", "FE 03 10 AA BB", E::TruncatedItem, 0},
        Rejected{"PushOverflow", "A4 A4 A4 A4 A4 A4 A4 A4 A4 A4 A4 A4 A4 A4 A4 A4 A4",
                 E::PushStackOverflow, 16},
        Rejected{"PopWithoutPush", "A4 B4 B4", E::PopWithoutPush, 2},
        Rejected{"ReportIdZero", "85 00", E::InvalidReportId, 0},
        Rejected{"ReportIdAboveByte", "86 00 01", E::InvalidReportId, 0},
        // Report Size and Count of 2^32 - 1 each: the product needs 64 bits.
        Rejected{"SizeTimesCountHuge", "77 FF FF FF FF 97 FF FF FF FF 81 00", E::ReportTooLong, 10},
        // 65535 data bytes plus the report-ID byte do not fit 16 bits.
        Rejected{"OneByteTooLong", "75 08 96 FF FF 81 00", E::ReportTooLong, 5},
        // Two items that fit alone but not together in one report.
        Rejected{"SumTooLong", "75 08 96 00 80 B1 00 B1 00", E::ReportTooLong, 7},
        Rejected{"EndCollectionFirst", "09 01 C0", E::EndCollectionWithout, 2},
        Rejected{"UnclosedCollection", "09 01 A1 01 A1 00 C0", E::UnclosedCollection, 7}),
    [](const testing::TestParamInfo<Rejected>& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace kv
