#include "app/etched_group_box.h"

#include <QPainter>
#include <QStyle>

namespace kv::app {

namespace {

constexpr int kCaptionLeft = 8;
constexpr int kCaptionPadding = 1;

}  // namespace

void EtchedGroupBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QFontMetrics metrics = fontMetrics();
  const int lineTop = metrics.height() / 2;
  QRect caption;
  if (!title().isEmpty()) {
    caption = QRect(kCaptionLeft, 0, metrics.horizontalAdvance(title()) + 2 * kCaptionPadding,
                    metrics.height());
  }

  // The frame stops on each side of the caption.
  painter.setClipRegion(QRegion(rect()) - QRegion(caption));
  const QRect frame(0, lineTop, width() - 2, height() - lineTop - 2);
  painter.setPen(palette().color(QPalette::Dark));
  painter.drawRect(frame);
  painter.setPen(palette().color(QPalette::Light));
  painter.drawRect(frame.translated(1, 1));
  painter.setClipping(false);

  if (!caption.isNull()) {
    style()->drawItemText(&painter, caption.adjusted(kCaptionPadding, 0, 0, 0),
                          Qt::AlignLeft | Qt::AlignVCenter, palette(), isEnabled(), title(),
                          QPalette::WindowText);
  }
}

}  // namespace kv::app
