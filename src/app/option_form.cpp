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
#include "core/ui/integer_text.h"

namespace kv::app {

namespace {

constexpr int kClientWidth = 449;
constexpr int kClientHeight = 372;

constexpr uint8_t kVirtualKeyShift = 0x10;
constexpr uint8_t kVirtualKeyControl = 0x11;
constexpr uint8_t kVirtualKeyAlt = 0x12;

const char* const kPressKeysText = "Press keys here";

// The dialog's font is an 8-point sans serif of 11 pixels. Where the classic face is missing, the
// nearest faces of similar width stand in at the same pixel size, so captions fit their controls.
QFont DialogFont() {
  QFont font;
  font.setFamilies({"MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans", "Arimo",
                    "Nimbus Sans", "Arial", "Helvetica", "DejaVu Sans Condensed", "DejaVu Sans",
                    "Noto Sans"});
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(11);
  return font;
}

template <class Widget>
Widget* Make(QWidget* parent, const char* name, const QRect& geometry) {
  auto* widget = new Widget(parent);
  widget->setObjectName(name);
  widget->setGeometry(geometry);
  return widget;
}

template <class Button>
Button* MakeButton(QWidget* parent, const char* name, const QString& caption,
                   const QRect& geometry) {
  auto* button = Make<Button>(parent, name, geometry);
  button->setText(caption);
  return button;
}

QPushButton* MakePushButton(QWidget* parent, const char* name, const QString& caption,
                            const QRect& geometry) {
  auto* button = MakeButton<QPushButton>(parent, name, caption, geometry);
  // Enter clicks only a focused button (see keyPressEvent), never a "default" one.
  button->setAutoDefault(false);
  return button;
}

QGroupBox* MakeGroupBox(QWidget* parent, const char* name, const QString& caption,
                        const QRect& geometry) {
  auto* box = Make<EtchedGroupBox>(parent, name, geometry);
  box->setTitle(caption);
  return box;
}

// Labels size themselves to their caption.
QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption, QPoint topLeft) {
  auto* label = new QLabel(caption, parent);
  label->setObjectName(name);
  label->move(topLeft);
  label->adjustSize();
  return label;
}

QSlider* MakeTrackBar(QWidget* parent, const char* name, const QRect& geometry, int minimum,
                      int maximum, int tickInterval, int pageStep) {
  auto* bar = Make<QSlider>(parent, name, geometry);
  bar->setOrientation(Qt::Horizontal);
  bar->setRange(minimum, maximum);
  bar->setValue(minimum);
  bar->setSingleStep(1);
  bar->setPageStep(pageStep);
  bar->setTickInterval(tickInterval);
  bar->setTickPosition(QSlider::TicksBelow);
  // Up, Page Up and the wheel turned up move the thumb towards the minimum, as on a track bar.
  bar->setInvertedControls(true);
  return bar;
}

QComboBox* MakeDropDownList(QWidget* parent, const char* name, const QRect& geometry) {
  auto* combo = Make<QComboBox>(parent, name, geometry);
  combo->setEditable(false);
  combo->setMaxVisibleItems(8);
  return combo;
}

QString TextOf(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
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
      settings_(settings),
      assign_(assign),
      keyNames_(keyNames),
      openFileDialog_([](QWidget* owner) { return QFileDialog::getOpenFileName(owner); }),
      messageBox_([](QWidget* owner, const QString& caption, const QString& text) {
        QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, owner);
        box.exec();
      }),
      errorBox_([](QWidget* owner, const QString& caption, const QString& text) {
        QMessageBox::critical(owner, caption, text);
      }) {
  setObjectName("OptionForm");
  setWindowTitle("Preference");
  setFont(DialogFont());
  setFixedSize(kClientWidth, kClientHeight);

  ApplyButton = MakePushButton(this, "ApplyButton", "Apply", {304, 336, 63, 25});
  CancelButton = MakePushButton(this, "CancelButton", "Cancel", {376, 336, 65, 25});
  CreateGeneralBox();
  CreateMotionBox();
  CreateButtonAssignBox();
  SetTabOrder();
  UseClassicIndicators();

  connect(ApplyButton, &QPushButton::clicked, this, [this] { ApplyButtonClick(); });
  connect(CancelButton, &QPushButton::clicked, this, [this] { CancelButtonClick(); });
}

void TOptionForm::UseClassicIndicators() {
  auto* indicatorStyle = new ClassicIndicatorStyle;
  for (QCheckBox* box : findChildren<QCheckBox*>()) box->setStyle(indicatorStyle);
  for (QRadioButton* button : findChildren<QRadioButton*>()) button->setStyle(indicatorStyle);
  // The dialog deletes its children in the order they joined it: the style, joining last, outlives
  // the controls that use it.
  indicatorStyle->setParent(this);
}

void TOptionForm::CreateGeneralBox() {
  GroupBox2 = MakeGroupBox(this, "GroupBox2", "General", {4, 4, 201, 137});
  GroupBox4 = MakeGroupBox(GroupBox2, "GroupBox4", "Cursor", {8, 16, 185, 73});
  CursorRadioButtonMotion = MakeButton<QRadioButton>(GroupBox4, "CursorRadioButtonMotion",
                                                     "Motion Sensor", {8, 16, 121, 17});
  CursorRadioButtonMotion->setChecked(true);
  CursorRadioButtonIR =
      MakeButton<QRadioButton>(GroupBox4, "CursorRadioButtonIR", "IR Sensor", {8, 32, 121, 17});
  UseMotionWhenLostIRCheckBox = MakeButton<QCheckBox>(GroupBox4, "UseMotionWhenLostIRCheckBox",
                                                      "Use motion when lost IR", {20, 52, 153, 13});
  RumbleOnEdgeCheckBox =
      MakeButton<QCheckBox>(GroupBox2, "RumbleOnEdgeCheckBox", "Rumble on Edge", {12, 92, 113, 17});
  RumbleOnEdgeCheckBox->setChecked(true);
  MinimizeCheckBox = MakeButton<QCheckBox>(GroupBox2, "MinimizeCheckBox", "Minimize on Startup",
                                           {12, 112, 137, 13});
}

void TOptionForm::CreateMotionBox() {
  GroupBox1 = MakeGroupBox(this, "GroupBox1", "Motion Sensor", {4, 144, 201, 221});
  Label1 = MakeLabel(GroupBox1, "Label1", "Motion sensor threshold", {8, 16});
  MotionSensorThresholdEdit =
      Make<QLineEdit>(GroupBox1, "MotionSensorThresholdEdit", {140, 12, 37, 20});
  // Typed characters are filtered one by one; an input method would bypass that.
  MotionSensorThresholdEdit->setAttribute(Qt::WA_InputMethodEnabled, false);
  MotionSensorThresholdEdit->installEventFilter(this);
  UpDown1 = new UpDownArrows(MotionSensorThresholdEdit, 0, 100, GroupBox1);
  UpDown1->setObjectName("UpDown1");
  UpDown1->setGeometry(177, 12, 15, 20);
  InvertHCheckBox =
      MakeButton<QCheckBox>(GroupBox1, "InvertHCheckBox", "Invert Horizontal", {8, 32, 117, 17});
  InvertVCheckBox =
      MakeButton<QCheckBox>(GroupBox1, "InvertVCheckBox", "Invert Vertical", {8, 48, 109, 17});

  GroupBox6 = MakeGroupBox(GroupBox1, "GroupBox6", "Cursor Speed", {8, 68, 185, 65});
  Label4 = MakeLabel(GroupBox6, "Label4", "Fast", {8, 20});
  MotionSpeedFastTrackBar =
      MakeTrackBar(GroupBox6, "MotionSpeedFastTrackBar", {32, 20, 137, 17}, 1, 20, 2, 2);
  Label5 = MakeLabel(GroupBox6, "Label5", "Slow", {8, 40});
  MotionSpeedSlowTrackBar =
      MakeTrackBar(GroupBox6, "MotionSpeedSlowTrackBar", {32, 40, 53, 17}, 2, 10, 1, 1);

  GroupBox3 = MakeGroupBox(GroupBox1, "GroupBox3", "When button pressed ", {8, 136, 185, 53});
  SpeedRadioButtonSlow = MakeButton<QRadioButton>(GroupBox3, "SpeedRadioButtonSlow",
                                                  "Move Cursor Slower", {8, 16, 121, 17});
  SpeedRadioButtonSlow->setChecked(true);
  SpeedRadioButtonFast = MakeButton<QRadioButton>(GroupBox3, "SpeedRadioButtonFast",
                                                  "Move Cursor Faster", {8, 32, 121, 17});
  ReCalibrateCheckBox = MakeButton<QCheckBox>(GroupBox1, "ReCalibrateCheckBox",
                                              "Re-Calibrate on Cursor On/Off", {8, 196, 181, 17});
}

void TOptionForm::CreateButtonAssignBox() {
  ButtonAssignGroupBox =
      MakeGroupBox(this, "ButtonAssignGroupBox", "Button Assign", {212, 4, 233, 233});
  Label2 = MakeLabel(ButtonAssignGroupBox, "Label2", "Button", {8, 20});
  ButtonComboBox = MakeDropDownList(ButtonAssignGroupBox, "ButtonComboBox", {48, 16, 177, 20});
  for (const ButtonSlotInfo& slot : kButtonSlots) ButtonComboBox->addItem(TextOf(slot.SectionName));
  ButtonComboBox->setCurrentIndex(0);
  Label3 = MakeLabel(ButtonAssignGroupBox, "Label3", "Assign", {8, 44});
  AssignComboBox = MakeDropDownList(ButtonAssignGroupBox, "AssignComboBox", {48, 40, 177, 20});
  for (const std::string_view text : kActionListTexts) AssignComboBox->addItem(TextOf(text));
  AssignComboBox->setCurrentIndex(-1);
  CreateKeyAssignBox();
  CreateExecuteBox();

  // Only a pick by the user runs the handlers; selecting a row from code does not.
  connect(ButtonComboBox, &QComboBox::activated, this, [this] {
    ButtonComboBoxClick();
    ButtonComboBoxChange();
  });
  connect(AssignComboBox, &QComboBox::activated, this,
          [this](int row) { AssignComboBoxChange(row); });
}

void TOptionForm::CreateKeyAssignBox() {
  KeyAssignGroupBox =
      MakeGroupBox(ButtonAssignGroupBox, "KeyAssignGroupBox", "Keys", {8, 64, 217, 85});
  KeyAssignEdit = Make<QLineEdit>(KeyAssignGroupBox, "KeyAssignEdit", {8, 17, 153, 20});
  KeyAssignEdit->setText(kPressKeysText);
  KeyAssignEdit->setReadOnly(true);
  KeyAssignEdit->setFocusPolicy(Qt::ClickFocus);
  KeyAssignEdit->setAttribute(Qt::WA_InputMethodEnabled, false);
  KeyAssignEdit->installEventFilter(this);
  SetEditColour(KeyAssignEdit, QPalette::Button);
  KeyAssignEdit2 = Make<QLineEdit>(KeyAssignGroupBox, "KeyAssignEdit2", {8, 41, 153, 20});
  KeyAssignEdit2->setFocusPolicy(Qt::ClickFocus);
  AssignSetButton = MakePushButton(KeyAssignGroupBox, "AssignSetButton", "Set", {168, 40, 41, 21});
  Label6 =
      MakeLabel(KeyAssignGroupBox, "Label6", "you can edit like Win+D, Ctrl+Esc etc..", {4, 68});
  connect(AssignSetButton, &QPushButton::clicked, this, [this] { AssignSetButtonClick(); });
}

void TOptionForm::CreateExecuteBox() {
  ExecuteGroupBox =
      MakeGroupBox(ButtonAssignGroupBox, "ExecuteGroupBox", "Execute", {8, 152, 217, 73});
  ExecuteEdit = Make<QLineEdit>(ExecuteGroupBox, "ExecuteEdit", {8, 16, 173, 20});
  ExecuteReferButton =
      MakePushButton(ExecuteGroupBox, "ExecuteReferButton", "..", {188, 20, 21, 17});
  ExecuteSetButton = MakePushButton(ExecuteGroupBox, "ExecuteSetButton", "Set", {168, 44, 41, 21});
  connect(ExecuteReferButton, &QPushButton::clicked, this, [this] { ExecuteReferButtonClick(); });
  connect(ExecuteSetButton, &QPushButton::clicked, this, [this] { ExecuteSetButtonClick(); });
}

// The form's direct children take the focus in the order Apply, Cancel, "Motion Sensor",
// "General", "Button Assign"; inside a box its controls follow in their on-screen order.
void TOptionForm::SetTabOrder() {
  const QWidget* const order[] = {
      ApplyButton,
      CancelButton,
      MotionSensorThresholdEdit,
      InvertHCheckBox,
      InvertVCheckBox,
      MotionSpeedFastTrackBar,
      MotionSpeedSlowTrackBar,
      SpeedRadioButtonSlow,
      SpeedRadioButtonFast,
      ReCalibrateCheckBox,
      CursorRadioButtonMotion,
      CursorRadioButtonIR,
      UseMotionWhenLostIRCheckBox,
      RumbleOnEdgeCheckBox,
      MinimizeCheckBox,
      ButtonComboBox,
      AssignComboBox,
      KeyAssignEdit,
      KeyAssignEdit2,
      AssignSetButton,
      ExecuteEdit,
      ExecuteReferButton,
      ExecuteSetButton,
  };
  for (std::size_t i = 1; i < std::size(order); ++i) {
    QWidget::setTabOrder(const_cast<QWidget*>(order[i - 1]), const_cast<QWidget*>(order[i]));
  }
}

void TOptionForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // A spontaneous show is the window system restoring a minimised dialog, not a new showing.
  if (event->spontaneous()) return;
  adjustPosition(parentWidget());
  FormShow();
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
  if (watched == KeyAssignEdit) return FilterKeyAssignEdit(event);
  if (watched == MotionSensorThresholdEdit && event->type() == QEvent::KeyPress) {
    return MotionSensorThresholdEditKeyPress(*static_cast<QKeyEvent*>(event));
  }
  return QDialog::eventFilter(watched, event);
}

