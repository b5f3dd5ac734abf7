#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <string_view>

#include "core/ui/control_layout.h"

namespace kv::winapp {

// Where a control of a layout table sits in its window's client area. The tables place each
// control relative to its parent box; here every control is a direct child of the window (so
// the dialog manager sees all of them for Tab and the mnemonics), so the boxes' offsets add up.
template <class Id, std::size_t N>
RECT PlacedRect(const std::array<ControlLayout<Id>, N>& table, Id control) {
  const DisplayRect& own = table[static_cast<std::size_t>(control)].Bounds;
  LONG left = own.Left;
  LONG top = own.Top;
  for (Id parent = table[static_cast<std::size_t>(control)].Parent; parent != Id::Window;
       parent = table[static_cast<std::size_t>(parent)].Parent) {
    left += table[static_cast<std::size_t>(parent)].Bounds.Left;
    top += table[static_cast<std::size_t>(parent)].Bounds.Top;
  }
  return {left, top, left + own.Width, top + own.Height};
}

// Whether `control` lies inside `box`, directly or in a box inside it.
template <class Id, std::size_t N>
bool LiesInside(const std::array<ControlLayout<Id>, N>& table, Id control, Id box) {
  for (Id parent = table[static_cast<std::size_t>(control)].Parent; parent != Id::Window;
       parent = table[static_cast<std::size_t>(parent)].Parent) {
    if (parent == box) return true;
  }
  return false;
}

// A font of the layout tables: the face at its character height in pixels.
HFONT MakeFont(const FontLayout& font);

// The size of `caption` in `font`: labels size themselves to their caption.
SIZE CaptionSize(HFONT font, std::string_view caption);

// The window class of a control kind (a standard or common control).
const wchar_t* ControlClassOf(ControlKind kind);

}  // namespace kv::winapp
