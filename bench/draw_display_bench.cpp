// Cost of one redraw of the main window's content: the four pictures (DrawDisplay) and the
// status list (ShowStatus), as the 50 ms draw timer runs them. The state changes every round,
// as it does with a controller sending reports, so no text or picture is left as it was.
#include <benchmark/benchmark.h>

#include <cmath>

#include "app/main_window_content.h"

namespace {

struct MovingState {
  kv::AccHistories histories;
  kv::TWiimote wiimote;
  int step = 0;

  MovingState() {
    for (int i = 0; i < 1024; ++i) Advance();
  }
  void Advance() {
    ++step;
    histories.X.Push(128 + static_cast<int>(40 * std::sin(step / 9.0)));
    histories.Y.Push(128 + static_cast<int>(25 * std::cos(step / 14.0)));
    histories.Z.Push(154 + static_cast<int>(10 * std::sin(step / 5.0)));
    wiimote.IR1X = 300 + step % 200;
    wiimote.IR2X = 600 - step % 200;
    wiimote.IR1Y = wiimote.IR2Y = 400;
    wiimote.IRMidX = (wiimote.IR1X + wiimote.IR2X) / 2;
    wiimote.IRMidY = 400;
    wiimote.Battery = step % 256;
    for (int slot = 0; slot < kv::kButtonCount; ++slot) {
      wiimote.ButtonState[slot].Pressed = ((step >> slot) & 1) != 0;
    }
  }
  kv::app::DisplayState View() const { return {histories, wiimote, 128, 128, (step & 64) != 0}; }
};

void BM_DrawDisplayAndShowStatus(benchmark::State& state) {
  kv::app::MainWindowContent content;
  MovingState moving;
  for (auto _ : state) {
    moving.Advance();
    const kv::app::DisplayState view = moving.View();
    content.DrawDisplay(view);
    content.ShowStatus(view);
  }
  benchmark::DoNotOptimize(content.GraphPicture().constBits());
}
BENCHMARK(BM_DrawDisplayAndShowStatus)->Unit(benchmark::kMicrosecond);

// The same with the widget shown and painted, as the screen gets it after each redraw.
void BM_RedrawAndPaint(benchmark::State& state) {
  kv::app::MainWindowContent content;
  content.show();
  MovingState moving;
  for (auto _ : state) {
    moving.Advance();
    const kv::app::DisplayState view = moving.View();
    content.DrawDisplay(view);
    content.ShowStatus(view);
    content.repaint();
  }
}
BENCHMARK(BM_RedrawAndPaint)->Unit(benchmark::kMicrosecond);

}  // namespace
