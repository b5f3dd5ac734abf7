#include "app/main_window_content.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <climits>
#include <functional>

#include "app/main_menu.h"

namespace kv::app {
namespace {

bool SameRegion(const QImage& a, const QImage& b, const DisplayRect& r) {
  for (int y = r.Top; y < r.Top + r.Height; ++y) {
    for (int x = r.Left; x < r.Left + r.Width; ++x) {
      if (a.pixel(x, y) != b.pixel(x, y)) return false;
    }
  }
  return true;
}

int CountPixels(const QImage& image, QColor colour, QRect within) {
  int count = 0;
  for (int y = within.top(); y <= within.bottom(); ++y) {
    for (int x = within.left(); x <= within.right(); ++x) count += image.pixelColor(x, y) == colour;
  }
  return count;
}

const QColor kSilver(192, 192, 192);
const QColor kYellow(255, 255, 0);

class MainWindowContentTest : public testing::Test {
 protected:
  void Redraw(bool cursorOn = false) {
    const DisplayState state{histories_, wiimote_, baseX_, baseY_, cursorOn};
    content_.DrawDisplay(state);
    content_.ShowStatus(state);
  }
  // The element shows its pressed look; the two pictures must differ there for this to mean it.
  bool Lit(const DisplayRect& r) {
    EXPECT_FALSE(SameRegion(content_.UpPicture(), content_.DownPicture(), r));
    return SameRegion(content_.ControllerPicture(), content_.DownPicture(), r);
  }
  bool Dark(const DisplayRect& r) {
    return SameRegion(content_.ControllerPicture(), content_.UpPicture(), r);
  }
  QString Line(int index) const { return content_.StatusTexts().value(index); }

