#include "winapp/option_form.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/actions/catalogue.h"
#include "winapp/layout_placement.h"
#include "winapp/wide_text.h"

namespace kv::winapp {

namespace {

using C = OptionControl;
using K = ControlKind;
using Layout = ControlLayout<OptionControl>;

// Control IDs stay clear of IDOK and IDCANCEL, which the dialog manager sends for Enter and
// Escape when no button takes them.
constexpr int kFirstControlId = 1000;
// Posted after a pick of a list has been handled: from then on a selection change is new.
constexpr UINT kPickDoneMessage = WM_APP + 20;
constexpr UINT_PTR kSubclassId = 1;
// Room for a long path from the file-open dialog.
constexpr DWORD kPathCapacity = 32768;

int ControlId(OptionControl control) { return kFirstControlId + static_cast<int>(control); }

std::size_t Index(OptionControl control) { return static_cast<std::size_t>(control); }

KeyModifiers HeldModifiers() {
  return {.Shift = GetKeyState(VK_SHIFT) < 0,
          .Ctrl = GetKeyState(VK_CONTROL) < 0,
          .Alt = GetKeyState(VK_MENU) < 0};
}

// Tab and Shift+Tab without Ctrl or Alt move the focus before any control sees them.
bool IsFocusKey(const MSG& message) {
  if (message.message != WM_KEYDOWN && message.message != WM_CHAR) return false;
  const KeyModifiers held = HeldModifiers();
  if (held.Ctrl || held.Alt) return false;
  return message.message == WM_KEYDOWN ? message.wParam == VK_TAB : message.wParam == L'\t';
}

DWORD StyleOf(const Layout& layout) {
  switch (layout.Kind) {
    case K::GroupBox:
      // Lies below the controls inside it and never paints over them.
      return BS_GROUPBOX | WS_CLIPSIBLINGS;
    case K::Button:
      return BS_PUSHBUTTON;
    case K::RadioButton:
      return BS_AUTORADIOBUTTON;
    case K::CheckBox:
      return BS_AUTOCHECKBOX;
    case K::Label:
      return SS_LEFT | SS_NOPREFIX;
    case K::Edit:
      return ES_AUTOHSCROLL | (layout.Has(kControlReadOnly) ? ES_READONLY : 0);
    case K::UpDown:
      return UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_NOTHOUSANDS;
    case K::TrackBar:
      return TBS_HORZ | TBS_BOTTOM | TBS_AUTOTICKS | TBS_FIXEDLENGTH;
    case K::DropDownList:
      return CBS_DROPDOWNLIST | WS_VSCROLL;
    case K::Picture:
    case K::ListBox:
      break;
  }
  return 0;
}

// The empty dialog the controls are put into: caption and styles only. Its size in dialog units
// does not matter; the client area is set in pixels once it exists.
std::vector<WORD> EmptyDialogTemplate(DWORD style) {
  static_assert(sizeof(DLGTEMPLATE) == 18, "DLGTEMPLATE is a packed record of the system");
  const DLGTEMPLATE head{style, 0, 0, 0, 0, 100, 100};
  std::vector<WORD> words(sizeof(head) / sizeof(WORD));
  std::memcpy(words.data(), &head, sizeof(head));
  words.push_back(0);  // no menu
  words.push_back(0);  // the standard dialog class
  for (const wchar_t c : Widen(kOptionFormCaption)) words.push_back(static_cast<WORD>(c));
  words.push_back(0);
  return words;
}

}  // namespace

OptionForm::OptionForm(TKestrovaneSetting& settings, TWiimoteButtonAssign& assign,
                       KeyNames& keyNames)
    : logic_(*this, settings, assign, keyNames),
      openFileDialog_([](HWND owner) {
        std::wstring path(kPathCapacity, L'\0');
        OPENFILENAMEW dialog{};
        dialog.lStructSize = sizeof(dialog);
        dialog.hwndOwner = owner;
        dialog.lpstrFile = path.data();
        dialog.nMaxFile = kPathCapacity;
        // The program's working directory stays where it was.
        dialog.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR;
        if (!GetOpenFileNameW(&dialog)) return std::wstring();
        path.resize(wcslen(path.c_str()));
        return path;
      }),
      messageBox_([](HWND owner, const std::wstring& caption, const std::wstring& text) {
        MessageBoxW(owner, text.c_str(), caption.c_str(), MB_OK);
      }),
      errorBox_([](HWND owner, const std::wstring& caption, const std::wstring& text) {
        MessageBoxW(owner, text.c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
      }) {
  enabled_.fill(true);
  for (const Layout& layout : kOptionFormControls) {
    windowColour_[Index(layout.Control)] = !layout.Has(kControlButtonFace);
  }
}

OptionForm::~OptionForm() {
  if (dialog_ != nullptr && IsWindow(dialog_)) DestroyWindow(dialog_);
  if (font_ != nullptr) DeleteObject(font_);
}

bool OptionForm::Create(HWND owner, HINSTANCE instance) {
  // A fixed single border with the system menu and a minimise box, no maximise box.
  constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX),
                                     ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS | ICC_BAR_CLASSES};
  InitCommonControlsEx(&classes);
  const std::vector<WORD> dialogTemplate = EmptyDialogTemplate(kStyle);
  owner_ = owner;
  dialog_ = CreateDialogIndirectParamW(instance,
                                       reinterpret_cast<const DLGTEMPLATE*>(dialogTemplate.data()),
                                       owner, DialogProc, reinterpret_cast<LPARAM>(this));
  if (dialog_ == nullptr) return false;
  RECT frame{0, 0, kOptionClientSize.Width, kOptionClientSize.Height};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(dialog_, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(dialog_, GWL_EXSTYLE)));
  SetWindowPos(dialog_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  font_ = MakeFont(kOptionFormFont);
  SendMessageW(dialog_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  CreateControls(instance);
  for (HWND control : controls_) {
    if (control == nullptr) return false;
  }
  FillLists();
  SetTabOrder();
  return true;
}

// Every control of the layout table in its order; a box's controls after the box.
void OptionForm::CreateControls(HINSTANCE instance) {
  for (const Layout& layout : kOptionFormControls) {
    HWND control = CreateControl(layout, instance);
    controls_[Index(layout.Control)] = control;
    if (control != nullptr) SetUpControl(layout);
  }
  SetWindowSubclass(Control(C::KeyAssignEdit), CaptureEditProc, kSubclassId,
                    reinterpret_cast<DWORD_PTR>(this));
  SetWindowSubclass(Control(C::MotionSensorThresholdEdit), ThresholdEditProc, kSubclassId,
                    reinterpret_cast<DWORD_PTR>(this));
}

HWND OptionForm::CreateControl(const Layout& layout, HINSTANCE instance) {
  RECT r = PlacedRect(kOptionFormControls, layout.Control);
  if (layout.Kind == K::Label) {
    const SIZE size = CaptionSize(font_, layout.Caption);
    r.right = r.left + size.cx;
    r.bottom = r.top + size.cy;
  }
  const DWORD exStyle = layout.Kind == K::Edit ? WS_EX_CLIENTEDGE : 0;
  const bool hasCaption =
      layout.Kind != K::UpDown && layout.Kind != K::TrackBar && layout.Kind != K::DropDownList;
  return CreateWindowExW(
      exStyle, ControlClassOf(layout.Kind), hasCaption ? Widen(layout.Caption).c_str() : L"",
      WS_CHILD | WS_VISIBLE | StyleOf(layout), r.left, r.top, r.right - r.left, r.bottom - r.top,
      dialog_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(layout.Control))), instance,
      nullptr);
}

