#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "core/link/acc_history.h"
#include "core/link/button_word_handler.h"
#include "core/link/wiimote.h"
#include "core/link/wiimote_reports.h"

namespace kv {

// Decodes the controller's input reports into the controller state: accelerometer samples into
// the histories, the first two IR points and the pointing position into TWiimote, the battery
// level of status reports, and the core-button word of every report to button dispatch.
// Values are stored raw; nothing is validated, and no report, whatever its length, is read or
// written out of bounds.
class ReportDecoder {
 public:
  static constexpr std::size_t kReportDataLength = 1025;

  // `buttons` may be null: the button word is then dropped.
  ReportDecoder(TWiimote& wiimote, AccHistories& histories, ButtonWordHandler* buttons);

  // One input report: `data` holds the `size` bytes after the report ID. Bytes beyond
  // kReportDataLength are cut off. Positions at or beyond `size` read as zero for this report,
  // so a short report never shows bytes of an earlier, longer one.
  void ShowRead(uint8_t reportId, const uint8_t* data, uint16_t size);

  // Decodes the report held in ReportData().
  void DecodeReport(uint8_t reportId);

  void PushAccX(int32_t sample) { histories_.X.Push(sample); }
  void PushAccY(int32_t sample) { histories_.Y.Push(sample); }
  void PushAccZ(int32_t sample) { histories_.Z.Push(sample); }

  // The data bytes of the last report, one byte (0..255) per entry, kReportDataLength entries.
  const int32_t* ReportData() const { return reportData_.data(); }

 private:
  void DecodeIRPoints();

  TWiimote& wiimote_;
  AccHistories& histories_;
  ButtonWordHandler* buttons_;
  std::array<int32_t, kReportDataLength> reportData_{};
  // Entries from here on are all zero; lets a short report clear only what a longer one left.
  std::size_t filledLength_ = 0;
};

}  // namespace kv
