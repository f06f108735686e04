// Windows paths of the simulated machine resolved to host paths inside its
// folder, and back.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>

#include "platform/sim/folder_cache.h"
#include "platform/win_types.h"

namespace sim {

// What a path resolved to: a host path inside the machine folder, or the
// Windows error code of the failure.
struct ResolvedPath {
  std::filesystem::path host;
  platform::DWORD error = ERROR_SUCCESS;
  // What the path names, as the machine last saw its folder: not_found for a
  // name that is free (its folder exists), none when not known.
  std::filesystem::file_type type = std::filesystem::file_type::none;
  bool ok() const { return error == ERROR_SUCCESS; }
};

// Resolves against the drive folders ("drive_c", ...) of one machine folder,
// looking names up through its own folder cache.
class PathResolver {
 public:
  explicit PathResolver(std::filesystem::path machineFolder) : m_dir(std::move(machineFolder)) {}

  // Resolves a Windows path ("C:\WINDOWS\X.INI", relative to `currentDir`
  // when not absolute). Names match without regard to case; "." and ".."
  // are resolved inside the drive; links are refused. The last component
  // need not exist (a file about to be created). Lists the folders on the
  // way that the cache does not know yet.
  ResolvedPath Resolve(std::string_view windowsPath, std::string_view currentDir);

  // The Windows path of a host path inside the machine's drives ("X:\..."
  // with the names as they are stored); empty outside them.
  std::string WindowsPathOf(const std::filesystem::path& host) const;

  // The names known of the machine's folders; changes to them are noted here.
  FolderCache& Folders() { return m_folders; }

  // Drive `cdDrive` is another machine folder's from now on (what was known
  // of the folders is forgotten).
  void ShareCd(std::filesystem::path cdHome, char cdDrive);
  // The host folder of a drive ("drive_c" in the machine folder).
  std::filesystem::path DriveFolder(char letter) const;

 private:
  std::filesystem::path m_dir;
  std::filesystem::path m_cdHome;  // empty: the CD is this machine's own
  char m_cdDrive = 0;
  FolderCache m_folders;
};

}  // namespace sim