void OptionForm::SetUpControl(const Layout& layout) {
  HWND control = Control(layout.Control);
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  const ControlRange& range = layout.Range;
  switch (layout.Kind) {
    case K::RadioButton:
    case K::CheckBox:
      SendMessageW(control, BM_SETCHECK, layout.Has(kControlChecked) ? BST_CHECKED : BST_UNCHECKED,
                   0);
      break;
    case K::UpDown:
      // The arrows belong to the edit just before them in the table.
      SendMessageW(control, UDM_SETBUDDY,
                   reinterpret_cast<WPARAM>(controls_[Index(layout.Control) - 1]), 0);
      SendMessageW(control, UDM_SETRANGE32, static_cast<WPARAM>(range.Min), range.Max);
      SendMessageW(control, UDM_SETPOS32, 0, range.Initial);
      break;
    case K::TrackBar:
      SendMessageW(control, TBM_SETRANGEMIN, FALSE, range.Min);
      SendMessageW(control, TBM_SETRANGEMAX, FALSE, range.Max);
      SendMessageW(control, TBM_SETTICFREQ, static_cast<WPARAM>(range.TickEvery), 0);
      SendMessageW(control, TBM_SETLINESIZE, 0, 1);
      SendMessageW(control, TBM_SETPAGESIZE, 0, range.PageSize);
      SendMessageW(control, TBM_SETTHUMBLENGTH, static_cast<WPARAM>(range.ThumbLength), 0);
      SendMessageW(control, TBM_SETPOS, TRUE, range.Initial);
      break;
    case K::DropDownList: {
      // The window's height is the opened list's: the closed box and a number of rows.
      const auto rowHeight = static_cast<int>(SendMessageW(control, CB_GETITEMHEIGHT, 0, 0));
      const RECT r = PlacedRect(kOptionFormControls, layout.Control);
      SetWindowPos(control, nullptr, 0, 0, r.right - r.left,
                   (r.bottom - r.top) + kDropDownRows * rowHeight + 2,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      break;
    }
    default:
      break;
  }
}

void OptionForm::FillLists() {
  HWND buttons = Control(C::ButtonComboBox);
  for (const ButtonSlotInfo& slot : kButtonSlots) {
    SendMessageW(buttons, CB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(Widen(slot.SectionName).c_str()));
  }
  SendMessageW(buttons, CB_SETCURSEL, static_cast<WPARAM>(kButtonComboBoxInitialRow), 0);
  HWND actions = Control(C::AssignComboBox);
  for (const std::string_view text : kActionListTexts) {
    SendMessageW(actions, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()));
  }
  SendMessageW(actions, CB_SETCURSEL, static_cast<WPARAM>(kAssignComboBoxInitialRow), 0);
}

