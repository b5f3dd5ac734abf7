#include "app/up_down_arrows.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <algorithm>

#include "core/ui/integer_text.h"

namespace kv::app {

namespace {

QToolButton* MakeArrow(Qt::ArrowType arrow, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setArrowType(arrow);
  button->setAutoRepeat(true);
  button->setFocusPolicy(Qt::NoFocus);
  button->setIconSize(QSize(7, 4));
  return button;
}

}  // namespace

UpDownArrows::UpDownArrows(QLineEdit* associate, int minimum, int maximum, QWidget* parent)
    : QWidget(parent),
      associate_(associate),
      minimum_(minimum),
      maximum_(maximum),
      position_(minimum),
      up_(MakeArrow(Qt::UpArrow, this)),
      down_(MakeArrow(Qt::DownArrow, this)) {
  setFocusPolicy(Qt::NoFocus);
  up_->setObjectName("UpButton");
  down_->setObjectName("DownButton");
  connect(up_, &QToolButton::clicked, this, [this] { Step(1); });
  connect(down_, &QToolButton::clicked, this, [this] { Step(-1); });
  associate_->setText(QString::number(position_));
  associate_->installEventFilter(this);
}

void UpDownArrows::Step(int delta) {
  const auto typed = IntegerOfText(associate_->text().toStdString());
  if (typed && *typed >= minimum_ && *typed <= maximum_) position_ = *typed;
  position_ = std::clamp(position_ + delta, minimum_, maximum_);
  associate_->setText(QString::number(position_));
}

bool UpDownArrows::eventFilter(QObject* watched, QEvent* event) {
  if (watched == associate_ && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plain && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
      Step(key->key() == Qt::Key_Up ? 1 : -1);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void UpDownArrows::resizeEvent(QResizeEvent* event) {
  const int upper = height() / 2;
  up_->setGeometry(0, 0, width(), upper);
  down_->setGeometry(0, upper, width(), height() - upper);
  QWidget::resizeEvent(event);
}

}  // namespace kv::app
