// Faults on demand: wraps the registry, file system and version installer
// of a simulated machine and makes chosen calls fail the way Windows fails
// them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ascii_text.h"
#include "platform/platform.h"

namespace testing_support {

class FaultyRegistry : public platform::IRegistry {
 public:
  explicit FaultyRegistry(platform::IRegistry& inner) : m_inner(inner) {}

  // Opens and creates asking for more than these rights are refused, as for
  // a user without administrator rights.
  platform::REGSAM allowedAccess = ~platform::REGSAM{0};
  // Writes of values whose name matches fail with this code (0: none fail).
  std::string failingValue;
  platform::LONG writeFailure = 0;
  int writesRefused = 0;

  platform::LONG RegOpenKeyExA(platform::HKEY key, const char* subKey, platform::DWORD options,
                               platform::REGSAM desired, platform::HKEY* result) override {
    if ((desired & ~allowedAccess) != 0) return ERROR_ACCESS_DENIED;
    return m_inner.RegOpenKeyExA(key, subKey, options, desired, result);
  }
  platform::LONG RegCreateKeyExA(platform::HKEY key, const char* subKey, platform::DWORD options,
                                 platform::REGSAM desired, platform::HKEY* result,
                                 platform::DWORD* disposition) override {
    if ((desired & ~allowedAccess) != 0) return ERROR_ACCESS_DENIED;
    return m_inner.RegCreateKeyExA(key, subKey, options, desired, result, disposition);
  }
  platform::LONG RegCloseKey(platform::HKEY key) override { return m_inner.RegCloseKey(key); }
  platform::LONG RegFlushKey(platform::HKEY key) override { return m_inner.RegFlushKey(key); }
  platform::LONG RegEnumKeyExA(platform::HKEY key, platform::DWORD index, char* name,
                               platform::DWORD* nameSize) override {
    return m_inner.RegEnumKeyExA(key, index, name, nameSize);
  }
  platform::LONG RegEnumValueA(platform::HKEY key, platform::DWORD index, char* name, platform::DWORD* nameSize,
                               platform::DWORD* type, platform::BYTE* data, platform::DWORD* dataSize) override {
    return m_inner.RegEnumValueA(key, index, name, nameSize, type, data, dataSize);
  }
  platform::LONG RegQueryValueExA(platform::HKEY key, const char* name, platform::DWORD* type, platform::BYTE* data,
                                  platform::DWORD* dataSize) override {
    return m_inner.RegQueryValueExA(key, name, type, data, dataSize);
  }
  platform::LONG RegSetValueExA(platform::HKEY key, const char* name, platform::DWORD type,
                                const platform::BYTE* data, platform::DWORD size) override {
    if (writeFailure != 0 && name != nullptr && ascii::EqualNoCase(name, failingValue)) {
      ++writesRefused;
      return writeFailure;
    }
    return m_inner.RegSetValueExA(key, name, type, data, size);
  }
  platform::LONG RegDeleteValueA(platform::HKEY key, const char* name) override {
    return m_inner.RegDeleteValueA(key, name);
  }
  platform::LONG RegDeleteKeyA(platform::HKEY key, const char* subKey) override {
    return m_inner.RegDeleteKeyA(key, subKey);
  }

 private:
  platform::IRegistry& m_inner;
};

class FaultyVersionInstaller : public platform::IVersionInstaller {
 public:
  explicit FaultyVersionInstaller(platform::IVersionInstaller& inner) : m_inner(inner) {}

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
    const platform::DWORD r =
        m_inner.VerInstallFileA(flags, srcName, destName, srcDir, destDir, curDir, tmpFile, tmpFileLen);
    if (r == 0) installed.emplace_back(destName);
    return r;
  }
  platform::DWORD GetFileVersionInfoSizeA(const char* fileName, platform::DWORD* handle) override {
    return m_inner.GetFileVersionInfoSizeA(fileName, handle);
  }
  platform::BOOL GetFileVersionInfoA(const char* fileName, platform::DWORD handle, platform::DWORD size,
                                     void* data) override {
    return m_inner.GetFileVersionInfoA(fileName, handle, size, data);
  }
  platform::BOOL VerQueryValueA(const void* block, const char* subBlock, void** buffer,
                                platform::UINT* length) override {
    return m_inner.VerQueryValueA(block, subBlock, buffer, length);
  }

 private:
  platform::IVersionInstaller& m_inner;
};


// The error of the last call a wrapper refused, until a call passes through.
struct InjectedError {
  platform::DWORD code = 0;
};

class FaultySystemInfo : public platform::ISystemInfo {
 public:
  FaultySystemInfo(platform::ISystemInfo& inner, InjectedError& error) : m_inner(inner), m_error(error) {}

