// Faults on demand: wraps every interface of a platform and makes chosen
// calls fail the way Windows fails them: particular ones (a held file, a
// value that cannot be written, a disk that fills) or simply the Nth call of
// any interface, for fault loops that fail each call of a run in turn.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ascii_text.h"
#include "platform/platform.h"

namespace testing_support {

// The calls of all wrappers of one platform, counted in one sequence, and
// the error GetLastError answers after a refused call.
struct FaultState {
  // The call that fails (1 the first; 0 none) and the calls counted so far.
  long failAt = 0;
  long calls = 0;
  // The call that failed, for the test's messages.
  std::string failedCall;
  // The error of the last call a wrapper refused, until a call passes through.
  platform::DWORD injected = 0;

  // Counts one call; true when it is the one to fail, which then leaves
  // `error` for GetLastError (0: the call reports its error itself).
  bool Fails(const char* call, platform::DWORD error) {
    if (++calls == failAt) {
      failedCall = call;
      injected = error;
      return true;
    }
    injected = 0;
    return false;
  }
  void Refuse(platform::DWORD error) { injected = error; }
};

// E_OUTOFMEMORY and E_ACCESSDENIED.
inline constexpr platform::HRESULT kOutOfMemory = platform::ResultFromWin32(14);
inline constexpr platform::HRESULT kAccessDenied = platform::ResultFromWin32(ERROR_ACCESS_DENIED);

class FaultyRegistry : public platform::IRegistry {
 public:
  FaultyRegistry(platform::IRegistry* inner, FaultState& state) : m_inner(inner), m_state(state) {}

  // Opens and creates asking for more than these rights are refused, as for
  // a user without administrator rights.
  platform::REGSAM allowedAccess = ~platform::REGSAM{0};
  // Writes of values whose name matches fail with this code (0: none fail).
  std::string failingValue;
  platform::LONG writeFailure = 0;
  int writesRefused = 0;

  platform::LONG RegOpenKeyExA(platform::HKEY key, const char* subKey, platform::DWORD options,
                               platform::REGSAM desired, platform::HKEY* result) override {
    if ((desired & ~allowedAccess) != 0 || Fails("RegOpenKeyExA")) return ERROR_ACCESS_DENIED;
    return m_inner->RegOpenKeyExA(key, subKey, options, desired, result);
  }
  platform::LONG RegCreateKeyExA(platform::HKEY key, const char* subKey, platform::DWORD options,
                                 platform::REGSAM desired, platform::HKEY* result,
                                 platform::DWORD* disposition) override {
    if ((desired & ~allowedAccess) != 0 || Fails("RegCreateKeyExA")) return ERROR_ACCESS_DENIED;
    return m_inner->RegCreateKeyExA(key, subKey, options, desired, result, disposition);
  }
  // Closing cannot fail in a way the caller could act on: never refused.
  platform::LONG RegCloseKey(platform::HKEY key) override { return m_inner->RegCloseKey(key); }
  platform::LONG RegFlushKey(platform::HKEY key) override {
    if (Fails("RegFlushKey")) return ERROR_ACCESS_DENIED;
    return m_inner->RegFlushKey(key);
  }
  platform::LONG RegEnumKeyExA(platform::HKEY key, platform::DWORD index, char* name,
                               platform::DWORD* nameSize) override {
    if (Fails("RegEnumKeyExA")) return ERROR_NOT_ENOUGH_MEMORY;
    return m_inner->RegEnumKeyExA(key, index, name, nameSize);
  }
  platform::LONG RegEnumValueA(platform::HKEY key, platform::DWORD index, char* name, platform::DWORD* nameSize,
                               platform::DWORD* type, platform::BYTE* data, platform::DWORD* dataSize) override {
    if (Fails("RegEnumValueA")) return ERROR_NOT_ENOUGH_MEMORY;
    return m_inner->RegEnumValueA(key, index, name, nameSize, type, data, dataSize);
  }
  platform::LONG RegQueryValueExA(platform::HKEY key, const char* name, platform::DWORD* type, platform::BYTE* data,
                                  platform::DWORD* dataSize) override {
    if (Fails("RegQueryValueExA")) return ERROR_NOT_ENOUGH_MEMORY;
    return m_inner->RegQueryValueExA(key, name, type, data, dataSize);
  }
  platform::LONG RegSetValueExA(platform::HKEY key, const char* name, platform::DWORD type,
                                const platform::BYTE* data, platform::DWORD size) override {
    if (writeFailure != 0 && name != nullptr && ascii::EqualNoCase(name, failingValue)) {
      ++writesRefused;
      return writeFailure;
    }
    if (Fails("RegSetValueExA")) return ERROR_ACCESS_DENIED;
    return m_inner->RegSetValueExA(key, name, type, data, size);
  }
  platform::LONG RegDeleteValueA(platform::HKEY key, const char* name) override {
    if (Fails("RegDeleteValueA")) return ERROR_ACCESS_DENIED;
    return m_inner->RegDeleteValueA(key, name);
  }
  platform::LONG RegDeleteKeyA(platform::HKEY key, const char* subKey) override {
    if (Fails("RegDeleteKeyA")) return ERROR_ACCESS_DENIED;
    return m_inner->RegDeleteKeyA(key, subKey);
  }

