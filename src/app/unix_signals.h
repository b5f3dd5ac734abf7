#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace kv::app {

// Turns SIGTERM and SIGINT into a call on the Qt event loop, so the main window can close in
// order (settings saved, controller told) as a desktop session's logout expects.
class UnixSignalBridge final : public QObject {
  Q_OBJECT

 public:
  explicit UnixSignalBridge(std::function<void()> onSignal, QObject* parent = nullptr);
  ~UnixSignalBridge() override;

 private:
  void HandleReadable();

  std::function<void()> onSignal_;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace kv::app
