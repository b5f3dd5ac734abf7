#include "winapp/layout_placement.h"

#include <commctrl.h>

#include "winapp/wide_text.h"

namespace kv::winapp {

HFONT MakeFont(const FontLayout& font) {
  // A negative height asks for the character height, as the tables give it.
  return CreateFontW(-font.PixelHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_DONTCARE, Widen(font.Face).c_str());
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
