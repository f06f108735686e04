// Processes and top-level windows: starting outside programs, waiting for
// them, and finding the windows other programs keep open.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/win_types.h"

namespace platform {

struct PROCESS_INFORMATION {
  HANDLE hProcess = nullptr;
  HANDLE hThread = nullptr;
  DWORD dwProcessId = 0;
  DWORD dwThreadId = 0;
};

// MSG: one message of a thread's queue.
struct MSG {
  HWND hwnd = nullptr;
  UINT message = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
  DWORD time = 0;
};

class IProcesses {
 public:
  virtual ~IProcesses() = default;

  // CreateProcessA(NULL, commandLine, NULL, NULL, FALSE, flags, NULL, NULL,
  // zeroed STARTUPINFOA): the program is the command line's first word (or
  // quoted text), searched where Windows searches it; the caller closes
  // both handles. FALSE with GetLastError's code when it cannot start.
  virtual BOOL CreateProcessA(std::string_view commandLine, DWORD creationFlags, PROCESS_INFORMATION& info) = 0;

  // WAIT_OBJECT_0 once the process has ended, WAIT_TIMEOUT after the time.
  virtual DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) = 0;
  virtual BOOL GetExitCodeProcess(HANDLE process, DWORD* exitCode) = 0;
  virtual BOOL CloseHandle(HANDLE handle) = 0;
  virtual void Sleep(DWORD milliseconds) = 0;

  // FindWindowA: a top-level window by class name and title; either empty
  // (Win32's null) matches any.
  virtual HWND FindWindowA(std::string_view className, std::string_view windowName) = 0;
  virtual int GetWindowTextA(HWND window, char* buffer, int size) = 0;
  virtual BOOL BringWindowToTop(HWND window) = 0;
  virtual BOOL ShowWindow(HWND window, int command) = 0;

  // PeekMessageA: whether a message in [filterMin, filterMax] waits in this
  // thread's queue for `window` (null: any of the thread's windows); with
  // PM_NOREMOVE it stays there.
  virtual BOOL PeekMessageA(MSG* message, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) = 0;
};

}  // namespace platform
