#include "app/option_form.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include "app/classic_indicator_style.h"
#include "app/etched_group_box.h"
#include "app/qt_virtual_keys.h"
#include "app/up_down_arrows.h"
#include "core/actions/catalogue.h"

namespace kv::app {

namespace {

using C = OptionControl;

QString TextOf(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QRect ToQRect(const DisplayRect& r) { return {r.Left, r.Top, r.Width, r.Height}; }

KeyModifiers ModifiersOf(Qt::KeyboardModifiers held) {
  return {.Shift = (held & Qt::ShiftModifier) != 0,
          .Ctrl = (held & Qt::ControlModifier) != 0,
          .Alt = (held & Qt::AltModifier) != 0};
}

// The dialog's font is an 8-point sans serif of 11 pixels. Where the classic face is missing, the
// nearest faces of similar width stand in at the same pixel size, so captions fit their controls.
QFont DialogFont() {
  QFont font;
  font.setFamilies({TextOf(kOptionFormFont.Face), "Microsoft Sans Serif", "Liberation Sans",
                    "Arimo", "Nimbus Sans", "Arial", "Helvetica", "DejaVu Sans Condensed",
                    "DejaVu Sans", "Noto Sans"});
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(kOptionFormFont.PixelHeight);
  return font;
}

using Layout = ControlLayout<OptionControl>;

template <class Widget>
Widget* Make(QWidget* parent, const Layout& layout) {
  auto* widget = new Widget(parent);
  widget->setObjectName(TextOf(layout.Name));
  widget->setGeometry(ToQRect(layout.Bounds));
  return widget;
}

template <class Button>
Button* MakeButton(QWidget* parent, const Layout& layout) {
  auto* button = Make<Button>(parent, layout);
  button->setText(TextOf(layout.Caption));
  button->setChecked(layout.Has(kControlChecked));
  return button;
}

QPushButton* MakePushButton(QWidget* parent, const Layout& layout) {
  auto* button = MakeButton<QPushButton>(parent, layout);
  // Enter clicks only a focused button (see keyPressEvent), never a "default" one.
  button->setAutoDefault(false);
  return button;
}

QGroupBox* MakeGroupBox(QWidget* parent, const Layout& layout) {
  auto* box = Make<EtchedGroupBox>(parent, layout);
  box->setTitle(TextOf(layout.Caption));
  return box;
}

// Labels size themselves to their caption.
QLabel* MakeLabel(QWidget* parent, const Layout& layout) {
  auto* label = new QLabel(TextOf(layout.Caption), parent);
  label->setObjectName(TextOf(layout.Name));
  label->move(layout.Bounds.Left, layout.Bounds.Top);
  label->adjustSize();
  return label;
}

QLineEdit* MakeEdit(QWidget* parent, const Layout& layout) {
  auto* edit = Make<QLineEdit>(parent, layout);
  edit->setText(TextOf(layout.Caption));
  edit->setReadOnly(layout.Has(kControlReadOnly));
  if (layout.Has(kControlNoTabStop)) edit->setFocusPolicy(Qt::ClickFocus);
  return edit;
}

QSlider* MakeTrackBar(QWidget* parent, const Layout& layout) {
  const ControlRange& range = layout.Range;
  auto* bar = Make<QSlider>(parent, layout);
  bar->setOrientation(Qt::Horizontal);
  bar->setRange(range.Min, range.Max);
  bar->setValue(range.Initial);
  bar->setSingleStep(1);
  bar->setPageStep(range.PageSize);
  bar->setTickInterval(range.TickEvery);
  bar->setTickPosition(QSlider::TicksBelow);
  // Up, Page Up and the wheel turned up move the thumb towards the minimum, as on a track bar.
  bar->setInvertedControls(true);
  return bar;
}

QComboBox* MakeDropDownList(QWidget* parent, const Layout& layout) {
  auto* combo = Make<QComboBox>(parent, layout);
  combo->setEditable(false);
  combo->setMaxVisibleItems(kDropDownRows);
  return combo;
}

// Tab and Shift+Tab without Ctrl or Alt move the focus before any control sees them.
bool IsFocusKey(const QKeyEvent& key) {
  if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier)) return false;
  return key.key() == Qt::Key_Tab || key.key() == Qt::Key_Backtab;
}

}  // namespace

TOptionForm::TOptionForm(TKestrovaneSetting& settings, TWiimoteButtonAssign& assign,
                         KeyNames& keyNames, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      logic_(*this, settings, assign, keyNames),
      openFileDialog_([](QWidget* owner) { return QFileDialog::getOpenFileName(owner); }),
      messageBox_([](QWidget* owner, const QString& caption, const QString& text) {
        QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, owner);
        box.exec();
      }),
      errorBox_([](QWidget* owner, const QString& caption, const QString& text) {
        QMessageBox::critical(owner, caption, text);
      }) {
  setObjectName("OptionForm");
  setWindowTitle(TextOf(kOptionFormCaption));
  setFont(DialogFont());
  setFixedSize(kOptionClientSize.Width, kOptionClientSize.Height);
  CreateControls();
  FillLists();
  SetTabOrder();
  UseClassicIndicators();
  ConnectHandlers();
}