void TOptionForm::FormShow() { ShowSettings(); }

void TOptionForm::ShowSettings() {
  MotionSensorThresholdEdit->setText(QString::number(settings_.SensorThreshold));
  InvertHCheckBox->setChecked(settings_.InvertH);
  InvertVCheckBox->setChecked(settings_.InvertV);
  RumbleOnEdgeCheckBox->setChecked(settings_.RumbleOnEdge);
  UseMotionWhenLostIRCheckBox->setChecked(settings_.UseMotionWhenLostIR);
  MinimizeCheckBox->setChecked(settings_.MinimizeOnStartup);
  // A track bar holds a value outside its range at the nearer end.
  MotionSpeedFastTrackBar->setValue(settings_.SpeedFast);
  MotionSpeedSlowTrackBar->setValue(settings_.SpeedSlow);
  if (settings_.CursorMode == "Motion") CursorRadioButtonMotion->setChecked(true);
  if (settings_.CursorMode == "IR") CursorRadioButtonIR->setChecked(true);
  if (settings_.OnPush == "Faster") SpeedRadioButtonFast->setChecked(true);
  if (settings_.OnPush == "Slower") SpeedRadioButtonSlow->setChecked(true);
  ReCalibrateCheckBox->setChecked(settings_.Recalibrate);
  ButtonComboBoxChange();
}

