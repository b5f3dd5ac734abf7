#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace kv {

// What a HID report descriptor tells about a device's reports, in the terms of HidCaps.
//
// Report byte lengths follow the convention of HID stacks that always hand reports over with a
// leading report-ID byte: for each kind the largest report in bytes plus one byte for the ID
// (which is 0 on devices without report IDs), and 0 when the device has no report of that kind.
// Usage and UsagePage are those of the first top-level collection.
struct ReportDescriptorSummary {
  uint16_t Usage = 0;
  uint16_t UsagePage = 0;
  uint16_t InputReportByteLength = 0;
  uint16_t OutputReportByteLength = 0;
  uint16_t FeatureReportByteLength = 0;
  uint16_t NumberLinkCollectionNodes = 0;  // every collection item, top-level ones included
  bool UsesReportIds = false;              // a Report ID item occurs
};

enum class ReportDescriptorError {
  None,
  Empty,                 // no bytes at all
  TruncatedItem,         // an item's data runs past the end
  PushStackOverflow,     // more nested Push items than kReportDescriptorMaxPushDepth
  PopWithoutPush,        // Pop with nothing pushed
  InvalidReportId,       // Report ID 0 or above 255
  ReportTooLong,         // a report's byte length would not fit the 16-bit caps fields
  EndCollectionWithout,  // End Collection with no open collection
  UnclosedCollection,    // the descriptor ends inside a collection
  TooManyCollections,    // more collections than a 16-bit count holds
};

struct ReportDescriptorResult {
  ReportDescriptorError Error = ReportDescriptorError::None;
  size_t ErrorOffset = 0;  // byte offset of the offending item when Error != None
  ReportDescriptorSummary Summary;

  bool Ok() const { return Error == ReportDescriptorError::None; }
};

inline constexpr size_t kReportDescriptorMaxPushDepth = 16;

// Parses a report descriptor. Bounded: reads only inside `descriptor`, keeps O(1) state apart
// from a fixed per-report-ID table, and never loops longer than the descriptor is long. On
// failure the result's Error says why and Summary holds no meaning.
ReportDescriptorResult ParseReportDescriptor(std::span<const uint8_t> descriptor);

// A short English name of an error value, for logs and test messages.
const char* ReportDescriptorErrorName(ReportDescriptorError error);

}  // namespace kv
