#include "winapp/main_display.h"

#include <cstring>

#include "core/mainform/main_window_layout.h"
#include "winapp/layout_placement.h"
#include "winapp/wide_text.h"

namespace kv::winapp {

namespace {

const wchar_t kPictureClass[] = L"KestrovanePicture";

constexpr COLORREF kSilver = RGB(192, 192, 192);
constexpr COLORREF kGrey = RGB(128, 128, 128);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
using M = MainControl;

// A control of the main window's table, where the table puts it.
HWND MakeChild(HWND parent, HINSTANCE instance, M control, DWORD style, HFONT font,
               DWORD exStyle = 0) {
  const ControlLayout<MainControl>& layout = LayoutOf(control);
  RECT r = PlacedRect(kMainWindowControls, control);
  if (layout.Kind == ControlKind::Label) {
    // Labels take the size of their caption.
    const SIZE size = CaptionSize(font, layout.Caption);
    r.right = r.left + size.cx;
    r.bottom = r.top + size.cy;
  }
  HWND child = CreateWindowExW(exStyle, ControlClassOf(layout.Kind), Widen(layout.Caption).c_str(),
                               WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                               r.bottom - r.top, parent, nullptr, instance, nullptr);
  if (child != nullptr && font != nullptr) {
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  return child;
}

void Fill(HDC dc, DisplaySize size, COLORREF colour) {
  const RECT all{0, 0, size.Width, size.Height};
  SetDCBrushColor(dc, colour);
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

// A round dot five pixels across, centred on the point.
void DrawDot(HDC dc, DisplayPoint at, COLORREF colour) {
  SetDCBrushColor(dc, colour);
  const RECT rows[] = {{at.X - 1, at.Y - 2, at.X + 2, at.Y + 3},
                       {at.X - 2, at.Y - 1, at.X + 3, at.Y + 2}};
  for (const RECT& r : rows) FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

// Pixels of the key colour (the bottom-left corner's) take the window's face colour, so the
// controller stands on the group box.
void KeyOut(HBITMAP bitmap, COLORREF key, COLORREF face) {
  DIBSECTION section{};
  if (GetObjectW(bitmap, sizeof(section), &section) != sizeof(section)) return;
  const BITMAP& bm = section.dsBm;
  if (bm.bmBitsPixel != 24 || bm.bmBits == nullptr) return;
  auto* bits = static_cast<uint8_t*>(bm.bmBits);
  for (int y = 0; y < bm.bmHeight; ++y) {
    uint8_t* px = bits + static_cast<std::ptrdiff_t>(y) * bm.bmWidthBytes;
    for (int x = 0; x < bm.bmWidth; ++x, px += 3) {
      if (RGB(px[2], px[1], px[0]) != key) continue;
      px[0] = GetBValue(face);
      px[1] = GetGValue(face);
      px[2] = GetRValue(face);
    }
  }
}

COLORREF BottomLeftPixel(HBITMAP bitmap) {
  DIBSECTION section{};
  if (GetObjectW(bitmap, sizeof(section), &section) != sizeof(section)) return CLR_INVALID;
  const BITMAP& bm = section.dsBm;
  if (bm.bmBitsPixel != 24 || bm.bmBits == nullptr) return CLR_INVALID;
  // Bottom-up rows: the first row in memory is the picture's bottom row.
  const auto* px = static_cast<const uint8_t*>(bm.bmBits);
  if (section.dsBmih.biHeight < 0)
    px += static_cast<std::ptrdiff_t>(bm.bmHeight - 1) * bm.bmWidthBytes;
  return RGB(px[2], px[1], px[0]);
}

}  // namespace

// ----- Picture -----

Picture::~Picture() {
  if (dc_ != nullptr) {
    SelectObject(dc_, oldBitmap_);
    DeleteDC(dc_);
  }
  if (bitmap_ != nullptr) DeleteObject(bitmap_);
}

bool Picture::Create(HWND parent, HINSTANCE instance, DisplaySize size, POINT at,
                     const wchar_t* name) {
  static const ATOM registered = [instance] {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = ViewProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.lpszClassName = kPictureClass;
    return RegisterClassW(&windowClass);
  }();
  if (registered == 0) return false;
  size_ = size;
  HDC screen = GetDC(nullptr);
  dc_ = CreateCompatibleDC(screen);
  bitmap_ = CreateCompatibleBitmap(screen, size.Width, size.Height);
  ReleaseDC(nullptr, screen);
  if (dc_ == nullptr || bitmap_ == nullptr) return false;
  oldBitmap_ = SelectObject(dc_, bitmap_);
  view_ = CreateWindowExW(0, kPictureClass, name, WS_CHILD | WS_VISIBLE, at.x, at.y, size.Width,
                          size.Height, parent, nullptr, instance, nullptr);
  if (view_ == nullptr) return false;
  SetWindowLongPtrW(view_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  return true;
}

void Picture::Show() const { InvalidateRect(view_, nullptr, FALSE); }

LRESULT CALLBACK Picture::ViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ERASEBKGND) return 1;  // the paint covers every pixel
  if (message != WM_PAINT) return DefWindowProcW(window, message, wParam, lParam);
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  const auto* picture = reinterpret_cast<const Picture*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (picture != nullptr) {
    BitBlt(dc, 0, 0, picture->size_.Width, picture->size_.Height, picture->dc_, 0, 0, SRCCOPY);
  }
  EndPaint(window, &paint);
  return 0;
}

// ----- MainDisplay -----

MainDisplay::~MainDisplay() {
  for (auto [dc, old] : {std::pair{upDc_, upOld_}, std::pair{downDc_, downOld_}}) {
    if (dc == nullptr) continue;
    SelectObject(dc, old);
    DeleteDC(dc);
  }
  for (HGDIOBJ object : {static_cast<HGDIOBJ>(upBitmap_), static_cast<HGDIOBJ>(downBitmap_),
                         static_cast<HGDIOBJ>(windowFont_), static_cast<HGDIOBJ>(statusBoxFont_),
                         static_cast<HGDIOBJ>(statusListFont_)}) {
    if (object != nullptr) DeleteObject(object);
  }
}

bool MainDisplay::Create(HWND window, HINSTANCE instance) {
  windowFont_ = MakeFont(kMainWindowFont);
  statusBoxFont_ = MakeFont(kStatusGroupBoxFont);
  statusListFont_ = MakeFont(kStatusListFont);
  if (!CreatePictures(window, instance) || !LoadControllerArt(instance)) return false;
  Fill(axis_.Dc(), axis_.Size(), kSilver);
  Fill(graph_.Dc(), graph_.Size(), kSilver);
  Fill(ir_.Dc(), ir_.Size(), kGrey);
  BuildControls(window, instance);
  return statusList_ != nullptr;
}

// The pictures first: controls made later lie below them, so the group boxes never paint over
// their contents. Each surface has the size of what is drawn on it, at its component's place.
bool MainDisplay::CreatePictures(HWND window, HINSTANCE instance) {
  const struct {
    Picture& picture;
    M control;
    DisplaySize size;
  } pictures[] = {{controller_, M::imgWiimote, kControllerPictureSize},
                  {graph_, M::imgGraph, kGraphPictureSize},
                  {axis_, M::imgAxis, kAxisPictureSize},
                  {ir_, M::imgIR, kIRPictureSize}};
  for (const auto& entry : pictures) {
    const RECT at = PlacedRect(kMainWindowControls, entry.control);
    if (!entry.picture.Create(window, instance, entry.size, {at.left, at.top},
                              Widen(LayoutOf(entry.control).Name).c_str())) {
      return false;
    }
  }
  return true;
}

bool MainDisplay::LoadControllerArt(HINSTANCE instance) {
  upBitmap_ = static_cast<HBITMAP>(
      LoadImageW(instance, L"WiiButtonsUp", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  downBitmap_ = static_cast<HBITMAP>(
      LoadImageW(instance, L"WiiButtonsDown", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  HDC screen = GetDC(nullptr);
  upDc_ = CreateCompatibleDC(screen);
  downDc_ = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  if (upDc_ == nullptr || downDc_ == nullptr) return false;
  if (upBitmap_ == nullptr || downBitmap_ == nullptr) {
    // Missing artwork shows an empty controller rather than stopping the program.
    Fill(controller_.Dc(), controller_.Size(), face);
    return true;
  }
  const COLORREF key = BottomLeftPixel(upBitmap_);
  if (key != CLR_INVALID) {
    KeyOut(upBitmap_, key, face);
    KeyOut(downBitmap_, key, face);
  }
  upOld_ = SelectObject(upDc_, upBitmap_);
  downOld_ = SelectObject(downDc_, downBitmap_);
  return true;
}

void MainDisplay::BuildControls(HWND window, HINSTANCE instance) {
  for (const M label : {M::Label4, M::Label5, M::Label6}) {
    MakeChild(window, instance, label, SS_LEFT | SS_NOPREFIX, windowFont_);
  }
  statusList_ =
      MakeChild(window, instance, M::ButtonStatusListBox,
                LBS_NOSEL | LBS_NOINTEGRALHEIGHT | WS_VSCROLL, statusListFont_, WS_EX_CLIENTEDGE);
  if (statusList_ != nullptr) {
    SendMessageW(statusList_, LB_SETITEMHEIGHT, 0, kStatusListItemHeight);
    for (std::size_t i = 0; i < kStatusLineCount; ++i) {
      SendMessageW(statusList_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L""));
    }
  }
  const DWORD box = BS_GROUPBOX | WS_CLIPSIBLINGS;
  for (const M group : {M::ButtonsGroupBox, M::GraphGroupBox, M::IRGroupBox}) {
    MakeChild(window, instance, group, box, windowFont_);
  }
  MakeChild(window, instance, M::StatusGroupBox, box, statusBoxFont_);
}

void MainDisplay::DrawDisplay(const DisplayState& state) {
  DrawController(state);
  DrawAxis(state);
  DrawIR(state);
  DrawGraph(state);
}

void MainDisplay::DrawController(const DisplayState& state) {
  const DisplaySize size = controller_.Size();
  if (upOld_ == nullptr) return;  // no artwork
  BitBlt(controller_.Dc(), 0, 0, size.Width, size.Height, upDc_, 0, 0, SRCCOPY);
  for (const DisplayRect& r : ControllerLitRects(state.Wiimote, state.CursorOn)) {
    BitBlt(controller_.Dc(), r.Left, r.Top, r.Width, r.Height, downDc_, r.Left, r.Top, SRCCOPY);
  }
  controller_.Show();
}

void MainDisplay::DrawAxis(const DisplayState& state) {
  HDC dc = axis_.Dc();
  Fill(dc, axis_.Size(), kSilver);
  const DisplayLine line =
      TiltIndicatorLine(state.Histories, state.BaseX, state.BaseY, axis_.Size());
  HPEN pen = CreatePen(PS_SOLID, 2, kBlack);
  HGDIOBJ old = SelectObject(dc, pen);
  MoveToEx(dc, line.From.X, line.From.Y, nullptr);
  LineTo(dc, line.To.X, line.To.Y);
  SelectObject(dc, old);
  DeleteObject(pen);
  axis_.Show();
}

void MainDisplay::DrawIR(const DisplayState& state) {
  HDC dc = ir_.Dc();
  Fill(dc, ir_.Size(), kGrey);
  const TWiimote& wiimote = state.Wiimote;
  const IRMark marks[] = {IRPointMark(wiimote.IR1X, wiimote.IR1Y),
                          IRPointMark(wiimote.IR2X, wiimote.IR2Y)};
  HGDIOBJ oldFont = SelectObject(dc, windowFont_);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, kBlack);
  const wchar_t* labels[] = {L"1", L"2"};
  for (int i = 0; i < 2; ++i) {
    DrawDot(dc, marks[i].Dot, kWhite);
    TextOutW(dc, marks[i].Label.X, marks[i].Label.Y, labels[i], 1);
  }
  SelectObject(dc, oldFont);
  DrawDot(dc, IRMidDot(wiimote), kYellow);
  ir_.Show();
}

void MainDisplay::DrawGraph(const DisplayState& state) {
  HDC dc = graph_.Dc();
  Fill(dc, graph_.Size(), kSilver);
  const struct {
    const AccHistory& samples;
    int32_t base;
    bool centred;
    COLORREF colour;
  } lines[] = {
      {state.Histories.X, state.BaseX, true, kBlue},
      {state.Histories.Y, state.BaseY, true, kRed},
      {state.Histories.Z, 0, false, kGreen},
  };
  for (const auto& line : lines) {
    const std::size_t count = GraphPolyline(line.samples, line.base, line.centred,
                                            graph_.Size().Width, std::span(graphPoints_));
    graphLine_.resize(count);
    for (std::size_t i = 0; i < count; ++i) graphLine_[i] = {graphPoints_[i].X, graphPoints_[i].Y};
    HPEN pen = CreatePen(PS_SOLID, 2, line.colour);
    HGDIOBJ old = SelectObject(dc, pen);
    Polyline(dc, graphLine_.data(), static_cast<int>(count));
    SelectObject(dc, old);
    DeleteObject(pen);
  }
  graph_.Show();
}

void MainDisplay::ShowStatus(const DisplayState& state) {
  const auto lines = StatusLines(state.Histories, state.Wiimote, state.CursorOn);
  // Only the lines that changed are replaced, which looks the same as refilling the list.
  SendMessageW(statusList_, WM_SETREDRAW, FALSE, 0);
  bool changed = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] == shownLines_[i]) continue;
    const std::wstring text = Widen(lines[i]);
    SendMessageW(statusList_, LB_DELETESTRING, i, 0);
    SendMessageW(statusList_, LB_INSERTSTRING, i, reinterpret_cast<LPARAM>(text.c_str()));
    shownLines_[i] = lines[i];
    changed = true;
  }
  SendMessageW(statusList_, WM_SETREDRAW, TRUE, 0);
  if (changed) InvalidateRect(statusList_, nullptr, FALSE);
}

}  // namespace kv::winapp
