#include "files/locked_files.h"

#include <cstring>
#include <memory>
#include <vector>

#include "components/component_list.h"
#include "core/registry_key.h"
#include "files/file_copy.h"
#include "files/file_operations.h"
#include "files/manifest.h"
#include "platform/ascii_text.h"
#include "platform/platform.h"
#include "platform/shell_folders.h"
#include "script/setup_script.h"

namespace {

constexpr const char* kWininit = "WININIT.INI";
constexpr const char* kRenameSection = "Rename";
constexpr const char* kInstalledFilesKey = "System\\CurrentControlSet\\control\\InstalledFiles";
constexpr platform::DWORD kMarkerQuerySize = 20;

// Appends one line to the [Rename] section, keeping every line before it.
bool AppendRenameLine(const platform::Platform& platform, const std::string& line) {
  auto buffer = std::make_unique<char[]>(kWininitBufferSize);
  std::memset(buffer.get(), 0, kWininitBufferSize);
  const platform::DWORD readLimit = static_cast<platform::DWORD>(kWininitBufferSize - 1);
  const platform::DWORD n =
      platform.Profiles().GetPrivateProfileSectionA(kRenameSection, buffer.get(), readLimit, kWininit);
  // A section that filled the read buffer was cut short: writing it back
  // would lose its tail. A line that does not fit with its two closing NULs
  // is not written either.
  if (n >= readLimit - 2 || n + line.size() + 2 > kWininitBufferSize) return false;
  std::memcpy(buffer.get() + n, line.data(), line.size());
  buffer[n + line.size()] = '\0';
  buffer[n + line.size() + 1] = '\0';
  return platform.Profiles().WritePrivateProfileSectionA(kRenameSection, buffer.get(), kWininit) != 0;
}

}  // namespace

std::string ShortPath(const platform::Platform& platform, const std::string& path) {
  char buffer[MAX_PATH] = {};
  const platform::DWORD n = platform.Files().GetShortPathNameA(path, buffer, sizeof buffer);
  if (n == 0 || n >= sizeof buffer) return path;
  return std::string(buffer, n);
}

void ClearReadOnly(const platform::Platform& platform, const std::string& path) {
  const platform::DWORD attributes = platform.Files().GetFileAttributesA(path);
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    platform.Files().SetFileAttributesA(path, attributes & ~static_cast<platform::DWORD>(FILE_ATTRIBUTE_READONLY));
  }
}

bool AddWininitRename(const platform::Platform& platform, const CFileRecord& record, const std::string& tempPath) {
  return AppendRenameLine(platform, ShortPath(platform, DestPath(record)) + "=" + ShortPath(platform, tempPath));
}

bool AddWininitDelete(const platform::Platform& platform, const CFileRecord& record) {
  return AppendRenameLine(platform, "NUL=" + ShortPath(platform, DestPath(record)));
}

namespace {

std::string WithoutTrailingSeparators(std::string folder) {
  while (folder.size() > 3 && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  return folder;
}

std::string SystemPath(const platform::Platform& platform,
                       platform::UINT (platform::ISystemInfo::*query)(char*, platform::UINT)) {
  char buffer[MAX_PATH] = {};
  const platform::UINT n = (platform.System().*query)(buffer, sizeof buffer);
  return n == 0 || n >= sizeof buffer ? std::string() : std::string(buffer, n);
}

}  // namespace

bool IsSystemFolder(const platform::Platform& platform, const std::string& folder) {
  const std::string f = WithoutTrailingSeparators(folder);
  if (f.size() <= 3) return true;
  for (const std::string& system : {SystemPath(platform, &platform::ISystemInfo::GetWindowsDirectoryA),
                                    SystemPath(platform, &platform::ISystemInfo::GetSystemDirectoryA)}) {
    if (!system.empty() && ascii::EqualNoCase(f, WithoutTrailingSeparators(system))) return true;
  }
  for (const shell_folders::Place& place : shell_folders::kPlaces) {
    CRegistryKey key(platform, place.key, place.root == shell_folders::Root::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER);
    const std::string shellFolder = key.ReadString(place.value);
    if (!shellFolder.empty() && ascii::EqualNoCase(f, WithoutTrailingSeparators(shellFolder))) return true;
  }
  return false;
}

void RemoveRecordFolder(const platform::Platform& platform, const CFileRecord& record, bool emptiedByThisRun,
                        const CInstallManifest* manifest) {
  if (IsSystemFolder(platform, record.m_strDestDir)) return;
  // In an installation run, a folder goes only when the installation made it:
  // an emptied folder of the system's or another program's stays.
  const bool made = manifest != nullptr && manifest->HasFolder(record.m_strDestDir);
  if (manifest != nullptr && !made) return;
  if (platform.Files().RemoveDirectoryA(record.m_strDestDir) || !emptiedByThisRun) return;
  // One this run emptied but cannot remove yet goes at the next start.
  if (made) platform.Files().MoveFileExA(record.m_strDestDir, {}, MOVEFILE_DELAY_UNTIL_REBOOT);
}

void CFileOperations::RequestRestart() { m_context.SetFlags(m_context.GetFlags() | SF_RESTART_NEEDED); }

platform::DWORD CFileOperations::DeferDelete(const CFileRecord& record) {
  RequestRestart();
  if (m_context.IsNT()) {
    if (m_platform.Files().MoveFileExA(DestPath(record), {}, MOVEFILE_DELAY_UNTIL_REBOOT)) return 0;
    return m_platform.System().GetLastError();
  }
  // A [Rename] section with no room left cannot take the deletion.
  return AddWininitDelete(m_platform, record) ? 0 : static_cast<platform::DWORD>(ERROR_NOT_ENOUGH_MEMORY);
}

platform::DWORD CFileOperations::DeleteFileRecord(const CFileRecord& record) {
  const std::string path = DestPath(record);
  ClearReadOnly(m_platform, path);
  if (m_platform.Files().DeleteFileA(path)) {
    RemoveRecordFolder(m_platform, record, true, m_pManifest);
    return 0;
  }
  const platform::DWORD error = m_platform.System().GetLastError();
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      // Nothing to delete; an empty folder may still go, but nothing is
      // scheduled for one this run did not empty.
      RemoveRecordFolder(m_platform, record, false, m_pManifest);
      return 0;
    case ERROR_INVALID_DRIVE:
    case ERROR_WRITE_PROTECT:
    case ERROR_NOT_READY:
    case ERROR_NOT_DOS_DISK:
    case ERROR_SECTOR_NOT_FOUND:
      return 0;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return DeferDelete(record);
    default:
      return error;
  }
}

