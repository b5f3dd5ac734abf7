#include "app/termination.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QWidget>

namespace kv::app {

void TerminationControl::Request() {
  requested_ = true;
  CloseModalWindows();
  if (mainWindow_ != nullptr) mainWindow_->close();
}

void CloseModalWindows() {
  // Guarded: closing one window may delete another (a box that deletes itself on close).
  QList<QPointer<QWidget>> windows;
  for (QWidget* widget : QApplication::topLevelWidgets()) windows.append(widget);
  for (const QPointer<QWidget>& widget : windows) {
    if (widget.isNull() || !widget->isVisible() || !widget->isModal()) continue;
    if (auto* dialog = qobject_cast<QDialog*>(widget.data())) {
      dialog->reject();
    } else {
      widget->close();
    }
  }
}

}  // namespace kv::app