void TOptionForm::ApplyButtonClick() {
  // The threshold comes first: when it does not convert, nothing at all is taken over.
  const QString thresholdText = MotionSensorThresholdEdit->text();
  const auto threshold = IntegerOfText(thresholdText.toStdString());
  if (!threshold) {
    errorBox_(this, QApplication::applicationName(),
              QStringLiteral("'%1' は整数ではありません").arg(thresholdText));
    return;
  }
  settings_.SensorThreshold = *threshold;
  settings_.InvertH = InvertHCheckBox->isChecked();
  settings_.InvertV = InvertVCheckBox->isChecked();
  settings_.RumbleOnEdge = RumbleOnEdgeCheckBox->isChecked();
  settings_.MinimizeOnStartup = MinimizeCheckBox->isChecked();
  settings_.UseMotionWhenLostIR = UseMotionWhenLostIRCheckBox->isChecked();
  settings_.SpeedFast = MotionSpeedFastTrackBar->value();
  settings_.SpeedSlow = MotionSpeedSlowTrackBar->value();
  if (SpeedRadioButtonFast->isChecked()) settings_.OnPush = "Faster";
  if (SpeedRadioButtonSlow->isChecked()) settings_.OnPush = "Slower";
  if (CursorRadioButtonMotion->isChecked()) settings_.CursorMode = "Motion";
  if (CursorRadioButtonIR->isChecked()) settings_.CursorMode = "IR";
  settings_.Recalibrate = ReCalibrateCheckBox->isChecked();
  accept();
}

