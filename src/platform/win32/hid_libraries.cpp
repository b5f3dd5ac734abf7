#include "platform/win32/hid_libraries.h"

namespace kv::win32_backend {
namespace {

// GetProcAddress gives a generic function pointer; the cast goes through void* so the compiler
// does not take it for a mistaken conversion between function types.
template <typename Fn>
bool Lookup(HMODULE module, const char* name, Fn& function) {
  const FARPROC address = GetProcAddress(module, name);
  function = reinterpret_cast<Fn>(reinterpret_cast<void*>(address));
  return address != nullptr;
}

bool LookupSetupApi(HidLibraries& l) {
  // Every lookup runs (no short circuit), so the pointers are all set or the load fails.
  bool all = true;
  all &= Lookup(l.SetupApi, "SetupDiGetClassDevsA", l.GetClassDevs);
  all &= Lookup(l.SetupApi, "SetupDiEnumDeviceInterfaces", l.EnumDeviceInterfaces);
  all &= Lookup(l.SetupApi, "SetupDiGetDeviceInterfaceDetailA", l.GetDeviceInterfaceDetail);
  all &= Lookup(l.SetupApi, "SetupDiGetDeviceRegistryPropertyA", l.GetDeviceRegistryProperty);
  all &= Lookup(l.SetupApi, "SetupDiDestroyDeviceInfoList", l.DestroyDeviceInfoList);
  return all;
}

bool LookupHid(HidLibraries& l) {
  bool all = true;
  all &= Lookup(l.Hid, "HidD_GetHidGuid", l.GetHidGuid);
  all &= Lookup(l.Hid, "HidD_GetAttributes", l.GetAttributes);
  all &= Lookup(l.Hid, "HidD_GetPreparsedData", l.GetPreparsedData);
  all &= Lookup(l.Hid, "HidD_FreePreparsedData", l.FreePreparsedData);
  all &= Lookup(l.Hid, "HidP_GetCaps", l.GetCaps);
  all &= Lookup(l.Hid, "HidD_SetNumInputBuffers", l.SetNumInputBuffers);
  all &= Lookup(l.Hid, "HidD_GetNumInputBuffers", l.GetNumInputBuffers);
  return all;
}

}  // namespace

bool HidLibraries::Load() {
  Unload();
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (kernel != nullptr) Lookup(kernel, "CancelIo", CancelIo);
  SetupApi = LoadLibraryA("SetupApi.dll");
  if (SetupApi == nullptr) return false;
  if (!LookupSetupApi(*this)) {
    Unload();
    return false;
  }
  Hid = LoadLibraryA("HID.dll");
  if (Hid == nullptr) return false;
  if (!LookupHid(*this)) {
    FreeLibrary(Hid);
    Hid = nullptr;
    return false;
  }
  return true;
}

void HidLibraries::Unload() {
  if (Hid != nullptr) FreeLibrary(Hid);
  if (SetupApi != nullptr) FreeLibrary(SetupApi);
  const CancelIoFn cancelIo = CancelIo;
  *this = HidLibraries{};
  CancelIo = cancelIo;
}

}  // namespace kv::win32_backend
