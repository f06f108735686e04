// The version installer of the simulated machine: VerInstallFileA with the
// comparisons Windows makes (version, type, language, code page), files in
// use and free space from hardware.ini, compressed sources expanded; and the
// version information calls on the machine's own PE reader.
#pragma once

#include <filesystem>
#include <string>

#include "platform/file_system.h"
#include "platform/sim/process_state.h"
#include "platform/version_installer.h"

namespace sim {

class SimVersionInstaller final : public platform::IVersionInstaller {
 public:
  // `files` are the running program's file calls (paths relative to its
  // current folder); failures leave their code in its last error.
  SimVersionInstaller(ProcessState& process, platform::IFileSystem& files);

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
  ProcessState& m_process;
  platform::IFileSystem& m_files;
  unsigned m_nextTemp = 1;
};

}  // namespace sim
