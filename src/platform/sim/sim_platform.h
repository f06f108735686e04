// The platform interfaces answered by a simulated machine.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/platform.h"
#include "platform/sim/machine.h"
#include "platform/sim/pe_resources.h"
#include "platform/sim/sim_processes.h"
#include "platform/sim/sim_setup_api.h"
#include "platform/sim/sim_profile_files.h"
#include "platform/sim/sim_shell_links.h"
#include "platform/sim/sim_version_installer.h"

namespace sim {

class SimPlatform final : public platform::ISystemInfo,
                          public platform::IFileSystem,
                          public platform::ILibraryLoader,
                          public platform::IResources,
                          public platform::IUserInterface {
 public:
  // `programPath` is the Windows path the program runs as (D:\SETUP.EXE).
  // The machine must outlive the platform.
  SimPlatform(const Machine& machine, std::string programPath);
  ~SimPlatform() override;
  SimPlatform(const SimPlatform&) = delete;
  SimPlatform& operator=(const SimPlatform&) = delete;

  // The interfaces the program runs against, to hand to it.
  const platform::Platform& Interfaces() const { return m_interfaces; }

  const Machine& GetMachine() const { return m_machine; }
  // The process's current folder, with a closing backslash: relative paths
  // start there. At start it is the program's folder.
  std::string CurrentDirectory() const { return m_currentDirectory; }
  // The program's folder, with a closing backslash: bare library and
  // program names are looked for there first.
  std::string ProgramFolder() const;

  // ISystemInfo
  platform::BOOL GetVersionExA(platform::OSVERSIONINFOA& info) override;
  std::string GetModuleFileNameA() override;
  platform::UINT GetACP() override;
  int GetLocaleInfoA(platform::DWORD lcType, char* buffer, int size) override;
  platform::UINT GetWindowsDirectoryA(char* buffer, platform::UINT size) override;
  platform::UINT GetSystemDirectoryA(char* buffer, platform::UINT size) override;
  platform::BOOL IsAdministratorToken() override;
  platform::BOOL EnableShutdownPrivilege() override;
  platform::BOOL InitiateSystemShutdownA(const char* message, platform::DWORD timeout, platform::BOOL forceAppsClosed,
                                         platform::BOOL rebootAfterShutdown) override;
  platform::DWORD GetLastError() override;
  void OutputDebugStringA(const char* text) override;
  // What a built-in library's function leaves for GetLastError.
  void SetLastError(platform::DWORD code) { m_lastError = code; }
  int GetSystemMetrics(int index) override;
  platform::BOOL EnumDisplayDevicesA(platform::DWORD device, platform::DISPLAY_DEVICEA& info) override;

  // IFileSystem
  platform::DWORD ReadWholeFile(std::string_view path, std::vector<char>& content) override;
  platform::DWORD WriteWholeFile(std::string_view path, const char* data, std::size_t size) override;
  bool FileExists(std::string_view path) override;
  std::string FindFirstFileName(std::string_view pattern) override;
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
  platform::BOOL MoveFileExA(const char* existing, const char* newName, platform::DWORD flags) override;
  platform::DWORD GetShortPathNameA(const char* longPath, char* buffer, platform::DWORD size) override;

  // ILibraryLoader
  platform::HMODULE LoadLibraryA(std::string_view name) override;
  platform::FARPROC GetProcAddress(platform::HMODULE module, const char* name) override;
  platform::FARPROC GetProcAddressByOrdinal(platform::HMODULE module, platform::WORD ordinal) override;
  platform::BOOL FreeLibrary(platform::HMODULE module) override;

  // IResources
  int LoadStringA(platform::HMODULE module, platform::UINT id, char* buffer, int size) override;
  bool FindResourceA(platform::HMODULE module, platform::UINT id, platform::UINT type) override;
  platform::HMODULE GetProgramModule() override;
  // The resources of a loaded library, or nullptr (tests, the page host).
  const PeResources* ResourcesOf(platform::HMODULE module) const;

  // IUserInterface: recorded in events.log, answered by the answerer when
  // one is set, otherwise by the box's default button.
  int MessageBoxA(const platform::MessageBoxRequest& request) override;
  using MessageAnswerer = std::function<int(const platform::MessageBoxRequest&)>;
  void SetMessageAnswerer(MessageAnswerer answerer) { m_answerer = std::move(answerer); }

  // The page host the program's wizard runs in (owned by the caller; it
  // must outlive the run), or nullptr.
  void SetWizardHost(platform::IWizardHost* host);

  // The machine's processes and windows (behaviours of programs, the clock).
  SimProcesses& Processes() { return m_processes; }
  // The device sets and INF files SETUPAPI.DLL handed this program; they go
  // with it.
  SetupApiHandles& SetupApiState() { return *m_setupApiHandles; }

 private:
  struct LoadedLibrary {
    std::string name;  // upper case, with extension; the full path for a library file
    int references = 0;
    std::shared_ptr<const PeResources> resources;  // a library file's resources; none for built-ins
  };
  const LoadedLibrary* Find(platform::HMODULE module) const;
  // Held open by another program, or the running program's own file, which
  // Windows keeps open while the program runs.
  bool IsHeldOpen(const std::filesystem::path& host) const;

  const Machine& m_machine;
  std::string m_programPath;
  std::string m_currentDirectory;
  std::map<std::uintptr_t, LoadedLibrary> m_libraries;
  std::uintptr_t m_nextHandle = 0x10000000;
  platform::DWORD m_lastError = ERROR_SUCCESS;
  MessageAnswerer m_answerer;
  SimProfileFiles m_profiles;
  SimProcesses m_processes;
  SimShellLinks m_shellLinks;
  SimVersionInstaller m_versions;
  SetupApiHandlesPtr m_setupApiHandles;
  platform::Platform m_interfaces;
  SimPlatform* m_previousOnThread;

};

// Built-in libraries are reached through bare function pointers, as
// GetProcAddress hands them out, so nothing tells them whose call it is.
// A program runs on one thread: each SimPlatform is the calling program of
// its thread from construction to destruction (an inner one, while it
// lives), and machines on other threads never see it. nullptr when none.
SimPlatform* CallingProgram();
// The calling program's machine, or nullptr.
const Machine* ActiveMachine();
// SetLastError of the built-in libraries: the code GetLastError answers next.
void SetActiveLastError(platform::DWORD code);

}  // namespace sim
