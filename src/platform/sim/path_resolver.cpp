#include "platform/sim/path_resolver.h"

#include <algorithm>
#include <optional>
#include <system_error>
#include <vector>

#include "platform/ascii_text.h"

namespace fs = std::filesystem;

namespace sim {
namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

ResolvedPath Failure(long error) { return ResolvedPath{{}, static_cast<platform::DWORD>(error)}; }

// The longest name of one file or folder.
constexpr std::size_t kMaxNameLength = 255;

bool IsInvalidNameChar(char c) {
  return static_cast<unsigned char>(c) < 0x20 || c == '<' || c == '>' || c == ':' || c == '"' || c == '|' ||
         c == '?' || c == '*';
}

// The names Windows keeps for its devices, in every folder and with any
// extension: CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9 ("NUL.TXT",
// "con " too, but not "CONX" or "COM10").
bool IsDeviceName(std::string_view name) {
  name = name.substr(0, name.find('.'));
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  if (name.size() == 3) {
    for (const char* device : {"CON", "PRN", "AUX", "NUL"}) {
      if (ascii::EqualNoCase(name, device)) return true;
    }
    return false;
  }
  return name.size() == 4 && (ascii::EqualNoCase(name.substr(0, 3), "COM") || ascii::EqualNoCase(name.substr(0, 3), "LPT")) &&
         name[3] >= '1' && name[3] <= '9';
}

}  // namespace

ResolvedPath PathResolver::Resolve(std::string_view windowsPath, std::string_view currentDir) {
  std::string path(windowsPath);
  std::string current(currentDir);
  std::replace(current.begin(), current.end(), '/', '\\');
  if (current.size() < 2 || !IsAsciiLetter(current[0]) || current[1] != ':') current = "C:\\";
  if (path.empty()) return Failure(ERROR_PATH_NOT_FOUND);
  // The ANSI calls take at most MAX_PATH characters.
  if (path.size() > platform::kMaxPath) return Failure(ERROR_FILENAME_EXCED_RANGE);

  // "\\?\X:\…" names the file as it stands: no "." or "..", no trimming, no
  // "/" for "\". "\\.\X:\…" is an ordinary path; any other "\\.\NAME" is a
  // device, and "\\server\share" a network share; the machine has neither.
  const bool literal = path.rfind("\\\\?\\", 0) == 0;
  if (literal) {
    path.erase(0, 4);
    if (path.size() < 3 || !IsAsciiLetter(path[0]) || path[1] != ':' || path[2] != '\\') {
      return Failure(ascii::EqualNoCase(path.substr(0, 4), "UNC\\") ? ERROR_BAD_NETPATH : ERROR_PATH_NOT_FOUND);
    }
  } else {
    std::replace(path.begin(), path.end(), '/', '\\');
    if (path.rfind("\\\\.\\", 0) == 0) {
      path.erase(0, 4);
      if (path.size() < 3 || !IsAsciiLetter(path[0]) || path[1] != ':' || path[2] != '\\') {
        return Failure(IsDeviceName(path) ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND);
      }
    } else if (path.rfind("\\\\", 0) == 0) {
      return Failure(ERROR_BAD_NETPATH);
    }
  }

  char drive;
  std::string full;  // "X:\…" without the drive
  if (path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == ':') {
    drive = path[0];
    std::string rest = path.substr(2);
    if (!rest.empty() && rest[0] == '\\') {
      full = rest;
    } else if (LowerAscii(current[0]) == LowerAscii(drive)) {
      full = current.substr(2) + "\\" + rest;
    } else {
      full = "\\" + rest;
    }
  } else if (path[0] == '\\') {
    drive = current[0];
    full = path;
  } else {
    drive = current[0];
    full = current.substr(2) + "\\" + path;
  }
  if (full.size() + 2 > platform::kMaxPath) return Failure(ERROR_FILENAME_EXCED_RANGE);

  // The components, resolved by name alone and never above the drive's root.
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= full.size()) {
    std::size_t end = full.find('\\', start);
    if (end == std::string::npos) end = full.size();
    std::string part = full.substr(start, end - start);
    const bool lastPart = end == full.size();
    start = end + 1;
    if (part.empty()) continue;
    if (literal) {
      if (part == "." || part == ".." || part.find('/') != std::string::npos) return Failure(ERROR_INVALID_NAME);
    } else if (part == ".") {
      continue;
    } else if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    } else if (lastPart) {
      // The last name loses its trailing dots and blanks ("FILE.TXT. " is
      // FILE.TXT; "..." is the folder itself); a folder on the way loses
      // one trailing dot, unless it is made of dots alone.
      while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
      if (part.empty()) continue;
    } else if (part.back() == '.' && part.find_first_not_of('.') != std::string::npos) {
      part.pop_back();
    }
    if (part.size() > kMaxNameLength || std::any_of(part.begin(), part.end(), IsInvalidNameChar)) {
      return Failure(ERROR_INVALID_NAME);
    }
    // CON, NUL, COM1, LPT1.TXT … name a device in every folder, never a
    // file; the machine has none to open, and no folder on the way is one.
    if (IsDeviceName(part)) return Failure(lastPart ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND);
    parts.push_back(part);
  }

  std::error_code ec;
  // The host path grows as a string, made a path once at the end.
  std::string host = DriveFolder(drive).string();
  // A drive whose folder was listed is there; any other is looked at.
  if (!m_folders.Knows(host) && !fs::is_directory(fs::symlink_status(host, ec))) {
    return Failure(ERROR_PATH_NOT_FOUND);
  }
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const bool last = i + 1 == parts.size();
    const std::optional<FolderCache::Entry> entry = m_folders.Find(host, parts[i]);
    if (!entry) {
      // The last folder was listed: it is known unless it has gone.
      if (!last || !m_folders.Knows(host)) return Failure(ERROR_PATH_NOT_FOUND);
      return {fs::path(host + '/' + parts[i]), ERROR_SUCCESS, fs::file_type::not_found};
    }
    if (entry->type == fs::file_type::symlink) return Failure(last ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND);
    if (!last && entry->type != fs::file_type::directory) return Failure(ERROR_PATH_NOT_FOUND);
    host += '/';
    host += entry->name;
    if (last) return {fs::path(std::move(host)), ERROR_SUCCESS, entry->type};
  }
  return {fs::path(std::move(host)), ERROR_SUCCESS, fs::file_type::directory};
}

