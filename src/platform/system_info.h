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

  // GetModuleFileNameA(NULL, …): full Windows path of the running program.
  virtual std::string GetModuleFileNameA() = 0;

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

  // GetLastError: the error code of the last call that failed.
  virtual DWORD GetLastError() = 0;
};

}  // namespace platform
