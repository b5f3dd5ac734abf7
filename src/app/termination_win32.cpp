#include "app/termination.h"

namespace kv::app {

std::unique_ptr<QObject> WatchTermination(std::function<void()> /*closeMainWindow*/) {
  // Not watched: saving in order at the end of a Windows session needs the main window to act
  // on the session-end messages; the toolkit's default handling applies.
  return nullptr;
}

}  // namespace kv::app
