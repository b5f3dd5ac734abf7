#pragma once

#include <QObject>
#include <memory>

#include <vector>

#include "backends/platform_backends.h"

namespace kv::app {

// The desktop's displays from the toolkit's screen list, the primary screen first. On Wayland
// this is the compositor's output layout (logical pixels), which no other client call gives.
// Read again only after the toolkit announced a change, so the pointer tick's look-ups cost
// nothing. Empty until the application object exists.
class QtScreenLayout {
 public:
  const std::vector<ToolkitDisplay>& Layout();

 private:
  void Read();

  bool stale_ = true;
  std::vector<ToolkitDisplay> layout_;
  // Owns the change connections; replaced at every read so that each screen is watched once.
  std::unique_ptr<QObject> watch_;
};

}  // namespace kv::app
