// Feeds arbitrary bytes to the report descriptor parser and checks what holds for every result.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "core/hid/report_descriptor.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const kv::ReportDescriptorResult r = kv::ParseReportDescriptor({data, size});
  if (r.Ok()) {
    // A kind with any report has at least one data byte and the report-ID byte.
    Check(r.Summary.InputReportByteLength != 1);
    Check(r.Summary.OutputReportByteLength != 1);
    Check(r.Summary.FeatureReportByteLength != 1);
  } else {
    Check(r.ErrorOffset <= size);
    Check(r.Error == kv::ReportDescriptorError::UnclosedCollection || r.ErrorOffset < size ||
          size == 0);
  }
  // The parser keeps no state between calls.
  const kv::ReportDescriptorResult again = kv::ParseReportDescriptor({data, size});
  Check(again.Error == r.Error && again.ErrorOffset == r.ErrorOffset);
  return 0;
}
