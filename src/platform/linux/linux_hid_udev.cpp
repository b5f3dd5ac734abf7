// The udev side of LinuxHidSystem: enumeration of hidraw nodes and the device-change watch.
#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "core/ui/thread_name.h"
#include "platform/linux/hid_sysfs.h"
#include "platform/linux/linux_hid_system.h"

namespace kv::linux_backend {
namespace {

struct UdevDeleter {
  void operator()(udev* u) const { udev_unref(u); }
  void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
  void operator()(udev_device* d) const { udev_device_unref(d); }
  void operator()(udev_monitor* m) const { udev_monitor_unref(m); }
};
using UdevPtr = std::unique_ptr<udev, UdevDeleter>;
using EnumeratePtr = std::unique_ptr<udev_enumerate, UdevDeleter>;
using DevicePtr = std::unique_ptr<udev_device, UdevDeleter>;
using MonitorPtr = std::unique_ptr<udev_monitor, UdevDeleter>;

std::string Text(const char* value) { return value != nullptr ? value : ""; }

std::string Property(udev_device* device, const char* key) {
  return Text(udev_device_get_property_value(device, key));
}

// The registry-style properties of one hidraw node, from its parent `hid` device.
HidRegistryProperties PropertiesOf(udev_device* hidraw, udev_device* hid) {
  HidRegistryProperties p;
  const std::string name = Property(hid, "HID_NAME");
  p.FriendlyName = name;
  p.DeviceDesc = name;
  p.Class = Text(udev_device_get_subsystem(hid));
  p.EnumeratorName = p.Class;
  p.Driver = Text(udev_device_get_driver(hid));
  p.Service = p.Driver;
  p.Address = Property(hid, "HID_UNIQ");  // the Bluetooth address of Bluetooth devices
  p.LocationInformation = Property(hid, "HID_PHYS");
  p.PhysicalDeviceObjectName = Text(udev_device_get_syspath(hid));
  const std::string modalias = Property(hid, "MODALIAS");
  if (!modalias.empty()) p.HardwareId.push_back(modalias);
  if (const auto id = ParseHidId(Property(hid, "HID_ID"))) p.BusNumber = id->Bus;
  const char* number = udev_device_get_sysnum(hidraw);
  if (number != nullptr) p.UiNumber = static_cast<uint32_t>(std::strtoul(number, nullptr, 10));
  return p;
}

// Source of device events: the udev daemon's, so that a node is announced only after its rules
// (permissions included) have been applied; the kernel's where no daemon runs (containers).
const char* MonitorSource() { return access("/run/udev/control", F_OK) == 0 ? "udev" : "kernel"; }

}  // namespace

bool LinuxHidSystem::LibrariesLoaded() {
  const UdevPtr u(udev_new());
  if (!u) SetLastError(static_cast<uint32_t>(errno != 0 ? errno : ENOMEM));
  return u != nullptr;
}

std::optional<std::vector<HidInterfaceInfo>> LinuxHidSystem::EnumerateInterfaces() {
  const UdevPtr u(udev_new());
  if (!u) {
    SetLastError(ENOMEM);
    return std::nullopt;
  }
  const EnumeratePtr e(udev_enumerate_new(u.get()));
  if (!e) {
    SetLastError(ENOMEM);
    return std::nullopt;
  }
  int r = udev_enumerate_add_match_subsystem(e.get(), "hidraw");
  if (r >= 0) r = udev_enumerate_scan_devices(e.get());
  if (r < 0) {
    SetLastError(static_cast<uint32_t>(-r));
    return std::nullopt;
  }
  std::vector<HidInterfaceInfo> list;
  udev_list_entry* entry = nullptr;
  udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e.get())) {
    const DevicePtr node(udev_device_new_from_syspath(u.get(), udev_list_entry_get_name(entry)));
    if (!node) continue;  // gone since the scan
    const char* devnode = udev_device_get_devnode(node.get());
    // The parent belongs to the node; it is not unreferenced separately.
    udev_device* hid = udev_device_get_parent_with_subsystem_devtype(node.get(), "hid", nullptr);
    if (devnode == nullptr || hid == nullptr) continue;
    HidInterfaceInfo info;
    info.DevicePath = devnode;
    info.DeviceInstance = Fnv1a32(Text(udev_device_get_syspath(hid)));
    info.Properties = PropertiesOf(node.get(), hid);
    list.push_back(std::move(info));
  }
  return list;
}

// A running watch. The thread holds it too, so a watch stopped from inside its own callback
// lives until the thread has returned.
struct LinuxHidSystem::Watch {
  UdevPtr Udev;
  MonitorPtr Monitor;
  int StopFd = -1;
  std::thread Thread;
  std::function<void()> OnChange;
  std::string Subsystem;
  std::atomic<bool> Stopping{false};

  ~Watch() {
    if (StopFd >= 0) close(StopFd);
  }

  void Run() {
    pollfd fds[2] = {{StopFd, POLLIN, 0}, {udev_monitor_get_fd(Monitor.get()), POLLIN, 0}};
    for (;;) {
      const int r = poll(fds, 2, -1);
      if (r < 0 && errno == EINTR) continue;
      if (r < 0 || fds[0].revents != 0) return;
      // The monitor socket is non-blocking: drain every queued event.
      while (const DevicePtr device{udev_monitor_receive_device(Monitor.get())}) {
        const std::string action = Text(udev_device_get_action(device.get()));
        const std::string subsystem = Text(udev_device_get_subsystem(device.get()));
        if (Stopping) return;
        if ((action == "add" || action == "remove") && subsystem == Subsystem) OnChange();
      }
    }
  }
};

bool LinuxHidSystem::StartDeviceNotifications(std::function<void()> onChange) {
  StopDeviceNotifications();
  auto w = std::make_shared<Watch>();
  w->OnChange = std::move(onChange);
  w->Subsystem = options_.MonitorSubsystem;
  w->Udev.reset(udev_new());
  if (!w->Udev) {
    SetLastError(ENOMEM);
    return false;
  }
  w->Monitor.reset(udev_monitor_new_from_netlink(w->Udev.get(), MonitorSource()));
  if (!w->Monitor) {
    SetLastError(static_cast<uint32_t>(errno != 0 ? errno : ENOMEM));
    return false;
  }
  int r = udev_monitor_filter_add_match_subsystem_devtype(w->Monitor.get(), w->Subsystem.c_str(),
                                                          nullptr);
  if (r >= 0) r = udev_monitor_enable_receiving(w->Monitor.get());
  if (r < 0) {
    SetLastError(static_cast<uint32_t>(-r));
    return false;
  }
  w->StopFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (w->StopFd < 0) {
    SetLastError(static_cast<uint32_t>(errno));
    return false;
  }
  w->Thread = std::thread([w] {
    NameCurrentThread("kv-udev-watch");
    w->Run();
  });
  std::lock_guard lock(watchMutex_);
  watch_ = std::move(w);
  return true;
}

void LinuxHidSystem::StopDeviceNotifications() {
  std::shared_ptr<Watch> w;
  {
    std::lock_guard lock(watchMutex_);
    w = std::move(watch_);
  }
  if (!w) return;
  w->Stopping = true;
  const uint64_t one = 1;
  [[maybe_unused]] const ssize_t n = write(w->StopFd, &one, sizeof one);
  if (w->Thread.get_id() == std::this_thread::get_id()) {
    w->Thread.detach();  // stopped from its own callback: no further call follows this one
  } else {
    w->Thread.join();
  }
}

}  // namespace kv::linux_backend