  platform::BOOL GetVersionExA(platform::OSVERSIONINFOA& info) override { return m_inner.GetVersionExA(info); }
  std::string GetModuleFileNameA() override { return m_inner.GetModuleFileNameA(); }
  platform::UINT GetACP() override { return m_inner.GetACP(); }
  int GetLocaleInfoA(platform::DWORD lcType, char* buffer, int size) override {
    return m_inner.GetLocaleInfoA(lcType, buffer, size);
  }
  platform::UINT GetWindowsDirectoryA(char* buffer, platform::UINT size) override {
    return m_inner.GetWindowsDirectoryA(buffer, size);
  }
  platform::UINT GetSystemDirectoryA(char* buffer, platform::UINT size) override {
    return m_inner.GetSystemDirectoryA(buffer, size);
  }
  platform::BOOL IsAdministratorToken() override { return m_inner.IsAdministratorToken(); }
  platform::BOOL EnableShutdownPrivilege() override { return m_inner.EnableShutdownPrivilege(); }
  platform::BOOL InitiateSystemShutdownA(const char* message, platform::DWORD timeout, platform::BOOL force,
                                         platform::BOOL reboot) override {
    return m_inner.InitiateSystemShutdownA(message, timeout, force, reboot);
  }
  int GetSystemMetrics(int index) override { return m_inner.GetSystemMetrics(index); }
  platform::BOOL EnumDisplayDevicesA(platform::DWORD device, platform::DISPLAY_DEVICEA& info) override {
    return m_inner.EnumDisplayDevicesA(device, info);
  }
  platform::DWORD GetLastError() override { return m_error.code != 0 ? m_error.code : m_inner.GetLastError(); }
  void OutputDebugStringA(const char* text) override { m_inner.OutputDebugStringA(text); }

 private:
  platform::ISystemInfo& m_inner;
  InjectedError& m_error;
};

class FaultyFileSystem : public platform::IFileSystem {
 public:
  FaultyFileSystem(platform::IFileSystem& inner, InjectedError& error) : m_inner(inner), m_error(error) {}

  // Files another program holds open (by Windows path, any case): they can
  // be neither deleted nor written, as Windows answers with a sharing violation.
  std::vector<std::string> heldFiles;

  platform::DWORD ReadWholeFile(std::string_view path, std::vector<char>& content) override {
    return Pass(), m_inner.ReadWholeFile(path, content);
  }
  platform::DWORD WriteWholeFile(std::string_view path, const char* data, std::size_t size) override {
    if (IsHeld(path)) return ERROR_SHARING_VIOLATION;
    return Pass(), m_inner.WriteWholeFile(path, data, size);
  }
  bool FileExists(std::string_view path) override { return Pass(), m_inner.FileExists(path); }
  std::string FindFirstFileName(std::string_view pattern) override { return Pass(), m_inner.FindFirstFileName(pattern); }
  platform::BOOL GetDiskFreeSpaceA(std::string_view root, platform::DWORD* sectorsPerCluster,
                                   platform::DWORD* bytesPerSector, platform::DWORD* freeClusters,
                                   platform::DWORD* totalClusters) override {
    return Pass(), m_inner.GetDiskFreeSpaceA(root, sectorsPerCluster, bytesPerSector, freeClusters, totalClusters);
  }
  platform::BOOL CreateDirectoryA(std::string_view path) override { return Pass(), m_inner.CreateDirectoryA(path); }
  platform::BOOL RemoveDirectoryA(std::string_view path) override { return Pass(), m_inner.RemoveDirectoryA(path); }
  platform::BOOL DeleteFileA(std::string_view path) override {
    if (IsHeld(path)) {
      m_error.code = ERROR_SHARING_VIOLATION;
      return FALSE;
    }
    return Pass(), m_inner.DeleteFileA(path);
  }
  platform::DWORD GetFileAttributesA(std::string_view path) override {
    return Pass(), m_inner.GetFileAttributesA(path);
  }
  platform::BOOL SetFileAttributesA(std::string_view path, platform::DWORD attributes) override {
    return Pass(), m_inner.SetFileAttributesA(path, attributes);
  }
  platform::DWORD GetCurrentDirectoryA(platform::DWORD size, char* buffer) override {
    return Pass(), m_inner.GetCurrentDirectoryA(size, buffer);
  }
  platform::BOOL SetCurrentDirectoryA(std::string_view path) override {
    return Pass(), m_inner.SetCurrentDirectoryA(path);
  }
  platform::BOOL MoveFileExA(const char* existing, const char* newName, platform::DWORD flags) override {
    return Pass(), m_inner.MoveFileExA(existing, newName, flags);
  }
  platform::DWORD GetShortPathNameA(const char* longPath, char* buffer, platform::DWORD size) override {
    return Pass(), m_inner.GetShortPathNameA(longPath, buffer, size);
  }

 private:
  void Pass() { m_error.code = 0; }
  bool IsHeld(std::string_view path) const {
    for (const std::string& held : heldFiles) {
      if (ascii::EqualNoCase(held, path)) return true;
    }
    return false;
  }

  platform::IFileSystem& m_inner;
  InjectedError& m_error;
};

class FaultyPlatform {
 public:
  // Wraps a simulated machine's interfaces in place, for its lifetime: what
  // holds them (a program already running) meets the faults too.
  explicit FaultyPlatform(platform::Platform& target)
      : system(*target.system, m_error),
        files(*target.files, m_error),
        registry(*target.registry),
        versions(*target.versions),
        m_target(target),
        m_original(target) {
    target.system = &system;
    target.files = &files;
    target.registry = &registry;
    target.versions = &versions;
  }
  ~FaultyPlatform() { m_target = m_original; }
  FaultyPlatform(const FaultyPlatform&) = delete;
  FaultyPlatform& operator=(const FaultyPlatform&) = delete;

 private:
  InjectedError m_error;

 public:
  FaultySystemInfo system;
  FaultyFileSystem files;
  FaultyRegistry registry;
  FaultyVersionInstaller versions;

 private:
  platform::Platform& m_target;
  platform::Platform m_original;
};

}  // namespace testing_support
