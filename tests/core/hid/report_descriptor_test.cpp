#include "core/hid/report_descriptor.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "support/hex_fixture.h"

namespace kv {
namespace {

using Bytes = std::vector<uint8_t>;

struct FixtureCase {
  const char* File;
  uint16_t UsagePage, Usage;
  uint16_t Input, Output, Feature;
  uint16_t Collections;
  bool UsesReportIds;
};

class ReportDescriptorFixture : public testing::TestWithParam<FixtureCase> {};

TEST_P(ReportDescriptorFixture, GivesTheCapabilitiesOfTheDevice) {
  const FixtureCase& c = GetParam();
  const Bytes bytes = test::ReadHexFixture(test::FixturePath(std::string("hid/") + c.File));
  const ReportDescriptorResult r = ParseReportDescriptor(bytes);
  ASSERT_TRUE(r.Ok()) << ReportDescriptorErrorName(r.Error) << " at " << r.ErrorOffset;
  EXPECT_EQ(r.Summary.UsagePage, c.UsagePage);
  EXPECT_EQ(r.Summary.Usage, c.Usage);
  EXPECT_EQ(r.Summary.InputReportByteLength, c.Input);
  EXPECT_EQ(r.Summary.OutputReportByteLength, c.Output);
  EXPECT_EQ(r.Summary.FeatureReportByteLength, c.Feature);
  EXPECT_EQ(r.Summary.NumberLinkCollectionNodes, c.Collections);
  EXPECT_EQ(r.Summary.UsesReportIds, c.UsesReportIds);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, ReportDescriptorFixture,
    testing::Values(
        // Wii Remote: vendor reports up to 21 data bytes each way, game pad collection.
        FixtureCase{"wiimote-report-descriptor.hex", 0x01, 0x05, 22, 22, 0, 1, true},
        // Without report IDs the length still counts the (zero) report-ID byte.
        FixtureCase{"boot-keyboard-report-descriptor.hex", 0x01, 0x06, 9, 2, 0, 1, false},
        FixtureCase{"boot-mouse-report-descriptor.hex", 0x01, 0x02, 4, 0, 0, 2, false},
        FixtureCase{"report-ids-feature-report-descriptor.hex", 0xFF00, 0x01, 9, 5, 34, 1, true}),
    [](const testing::TestParamInfo<FixtureCase>& info) {
      std::string name;
      for (const char* p = info.param.File; *p != '.'; ++p) {
        if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
      }
      return name;
    });

struct ErrorCase {
  const char* Name;
  Bytes Descriptor;
  ReportDescriptorError Error;
  size_t Offset;
};

class ReportDescriptorRejects : public testing::TestWithParam<ErrorCase> {};

TEST_P(ReportDescriptorRejects, WithTheReasonAndItsOffset) {
  const ErrorCase& c = GetParam();
  const ReportDescriptorResult r = ParseReportDescriptor(c.Descriptor);
  EXPECT_EQ(r.Error, c.Error) << ReportDescriptorErrorName(r.Error);
  EXPECT_EQ(r.ErrorOffset, c.Offset);
}

Bytes Repeat(uint8_t byte, size_t n) { return Bytes(n, byte); }

INSTANTIATE_TEST_SUITE_P(
    Cases, ReportDescriptorRejects,
    testing::Values(
        ErrorCase{"Empty", {}, ReportDescriptorError::Empty, 0},
        ErrorCase{"OneByteItemCut", {0x05}, ReportDescriptorError::TruncatedItem, 0},
        ErrorCase{
            "TwoByteItemCut", {0x05, 0x01, 0x06, 0x00}, ReportDescriptorError::TruncatedItem, 2},
        ErrorCase{"FourByteItemCut", {0x07, 1, 2, 3}, ReportDescriptorError::TruncatedItem, 0},
        ErrorCase{"LongItemHeaderCut", {0xFE, 0x01}, ReportDescriptorError::TruncatedItem, 0},
        ErrorCase{"LongItemDataCut",
                  {0xFE, 0x03, 0x10, 0xAA, 0xBB},
                  ReportDescriptorError::TruncatedItem,
                  0},
        ErrorCase{"PushOverflow", Repeat(0xA4, kReportDescriptorMaxPushDepth + 1),
                  ReportDescriptorError::PushStackOverflow, kReportDescriptorMaxPushDepth},
        ErrorCase{"PopWithoutPush", {0xA4, 0xB4, 0xB4}, ReportDescriptorError::PopWithoutPush, 2},
        ErrorCase{"ReportIdZero", {0x85, 0x00}, ReportDescriptorError::InvalidReportId, 0},
        ErrorCase{
            "ReportIdAboveByte", {0x86, 0x00, 0x01}, ReportDescriptorError::InvalidReportId, 0},
        // Report Size and Report Count of 2^32 - 1 each: the product needs 64 bits.
        ErrorCase{"SizeTimesCountHuge",
                  {0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0x81, 0x00},
                  ReportDescriptorError::ReportTooLong,
                  10},
        // 65535 data bytes plus the report-ID byte do not fit 16 bits.
        ErrorCase{"OneByteTooLong",
                  {0x75, 0x08, 0x96, 0xFF, 0xFF, 0x81, 0x00},
                  ReportDescriptorError::ReportTooLong,
                  5},
        // Two items that fit alone but not together in one report.
        ErrorCase{"SumTooLong",
                  {0x75, 0x08, 0x96, 0x00, 0x80, 0xB1, 0x00, 0xB1, 0x00},
                  ReportDescriptorError::ReportTooLong,
                  7},
        ErrorCase{"EndCollectionFirst",
                  {0x09, 0x01, 0xC0},
                  ReportDescriptorError::EndCollectionWithout,
                  2},
        ErrorCase{"UnclosedCollection",
                  {0x09, 0x01, 0xA1, 0x01, 0xA1, 0x00, 0xC0},
                  ReportDescriptorError::UnclosedCollection,
                  7}),
    [](const testing::TestParamInfo<ErrorCase>& info) { return std::string(info.param.Name); });

ReportDescriptorSummary ParseOk(const Bytes& d) {
  const ReportDescriptorResult r = ParseReportDescriptor(d);
  EXPECT_TRUE(r.Ok()) << ReportDescriptorErrorName(r.Error) << " at " << r.ErrorOffset;
  return r.Summary;
}

TEST(ReportDescriptor, LongestReportThatFitsIsAccepted) {
  // 65534 data bytes + the report-ID byte = 65535.
  EXPECT_EQ(ParseOk({0x75, 0x08, 0x96, 0xFE, 0xFF, 0x81, 0x00}).InputReportByteLength, 65535);
}

TEST(ReportDescriptor, PartialBytesRoundUp) {
  // Nine 1-bit fields take two bytes.
  EXPECT_EQ(ParseOk({0x75, 0x01, 0x95, 0x09, 0x91, 0x02}).OutputReportByteLength, 3);
}

TEST(ReportDescriptor, MainItemWithoutDataUsesTheCurrentGlobals) {
  // 0x80 is an Input item with no data bytes.
  EXPECT_EQ(ParseOk({0x75, 0x08, 0x95, 0x02, 0x80}).InputReportByteLength, 3);
}

TEST(ReportDescriptor, LongItemsAreSkippedWhole) {
  // The long item's data would read as an Input item of 255 x 255 bits if it were not skipped.
  const Bytes d = {0xFE, 0x05, 0x10, 0x75, 0xFF, 0x95, 0xFF,
                   0x81, 0x75, 0x08, 0x95, 0x01, 0x81, 0x00};
  EXPECT_EQ(ParseOk(d).InputReportByteLength, 2);
}

TEST(ReportDescriptor, FullPushStackIsAccepted) {
  ParseOk(Repeat(0xA4, kReportDescriptorMaxPushDepth));
}

TEST(ReportDescriptor, ExtendedUsageNamesItsOwnPage) {
  // Usage 0x000D0002 (digitizer, pen) while the global page is generic desktop.
  const Bytes d = {0x05, 0x01, 0x0B, 0x02, 0x00, 0x0D, 0x00, 0xA1, 0x01, 0xC0};
  const ReportDescriptorSummary s = ParseOk(d);
  EXPECT_EQ(s.UsagePage, 0x0D);
  EXPECT_EQ(s.Usage, 0x02);
}

TEST(ReportDescriptor, ShortUsageTakesThePageInEffectAtTheCollection) {
  const Bytes d = {0x05, 0x01, 0x09, 0x04, 0x05, 0x0C, 0xA1, 0x01, 0xC0};
  EXPECT_EQ(ParseOk(d).UsagePage, 0x0C);
}

TEST(ReportDescriptor, OnlyTheFirstTopLevelCollectionNamesTheDevice) {
  const Bytes d = {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00,
                   0xC0, 0xC0, 0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0xC0};
  const ReportDescriptorSummary s = ParseOk(d);
  EXPECT_EQ(s.UsagePage, 0x01);
  EXPECT_EQ(s.Usage, 0x02);
  EXPECT_EQ(s.NumberLinkCollectionNodes, 3);
}

TEST(ReportDescriptor, UsageDoesNotCarryOverAMainItem) {
  // The usage belongs to the Input item; the collection after it has none.
  const Bytes d = {0x05, 0x01, 0x09, 0x30, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02, 0xA1, 0x01, 0xC0};
  const ReportDescriptorSummary s = ParseOk(d);
  EXPECT_EQ(s.Usage, 0);
  EXPECT_EQ(s.UsagePage, 0);
}

TEST(ReportDescriptor, ReportsOfOneIdAddUpAcrossCollections) {
  // Report 7 gets 2 bytes in one collection and 3 in the next: one report of 5 bytes.
  const Bytes d = {0x85, 0x07, 0x75, 0x08, 0x95, 0x02, 0xA1, 0x01, 0x81,
                   0x02, 0xC0, 0x95, 0x03, 0xA1, 0x01, 0x81, 0x02, 0xC0};
  EXPECT_EQ(ParseOk(d).InputReportByteLength, 6);
}

TEST(ReportDescriptor, ReservedItemTypesAndTagsAreIgnored) {
  // Type 3 item with two data bytes, a reserved global tag, a reserved main tag.
  const Bytes d = {0x0E, 0x75, 0x08, 0xF4, 0xD0, 0x75, 0x08, 0x95, 0x01, 0x81, 0x00};
  EXPECT_EQ(ParseOk(d).InputReportByteLength, 2);
}

}  // namespace
}  // namespace kv
