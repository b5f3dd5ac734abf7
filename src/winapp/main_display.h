#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/link/acc_history.h"
#include "core/link/wiimote.h"
#include "core/ui/status_display.h"

namespace kv::winapp {

// What one redraw reads: the controller state, the rest values of the tilt and whether the
// cursor is on.
struct DisplayState {
  const AccHistories& Histories;
  const TWiimote& Wiimote;
  int32_t BaseX;
  int32_t BaseY;
  bool CursorOn;
};

// One drawing surface (a memory bitmap) and the child window that shows it. A redraw paints the
// bitmap and invalidates the window, whose paint copies the bitmap in one block: no flicker.
class Picture {
 public:
  Picture() = default;
  ~Picture();
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;

  // A surface of `size` shown by a new child of `parent` at `at`.
  bool Create(HWND parent, HINSTANCE instance, DisplaySize size, POINT at, const wchar_t* name);
  HDC Dc() const { return dc_; }
  DisplaySize Size() const { return size_; }
  void Show() const;

  static LRESULT CALLBACK ViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  HWND view_ = nullptr;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ oldBitmap_ = nullptr;
  DisplaySize size_;
};

// The main window's client area: the controller picture with held buttons and lit LEDs, the
// accelerometer graph with the tilt indicator, the IR points and the status list, each in its
// group box at a fixed place. The draw timer calls DrawDisplay and then ShowStatus.
class MainDisplay {
 public:
  MainDisplay() = default;
  ~MainDisplay();
  MainDisplay(const MainDisplay&) = delete;
  MainDisplay& operator=(const MainDisplay&) = delete;

  // Builds the controls as children of `window`; false when the system refused one.
  bool Create(HWND window, HINSTANCE instance);

  void DrawDisplay(const DisplayState& state);
  void ShowStatus(const DisplayState& state);

  HFONT WindowFont() const { return windowFont_; }

 private:
  bool LoadControllerArt(HINSTANCE instance);
  bool CreatePictures(HWND window, HINSTANCE instance);
  void BuildControls(HWND window, HINSTANCE instance);
  void DrawController(const DisplayState& state);
  void DrawAxis(const DisplayState& state);
  void DrawIR(const DisplayState& state);
  void DrawGraph(const DisplayState& state);

  HFONT windowFont_ = nullptr;
  HFONT statusBoxFont_ = nullptr;
  HFONT statusListFont_ = nullptr;
  HDC upDc_ = nullptr;
  HDC downDc_ = nullptr;
  HBITMAP upBitmap_ = nullptr;
  HBITMAP downBitmap_ = nullptr;
  HGDIOBJ upOld_ = nullptr;
  HGDIOBJ downOld_ = nullptr;
  Picture controller_;
  Picture axis_;
  Picture graph_;
  Picture ir_;
  HWND statusList_ = nullptr;
  std::array<std::string, kStatusLineCount> shownLines_;
  std::array<DisplayPoint, kGraphMaxPoints> graphPoints_{};
  std::vector<POINT> graphLine_;
};

}  // namespace kv::winapp
