#include "app/main_window_content.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <climits>
#include <cmath>
#include <cstdlib>

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

int CountPixels(const QImage& image, QColor colour, QRect within = {}) {
  if (within.isNull()) within = image.rect();
  int count = 0;
  for (int y = within.top(); y <= within.bottom(); ++y) {
    for (int x = within.left(); x <= within.right(); ++x) {
      if (image.pixelColor(x, y) == colour) ++count;
    }
  }
  return count;
}

class MainWindowContentTest : public testing::Test {
 protected:
  void Redraw(bool cursorOn = false) {
    const DisplayState state{histories_, wiimote_, baseX_, baseY_, cursorOn};
    content_.DrawDisplay(state);
    content_.ShowStatus(state);
  }
  // Whether the element shows its pressed look (and not its released one).
  bool Lit(const DisplayRect& r) {
    EXPECT_FALSE(SameRegion(content_.UpPicture(), content_.DownPicture(), r))
        << "the two pictures do not differ at " << r.Left << "," << r.Top;
    return SameRegion(content_.ControllerPicture(), content_.DownPicture(), r);
  }
  bool Dark(const DisplayRect& r) {
    return SameRegion(content_.ControllerPicture(), content_.UpPicture(), r);
  }

  AccHistories histories_;
  TWiimote wiimote_;
  int32_t baseX_ = 0;
  int32_t baseY_ = 0;
  MainWindowContent content_;
};

TEST_F(MainWindowContentTest, NoControllerLightsOnlyLedFourAndShowsZeros) {
  Redraw();
  EXPECT_TRUE(Lit(kLed4Rect));
  EXPECT_TRUE(Dark(kLed1Rect));
  EXPECT_FALSE(Lit(kLed1Rect));
  for (const auto& rect : kButtonRects) EXPECT_TRUE(Dark(rect));
  EXPECT_EQ(content_.StatusTexts(),
            (QStringList{"Cursor:OFF", "AccX:  000", "AccY:  000", "AccZ:  000", "IR 1:  IN",
                         "IR 2:  IN", "IR X:  000", "IR Y:  000", "BATT:  000"}));
}

TEST_F(MainWindowContentTest, CursorOnLightsLedOneAndSaysSo) {
  Redraw(true);
  EXPECT_TRUE(Lit(kLed1Rect));
  EXPECT_TRUE(Lit(kLed4Rect));
  EXPECT_EQ(content_.StatusTexts().value(0), "Cursor:ON");
  Redraw(false);
  EXPECT_TRUE(Dark(kLed1Rect));
  EXPECT_EQ(content_.StatusTexts().value(0), "Cursor:OFF");
}

TEST_F(MainWindowContentTest, HeldButtonsAreLitInTheSameRedrawAndGoDarkOnRelease) {
  wiimote_.ButtonState[kSlotA].Pressed = true;
  wiimote_.ButtonState[kSlotOne].Pressed = true;
  Redraw();
  EXPECT_TRUE(Lit(kButtonRects[kSlotA]));
  EXPECT_TRUE(Lit(kButtonRects[kSlotOne]));
  EXPECT_TRUE(Dark(kButtonRects[kSlotTwo]));
  EXPECT_TRUE(Dark(kButtonRects[kSlotHome]));

  wiimote_.ButtonState[kSlotA].Pressed = false;
  wiimote_.ButtonState[kSlotB].Pressed = true;  // lit at the centre of the cross
  Redraw();
  EXPECT_TRUE(Dark(kButtonRects[kSlotA]));
  EXPECT_TRUE(Lit(kButtonRects[kSlotB]));
}

TEST_F(MainWindowContentTest, ControllerBackgroundIsTransparent) {
  Redraw();
  const QImage& picture = content_.ControllerPicture();
  EXPECT_EQ(picture.size(), QSize(51, 212));
  EXPECT_EQ(qAlpha(picture.pixel(0, 0)), 0);
  EXPECT_EQ(qAlpha(picture.pixel(0, 211)), 0);
  EXPECT_EQ(qAlpha(picture.pixel(kLed4Rect.Left + 2, kLed4Rect.Top + 2)), 255);
}

