#include "app/option_form.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <stdexcept>

#include "core/actions/catalogue.h"
#include "platform/sim/us_key_names.h"

namespace kv::app {
namespace {

TKestrovaneSetting DefaultSettings() {
  TKestrovaneSetting settings{.CursorMode = "Motion", .SensorThreshold = 2, .OnPush = "Slower"};
  settings.RumbleOnEdge = true;
  settings.SpeedFast = 5;
  settings.SpeedSlow = 3;
  return settings;
}

class OptionFormTest : public testing::Test {
 protected:
  OptionFormTest() {
    form_.SetMessageBox([this](QWidget*, const QString& caption, const QString& text) {
      messages_ << caption + "|" + text;
    });
    form_.SetErrorBox([this](QWidget*, const QString& caption, const QString& text) {
      errors_ << caption + "|" + text;
    });
    form_.SetOpenFileDialog([this](QWidget*) { return chosenFile_; });
  }

  template <class Widget = QWidget>
  Widget* Get(const char* name) {
    auto* widget = form_.findChild<Widget*>(name);
    if (widget == nullptr) throw std::runtime_error(std::string("no control ") + name);
    return widget;
  }
  QLineEdit* Edit(const char* name) { return Get<QLineEdit>(name); }
  QString Text(const char* name) { return Edit(name)->text(); }
  bool Checked(const char* name) { return Get<QAbstractButton>(name)->isChecked(); }
  void Click(const char* name) { Get<QAbstractButton>(name)->click(); }
  int Value(const char* name) { return Get<QSlider>(name)->value(); }
  int ActionRow() { return Get<QComboBox>("AssignComboBox")->currentIndex(); }

  // What a combo box does when the user picks a row.
  void Pick(const char* comboName, int row) {
    auto* combo = Get<QComboBox>(comboName);
    combo->setCurrentIndex(row);
    emit combo->activated(row);
  }

