#pragma once

#include <QFont>
#include <QImage>
#include <QPolygon>
#include <QStaticText>
#include <QStringList>
#include <QWidget>
#include <array>
#include <cstdint>

#include "core/link/acc_history.h"
#include "core/link/wiimote.h"
#include "core/mainform/main_window_layout.h"
#include "core/ui/status_display.h"

class QGroupBox;
class QListWidget;

namespace kv::app {

// What one redraw reads: the controller state, the rest values of the tilt and whether the
// cursor is on.
struct DisplayState {
  const AccHistories& Histories;
  const TWiimote& Wiimote;
  int32_t BaseX;
  int32_t BaseY;
  bool CursorOn;
};

// The main window's client area: the controller picture with held buttons and lit LEDs, the
// accelerometer graph with the tilt indicator, the IR points and the status list, each in its
// group box at a fixed place. The window's draw timer calls DrawDisplay and then ShowStatus.
//
// No extra double buffering is needed: every Qt widget paints into the window's backing store,
// which reaches the screen in one piece, so a redraw never flickers.
class MainWindowContent final : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kWidth = kMainClientSize.Width;
  static constexpr int kHeight = kMainClientSize.Height;

  explicit MainWindowContent(QWidget* parent = nullptr);

  // Redraws the four pictures from the state. A picture whose geometry is the same as at its last
  // redraw keeps its pixels, which are the ones a redraw would paint.
  void DrawDisplay(const DisplayState& state);
  // Shows the nine status lines.
  void ShowStatus(const DisplayState& state);

  // The drawing surfaces, for tests and for a look.
  const QImage& UpPicture() const { return upPicture_; }
  const QImage& DownPicture() const { return downPicture_; }
  const QImage& ControllerPicture() const { return controllerPicture_; }
  const QImage& AxisPicture() const { return axisPicture_; }
  const QImage& GraphPicture() const { return graphPicture_; }
  const QImage& IRPicture() const { return irPicture_; }
  QStringList StatusTexts() const;

  // The window's own font ("MS Sans Serif" 11 pixels, or the nearest sans face).
  static QFont WindowFont();

 private:
  void BuildControllerBox();
  void BuildGraphBox();
  void BuildIRBox();
  void BuildStatusBox();
  void LoadControllerArt();

  void DrawController(const DisplayState& state);
  void DrawAxis(const DisplayState& state);
  void DrawIR(const DisplayState& state);
  void DrawGraph(const DisplayState& state);

  QImage upPicture_;
  QImage downPicture_;
  QImage controllerPicture_;
  QImage axisPicture_;
  QImage graphPicture_;
  QImage irPicture_;

  // What each picture shows, as of its last redraw; nothing before the first.
  struct Drawn {
    bool Controller = false;
    LitRects ControllerRects;
    bool Axis = false;
    DisplayLine AxisLine;
    bool IR = false;
    std::array<DisplayPoint, 3> IRDots{};
    bool Graph = false;
    std::array<std::array<DisplayPoint, kGraphMaxPoints>, 3> GraphLines{};
    std::array<std::size_t, 3> GraphCounts{};
  };
  Drawn drawn_;

  // Scratch for the graph lines, sized once.
  std::array<std::array<DisplayPoint, kGraphMaxPoints>, 3> graphPoints_{};
  QPolygon graphLine_;
  QFont irLabelFont_;
  QStaticText irLabel1_;
  QStaticText irLabel2_;

  QGroupBox* buttonsGroupBox_ = nullptr;
  QGroupBox* graphGroupBox_ = nullptr;
  QGroupBox* irGroupBox_ = nullptr;
  QGroupBox* statusGroupBox_ = nullptr;
  QWidget* imgWiimote_ = nullptr;
  QWidget* imgGraph_ = nullptr;
  QWidget* imgAxis_ = nullptr;
  QWidget* imgIR_ = nullptr;
  QListWidget* buttonStatusListBox_ = nullptr;
};

}  // namespace kv::app