TEST_F(MainWindowContentTest, IRPointsLabelsAndPointingPosition) {
  wiimote_.IR1X = 272;  // dot at (34, 4), label from (31, 9)
  wiimote_.IR1Y = 32;
  wiimote_.IR2X = 560;  // dot at (70, 72)
  wiimote_.IR2Y = 576;
  wiimote_.IRMidX = 416;  // dot at (52, 38)
  wiimote_.IRMidY = 304;
  Redraw();
  const QImage& ir = content_.IRPicture();
  EXPECT_EQ(ir.size(), QSize(137, 104));
  EXPECT_EQ(ir.pixelColor(34, 4), Qt::white);
  EXPECT_EQ(ir.pixelColor(36, 4), Qt::white);
  EXPECT_EQ(ir.pixelColor(37, 4), QColor(128, 128, 128));
  EXPECT_EQ(ir.pixelColor(70, 72), Qt::white);
  EXPECT_EQ(ir.pixelColor(52, 38), QColor(255, 255, 0));
  EXPECT_EQ(CountPixels(ir, QColor(255, 255, 0)), 21);  // one five-pixel round dot
  // Dark label glyphs below left of each dot, none above it.
  auto darkIn = [&](QRect r) {
    int dark = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x) dark += qGray(ir.pixel(x, y)) < 64;
    return dark;
  };
  EXPECT_GT(darkIn(QRect(31, 9, 10, 14)), 3);
  EXPECT_GT(darkIn(QRect(67, 77, 10, 14)), 3);
  EXPECT_EQ(darkIn(QRect(20, 60, 30, 10)), 0);
}

TEST_F(MainWindowContentTest, UnseenAndExtrapolatedPointsFallOutsideThePicture) {
  wiimote_.IR1X = wiimote_.IR1Y = wiimote_.IR2X = wiimote_.IR2Y = 1023;
  wiimote_.IR1Size = wiimote_.IR2Size = 15;
  wiimote_.IRMidX = -150;
  wiimote_.IRMidY = 300;
  Redraw();
  EXPECT_EQ(CountPixels(content_.IRPicture(), Qt::white), 0);
  EXPECT_EQ(CountPixels(content_.IRPicture(), QColor(255, 255, 0)), 0);
  const QStringList texts = content_.StatusTexts();
  EXPECT_EQ(texts.value(4), "IR 1:  OUT");
  EXPECT_EQ(texts.value(5), "IR 2:  OUT");
  EXPECT_EQ(texts.value(6), "IR X:  -150");
  EXPECT_EQ(texts.value(7), "IR Y:  300");
}

TEST_F(MainWindowContentTest, BatteryIsPaddedToThreeDigits) {
  wiimote_.Battery = 200;
  Redraw();
  EXPECT_EQ(content_.StatusTexts().value(8), "BATT:  200");
  wiimote_.Battery = 7;
  Redraw();
  EXPECT_EQ(content_.StatusTexts().value(8), "BATT:  007");
}

TEST_F(MainWindowContentTest, GraphLinesAndTiltIndicator) {
  baseX_ = 120;
  baseY_ = 130;
  for (int i = 0; i < 200; ++i) {
    histories_.X.Push(120);                  // at rest: (0 + 128) / 4 = 32
    histories_.Y.Push(170);                  // (40 + 128) / 4 = 42
    histories_.Z.Push(i < 100 ? 220 : 100);  // the newest 100 at 25, older ones at 55
  }
  Redraw();
  const QImage& graph = content_.GraphPicture();
  const QColor blue(0, 0, 255), red(255, 0, 0), green(0, 255, 0);
  auto column = [&](int x, const QColor& colour) {
    return CountPixels(graph, colour, {x, 0, 1, 71});
  };
  EXPECT_EQ(graph.pixelColor(20, 32), blue);
  EXPECT_EQ(graph.pixelColor(20, 42), red);
  EXPECT_EQ(graph.pixelColor(20, 25), green);  // the newest samples sit at the left
  EXPECT_EQ(graph.pixelColor(150, 55), green);
  EXPECT_EQ(column(150, green), 2);  // pen width 2
  EXPECT_EQ(column(20, blue), 2);
  EXPECT_EQ(column(20, QColor(192, 192, 192)), 71 - 6);
  // The step between samples 99 and 100 is drawn as one steep segment.
  EXPECT_GE(column(99, green) + column(100, green), 25);

  // The indicator runs from the centre (35, 35) to (32, 42): X at rest, Y 40 above its rest.
  const QImage& axis = content_.AxisPicture();
  const QColor silver(192, 192, 192);
  EXPECT_EQ(axis.pixelColor(35, 35), Qt::black);
  EXPECT_EQ(axis.pixelColor(34, 37), Qt::black);
  EXPECT_EQ(axis.pixelColor(32, 42), Qt::black);
  EXPECT_EQ(axis.pixelColor(31, 45), silver);
  EXPECT_EQ(axis.pixelColor(38, 30), silver);
  EXPECT_EQ(CountPixels(axis, Qt::black, {0, 0, 71, 33}), 0);
  histories_.X.Push(255);  // (135 + 128) / 4 = 65
  histories_.Y.Push(130);  // 32
  Redraw();
  EXPECT_EQ(axis.pixelColor(65, 32), Qt::black);
  EXPECT_EQ(axis.pixelColor(50, 33), Qt::black);
  EXPECT_EQ(CountPixels(axis, Qt::black, {0, 0, 35, 71}), 0);
  EXPECT_EQ(CountPixels(axis, Qt::black, {0, 37, 71, 34}), 0);
}

