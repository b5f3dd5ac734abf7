#pragma once

#include <QGroupBox>

namespace kv::app {

// A group box drawn the classic way: an etched frame whose top line runs through the middle of
// the caption, so controls placed at fixed positions inside sit where the dialog's layout expects
// them whatever the widget style draws for group boxes.
class EtchedGroupBox final : public QGroupBox {
 public:
  explicit EtchedGroupBox(QWidget* parent) : QGroupBox(parent) {}

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace kv::app
