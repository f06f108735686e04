// System facts: version, the running program, the code page.
#pragma once

#include <string>

#include "platform/win_types.h"

namespace platform {

class ISystemInfo {
 public:
  virtual ~ISystemInfo() = default;

  // GetVersionExA: fills the structure whose size field the caller has set.
  virtual BOOL GetVersionExA(OSVERSIONINFOA& info) = 0;

  // GetModuleFileNameA(NULL, …): the full Windows path of the running
  // program and its length without the NUL. A path that does not fit is cut
  // to size - 1 characters and a NUL: the answer is then `size`, with
  // ERROR_INSUFFICIENT_BUFFER. 0 on failure.
  virtual DWORD GetModuleFileNameA(char* buffer, DWORD size) = 0;

  // GetACP: the active ANSI code page (1252, 932, …).
  virtual UINT GetACP() = 0;

  // GetLocaleInfoA for the user's default locale: copies at most size - 1
  // characters and a NUL; returns the characters copied with the NUL, 0 on failure.
  virtual int GetLocaleInfoA(DWORD lcType, char* buffer, int size) = 0;

  // GetWindowsDirectoryA and GetSystemDirectoryA: the folder without a
  // trailing backslash (unless it is a drive root) and its length without the
  // NUL; when `size` is too small, nothing is copied and the size needed,
  // NUL included, is returned.
  virtual UINT GetWindowsDirectoryA(char* buffer, UINT size) = 0;
  virtual UINT GetSystemDirectoryA(char* buffer, UINT size) = 0;

  // Whether the process token holds the built-in Administrators group
  // (OpenProcessToken, GetTokenInformation with TokenGroups, EqualSid with
  // the NT authority's 32/544 identifier); FALSE when the token cannot be read.
  virtual BOOL IsAdministratorToken() = 0;
  // Enables SeShutdownPrivilege in the process token (OpenProcessToken,
  // LookupPrivilegeValueA, AdjustTokenPrivileges): the result of the last call.
  virtual BOOL EnableShutdownPrivilege() = 0;
  // InitiateSystemShutdownA on the local computer.
  virtual BOOL InitiateSystemShutdownA(const char* message, DWORD timeout, BOOL forceAppsClosed,
                                       BOOL rebootAfterShutdown) = 0;

  // GetSystemMetrics: SM_CLEANBOOT (0 normal start, 1 safe mode, 2 safe mode
  // with network), the screen's and the virtual screen's size in pixels
  // (SM_CXSCREEN …, SM_CXVIRTUALSCREEN …), the number of monitors
  // (SM_CMONITORS). 0 for an index the system does not know, as Windows 95
  // answers the virtual screen's and the monitors' indexes.
  virtual int GetSystemMetrics(int index) = 0;

  // EnumDisplayDevicesA(NULL, device, info, 0) with info.cb set by the
  // caller to sizeof(DISPLAY_DEVICEA): TRUE and the device's name, text and
  // state flags, FALSE past the last device. On a system not capable of
  // several monitors (USER32 lacks EnumDisplayDevicesA or another of the
  // multiple-monitor functions, or the virtual screen is smaller than the
  // screen) the one device 0 answers as "\\.\Display1", state 21 (attached,
  // primary, VGA compatible), text "Need to thunk to get name".
  virtual BOOL EnumDisplayDevicesA(DWORD device, DISPLAY_DEVICEA& info) = 0;

  // GetLastError: the error code of the last call that failed.
  virtual DWORD GetLastError() = 0;
  // SetLastError: the code GetLastError answers until a call fails again
  // (callers clear it before a call whose failure they tell apart).
  virtual void SetLastError(DWORD code) = 0;

  // OutputDebugStringA: a line for whoever watches the program (a debugger
  // on Windows, the event record on the simulated machine); it changes
  // nothing the program sees.
  virtual void OutputDebugStringA(const char* text) = 0;
};

// The running program's full path from GetModuleFileNameA, however long;
// empty when the call fails.
inline std::string ProgramPath(ISystemInfo& system) {
  for (DWORD size = kMaxPath + 1; size <= 0x8000; size *= 2) {
    std::string buffer(size, '\0');
    const DWORD length = system.GetModuleFileNameA(buffer.data(), size);
    if (length == 0) return {};
    if (length < size) return buffer.substr(0, length);
  }
  return {};
}

}  // namespace platform
