// The virtual Wii Remote with the kernel as its transport: a Wii Remote created through /dev/uhid
// (bus Bluetooth, so the kernel's hid-wiimote driver takes it where it is loaded) whose answers
// and scenario come from the same engine as the in-memory one (kv::sim::VirtualWiimote). Output
// reports written to the device's hidraw node, by the program or by a driver, reach the engine;
// the engine's input reports reach the kernel. With --stream the controller also reports
// continuously in its current reporting mode, as the hardware does while its accelerometer moves.
//
// With --control FIFO it takes commands, one a line, while it runs:
//   buttons HHHH     the controller's buttons from now on (the core-button word, first byte high),
//                    sent at once in the current reporting mode
//   report HH HH...  this input report, now
//   unplug | plug    the device leaves / comes back
//
// Runs until SIGTERM or SIGINT, or until --seconds have passed; destroys the device on the way
// out. Scenario steps "unplug" and "plug" destroy and create the uhid device again.

#include <fcntl.h>
#include <linux/uhid.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/linux/monotonic_clock.h"
#include "platform/sim/sim_hid_system.h"
#include "platform/sim/virtual_wiimote.h"
#include "platform/sim/wiimote_scenario.h"

namespace {

using Bytes = std::vector<uint8_t>;
using kv::sim::VirtualWiimote;

std::atomic<bool> gStop{false};
void OnSignal(int) { gStop = true; }

struct Options {
  uint16_t Product = VirtualWiimote::kProductId;
  std::string Name = "Nintendo RVL-CNT-01";
  std::string Descriptor;
  std::string Scenario;
  std::string OutputLog;
  std::string InputLog;
  std::string Ready;
  std::string Control;
  int StreamHz = 0;
  int Seconds = 0;
};

const char kUsage[] =
    "usage: kv_uhid_wiimote --descriptor FILE [options]\n"
    "  --descriptor FILE   report descriptor, hex bytes (tests/fixtures/hid/wiimote-...)\n"
    "  --product ID        product ID (default 0x0306; 0x0330 for the Wii Remote Plus)\n"
    "  --name TEXT         device name\n"
    "  --scenario FILE     scenario of the virtual Wii Remote (docs/virtual-wiimote.md)\n"
    "  --stream HZ         report continuously at HZ in the current reporting mode\n"
    "  --output-log FILE   append every output report: MS HEX...\n"
    "  --input-log FILE    append every input report sent to the kernel: MS HEX...\n"
    "  --ready FILE        write the sysfs folder of the HID device here once a driver runs it\n"
    "  --control FIFO      create this FIFO and take commands from it (buttons, report,\n"
    "                      unplug, plug)\n"
    "  --seconds N         end after N seconds\n"
    "Times in the logs are milliseconds since the device was created.\n";

std::optional<Options> ParseOptions(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (i + 1 >= argc) return std::nullopt;
    const std::string v = argv[++i];
    if (a == "--product")
      o.Product = static_cast<uint16_t>(std::stoul(v, nullptr, 0));
    else if (a == "--name")
      o.Name = v;
    else if (a == "--descriptor")
      o.Descriptor = v;
    else if (a == "--scenario")
      o.Scenario = v;
    else if (a == "--stream")
      o.StreamHz = std::stoi(v);
    else if (a == "--output-log")
      o.OutputLog = v;
    else if (a == "--input-log")
      o.InputLog = v;
    else if (a == "--ready")
      o.Ready = v;
    else if (a == "--seconds")
      o.Seconds = std::stoi(v);
    else if (a == "--control")
      o.Control = v;
    else
      return std::nullopt;
  }
  if (o.Descriptor.empty()) return std::nullopt;
  return o;
}

std::optional<Bytes> ReadHexFile(const std::string& path) {
  std::ifstream in(path);
  if (!in) return std::nullopt;
  Bytes bytes;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line.substr(0, line.find('#')));
    std::string word;
    while (words >> word) bytes.push_back(static_cast<uint8_t>(std::stoul(word, nullptr, 16)));
  }
  return bytes;
}

