// Files and folders of the simulated machine, by Windows path from the
// running program's current folder.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "platform/sim/process_state.h"

namespace sim {

class SimFileSystem final : public platform::IFileSystem {
 public:
  explicit SimFileSystem(ProcessState& process);

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

 private:
  const Machine& m_machine;
  ProcessState& m_process;

  // FALSE, with `error` for GetLastError.
  platform::BOOL Fail(platform::DWORD error);
};

}  // namespace sim