 private:
  // The registry answers its error; GetLastError keeps what it had.
  bool Fails(const char* call) { return m_state.Fails(call, 0); }

  platform::IRegistry* m_inner;
  FaultState& m_state;
};

class FaultyVersionInstaller : public platform::IVersionInstaller {
 public:
  FaultyVersionInstaller(platform::IVersionInstaller* inner, FaultState& state) : m_inner(inner), m_state(state) {}

  // The destination disk fills after this many files went in (-1: never).
  int filesBeforeDiskFull = -1;
  // Source files (by name, any case) that cannot be read.
  std::vector<std::string> unreadableSources;
  std::vector<std::string> installed;

  platform::DWORD VerInstallFileA(platform::DWORD flags, const char* srcName, const char* destName,
                                  const char* srcDir, const char* destDir, const char* curDir, char* tmpFile,
                                  platform::UINT* tmpFileLen) override {
    for (const std::string& name : unreadableSources) {
      if (ascii::EqualNoCase(name, srcName)) return VIF_CANNOTREADSRC;
    }
    if (filesBeforeDiskFull >= 0 && static_cast<int>(installed.size()) >= filesBeforeDiskFull) {
      return VIF_OUTOFSPACE;
    }
    // The destination cannot be made: nothing written there.
    if (m_state.Fails("VerInstallFileA", ERROR_ACCESS_DENIED)) return VIF_CANNOTCREATE;
    const platform::DWORD r =
        m_inner->VerInstallFileA(flags, srcName, destName, srcDir, destDir, curDir, tmpFile, tmpFileLen);
    if (r == 0) installed.emplace_back(destName);
    return r;
  }
  platform::DWORD GetFileVersionInfoSizeA(const char* fileName, platform::DWORD* handle) override {
    if (m_state.Fails("GetFileVersionInfoSizeA", ERROR_ACCESS_DENIED)) return 0;
    return m_inner->GetFileVersionInfoSizeA(fileName, handle);
  }
  platform::BOOL GetFileVersionInfoA(const char* fileName, platform::DWORD handle, platform::DWORD size,
                                     void* data) override {
    if (m_state.Fails("GetFileVersionInfoA", ERROR_ACCESS_DENIED)) return FALSE;
    return m_inner->GetFileVersionInfoA(fileName, handle, size, data);
  }
  platform::BOOL VerQueryValueA(const void* block, const char* subBlock, void** buffer,
                                platform::UINT* length) override {
    if (m_state.Fails("VerQueryValueA", 0)) return FALSE;
    return m_inner->VerQueryValueA(block, subBlock, buffer, length);
  }

 private:
  platform::IVersionInstaller* m_inner;
  FaultState& m_state;
};

class FaultySystemInfo : public platform::ISystemInfo {
 public:
  FaultySystemInfo(platform::ISystemInfo* inner, FaultState& state) : m_inner(inner), m_state(state) {}