void TOptionForm::CancelButtonClick() { reject(); }

// True drops the key. Only printable characters count as typed: control characters (Backspace)
// and Ctrl combinations, the edit's commands such as Ctrl+V, reach the edit, so pasting works.
bool TOptionForm::MotionSensorThresholdEditKeyPress(const QKeyEvent& event) const {
  const Qt::KeyboardModifiers held = event.modifiers();
  if ((held & Qt::ControlModifier) && !(held & Qt::AltModifier)) return false;
  for (const QChar c : event.text()) {
    if (c.isPrint() && !(c >= u'0' && c <= u'9')) return true;
  }
  return false;
}

int TOptionForm::CurrentSlot() const {
  const int slot = ButtonComboBox->currentIndex();
  return slot >= 0 && slot < kButtonCount ? slot : -1;
}

void TOptionForm::ButtonComboBoxClick() { RefreshAssignPanel(); }

void TOptionForm::ButtonComboBoxChange() {
  const int slot = CurrentSlot();
  if (slot >= 0) SelectAssignItem(assign_[slot]);
  RefreshAssignPanel();
}

// Selects the row of the assignment's action; an action outside the catalogue leaves the row.
void TOptionForm::SelectAssignItem(const TButtonAssign& assign) {
  if (const auto row = ActionIndexOfName(assign.ActionType)) AssignComboBox->setCurrentIndex(*row);
}