// Every control of the layout table in its order, parents before their children.
void TOptionForm::CreateControls() {
  for (const Layout& layout : kOptionFormControls) {
    QWidget* parent = layout.Parent == C::Window ? this : Control(layout.Parent);
    QWidget* control = CreateControl(layout, parent);
    controls_[static_cast<std::size_t>(layout.Control)] = control;
    if (layout.Control == C::MotionSensorThresholdEdit || layout.Control == C::KeyAssignEdit) {
      // Typed keys are filtered one by one; an input method would bypass that.
      control->setAttribute(Qt::WA_InputMethodEnabled, false);
      control->installEventFilter(this);
    }
    if (layout.Has(kControlButtonFace))
      SetEditColour(ControlAs<QLineEdit>(layout.Control), QPalette::Button);
  }
}

QWidget* TOptionForm::CreateControl(const Layout& layout, QWidget* parent) {
  switch (layout.Kind) {
    case ControlKind::GroupBox:
      return MakeGroupBox(parent, layout);
    case ControlKind::Button:
      return MakePushButton(parent, layout);
    case ControlKind::RadioButton:
      return MakeButton<QRadioButton>(parent, layout);
    case ControlKind::CheckBox:
      return MakeButton<QCheckBox>(parent, layout);
    case ControlKind::Label:
      return MakeLabel(parent, layout);
    case ControlKind::Edit:
      return MakeEdit(parent, layout);
    case ControlKind::UpDown: {
      // The arrows belong to the edit just before them in the table.
      auto* buddy = ControlAs<QLineEdit>(static_cast<C>(static_cast<int>(layout.Control) - 1));
      auto* arrows = new UpDownArrows(buddy, layout.Range.Min, layout.Range.Max, parent);
      arrows->setObjectName(TextOf(layout.Name));
      arrows->setGeometry(ToQRect(layout.Bounds));
      return arrows;
    }
    case ControlKind::TrackBar:
      return MakeTrackBar(parent, layout);
    case ControlKind::DropDownList:
      return MakeDropDownList(parent, layout);
    case ControlKind::Picture:
    case ControlKind::ListBox:
      break;
  }
  return Make<QWidget>(parent, layout);  // no such control in this dialog
}

void TOptionForm::FillLists() {
  auto* buttons = ControlAs<QComboBox>(C::ButtonComboBox);
  for (const ButtonSlotInfo& slot : kButtonSlots) buttons->addItem(TextOf(slot.SectionName));
  buttons->setCurrentIndex(kButtonComboBoxInitialRow);
  auto* actions = ControlAs<QComboBox>(C::AssignComboBox);
  for (const std::string_view text : kActionListTexts) actions->addItem(TextOf(text));
  actions->setCurrentIndex(kAssignComboBoxInitialRow);
}

void TOptionForm::ConnectHandlers() {
  const auto onClick = [this](OptionControl button, void (TOptionFormLogic::*handler)()) {
    connect(ControlAs<QPushButton>(button), &QPushButton::clicked, this,
            [this, handler] { (logic_.*handler)(); });
  };
  onClick(C::ApplyButton, &TOptionFormLogic::ApplyButtonClick);
  onClick(C::CancelButton, &TOptionFormLogic::CancelButtonClick);
  onClick(C::AssignSetButton, &TOptionFormLogic::AssignSetButtonClick);
  onClick(C::ExecuteReferButton, &TOptionFormLogic::ExecuteReferButtonClick);
  onClick(C::ExecuteSetButton, &TOptionFormLogic::ExecuteSetButtonClick);
  // Only a pick by the user runs the handlers; selecting a row from code does not.
  connect(ControlAs<QComboBox>(C::ButtonComboBox), &QComboBox::activated, this, [this] {
    logic_.ButtonComboBoxClick();
    logic_.ButtonComboBoxChange();
  });
  connect(ControlAs<QComboBox>(C::AssignComboBox), &QComboBox::activated, this,
          [this] { logic_.AssignComboBoxChange(); });
}

void TOptionForm::UseClassicIndicators() {
  auto* indicatorStyle = new ClassicIndicatorStyle;
  for (QCheckBox* box : findChildren<QCheckBox*>()) box->setStyle(indicatorStyle);
  for (QRadioButton* button : findChildren<QRadioButton*>()) button->setStyle(indicatorStyle);
  // The dialog deletes its children in the order they joined it: the style, joining last, outlives
  // the controls that use it.
  indicatorStyle->setParent(this);
}

void TOptionForm::SetTabOrder() {
  for (std::size_t i = 1; i < kOptionFormTabOrder.size(); ++i) {
    QWidget::setTabOrder(Control(kOptionFormTabOrder[i - 1]), Control(kOptionFormTabOrder[i]));
  }
}

void TOptionForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // A spontaneous show is the window system restoring a minimised dialog, not a new showing.
  if (event->spontaneous()) return;
  adjustPosition(parentWidget());
  logic_.FormShow();
}

// Enter clicks the focused button and nothing else; Escape does nothing, as no button of the
// dialog is its cancel button. Everything else goes the usual way.
void TOptionForm::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (auto* button = qobject_cast<QPushButton*>(focusWidget())) button->click();
      event->accept();
      return;
    case Qt::Key_Escape:
      event->accept();
      return;
    default:
      QDialog::keyPressEvent(event);
  }
}

bool TOptionForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Control(C::KeyAssignEdit)) return FilterKeyAssignEdit(event);
  if (watched == Control(C::MotionSensorThresholdEdit) && event->type() == QEvent::KeyPress) {
    // True drops the key.
    const auto* key = static_cast<QKeyEvent*>(event);
    return !ThresholdKeyPasses(key->text().toStdU32String(), ModifiersOf(key->modifiers()));
  }
  return QDialog::eventFilter(watched, event);
}

bool TOptionForm::FilterKeyAssignEdit(QEvent* event) {
  switch (event->type()) {
    case QEvent::ShortcutOverride: {
      // Claim every key but focus moves, so no shortcut elsewhere acts on a captured key.
      auto* key = static_cast<QKeyEvent*>(event);
      if (IsFocusKey(*key)) return false;
      key->accept();
      return true;
    }
    case QEvent::KeyPress: {
      const auto* key = static_cast<QKeyEvent*>(event);
      if (IsFocusKey(*key)) return false;
      logic_.KeyAssignEditKeyDown(VirtualKeyOfEvent(*key), ModifiersOf(key->modifiers()));
      return true;
    }
    case QEvent::KeyRelease:
      // The window system's auto-repeat sends releases too; only the real one counts.
      if (!static_cast<QKeyEvent*>(event)->isAutoRepeat()) logic_.KeyAssignEditKeyUp();
      return true;
    case QEvent::ContextMenu:
      // The Menu key is captured like any other key; the menu it would also open stays shut.
      return static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard;
    default:
      return false;
  }
}

// ----- kv::OptionFormView -----

std::string TOptionForm::Text(OptionControl edit) const {
  const auto* control = ControlAs<QLineEdit>(edit);
  return control ? control->text().toStdString() : std::string();
}

void TOptionForm::SetText(OptionControl edit, std::string_view text) {
  if (auto* control = ControlAs<QLineEdit>(edit)) control->setText(TextOf(text));
}

void TOptionForm::MoveCaretToEnd(OptionControl edit) {
  if (auto* control = ControlAs<QLineEdit>(edit)) {
    control->setCursorPosition(static_cast<int>(control->text().size()));
  }
}

bool TOptionForm::IsChecked(OptionControl button) const {
  const auto* control = ControlAs<QAbstractButton>(button);
  return control && control->isChecked();
}

void TOptionForm::SetChecked(OptionControl button, bool checked) {
  if (auto* control = ControlAs<QAbstractButton>(button)) control->setChecked(checked);
}

int TOptionForm::Position(OptionControl trackBar) const {
  const auto* control = ControlAs<QSlider>(trackBar);
  return control ? control->value() : 0;
}

void TOptionForm::SetPosition(OptionControl trackBar, int position) {
  if (auto* control = ControlAs<QSlider>(trackBar)) control->setValue(position);
}

int TOptionForm::SelectedRow(OptionControl list) const {
  const auto* control = ControlAs<QComboBox>(list);
  return control ? control->currentIndex() : -1;
}

void TOptionForm::SelectRow(OptionControl list, int row) {
  if (auto* control = ControlAs<QComboBox>(list)) control->setCurrentIndex(row);
}

void TOptionForm::SetEnabled(OptionControl control, bool enabled) {
  if (QWidget* widget = Control(control)) widget->setEnabled(enabled);
}

void TOptionForm::SetInputColour(OptionControl edit, bool takesInput) {
  if (auto* control = ControlAs<QLineEdit>(edit)) {
    SetEditColour(control, takesInput ? QPalette::Base : QPalette::Button);
  }
}

void TOptionForm::ShowMessage(std::string_view text) {
  messageBox_(this, QApplication::applicationName(), TextOf(text));
}

void TOptionForm::ShowError(std::string_view text) {
  errorBox_(this, QApplication::applicationName(), TextOf(text));
}

std::string TOptionForm::ChooseFile() {
  const QString path = openFileDialog_(this);
  return path.isEmpty() ? std::string() : QDir::toNativeSeparators(path).toStdString();
}

void TOptionForm::Close(bool applied) {
  if (applied) {
    accept();
  } else {
    reject();
  }
}

// "Window" colour for an edit that takes input, "button face" for one that does not.
void TOptionForm::SetEditColour(QLineEdit* edit, QPalette::ColorRole role) {
  QPalette palette = edit->palette();
  palette.setColor(QPalette::Base, this->palette().color(role));
  edit->setPalette(palette);
}

}  // namespace kv::app
