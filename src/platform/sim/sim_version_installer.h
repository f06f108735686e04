// The version installer of the simulated machine: VerInstallFileA with the
// comparisons Windows makes (version, type, language, code page), files in
// use and free space from hardware.ini, compressed sources expanded; and the
// version information calls on the machine's own PE reader.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "platform/file_system.h"
#include "platform/sim/machine.h"
#include "platform/version_installer.h"

namespace sim {

class SimVersionInstaller final : public platform::IVersionInstaller {
 public:
  // `files` are the machine's file calls (paths relative to its current
  // folder); `lastError` the platform's GetLastError slot; `isHeldOpen`
  // tells a file another program or the running one holds open.
  SimVersionInstaller(const Machine& machine, platform::IFileSystem& files,
                      std::function<std::string()> currentDirectory, platform::DWORD& lastError,
                      std::function<bool(const std::filesystem::path&)> isHeldOpen);

  platform::DWORD VerInstallFileA(platform::DWORD flags, const char* srcName, const char* destName, const char* srcDir,
                                  const char* destDir, const char* curDir, char* tmpFile,
                                  platform::UINT* tmpFileLen) override;
  platform::DWORD GetFileVersionInfoSizeA(const char* fileName, platform::DWORD* handle) override;
  platform::BOOL GetFileVersionInfoA(const char* fileName, platform::DWORD handle, platform::DWORD size,
                                     void* data) override;
  platform::BOOL VerQueryValueA(const void* block, const char* subBlock, void** buffer,
                                platform::UINT* length) override;

 private:
  // Writes `content` to a new temporary file in the host folder `folder`
  // ("VER1.tmp" …), under a name free there both as the machine knows the
  // folder and on the host; its name, or empty when it cannot be made.
  std::string WriteTempCopy(const std::filesystem::path& folder, const std::vector<char>& content);

  const Machine& m_machine;
  platform::IFileSystem& m_files;
  std::function<std::string()> m_currentDirectory;
  platform::DWORD& m_lastError;
  std::function<bool(const std::filesystem::path&)> m_isHeldOpen;
  unsigned m_nextTemp = 1;
};

}  // namespace sim