  AccHistories histories_;
  TWiimote wiimote_;
  int32_t baseX_ = 0;
  int32_t baseY_ = 0;
  MainWindowContent content_;
};

TEST_F(MainWindowContentTest, NoControllerLightsOnlyLedFourAndShowsZeros) {
  Redraw();
  EXPECT_TRUE(Lit(kLed4Rect));
  EXPECT_FALSE(Lit(kLed1Rect));
  EXPECT_TRUE(Dark(kLed1Rect));
  for (const auto& rect : kButtonRects) EXPECT_TRUE(Dark(rect));
  EXPECT_EQ(content_.StatusTexts(),
            (QStringList{"Cursor:OFF", "AccX:  000", "AccY:  000", "AccZ:  000", "IR 1:  IN",
                         "IR 2:  IN", "IR X:  000", "IR Y:  000", "BATT:  000"}));
  // The background colour of the artwork is transparent, the controller itself opaque.
  EXPECT_EQ(qAlpha(content_.ControllerPicture().pixel(0, 211)), 0);
  EXPECT_EQ(qAlpha(content_.ControllerPicture().pixel(kLed4Rect.Left + 2, kLed4Rect.Top + 2)), 255);
}

TEST_F(MainWindowContentTest, CursorAndHeldButtonsLightTheirElementsInOneRedraw) {
  wiimote_.ButtonState[kSlotA].Pressed = true;
  wiimote_.ButtonState[kSlotOne].Pressed = true;
  Redraw(true);
  EXPECT_TRUE(Lit(kLed1Rect));
  EXPECT_TRUE(Lit(kButtonRects[kSlotA]));
  EXPECT_TRUE(Lit(kButtonRects[kSlotOne]));
  EXPECT_TRUE(Dark(kButtonRects[kSlotTwo]));
  EXPECT_EQ(Line(0), "Cursor:ON");
  // Later redraws paint the same surfaces and keep the list's items.
  const uchar* controllerBits = content_.ControllerPicture().constBits();
  const QListWidgetItem* firstItem = content_.findChild<QListWidget*>()->item(0);

  wiimote_.ButtonState[kSlotA].Pressed = false;
  wiimote_.ButtonState[kSlotB].Pressed = true;  // lit at the centre of the cross
  Redraw(false);
  EXPECT_TRUE(Dark(kLed1Rect));
  EXPECT_TRUE(Dark(kButtonRects[kSlotA]));
  EXPECT_TRUE(Lit(kButtonRects[kSlotB]));
  EXPECT_EQ(Line(0), "Cursor:OFF");
  EXPECT_EQ(content_.ControllerPicture().constBits(), controllerBits);
  EXPECT_EQ(content_.findChild<QListWidget*>()->item(0), firstItem);
}

TEST_F(MainWindowContentTest, IRPointsWithLabelsAndThePointingPosition) {
  wiimote_.IR1X = 272;  // dot at (34, 4), label from (31, 9)
  wiimote_.IR1Y = 32;
  wiimote_.IR2X = 560;  // dot at (70, 72)
  wiimote_.IR2Y = 576;
  wiimote_.IRMidX = 416;  // dot at (52, 38)
  wiimote_.IRMidY = 304;
  Redraw();
  const QImage& ir = content_.IRPicture();
  EXPECT_EQ(ir.pixelColor(36, 4), Qt::white);
  EXPECT_EQ(ir.pixelColor(37, 4), QColor(128, 128, 128));
  EXPECT_EQ(ir.pixelColor(70, 72), Qt::white);
  EXPECT_EQ(CountPixels(ir, kYellow, ir.rect()), 21);  // one round dot five pixels across
  EXPECT_EQ(ir.pixelColor(52, 38), kYellow);
  const QColor grey(128, 128, 128);
  EXPECT_LT(CountPixels(ir, grey, {31, 9, 10, 14}), 140 - 3);  // the labels' glyphs
  EXPECT_LT(CountPixels(ir, grey, {67, 77, 10, 14}), 140 - 3);
  EXPECT_EQ(CountPixels(ir, grey, {0, 50, 60, 54}), 60 * 54);
}

TEST_F(MainWindowContentTest, UnseenAndExtrapolatedPointsFallOutsideThePicture) {
  wiimote_.IR1X = wiimote_.IR1Y = wiimote_.IR2X = wiimote_.IR2Y = 1023;
  wiimote_.IR1Size = wiimote_.IR2Size = 15;
  wiimote_.IRMidX = -150;
  wiimote_.IRMidY = 300;
  wiimote_.Battery = 200;
  Redraw();
  EXPECT_EQ(CountPixels(content_.IRPicture(), Qt::white, content_.IRPicture().rect()), 0);
  EXPECT_EQ(CountPixels(content_.IRPicture(), kYellow, content_.IRPicture().rect()), 0);
  const QStringList expected{"IR 1:  OUT", "IR 2:  OUT", "IR X:  -150", "IR Y:  300", "BATT:  200"};
  EXPECT_EQ(content_.StatusTexts().mid(4), expected);
  wiimote_.Battery = 7;
  Redraw();
  EXPECT_EQ(Line(8), "BATT:  007");
}

TEST_F(MainWindowContentTest, GraphLinesNewestLeftAndTheTiltIndicator) {
  baseX_ = 120;
  baseY_ = 130;
  for (int i = 0; i < 200; ++i) {
    histories_.X.Push(120);                  // (0 + 128) / 4 = 32
    histories_.Y.Push(170);                  // (40 + 128) / 4 = 42
    histories_.Z.Push(i < 100 ? 220 : 100);  // the newest 100 at 25, older ones at 55
  }
  Redraw();
  const QImage& graph = content_.GraphPicture();
  auto column = [&](int x, const QColor& c) { return CountPixels(graph, c, {x, 0, 1, 71}); };
  EXPECT_EQ(graph.pixelColor(20, 32), QColor(0, 0, 255));
  EXPECT_EQ(graph.pixelColor(20, 42), QColor(255, 0, 0));
  EXPECT_EQ(graph.pixelColor(20, 25), QColor(0, 255, 0));
  EXPECT_EQ(graph.pixelColor(150, 55), QColor(0, 255, 0));
  EXPECT_EQ(column(20, kSilver), 71 - 6);  // three lines two pixels wide
  EXPECT_GE(column(99, QColor(0, 255, 0)) + column(100, QColor(0, 255, 0)), 25);  // the step

  // From the centre (35, 35) to (32, 42), and nothing above the centre.
  const QImage& axis = content_.AxisPicture();
  EXPECT_EQ(axis.pixelColor(35, 35), Qt::black);
  EXPECT_EQ(axis.pixelColor(32, 42), Qt::black);
  EXPECT_EQ(axis.pixelColor(31, 45), kSilver);
  EXPECT_EQ(CountPixels(axis, Qt::black, {0, 0, 71, 33}), 0);
}

// A redraw keeps the pixels of pictures whose geometry did not change; after any sequence of
// states, every picture must be what a fresh window draws for the last state alone.
TEST_F(MainWindowContentTest, RedrawsAfterChangesPaintWhatAFreshWindowWould) {
  const struct {
    const char* Name;
    std::function<void()> Change;
    bool CursorOn;
  } steps[] = {
      {"nothing yet", [] {}, false},
      {"same state again", [] {}, false},
      {"cursor on", [] {}, true},
      {"A held", [this] { wiimote_.ButtonState[4].Pressed = true; }, true},
      {"IR point moves",
       [this] {
         wiimote_.IR1X = 400;
         wiimote_.IR1Y = 300;
       },
       true},
      {"pointing moves", [this] { wiimote_.IRMidX = 640; }, true},
      {"one sample", [this] { histories_.Z.Push(200); }, true},
      {"rest value", [this] { baseX_ = 100; }, true},
      {"tilted", [this] { histories_.X.Push(180); }, true},
      {"A up, cursor off", [this] { wiimote_.ButtonState[4].Pressed = false; }, false},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.Name);
    step.Change();
    Redraw(step.CursorOn);
    MainWindowContent fresh;
    fresh.DrawDisplay({histories_, wiimote_, baseX_, baseY_, step.CursorOn});
    EXPECT_TRUE(content_.ControllerPicture() == fresh.ControllerPicture()) << "ControllerPicture";
    EXPECT_TRUE(content_.AxisPicture() == fresh.AxisPicture()) << "AxisPicture";
    EXPECT_TRUE(content_.IRPicture() == fresh.IRPicture()) << "IRPicture";
    EXPECT_TRUE(content_.GraphPicture() == fresh.GraphPicture()) << "GraphPicture";
  }
}

TEST_F(MainWindowContentTest, WildValuesDrawWithoutHarm) {
  baseX_ = INT_MIN;
  baseY_ = INT_MAX;
  for (int32_t v : {INT_MAX, INT_MIN, INT_MAX}) {
    histories_.X.Push(v);
    histories_.Y.Push(v == INT_MAX ? INT_MIN : INT_MAX);
    histories_.Z.Push(v);
  }
  wiimote_.IR1X = wiimote_.IRMidX = wiimote_.IR2Y = INT_MIN;
  wiimote_.IR1Y = wiimote_.IRMidY = wiimote_.IR2X = INT_MAX;
  wiimote_.Battery = INT_MIN;
  Redraw(true);
  EXPECT_EQ(Line(8), "BATT:  -2147483648");
}

TEST_F(MainWindowContentTest, ComponentsSitAtTheirPlaces) {
  EXPECT_EQ(content_.size(), QSize(354, 275));
  const struct {
    const char* name;
    QRect geometry;
    const char* parent;
  } widgets[] = {
      {"ButtonsGroupBox", {4, 0, 71, 270}, ""},
      {"imgWiimote", {7, 26, 55, 230}, "ButtonsGroupBox"},
      {"GraphGroupBox", {82, 0, 266, 118}, ""},
      {"imgGraph", {9, 17, 170, 71}, "GraphGroupBox"},
      {"imgAxis", {186, 17, 71, 71}, "GraphGroupBox"},
      {"Label4", {16, 92, -1, -1}, "GraphGroupBox"},
      {"Label5", {60, 92, -1, -1}, "GraphGroupBox"},
      {"Label6", {103, 92, -1, -1}, "GraphGroupBox"},
      {"IRGroupBox", {82, 121, 159, 148}, ""},
      {"imgIR", {9, 26, 137, 104}, "IRGroupBox"},
      {"StatusGroupBox", {247, 121, 102, 148}, ""},
      {"ButtonStatusListBox", {9, 17, 84, 124}, "StatusGroupBox"},
  };
  for (const auto& w : widgets) {
    auto* widget = content_.findChild<QWidget*>(w.name);
    ASSERT_NE(widget, nullptr) << w.name;
    EXPECT_EQ(widget->parentWidget()->objectName(), w.parent) << w.name;
    if (w.geometry.width() < 0) {
      EXPECT_EQ(widget->pos(), w.geometry.topLeft()) << w.name;
    } else {
      EXPECT_EQ(widget->geometry(), w.geometry) << w.name;
    }
  }
  EXPECT_EQ(content_.findChild<QGroupBox*>("IRGroupBox")->title(), "IR Sensor");
  EXPECT_EQ(content_.font().pixelSize(), 11);
  EXPECT_EQ(content_.findChild<QGroupBox*>("StatusGroupBox")->font().pixelSize(), 12);
}

TEST_F(MainWindowContentTest, StatusListShowsNineThirteenPixelLinesInAFixedPitchFont) {
  auto* list = content_.findChild<QListWidget*>("ButtonStatusListBox");
  EXPECT_LE(list->font().pixelSize(), 13);
  EXPECT_TRUE(QFontInfo(list->font()).fixedPitch());
  Redraw();
  content_.show();
  EXPECT_EQ(list->visualItemRect(list->item(1)).top() - list->visualItemRect(list->item(0)).top(),
            13);
  EXPECT_LE(list->visualItemRect(list->item(8)).bottom(), list->viewport()->height());
}

// With the fonts installed on the machine: the widest readings, four digits or a minus sign,
// fit between the list's frame and the style's text margins, so none is cut.
TEST_F(MainWindowContentTest, StatusListShowsElevenCharacterLinesWhole) {
  auto* list = content_.findChild<QListWidget*>("ButtonStatusListBox");
  histories_.X.Push(-150);
  histories_.Y.Push(-255);
  histories_.Z.Push(255);
  wiimote_.IRMidX = 1010;
  wiimote_.IRMidY = 1023;
  wiimote_.Battery = 200;
  Redraw();
  content_.show();
  ASSERT_EQ(Line(1), "AccX:  -150");
  ASSERT_EQ(Line(6), "IR X:  1010");
  const int margin = list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1;
  const QFontMetrics metrics(list->font());
  for (int i = 0; i < list->count(); ++i) {
    const QString text = list->item(i)->text();
    const QRect shown = list->visualItemRect(list->item(i)).intersected(list->viewport()->rect());
    EXPECT_LE(metrics.horizontalAdvance(text) + 2 * margin, shown.width())
        << text.toStdString() << " in " << QFontInfo(list->font()).family().toStdString() << " "
        << list->font().pixelSize() << " px";
  }
  EXPECT_GE(list->font().pixelSize(), 10) << "too small to read";
}

TEST(MainMenu, ItemsShortcutsAndHandlers) {
  QMenuBar bar;
  QStringList called;
  BuildMainMenu(&bar, {[&] { called << "Minimize"; }, [&] { called << "Exit"; },
                       [&] { called << "CursorOnOff"; }, [&] { called << "Calibrate"; },
                       [&] { called << "InitializeIR"; }, [&] { called << "Preference"; }});
  QStringList items;
  for (QAction* menu : bar.actions()) {
    items << menu->text() + ":";
    for (QAction* a : menu->menu()->actions()) {
      items << (a->isSeparator() ? "-" : a->text() + "|" + a->shortcut().toString());
      a->trigger();
    }
  }
  EXPECT_EQ(items, (QStringList{"File:", "Minimize|Ctrl+M", "-", "Exit|Ctrl+E", "Option:",
                                "Cursor On/OFF|Ctrl+S", "-", "Calibrate Motion Sensor|Ctrl+C",
                                "Initialize IR Sensor|Ctrl+R", "-", "Preference|Ctrl+P"}));
  EXPECT_EQ(called, (QStringList{"Minimize", "Exit", "CursorOnOff", "Calibrate", "InitializeIR",
                                 "Preference"}));

  QMenuBar empty;  // items without handlers do nothing
  BuildMainMenu(&empty, MainMenuHandlers{});
  for (QAction* menu : empty.actions()) {
    for (QAction* a : menu->menu()->actions()) a->trigger();
  }
}

TEST(TrayPopupMenu, ShowAndExit) {
  QWidget owner;
  QStringList called;
  QMenu* menu = BuildTrayPopupMenu(
      &owner, [&] { called << "show"; }, [&] { called << "exit"; });
  EXPECT_EQ(menu->parent(), &owner);
  QStringList items;
  for (QAction* a : menu->actions()) {
    items << a->text();
    a->trigger();
  }
  EXPECT_EQ(items, (QStringList{"Show", "Exit"}));
  EXPECT_EQ(called, (QStringList{"show", "exit"}));
}

}  // namespace
}  // namespace kv::app
