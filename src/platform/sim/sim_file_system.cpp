#include "platform/sim/sim_file_system.h"

#include <cerrno>
#include <cstring>
#include <system_error>

#include "platform/ascii_text.h"
#include "platform/sim/short_names.h"

namespace fs = std::filesystem;

namespace sim {
namespace {

// Where Windows NT keeps the file operations of its next start.
constexpr const char* kPendingRenamesKey = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr const char* kPendingRenamesValue = "PendingFileRenameOperations";

constexpr std::uintmax_t kMaxReadSize = 0x7FFFFFFF;

bool Matches(std::string_view pattern, std::string_view name) {
  // '*' any run, '?' one character; without regard to case.
  std::size_t p = 0, n = 0, star = std::string_view::npos, mark = 0;
  auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; };
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || upper(pattern[p]) == upper(name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

// Windows' read-only attribute in the host file's permissions.
bool IsReadOnly(const fs::path& host) {
  std::error_code ec;
  const fs::file_status status = fs::symlink_status(host, ec);
  return fs::is_regular_file(status) && (status.permissions() & fs::perms::owner_write) == fs::perms::none;
}

// The failure of a name that does not exist: the file, or the folder it
// should be in.
platform::DWORD MissingError(const fs::path& host) {
  std::error_code ec;
  return fs::is_directory(fs::symlink_status(host.parent_path(), ec)) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

}  // namespace

SimFileSystem::SimFileSystem(ProcessState& process) : m_machine(process.machine), m_process(process) {}

platform::BOOL SimFileSystem::Fail(platform::DWORD error) {
  m_process.lastError = error;
  return 0;
}

platform::BOOL SimFileSystem::ReadWholeFile(std::string_view path, std::vector<char>& content) {
  ResolvedPath resolved = m_machine.Resolve(path, m_process.currentDirectory);
  if (!resolved.ok()) return Fail(resolved.error);
  if (resolved.type == fs::file_type::not_found) return Fail(ERROR_FILE_NOT_FOUND);
  if (resolved.type != fs::file_type::regular) return Fail(ERROR_ACCESS_DENIED);
  if (m_machine.ReadHostFile(resolved.host, content, kMaxReadSize)) return 1;
  switch (errno) {
    case EFBIG: return Fail(ERROR_NOT_ENOUGH_MEMORY);
    case EIO: return Fail(ERROR_READ_FAULT);
    case ENOENT: return Fail(ERROR_FILE_NOT_FOUND);  // gone since its folder was looked at
    default: return Fail(ERROR_ACCESS_DENIED);
  }
}

platform::BOOL SimFileSystem::WriteWholeFile(std::string_view path, const char* data, std::size_t size) {
  ResolvedPath resolved = m_machine.Resolve(path, m_process.currentDirectory);
  if (!resolved.ok()) return Fail(resolved.error);
  // A new file is neither read-only nor held open by anyone.
  if (resolved.type != fs::file_type::not_found) {
    if (resolved.type != fs::file_type::regular || IsReadOnly(resolved.host)) return Fail(ERROR_ACCESS_DENIED);
    if (m_process.IsHeldOpen(resolved.host)) return Fail(ERROR_SHARING_VIOLATION);
  }
  const Machine::HostWrite written = m_machine.WriteHostFile(resolved.host, data, size);
  if (written == Machine::HostWrite::kNotOpened) return Fail(ERROR_ACCESS_DENIED);
  m_machine.NoteChanged(resolved.host, fs::file_type::regular);
  return written == Machine::HostWrite::kDone ? 1 : Fail(ERROR_WRITE_FAULT);
}

platform::BOOL SimFileSystem::FileExists(std::string_view path) {
  ResolvedPath resolved = m_machine.Resolve(path, m_process.currentDirectory);
  if (!resolved.ok()) return Fail(resolved.error);
  if (resolved.type == fs::file_type::not_found) return Fail(MissingError(resolved.host));
  return resolved.type == fs::file_type::regular ? 1 : Fail(ERROR_ACCESS_DENIED);
}

platform::BOOL SimFileSystem::FindFirstFileName(std::string_view pattern, std::string& name) {
  const std::size_t slash = pattern.find_last_of("\\/");
  const std::string folder(slash == std::string_view::npos ? std::string_view(".") : pattern.substr(0, slash + 1));
  const std::string_view namePattern = slash == std::string_view::npos ? pattern : pattern.substr(slash + 1);
  ResolvedPath resolved = m_machine.Resolve(folder, m_process.currentDirectory);
  std::error_code ec;
  if (!resolved.ok() || !fs::is_directory(fs::symlink_status(resolved.host, ec))) return Fail(ERROR_PATH_NOT_FOUND);
  // Names in sorted order, as an NTFS folder lists them.
  std::string first;
  for (fs::directory_iterator it(resolved.host, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->is_symlink(ec)) continue;
    std::string entry = it->path().filename().string();
    if (Matches(namePattern, entry) && (first.empty() || ascii::ToUpper(entry) < ascii::ToUpper(first))) {
      first = std::move(entry);
    }
  }
  if (first.empty()) return Fail(ERROR_FILE_NOT_FOUND);
  name = std::move(first);
  return 1;
}

platform::BOOL SimFileSystem::GetDiskFreeSpaceA(std::string_view root, platform::DWORD* sectorsPerCluster,
                                                platform::DWORD* bytesPerSector, platform::DWORD* freeClusters,
                                                platform::DWORD* totalClusters) {
  const std::string folder = root.empty() ? m_process.currentDirectory.substr(0, 3) : std::string(root);
  ResolvedPath resolved = m_machine.Resolve(folder, m_process.currentDirectory);
  std::error_code ec;
  if (!resolved.ok() || !fs::is_directory(fs::symlink_status(resolved.host, ec))) return Fail(ERROR_PATH_NOT_FOUND);
  char drive = folder.size() >= 2 && folder[1] == ':' ? folder[0] : m_process.currentDirectory[0];
  const DriveSpace space = m_machine.FreeSpace(drive);
  if (sectorsPerCluster != nullptr) *sectorsPerCluster = space.sectorsPerCluster;
  if (bytesPerSector != nullptr) *bytesPerSector = space.bytesPerSector;
  if (freeClusters != nullptr) *freeClusters = space.freeClusters;
  // The drive is twice as large as its free part, within 32 bits.
  if (totalClusters != nullptr) {
    *totalClusters = space.freeClusters > 0x7FFFFFFFu ? 0xFFFFFFFFu : space.freeClusters * 2;
  }
  return 1;
}

platform::BOOL SimFileSystem::CreateDirectoryA(std::string_view path) {
  ResolvedPath resolved = m_machine.Resolve(path, m_process.currentDirectory);
  platform::DWORD error = resolved.error;
  if (resolved.ok()) {
    // A free name was found in its folder, which is there.
    if (resolved.type != fs::file_type::not_found) {
      error = ERROR_ALREADY_EXISTS;
    } else if (!m_machine.MakeHostFolder(resolved.host)) {
      error = errno == EEXIST ? ERROR_ALREADY_EXISTS : ERROR_ACCESS_DENIED;
    }
    if (error == ERROR_SUCCESS) m_machine.NoteFolderMade(resolved.host);
  }
  return error == ERROR_SUCCESS ? 1 : Fail(error);
}

platform::BOOL SimFileSystem::RemoveDirectoryA(std::string_view path) {
  ResolvedPath resolved = m_machine.Resolve(path, m_process.currentDirectory);
  std::error_code ec;
  platform::DWORD error = resolved.error;
  if (resolved.ok()) {
    const fs::file_status status = fs::symlink_status(resolved.host, ec);
    if (!fs::exists(status)) {
      error = MissingError(resolved.host);
    } else if (!fs::is_directory(status)) {
      error = ERROR_DIRECTORY;
    } else if (!fs::is_empty(resolved.host, ec)) {
      error = ERROR_DIR_NOT_EMPTY;
    } else if (!m_machine.RemoveHost(resolved.host, true)) {
      error = ERROR_ACCESS_DENIED;  // a drive's root, or the host refused
    }
    if (error == ERROR_SUCCESS) m_machine.NoteChanged(resolved.host);
  }
  return error == ERROR_SUCCESS ? 1 : Fail(error);
}

platform::BOOL SimFileSystem::DeleteFileA(std::string_view path) {
  ResolvedPath resolved = m_machine.Resolve(path, m_process.currentDirectory);
  std::error_code ec;
  platform::DWORD error = resolved.error;
  if (resolved.ok()) {
    const fs::file_status status = fs::symlink_status(resolved.host, ec);
    if (!fs::exists(status)) {
      error = MissingError(resolved.host);
    } else if (!fs::is_regular_file(status) || IsReadOnly(resolved.host) || m_process.IsHeldOpen(resolved.host)) {
      error = ERROR_ACCESS_DENIED;
    } else if (!m_machine.RemoveHost(resolved.host, false)) {
      error = ERROR_ACCESS_DENIED;
    }
    if (error == ERROR_SUCCESS) m_machine.NoteChanged(resolved.host, fs::file_type::not_found);
  }
  return error == ERROR_SUCCESS ? 1 : Fail(error);
}

platform::DWORD SimFileSystem::GetFileAttributesA(std::string_view path) {
  ResolvedPath resolved = m_machine.Resolve(path, m_process.currentDirectory);
  if (!resolved.ok()) {
    m_process.lastError = resolved.error;
    return INVALID_FILE_ATTRIBUTES;
  }
  if (resolved.type == fs::file_type::directory) return FILE_ATTRIBUTE_DIRECTORY;
  if (resolved.type == fs::file_type::regular) {
    // Files the machine holds have been written since their last backup.
    return FILE_ATTRIBUTE_ARCHIVE | (IsReadOnly(resolved.host) ? FILE_ATTRIBUTE_READONLY : 0);
  }
  // A free name in a folder that is there; anything else is none of the program's.
  m_process.lastError = resolved.type == fs::file_type::not_found ? ERROR_FILE_NOT_FOUND : MissingError(resolved.host);
  return INVALID_FILE_ATTRIBUTES;
}

platform::BOOL SimFileSystem::SetFileAttributesA(std::string_view path, platform::DWORD attributes) {
  ResolvedPath resolved = m_machine.Resolve(path, m_process.currentDirectory);
  std::error_code ec;
  if (!resolved.ok()) return Fail(resolved.error);
  const fs::file_status status = fs::symlink_status(resolved.host, ec);
  if (!fs::exists(status)) return Fail(MissingError(resolved.host));
  // A CD keeps the attributes it was written with.
  if (m_machine.IsOnCd(resolved.host)) return Fail(ERROR_ACCESS_DENIED);
  // Only the read-only bit of a file is kept; the others are accepted.
  if (fs::is_regular_file(status)) {
    const fs::perms write = fs::perms::owner_write | fs::perms::group_write;
    fs::permissions(resolved.host, write,
                    (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? fs::perm_options::remove : fs::perm_options::add, ec);
    if (ec) return Fail(ERROR_ACCESS_DENIED);
  }
  return 1;
}

platform::DWORD SimFileSystem::GetCurrentDirectoryA(platform::DWORD size, char* buffer) {
  // Without the closing backslash, except for a drive's root.
  std::string folder = m_process.currentDirectory;
  if (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  return CopyFolderOut(folder, buffer, size);
}

platform::BOOL SimFileSystem::SetCurrentDirectoryA(std::string_view path) {
  ResolvedPath resolved = m_machine.Resolve(path, m_process.currentDirectory);
  std::error_code ec;
  if (!resolved.ok() || !fs::is_directory(fs::symlink_status(resolved.host, ec))) {
    return Fail(resolved.ok() ? (fs::exists(resolved.host, ec) ? ERROR_DIRECTORY : MissingError(resolved.host))
                              : resolved.error);
  }
  std::string folder = m_machine.WindowsPathOf(resolved.host);
  if (folder.back() != '\\') folder += '\\';
  m_process.currentDirectory = std::move(folder);
  return 1;
}

platform::BOOL SimFileSystem::MoveFileExA(std::string_view existing, std::string_view newName,
                                          platform::DWORD flags) {
  ResolvedPath from = m_machine.Resolve(existing, m_process.currentDirectory);
  if (!from.ok()) return Fail(from.error);
  std::error_code ec;
  const fs::file_status status(from.type);

  // Recorded whether or not the file exists now: the next start finds out.
  if ((flags & MOVEFILE_DELAY_UNTIL_REBOOT) != 0) {
    // Windows 95/98 keep no such list: their next-start work is WININIT.INI's.
    if (!m_machine.IsNT()) return Fail(ERROR_CALL_NOT_IMPLEMENTED);
    std::string target;
    if (!newName.empty()) {
      ResolvedPath to = m_machine.Resolve(newName, m_process.currentDirectory);
      if (!to.ok()) return Fail(to.error);
      target = std::string((flags & MOVEFILE_REPLACE_EXISTING) != 0 ? "!" : "") + "\\??\\" +
               m_machine.WindowsPathOf(to.host);
    }
    platform::IRegistry& registry = m_machine.Registry();
    platform::HKEY key = nullptr;
    if (registry.RegCreateKeyExA(HKEY_LOCAL_MACHINE, kPendingRenamesKey, 0, KEY_ALL_ACCESS, &key, nullptr) !=
        ERROR_SUCCESS) {
      return Fail(ERROR_ACCESS_DENIED);
    }
    // REG_MULTI_SZ: pairs of source and target (empty: delete), then a final NUL.
    std::vector<platform::BYTE> data;
    platform::DWORD type = 0, size = 0;
    if (registry.RegQueryValueExA(key, kPendingRenamesValue, &type, nullptr, &size) == ERROR_SUCCESS &&
        type == REG_MULTI_SZ && size > 0) {
      data.resize(size);
      registry.RegQueryValueExA(key, kPendingRenamesValue, &type, data.data(), &size);
      data.resize(size);
    }
    // Keep every string (a deletion's target is empty); drop the list's closing NUL.
    if (data.size() >= 2 && data[data.size() - 1] == 0 && data[data.size() - 2] == 0) data.pop_back();
    if (!data.empty() && data.back() != 0) data.push_back(0);
    for (const std::string& text : {"\\??\\" + m_machine.WindowsPathOf(from.host), target}) {
      data.insert(data.end(), text.begin(), text.end());
      data.push_back(0);
    }
    data.push_back(0);
    const platform::LONG stored = registry.RegSetValueExA(key, kPendingRenamesValue, REG_MULTI_SZ, data.data(),
                                                          static_cast<platform::DWORD>(data.size()));
    registry.RegCloseKey(key);
    return stored == ERROR_SUCCESS ? 1 : Fail(ERROR_ACCESS_DENIED);
  }

  if (!fs::exists(status)) return Fail(MissingError(from.host));
  if (newName.empty()) return Fail(ERROR_INVALID_PARAMETER);
  ResolvedPath to = m_machine.Resolve(newName, m_process.currentDirectory);
  if (!to.ok()) return Fail(to.error);
  // A free name was found in its folder; a name that is there has one.
  const fs::file_status targetStatus =
      to.type == fs::file_type::not_found ? fs::file_status(fs::file_type::not_found) : fs::symlink_status(to.host, ec);
  const bool sameEntry = fs::exists(targetStatus) && fs::equivalent(from.host, to.host, ec);
  if (fs::exists(targetStatus) && !sameEntry) {
    if ((flags & MOVEFILE_REPLACE_EXISTING) == 0) return Fail(ERROR_ALREADY_EXISTS);
    if (!fs::is_regular_file(targetStatus) || fs::is_directory(status) || IsReadOnly(to.host) ||
        m_process.IsHeldOpen(to.host)) {
      return Fail(ERROR_ACCESS_DENIED);
    }
  }
  // A folder never moves into itself.
  if (fs::is_directory(status)) {
    const fs::path relative = to.host.lexically_relative(from.host);
    if (!relative.empty() && *relative.begin() != ".." && !sameEntry) return Fail(ERROR_ACCESS_DENIED);
  }
  if (!m_machine.RenameHost(from.host, to.host)) {
    m_machine.NoteChanged(from.host);
    m_machine.NoteChanged(to.host);
    return Fail(ERROR_ACCESS_DENIED);
  }
  if (sameEntry) {  // a change of case, or two links to one file: look
    m_machine.NoteChanged(from.host);
    m_machine.NoteChanged(to.host);
  } else {
    m_machine.NoteChanged(from.host, fs::file_type::not_found);
    m_machine.NoteChanged(to.host, status.type());
  }
  return 1;
}

platform::DWORD SimFileSystem::GetShortPathNameA(std::string_view longPath, char* buffer, platform::DWORD size) {
  ResolvedPath resolved = m_machine.Resolve(longPath, m_process.currentDirectory);
  std::error_code ec;
  if (!resolved.ok() || !fs::exists(fs::symlink_status(resolved.host, ec))) {
    return Fail(resolved.ok() ? MissingError(resolved.host) : resolved.error);
  }
  std::string result = ShortWindowsPath(m_machine, resolved.host);
  if (result.size() > 3 && !longPath.empty() && (longPath.back() == '\\' || longPath.back() == '/')) result += "\\";
  return CopyFolderOut(result, buffer, size);
}

}  // namespace sim