void TOptionForm::RefreshAssignPanel() {
  const int row = AssignComboBox->currentIndex();
  const bool keys = row == kActionRowKeys;
  const bool execute = row == kActionRowExecute;
  KeyAssignGroupBox->setEnabled(keys);
  AssignSetButton->setEnabled(keys);
  SetEditColour(KeyAssignEdit2, keys ? QPalette::Base : QPalette::Button);
  ExecuteGroupBox->setEnabled(execute);
  ExecuteSetButton->setEnabled(execute);
  SetEditColour(ExecuteEdit, execute ? QPalette::Base : QPalette::Button);

  // Text typed but not yet set is dropped here.
  KeyAssignEdit->clear();
  KeyAssignEdit2->clear();
  ExecuteEdit->clear();
  const int slot = CurrentSlot();
  const TButtonAssign* current = slot >= 0 ? &assign_[slot] : nullptr;
  if (keys) {
    KeyAssignEdit->setText(kPressKeysText);
    if (current && current->ActionType == kActionKeys) {
      KeyAssignEdit2->setText(TextOf(current->ActionValue));
    }
  }
  if (execute && current && current->ActionType == kActionExecute) {
    ExecuteEdit->setText(TextOf(current->ActionValue));
  }
}

// A picked action other than "Keys" is stored at once with an empty value; "Keys" waits for Set.
void TOptionForm::AssignComboBoxChange(int row) {
  RefreshAssignPanel();
  const int slot = CurrentSlot();
  const auto name = ActionNameOfIndex(row);
  if (row > kActionRowKeys && name && slot >= 0) StoreAssign(slot, *name, {});
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
      KeyAssignEditKeyDown(VirtualKeyOfEvent(*key), key->modifiers());
      return true;
    }
    case QEvent::KeyRelease:
      // The window system's auto-repeat sends releases too; only the real one counts.
      if (!static_cast<QKeyEvent*>(event)->isAutoRepeat()) KeyAssignEditKeyUp();
      return true;
    case QEvent::ContextMenu:
      // The Menu key is captured like any other key; the menu it would also open stays shut.
      return static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard;
    default:
      return false;
  }
}