std::string HexLine(uint32_t ms, const uint8_t* data, std::size_t size) {
  std::string line = std::to_string(ms);
  char byte[4];
  for (std::size_t i = 0; i < size; ++i) {
    std::snprintf(byte, sizeof byte, " %02x", data[i]);
    line += byte;
  }
  return line;
}

// The device on /dev/uhid.
class Uhid {
 public:
  Uhid(const Options& options, Bytes descriptor)
      : options_(options), descriptor_(std::move(descriptor)) {
    uniq_ = "kv-uhid-" + std::to_string(getpid());
  }
  ~Uhid() {
    Destroy();
    if (fd_ >= 0) close(fd_);
  }
  bool Open() {
    fd_ = open("/dev/uhid", O_RDWR | O_CLOEXEC);
    return fd_ >= 0;
  }
  int Fd() const { return fd_; }
  bool Created() const { return created_; }

  bool Create() {
    uhid_event ev{};
    ev.type = UHID_CREATE2;
    std::snprintf(reinterpret_cast<char*>(ev.u.create2.name), sizeof ev.u.create2.name, "%s",
                  options_.Name.c_str());
    std::snprintf(reinterpret_cast<char*>(ev.u.create2.uniq), sizeof ev.u.create2.uniq, "%s",
                  uniq_.c_str());
    std::memcpy(ev.u.create2.rd_data, descriptor_.data(), descriptor_.size());
    ev.u.create2.rd_size = static_cast<uint16_t>(descriptor_.size());
    ev.u.create2.bus = BUS_BLUETOOTH;
    ev.u.create2.vendor = VirtualWiimote::kVendorId;
    ev.u.create2.product = options_.Product;
    ev.u.create2.version = 0x0600;
    created_ = Send(ev);
    return created_;
  }
  void Destroy() {
    if (!created_) return;
    uhid_event ev{};
    ev.type = UHID_DESTROY;
    Send(ev);
    created_ = false;
  }
  bool Input(const Bytes& report) {
    if (!created_) return false;
    uhid_event ev{};
    ev.type = UHID_INPUT2;
    std::memcpy(ev.u.input2.data, report.data(), report.size());
    ev.u.input2.size = static_cast<uint16_t>(report.size());
    return Send(ev);
  }
  // The sysfs folder of the HID device, found by its unique name.
  std::string SysfsFolder() const {
    const std::string base = "/sys/devices/virtual/misc/uhid/";
    for (int seq = 0; seq < 4096; ++seq) {
      char name[64];
      std::snprintf(name, sizeof name, "0005:057E:%04X.%04X", options_.Product, seq);
      std::ifstream uevent(base + name + "/uevent");
      std::string line;
      while (uevent && std::getline(uevent, line)) {
        if (line == "HID_UNIQ=" + uniq_) return base + name;
      }
    }
    return {};
  }

 private:
  bool Send(const uhid_event& ev) {
    std::lock_guard<std::mutex> lock(writeMutex_);
    return write(fd_, &ev, sizeof ev) == static_cast<ssize_t>(sizeof ev);
  }

  const Options& options_;
  const Bytes descriptor_;
  std::string uniq_;
  int fd_ = -1;
  bool created_ = false;
  std::mutex writeMutex_;
};

// Appends lines to a file, flushing each; does nothing without a path.
class LineLog {
 public:
  explicit LineLog(const std::string& path) {
    if (!path.empty()) file_.open(path, std::ios::app);
  }
  bool Bad() const { return file_.is_open() && !file_; }
  void Write(const std::string& line) {
    if (!file_.is_open()) return;
    std::lock_guard<std::mutex> lock(mutex_);
    file_ << line << '\n';
    file_.flush();
  }

 private:
  std::ofstream file_;
  std::mutex mutex_;
};

