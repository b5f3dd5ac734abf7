#include "app/main_menu.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

namespace kv::app {

namespace {

QAction* AddItem(QMenu* menu, const char* name, const QString& text,
                 std::function<void()> handler) {
  QAction* action = menu->addAction(text);
  action->setObjectName(QLatin1String(name));
  QObject::connect(action, &QAction::triggered, action, [handler = std::move(handler)] {
    if (handler) handler();
  });
  return action;
}

QAction* AddItem(QMenu* menu, const char* name, const QString& text, Qt::Key ctrlKey,
                 std::function<void()> handler) {
  QAction* action = AddItem(menu, name, text, std::move(handler));
  action->setShortcut(QKeySequence(QKeyCombination(Qt::CTRL, ctrlKey)));
  return action;
}

}  // namespace

void BuildMainMenu(QMenuBar* bar, const MainMenuHandlers& handlers) {
  QMenu* file = bar->addMenu(QStringLiteral("File"));
  file->setObjectName(QStringLiteral("File1"));
  AddItem(file, "Minimize1", QStringLiteral("Minimize"), Qt::Key_M, handlers.Minimize);
  file->addSeparator();
  AddItem(file, "Exit1", QStringLiteral("Exit"), Qt::Key_E, handlers.Exit);

  QMenu* option = bar->addMenu(QStringLiteral("Option"));
  option->setObjectName(QStringLiteral("Option1"));
  AddItem(option, "CursorOnOffButton", QStringLiteral("Cursor On/OFF"), Qt::Key_S,
          handlers.CursorOnOff);
  option->addSeparator();
  AddItem(option, "CalibrateButton", QStringLiteral("Calibrate Motion Sensor"), Qt::Key_C,
          handlers.Calibrate);
  AddItem(option, "IRResetButton", QStringLiteral("Initialize IR Sensor"), Qt::Key_R,
          handlers.InitializeIR);
  option->addSeparator();
  AddItem(option, "OptionButton", QStringLiteral("Preference"), Qt::Key_P, handlers.Preference);
}

QMenu* BuildTrayPopupMenu(QWidget* parent, std::function<void()> show, std::function<void()> exit) {
  auto* menu = new QMenu(parent);
  menu->setObjectName(QStringLiteral("TrayPopupMenu"));
  AddItem(menu, "ShowMenu", QStringLiteral("Show"), std::move(show));
  AddItem(menu, "ExitMenu", QStringLiteral("Exit"), std::move(exit));
  return menu;
}

}  // namespace kv::app