  platform::BOOL GetVersionExA(platform::OSVERSIONINFOA& info) override {
    if (m_state.Fails("GetVersionExA", ERROR_INSUFFICIENT_BUFFER)) return FALSE;
    return m_inner->GetVersionExA(info);
  }
  platform::DWORD GetModuleFileNameA(char* buffer, platform::DWORD size) override {
    if (m_state.Fails("GetModuleFileNameA", ERROR_NOT_ENOUGH_MEMORY)) return 0;
    return m_inner->GetModuleFileNameA(buffer, size);
  }
  // Windows answers these from what it holds in memory: never refused.
  platform::UINT GetACP() override { return m_inner->GetACP(); }
  int GetSystemMetrics(int index) override { return m_inner->GetSystemMetrics(index); }
  void OutputDebugStringA(const char* text) override { m_inner->OutputDebugStringA(text); }
  int GetLocaleInfoA(platform::DWORD lcType, char* buffer, int size) override {
    if (m_state.Fails("GetLocaleInfoA", ERROR_NOT_ENOUGH_MEMORY)) return 0;
    return m_inner->GetLocaleInfoA(lcType, buffer, size);
  }
  platform::UINT GetWindowsDirectoryA(char* buffer, platform::UINT size) override {
    if (m_state.Fails("GetWindowsDirectoryA", ERROR_NOT_ENOUGH_MEMORY)) return 0;
    return m_inner->GetWindowsDirectoryA(buffer, size);
  }
  platform::UINT GetSystemDirectoryA(char* buffer, platform::UINT size) override {
    if (m_state.Fails("GetSystemDirectoryA", ERROR_NOT_ENOUGH_MEMORY)) return 0;
    return m_inner->GetSystemDirectoryA(buffer, size);
  }
  platform::BOOL IsAdministratorToken() override {
    if (m_state.Fails("IsAdministratorToken", ERROR_ACCESS_DENIED)) return FALSE;
    return m_inner->IsAdministratorToken();
  }
  platform::BOOL EnableShutdownPrivilege() override {
    if (m_state.Fails("EnableShutdownPrivilege", ERROR_ACCESS_DENIED)) return FALSE;
    return m_inner->EnableShutdownPrivilege();
  }
  platform::BOOL InitiateSystemShutdownA(const char* message, platform::DWORD timeout, platform::BOOL force,
                                         platform::BOOL reboot) override {
    if (m_state.Fails("InitiateSystemShutdownA", ERROR_ACCESS_DENIED)) return FALSE;
    return m_inner->InitiateSystemShutdownA(message, timeout, force, reboot);
  }
  platform::BOOL EnumDisplayDevicesA(platform::DWORD device, platform::DISPLAY_DEVICEA& info) override {
    if (m_state.Fails("EnumDisplayDevicesA", ERROR_NOT_ENOUGH_MEMORY)) return FALSE;
    return m_inner->EnumDisplayDevicesA(device, info);
  }
  platform::DWORD GetLastError() override {
    return m_state.injected != 0 ? m_state.injected : m_inner->GetLastError();
  }
  // A code set now replaces a refused call's.
  void SetLastError(platform::DWORD code) override {
    m_state.injected = 0;
    m_inner->SetLastError(code);
  }

 private:
  platform::ISystemInfo* m_inner;
  FaultState& m_state;
};

class FaultyFileSystem : public platform::IFileSystem {
 public:
  FaultyFileSystem(platform::IFileSystem* inner, FaultState& state) : m_inner(inner), m_state(state) {}

  // Files another program holds open (by Windows path, any case): they can
  // be neither deleted nor written, as Windows answers with a sharing violation.
  std::vector<std::string> heldFiles;