// A data report in `mode` (0x30-0x37) with the buttons, a slowly circling accelerometer and, in
// 0x33, two IR points; the basic IR format of 0x36/0x37 sees no points and extension bytes stay
// 0. Nullopt for the other modes (0x3d-0x3f), which this controller does not stream.
std::optional<Bytes> StreamReport(uint8_t mode, std::array<uint8_t, 2> buttons, uint32_t tick) {
  if (mode < 0x30 || mode > 0x37) return std::nullopt;
  const double phase = tick * 0.02;
  Bytes report(kv::sim::kWiimoteReportLength, 0);
  report[0] = mode;
  report[1] = buttons[0];
  report[2] = buttons[1];
  const bool accel = mode == 0x31 || mode == 0x33 || mode == 0x35 || mode == 0x37;
  std::size_t next = 3;
  if (accel) {
    report[3] = static_cast<uint8_t>(0x80 + std::lround(20 * std::cos(phase)));
    report[4] = static_cast<uint8_t>(0x80 + std::lround(20 * std::sin(phase)));
    report[5] = 0x9a;
    next = 6;
  }
  if (mode == 0x33) {
    const uint16_t x1 = 400, x2 = 600, y = 384;
    const uint8_t points[12] = {static_cast<uint8_t>(x1 & 0xff),
                                static_cast<uint8_t>(y & 0xff),
                                static_cast<uint8_t>(((y >> 8) << 6) | ((x1 >> 8) << 4) | 3),
                                static_cast<uint8_t>(x2 & 0xff),
                                static_cast<uint8_t>(y & 0xff),
                                static_cast<uint8_t>(((y >> 8) << 6) | ((x2 >> 8) << 4) | 3),
                                0xff,
                                0xff,
                                0xff,
                                0xff,
                                0xff,
                                0xff};
    std::memcpy(&report[next], points, sizeof points);
  } else if (mode == 0x36 || mode == 0x37) {
    std::fill(report.begin() + static_cast<long>(next),
              report.begin() + static_cast<long>(next) + 10, 0xff);
  }
  return report;
}

// Ties the engine's simulated device to the uhid device.
class Bridge {
 public:
  Bridge(const Options& options, Uhid& uhid, kv::sim::WiimoteScenario scenario)
      : options_(options),
        uhid_(uhid),
        inputLog_(options.InputLog),
        wiimote_(sim_, clock_, std::move(scenario)) {
    zeroMs_ = clock_.NowMs();
    if (!options.OutputLog.empty()) {
      auto log = std::make_shared<LineLog>(options.OutputLog);
      // The engine counts from check-out, which is the bridge's start: the same zero.
      wiimote_.SetLog([log](const std::string& line) { log->Write(line); });
    }
  }

  int Run();

 private:
  uint32_t Now() { return clock_.NowMs() - zeroMs_; }
  bool OpenHandles();
  void CloseHandles();
  void ForwardEngineInput();
  void ForwardKernelEvents();
  void Stream();
  void SendInput(const Bytes& report);
  void FollowPresence();
  void TakeCommands();
  void RunCommand(const std::string& line);

  const Options& options_;
  Uhid& uhid_;
  LineLog inputLog_;
  kv::linux_backend::MonotonicClock clock_;
  uint32_t zeroMs_ = 0;
  kv::sim::SimHidSystem sim_;
  VirtualWiimote wiimote_;
  std::mutex handleMutex_;
  kv::HidHandle read_ = kv::kInvalidHidHandle;
  kv::HidHandle write_ = kv::kInvalidHidHandle;
  std::atomic<bool> presenceChanged_{false};
  bool readyWritten_ = false;
  std::atomic<uint32_t> streamTick_{0};
};

bool Bridge::OpenHandles() {
  std::lock_guard<std::mutex> lock(handleMutex_);
  read_ = sim_.Open(VirtualWiimote::kDevicePath, kv::HidAccess::Read);
  write_ = sim_.Open(VirtualWiimote::kDevicePath, kv::HidAccess::Write);
  return read_ != kv::kInvalidHidHandle && write_ != kv::kInvalidHidHandle;
}

void Bridge::CloseHandles() {
  std::lock_guard<std::mutex> lock(handleMutex_);
  if (read_ != kv::kInvalidHidHandle) sim_.Close(read_);
  if (write_ != kv::kInvalidHidHandle) sim_.Close(write_);
  read_ = write_ = kv::kInvalidHidHandle;
}