TEST_F(MainWindowContentTest, WildValuesDrawWithoutHarm) {
  baseX_ = INT_MIN;
  baseY_ = INT_MAX;
  for (int i = 0; i < 3; ++i) {
    histories_.X.Push(INT_MAX);
    histories_.Y.Push(INT_MIN);
    histories_.Z.Push(i % 2 ? INT_MIN : INT_MAX);
  }
  wiimote_.IR1X = wiimote_.IRMidX = INT_MIN;
  wiimote_.IR1Y = wiimote_.IRMidY = INT_MAX;
  wiimote_.IR2X = INT_MAX;
  wiimote_.IR2Y = INT_MIN;
  wiimote_.Battery = INT_MIN;
  Redraw(true);
  EXPECT_EQ(content_.StatusTexts().value(8), "BATT:  -2147483648");
  EXPECT_EQ(CountPixels(content_.IRPicture(), Qt::white), 0);
}

TEST_F(MainWindowContentTest, RedrawsReuseTheSurfacesAndTheListItems) {
  Redraw();
  const uchar* controllerBits = content_.ControllerPicture().constBits();
  const uchar* graphBits = content_.GraphPicture().constBits();
  auto* list = content_.findChild<QListWidget*>("ButtonStatusListBox");
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->count(), 9);
  QListWidgetItem* first = list->item(0);
  wiimote_.Battery = 99;
  Redraw(true);
  EXPECT_EQ(content_.ControllerPicture().constBits(), controllerBits);
  EXPECT_EQ(content_.GraphPicture().constBits(), graphBits);
  EXPECT_EQ(list->item(0), first);
  EXPECT_EQ(list->count(), 9);
  EXPECT_EQ(content_.StatusTexts().value(8), "BATT:  099");
}

TEST_F(MainWindowContentTest, ComponentsSitAtTheirPlaces) {
  EXPECT_EQ(content_.size(), QSize(354, 275));
  const struct {
    const char* name;
    QRect geometry;
    const char* parent;
  } widgets[] = {
      {"ButtonsGroupBox", {4, 0, 71, 270}, nullptr},
      {"imgWiimote", {7, 26, 55, 230}, "ButtonsGroupBox"},
      {"GraphGroupBox", {82, 0, 266, 118}, nullptr},
      {"imgGraph", {9, 17, 170, 71}, "GraphGroupBox"},
      {"imgAxis", {186, 17, 71, 71}, "GraphGroupBox"},
      {"IRGroupBox", {82, 121, 159, 148}, nullptr},
      {"imgIR", {9, 26, 137, 104}, "IRGroupBox"},
      {"StatusGroupBox", {247, 121, 102, 148}, nullptr},
      {"ButtonStatusListBox", {9, 17, 84, 124}, "StatusGroupBox"},
  };
  for (const auto& w : widgets) {
    auto* widget = content_.findChild<QWidget*>(w.name);
    ASSERT_NE(widget, nullptr) << w.name;
    EXPECT_EQ(widget->geometry(), w.geometry) << w.name;
    EXPECT_EQ(widget->parentWidget()->objectName(), w.parent ? w.parent : "") << w.name;
  }
  const QString titles[][2] = {{"ButtonsGroupBox", "Controller"},
                               {"GraphGroupBox", "Graph"},
                               {"IRGroupBox", "IR Sensor"},
                               {"StatusGroupBox", "Status"}};
  for (const auto& t : titles) EXPECT_EQ(content_.findChild<QGroupBox*>(t[0])->title(), t[1]);
  const struct {
    const char* name;
    const char* text;
    QPoint at;
  } legends[] = {{"Label4", "X:Blue", {16, 92}},
                 {"Label5", "Y:Red", {60, 92}},
                 {"Label6", "Z:Green", {103, 92}}};
  for (const auto& l : legends) {
    auto* label = content_.findChild<QLabel*>(l.name);
    ASSERT_NE(label, nullptr) << l.name;
    EXPECT_EQ(label->text(), l.text);
    EXPECT_EQ(label->pos(), l.at);
  }
  EXPECT_EQ(content_.font().pixelSize(), 11);
  EXPECT_EQ(content_.findChild<QGroupBox*>("StatusGroupBox")->font().pixelSize(), 12);
}

