#include "core/link/report_decoder.h"

#include <algorithm>
#include <cstdlib>

namespace kv {

namespace {

// Data byte positions, counted from the first byte after the report ID.
constexpr std::size_t kButtonsHigh = 0;
constexpr std::size_t kButtonsLow = 1;
constexpr std::size_t kAccX = 2;
constexpr std::size_t kAccY = 3;
constexpr std::size_t kAccZ = 4;
constexpr std::size_t kBattery = 5;
constexpr std::size_t kIRPoint1 = 5;
constexpr std::size_t kIRPoint2 = 8;

struct IRPoint {
  int32_t X;
  int32_t Y;
  int32_t Size;
};

// The camera's 3-byte extended format: X and Y low bytes, then Y bits 9..8 (bits 7..6),
// X bits 9..8 (bits 5..4) and the size nibble.
IRPoint DecodeExtendedIRPoint(const int32_t* b) {
  return {(b[2] & 0x30) * 16 + b[0], (b[2] & 0xC0) * 4 + b[1], b[2] & 0x0F};
}

}  // namespace

ReportDecoder::ReportDecoder(TWiimote& wiimote, AccHistories& histories, ButtonWordHandler* buttons)
    : wiimote_(wiimote), histories_(histories), buttons_(buttons) {}

void ReportDecoder::ShowRead(uint8_t reportId, const uint8_t* data, uint16_t size) {
  const std::size_t length = data == nullptr ? 0 : std::min<std::size_t>(size, kReportDataLength);
  for (std::size_t i = 0; i < length; ++i) reportData_[i] = data[i];
  if (length < filledLength_) {
    std::fill(reportData_.begin() + length, reportData_.begin() + filledLength_, 0);
  }
  filledLength_ = length;
  DecodeReport(reportId);
}

void ReportDecoder::DecodeReport(uint8_t reportId) {
  const int32_t* d = reportData_.data();
  if (reportId == kReportButtonsAccel || reportId == kReportButtonsAccelIR) {
    PushAccX(d[kAccX]);
    PushAccY(d[kAccY]);
    PushAccZ(d[kAccZ]);
  }
  if (reportId == kReportButtonsAccelIR) DecodeIRPoints();
  if (reportId == kReportStatus) wiimote_.Battery = d[kBattery];
  // Each entry holds one byte, so the word never exceeds 16 bits.
  const auto buttonWord = static_cast<uint16_t>(d[kButtonsHigh] * 256 + d[kButtonsLow]);
  if (buttons_ != nullptr) buttons_->HandleButtonWord(buttonWord);
}

// When one light source leaves the camera's view, the pointing position is the remaining point
// shifted by the last known half spacing in the last known direction, so the cursor continues
// smoothly instead of jumping to the remaining point.
void ReportDecoder::DecodeIRPoints() {
  TWiimote& w = wiimote_;
  const IRPoint p1 = DecodeExtendedIRPoint(reportData_.data() + kIRPoint1);
  const IRPoint p2 = DecodeExtendedIRPoint(reportData_.data() + kIRPoint2);
  w.IR1X = p1.X;
  w.IR1Y = p1.Y;
  w.IR1Size = p1.Size;
  w.IR2X = p2.X;
  w.IR2Y = p2.Y;
  w.IR2Size = p2.Size;
  const bool seen1 = p1.Size < kIRPointUnseen;
  const bool seen2 = p2.Size < kIRPointUnseen;
  if (seen1 && seen2) {
    w.IRHalfDX = std::abs(p2.X - p1.X) / 2;
    w.IRHalfDY = std::abs(p2.Y - p1.Y) / 2;
    w.IRMidX = (p1.X + p2.X) / 2;
    w.IRMidY = (p1.Y + p2.Y) / 2;
    w.IR2XGreater = p2.X > p1.X;
    w.IR2YGreater = p2.Y > p1.Y;
  } else if (seen2) {
    w.IRMidX = w.IR2XGreater ? p2.X - w.IRHalfDX : p2.X + w.IRHalfDX;
    w.IRMidY = w.IR2YGreater ? p2.Y - w.IRHalfDY : p2.Y + w.IRHalfDY;
  } else if (seen1) {
    w.IRMidX = w.IR2XGreater ? p1.X + w.IRHalfDX : p1.X - w.IRHalfDX;
    w.IRMidY = w.IR2YGreater ? p1.Y + w.IRHalfDY : p1.Y - w.IRHalfDY;
  }
}

}  // namespace kv