  platform::BOOL ReadWholeFile(std::string_view path, std::vector<char>& content) override {
    if (Fails("ReadWholeFile", ERROR_ACCESS_DENIED)) return FALSE;
    return m_inner->ReadWholeFile(path, content);
  }
  platform::BOOL WriteWholeFile(std::string_view path, const char* data, std::size_t size) override {
    if (IsHeld(path)) {
      m_state.Refuse(ERROR_SHARING_VIOLATION);
      return FALSE;
    }
    if (Fails("WriteWholeFile", ERROR_ACCESS_DENIED)) return FALSE;
    return m_inner->WriteWholeFile(path, data, size);
  }
  platform::BOOL FileExists(std::string_view path) override {
    if (Fails("FileExists", ERROR_ACCESS_DENIED)) return FALSE;
    return m_inner->FileExists(path);
  }
  platform::BOOL FindFirstFileName(std::string_view pattern, std::string& name) override {
    if (Fails("FindFirstFileName", ERROR_NOT_ENOUGH_MEMORY)) return FALSE;
    return m_inner->FindFirstFileName(pattern, name);
  }
  platform::BOOL GetDiskFreeSpaceA(std::string_view root, platform::DWORD* sectorsPerCluster,
                                   platform::DWORD* bytesPerSector, platform::DWORD* freeClusters,
                                   platform::DWORD* totalClusters) override {
    if (Fails("GetDiskFreeSpaceA", ERROR_NOT_READY)) return FALSE;
    return m_inner->GetDiskFreeSpaceA(root, sectorsPerCluster, bytesPerSector, freeClusters, totalClusters);
  }
  platform::BOOL CreateDirectoryA(std::string_view path) override {
    if (Fails("CreateDirectoryA", ERROR_ACCESS_DENIED)) return FALSE;
    return m_inner->CreateDirectoryA(path);
  }
  platform::BOOL RemoveDirectoryA(std::string_view path) override {
    if (Fails("RemoveDirectoryA", ERROR_ACCESS_DENIED)) return FALSE;
    return m_inner->RemoveDirectoryA(path);
  }
  platform::BOOL DeleteFileA(std::string_view path) override {
    if (IsHeld(path)) {
      m_state.Refuse(ERROR_SHARING_VIOLATION);
      return FALSE;
    }
    if (Fails("DeleteFileA", ERROR_ACCESS_DENIED)) return FALSE;
    return m_inner->DeleteFileA(path);
  }
  platform::DWORD GetFileAttributesA(std::string_view path) override {
    if (Fails("GetFileAttributesA", ERROR_ACCESS_DENIED)) return INVALID_FILE_ATTRIBUTES;
    return m_inner->GetFileAttributesA(path);
  }
  platform::BOOL SetFileAttributesA(std::string_view path, platform::DWORD attributes) override {
    if (Fails("SetFileAttributesA", ERROR_ACCESS_DENIED)) return FALSE;
    return m_inner->SetFileAttributesA(path, attributes);
  }
  platform::DWORD GetCurrentDirectoryA(platform::DWORD size, char* buffer) override {
    if (Fails("GetCurrentDirectoryA", ERROR_NOT_ENOUGH_MEMORY)) return 0;
    return m_inner->GetCurrentDirectoryA(size, buffer);
  }
  platform::BOOL SetCurrentDirectoryA(std::string_view path) override {
    if (Fails("SetCurrentDirectoryA", ERROR_ACCESS_DENIED)) return FALSE;
    return m_inner->SetCurrentDirectoryA(path);
  }
  platform::BOOL MoveFileExA(std::string_view existing, std::string_view newName, platform::DWORD flags) override {
    if (Fails("MoveFileExA", ERROR_ACCESS_DENIED)) return FALSE;
    return m_inner->MoveFileExA(existing, newName, flags);
  }
  platform::DWORD GetShortPathNameA(std::string_view longPath, char* buffer, platform::DWORD size) override {
    if (Fails("GetShortPathNameA", ERROR_ACCESS_DENIED)) return 0;
    return m_inner->GetShortPathNameA(longPath, buffer, size);
  }

 private:
  bool Fails(const char* call, platform::DWORD error) { return m_state.Fails(call, error); }
  bool IsHeld(std::string_view path) const {
    for (const std::string& held : heldFiles) {
      if (ascii::EqualNoCase(held, path)) return true;
    }
    return false;
  }

