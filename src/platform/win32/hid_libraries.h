#pragma once

#include <windows.h>

// The system's HID record types. The headers declare C functions, so they are read as C.
extern "C" {
#include <hidsdi.h>
// After hidsdi.h, which defines the usage types it uses.
#include <hidpi.h>
}
#include <setupapi.h>

namespace kv::win32_backend {

// The SetupAPI and HID class driver functions the HID system uses, looked up at run time, so a
// system without them is a normal state rather than a program that does not start.
struct HidLibraries {
  using GetClassDevsFn = HDEVINFO(WINAPI*)(const GUID*, PCSTR, HWND, DWORD);
  using EnumDeviceInterfacesFn = BOOL(WINAPI*)(HDEVINFO, PSP_DEVINFO_DATA, const GUID*, DWORD,
                                               PSP_DEVICE_INTERFACE_DATA);
  using GetDeviceInterfaceDetailFn = BOOL(WINAPI*)(HDEVINFO, PSP_DEVICE_INTERFACE_DATA,
                                                   PSP_DEVICE_INTERFACE_DETAIL_DATA_A, DWORD,
                                                   PDWORD, PSP_DEVINFO_DATA);
  using GetDeviceRegistryPropertyFn = BOOL(WINAPI*)(HDEVINFO, PSP_DEVINFO_DATA, DWORD, PDWORD,
                                                    PBYTE, DWORD, PDWORD);
  using DestroyDeviceInfoListFn = BOOL(WINAPI*)(HDEVINFO);
  using GetHidGuidFn = void(WINAPI*)(GUID*);
  using GetAttributesFn = BOOLEAN(WINAPI*)(HANDLE, PHIDD_ATTRIBUTES);
  using GetPreparsedDataFn = BOOLEAN(WINAPI*)(HANDLE, PHIDP_PREPARSED_DATA*);
  using FreePreparsedDataFn = BOOLEAN(WINAPI*)(PHIDP_PREPARSED_DATA);
  using GetCapsFn = NTSTATUS(WINAPI*)(PHIDP_PREPARSED_DATA, PHIDP_CAPS);
  using SetNumInputBuffersFn = BOOLEAN(WINAPI*)(HANDLE, ULONG);
  using GetNumInputBuffersFn = BOOLEAN(WINAPI*)(HANDLE, PULONG);
  using CancelIoFn = BOOL(WINAPI*)(HANDLE);

  HMODULE SetupApi = nullptr;
  HMODULE Hid = nullptr;

  GetClassDevsFn GetClassDevs = nullptr;
  EnumDeviceInterfacesFn EnumDeviceInterfaces = nullptr;
  GetDeviceInterfaceDetailFn GetDeviceInterfaceDetail = nullptr;
  GetDeviceRegistryPropertyFn GetDeviceRegistryProperty = nullptr;
  DestroyDeviceInfoListFn DestroyDeviceInfoList = nullptr;

  GetHidGuidFn GetHidGuid = nullptr;
  GetAttributesFn GetAttributes = nullptr;
  GetPreparsedDataFn GetPreparsedData = nullptr;
  FreePreparsedDataFn FreePreparsedData = nullptr;
  GetCapsFn GetCaps = nullptr;
  SetNumInputBuffersFn SetNumInputBuffers = nullptr;
  GetNumInputBuffersFn GetNumInputBuffers = nullptr;

  // Not every system has it; without it a pending read is ended by closing its handle.
  CancelIoFn CancelIo = nullptr;

  // Loads SetupApi.dll with all of its functions, then (only then) HID.dll with all of its
  // functions; a library missing any function is released again. True when both are loaded.
  bool Load();
  // Releases what Load loaded.
  void Unload();
  bool Loaded() const { return SetupApi != nullptr && Hid != nullptr; }
};

}  // namespace kv::win32_backend
