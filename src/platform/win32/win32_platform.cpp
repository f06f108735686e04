#include <windows.h>

#include "platform/win32/win32_platform.h"

#include <cstddef>
#include <cstring>
#include <string>

namespace win32 {
namespace {

HMODULE Native(platform::HMODULE module) { return reinterpret_cast<HMODULE>(module); }
platform::HMODULE Portable(HMODULE module) { return reinterpret_cast<platform::HMODULE>(module); }
::HKEY Native(platform::HKEY key) { return reinterpret_cast<::HKEY>(key); }
platform::HKEY Portable(::HKEY key) { return reinterpret_cast<platform::HKEY>(key); }

// A DWORD of the interface (32-bit) in and out of a Win32 DWORD (unsigned
// long) without aliasing one as the other.
class DwordSlot {
 public:
  explicit DwordSlot(platform::DWORD* target) : m_target(target), m_value(target != nullptr ? *target : 0) {}
  ~DwordSlot() {
    if (m_target != nullptr) *m_target = static_cast<platform::DWORD>(m_value);
  }
  DwordSlot(const DwordSlot&) = delete;
  DwordSlot& operator=(const DwordSlot&) = delete;
  DWORD* get() { return m_target != nullptr ? &m_value : nullptr; }

 private:
  platform::DWORD* m_target;
  DWORD m_value;
};

platform::FARPROC Portable(::FARPROC proc) {
  return reinterpret_cast<platform::FARPROC>(reinterpret_cast<void (*)()>(proc));
}

// The token, privilege and shutdown calls of ADVAPI32.DLL, looked up when
// first needed: Windows 95 has them only as stubs that fail, or not at all,
// so the program must not import them. Every entry is null where the system
// lacks it; callers then answer as the stubs would.
struct SecurityCalls {
  using OpenProcessTokenProc = BOOL(WINAPI*)(HANDLE, DWORD, PHANDLE);
  using GetTokenInformationProc = BOOL(WINAPI*)(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, DWORD, PDWORD);
  using AllocateAndInitializeSidProc = BOOL(WINAPI*)(PSID_IDENTIFIER_AUTHORITY, BYTE, DWORD, DWORD, DWORD, DWORD,
                                                     DWORD, DWORD, DWORD, DWORD, PSID*);
  using EqualSidProc = BOOL(WINAPI*)(PSID, PSID);
  using FreeSidProc = PVOID(WINAPI*)(PSID);
  using LookupPrivilegeValueAProc = BOOL(WINAPI*)(LPCSTR, LPCSTR, PLUID);
  using AdjustTokenPrivilegesProc = BOOL(WINAPI*)(HANDLE, BOOL, PTOKEN_PRIVILEGES, DWORD, PTOKEN_PRIVILEGES, PDWORD);
  using InitiateSystemShutdownAProc = BOOL(WINAPI*)(LPSTR, LPSTR, DWORD, BOOL, BOOL);