  platform::IFileSystem* m_inner;
  FaultState& m_state;
};

class FaultyLibraryLoader : public platform::ILibraryLoader {
 public:
  FaultyLibraryLoader(platform::ILibraryLoader* inner, FaultState& state) : m_inner(inner), m_state(state) {}

  platform::HMODULE LoadLibraryA(std::string_view name) override {
    if (m_state.Fails("LoadLibraryA", ERROR_NOT_ENOUGH_MEMORY)) return nullptr;
    return m_inner->LoadLibraryA(name);
  }
  platform::FARPROC GetProcAddress(platform::HMODULE module, std::string_view name) override {
    if (m_state.Fails("GetProcAddress", ERROR_PROC_NOT_FOUND)) return nullptr;
    return m_inner->GetProcAddress(module, name);
  }
  platform::FARPROC GetProcAddressByOrdinal(platform::HMODULE module, platform::WORD ordinal) override {
    if (m_state.Fails("GetProcAddressByOrdinal", ERROR_PROC_NOT_FOUND)) return nullptr;
    return m_inner->GetProcAddressByOrdinal(module, ordinal);
  }
  // Releasing is never refused: the caller could do nothing but leak.
  platform::BOOL FreeLibrary(platform::HMODULE module) override { return m_inner->FreeLibrary(module); }

 private:
  platform::ILibraryLoader* m_inner;
  FaultState& m_state;
};

class FaultyResources : public platform::IResources {
 public:
  FaultyResources(platform::IResources* inner, FaultState& state) : m_inner(inner), m_state(state) {}

  int LoadStringA(platform::HMODULE module, platform::UINT id, char* buffer, int size) override {
    if (m_state.Fails("LoadStringA", ERROR_NOT_ENOUGH_MEMORY)) {
      if (buffer != nullptr && size > 0) buffer[0] = '\0';
      return 0;
    }
    return m_inner->LoadStringA(module, id, buffer, size);
  }
  platform::BOOL FindResourceA(platform::HMODULE module, platform::UINT id, platform::UINT type) override {
    if (m_state.Fails("FindResourceA", ERROR_NOT_ENOUGH_MEMORY)) return FALSE;
    return m_inner->FindResourceA(module, id, type);
  }
  // The running program's own module is always there.
  platform::HMODULE GetProgramModule() override { return m_inner->GetProgramModule(); }

 private:
  platform::IResources* m_inner;
  FaultState& m_state;
};

class FaultyUserInterface : public platform::IUserInterface {
 public:
  FaultyUserInterface(platform::IUserInterface* inner, FaultState& state) : m_inner(inner), m_state(state) {}

  // A box that cannot be shown answers 0, none of the buttons.
  int MessageBoxA(const platform::MessageBoxRequest& request) override {
    if (m_state.Fails("MessageBoxA", ERROR_NOT_ENOUGH_MEMORY)) return 0;
    return m_inner->MessageBoxA(request);
  }

 private:
  platform::IUserInterface* m_inner;
  FaultState& m_state;
};

class FaultyProfileFiles : public platform::IProfileFiles {
 public:
  FaultyProfileFiles(platform::IProfileFiles* inner, FaultState& state) : m_inner(inner), m_state(state) {}