// The dialog manager takes Tab through the children in their stacking order: the tab order
// first, each control starting a group unless it is a radio button following another of its
// box; then the labels and arrows, which take no focus, and the boxes lowest, below their
// contents.
void OptionForm::SetTabOrder() {
  HWND previous = HWND_TOP;
  const Layout* before = nullptr;
  for (const OptionControl control : kOptionFormTabOrder) {
    const Layout& layout = LayoutOf(control);
    HWND window = Control(control);
    LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE) & ~(WS_TABSTOP | WS_GROUP);
    if (!layout.Has(kControlNoTabStop)) style |= WS_TABSTOP;
    const bool sameRadioGroup = before != nullptr && before->Kind == K::RadioButton &&
                                layout.Kind == K::RadioButton && before->Parent == layout.Parent;
    if (!sameRadioGroup) style |= WS_GROUP;
    SetWindowLongPtrW(window, GWL_STYLE, style);
    SetWindowPos(window, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    previous = window;
    before = &layout;
  }
  // Boxes inside boxes come later in the table: taken from the end, each outer box goes below
  // the boxes inside it, which would otherwise be clipped away under it.
  for (auto layout = kOptionFormControls.rbegin(); layout != kOptionFormControls.rend(); ++layout) {
    if (layout->Kind == K::GroupBox) {
      SetWindowPos(Control(layout->Control), HWND_BOTTOM, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
  }
}

bool OptionForm::ShowModal(const std::function<bool()>& quitRequested) {
  if (dialog_ == nullptr || shown_) return false;
  shown_ = true;
  applied_ = false;
  PlaceOverOwner();
  logic_.FormShow();
  if (owner_ != nullptr) EnableWindow(owner_, FALSE);
  ShowWindow(dialog_, SW_SHOW);
  MSG message;
  while (shown_ && !(quitRequested && quitRequested())) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0 || got == -1) {
      // The loop outside ends too.
      if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (IsDialogMessageW(dialog_, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  shown_ = false;
  // The owner first, so the activation returns to it when the dialog goes.
  if (owner_ != nullptr) EnableWindow(owner_, TRUE);
  ShowWindow(dialog_, SW_HIDE);
  if (owner_ != nullptr) SetForegroundWindow(owner_);
  return applied_;
}

// Centred over the owner each time it is shown, inside the owner's screen.
void OptionForm::PlaceOverOwner() {
  RECT own;
  GetWindowRect(dialog_, &own);
  const int width = own.right - own.left;
  const int height = own.bottom - own.top;
  RECT around{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (owner_ != nullptr && !IsIconic(owner_)) GetWindowRect(owner_, &around);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  RECT work = around;
  if (GetMonitorInfoW(MonitorFromRect(&around, MONITOR_DEFAULTTONEAREST), &monitor)) {
    work = monitor.rcWork;
  }
  int left = (around.left + around.right - width) / 2;
  int top = (around.top + around.bottom - height) / 2;
  left =
      std::max(static_cast<int>(work.left), std::min(left, static_cast<int>(work.right) - width));
  top = std::max(static_cast<int>(work.top), std::min(top, static_cast<int>(work.bottom) - height));
  SetWindowPos(dialog_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK OptionForm::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    return FALSE;  // the focus is placed when the dialog is shown
  }
  auto* self = reinterpret_cast<OptionForm*>(GetWindowLongPtrW(dialog, DWLP_USER));
  if (self == nullptr || self->dialog_ != dialog) return FALSE;
  return self->HandleMessage(message, wParam, lParam);
}

INT_PTR OptionForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    case WM_CLOSE:
      // The close box, Alt+F4 and the system menu's Close do what Cancel does.
      logic_.CancelButtonClick();
      return TRUE;
    case WM_ACTIVATE:
      // The first activation starts on the first control of the tab order; later ones return to
      // the control that had the focus, as the dialog manager keeps it.
      if (LOWORD(wParam) == WA_INACTIVE || focusPlaced_) return FALSE;
      focusPlaced_ = true;
      SendMessageW(dialog_, WM_NEXTDLGCTL,
                   reinterpret_cast<WPARAM>(Control(kOptionFormTabOrder[0])), TRUE);
      return TRUE;
    case kPickDoneMessage:
      pickHandled_ = false;
      return TRUE;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
      return EditColours(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam));
    default:
      return FALSE;
  }
}

void OptionForm::OnCommand(int id, int code) {
  if (id == IDOK) {
    // Enter clicks the focused button and nothing else.
    ClickFocusedButton();
    return;
  }
  if (id == IDCANCEL) return;  // Escape: no button of the dialog is its cancel button
  const OptionControl control = ControlOf(GetDlgItem(dialog_, id));
  switch (control) {
    case C::ApplyButton:
      if (code == BN_CLICKED) logic_.ApplyButtonClick();
      break;
    case C::CancelButton:
      if (code == BN_CLICKED) logic_.CancelButtonClick();
      break;
    case C::AssignSetButton:
      if (code == BN_CLICKED) logic_.AssignSetButtonClick();
      break;
    case C::ExecuteReferButton:
      if (code == BN_CLICKED) logic_.ExecuteReferButtonClick();
      break;
    case C::ExecuteSetButton:
      if (code == BN_CLICKED) logic_.ExecuteSetButtonClick();
      break;
    case C::ButtonComboBox:
    case C::AssignComboBox:
      if (code == CBN_SELENDOK) {
        OnListPicked(control);
      } else if (code == CBN_SELCHANGE && !pickHandled_ &&
                 SendMessageW(Control(control), CB_GETDROPPEDSTATE, 0, 0) == FALSE) {
        // A change with the list closed (arrow keys, typed letters) that came without its own
        // end-of-pick notice.
        OnListPicked(control);
      }
      break;
    default:
      break;
  }
}

// Only a pick by the user runs the handlers; selecting a row from code does not. A pick of the
// row already selected runs them too.
void OptionForm::OnListPicked(OptionControl list) {
  if (!pickHandled_) PostMessageW(dialog_, kPickDoneMessage, 0, 0);
  pickHandled_ = true;
  if (list == C::ButtonComboBox) {
    logic_.ButtonComboBoxClick();
    logic_.ButtonComboBoxChange();
  } else {
    logic_.AssignComboBoxChange();
  }
}

void OptionForm::ClickFocusedButton() {
  const OptionControl focused = ControlOf(GetFocus());
  if (focused != C::Window && LayoutOf(focused).Kind == K::Button) {
    SendMessageW(Control(focused), BM_CLICK, 0, 0);
  }
}

// Edits take the window colour or the button-face colour as the logic set them; everything
// else keeps the dialog's colours.
INT_PTR OptionForm::EditColours(HWND edit, HDC dc) {
  const OptionControl control = ControlOf(edit);
  if (control == C::Window || LayoutOf(control).Kind != K::Edit) return FALSE;
  const int colour = windowColour_[Index(control)] ? COLOR_WINDOW : COLOR_BTNFACE;
  SetBkColor(dc, GetSysColor(colour));
  SetTextColor(dc, GetSysColor(IsWindowEnabled(edit) ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
  return reinterpret_cast<INT_PTR>(GetSysColorBrush(colour));
}

// The key-capture edit takes every key but Tab and Shift+Tab: each press and release goes to
// the logic as a virtual-key code with the held modifiers, and none reaches the edit, the
// dialog or the system menu.
LRESULT CALLBACK OptionForm::CaptureEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam,
                                             UINT_PTR, DWORD_PTR data) {
  auto* self = reinterpret_cast<OptionForm*>(data);
  switch (message) {
    case WM_GETDLGCODE: {
      const auto* msg = reinterpret_cast<const MSG*>(lParam);
      const LRESULT code = DefSubclassProc(edit, message, wParam, lParam);
      if (msg != nullptr && IsFocusKey(*msg)) return code & ~(DLGC_WANTALLKEYS | DLGC_WANTTAB);
      return code | DLGC_WANTALLKEYS;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      const MSG msg{edit, message, wParam, lParam, 0, {}};
      if (message == WM_KEYDOWN && IsFocusKey(msg)) break;
      self->logic_.KeyAssignEditKeyDown(static_cast<uint16_t>(wParam), HeldModifiers());
      return 0;
    }
    case WM_KEYUP:
    case WM_SYSKEYUP:
      self->logic_.KeyAssignEditKeyUp();
      return 0;
    case WM_CHAR:
    case WM_SYSCHAR:
    case WM_DEADCHAR:
    case WM_SYSDEADCHAR:
    case WM_IME_CHAR:
      return 0;
    case WM_CONTEXTMENU:
      // The Menu key is captured like any other key; the menu it would also open stays shut.
      if (lParam == -1) return 0;
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(edit, CaptureEditProc, kSubclassId);
      break;
    default:
      break;
  }
  return DefSubclassProc(edit, message, wParam, lParam);
}

// The threshold edit drops typed characters the logic refuses; pasted text is not checked.
LRESULT CALLBACK OptionForm::ThresholdEditProc(HWND edit, UINT message, WPARAM wParam,
                                               LPARAM lParam, UINT_PTR, DWORD_PTR) {
  if (message == WM_CHAR || message == WM_IME_CHAR) {
    const std::u32string typed(1, static_cast<char32_t>(wParam & 0xFFFF));
    if (!ThresholdKeyPasses(typed, HeldModifiers())) return 0;
  } else if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(edit, ThresholdEditProc, kSubclassId);
  }
  return DefSubclassProc(edit, message, wParam, lParam);
}

OptionControl OptionForm::ControlOf(HWND window) const {
  if (window == nullptr) return C::Window;
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    if (controls_[i] == window) return static_cast<OptionControl>(i);
  }
  return C::Window;
}

// ----- kv::OptionFormView -----

std::string OptionForm::Text(OptionControl edit) const {
  HWND control = Control(edit);
  const int length = GetWindowTextLengthW(control);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), length + 1)));
  return Narrow(text);
}

