#include "app/main_menu.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

#include "core/actions/catalogue.h"
#include "core/mainform/main_window_layout.h"

namespace kv::app {

namespace {

QString TextOf(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A shortcut word as a key sequence. The menus' keys are letters, whose virtual-key codes are
// also their Qt keys.
QKeySequence SequenceOf(uint16_t shortCut) {
  Qt::KeyboardModifiers held;
  if (shortCut & kShortCutShift) held |= Qt::ShiftModifier;
  if (shortCut & kShortCutCtrl) held |= Qt::ControlModifier;
  if (shortCut & kShortCutAlt) held |= Qt::AltModifier;
  return QKeySequence(QKeyCombination(held, static_cast<Qt::Key>(shortCut & 0xFF)));
}

void AddItem(QMenu* menu, const MenuItemLayout& item, std::function<void()> handler) {
  if (item.IsSeparator()) {
    menu->addSeparator();
    return;
  }
  QAction* action = menu->addAction(TextOf(item.Caption));
  action->setObjectName(TextOf(item.Name));
  if (item.ShortCut != 0) action->setShortcut(SequenceOf(item.ShortCut));
  QObject::connect(action, &QAction::triggered, action, [handler = std::move(handler)] {
    if (handler) handler();
  });
}

std::function<void()> HandlerOf(MenuCommand command, const MainMenuHandlers& handlers) {
  switch (command) {
    case MenuCommand::Minimize1:
      return handlers.Minimize;
    case MenuCommand::Exit1:
      return handlers.Exit;
    case MenuCommand::CursorOnOff:
      return handlers.CursorOnOff;
    case MenuCommand::Calibrate:
      return handlers.Calibrate;
    case MenuCommand::IRReset:
      return handlers.InitializeIR;
    case MenuCommand::Option:
      return handlers.Preference;
    case MenuCommand::None:
    case MenuCommand::ShowMenu:
    case MenuCommand::ExitMenu:
      break;
  }
  return {};
}

}  // namespace

void BuildMainMenu(QMenuBar* bar, const MainMenuHandlers& handlers) {
  for (const MenuLayout& layout : kMainMenu) {
    QMenu* menu = bar->addMenu(TextOf(layout.Caption));
    menu->setObjectName(TextOf(layout.Name));
    for (const MenuItemLayout& item : layout.Items) {
      AddItem(menu, item, HandlerOf(item.Command, handlers));
    }
  }
}

QMenu* BuildTrayPopupMenu(QWidget* parent, std::function<void()> show, std::function<void()> exit) {
  auto* menu = new QMenu(parent);
  menu->setObjectName(TextOf(kTrayPopupMenu.Name));
  for (const MenuItemLayout& item : kTrayPopupMenu.Items) {
    AddItem(menu, item, item.Command == MenuCommand::ShowMenu ? show : exit);
  }
  return menu;
}

}  // namespace kv::app