  // A file that cannot be read answers as an empty one: the default, or an
  // empty list.
  platform::DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                                           char* buffer, platform::DWORD size, const char* fileName) override {
    if (m_state.Fails("GetPrivateProfileStringA", ERROR_ACCESS_DENIED)) {
      if (buffer == nullptr || size == 0) return 0;
      if (section == nullptr || key == nullptr) {
        buffer[0] = '\0';
        if (size > 1) buffer[1] = '\0';
        return 0;
      }
      const std::size_t length =
          defaultValue == nullptr ? 0 : std::min<std::size_t>(std::strlen(defaultValue), size - 1);
      if (length > 0) std::memcpy(buffer, defaultValue, length);
      buffer[length] = '\0';
      return static_cast<platform::DWORD>(length);
    }
    return m_inner->GetPrivateProfileStringA(section, key, defaultValue, buffer, size, fileName);
  }
  platform::UINT GetPrivateProfileIntA(const char* section, const char* key, int defaultValue,
                                       const char* fileName) override {
    if (m_state.Fails("GetPrivateProfileIntA", ERROR_ACCESS_DENIED)) return static_cast<platform::UINT>(defaultValue);
    return m_inner->GetPrivateProfileIntA(section, key, defaultValue, fileName);
  }
  platform::DWORD GetPrivateProfileSectionA(const char* section, char* buffer, platform::DWORD size,
                                            const char* fileName) override {
    if (m_state.Fails("GetPrivateProfileSectionA", ERROR_ACCESS_DENIED)) {
      if (buffer != nullptr && size > 0) buffer[0] = '\0';
      if (buffer != nullptr && size > 1) buffer[1] = '\0';
      return 0;
    }
    return m_inner->GetPrivateProfileSectionA(section, buffer, size, fileName);
  }
  platform::BOOL WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                            const char* fileName) override {
    if (m_state.Fails("WritePrivateProfileStringA", ERROR_ACCESS_DENIED)) return FALSE;
    return m_inner->WritePrivateProfileStringA(section, key, value, fileName);
  }
  platform::BOOL WritePrivateProfileSectionA(const char* section, const char* lines, const char* fileName) override {
    if (m_state.Fails("WritePrivateProfileSectionA", ERROR_ACCESS_DENIED)) return FALSE;
    return m_inner->WritePrivateProfileSectionA(section, lines, fileName);
  }

 private:
  platform::IProfileFiles* m_inner;
  FaultState& m_state;
};

class FaultyProcesses : public platform::IProcesses {
 public:
  FaultyProcesses(platform::IProcesses* inner, FaultState& state) : m_inner(inner), m_state(state) {}

  platform::BOOL CreateProcessA(std::string_view commandLine, platform::DWORD creationFlags,
                                platform::PROCESS_INFORMATION& info) override {
    if (m_state.Fails("CreateProcessA", ERROR_NOT_ENOUGH_MEMORY)) return FALSE;
    return m_inner->CreateProcessA(commandLine, creationFlags, info);
  }
  platform::DWORD WaitForSingleObject(platform::HANDLE handle, platform::DWORD milliseconds) override {
    if (m_state.Fails("WaitForSingleObject", ERROR_ACCESS_DENIED)) return WAIT_FAILED;
    return m_inner->WaitForSingleObject(handle, milliseconds);
  }
  platform::BOOL GetExitCodeProcess(platform::HANDLE process, platform::DWORD* exitCode) override {
    if (m_state.Fails("GetExitCodeProcess", ERROR_ACCESS_DENIED)) return FALSE;
    return m_inner->GetExitCodeProcess(process, exitCode);
  }
  // Releasing and waiting are never refused.
  platform::BOOL CloseHandle(platform::HANDLE handle) override { return m_inner->CloseHandle(handle); }
  void Sleep(platform::DWORD milliseconds) override { m_inner->Sleep(milliseconds); }
  platform::HWND FindWindowA(std::string_view className, std::string_view windowName) override {
    if (m_state.Fails("FindWindowA", ERROR_NOT_ENOUGH_MEMORY)) return nullptr;
    return m_inner->FindWindowA(className, windowName);
  }
  int GetWindowTextA(platform::HWND window, char* buffer, int size) override {
    if (m_state.Fails("GetWindowTextA", ERROR_ACCESS_DENIED)) {
      if (buffer != nullptr && size > 0) buffer[0] = '\0';
      return 0;
    }
    return m_inner->GetWindowTextA(window, buffer, size);
  }
  platform::BOOL BringWindowToTop(platform::HWND window) override {
    if (m_state.Fails("BringWindowToTop", ERROR_ACCESS_DENIED)) return FALSE;
    return m_inner->BringWindowToTop(window);
  }
  // Its answer is whether the window was visible, not success.
  platform::BOOL ShowWindow(platform::HWND window, int command) override { return m_inner->ShowWindow(window, command); }
  platform::BOOL PeekMessageA(platform::MSG* message, platform::HWND window, platform::UINT filterMin,
                              platform::UINT filterMax, platform::UINT removeFlags) override {
    if (m_state.Fails("PeekMessageA", ERROR_NOT_ENOUGH_MEMORY)) return FALSE;
    return m_inner->PeekMessageA(message, window, filterMin, filterMax, removeFlags);
  }

