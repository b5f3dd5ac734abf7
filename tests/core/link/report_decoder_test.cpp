#include "core/link/report_decoder.h"

#include <gtest/gtest.h>

#include <vector>

namespace kv {
namespace {

class RecordingButtons final : public ButtonWordHandler {
 public:
  explicit RecordingButtons(const TWiimote& wiimote) : wiimote_(wiimote) {}
  void HandleButtonWord(uint16_t word) override {
    words.push_back(word);
    batteryAtHandOff.push_back(wiimote_.Battery);
  }
  std::vector<uint16_t> words;
  std::vector<int32_t> batteryAtHandOff;

 private:
  const TWiimote& wiimote_;
};

class ReportDecoderTest : public ::testing::Test {
 protected:
  void Send(uint8_t id, std::vector<uint8_t> data) {
    decoder.ShowRead(id, data.data(), static_cast<uint16_t>(data.size()));
  }
  // A 0x33 report with two IR points (x, y, size each).
  void SendIR(int x1, int y1, int s1, int x2, int y2, int s2) {
    auto point = [](int x, int y, int s) {
      return std::vector<uint8_t>{static_cast<uint8_t>(x & 0xFF), static_cast<uint8_t>(y & 0xFF),
                                  static_cast<uint8_t>(((y >> 8) << 6) | ((x >> 8) << 4) | s)};
    };
    std::vector<uint8_t> data = {0, 0, 0x80, 0x81, 0x82};
    for (const auto& p : {point(x1, y1, s1), point(x2, y2, s2)})
      data.insert(data.end(), p.begin(), p.end());
    data.resize(21);
    Send(0x33, data);
  }
  void ExpectMid(int32_t x, int32_t y) {
    EXPECT_EQ(wiimote.IRMidX, x);
    EXPECT_EQ(wiimote.IRMidY, y);
  }

