#include "app/main_window_content.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPen>
#include <QStyle>
#include <algorithm>
#include <cstring>

namespace kv::app {

namespace {

const QColor kSilver(192, 192, 192);
const QColor kGrey(128, 128, 128);
const QColor kBlue(0, 0, 255);
const QColor kRed(255, 0, 0);
const QColor kGreen(0, 255, 0);
const QColor kYellow(255, 255, 0);

constexpr int kStatusItemHeight = kStatusListItemHeight;

QRect ToQRect(const DisplayRect& r) { return {r.Left, r.Top, r.Width, r.Height}; }
QPoint ToQPoint(const DisplayPoint& p) { return {p.X, p.Y}; }

// Shows one drawing surface at its top left. The surface is a member of the content widget and
// outlives the view; a redraw repaints it in place and asks for an update.
class PictureView final : public QWidget {
 public:
  PictureView(const QImage& picture, bool opaque, QWidget* parent)
      : QWidget(parent), picture_(picture) {
    setAttribute(Qt::WA_OpaquePaintEvent, opaque);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.drawImage(0, 0, picture_);
  }

 private:
  const QImage& picture_;
};

// A group box whose frame line runs through the middle of its caption, whatever the style
// would do: the children sit at fixed places measured from the box's top, and styles that put
// the caption above the frame would run the frame into them.
class CaptionedGroupBox final : public QGroupBox {
 public:
  using QGroupBox::QGroupBox;

 protected:
  void paintEvent(QPaintEvent*) override {
    constexpr int kCaptionLeft = 6;
    constexpr int kCaptionPadding = 2;
    constexpr qreal kCornerRadius = 3;
    QPainter painter(this);
    const QFontMetrics metrics(font());
    const QRectF frame = QRectF(rect()).adjusted(0.5, metrics.height() / 2 + 0.5, -0.5, -0.5);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(palette().color(QPalette::Light), 1));
    painter.drawRoundedRect(frame.translated(1, 1), kCornerRadius, kCornerRadius);
    painter.setPen(QPen(palette().color(QPalette::Window).darker(140), 1));
    painter.drawRoundedRect(frame.adjusted(0, 0, -1, -1), kCornerRadius, kCornerRadius);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QRect caption(kCaptionLeft, 0, metrics.horizontalAdvance(title()) + 2 * kCaptionPadding,
                        metrics.height());
    painter.fillRect(caption, palette().window());
    style()->drawItemText(&painter, caption, Qt::AlignCenter, palette(), isEnabled(), title(),
                          QPalette::WindowText);
  }
};

QImage LoadArt(const QString& path) {
  QImage image(path);
  if (image.isNull()) {
    // Missing artwork shows an empty controller rather than stopping the program.
    image = QImage(kControllerPictureSize.Width, kControllerPictureSize.Height,
                   QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
  }
  return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// Pixels of the key colour become transparent, so the controller stands on the group box.
void KeyOut(QImage& image, QRgb key) {
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      if (line[x] == key) line[x] = 0;
    }
  }
}

// Copies one rectangle between two pictures of the same pixel format, clipped to both.
void CopyRect(const QImage& from, QImage& to, QRect rect) {
  rect = rect.intersected(from.rect()).intersected(to.rect());
  if (rect.isEmpty()) return;
  const qsizetype offset = qsizetype{rect.left()} * 4;
  const std::size_t bytes = static_cast<std::size_t>(rect.width()) * 4;
  for (int y = rect.top(); y <= rect.bottom(); ++y) {
    std::memcpy(to.scanLine(y) + offset, from.constScanLine(y) + offset, bytes);
  }
}

// A line two pixels wide, traced as a one-pixel line at the four offsets of a 2 x 2 square: the
// raster engine draws one-pixel lines on a fast path, while a wider pen is first stroked into a
// path and filled, which made the whole redraw about half as slow again for the same pixels.
void DrawWidePolyline(QPainter& painter, const QPoint* points, int count, const QColor& colour) {
  painter.setPen(QPen(colour, 1));
  for (const QPoint offset : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(1, 1)}) {
    painter.translate(offset);
    painter.drawPolyline(points, count);
    painter.translate(-offset);
  }
}

