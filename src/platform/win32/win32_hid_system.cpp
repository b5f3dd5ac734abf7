#include "platform/win32/win32_hid_system.h"

#include <atomic>

#include "platform/win32/system_error.h"

namespace kv::win32_backend {

// The published HID interface class, for systems whose HID.dll cannot be loaded.
constexpr GUID kHidInterfaceClass = {
    0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

// How long CancelRead waits, in all, for a cancelled read's completion routine.
constexpr DWORD kCancelWaitMs = 1000;
constexpr DWORD kCancelSliceMs = 10;

struct Win32HidSystem::Entry {
  // Swapped out by Close, so a thread that found the entry just before sees it closed rather
  // than a handle value the system may have reused.
  std::atomic<HANDLE> Handle{INVALID_HANDLE_VALUE};
  bool Overlapped = false;
  std::shared_ptr<ReadOp> Read;  // the last read started; touched by the reading thread only
};

// One overlapped read. The completion routine finds it through the OVERLAPPED record, which
// holds a heap reference to it in hEvent (ReadFileEx leaves that field to the caller); so the
// record stays alive until the routine has run, whatever happens to the handle meanwhile.
struct Win32HidSystem::ReadOp {
  OVERLAPPED Overlapped{};
  std::atomic<bool> Done{false};
  DWORD Error = 0;
  DWORD Bytes = 0;
};

namespace {

class Win32PreparsedData final : public HidPreparsedData {
 public:
  Win32PreparsedData(PHIDP_PREPARSED_DATA data, HidLibraries::FreePreparsedDataFn free)
      : data_(data), free_(free) {}
  ~Win32PreparsedData() override { free_(data_); }
  PHIDP_PREPARSED_DATA Data() const { return data_; }

 private:
  PHIDP_PREPARSED_DATA data_;
  HidLibraries::FreePreparsedDataFn free_;
};

struct AccessMode {
  DWORD Access;
  DWORD Flags;
};

AccessMode AccessModeOf(HidAccess access) {
  switch (access) {
    case HidAccess::ReadWrite:
      return {GENERIC_READ | GENERIC_WRITE, 0};
    case HidAccess::QueryOnly:
      return {0, 0};
    case HidAccess::Read:
      return {GENERIC_READ, FILE_FLAG_OVERLAPPED};
    case HidAccess::Write:
      return {GENERIC_WRITE, FILE_FLAG_OVERLAPPED};
  }
  return {0, 0};
}

bool Fail(DWORD code) {
  ::SetLastError(code);
  return false;
}

}  // namespace

Win32HidSystem::Win32HidSystem() {
  loaded_ = libraries_.Load();
  hidGuid_ = kHidInterfaceClass;
  if (loaded_) libraries_.GetHidGuid(&hidGuid_);
}

Win32HidSystem::~Win32HidSystem() {
  window_.Stop();
  std::lock_guard<std::mutex> lock(handlesMutex_);
  for (auto& [number, entry] : handles_) CloseHandle(entry->Handle.exchange(INVALID_HANDLE_VALUE));
  handles_.clear();
  libraries_.Unload();
}

bool Win32HidSystem::LibrariesLoaded() { return loaded_; }

std::shared_ptr<Win32HidSystem::Entry> Win32HidSystem::Find(HidHandle handle) {
  std::lock_guard<std::mutex> lock(handlesMutex_);
  const auto found = handles_.find(handle);
  return found == handles_.end() ? nullptr : found->second;
}

HidHandle Win32HidSystem::Open(const std::string& devicePath, HidAccess access) {
  const AccessMode mode = AccessModeOf(access);
  const HANDLE handle =
      CreateFileA(devicePath.c_str(), mode.Access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_EXISTING, mode.Flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return kInvalidHidHandle;
  auto entry = std::make_shared<Entry>();
  entry->Handle = handle;
  entry->Overlapped = (mode.Flags & FILE_FLAG_OVERLAPPED) != 0;
  std::lock_guard<std::mutex> lock(handlesMutex_);
  const HidHandle number = nextHandle_++;
  handles_.emplace(number, std::move(entry));
  return number;
}

void Win32HidSystem::Close(HidHandle handle) {
  std::shared_ptr<Entry> entry;
  {
    std::lock_guard<std::mutex> lock(handlesMutex_);
    const auto found = handles_.find(handle);
    if (found == handles_.end()) return;
    entry = std::move(found->second);
    handles_.erase(found);
  }
  // Closing ends a read pending on the handle; its completion routine still runs (on the
  // reading thread's next alertable wait) and finds its record alive.
  CloseHandle(entry->Handle.exchange(INVALID_HANDLE_VALUE));
}

bool Win32HidSystem::GetAttributes(HidHandle handle, HidAttributes& attributes) {
  const std::shared_ptr<Entry> entry = Find(handle);
  if (!entry) return Fail(ERROR_INVALID_HANDLE);
  HIDD_ATTRIBUTES system{};
  system.Size = sizeof(system);
  if (!libraries_.GetAttributes(entry->Handle, &system)) return false;
  attributes.Size = system.Size;
  attributes.VendorID = system.VendorID;
  attributes.ProductID = system.ProductID;
  attributes.VersionNumber = system.VersionNumber;
  return true;
}

std::unique_ptr<HidPreparsedData> Win32HidSystem::GetPreparsedData(HidHandle handle) {
  const std::shared_ptr<Entry> entry = Find(handle);
  if (!entry) {
    Fail(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  PHIDP_PREPARSED_DATA data = nullptr;
  if (!libraries_.GetPreparsedData(entry->Handle, &data) || data == nullptr) return nullptr;
  return std::make_unique<Win32PreparsedData>(data, libraries_.FreePreparsedData);
}

bool Win32HidSystem::GetCaps(const HidPreparsedData& data, HidCaps& caps) {
  const auto* ours = dynamic_cast<const Win32PreparsedData*>(&data);
  if (ours == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  HIDP_CAPS system{};
  if (libraries_.GetCaps(ours->Data(), &system) != HIDP_STATUS_SUCCESS) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  caps = {system.Usage,
          system.UsagePage,
          system.InputReportByteLength,
          system.OutputReportByteLength,
          system.FeatureReportByteLength,
          system.NumberLinkCollectionNodes,
          system.NumberInputButtonCaps,
          system.NumberInputValueCaps,
          system.NumberInputDataIndices,
          system.NumberOutputButtonCaps,
          system.NumberOutputValueCaps,
          system.NumberOutputDataIndices,
          system.NumberFeatureButtonCaps,
          system.NumberFeatureValueCaps,
          system.NumberFeatureDataIndices};
  return true;
}

bool Win32HidSystem::SetNumInputBuffers(HidHandle handle, uint32_t count) {
  const std::shared_ptr<Entry> entry = Find(handle);
  if (!entry) return Fail(ERROR_INVALID_HANDLE);
  return libraries_.SetNumInputBuffers(entry->Handle, count) != FALSE;
}

bool Win32HidSystem::GetNumInputBuffers(HidHandle handle, uint32_t& count) {
  const std::shared_ptr<Entry> entry = Find(handle);
  if (!entry) return Fail(ERROR_INVALID_HANDLE);
  ULONG value = 0;
  if (!libraries_.GetNumInputBuffers(entry->Handle, &value)) return false;
  count = value;
  return true;
}

bool Win32HidSystem::Write(HidHandle handle, const uint8_t* data, uint32_t length,
                           uint32_t& written) {
  written = 0;
  const std::shared_ptr<Entry> entry = Find(handle);
  if (!entry) return Fail(ERROR_INVALID_HANDLE);
  DWORD done = 0;
  if (!entry->Overlapped) {
    const BOOL ok = WriteFile(entry->Handle, data, length, &done, nullptr);
    written = done;
    return ok != FALSE;
  }
  // An overlapped handle needs a record and an event; the write is still waited for.
  OVERLAPPED overlapped{};
  overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (overlapped.hEvent == nullptr) return false;
  BOOL ok = WriteFile(entry->Handle, data, length, nullptr, &overlapped);
  if (!ok && GetLastError() == ERROR_IO_PENDING) {
    ok = GetOverlappedResult(entry->Handle, &overlapped, &done, TRUE);
  } else if (ok) {
    ok = GetOverlappedResult(entry->Handle, &overlapped, &done, FALSE);
  }
  const DWORD error = GetLastError();
  CloseHandle(overlapped.hEvent);
  written = done;
  return ok ? true : Fail(error);
}

void CALLBACK Win32HidSystem::ReadCompleted(DWORD error, DWORD bytes, OVERLAPPED* overlapped) {
  auto* holder = static_cast<std::shared_ptr<ReadOp>*>(overlapped->hEvent);
  ReadOp& op = **holder;
  op.Error = error;
  op.Bytes = bytes;
  op.Done = true;
  delete holder;
}

bool Win32HidSystem::StartRead(HidHandle handle, uint8_t* buffer, uint32_t length) {
  const std::shared_ptr<Entry> entry = Find(handle);
  if (!entry) return Fail(ERROR_INVALID_HANDLE);
  if (entry->Read && !entry->Read->Done) return Fail(ERROR_BUSY);
  auto op = std::make_shared<ReadOp>();
  auto* holder = new std::shared_ptr<ReadOp>(op);
  op->Overlapped.hEvent = holder;
  if (!ReadFileEx(entry->Handle, buffer, length, &op->Overlapped, ReadCompleted)) {
    const DWORD error = GetLastError();
    delete holder;  // the routine never runs for a read that did not start
    return Fail(error);
  }
  entry->Read = std::move(op);
  return true;
}

HidWaitResult Win32HidSystem::WaitRead(HidHandle handle, uint32_t timeoutMs) {
  const std::shared_ptr<Entry> entry = Find(handle);
  // Nothing to wait for: the caller goes on and learns from ReadResult what there is.
  if (!entry || !entry->Read || entry->Read->Done) return HidWaitResult::Completed;
  const DWORD result = SleepEx(timeoutMs, TRUE);
  if (entry->Read->Done || result == WAIT_IO_COMPLETION) return HidWaitResult::Completed;
  return HidWaitResult::TimedOut;
}

uint32_t Win32HidSystem::ReadResult(HidHandle handle) {
  const std::shared_ptr<Entry> entry = Find(handle);
  if (!entry || !entry->Read) {
    Fail(entry ? ERROR_NOT_FOUND : ERROR_INVALID_HANDLE);
    return 0;
  }
  DWORD bytes = 0;
  if (!GetOverlappedResult(entry->Handle, &entry->Read->Overlapped, &bytes, FALSE)) return 0;
  return bytes;
}

bool Win32HidSystem::CancelRead(HidHandle handle) {
  const std::shared_ptr<Entry> entry = Find(handle);
  if (!entry) return Fail(ERROR_INVALID_HANDLE);
  const std::shared_ptr<ReadOp> op = entry->Read;
  if (!op || op->Done) return Fail(ERROR_NOT_FOUND);
  if (libraries_.CancelIo == nullptr) return Fail(ERROR_CALL_NOT_IMPLEMENTED);
  if (!libraries_.CancelIo(entry->Handle)) return false;
  // The cancelled read still completes (with ERROR_OPERATION_ABORTED) through its routine.
  for (DWORD waited = 0; !op->Done && waited < kCancelWaitMs; waited += kCancelSliceMs) {
    SleepEx(kCancelSliceMs, TRUE);
  }
  return true;
}

uint32_t Win32HidSystem::LastError() { return GetLastError(); }

void Win32HidSystem::SetLastError(uint32_t code) { ::SetLastError(code); }

uint32_t Win32HidSystem::DeviceNotConnectedCode() { return ERROR_DEVICE_NOT_CONNECTED; }

std::string Win32HidSystem::ErrorText(uint32_t code) { return SystemErrorText(code); }

bool Win32HidSystem::StartDeviceNotifications(std::function<void()> onChange) {
  return window_.Start(std::move(onChange));
}

void Win32HidSystem::StopDeviceNotifications() { window_.Stop(); }

}  // namespace kv::win32_backend