  TWiimote wiimote;
  AccHistories histories;
  RecordingButtons buttons{wiimote};
  ReportDecoder decoder{wiimote, histories, &buttons};
};

TEST_F(ReportDecoderTest, WorkedExampleKeepsMidpointWhenOnePointIsLost) {
  Send(0x33, {0, 0, 1, 2, 3, 0x10, 0x20, 0x15, 0x30, 0x40, 0xA4, 0, 0, 0, 0, 0, 0});
  EXPECT_EQ(wiimote.IR1X, 272);
  EXPECT_EQ(wiimote.IR1Y, 32);
  EXPECT_EQ(wiimote.IR1Size, 5);
  EXPECT_EQ(wiimote.IR2X, 560);
  EXPECT_EQ(wiimote.IR2Y, 576);
  EXPECT_EQ(wiimote.IR2Size, 4);
  EXPECT_EQ(wiimote.IRHalfDX, 144);
  EXPECT_EQ(wiimote.IRHalfDY, 272);
  ExpectMid(416, 304);
  EXPECT_TRUE(wiimote.IR2XGreater);
  EXPECT_TRUE(wiimote.IR2YGreater);

  SendIR(0x3FF, 0x3FF, 15, 560, 576, 4);  // only point 2
  ExpectMid(416, 304);
  EXPECT_EQ(wiimote.IR1Size, 15);  // the unseen point's fields still take the report's values
  EXPECT_EQ(wiimote.IR1X, 0x3FF);
  SendIR(0, 0, 15, 600, 576, 4);
  ExpectMid(456, 304);
  EXPECT_EQ(wiimote.IRHalfDX, 144);  // kept while a point is lost
}

TEST_F(ReportDecoderTest, ExtrapolatesFromEitherPointInTheLastKnownDirection) {
  SendIR(100, 700, 1, 500, 300, 1);  // point 2 right of and above point 1
  EXPECT_TRUE(wiimote.IR2XGreater);
  EXPECT_FALSE(wiimote.IR2YGreater);
  ExpectMid(300, 500);
  SendIR(0, 0, 15, 50, 650, 2);  // point 2 alone; no clamping here
  ExpectMid(50 - 200, 650 + 200);
  SendIR(450, 250, 2, 0, 0, 15);  // point 1 alone
  ExpectMid(450 + 200, 250 - 200);
  SendIR(1, 2, 15, 3, 4, 15);  // neither: everything stays
  ExpectMid(650, 50);
  EXPECT_EQ(wiimote.IRHalfDX, 200);
  EXPECT_EQ(wiimote.IRHalfDY, 200);
}

TEST_F(ReportDecoderTest, HalvingAndEqualCoordinates) {
  SendIR(10, 20, 15, 30, 40, 15);  // nothing seen yet: the midpoint stays at the origin
  ExpectMid(0, 0);
  EXPECT_EQ(wiimote.IR2X, 30);
  SendIR(1, 7, 0, 4, 7, 14);  // odd distance, equal Y; size 14 is still seen
  EXPECT_EQ(wiimote.IRHalfDX, 1);
  EXPECT_EQ(wiimote.IRHalfDY, 0);
  ExpectMid(2, 7);
  EXPECT_FALSE(wiimote.IR2YGreater);  // strict comparison
  SendIR(100, 10, 3, 100, 90, 3);     // equal X
  EXPECT_FALSE(wiimote.IR2XGreater);
  SendIR(100, 10, 3, 0, 0, 15);  // point 2 lost: IR1X - 0
  ExpectMid(100, 10 + 40);
}

TEST_F(ReportDecoderTest, WhatEachReportTouches) {
  SendIR(100, 100, 1, 200, 200, 1);
  const TWiimote before = wiimote;
  Send(0x31, {0x10, 0x08, 7, 8, 9});
  EXPECT_EQ(histories.X[0], 7);
  EXPECT_EQ(histories.Y[0], 8);
  EXPECT_EQ(histories.Z[0], 9);
  EXPECT_EQ(histories.X[1], 0x80);  // the 0x33 report's sample, one place older
  EXPECT_EQ(wiimote.IRMidX, before.IRMidX);
  EXPECT_EQ(wiimote.IR1X, before.IR1X);
  EXPECT_EQ(wiimote.Battery, 0);

  Send(0x20, {0x00, 0x80, 0, 0, 0, 0xC8, 0});
  EXPECT_EQ(wiimote.Battery, 200);
  EXPECT_EQ(histories.X[0], 7);  // no push

  Send(0x22, {0x12, 0x34, 1, 2, 3, 99, 0x10, 0x20, 0x15});
  EXPECT_EQ(wiimote.Battery, 200);
  EXPECT_EQ(histories.X[0], 7);
  EXPECT_EQ(wiimote.IR1X, before.IR1X);

  // Every report hands its button word over once, as its last step.
  EXPECT_EQ(buttons.words, (std::vector<uint16_t>{0x0000, 0x1008, 0x0080, 0x1234}));
  EXPECT_EQ(buttons.batteryAtHandOff[2], 200);
}

TEST_F(ReportDecoderTest, ShortReportsReadZerosNotEarlierBytes) {
  Send(0x31, {0xFF, 0xFF, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  Send(0x20, {0x10});
  EXPECT_EQ(buttons.words.back(), 0x1000);
  EXPECT_EQ(wiimote.Battery, 0);
  Send(0x31, {});
  EXPECT_EQ(buttons.words.back(), 0);
  EXPECT_EQ(histories.X[0], 0);
  for (std::size_t i = 0; i < ReportDecoder::kReportDataLength; ++i) {
    ASSERT_EQ(decoder.ReportData()[i], 0) << i;
  }
  decoder.ShowRead(0x31, nullptr, 40);  // no bytes at all, whatever the count says
  EXPECT_EQ(buttons.words.size(), 4u);
  EXPECT_EQ(buttons.words.back(), 0);
}

TEST_F(ReportDecoderTest, DataBeyondTheBufferIsCut) {
  std::vector<uint8_t> data(5000);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7);
  Send(0x33, data);
  const int32_t* stored = decoder.ReportData();
  EXPECT_EQ(stored[1024], static_cast<uint8_t>(1024 * 7));
  EXPECT_EQ(stored[0], 0);
  EXPECT_EQ(buttons.words.back(), 7);
}

TEST(ReportDecoder, WorksWithoutButtonHandler) {
  TWiimote wiimote;
  AccHistories histories;
  ReportDecoder decoder(wiimote, histories, nullptr);
  const uint8_t status[] = {1, 2, 3, 4, 5, 77};
  decoder.ShowRead(0x20, status, sizeof status);
  EXPECT_EQ(wiimote.Battery, 77);
}

}  // namespace
}  // namespace kv