  OpenProcessTokenProc openProcessToken = nullptr;
  GetTokenInformationProc getTokenInformation = nullptr;
  AllocateAndInitializeSidProc allocateAndInitializeSid = nullptr;
  EqualSidProc equalSid = nullptr;
  FreeSidProc freeSid = nullptr;
  LookupPrivilegeValueAProc lookupPrivilegeValueA = nullptr;
  AdjustTokenPrivilegesProc adjustTokenPrivileges = nullptr;
  InitiateSystemShutdownAProc initiateSystemShutdownA = nullptr;
};

template <typename Proc>
void Resolve(HMODULE module, const char* name, Proc& proc) {
  // The address comes back as a generic FARPROC; the type is the export's own.
  proc = reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

const SecurityCalls& Security() {
  static const SecurityCalls calls = [] {
    SecurityCalls found;
    // The registry calls import ADVAPI32.DLL, so it is loaded already.
    HMODULE advapi = ::GetModuleHandleA("ADVAPI32.DLL");
    if (advapi == nullptr) return found;
    Resolve(advapi, "OpenProcessToken", found.openProcessToken);
    Resolve(advapi, "GetTokenInformation", found.getTokenInformation);
    Resolve(advapi, "AllocateAndInitializeSid", found.allocateAndInitializeSid);
    Resolve(advapi, "EqualSid", found.equalSid);
    Resolve(advapi, "FreeSid", found.freeSid);
    Resolve(advapi, "LookupPrivilegeValueA", found.lookupPrivilegeValueA);
    Resolve(advapi, "AdjustTokenPrivileges", found.adjustTokenPrivileges);
    Resolve(advapi, "InitiateSystemShutdownA", found.initiateSystemShutdownA);
    return found;
  }();
  return calls;
}

// The multiple-monitor functions of USER32 (Windows 98 and NT 5; Windows 95
// and NT 4 have none), looked up once: a program importing them would not
// load on the older systems.
struct MonitorCalls {
  HMONITOR(WINAPI* monitorFromWindow)(HWND, DWORD) = nullptr;
  HMONITOR(WINAPI* monitorFromRect)(LPCRECT, DWORD) = nullptr;
  HMONITOR(WINAPI* monitorFromPoint)(POINT, DWORD) = nullptr;
  BOOL(WINAPI* getMonitorInfoA)(HMONITOR, LPMONITORINFO) = nullptr;
  BOOL(WINAPI* enumDisplayMonitors)(HDC, LPCRECT, MONITORENUMPROC, LPARAM) = nullptr;
  // Given the structure of Windows 98 (168 bytes), which every later system
  // still fills.
  BOOL(WINAPI* enumDisplayDevicesA)(LPCSTR, DWORD, platform::DISPLAY_DEVICEA*, DWORD) = nullptr;
  bool AllPresent() const {
    return monitorFromWindow != nullptr && monitorFromRect != nullptr && monitorFromPoint != nullptr &&
           getMonitorInfoA != nullptr && enumDisplayMonitors != nullptr && enumDisplayDevicesA != nullptr;
  }
};

const MonitorCalls& Monitors() {
  static const MonitorCalls calls = [] {
    MonitorCalls found;
    HMODULE user = ::GetModuleHandleA("USER32.DLL");
    if (user == nullptr) return found;
    Resolve(user, "MonitorFromWindow", found.monitorFromWindow);
    Resolve(user, "MonitorFromRect", found.monitorFromRect);
    Resolve(user, "MonitorFromPoint", found.monitorFromPoint);
    Resolve(user, "GetMonitorInfoA", found.getMonitorInfoA);
    Resolve(user, "EnumDisplayMonitors", found.enumDisplayMonitors);
    Resolve(user, "EnumDisplayDevicesA", found.enumDisplayDevicesA);
    return found;
  }();
  return calls;
}

BOOL NotImplemented() {
  ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
  return FALSE;
}

// The code of the failure, or ERROR_SUCCESS, as the file calls' BOOL.
platform::BOOL Answer(DWORD error) {
  if (error == ERROR_SUCCESS) return TRUE;
  ::SetLastError(error);
  return FALSE;
}

}  // namespace

int Win32Platform::GetSystemMetrics(int index) { return ::GetSystemMetrics(index); }

platform::BOOL Win32Platform::EnumDisplayDevicesA(platform::DWORD device, platform::DISPLAY_DEVICEA& info) {
  if (info.cb != sizeof(platform::DISPLAY_DEVICEA)) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const MonitorCalls& calls = Monitors();
  const bool capable = calls.AllPresent() &&
                       ::GetSystemMetrics(SM_CXVIRTUALSCREEN) >= ::GetSystemMetrics(SM_CXSCREEN) &&
                       ::GetSystemMetrics(SM_CYVIRTUALSCREEN) >= ::GetSystemMetrics(SM_CYSCREEN);
  if (!capable) {
    // The single-display stand-by.
    if (device != 0) return FALSE;
    static constexpr char kName[] = "\\\\.\\Display1";
    static constexpr char kText[] = "Need to thunk to get name";
    std::memset(info.DeviceName, 0, sizeof info.DeviceName);
    std::memset(info.DeviceString, 0, sizeof info.DeviceString);
    std::memcpy(info.DeviceName, kName, sizeof kName);
    std::memcpy(info.DeviceString, kText, sizeof kText);
    info.StateFlags = DISPLAY_DEVICE_ATTACHED_TO_DESKTOP | DISPLAY_DEVICE_PRIMARY_DEVICE | DISPLAY_DEVICE_VGA_COMPATIBLE;
    return TRUE;
  }
  static_assert(offsetof(::DISPLAY_DEVICEA, StateFlags) == offsetof(platform::DISPLAY_DEVICEA, StateFlags));
  return calls.enumDisplayDevicesA(nullptr, device, &info, 0);
}

Win32Platform::Win32Platform()
    : m_interfaces{this, this, this, this, this, this, &m_profiles, &m_processes, &m_shellLinks, this, nullptr} {}

void Win32Platform::SetWizardHost(platform::IWizardHost* host) { m_interfaces.wizard = host; }

platform::BOOL Win32Platform::GetVersionExA(platform::OSVERSIONINFOA& info) {
  OSVERSIONINFOA native{};
  native.dwOSVersionInfoSize = info.dwOSVersionInfoSize;
  // Deprecated in newer SDK headers, but the call the program relies on.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  BOOL ok = ::GetVersionExA(&native);
#pragma GCC diagnostic pop
  if (!ok) return FALSE;
  static_assert(sizeof(native) == sizeof(info));
  info.dwMajorVersion = native.dwMajorVersion;
  info.dwMinorVersion = native.dwMinorVersion;
  info.dwBuildNumber = native.dwBuildNumber;
  info.dwPlatformId = native.dwPlatformId;
  static_assert(sizeof(native.szCSDVersion) == sizeof(info.szCSDVersion));
  memcpy(info.szCSDVersion, native.szCSDVersion, sizeof(info.szCSDVersion));
  return TRUE;
}

platform::DWORD Win32Platform::GetModuleFileNameA(char* buffer, platform::DWORD size) {
  if (buffer == nullptr || size == 0) return Answer(ERROR_INSUFFICIENT_BUFFER);
  const DWORD n = ::GetModuleFileNameA(nullptr, buffer, size);
  if (n == 0) return 0;
  // Windows XP and later fill a buffer that is too small to its end, with
  // no NUL; earlier versions end it: one answer for all.
  if (n >= size) {
    buffer[size - 1] = '\0';
    ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  return n;
}

platform::UINT Win32Platform::GetACP() { return ::GetACP(); }

platform::UINT Win32Platform::GetWindowsDirectoryA(char* buffer, platform::UINT size) {
  return ::GetWindowsDirectoryA(buffer, size);
}

platform::UINT Win32Platform::GetSystemDirectoryA(char* buffer, platform::UINT size) {
  return ::GetSystemDirectoryA(buffer, size);
}

platform::BOOL Win32Platform::IsAdministratorToken() {
  const SecurityCalls& calls = Security();
  if (calls.openProcessToken == nullptr || calls.getTokenInformation == nullptr ||
      calls.allocateAndInitializeSid == nullptr || calls.equalSid == nullptr || calls.freeSid == nullptr) {
    return NotImplemented();
  }
  HANDLE token = nullptr;
  if (!calls.openProcessToken(::GetCurrentProcess(), TOKEN_READ, &token)) return FALSE;
  // The groups of a token fit a fixed buffer; a token with more is not read.
  alignas(TOKEN_GROUPS) unsigned char buffer[1024];
  DWORD size = 0;
  const BOOL read = calls.getTokenInformation(token, TokenGroups, buffer, sizeof buffer, &size);
  ::CloseHandle(token);
  if (!read) return FALSE;
  SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
  PSID administrators = nullptr;
  if (!calls.allocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0,
                                      0, 0, 0, &administrators)) {
    return FALSE;
  }
  const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer);
  BOOL found = FALSE;
  for (DWORD i = 0; i < groups->GroupCount && !found; ++i) {
    if (calls.equalSid(groups->Groups[i].Sid, administrators)) found = TRUE;
  }
  calls.freeSid(administrators);
  return found;
}

platform::BOOL Win32Platform::EnableShutdownPrivilege() {
  const SecurityCalls& calls = Security();
  if (calls.openProcessToken == nullptr || calls.lookupPrivilegeValueA == nullptr ||
      calls.adjustTokenPrivileges == nullptr) {
    return NotImplemented();
  }
  HANDLE token = nullptr;
  if (!calls.openProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return FALSE;
  TOKEN_PRIVILEGES privileges{};
  BOOL result = calls.lookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid);
  if (result) {
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    result = calls.adjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
  }
  ::CloseHandle(token);
  return result;
}

platform::BOOL Win32Platform::InitiateSystemShutdownA(const char* message, platform::DWORD timeout,
                                                      platform::BOOL forceAppsClosed,
                                                      platform::BOOL rebootAfterShutdown) {
  const SecurityCalls& calls = Security();
  if (calls.initiateSystemShutdownA == nullptr) return NotImplemented();
  return calls.initiateSystemShutdownA(nullptr, const_cast<char*>(message), timeout, forceAppsClosed,
                                       rebootAfterShutdown);
}

int Win32Platform::GetLocaleInfoA(platform::DWORD lcType, char* buffer, int size) {
  return ::GetLocaleInfoA(LOCALE_USER_DEFAULT, lcType, buffer, size);
}

platform::BOOL Win32Platform::FindFirstFileName(std::string_view pattern, std::string& name) {
  std::string text(pattern);
  WIN32_FIND_DATAA found{};
  HANDLE search = ::FindFirstFileA(text.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return FALSE;
  ::FindClose(search);
  found.cFileName[sizeof(found.cFileName) - 1] = '\0';
  name = found.cFileName;
  return TRUE;
}

platform::BOOL Win32Platform::ReadWholeFile(std::string_view path, std::vector<char>& content) {
  std::string name(path);
  HANDLE file = ::CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return FALSE;
  DWORD result = ERROR_SUCCESS;
  // GetFileSize, not GetFileSizeEx: Windows 95 has only the former.
  DWORD sizeHigh = 0;
  ::SetLastError(ERROR_SUCCESS);  // a size whose low part reads as INVALID_FILE_SIZE is no failure
  const DWORD sizeLow = ::GetFileSize(file, &sizeHigh);
  const DWORD sizeError = sizeLow == INVALID_FILE_SIZE ? ::GetLastError() : ERROR_SUCCESS;
  if (sizeError != ERROR_SUCCESS) {
    result = sizeError;
  } else if (sizeHigh != 0 || sizeLow > 0x7FFFFFFF) {
    result = ERROR_NOT_ENOUGH_MEMORY;
  } else {
    content.assign(static_cast<std::size_t>(sizeLow), '\0');
    DWORD read = 0;
    if (!content.empty() && !::ReadFile(file, content.data(), static_cast<DWORD>(content.size()), &read, nullptr)) {
      result = ::GetLastError();
    } else if (read != content.size()) {
      result = ERROR_READ_FAULT;
    }
    if (result != ERROR_SUCCESS) content.clear();
  }
  ::CloseHandle(file);
  return Answer(result);
}

platform::BOOL Win32Platform::WriteWholeFile(std::string_view path, const char* data, std::size_t size) {
  std::string name(path);
  HANDLE file =
      ::CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return FALSE;
  DWORD result = ERROR_SUCCESS;
  while (size > 0 && result == ERROR_SUCCESS) {
    DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!::WriteFile(file, data, chunk, &written, nullptr)) {
      result = ::GetLastError();
    } else if (written != chunk) {
      result = ERROR_WRITE_FAULT;
    }
    data += chunk;
    size -= chunk;
  }
  if (!::CloseHandle(file) && result == ERROR_SUCCESS) result = ::GetLastError();
  return Answer(result);
}

platform::BOOL Win32Platform::FileExists(std::string_view path) {
  // The attributes answer what OpenFile's existence test answers, without
  // its 128-character limit on the path.
  std::string name(path);
  DWORD attributes = ::GetFileAttributesA(name.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return FALSE;
  return Answer((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ? ERROR_SUCCESS : ERROR_ACCESS_DENIED);
}

platform::BOOL Win32Platform::GetDiskFreeSpaceA(std::string_view root, platform::DWORD* sectorsPerCluster,
                                                platform::DWORD* bytesPerSector, platform::DWORD* freeClusters,
                                                platform::DWORD* totalClusters) {
  std::string text(root);
  DwordSlot spc(sectorsPerCluster), bps(bytesPerSector), freeCount(freeClusters), total(totalClusters);
  return ::GetDiskFreeSpaceA(text.empty() ? nullptr : text.c_str(), spc.get(), bps.get(), freeCount.get(), total.get());
}

platform::BOOL Win32Platform::CreateDirectoryA(std::string_view path) {
  return ::CreateDirectoryA(std::string(path).c_str(), nullptr);
}

platform::BOOL Win32Platform::RemoveDirectoryA(std::string_view path) {
  return ::RemoveDirectoryA(std::string(path).c_str());
}

platform::BOOL Win32Platform::DeleteFileA(std::string_view path) { return ::DeleteFileA(std::string(path).c_str()); }

platform::DWORD Win32Platform::GetFileAttributesA(std::string_view path) {
  return ::GetFileAttributesA(std::string(path).c_str());
}

platform::BOOL Win32Platform::SetFileAttributesA(std::string_view path, platform::DWORD attributes) {
  return ::SetFileAttributesA(std::string(path).c_str(), attributes);
}

platform::DWORD Win32Platform::GetCurrentDirectoryA(platform::DWORD size, char* buffer) {
  return ::GetCurrentDirectoryA(size, buffer);
}

platform::BOOL Win32Platform::SetCurrentDirectoryA(std::string_view path) {
  return ::SetCurrentDirectoryA(std::string(path).c_str());
}

platform::BOOL Win32Platform::MoveFileExA(std::string_view existingPath, std::string_view newPath,
                                          platform::DWORD flags) {
  const std::string existingText(existingPath), newText(newPath);
  const char* existing = existingText.c_str();
  const char* newName = newPath.empty() ? nullptr : newText.c_str();
  // Windows 95/98 answer MoveFileEx with ERROR_CALL_NOT_IMPLEMENTED: a rename
  // now is MoveFile there, a file to replace deleted first. (Work for the
  // next start has no such stand-in; callers use WININIT.INI instead.)
  if ((::GetVersion() & 0x80000000u) != 0 && newName != nullptr && (flags & MOVEFILE_DELAY_UNTIL_REBOOT) == 0) {
    if (::MoveFileA(existing, newName)) return TRUE;
    const DWORD error = ::GetLastError();
    if ((flags & MOVEFILE_REPLACE_EXISTING) == 0 || (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS)) {
      return FALSE;
    }
    if (::GetFileAttributesA(existing) == INVALID_FILE_ATTRIBUTES || !::DeleteFileA(newName)) return FALSE;
    return ::MoveFileA(existing, newName);
  }
  return ::MoveFileExA(existing, newName, flags);
}

platform::DWORD Win32Platform::GetShortPathNameA(std::string_view longPath, char* buffer, platform::DWORD size) {
  return ::GetShortPathNameA(std::string(longPath).c_str(), buffer, size);
}

platform::DWORD Win32Platform::VerInstallFileA(platform::DWORD flags, const char* srcName, const char* destName,
                                               const char* srcDir, const char* destDir, const char* curDir,
                                               char* tmpFile, platform::UINT* tmpFileLen) {
  // The header spells the names without const.
  return ::VerInstallFileA(flags, const_cast<char*>(srcName), const_cast<char*>(destName), const_cast<char*>(srcDir),
                           const_cast<char*>(destDir), const_cast<char*>(curDir), tmpFile, tmpFileLen);
}

platform::DWORD Win32Platform::GetFileVersionInfoSizeA(const char* fileName, platform::DWORD* handle) {
  DwordSlot slot(handle);
  return ::GetFileVersionInfoSizeA(fileName, slot.get());
}

platform::BOOL Win32Platform::GetFileVersionInfoA(const char* fileName, platform::DWORD handle, platform::DWORD size,
                                                  void* data) {
  return ::GetFileVersionInfoA(fileName, handle, size, data);
}

platform::BOOL Win32Platform::VerQueryValueA(const void* block, const char* subBlock, void** buffer,
                                             platform::UINT* length) {
  return ::VerQueryValueA(block, subBlock, buffer, length);
}

platform::HMODULE Win32Platform::LoadLibraryA(std::string_view name) {
  std::string text(name);
  return Portable(::LoadLibraryA(text.c_str()));
}

platform::FARPROC Win32Platform::GetProcAddress(platform::HMODULE module, std::string_view name) {
  return Portable(::GetProcAddress(Native(module), std::string(name).c_str()));
}

platform::FARPROC Win32Platform::GetProcAddressByOrdinal(platform::HMODULE module, platform::WORD ordinal) {
  return Portable(::GetProcAddress(Native(module), MAKEINTRESOURCEA(ordinal)));
}

platform::BOOL Win32Platform::FreeLibrary(platform::HMODULE module) { return ::FreeLibrary(Native(module)); }

platform::DWORD Win32Platform::GetLastError() { return ::GetLastError(); }

void Win32Platform::SetLastError(platform::DWORD code) { ::SetLastError(code); }

void Win32Platform::OutputDebugStringA(const char* text) {
  if (text == nullptr) return;
  // What the program reports leaves its own last error as it was.
  const DWORD error = ::GetLastError();
  ::OutputDebugStringA(text);
  ::SetLastError(error);
}

platform::LONG Win32Platform::RegOpenKeyExA(platform::HKEY key, const char* subKey, platform::DWORD options,
                                            platform::REGSAM desired, platform::HKEY* result) {
  ::HKEY opened = nullptr;
  LONG status = ::RegOpenKeyExA(Native(key), subKey, options, desired, &opened);
  *result = status == ERROR_SUCCESS ? Portable(opened) : nullptr;
  return status;
}

platform::LONG Win32Platform::RegCreateKeyExA(platform::HKEY key, const char* subKey, platform::DWORD options,
                                              platform::REGSAM desired, platform::HKEY* result,
                                              platform::DWORD* disposition) {
  ::HKEY created = nullptr;
  DWORD how = 0;
  LONG status = ::RegCreateKeyExA(Native(key), subKey, 0, nullptr, options, desired, nullptr, &created, &how);
  *result = status == ERROR_SUCCESS ? Portable(created) : nullptr;
  if (disposition != nullptr) *disposition = how;
  return status;
}

platform::LONG Win32Platform::RegCloseKey(platform::HKEY key) { return ::RegCloseKey(Native(key)); }

platform::LONG Win32Platform::RegEnumKeyExA(platform::HKEY key, platform::DWORD index, char* name,
                                            platform::DWORD* nameSize) {
  DwordSlot size(nameSize);
  return ::RegEnumKeyExA(Native(key), index, name, size.get(), nullptr, nullptr, nullptr, nullptr);
}

platform::LONG Win32Platform::RegEnumValueA(platform::HKEY key, platform::DWORD index, char* name,
                                            platform::DWORD* nameSize, platform::DWORD* type, platform::BYTE* data,
                                            platform::DWORD* dataSize) {
  DwordSlot size(nameSize), kind(type), length(dataSize);
  return ::RegEnumValueA(Native(key), index, name, size.get(), nullptr, kind.get(), data, length.get());
}

platform::LONG Win32Platform::RegQueryValueExA(platform::HKEY key, const char* name, platform::DWORD* type,
                                               platform::BYTE* data, platform::DWORD* dataSize) {
  DwordSlot kind(type), length(dataSize);
  return ::RegQueryValueExA(Native(key), name, nullptr, kind.get(), data, length.get());
}

platform::LONG Win32Platform::RegSetValueExA(platform::HKEY key, const char* name, platform::DWORD type,
                                             const platform::BYTE* data, platform::DWORD size) {
  return ::RegSetValueExA(Native(key), name, 0, type, data, size);
}

platform::LONG Win32Platform::RegDeleteValueA(platform::HKEY key, const char* name) {
  return ::RegDeleteValueA(Native(key), name);
}

platform::LONG Win32Platform::RegDeleteKeyA(platform::HKEY key, const char* subKey) {
  return ::RegDeleteKeyA(Native(key), subKey);
}

platform::LONG Win32Platform::RegFlushKey(platform::HKEY key) { return ::RegFlushKey(Native(key)); }

int Win32Platform::LoadStringA(platform::HMODULE module, platform::UINT id, char* buffer, int size) {
  return ::LoadStringA(reinterpret_cast<HINSTANCE>(Native(module)), id, buffer, size);
}

platform::BOOL Win32Platform::FindResourceA(platform::HMODULE module, platform::UINT id, platform::UINT type) {
  // Windows would look in the program itself: a null module holds nothing here.
  if (module == nullptr) return Answer(ERROR_INVALID_HANDLE);
  return ::FindResourceA(reinterpret_cast<HINSTANCE>(Native(module)), MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(type)) !=
         nullptr;
}

platform::HMODULE Win32Platform::GetProgramModule() { return Portable(::GetModuleHandleA(nullptr)); }

int Win32Platform::MessageBoxA(const platform::MessageBoxRequest& request) {
  // Owned by the wizard's window on top: the box stays in front of the wizard,
  // which waits for it instead of taking the keys and clicks meant for it.
  HWND owner = m_interfaces.wizard != nullptr ? reinterpret_cast<HWND>(m_interfaces.wizard->GetTopWindow()) : nullptr;
  return ::MessageBoxA(owner, request.text.c_str(), request.caption.c_str(), request.type);
}

}  // namespace win32
