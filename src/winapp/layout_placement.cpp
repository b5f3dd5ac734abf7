#include "winapp/layout_placement.h"

#include <commctrl.h>

#include <string>

#include "winapp/wide_text.h"

namespace kv::winapp {

HFONT MakeFont(const FontLayout& font) {
  // A negative height asks for the character height, as the tables give it.
  return CreateFontW(-font.PixelHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_DONTCARE, Widen(font.Face).c_str());
}

SIZE CaptionSize(HFONT font, std::string_view caption) {
  const std::wstring text = Widen(caption);
  SIZE size{0, 0};
  HDC screen = GetDC(nullptr);
  HGDIOBJ old = SelectObject(screen, font);
  GetTextExtentPoint32W(screen, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(screen, old);
  ReleaseDC(nullptr, screen);
  return size;
}

const wchar_t* ControlClassOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::GroupBox:
    case ControlKind::Button:
    case ControlKind::RadioButton:
    case ControlKind::CheckBox:
      return WC_BUTTONW;
    case ControlKind::Label:
    case ControlKind::Picture:
      return WC_STATICW;
    case ControlKind::Edit:
      return WC_EDITW;
    case ControlKind::UpDown:
      return UPDOWN_CLASSW;
    case ControlKind::TrackBar:
      return TRACKBAR_CLASSW;
    case ControlKind::DropDownList:
      return WC_COMBOBOXW;
    case ControlKind::ListBox:
      return WC_LISTBOXW;
  }
  return WC_STATICW;
}

}  // namespace kv::winapp
