#include "app/classic_indicator_style.h"

namespace kv::app {

namespace {

constexpr int kIndicatorSize = 13;

}  // namespace

int ClassicIndicatorStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                                       const QWidget* widget) const {
  switch (metric) {
    case PM_IndicatorWidth:
    case PM_IndicatorHeight:
    case PM_ExclusiveIndicatorWidth:
    case PM_ExclusiveIndicatorHeight:
      return kIndicatorSize;
    default:
      return QProxyStyle::pixelMetric(metric, option, widget);
  }
}

}  // namespace kv::app