 private:
  platform::IProcesses* m_inner;
  FaultState& m_state;
};

class FaultyShellLinkObject : public platform::IShellLinkObject {
 public:
  FaultyShellLinkObject(std::unique_ptr<platform::IShellLinkObject> inner, FaultState& state)
      : m_inner(std::move(inner)), m_state(state) {}

  platform::HRESULT SetDescription(const char* description) override {
    return Fails("SetDescription") ? kOutOfMemory : m_inner->SetDescription(description);
  }
  platform::HRESULT SetPath(const char* path) override { return Fails("SetPath") ? kOutOfMemory : m_inner->SetPath(path); }
  platform::HRESULT SetArguments(const char* arguments) override {
    return Fails("SetArguments") ? kOutOfMemory : m_inner->SetArguments(arguments);
  }
  platform::HRESULT SetWorkingDirectory(const char* folder) override {
    return Fails("SetWorkingDirectory") ? kOutOfMemory : m_inner->SetWorkingDirectory(folder);
  }
  platform::HRESULT SetIconLocation(const char* iconPath, int iconIndex) override {
    return Fails("SetIconLocation") ? kOutOfMemory : m_inner->SetIconLocation(iconPath, iconIndex);
  }
  platform::HRESULT GetDescription(char* buffer, int size) override {
    return Fails("GetDescription") ? Empty(buffer, size) : m_inner->GetDescription(buffer, size);
  }
  platform::HRESULT GetPath(char* buffer, int size) override {
    return Fails("GetPath") ? Empty(buffer, size) : m_inner->GetPath(buffer, size);
  }
  platform::HRESULT GetArguments(char* buffer, int size) override {
    return Fails("GetArguments") ? Empty(buffer, size) : m_inner->GetArguments(buffer, size);
  }
  platform::HRESULT GetWorkingDirectory(char* buffer, int size) override {
    return Fails("GetWorkingDirectory") ? Empty(buffer, size) : m_inner->GetWorkingDirectory(buffer, size);
  }
  platform::HRESULT GetIconLocation(char* buffer, int size, int* iconIndex) override {
    return Fails("GetIconLocation") ? Empty(buffer, size) : m_inner->GetIconLocation(buffer, size, iconIndex);
  }
  // The link file cannot be written or read.
  platform::HRESULT Save(const char* fileName, platform::BOOL remember) override {
    return Fails("Save") ? kAccessDenied : m_inner->Save(fileName, remember);
  }
  platform::HRESULT Load(const char* fileName) override {
    return Fails("Load") ? kAccessDenied : m_inner->Load(fileName);
  }

 private:
  bool Fails(const char* call) { return m_state.Fails(call, 0); }
  static platform::HRESULT Empty(char* buffer, int size) {
    if (buffer != nullptr && size > 0) buffer[0] = '\0';
    return kOutOfMemory;
  }

  std::unique_ptr<platform::IShellLinkObject> m_inner;
  FaultState& m_state;
};

class FaultyShellLinks : public platform::IShellLinks {
 public:
  FaultyShellLinks(platform::IShellLinks* inner, FaultState& state) : m_inner(inner), m_state(state) {}

  platform::HRESULT CoInitialize() override {
    if (m_state.Fails("CoInitialize", 0)) return kOutOfMemory;
    return m_inner->CoInitialize();
  }
  void CoUninitialize() override { m_inner->CoUninitialize(); }
  // The link objects it makes fail their calls in the same count.
  platform::HRESULT CreateShellLink(std::unique_ptr<platform::IShellLinkObject>& link) override {
    if (m_state.Fails("CreateShellLink", 0)) {
      link.reset();
      return kOutOfMemory;
    }
    std::unique_ptr<platform::IShellLinkObject> inner;
    const platform::HRESULT result = m_inner->CreateShellLink(inner);
    if (inner) {
      link = std::make_unique<FaultyShellLinkObject>(std::move(inner), m_state);
    } else {
      link.reset();
    }
    return result;
  }