void Bridge::SendInput(const Bytes& report) {
  if (uhid_.Input(report)) inputLog_.Write(HexLine(Now(), report.data(), report.size()));
}

// Everything the engine queues (scenario reports, answers, streamed reports) goes to the kernel.
void Bridge::ForwardEngineInput() {
  uint8_t buffer[kv::sim::kWiimoteReportLength];
  while (!gStop) {
    kv::HidHandle handle;
    {
      std::lock_guard<std::mutex> lock(handleMutex_);
      handle = read_;
    }
    if (handle == kv::kInvalidHidHandle || !sim_.StartRead(handle, buffer, sizeof buffer)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      continue;
    }
    while (!gStop && sim_.WaitRead(handle, 100) == kv::HidWaitResult::TimedOut) {
    }
    if (gStop) {
      sim_.CancelRead(handle);
      return;
    }
    const uint32_t size = sim_.ReadResult(handle);
    if (size > 0) SendInput(Bytes(buffer, buffer + size));
  }
}

// Output reports from the kernel go to the engine; the driver's start is the device's readiness.
void Bridge::ForwardKernelEvents() {
  pollfd p{uhid_.Fd(), POLLIN, 0};
  if (poll(&p, 1, 20) <= 0) return;
  uhid_event ev{};
  if (read(uhid_.Fd(), &ev, sizeof ev) <= 0) return;
  if (ev.type == UHID_OUTPUT && ev.u.output.rtype == UHID_OUTPUT_REPORT) {
    // Drivers send reports only as long as they need; the engine, like the Windows HID stack,
    // takes reports of the full output length.
    Bytes report(kv::sim::kWiimoteReportLength, 0);
    std::memcpy(report.data(), ev.u.output.data,
                std::min<std::size_t>(ev.u.output.size, report.size()));
    uint32_t written = 0;
    std::lock_guard<std::mutex> lock(handleMutex_);
    if (write_ != kv::kInvalidHidHandle)
      sim_.Write(write_, report.data(), static_cast<uint32_t>(report.size()), written);
  } else if (ev.type == UHID_START && !readyWritten_ && !options_.Ready.empty()) {
    std::ofstream(options_.Ready + ".part") << uhid_.SysfsFolder() << '\n';
    std::rename((options_.Ready + ".part").c_str(), options_.Ready.c_str());
    readyWritten_ = true;
  }
}

void Bridge::Stream() {
  const auto period = std::chrono::microseconds(1000000 / options_.StreamHz);
  auto next = std::chrono::steady_clock::now();
  while (!gStop) {
    next += period;
    std::this_thread::sleep_until(next);
    if (!uhid_.Created()) continue;
    const uint8_t mode = wiimote_.ReportMode();
    if (mode == 0x30 && !wiimote_.ContinuousReporting()) continue;
    if (auto report = StreamReport(mode, wiimote_.Buttons(), streamTick_++)) {
      wiimote_.Deliver(*report);
    }
  }
}

void Bridge::RunCommand(const std::string& line) {
  std::istringstream words(line);
  std::string command;
  words >> command;
  if (command == "unplug") {
    sim_.Unplug(VirtualWiimote::kDevicePath);
  } else if (command == "plug") {
    sim_.Plug(VirtualWiimote::kDevicePath);
  } else if (command == "buttons") {
    std::string word;
    words >> word;
    const auto bits = static_cast<uint16_t>(std::stoul(word, nullptr, 16));
    const std::array<uint8_t, 2> buttons = {static_cast<uint8_t>(bits >> 8),
                                            static_cast<uint8_t>(bits & 0xff)};
    const uint8_t mode = wiimote_.ReportMode();
    auto report = StreamReport(mode, buttons, streamTick_);
    if (!report) report = StreamReport(0x30, buttons, streamTick_);
    wiimote_.Deliver(*report);
  } else if (command == "report") {
    Bytes report;
    std::string byte;
    while (words >> byte) report.push_back(static_cast<uint8_t>(std::stoul(byte, nullptr, 16)));
    wiimote_.Deliver(report);
  } else if (!command.empty()) {
    std::cerr << "kv_uhid_wiimote: unknown command: " << line << std::endl;
  }
}

