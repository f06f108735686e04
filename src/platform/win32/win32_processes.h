// Processes and windows through the real Win32 calls.
#pragma once

#include "platform/processes.h"

namespace win32 {

class Win32Processes final : public platform::IProcesses {
 public:
  platform::BOOL CreateProcessA(std::string_view commandLine, platform::DWORD creationFlags,
                                platform::PROCESS_INFORMATION& info) override;
  platform::DWORD WaitForSingleObject(platform::HANDLE handle, platform::DWORD milliseconds) override;
  platform::BOOL GetExitCodeProcess(platform::HANDLE process, platform::DWORD* exitCode) override;
  platform::BOOL CloseHandle(platform::HANDLE handle) override;
  void Sleep(platform::DWORD milliseconds) override;
  platform::HWND FindWindowA(std::string_view className, std::string_view windowName) override;
  int GetWindowTextA(platform::HWND window, char* buffer, int size) override;
  platform::BOOL BringWindowToTop(platform::HWND window) override;
  platform::BOOL ShowWindow(platform::HWND window, int command) override;
  platform::BOOL PeekMessageA(platform::MSG* message, platform::HWND window, platform::UINT filterMin,
                              platform::UINT filterMax, platform::UINT removeFlags) override;
};

}  // namespace win32