 private:
  platform::IShellLinks* m_inner;
  FaultState& m_state;
};

class FaultyWizardHost : public platform::IWizardHost {
 public:
  FaultyWizardHost(platform::IWizardHost* inner, FaultState& state) : m_inner(inner), m_state(state) {}

  // A property sheet or dialog that cannot be made answers -1.
  int RunWizard(platform::IWizardSheet& sheet) override {
    if (m_state.Fails("RunWizard", ERROR_NOT_ENOUGH_MEMORY)) return -1;
    return m_inner->RunWizard(sheet);
  }
  int RunDialog(platform::IModalDialog& dialog) override {
    if (m_state.Fails("RunDialog", ERROR_NOT_ENOUGH_MEMORY)) return -1;
    return m_inner->RunDialog(dialog);
  }
  platform::HWND GetTopWindow() override { return m_inner->GetTopWindow(); }

 private:
  platform::IWizardHost* m_inner;
  FaultState& m_state;
};

// Every interface of a platform, wrapped. Hand Wrapped() to the code under
// test; an interface the inner platform lacks stays missing.
class FaultyPlatform {
 public:
  explicit FaultyPlatform(const platform::Platform& inner)
      : m_inner(inner),
        system(inner.system, state),
        files(inner.files, state),
        libraries(inner.libraries, state),
        registry(inner.registry, state),
        resources(inner.resources, state),
        ui(inner.ui, state),
        profiles(inner.profiles, state),
        processes(inner.processes, state),
        shellLinks(inner.shellLinks, state),
        versions(inner.versions, state),
        wizard(inner.wizard, state) {
    m_wrapped.system = inner.system ? &system : nullptr;
    m_wrapped.files = inner.files ? &files : nullptr;
    m_wrapped.libraries = inner.libraries ? &libraries : nullptr;
    m_wrapped.registry = inner.registry ? &registry : nullptr;
    m_wrapped.resources = inner.resources ? &resources : nullptr;
    m_wrapped.ui = inner.ui ? &ui : nullptr;
    m_wrapped.profiles = inner.profiles ? &profiles : nullptr;
    m_wrapped.processes = inner.processes ? &processes : nullptr;
    m_wrapped.shellLinks = inner.shellLinks ? &shellLinks : nullptr;
    m_wrapped.versions = inner.versions ? &versions : nullptr;
    m_wrapped.wizard = inner.wizard ? &wizard : nullptr;
  }
  // Wraps the set `target` points to in place, for its lifetime: what holds
  // it (a program already running) meets the faults too.
  explicit FaultyPlatform(platform::Platform* target) : FaultyPlatform(*target) {
    m_target = target;
    *target = m_wrapped;
  }
  ~FaultyPlatform() {
    if (m_target != nullptr) *m_target = m_inner;
  }
  FaultyPlatform(const FaultyPlatform&) = delete;
  FaultyPlatform& operator=(const FaultyPlatform&) = delete;

  const platform::Platform& Wrapped() const { return m_wrapped; }

  // Fails the Nth call counted from now (1 the next; 0 none).
  void FailCall(long n) {
    state.calls = 0;
    state.failAt = n;
    state.failedCall.clear();
  }

 private:
  // The set wrapped; back in place when a FaultyPlatform that wrapped in place goes.
  const platform::Platform m_inner;

 public:
  FaultState state;
  FaultySystemInfo system;
  FaultyFileSystem files;
  FaultyLibraryLoader libraries;
  FaultyRegistry registry;
  FaultyResources resources;
  FaultyUserInterface ui;
  FaultyProfileFiles profiles;
  FaultyProcesses processes;
  FaultyShellLinks shellLinks;
  FaultyVersionInstaller versions;
  FaultyWizardHost wizard;

 private:
  platform::Platform m_wrapped;
  platform::Platform* m_target = nullptr;
};

}  // namespace testing_support
