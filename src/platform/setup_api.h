// Call contract of Windows NT's device installer, SETUPAPI.DLL, as far as
// the display driver step uses it: loaded at run time (Windows 95 has no
// such library, so nothing of it may be in the program's import table) and
// looked up function by function.
//
// The structures are laid out as the library lays them out: packed to one
// byte in 32-bit programs, naturally aligned in 64-bit ones. The functions
// use the system's calling convention (SETUP_WINAPI).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win_types.h"

#ifndef ERROR_INVALID_USER_BUFFER
#define ERROR_INVALID_USER_BUFFER 1784L
#endif

namespace setupapi {

using platform::BOOL;
using platform::DWORD;
using platform::HKEY;
using platform::HWND;
using platform::UINT;

constexpr const char* kLibraryName = "SETUPAPI.DLL";

// The fifteen functions the driver step looks up by name.
constexpr const char* kGetInfClass = "SetupDiGetINFClassA";
constexpr const char* kCreateDeviceInfoList = "SetupDiCreateDeviceInfoList";
constexpr const char* kOpenDeviceInfo = "SetupDiOpenDeviceInfoA";
constexpr const char* kCreateDeviceInfo = "SetupDiCreateDeviceInfoA";
constexpr const char* kRegisterDeviceInfo = "SetupDiRegisterDeviceInfo";
constexpr const char* kGetDeviceInstallParams = "SetupDiGetDeviceInstallParamsA";
constexpr const char* kSetDeviceInstallParams = "SetupDiSetDeviceInstallParamsA";
constexpr const char* kBuildDriverInfoList = "SetupDiBuildDriverInfoList";
constexpr const char* kSetSelectedDriver = "SetupDiSetSelectedDriverA";
constexpr const char* kInstallDevice = "SetupDiInstallDevice";
constexpr const char* kOpenInfFile = "SetupOpenInfFileA";
constexpr const char* kInstallFromInfSection = "SetupInstallFromInfSectionA";
constexpr const char* kCloseInfFile = "SetupCloseInfFile";
constexpr const char* kDestroyDriverInfoList = "SetupDiDestroyDriverInfoList";
constexpr const char* kDestroyDeviceInfoList = "SetupDiDestroyDeviceInfoList";

using HDEVINFO = void*;
using HINF = void*;
// What SetupDiCreateDeviceInfoList and SetupOpenInfFileA return on failure.
inline void* InvalidHandle() { return reinterpret_cast<void*>(~std::uintptr_t{0}); }

struct Guid {
  std::uint32_t data1;
  std::uint16_t data2, data3;
  std::uint8_t data4[8];
};
static_assert(sizeof(Guid) == 16);

#if defined(_WIN32) && !defined(_WIN64)
#pragma pack(push, 1)
#endif

struct SP_DEVINFO_DATA {
  DWORD cbSize;
  Guid ClassGuid;
  DWORD DevInst;
  std::uintptr_t Reserved;
};

struct SP_DEVINSTALL_PARAMS_A {
  DWORD cbSize;
  DWORD Flags;
  DWORD FlagsEx;
  HWND hwndParent;
  void* InstallMsgHandler;
  void* InstallMsgHandlerContext;
  void* FileQueue;
  std::uintptr_t ClassInstallReserved;
  DWORD Reserved;
  char DriverPath[platform::kMaxPath];
};

// The driver data of Windows NT 4 (SP_DRVINFO_DATA_V1_A); later systems
// take this size too.
constexpr std::size_t kLineLength = 256;
struct SP_DRVINFO_DATA_A {
  DWORD cbSize;
  DWORD DriverType;
  std::uintptr_t Reserved;
  char Description[kLineLength];
  char MfgName[kLineLength];
  char ProviderName[kLineLength];
};

// The sizes the library checks in cbSize: a structure of another size is
// refused (ERROR_INVALID_USER_BUFFER), so the driver step would fail.
#if defined(_WIN32) && !defined(_WIN64)
#pragma pack(pop)
static_assert(sizeof(SP_DEVINFO_DATA) == 28 && sizeof(SP_DEVINSTALL_PARAMS_A) == 296 &&
              sizeof(SP_DRVINFO_DATA_A) == 780);
#elif defined(_WIN64)
static_assert(sizeof(SP_DEVINFO_DATA) == 32 && sizeof(SP_DEVINSTALL_PARAMS_A) == 320 &&
              sizeof(SP_DRVINFO_DATA_A) == 784);
#endif

// Install-parameter flags.
constexpr DWORD DI_ENUMSINGLEINF = 0x00010000;
constexpr DWORD DI_DONOTCALLCONFIGMG = 0x00020000;
constexpr DWORD DI_NOFILECOPY = 0x01000000;
// Driver list types.
constexpr DWORD SPDIT_CLASSDRIVER = 1;
constexpr DWORD SPDIT_COMPATDRIVER = 2;
// SetupOpenInfFileA styles.
constexpr DWORD INF_STYLE_WIN4 = 2;
// SetupInstallFromInfSectionA: the registry lines only.
constexpr UINT SPINST_REGISTRY = 0x00000004;
// AddService flag: the service is the device's function driver.
constexpr DWORD SPSVCINST_ASSOCSERVICE = 0x00000002;
constexpr std::size_t kMaxClassNameLength = 32;

constexpr DWORD ERROR_WRONG_INF_STYLE = 0xE0000100;
constexpr DWORD ERROR_SECTION_NOT_FOUND = 0xE0000102;
constexpr DWORD ERROR_CLASS_MISMATCH = 0xE0000201;
constexpr DWORD ERROR_NO_DRIVER_SELECTED = 0xE0000203;
constexpr DWORD ERROR_DEVINST_ALREADY_EXISTS = 0xE0000207;
constexpr DWORD ERROR_INVALID_CLASS = 0xE0000209;
constexpr DWORD ERROR_NO_SUCH_DEVINST = 0xE000020B;
constexpr DWORD ERROR_INVALID_DEVINST_NAME = 0xE0000205;

using GetInfClassProc = BOOL(SETUP_WINAPI*)(const char* infName, Guid* classGuid, char* className,
                                            DWORD classNameSize, DWORD* requiredSize);
using CreateDeviceInfoListProc = HDEVINFO(SETUP_WINAPI*)(const Guid* classGuid, HWND parent);
using OpenDeviceInfoProc = BOOL(SETUP_WINAPI*)(HDEVINFO set, const char* instanceId, HWND parent, DWORD flags,
                                               SP_DEVINFO_DATA* device);
using CreateDeviceInfoProc = BOOL(SETUP_WINAPI*)(HDEVINFO set, const char* instanceId, const Guid* classGuid,
                                                 const char* description, HWND parent, DWORD flags,
                                                 SP_DEVINFO_DATA* device);
using RegisterDeviceInfoProc = BOOL(SETUP_WINAPI*)(HDEVINFO set, SP_DEVINFO_DATA* device, DWORD flags,
                                                   void* compare, void* compareContext, SP_DEVINFO_DATA* duplicate);
using GetDeviceInstallParamsProc = BOOL(SETUP_WINAPI*)(HDEVINFO set, SP_DEVINFO_DATA* device,
                                                       SP_DEVINSTALL_PARAMS_A* params);
using SetDeviceInstallParamsProc = GetDeviceInstallParamsProc;
using BuildDriverInfoListProc = BOOL(SETUP_WINAPI*)(HDEVINFO set, SP_DEVINFO_DATA* device, DWORD driverType);
using SetSelectedDriverProc = BOOL(SETUP_WINAPI*)(HDEVINFO set, SP_DEVINFO_DATA* device, SP_DRVINFO_DATA_A* driver);
using InstallDeviceProc = BOOL(SETUP_WINAPI*)(HDEVINFO set, SP_DEVINFO_DATA* device);
using OpenInfFileProc = HINF(SETUP_WINAPI*)(const char* fileName, const char* infClass, DWORD style, UINT* errorLine);
using InstallFromInfSectionProc = BOOL(SETUP_WINAPI*)(HWND owner, HINF inf, const char* section, UINT flags,
                                                      HKEY relativeKey, const char* sourceRoot, UINT copyFlags,
                                                      void* callback, void* context, HDEVINFO set,
                                                      SP_DEVINFO_DATA* device);
using CloseInfFileProc = void(SETUP_WINAPI*)(HINF inf);
using DestroyDriverInfoListProc = BOOL(SETUP_WINAPI*)(HDEVINFO set, SP_DEVINFO_DATA* device, DWORD driverType);
using DestroyDeviceInfoListProc = BOOL(SETUP_WINAPI*)(HDEVINFO set);

}  // namespace setupapi