// A round dot five pixels across, centred on the point.
void DrawDot(QPainter& painter, DisplayPoint at, const QColor& colour) {
  painter.fillRect(QRect(at.X - 1, at.Y - 2, 3, 5), colour);
  painter.fillRect(QRect(at.X - 2, at.Y - 1, 5, 3), colour);
}

// The widest lines the status list shows: eleven characters, a minus sign or four digits.
const char* const kWidestStatusLines[] = {"AccX:  -888", "AccY:  -888", "AccZ:  -888",
                                          "IR X:  8888", "IR Y:  8888", "BATT:  -888",
                                          "Cursor:OFF",  "IR 1:  OUT",  "IR 2:  OUT"};

int WidestStatusLine(const QFont& font) {
  const QFontMetrics metrics(font);
  int widest = 0;
  for (const char* line : kWidestStatusLines) {
    widest = std::max(widest, metrics.horizontalAdvance(QLatin1String(line)));
  }
  return widest;
}

// A fixed-pitch face in place of "Terminal", 13 pixels high if its widest line fits in
// `textWidth` at that size, else at the largest size at which it does (the faces that stand in
// for "Terminal" are wider than it).
QFont StatusListFont(int textWidth) {
  QFont font;
  font.setFamilies({QStringLiteral("Terminal"), QStringLiteral("DejaVu Sans Mono"),
                    QStringLiteral("Liberation Mono"), QStringLiteral("Noto Mono"),
                    QStringLiteral("Noto Sans Mono")});
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  constexpr int kLargest = 13;
  constexpr int kSmallest = 8;
  for (int size = kLargest; size >= kSmallest; --size) {
    font.setPixelSize(size);
    if (WidestStatusLine(font) <= textWidth) break;
  }
  return font;
}

QString TextOf(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

using Layout = ControlLayout<MainControl>;

QGroupBox* MakeGroupBox(const Layout& layout, QWidget* parent) {
  auto* box = new CaptionedGroupBox(TextOf(layout.Caption), parent);
  box->setObjectName(TextOf(layout.Name));
  box->setGeometry(ToQRect(layout.Bounds));
  return box;
}

QGroupBox* MakeGroupBox(MainControl control, QWidget* parent) {
  return MakeGroupBox(LayoutOf(control), parent);
}

// A transparent picture lets its box show through; the others cover their place in full.
QWidget* MakePictureView(MainControl control, const QImage& picture, QWidget* parent) {
  const Layout& layout = LayoutOf(control);
  auto* view = new PictureView(picture, !layout.Has(kControlTransparent), parent);
  view->setObjectName(TextOf(layout.Name));
  view->setGeometry(ToQRect(layout.Bounds));
  return view;
}

void MakeLegend(MainControl control, QWidget* parent) {
  const Layout& layout = LayoutOf(control);
  auto* label = new QLabel(TextOf(layout.Caption), parent);
  label->setObjectName(TextOf(layout.Name));
  label->move(layout.Bounds.Left, layout.Bounds.Top);
  label->adjustSize();
}

bool SameRects(const LitRects& a, const LitRects& b) {
  return a.Count == b.Count && std::equal(a.begin(), a.end(), b.begin());
}

}  // namespace

QFont MainWindowContent::WindowFont() {
  QFont font;
  font.setFamilies({TextOf(kMainWindowFont.Face), QStringLiteral("DejaVu Sans"),
                    QStringLiteral("Liberation Sans"), QStringLiteral("Noto Sans")});
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(kMainWindowFont.PixelHeight);
  return font;
}

MainWindowContent::MainWindowContent(QWidget* parent)
    : QWidget(parent),
      axisPicture_(kAxisPictureSize.Width, kAxisPictureSize.Height, QImage::Format_RGB32),
      graphPicture_(kGraphPictureSize.Width, kGraphPictureSize.Height, QImage::Format_RGB32),
      irPicture_(kIRPictureSize.Width, kIRPictureSize.Height, QImage::Format_RGB32),
      graphLine_(static_cast<int>(GraphPointCount(kGraphPictureSize.Width))),
      irLabelFont_(WindowFont()),
      irLabel1_(QStringLiteral("1")),
      irLabel2_(QStringLiteral("2")) {
  setFixedSize(kWidth, kHeight);
  setFont(WindowFont());
  LoadControllerArt();
  axisPicture_.fill(kSilver);
  graphPicture_.fill(kSilver);
  irPicture_.fill(kGrey);
  irLabel1_.prepare(QTransform(), irLabelFont_);
  irLabel2_.prepare(QTransform(), irLabelFont_);
  BuildControllerBox();
  BuildGraphBox();
  BuildIRBox();
  BuildStatusBox();
}