platform::DWORD CFileOperations::ReplaceInUse(const CFileRecord& record, platform::DWORD flags) {
  RequestRestart();
  platform::IFileSystem& files = m_platform.Files();
  const std::string temp = FindTempName(m_platform, record);
  const std::string tempPath = JoinPath(record.m_strDestDir, temp);
  const std::string dest = DestPath(record);
  CFileRecord aside = record;
  aside.m_strDestName = temp;

  if (m_context.IsNT()) {
    if (files.MoveFileExA(dest, tempPath, 0)) {
      // The file in use moves aside; the new one takes its name now and the
      // old one goes at the next start.
      CFileRecord copy = record;
      const platform::DWORD r = CopyFile(copy, flags);
      if (r != 0) {
        files.MoveFileExA(tempPath, dest, 0);
        return r;
      }
      files.MoveFileExA(tempPath, {}, MOVEFILE_DELAY_UNTIL_REBOOT);
      return 0;
    }
    // It cannot even move aside: the new file waits under the temporary
    // name and replaces it at the next start.
    const platform::DWORD r = CopyFile(aside, flags | VIFF_FORCEINSTALL);
    if (r != 0) return r;
    if (!files.MoveFileExA(tempPath, dest, MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING)) {
      files.DeleteFileA(tempPath);
      return VIF_CANNOTRENAME;
    }
    return 0;
  }

  // Windows 95/98: the new file waits beside the old one; WININIT.INI moves
  // it over the old one at the next start.
  const platform::DWORD r = CopyFile(aside, flags | VIFF_FORCEINSTALL);
  if (r != 0) return r;
  if (!AddWininitRename(m_platform, record, tempPath)) {
    files.DeleteFileA(tempPath);
    return VIF_CANNOTRENAME;
  }
  return 0;
}

RenameResult CFileOperations::RenameFileRecord(const CFileRecord& record) {
  if (record.m_strDestName.empty() || record.m_strDestDir.empty() || record.m_strSourceName.empty()) return RenameResult::Done;
  if (m_script.EqualNoCase(record.m_strSourceName, record.m_strDestName)) return RenameResult::Done;
  const std::string from = SourcePath(record);
  const std::string to = DestPath(record);
  // Without the old file there is nothing to rename, and the new name may
  // be a file of the user's own.
  if (m_platform.Files().GetFileAttributesA(from) == INVALID_FILE_ATTRIBUTES) return RenameResult::Failed;
  ClearReadOnly(m_platform, from);
  m_platform.Files().DeleteFileA(to);
  if (!m_platform.Files().MoveFileExA(from, to, 0)) return RenameResult::Failed;
  // A file of the installation's own keeps being its own under the new name.
  if (m_pManifest != nullptr && m_pManifest->HasFile(from)) m_pManifest->NoteFile(to);
  return RenameResult::Done;
}

void MarkInstalledFile(const platform::Platform& platform, const CFileRecord& record) {
  if (record.m_strDestName.empty()) return;
  platform::IRegistry& registry = platform.Registry();
  platform::HKEY key = nullptr;
  if (registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, kInstalledFilesKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
  platform::BYTE data[kMarkerQuerySize] = {};
  platform::DWORD type = 0, size = kMarkerQuerySize;
  if (registry.RegQueryValueExA(key, record.m_strDestName.c_str(), &type, data, &size) != ERROR_SUCCESS) {
    const platform::BYTE zero = 0;
    registry.RegSetValueExA(key, record.m_strDestName.c_str(), REG_BINARY, &zero, 1);
  }
  registry.RegCloseKey(key);
}

CStepResult CFileOperations::RunDeletes(IFileProgress& progress, StepPhase phase) {
  std::vector<CFileRecord> queue;
  m_components.QueueDeletes(phase, queue);
  if (queue.empty()) return CStepResult::GoOn();
  progress.BeginDeletePhase(static_cast<int>(queue.size()));
  for (const CFileRecord& record : queue) {
    progress.ShowDeleteJob(record);
    DeleteFileRecord(record);
    progress.Step();
  }
  return CStepResult::GoOn();
}

CStepResult CFileOperations::RunRenames(IFileProgress& progress) {
  std::vector<CFileRecord> queue;
  m_components.QueueRenames(queue);
  if (queue.empty()) return CStepResult::GoOn();
  progress.BeginRenamePhase(static_cast<int>(queue.size()));
  for (const CFileRecord& record : queue) {
    progress.ShowRenameJob(record);
    RenameFileRecord(record);
    progress.Step();
  }
  return CStepResult::GoOn();
}
