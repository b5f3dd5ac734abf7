#pragma once

#include <QProxyStyle>

namespace kv::app {

// The application's style with check-box and radio-button marks of 13 pixels, the size the
// dialogs' fixed control heights are laid out for (a 13-pixel check box shows its whole mark).
class ClassicIndicatorStyle final : public QProxyStyle {
 public:
  int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr) const override;
};

}  // namespace kv::app