void MainWindowContent::LoadControllerArt() {
  upPicture_ = LoadArt(QStringLiteral(":/WiiButtonsUp"));
  downPicture_ = LoadArt(QStringLiteral(":/WiiButtonsDown"));
  // The bottom-left pixel gives the background colour, as for any transparent bitmap.
  const QRgb key = upPicture_.pixel(0, upPicture_.height() - 1);
  if (qAlpha(key) == 255) {
    KeyOut(upPicture_, key);
    KeyOut(downPicture_, key);
  }
  controllerPicture_ = upPicture_.copy();
}

void MainWindowContent::BuildControllerBox() {
  buttonsGroupBox_ = MakeGroupBox(MainControl::ButtonsGroupBox, this);
  imgWiimote_ = MakePictureView(MainControl::imgWiimote, controllerPicture_, buttonsGroupBox_);
}

void MainWindowContent::BuildGraphBox() {
  graphGroupBox_ = MakeGroupBox(MainControl::GraphGroupBox, this);
  imgGraph_ = MakePictureView(MainControl::imgGraph, graphPicture_, graphGroupBox_);
  imgAxis_ = MakePictureView(MainControl::imgAxis, axisPicture_, graphGroupBox_);
  for (const MainControl label : {MainControl::Label4, MainControl::Label5, MainControl::Label6}) {
    MakeLegend(label, graphGroupBox_);
  }
}

void MainWindowContent::BuildIRBox() {
  irGroupBox_ = MakeGroupBox(MainControl::IRGroupBox, this);
  imgIR_ = MakePictureView(MainControl::imgIR, irPicture_, irGroupBox_);
}

void MainWindowContent::BuildStatusBox() {
  statusGroupBox_ = MakeGroupBox(MainControl::StatusGroupBox, this);
  QFont boxFont = WindowFont();
  boxFont.setPixelSize(kStatusGroupBoxFont.PixelHeight);
  statusGroupBox_->setFont(boxFont);

  auto* list = new QListWidget(statusGroupBox_);
  list->setObjectName(TextOf(LayoutOf(MainControl::ButtonStatusListBox).Name));
  list->setGeometry(ToQRect(LayoutOf(MainControl::ButtonStatusListBox).Bounds));
  // The items' text keeps a margin from the frame on either side, as the style draws it.
  const int textMargin =
      list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1;
  list->setFont(StatusListFont(list->contentsRect().width() - 2 * textMargin));
  list->setUniformItemSizes(true);
  list->setTextElideMode(Qt::ElideNone);
  list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  // Every redraw refills the list, so a selection could not last anyway.
  list->setSelectionMode(QAbstractItemView::NoSelection);
  list->setFocusPolicy(Qt::NoFocus);
  buttonStatusListBox_ = list;
}

void MainWindowContent::DrawDisplay(const DisplayState& state) {
  DrawController(state);
  DrawAxis(state);
  DrawIR(state);
  DrawGraph(state);
}

void MainWindowContent::DrawController(const DisplayState& state) {
  const LitRects lit = ControllerLitRects(state.Wiimote, state.CursorOn);
  if (drawn_.Controller && SameRects(lit, drawn_.ControllerRects)) return;
  drawn_.Controller = true;
  drawn_.ControllerRects = lit;
  std::memcpy(controllerPicture_.bits(), upPicture_.constBits(),
              static_cast<std::size_t>(upPicture_.sizeInBytes()));
  for (const DisplayRect& rect : lit) {
    CopyRect(downPicture_, controllerPicture_, ToQRect(rect));
  }
  imgWiimote_->update();
}

void MainWindowContent::DrawAxis(const DisplayState& state) {
  const DisplayLine line =
      TiltIndicatorLine(state.Histories, state.BaseX, state.BaseY,
                        DisplaySize{axisPicture_.width(), axisPicture_.height()});
  if (drawn_.Axis && line == drawn_.AxisLine) return;
  drawn_.Axis = true;
  drawn_.AxisLine = line;
  QPainter painter(&axisPicture_);
  painter.fillRect(axisPicture_.rect(), kSilver);
  const QPoint ends[] = {ToQPoint(line.From), ToQPoint(line.To)};
  DrawWidePolyline(painter, ends, 2, Qt::black);
  painter.end();
  imgAxis_->update();
}