  sim::UsKeyNames keyNames_;
  TWiimoteButtonAssign assign_ = DefaultButtonAssign();
  TKestrovaneSetting settings_ = DefaultSettings();
  TOptionForm form_{settings_, assign_, keyNames_};
  QStringList messages_;
  QStringList errors_;
  QString chosenFile_;
};

TEST_F(OptionFormTest, WindowAndPlacesOfControls) {
  EXPECT_EQ(form_.windowTitle(), "Preference");
  EXPECT_EQ(form_.minimumSize(), QSize(449, 372));
  EXPECT_EQ(form_.maximumSize(), QSize(449, 372));
  EXPECT_FALSE(form_.windowFlags() & Qt::WindowMaximizeButtonHint);
  const std::tuple<const char*, const char*, QRect> places[] = {
      {"ApplyButton", "OptionForm", {304, 336, 63, 25}},
      {"ButtonAssignGroupBox", "OptionForm", {212, 4, 233, 233}},
      {"UseMotionWhenLostIRCheckBox", "GroupBox4", {20, 52, 153, 13}},
      {"UpDown1", "GroupBox1", {177, 12, 15, 20}},
      {"MotionSpeedSlowTrackBar", "GroupBox6", {32, 40, 53, 17}},
      {"KeyAssignEdit", "KeyAssignGroupBox", {8, 17, 153, 20}},
      {"ExecuteReferButton", "ExecuteGroupBox", {188, 20, 21, 17}},
  };
  for (const auto& [name, parent, geometry] : places) {
    EXPECT_EQ(Get(name)->parentWidget()->objectName(), parent) << name;
    EXPECT_EQ(Get(name)->geometry(), geometry) << name;
  }
  const auto* fast = Get<QSlider>("MotionSpeedFastTrackBar");
  EXPECT_EQ(std::tuple(fast->minimum(), fast->maximum(), fast->tickInterval()),
            std::tuple(1, 20, 2));
  EXPECT_EQ(Text("MotionSensorThresholdEdit"), "0");  // before the first showing
  EXPECT_EQ(ActionRow(), -1);
}

TEST_F(OptionFormTest, ShowingTheDefaults) {
  form_.show();
  EXPECT_EQ(Text("MotionSensorThresholdEdit"), "2");
  EXPECT_TRUE(Checked("RumbleOnEdgeCheckBox") && !Checked("InvertHCheckBox"));
  EXPECT_TRUE(Checked("CursorRadioButtonMotion") && Checked("SpeedRadioButtonSlow"));
  EXPECT_EQ(std::pair(Value("MotionSpeedFastTrackBar"), Value("MotionSpeedSlowTrackBar")),
            std::pair(5, 3));
  EXPECT_EQ(Get<QComboBox>("ButtonComboBox")->currentText(), "Up");
  EXPECT_EQ(Get<QComboBox>("AssignComboBox")->currentText(), "Keys");
  EXPECT_EQ(Text("KeyAssignEdit"), "Press keys here");
  EXPECT_EQ(Text("KeyAssignEdit2"), "Up");
  EXPECT_TRUE(Get("KeyAssignGroupBox")->isEnabled());
  EXPECT_FALSE(Get("ExecuteGroupBox")->isEnabled());
}

TEST_F(OptionFormTest, EachShowingRefreshesAndKeepsTheSlot) {
  settings_.CursorMode = "IR";
  form_.show();
  Pick("ButtonComboBox", kSlotA);
  form_.hide();
  settings_.SensorThreshold = 7;
  settings_.CursorMode = "ir";  // an unknown mode leaves the radio buttons as they were
  settings_.OnPush = "Faster";
  assign_[kSlotA] = {"Execute", "/bin/true"};
  form_.show();
  EXPECT_EQ(Text("MotionSensorThresholdEdit"), "7");
  EXPECT_TRUE(Checked("CursorRadioButtonIR") && Checked("SpeedRadioButtonFast"));
  EXPECT_EQ(ActionRow(), kActionRowExecute);
  EXPECT_EQ(Text("ExecuteEdit"), "/bin/true");
  EXPECT_EQ(assign_[kSlotA], (TButtonAssign{"Execute", "/bin/true"}));  // selected, not picked
  Click("ApplyButton");
  EXPECT_EQ(settings_.CursorMode + settings_.OnPush, "IRFaster");
}

TEST_F(OptionFormTest, SlotWithAClickDisablesBothBoxes) {
  form_.show();
  const QColor face = form_.palette().color(QPalette::Button);
  EXPECT_NE(Edit("KeyAssignEdit2")->palette().color(QPalette::Base), face);
  Pick("ButtonComboBox", kSlotA);
  EXPECT_EQ(ActionRow(), 7);
  EXPECT_FALSE(Get("KeyAssignGroupBox")->isEnabled() || Get("ExecuteGroupBox")->isEnabled());
  EXPECT_EQ(Text("KeyAssignEdit") + Text("KeyAssignEdit2") + Text("ExecuteEdit"), "");
  EXPECT_EQ(Edit("KeyAssignEdit2")->palette().color(QPalette::Base), face);
  EXPECT_EQ(assign_, DefaultButtonAssign());
}

TEST_F(OptionFormTest, CapturedCombinations) {
  const std::tuple<Qt::Key, Qt::KeyboardModifiers, const char*> cases[] = {
      {Qt::Key_X, Qt::ControlModifier | Qt::ShiftModifier, "Shift+Ctrl+X"},
      {Qt::Key_F5, Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier, "Shift+Ctrl+Alt+F5"},
      {Qt::Key_Asterisk, Qt::KeypadModifier, "Num *"},
      {Qt::Key_Colon, Qt::ShiftModifier, "Shift+;"},
      {Qt::Key_Tab, Qt::ControlModifier, "Ctrl+Tab"},
      {Qt::Key_Return, Qt::NoModifier, "Enter"},
      {Qt::Key_Escape, Qt::NoModifier, "Esc"},
  };
  form_.show();
  QLineEdit* capture = Edit("KeyAssignEdit");
  for (const auto& [key, held, text] : cases) {
    QTest::keyPress(capture, key, held);
    EXPECT_EQ(capture->text(), text);
    EXPECT_EQ(capture->cursorPosition(), capture->text().size());
    QTest::keyRelease(capture, key, held);
    EXPECT_EQ(Text("KeyAssignEdit2"), text);
  }
  EXPECT_TRUE(form_.isVisible());  // neither Enter nor Escape reached the dialog

  // Modifier presses as window systems report them: without their own modifier bit.
  QTest::keyPress(capture, Qt::Key_Control);
  QTest::keyPress(capture, Qt::Key_Shift, Qt::ControlModifier);
  EXPECT_EQ(capture->text(), "Shift+Ctrl");
  QTest::keyRelease(capture, Qt::Key_Shift, Qt::ShiftModifier | Qt::ControlModifier);
  QTest::keyPress(capture, Qt::Key_Alt);
  EXPECT_EQ(capture->text(), "Alt");
  QTest::keyRelease(capture, Qt::Key_Alt, Qt::AltModifier);
  EXPECT_EQ(capture->text() + Text("KeyAssignEdit2"), "");
  EXPECT_EQ(assign_, DefaultButtonAssign());
}

TEST_F(OptionFormTest, MenuKeyIsCapturedWithoutOpeningTheEditsMenu) {
  form_.show();
  QLineEdit* capture = Edit("KeyAssignEdit");
  capture->setFocus();
  // The window system delivers the Menu key as a key press and, to the focused control, as a
  // request for its context menu from the keyboard.
  QTest::keyPress(capture, Qt::Key_Menu);
  QContextMenuEvent request(QContextMenuEvent::Keyboard, capture->rect().center(),
                            capture->mapToGlobal(capture->rect().center()));
  QApplication::sendEvent(capture, &request);
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << "the edit's context menu opened";
  EXPECT_EQ(capture->text(), "Application");
  QTest::keyRelease(capture, Qt::Key_Menu);
  EXPECT_EQ(Text("KeyAssignEdit2"), "Application");
  if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
}

TEST_F(OptionFormTest, SetStoresValidCombinationsAsTyped) {
  // "Ctrl+Win" is the Ctrl key held with the Windows key: the layout names the Ctrl key "Ctrl".
  const std::pair<const char*, bool> cases[] = {
      {"Win+D", true},       {"Win", true},       {"Shift+D+Win", true},
      {"alt+ctrl+x", true},  {"Ctrl+Win", true},  {"", false},
      {"Ctrl+Win+D", false}, {"Nonsense", false}, {"win+d", false}};
  form_.show();
  for (const auto& [text, valid] : cases) {
    assign_[kSlotUp] = {"Keys", "Up"};
    messages_.clear();
    Edit("KeyAssignEdit2")->setText(text);
    Click("AssignSetButton");
    EXPECT_EQ(assign_[kSlotUp].ActionValue, valid ? text : "Up") << text;
    EXPECT_EQ(messages_, valid ? QStringList{} : QStringList{"Kestrovane|Invalid keys"}) << text;
  }
}

TEST_F(OptionFormTest, PickedActionIsStoredAtOnceAndCancelKeepsIt) {
  form_.show();
  Pick("ButtonComboBox", kSlotDown);
  Pick("AssignComboBox", 13);
  EXPECT_EQ(assign_[kSlotDown], (TButtonAssign{"Mouse->Wheel Up", ""}));
  QTest::keyClick(Get("AssignComboBox"), Qt::Key_Down);  // keyboard steps are picks too
  Click("CancelButton");
  EXPECT_FALSE(form_.isVisible());
  EXPECT_EQ(assign_[kSlotDown], (TButtonAssign{"Mouse->Wheel Down", ""}));
}

TEST_F(OptionFormTest, ExecuteStoresAnEmptyCommandThenTheChosenFile) {
  form_.show();
  Pick("ButtonComboBox", kSlotB);
  Pick("AssignComboBox", kActionRowExecute);
  EXPECT_EQ(assign_[kSlotB], (TButtonAssign{"Execute", ""}));
  chosenFile_ = "/usr/bin/xterm";
  Click("ExecuteReferButton");
  chosenFile_.clear();  // the file dialog cancelled
  Click("ExecuteReferButton");
  EXPECT_EQ(Text("ExecuteEdit"), "/usr/bin/xterm");
  EXPECT_EQ(assign_[kSlotB], (TButtonAssign{"Execute", ""}));
  Click("ExecuteSetButton");
  EXPECT_EQ(assign_[kSlotB], (TButtonAssign{"Execute", "/usr/bin/xterm"}));
}

TEST_F(OptionFormTest, KeysStoresNothingUntilSet) {
  assign_[kSlotHome] = {"Mixer->Mute", ""};
  form_.show();
  Pick("ButtonComboBox", kSlotHome);
  Pick("AssignComboBox", kActionRowKeys);
  EXPECT_EQ(Text("KeyAssignEdit2"), "");
  Edit("KeyAssignEdit2")->setText("Ctrl+X");
  Pick("ButtonComboBox", kSlotUp);
  Pick("ButtonComboBox", kSlotHome);
  EXPECT_EQ(assign_[kSlotHome], (TButtonAssign{"Mixer->Mute", ""}));
  EXPECT_EQ(ActionRow(), 19);

  // An action outside the catalogue keeps the previous row and stores nothing.
  assign_[kSlotMinus] = {"Bogus", "v"};
  Pick("ButtonComboBox", kSlotMinus);
  EXPECT_EQ(ActionRow(), 19);
  Pick("ButtonComboBox", kSlotUp);
  Pick("ButtonComboBox", kSlotMinus);
  EXPECT_EQ(Text("KeyAssignEdit") + "|" + Text("KeyAssignEdit2"), "Press keys here|");
  EXPECT_EQ(assign_[kSlotMinus], (TButtonAssign{"Bogus", "v"}));
}

TEST_F(OptionFormTest, ThresholdTakesTypedDigitsButAnythingPasted) {
  form_.show();
  QLineEdit* edit = Edit("MotionSensorThresholdEdit");
  edit->end(false);
  QTest::keyClicks(edit, "a1-b 2.");
  QTest::keyClick(edit, Qt::Key_Backspace);
  EXPECT_EQ(edit->text(), "21");
  QApplication::clipboard()->setText("x9");
  QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
  Click("InvertHCheckBox");
  Click("ApplyButton");
  EXPECT_EQ(errors_, QStringList{"Kestrovane|'21x9' は整数ではありません"});
  EXPECT_TRUE(form_.isVisible());
  EXPECT_EQ(settings_.SensorThreshold, 2);
  EXPECT_FALSE(settings_.InvertH);
  edit->setText(" $10");
  Click("ApplyButton");
  EXPECT_EQ(settings_.SensorThreshold, 16);
  EXPECT_TRUE(settings_.InvertH);
}

TEST_F(OptionFormTest, UpDownArrowsStepTheEditsNumber) {
  form_.show();
  QLineEdit* edit = Edit("MotionSensorThresholdEdit");
  Get<QToolButton>("UpButton")->click();
  QTest::keyClick(edit, Qt::Key_Up);
  EXPECT_EQ(edit->text(), "4");
  edit->setText("100");
  Get<QToolButton>("UpButton")->click();
  EXPECT_EQ(edit->text(), "100");
  edit->setText("abc");  // no number: the arrows go on from their last position
  QTest::keyClick(edit, Qt::Key_Down);
  EXPECT_EQ(edit->text(), "99");
}

TEST_F(OptionFormTest, TrackBarsHoldOutOfRangeSpeedsAtTheirEnds) {
  settings_.SpeedFast = 50;
  settings_.SpeedSlow = 0;
  form_.show();
  EXPECT_EQ(std::pair(Value("MotionSpeedFastTrackBar"), Value("MotionSpeedSlowTrackBar")),
            std::pair(20, 2));
  Click("InvertHCheckBox");
  Click("CancelButton");
  form_.show();
  Click("InvertHCheckBox");
  form_.close();  // the close box cancels too
  EXPECT_EQ(std::tuple(settings_.SpeedFast, settings_.SpeedSlow, settings_.InvertH),
            std::tuple(50, 0, false));
  form_.show();
  QTest::keyClick(Get("MotionSpeedFastTrackBar"), Qt::Key_Up);  // Up moves the thumb left
  Click("ApplyButton");
  EXPECT_EQ(std::pair(settings_.SpeedFast, settings_.SpeedSlow), std::pair(19, 2));
}

TEST_F(OptionFormTest, FocusKeys) {
  form_.show();
  QApplication::setActiveWindow(&form_);
  Get("ApplyButton")->setFocus();
  QStringList order;
  while (order.size() < 30 && !order.contains(QApplication::focusWidget()->objectName())) {
    order << QApplication::focusWidget()->objectName();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  }
  EXPECT_EQ(order.join(" "),
            "ApplyButton CancelButton MotionSensorThresholdEdit InvertHCheckBox InvertVCheckBox "
            "MotionSpeedFastTrackBar MotionSpeedSlowTrackBar SpeedRadioButtonSlow "
            "ReCalibrateCheckBox CursorRadioButtonMotion UseMotionWhenLostIRCheckBox "
            "RumbleOnEdgeCheckBox MinimizeCheckBox ButtonComboBox AssignComboBox AssignSetButton");

  // Tab leaves the capture box instead of being captured (its release goes to the next control).
  Edit("KeyAssignEdit")->setFocus();
  QTest::keyPress(Edit("KeyAssignEdit"), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget()->objectName(), "AssignSetButton");
  EXPECT_EQ(Text("KeyAssignEdit"), "Press keys here");

  // Enter clicks only a focused button; Escape does nothing.
  QTest::keyClick(Edit("MotionSensorThresholdEdit"), Qt::Key_Return);
  QTest::keyClick(Edit("MotionSensorThresholdEdit"), Qt::Key_Escape);
  EXPECT_TRUE(form_.isVisible());
  Get("CancelButton")->setFocus();
  QTest::keyClick(Get("CancelButton"), Qt::Key_Return);
  EXPECT_FALSE(form_.isVisible());
}

TEST_F(OptionFormTest, CentredOverTheMainWindowAtEveryShowing) {
  QWidget mainWindow;
  mainWindow.setGeometry(40, 30, 500, 420);
  mainWindow.show();
  TOptionForm form(settings_, assign_, keyNames_, &mainWindow);
  for (int showing = 0; showing < 2; ++showing) {
    form.show();
    EXPECT_LE((form.geometry().center() - mainWindow.geometry().center()).manhattanLength(), 2);
    form.move(0, 0);
    form.hide();
  }
}

// The real boxes: captioned with the application title, one OK button.
TEST(OptionFormBoxes, InvalidKeysAndConversionErrorBoxes) {
  sim::UsKeyNames keyNames;
  TWiimoteButtonAssign assign = DefaultButtonAssign();
  TKestrovaneSetting settings = DefaultSettings();
  TOptionForm form(settings, assign, keyNames);
  form.show();
  QStringList seen;
  const auto clickAndAnswer = [&](const char* button) {
    QTimer::singleShot(0, [&seen] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      seen << QString("%1|%2|%3|%4")
                  .arg(box->windowTitle(), box->text())
                  .arg(box->icon())
                  .arg(box->standardButtons() == QMessageBox::Ok);
      box->accept();
    });
    form.findChild<QPushButton*>(button)->click();
  };
  form.findChild<QLineEdit*>("KeyAssignEdit2")->setText("Nonsense");
  clickAndAnswer("AssignSetButton");
  form.findChild<QLineEdit*>("MotionSensorThresholdEdit")->clear();
  clickAndAnswer("ApplyButton");
  EXPECT_EQ(seen,
            (QStringList{"Kestrovane|Invalid keys|0|1", "Kestrovane|'' は整数ではありません|3|1"}));
}

}  // namespace
}  // namespace kv::app
