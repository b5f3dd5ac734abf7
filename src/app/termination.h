#pragma once

#include <QObject>
#include <functional>
#include <memory>

namespace kv::app {

// Arranges for `closeMainWindow` to run on the event loop when the system asks the program to
// end in order. Keep the returned object as long as the loop runs; it may be null where the
// toolkit already closes the windows itself. One implementation per platform, chosen by the build.
std::unique_ptr<QObject> WatchTermination(std::function<void()> closeMainWindow);

}  // namespace kv::app