void OptionForm::SetText(OptionControl edit, std::string_view text) {
  SetWindowTextW(Control(edit), Widen(text).c_str());
}

void OptionForm::MoveCaretToEnd(OptionControl edit) {
  const int length = GetWindowTextLengthW(Control(edit));
  SendMessageW(Control(edit), EM_SETSEL, static_cast<WPARAM>(length), length);
}

bool OptionForm::IsChecked(OptionControl button) const {
  return SendMessageW(Control(button), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void OptionForm::SetChecked(OptionControl button, bool checked) {
  const Layout& layout = LayoutOf(button);
  SendMessageW(Control(button), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  if (!checked || layout.Kind != K::RadioButton) return;
  // Checking a radio button unchecks the others of its box.
  for (const Layout& other : kOptionFormControls) {
    if (other.Kind == K::RadioButton && other.Parent == layout.Parent && other.Control != button) {
      SendMessageW(Control(other.Control), BM_SETCHECK, BST_UNCHECKED, 0);
    }
  }
}

int OptionForm::Position(OptionControl trackBar) const {
  return static_cast<int>(SendMessageW(Control(trackBar), TBM_GETPOS, 0, 0));
}

void OptionForm::SetPosition(OptionControl trackBar, int position) {
  SendMessageW(Control(trackBar), TBM_SETPOS, TRUE, position);
}

int OptionForm::SelectedRow(OptionControl list) const {
  const LRESULT row = SendMessageW(Control(list), CB_GETCURSEL, 0, 0);
  return row == CB_ERR ? -1 : static_cast<int>(row);
}

void OptionForm::SelectRow(OptionControl list, int row) {
  SendMessageW(Control(list), CB_SETCURSEL, static_cast<WPARAM>(row), 0);
}

// The controls of a box are the dialog's children beside it: disabling the box disables them.
void OptionForm::SetEnabled(OptionControl control, bool enabled) {
  enabled_[Index(control)] = enabled;
  ApplyEnabled(control);
  for (const Layout& layout : kOptionFormControls) {
    if (LiesInside(kOptionFormControls, layout.Control, control)) ApplyEnabled(layout.Control);
  }
}

void OptionForm::ApplyEnabled(OptionControl control) {
  bool enabled = enabled_[Index(control)];
  for (OptionControl box = LayoutOf(control).Parent; box != C::Window; box = LayoutOf(box).Parent) {
    enabled = enabled && enabled_[Index(box)];
  }
  EnableWindow(Control(control), enabled ? TRUE : FALSE);
}

void OptionForm::SetInputColour(OptionControl edit, bool takesInput) {
  windowColour_[Index(edit)] = takesInput;
  InvalidateRect(Control(edit), nullptr, TRUE);
}

void OptionForm::ShowMessage(std::string_view text) {
  if (messageBox_) messageBox_(dialog_, kAppTitle, Widen(text));
}

void OptionForm::ShowError(std::string_view text) {
  if (errorBox_) errorBox_(dialog_, kAppTitle, Widen(text));
}

std::string OptionForm::ChooseFile() {
  return openFileDialog_ ? Narrow(openFileDialog_(dialog_)) : std::string();
}

void OptionForm::Close(bool applied) {
  applied_ = applied;
  shown_ = false;
}

}  // namespace kv::winapp