// Commands from the control FIFO, until the end. Opened for writing too, so that writers coming
// and going never end the stream.
void Bridge::TakeCommands() {
  const int fd = open(options_.Control.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return;
  std::string pending;
  char buffer[256];
  while (!gStop) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) continue;
    pending.append(buffer, static_cast<std::size_t>(n));
    for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
      try {
        RunCommand(pending.substr(0, end));
      } catch (const std::exception&) {
        std::cerr << "kv_uhid_wiimote: bad command: " << pending.substr(0, end) << std::endl;
      }
      pending.erase(0, end + 1);
    }
  }
  close(fd);
}

// Scenario steps unplug and plug: the uhid device follows the simulated one.
void Bridge::FollowPresence() {
  const auto list = sim_.EnumerateInterfaces();
  bool present = false;
  if (list) {
    for (const auto& info : *list)
      present = present || info.DevicePath == VirtualWiimote::kDevicePath;
  }
  if (!present && uhid_.Created()) {
    CloseHandles();
    uhid_.Destroy();
    std::cout << "unplugged at " << Now() << " ms" << std::endl;
  } else if (present && !uhid_.Created()) {
    OpenHandles();
    uhid_.Create();
    readyWritten_ = false;
    std::cout << "plugged at " << Now() << " ms" << std::endl;
  }
}

int Bridge::Run() {
  sim_.StartDeviceNotifications([this] { presenceChanged_ = true; });
  if (!uhid_.Create()) {
    std::cerr << "kv_uhid_wiimote: cannot create the device: " << std::strerror(errno) << '\n';
    return 1;
  }
  if (!OpenHandles()) return 1;  // this is the check-out: the scenario's time zero
  wiimote_.Start();
  std::thread forward([this] { ForwardEngineInput(); });
  std::thread stream;
  if (options_.StreamHz > 0) stream = std::thread([this] { Stream(); });
  std::thread commands;
  if (!options_.Control.empty()) commands = std::thread([this] { TakeCommands(); });
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(options_.Seconds);
  while (!gStop && (options_.Seconds == 0 || std::chrono::steady_clock::now() < end)) {
    ForwardKernelEvents();
    if (presenceChanged_.exchange(false)) FollowPresence();
  }
  gStop = true;
  forward.join();
  if (stream.joinable()) stream.join();
  if (commands.joinable()) commands.join();
  wiimote_.Stop();
  sim_.StopDeviceNotifications();
  CloseHandles();
  uhid_.Destroy();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<Options> options = ParseOptions(argc, argv);
  if (!options) {
    std::cerr << kUsage;
    return 2;
  }
  const std::optional<Bytes> descriptor = ReadHexFile(options->Descriptor);
  if (!descriptor || descriptor->empty() || descriptor->size() > HID_MAX_DESCRIPTOR_SIZE) {
    std::cerr << "kv_uhid_wiimote: no report descriptor in " << options->Descriptor << '\n';
    return 1;
  }
  kv::sim::WiimoteScenario scenario;
  if (!options->Scenario.empty()) {
    std::string error;
    auto loaded = kv::sim::LoadWiimoteScenario(options->Scenario, error);
    if (!loaded) {
      std::cerr << "kv_uhid_wiimote: " << error << '\n';
      return 1;
    }
    scenario = std::move(*loaded);
  }
  std::signal(SIGTERM, OnSignal);
  std::signal(SIGINT, OnSignal);
  if (!options->Control.empty()) {
    unlink(options->Control.c_str());
    if (mkfifo(options->Control.c_str(), 0600) != 0) {
      std::cerr << "kv_uhid_wiimote: " << options->Control << ": " << std::strerror(errno) << '\n';
      return 1;
    }
  }
  Uhid uhid(*options, *descriptor);
  if (!uhid.Open()) {
    std::cerr << "kv_uhid_wiimote: /dev/uhid: " << std::strerror(errno) << '\n';
    return 1;
  }
  Bridge bridge(*options, uhid, std::move(scenario));
  return bridge.Run();
}