void MainWindowContent::DrawIR(const DisplayState& state) {
  const TWiimote& wiimote = state.Wiimote;
  const IRMark marks[] = {IRPointMark(wiimote.IR1X, wiimote.IR1Y),
                          IRPointMark(wiimote.IR2X, wiimote.IR2Y)};
  // The labels sit at a fixed offset from their dots, so the three dots fix the picture.
  const std::array<DisplayPoint, 3> dots{marks[0].Dot, marks[1].Dot, IRMidDot(wiimote)};
  if (drawn_.IR && dots == drawn_.IRDots) return;
  drawn_.IR = true;
  drawn_.IRDots = dots;
  QPainter painter(&irPicture_);
  painter.fillRect(irPicture_.rect(), kGrey);
  painter.setFont(irLabelFont_);
  painter.setPen(Qt::black);
  const QStaticText* labels[] = {&irLabel1_, &irLabel2_};
  for (int i = 0; i < 2; ++i) {
    DrawDot(painter, marks[i].Dot, Qt::white);
    painter.drawStaticText(ToQPoint(marks[i].Label), *labels[i]);
  }
  DrawDot(painter, dots[2], kYellow);
  painter.end();
  imgIR_->update();
}

void MainWindowContent::DrawGraph(const DisplayState& state) {
  const struct {
    const AccHistory& samples;
    int32_t base;
    bool centred;
    const QColor& colour;
  } lines[] = {
      {state.Histories.X, state.BaseX, true, kBlue},
      {state.Histories.Y, state.BaseY, true, kRed},
      {state.Histories.Z, 0, false, kGreen},
  };
  std::array<std::size_t, 3> counts{};
  bool same = drawn_.Graph;
  for (std::size_t l = 0; l < 3; ++l) {
    auto& points = graphPoints_[l];
    counts[l] =
        GraphPolyline(lines[l].samples, lines[l].base, lines[l].centred, graphPicture_.width(),
                      std::span(points).first(static_cast<std::size_t>(graphLine_.size())));
    same = same && counts[l] == drawn_.GraphCounts[l] &&
           std::equal(points.begin(), points.begin() + static_cast<std::ptrdiff_t>(counts[l]),
                      drawn_.GraphLines[l].begin());
  }
  if (same) return;
  drawn_.Graph = true;
  drawn_.GraphLines = graphPoints_;
  drawn_.GraphCounts = counts;
  QPainter painter(&graphPicture_);
  painter.fillRect(graphPicture_.rect(), kSilver);
  for (std::size_t l = 0; l < 3; ++l) {
    for (std::size_t i = 0; i < counts[l]; ++i) {
      graphLine_[static_cast<int>(i)] = ToQPoint(graphPoints_[l][i]);
    }
    DrawWidePolyline(painter, graphLine_.constData(), static_cast<int>(counts[l]), lines[l].colour);
  }
  painter.end();
  imgGraph_->update();
}

void MainWindowContent::ShowStatus(const DisplayState& state) {
  const auto lines = StatusLines(state.Histories, state.Wiimote, state.CursorOn);
  QListWidget* list = buttonStatusListBox_;
  if (list->count() != static_cast<int>(lines.size())) {
    list->clear();
    for (std::size_t i = 0; i < lines.size(); ++i) {
      auto* item = new QListWidgetItem(list);
      item->setSizeHint(QSize(list->viewport()->width(), kStatusItemHeight));
    }
  }
  // The nine items stay; only texts that changed are set, which looks the same as clearing the
  // list and adding the lines again but keeps the view from relaying itself out every tick.
  for (std::size_t i = 0; i < lines.size(); ++i) {
    QListWidgetItem* item = list->item(static_cast<int>(i));
    const QLatin1String text(lines[i].data(), static_cast<qsizetype>(lines[i].size()));
    if (item->text() != text) item->setText(text);
  }
}

QStringList MainWindowContent::StatusTexts() const {
  QStringList texts;
  for (int i = 0; i < buttonStatusListBox_->count(); ++i) {
    texts << buttonStatusListBox_->item(i)->text();
  }
  return texts;
}

}  // namespace kv::app
