#include <windows.h>

#include "platform/win32/win32_processes.h"

#include <string>

namespace win32 {
namespace {

::HANDLE Native(platform::HANDLE handle) { return reinterpret_cast<::HANDLE>(handle); }
platform::HANDLE Portable(::HANDLE handle) { return reinterpret_cast<platform::HANDLE>(handle); }
::HWND Native(platform::HWND window) { return reinterpret_cast<::HWND>(window); }

}  // namespace

platform::BOOL Win32Processes::CreateProcessA(std::string_view commandLine, platform::DWORD creationFlags,
                                              platform::PROCESS_INFORMATION& info) {
  info = {};
  // CreateProcessA may write into the command line: give it a copy.
  std::string buffer(commandLine);
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION native{};
  if (!::CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, creationFlags, nullptr, nullptr, &startup,
                        &native)) {
    return FALSE;
  }
  info.hProcess = Portable(native.hProcess);
  info.hThread = Portable(native.hThread);
  info.dwProcessId = native.dwProcessId;
  info.dwThreadId = native.dwThreadId;
  return TRUE;
}

platform::DWORD Win32Processes::WaitForSingleObject(platform::HANDLE handle, platform::DWORD milliseconds) {
  return ::WaitForSingleObject(Native(handle), milliseconds);
}

platform::BOOL Win32Processes::GetExitCodeProcess(platform::HANDLE process, platform::DWORD* exitCode) {
  DWORD code = 0;
  const BOOL ok = ::GetExitCodeProcess(Native(process), &code);
  if (ok && exitCode != nullptr) *exitCode = code;
  return ok;
}

platform::BOOL Win32Processes::CloseHandle(platform::HANDLE handle) { return ::CloseHandle(Native(handle)); }

void Win32Processes::Sleep(platform::DWORD milliseconds) { ::Sleep(milliseconds); }

platform::HWND Win32Processes::FindWindowA(std::string_view className, std::string_view windowName) {
  const std::string classText(className), titleText(windowName);
  return reinterpret_cast<platform::HWND>(::FindWindowA(className.empty() ? nullptr : classText.c_str(),
                                                        windowName.empty() ? nullptr : titleText.c_str()));
}

int Win32Processes::GetWindowTextA(platform::HWND window, char* buffer, int size) {
  return ::GetWindowTextA(Native(window), buffer, size);
}

platform::BOOL Win32Processes::BringWindowToTop(platform::HWND window) { return ::BringWindowToTop(Native(window)); }

platform::BOOL Win32Processes::ShowWindow(platform::HWND window, int command) {
  return ::ShowWindow(Native(window), command);
}

platform::BOOL Win32Processes::PeekMessageA(platform::MSG* message, platform::HWND window, platform::UINT filterMin,
                                            platform::UINT filterMax, platform::UINT removeFlags) {
  ::MSG native{};
  const BOOL found = ::PeekMessageA(&native, Native(window), filterMin, filterMax, removeFlags);
  if (found && message != nullptr) {
    message->hwnd = reinterpret_cast<platform::HWND>(native.hwnd);
    message->message = native.message;
    message->wParam = static_cast<std::uintptr_t>(native.wParam);
    message->lParam = static_cast<std::intptr_t>(native.lParam);
    message->time = native.time;
  }
  return found;
}

}  // namespace win32
