// The platform interfaces answered by the real Win32 calls: a thin layer that
// adapts types and adds no behaviour of its own.
#pragma once

#include "platform/platform.h"
#include "platform/win32/win32_processes.h"
#include "platform/win32/win32_profile_files.h"
#include "platform/win32/win32_shell_links.h"

namespace win32 {

class Win32Platform final : public platform::ISystemInfo,
                            public platform::IFileSystem,
                            public platform::ILibraryLoader,
                            public platform::IRegistry,
                            public platform::IResources,
                            public platform::IUserInterface,
                            public platform::IVersionInstaller {
 public:
  Win32Platform();
  ~Win32Platform() override = default;
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

  // The interfaces the program runs against, to hand to it.
  const platform::Platform& Interfaces() const { return m_interfaces; }
  // The page host the program's wizard runs in (owned by the caller; it
  // must outlive the run), or nullptr.
  void SetWizardHost(platform::IWizardHost* host);

  platform::BOOL GetVersionExA(platform::OSVERSIONINFOA& info) override;
  platform::DWORD GetModuleFileNameA(char* buffer, platform::DWORD size) override;
  platform::UINT GetACP() override;
  platform::UINT GetWindowsDirectoryA(char* buffer, platform::UINT size) override;
  platform::UINT GetSystemDirectoryA(char* buffer, platform::UINT size) override;
  int GetLocaleInfoA(platform::DWORD lcType, char* buffer, int size) override;
  platform::BOOL IsAdministratorToken() override;
  platform::BOOL EnableShutdownPrivilege() override;
  platform::BOOL InitiateSystemShutdownA(const char* message, platform::DWORD timeout, platform::BOOL forceAppsClosed,
                                         platform::BOOL rebootAfterShutdown) override;
  platform::DWORD GetLastError() override;
  void SetLastError(platform::DWORD code) override;
  void OutputDebugStringA(const char* text) override;
  int GetSystemMetrics(int index) override;
  platform::BOOL EnumDisplayDevicesA(platform::DWORD device, platform::DISPLAY_DEVICEA& info) override;

  platform::BOOL ReadWholeFile(std::string_view path, std::vector<char>& content) override;
  platform::BOOL WriteWholeFile(std::string_view path, const char* data, std::size_t size) override;
  platform::BOOL FileExists(std::string_view path) override;
  platform::BOOL FindFirstFileName(std::string_view pattern, std::string& name) override;
  platform::BOOL GetDiskFreeSpaceA(std::string_view root, platform::DWORD* sectorsPerCluster,
                                   platform::DWORD* bytesPerSector, platform::DWORD* freeClusters,
                                   platform::DWORD* totalClusters) override;
  platform::BOOL CreateDirectoryA(std::string_view path) override;
  platform::BOOL RemoveDirectoryA(std::string_view path) override;
  platform::BOOL DeleteFileA(std::string_view path) override;
  platform::DWORD GetFileAttributesA(std::string_view path) override;
  platform::BOOL SetFileAttributesA(std::string_view path, platform::DWORD attributes) override;
  platform::DWORD GetCurrentDirectoryA(platform::DWORD size, char* buffer) override;
  platform::BOOL SetCurrentDirectoryA(std::string_view path) override;
  platform::BOOL MoveFileExA(std::string_view existing, std::string_view newName, platform::DWORD flags) override;
  platform::DWORD GetShortPathNameA(std::string_view longPath, char* buffer, platform::DWORD size) override;

  platform::DWORD VerInstallFileA(platform::DWORD flags, const char* srcName, const char* destName, const char* srcDir,
                                  const char* destDir, const char* curDir, char* tmpFile,
                                  platform::UINT* tmpFileLen) override;
  platform::DWORD GetFileVersionInfoSizeA(const char* fileName, platform::DWORD* handle) override;
  platform::BOOL GetFileVersionInfoA(const char* fileName, platform::DWORD handle, platform::DWORD size,
                                     void* data) override;
  platform::BOOL VerQueryValueA(const void* block, const char* subBlock, void** buffer,
                                platform::UINT* length) override;

  platform::HMODULE LoadLibraryA(std::string_view name) override;
  platform::FARPROC GetProcAddress(platform::HMODULE module, std::string_view name) override;
  platform::FARPROC GetProcAddressByOrdinal(platform::HMODULE module, platform::WORD ordinal) override;
  platform::BOOL FreeLibrary(platform::HMODULE module) override;

  platform::LONG RegOpenKeyExA(platform::HKEY key, const char* subKey, platform::DWORD options,
                               platform::REGSAM desired, platform::HKEY* result) override;
  platform::LONG RegCreateKeyExA(platform::HKEY key, const char* subKey, platform::DWORD options,
                                 platform::REGSAM desired, platform::HKEY* result,
                                 platform::DWORD* disposition) override;
  platform::LONG RegCloseKey(platform::HKEY key) override;
  platform::LONG RegEnumKeyExA(platform::HKEY key, platform::DWORD index, char* name,
                               platform::DWORD* nameSize) override;
  platform::LONG RegEnumValueA(platform::HKEY key, platform::DWORD index, char* name, platform::DWORD* nameSize,
                               platform::DWORD* type, platform::BYTE* data, platform::DWORD* dataSize) override;
  platform::LONG RegQueryValueExA(platform::HKEY key, const char* name, platform::DWORD* type,
                                  platform::BYTE* data, platform::DWORD* dataSize) override;
  platform::LONG RegSetValueExA(platform::HKEY key, const char* name, platform::DWORD type,
                                const platform::BYTE* data, platform::DWORD size) override;
  platform::LONG RegDeleteValueA(platform::HKEY key, const char* name) override;
  platform::LONG RegDeleteKeyA(platform::HKEY key, const char* subKey) override;
  platform::LONG RegFlushKey(platform::HKEY key) override;

  int LoadStringA(platform::HMODULE module, platform::UINT id, char* buffer, int size) override;
  platform::BOOL FindResourceA(platform::HMODULE module, platform::UINT id, platform::UINT type) override;
  platform::HMODULE GetProgramModule() override;

  int MessageBoxA(const platform::MessageBoxRequest& request) override;

 private:
  Win32ProfileFiles m_profiles;
  Win32Processes m_processes;
  Win32ShellLinks m_shellLinks;
  platform::Platform m_interfaces;
};

}  // namespace win32
