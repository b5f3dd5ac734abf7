#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace kv::app {

// A pair of small up and down arrows attached to an edit that holds a number. Like the arrows
// of the classic desktop toolkits, they keep no number of their own that the user can see: each
// step reads the edit's text (falling back to the last position when the text is no number in
// range), moves one step without wrapping around, and writes the new number back. The Up and
// Down keys in the edit step too. Text typed or pasted into the edit is not checked here.
class UpDownArrows final : public QWidget {
 public:
  UpDownArrows(QLineEdit* associate, int minimum, int maximum, QWidget* parent);

  int Position() const { return position_; }
  void Step(int delta);

  QToolButton* UpButton() const { return up_; }
  QToolButton* DownButton() const { return down_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QLineEdit* associate_;
  int minimum_;
  int maximum_;
  int position_;
  QToolButton* up_;
  QToolButton* down_;
};

}  // namespace kv::app
