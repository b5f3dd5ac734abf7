// Feeds arbitrary input reports to the decoder. The input is first decoded as one report (first
// byte the report ID, the rest its data, any length); then it is split into a sequence of reports,
// each a length byte, a report ID and that many data bytes, so state carried from report to report
// (IR midpoint, zero padding of short reports) is exercised too.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "core/link/report_decoder.h"

namespace {

class CheckingButtons final : public kv::ButtonWordHandler {
 public:
  void HandleButtonWord(uint16_t word) override { last = word; }
  uint16_t last = 0;
};

void CheckReportData(const kv::ReportDecoder& decoder, const uint8_t* data, std::size_t size) {
  const int32_t* stored = decoder.ReportData();
  for (std::size_t i = 0; i < kv::ReportDecoder::kReportDataLength; ++i) {
    const int32_t expected = i < size ? data[i] : 0;
    if (stored[i] != expected) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  kv::TWiimote wiimote;
  kv::AccHistories histories;
  CheckingButtons buttons;
  kv::ReportDecoder decoder(wiimote, histories, &buttons);

  const std::size_t whole = size - 1 > 0xFFFF ? 0xFFFF : size - 1;
  decoder.ShowRead(data[0], data + 1, static_cast<uint16_t>(whole));
  CheckReportData(decoder, data + 1, whole);

  std::size_t at = 0;
  while (at + 2 <= size) {
    const std::size_t length = data[at];
    const uint8_t id = data[at + 1];
    at += 2;
    const std::size_t available = size - at < length ? size - at : length;
    decoder.ShowRead(id, data + at, static_cast<uint16_t>(available));
    CheckReportData(decoder, data + at, available);
    const uint16_t word = available >= 2   ? static_cast<uint16_t>(data[at] * 256 + data[at + 1])
                          : available == 1 ? static_cast<uint16_t>(data[at] * 256)
                                           : 0;
    if (buttons.last != word) std::abort();
    at += available;
  }
  // Sizes stay raw nibbles and the battery a byte, whatever came in.
  if (wiimote.IR1Size < 0 || wiimote.IR1Size > 15 || wiimote.Battery < 0 || wiimote.Battery > 255) {
    std::abort();
  }
  return 0;
}