TEST_F(MainWindowContentTest, StatusListUsesAFixedPitchFontAndThirteenPixelLines) {
  auto* list = content_.findChild<QListWidget*>("ButtonStatusListBox");
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->font().pixelSize(), 13);
  EXPECT_TRUE(QFontInfo(list->font()).fixedPitch())
      << QFontInfo(list->font()).family().toStdString();
  Redraw();
  content_.show();
  EXPECT_EQ(list->visualItemRect(list->item(1)).top() - list->visualItemRect(list->item(0)).top(),
            13);
  // All nine lines fit without scrolling.
  EXPECT_LE(list->visualItemRect(list->item(8)).bottom(), list->viewport()->height());
  content_.hide();
}

// Draws a busy state and, when KV_RENDER_PNG names a file, saves the whole area there for a look.
TEST_F(MainWindowContentTest, RendersABusyState) {
  baseX_ = 128;
  baseY_ = 128;
  for (int i = 300; i >= 0; --i) {
    histories_.X.Push(128 + static_cast<int>(40 * std::sin(i / 9.0)));
    histories_.Y.Push(128 + static_cast<int>(25 * std::cos(i / 14.0)));
    histories_.Z.Push(154 + static_cast<int>(10 * std::sin(i / 5.0)));
  }
  wiimote_.ButtonState[kSlotA].Pressed = true;
  wiimote_.ButtonState[kSlotRight].Pressed = true;
  wiimote_.ButtonState[kSlotTwo].Pressed = true;
  wiimote_.IR1X = 372;
  wiimote_.IR1Y = 402;
  wiimote_.IR2X = 620;
  wiimote_.IR2Y = 380;
  wiimote_.IR1Size = 3;
  wiimote_.IR2Size = 2;
  wiimote_.IRMidX = 496;
  wiimote_.IRMidY = 391;
  wiimote_.Battery = 187;
  Redraw(true);
  const QImage shot = content_.grab().toImage();
  EXPECT_EQ(shot.size(), QSize(354, 275) * shot.devicePixelRatio());
  if (const char* path = std::getenv("KV_RENDER_PNG")) {
    EXPECT_TRUE(shot.save(path));
  }
}

TEST(MainMenu, ItemsShortcutsAndHandlers) {
  QMenuBar bar;
  QStringList called;
  MainMenuHandlers handlers{
      [&] { called << "Minimize"; },     [&] { called << "Exit"; },
      [&] { called << "CursorOnOff"; },  [&] { called << "Calibrate"; },
      [&] { called << "InitializeIR"; }, [&] { called << "Preference"; },
  };
  BuildMainMenu(&bar, handlers);
  const QList<QAction*> menus = bar.actions();
  ASSERT_EQ(menus.size(), 2);
  EXPECT_EQ(menus[0]->text(), "File");
  EXPECT_EQ(menus[1]->text(), "Option");

  auto items = [](QAction* menuAction) {
    QStringList texts;
    for (QAction* a : menuAction->menu()->actions()) {
      texts << (a->isSeparator()
                    ? QString("-")
                    : a->text() + "|" + a->shortcut().toString(QKeySequence::PortableText));
    }
    return texts;
  };
  EXPECT_EQ(items(menus[0]), (QStringList{"Minimize|Ctrl+M", "-", "Exit|Ctrl+E"}));
  EXPECT_EQ(items(menus[1]),
            (QStringList{"Cursor On/OFF|Ctrl+S", "-", "Calibrate Motion Sensor|Ctrl+C",
                         "Initialize IR Sensor|Ctrl+R", "-", "Preference|Ctrl+P"}));

  for (QAction* menu : menus) {
    for (QAction* a : menu->menu()->actions()) {
      if (!a->isSeparator()) a->trigger();
    }
  }
  EXPECT_EQ(called, (QStringList{"Minimize", "Exit", "CursorOnOff", "Calibrate", "InitializeIR",
                                 "Preference"}));

  QMenuBar empty;
  BuildMainMenu(&empty, MainMenuHandlers{});
  for (QAction* menu : empty.actions()) {
    for (QAction* a : menu->menu()->actions()) a->trigger();  // nothing to call, no harm
  }
}

TEST(TrayPopupMenu, ShowAndExit) {
  QWidget owner;
  int shown = 0, exited = 0;
  QMenu* menu = BuildTrayPopupMenu(
      &owner, [&] { ++shown; }, [&] { ++exited; });
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->parent(), &owner);
  const QList<QAction*> items = menu->actions();
  ASSERT_EQ(items.size(), 2);
  EXPECT_EQ(items[0]->text(), "Show");
  EXPECT_EQ(items[1]->text(), "Exit");
  items[0]->trigger();
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(exited, 0);
  items[1]->trigger();
  EXPECT_EQ(exited, 1);
}

}  // namespace
}  // namespace kv::app