void PathResolver::ShareCd(fs::path cdHome, char cdDrive) {
  m_cdHome = std::move(cdHome);
  m_cdDrive = LowerAscii(cdDrive);
  m_folders = FolderCache();
}

fs::path PathResolver::DriveFolder(char letter) const {
  const char lower = LowerAscii(letter);
  const bool shared = !m_cdHome.empty() && lower == m_cdDrive;
  return (shared ? m_cdHome : m_dir) / (std::string("drive_") + lower);
}

std::string PathResolver::WindowsPathOf(const fs::path& host) const {
  const fs::path fromCd = m_cdHome.empty() ? fs::path() : host.lexically_relative(DriveFolder(m_cdDrive));
  const bool onSharedCd = !fromCd.empty() && *fromCd.begin() != "..";
  const fs::path relative = host.lexically_relative(onSharedCd ? m_cdHome : m_dir);
  auto it = relative.begin();
  if (it == relative.end()) return {};
  const std::string drive = it->string();
  if (drive.size() != 7 || drive.rfind("drive_", 0) != 0 || !IsAsciiLetter(drive[6])) return {};
  std::string path(1, drive[6] >= 'a' ? static_cast<char>(drive[6] - 'a' + 'A') : drive[6]);
  path += ":";
  bool any = false;
  for (++it; it != relative.end(); ++it) {
    if (it->empty()) continue;
    if (*it == "..") return {};
    path += "\\" + it->string();
    any = true;
  }
  if (!any) path += "\\";
  return path;
}

}  // namespace sim
