#pragma once

// The shape of a window's layout as data: which controls it has, where each sits, what it says.
// Both front ends build their windows from the same tables, so a place, a caption or an order is
// written once.

#include <cstdint>
#include <string_view>

#include "core/ui/geometry.h"

namespace kv {

enum class ControlKind : uint8_t {
  GroupBox,
  Button,
  RadioButton,
  CheckBox,
  Label,
  Edit,
  UpDown,        // up-down arrows attached to the edit before them in the table
  TrackBar,      // horizontal, ticks below
  DropDownList,  // a combo box without typing
  Picture,       // a drawing surface shown at its top left
  ListBox,
};

// Properties a control has from its creation on.
enum ControlFlag : uint8_t {
  kControlChecked = 1 << 0,         // check box or radio button checked at creation
  kControlReadOnly = 1 << 1,        // edit the user cannot type into
  kControlButtonFace = 1 << 2,      // edit drawn in the button-face colour instead of the window's
  kControlNoTabStop = 1 << 3,       // Tab passes it by; a click still focuses it
  kControlTransparent = 1 << 4,     // picture whose background shows the parent through
  kControlDoubleBuffered = 1 << 5,  // redrawn off screen, so frequent redraws never flicker
};

// A number range with its steps, for track bars and up-down arrows.
struct ControlRange {
  int32_t Min = 0;
  int32_t Max = 0;
  int32_t Initial = 0;      // position at creation
  int32_t TickEvery = 0;    // track bars: a tick mark every this many positions
  int32_t PageSize = 0;     // track bars: the step of Page Up and Page Down
  int32_t ThumbLength = 0;  // track bars: in pixels
};

// One control of a window. `Id` is the window's enumeration of its controls; a table lists them
// in that order, parents before their children, and `Parent` is `Id::Window` for a control that
// sits directly on the window.
template <class Id>
struct ControlLayout {
  Id Control;
  std::string_view Name;  // the component name, also the control's object name
  Id Parent;
  ControlKind Kind;
  std::string_view Caption;  // caption, or the initial text of an edit
  DisplayRect Bounds;        // relative to the parent's client area; a label's width and height
                             // are 0: it takes the size of its caption
  uint8_t Flags = 0;
  ControlRange Range{};  // track bars and up-down arrows only

  bool Has(ControlFlag flag) const { return (Flags & flag) != 0; }
};

// A font by face name and height in pixels (character height, as the window's text uses it).
struct FontLayout {
  std::string_view Face;
  int32_t PixelHeight = 0;
};

}  // namespace kv