void TOptionForm::KeyAssignEditKeyDown(uint8_t virtualKey, Qt::KeyboardModifiers held) {
  // Some window systems report a modifier key's own press without its modifier.
  if (virtualKey == kVirtualKeyShift) held |= Qt::ShiftModifier;
  if (virtualKey == kVirtualKeyControl) held |= Qt::ControlModifier;
  if (virtualKey == kVirtualKeyAlt) held |= Qt::AltModifier;

  if (virtualKey == kVirtualKeyShift || virtualKey == kVirtualKeyControl ||
      virtualKey == kVirtualKeyAlt) {
    KeyAssignEdit->setText(ModifierText(held));
    CapturedKey = 0;
  } else {
    uint16_t shortCut = virtualKey;
    if (held & Qt::ShiftModifier) shortCut |= kShortCutShift;
    if (held & Qt::ControlModifier) shortCut |= kShortCutCtrl;
    if (held & Qt::AltModifier) shortCut |= kShortCutAlt;
    KeyAssignEdit->setText(TextOf(ShortCutToText(shortCut, keyNames_)));
    CapturedKey = virtualKey;
  }
  KeyAssignEdit->setCursorPosition(static_cast<int>(KeyAssignEdit->text().size()));
}

void TOptionForm::KeyAssignEditKeyUp() {
  if (CapturedKey == 0) KeyAssignEdit->clear();
  KeyAssignEdit2->setText(KeyAssignEdit->text());
}

QString TOptionForm::ModifierText(Qt::KeyboardModifiers held) {
  QString text;
  if (held & Qt::ShiftModifier) text += "Shift";
  if (held & Qt::ControlModifier) text += text.isEmpty() ? "Ctrl" : "+Ctrl";
  if (held & Qt::AltModifier) text += text.isEmpty() ? "Alt" : "+Alt";
  return text;
}

// The text is stored as typed, "Win" parts and letter case included; only the check ignores the
// Windows key, which the shortcut word cannot hold.
void TOptionForm::AssignSetButtonClick() {
  const std::string typed = KeyAssignEdit2->text().toStdString();
  if (TextToShortCut(RemoveWindowsKey(typed), keyNames_) == 0 && typed != "Win") {
    messageBox_(this, QApplication::applicationName(), "Invalid keys");
    return;
  }
  if (const int slot = CurrentSlot(); slot >= 0) StoreAssign(slot, kActionKeys, typed);
}

void TOptionForm::ExecuteReferButtonClick() {
  const QString path = openFileDialog_(this);
  if (!path.isEmpty()) ExecuteEdit->setText(QDir::toNativeSeparators(path));
}

// The command line is stored without any check; an empty one too.
void TOptionForm::ExecuteSetButtonClick() {
  if (const int slot = CurrentSlot(); slot >= 0) {
    StoreAssign(slot, kActionExecute, ExecuteEdit->text().toStdString());
  }
}

void TOptionForm::StoreAssign(int slot, std::string_view actionType, std::string actionValue) {
  assign_[slot].ActionType = std::string(actionType);
  assign_[slot].ActionValue = std::move(actionValue);
}

// "Window" colour for an edit that takes input, "button face" for one that does not.
void TOptionForm::SetEditColour(QLineEdit* edit, QPalette::ColorRole role) {
  QPalette palette = edit->palette();
  palette.setColor(QPalette::Base, this->palette().color(role));
  edit->setPalette(palette);
}

}  // namespace kv::app
