#include "platform/sim/sim_platform.h"

#include "platform/ascii_text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/sim/built_in_libraries.h"
#include "platform/sim/short_names.h"

namespace fs = std::filesystem;


namespace sim {
namespace {

thread_local SimPlatform* t_callingProgram = nullptr;

// Where Windows NT keeps the file operations of its next start.
constexpr const char* kPendingRenamesKey = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr const char* kPendingRenamesValue = "PendingFileRenameOperations";

constexpr std::uintmax_t kMaxReadSize = 0x7FFFFFFF;
constexpr std::uintmax_t kMaxLibrarySize = 64u << 20;
constexpr std::uintptr_t kProgramModule = 0x00400000;  // where Windows maps a program

#ifndef ERROR_INVALID_FLAGS
#define ERROR_INVALID_FLAGS 1004L
#endif

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

const char* AnswerName(int answer) {
  switch (answer) {
    case IDOK: return "OK";
    case IDCANCEL: return "Cancel";
    case IDYES: return "Yes";
    case IDNO: return "No";
    default: return "?";
  }
}

int DefaultAnswer(platform::UINT type) {
  const bool second = (type & MB_DEFBUTTON2) != 0;
  switch (type & 0xF) {
    case MB_OKCANCEL: return second ? IDCANCEL : IDOK;
    case MB_YESNO: return second ? IDNO : IDYES;
    case 3: return second ? IDNO : IDYES;  // MB_YESNOCANCEL
    default: return IDOK;
  }
}

// "C:\DIR\FILE.DLL" -> "FILE.DLL"; a name without extension gets ".DLL".
std::string LibraryFileName(std::string_view name) {
  std::size_t slash = name.find_last_of("\\/");
  std::string file = ascii::ToUpper(slash == std::string_view::npos ? name : name.substr(slash + 1));
  if (file.find('.') == std::string::npos) file += ".DLL";
  return file;
}

// The folder-query contract: the length copied, or the size needed with the NUL.
platform::UINT CopyFolder(const std::string& folder, char* buffer, platform::UINT size) {
  if (buffer == nullptr || size <= folder.size()) return static_cast<platform::UINT>(folder.size() + 1);
  std::memcpy(buffer, folder.c_str(), folder.size() + 1);
  return static_cast<platform::UINT>(folder.size());
}

// A file is read-only when its owner may not write it: the machine keeps
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

SimPlatform* CallingProgram() { return t_callingProgram; }

const Machine* ActiveMachine() { return t_callingProgram != nullptr ? &t_callingProgram->GetMachine() : nullptr; }

void SetActiveLastError(platform::DWORD code) {
  if (t_callingProgram != nullptr) t_callingProgram->SetLastError(code);
}

SimPlatform::SimPlatform(const Machine& machine, std::string programPath)
    : m_machine(machine),
      m_programPath(std::move(programPath)),
      m_currentDirectory(ProgramFolder()),
      m_profiles(machine, [this] { return CurrentDirectory(); }, m_lastError),
      m_processes(machine, [this] { return CurrentDirectory(); }, m_programPath, m_lastError),
      m_shellLinks(machine, [this] { return CurrentDirectory(); }),
      m_versions(machine, *this, [this] { return CurrentDirectory(); }, m_lastError,
                 [this](const fs::path& host) { return IsHeldOpen(host); }),
      m_setupApiHandles(MakeSetupApiHandles()),
      m_interfaces{this, this, this, &machine.Registry(), this, this, &m_profiles, &m_processes},
      m_previousOnThread(t_callingProgram) {
  m_interfaces.shellLinks = &m_shellLinks;
  m_interfaces.versions = &m_versions;
  t_callingProgram = this;
}

bool SimPlatform::IsHeldOpen(const fs::path& host) const {
  std::error_code ec;
  if (!fs::exists(fs::symlink_status(host, ec))) return false;  // nothing there to hold
  if (m_machine.IsHeldOpen(host)) return true;
  const ResolvedPath program = m_machine.Resolve(m_programPath);
  return program.ok() && fs::equivalent(program.host, host, ec);
}

SimPlatform::~SimPlatform() {
  // The program ends: what waited for it runs now.
  m_processes.ProgramEnded();
  std::string error;
  m_machine.Registry().Flush(error);  // the program's changes reach registry.reg when it ends
  if (t_callingProgram == this) t_callingProgram = m_previousOnThread;
}

platform::BOOL SimPlatform::IsAdministratorToken() { return m_machine.IsAdministrator() ? TRUE : FALSE; }

platform::BOOL SimPlatform::EnableShutdownPrivilege() {
  // Every user of a workstation holds the privilege; tokens exist on every
  // system the machine can be (as Wine gives them on any version).
  return TRUE;
}

platform::BOOL SimPlatform::InitiateSystemShutdownA(const char* message, platform::DWORD timeout,
                                                    platform::BOOL forceAppsClosed, platform::BOOL rebootAfterShutdown) {
  if (!m_machine.IsNT()) {
    m_lastError = ERROR_CALL_NOT_IMPLEMENTED;
    return FALSE;
  }
  std::string line = rebootAfterShutdown ? "restart request: shut down and restart" : "restart request: shut down";
  line += " (timeout " + std::to_string(timeout) + (forceAppsClosed ? ", forced" : "") + ")";
  if (message != nullptr && *message != '\0') line += std::string(" \"") + message + "\"";
  m_machine.AppendEvent(line);
  return TRUE;
}

namespace {

// Each simulated monitor shows 1024 by 768 pixels, side by side.
constexpr int kMonitorWidth = 1024;
constexpr int kMonitorHeight = 768;

// USER32 of Windows 98 and NT 5 has the multiple-monitor functions; that of
// Windows 95 and NT 4 has none of them.
bool HasMultipleMonitorCalls(const Machine& machine) {
  return machine.Os() == OsKind::Win98 || machine.Os() == OsKind::NT5;
}

std::size_t CountMonitors(const Machine& machine) {
  std::size_t count = machine.Hardware().MonitoredDisplays().size();
  return count == 0 ? 1 : count;  // Windows always shows on one display
}

template <std::size_t N>
void CopyText(char (&buffer)[N], std::string_view text) {
  const std::size_t n = std::min(text.size(), N - 1);
  std::copy_n(text.data(), n, buffer);
  std::fill(buffer + n, buffer + N, '\0');
}

}  // namespace

int SimPlatform::GetSystemMetrics(int index) {
  const bool multiple = HasMultipleMonitorCalls(m_machine);
  const int monitors = static_cast<int>(std::min<std::size_t>(CountMonitors(m_machine), 64));
  switch (index) {
    case SM_CXSCREEN: return kMonitorWidth;
    case SM_CYSCREEN: return kMonitorHeight;
    case SM_CLEANBOOT: return m_machine.IsSafeMode() ? 1 : 0;
    case SM_CXVIRTUALSCREEN: return multiple ? kMonitorWidth * monitors : 0;
    case SM_CYVIRTUALSCREEN: return multiple ? kMonitorHeight : 0;
    case SM_CMONITORS: return multiple ? monitors : 0;
    default: return 0;
  }
}

platform::BOOL SimPlatform::EnumDisplayDevicesA(platform::DWORD device, platform::DISPLAY_DEVICEA& info) {
  if (info.cb != sizeof(platform::DISPLAY_DEVICEA)) {
    m_lastError = ERROR_INVALID_PARAMETER;
    return FALSE;
  }
  if (!HasMultipleMonitorCalls(m_machine)) {
    // The single-display stand-by.
    if (device != 0) return FALSE;
    CopyText(info.DeviceName, "\\\\.\\Display1");
    CopyText(info.DeviceString, "Need to thunk to get name");
    info.StateFlags = DISPLAY_DEVICE_ATTACHED_TO_DESKTOP | DISPLAY_DEVICE_PRIMARY_DEVICE | DISPLAY_DEVICE_VGA_COMPATIBLE;
    return TRUE;
  }
  const auto& displays = m_machine.DisplayDevices();
  const std::vector<std::string> monitored = m_machine.Hardware().MonitoredDisplays();
  if (displays.empty()) {
    // A machine without a described adapter has the standard VGA one.
    if (device != 0) return FALSE;
    CopyText(info.DeviceName, "\\\\.\\Display1");
    CopyText(info.DeviceString, "Standard Display Adapter (VGA)");
    info.StateFlags = DISPLAY_DEVICE_ATTACHED_TO_DESKTOP | DISPLAY_DEVICE_PRIMARY_DEVICE | DISPLAY_DEVICE_VGA_COMPATIBLE;
    return TRUE;
  }
  if (device >= displays.size()) return FALSE;
  const DisplayDevice& d = displays[device];
  CopyText(info.DeviceName, d.name);
  CopyText(info.DeviceString, d.description);
  info.StateFlags = 0;
  auto attached = [&](const std::string& name) {
    return std::any_of(monitored.begin(), monitored.end(),
                       [&](const std::string& m) { return ascii::EqualNoCase(m, name); });
  };
  if (attached(d.name)) {
    info.StateFlags |= DISPLAY_DEVICE_ATTACHED_TO_DESKTOP;
    // The first device with a monitor is the primary one.
    const auto first = std::find_if(displays.begin(), displays.end(), [&](const DisplayDevice& x) { return attached(x.name); });
    if (first == displays.begin() + device) {
      info.StateFlags |= DISPLAY_DEVICE_PRIMARY_DEVICE | DISPLAY_DEVICE_VGA_COMPATIBLE;
    }
  }
  return TRUE;
}

void SimPlatform::SetWizardHost(platform::IWizardHost* host) {
  m_interfaces.wizard = host;
}

std::string SimPlatform::ProgramFolder() const {
  std::size_t slash = m_programPath.find_last_of("\\/");
  if (slash == std::string::npos) return "C:\\";
  return m_programPath.substr(0, slash + 1);
}

platform::BOOL SimPlatform::GetVersionExA(platform::OSVERSIONINFOA& info) {
  if (info.dwOSVersionInfoSize != sizeof(platform::OSVERSIONINFOA)) {
    m_lastError = ERROR_INSUFFICIENT_BUFFER;
    return 0;
  }
  info = m_machine.VersionInfo();
  return 1;
}

std::string SimPlatform::GetModuleFileNameA() { return m_programPath; }

platform::UINT SimPlatform::GetACP() { return m_machine.CodePage(); }

int SimPlatform::GetLocaleInfoA(platform::DWORD lcType, char* buffer, int size) {
  if (lcType != LOCALE_SABBREVLANGNAME) {
    m_lastError = ERROR_INVALID_FLAGS;
    return 0;
  }
  const std::string& code = m_machine.Locale();
  const int needed = static_cast<int>(code.size()) + 1;
  if (size == 0) return needed;
  if (buffer == nullptr || size < needed) {
    m_lastError = ERROR_INSUFFICIENT_BUFFER;
    return 0;
  }
  std::memcpy(buffer, code.c_str(), static_cast<std::size_t>(needed));
  return needed;
}

platform::UINT SimPlatform::GetWindowsDirectoryA(char* buffer, platform::UINT size) {
  return CopyFolder(m_machine.WindowsDir(), buffer, size);
}

platform::UINT SimPlatform::GetSystemDirectoryA(char* buffer, platform::UINT size) {
  return CopyFolder(m_machine.SystemDir(), buffer, size);
}

platform::DWORD SimPlatform::ReadWholeFile(std::string_view path, std::vector<char>& content) {
  ResolvedPath resolved = m_machine.Resolve(path, CurrentDirectory());
  if (!resolved.ok()) return resolved.error;
  if (resolved.type == fs::file_type::not_found) return ERROR_FILE_NOT_FOUND;
  if (resolved.type != fs::file_type::regular) return ERROR_ACCESS_DENIED;
  if (m_machine.ReadHostFile(resolved.host, content, kMaxReadSize)) return ERROR_SUCCESS;
  switch (errno) {
    case EFBIG: return ERROR_NOT_ENOUGH_MEMORY;
    case EIO: return ERROR_READ_FAULT;
    case ENOENT: return ERROR_FILE_NOT_FOUND;  // gone since its folder was looked at
    default: return ERROR_ACCESS_DENIED;
  }
}

platform::DWORD SimPlatform::WriteWholeFile(std::string_view path, const char* data, std::size_t size) {
  ResolvedPath resolved = m_machine.Resolve(path, CurrentDirectory());
  if (!resolved.ok()) return resolved.error;
  // A new file is neither read-only nor held open by anyone.
  if (resolved.type != fs::file_type::not_found) {
    if (resolved.type != fs::file_type::regular || IsReadOnly(resolved.host)) return ERROR_ACCESS_DENIED;
    if (IsHeldOpen(resolved.host)) return ERROR_SHARING_VIOLATION;
  }
  const Machine::HostWrite written = m_machine.WriteHostFile(resolved.host, data, size);
  if (written == Machine::HostWrite::kNotOpened) return ERROR_ACCESS_DENIED;
  m_machine.NoteChanged(resolved.host, fs::file_type::regular);
  return written == Machine::HostWrite::kDone ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
}

bool SimPlatform::FileExists(std::string_view path) {
  ResolvedPath resolved = m_machine.Resolve(path, CurrentDirectory());
  return resolved.ok() && resolved.type == fs::file_type::regular;
}

std::string SimPlatform::FindFirstFileName(std::string_view pattern) {
  const std::size_t slash = pattern.find_last_of("\\/");
  const std::string folder(slash == std::string_view::npos ? std::string_view(".") : pattern.substr(0, slash + 1));
  const std::string_view namePattern = slash == std::string_view::npos ? pattern : pattern.substr(slash + 1);
  ResolvedPath resolved = m_machine.Resolve(folder, CurrentDirectory());
  std::error_code ec;
  if (!resolved.ok() || !fs::is_directory(fs::symlink_status(resolved.host, ec))) {
    m_lastError = ERROR_PATH_NOT_FOUND;
    return {};
  }
  // Names in sorted order, as an NTFS folder lists them.
  std::string first;
  for (fs::directory_iterator it(resolved.host, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->is_symlink(ec)) continue;
    std::string name = it->path().filename().string();
    if (Matches(namePattern, name) && (first.empty() || ascii::ToUpper(name) < ascii::ToUpper(first))) first = name;
  }
  if (first.empty()) m_lastError = ERROR_FILE_NOT_FOUND;
  return first;
}

platform::BOOL SimPlatform::GetDiskFreeSpaceA(std::string_view root, platform::DWORD* sectorsPerCluster,
                                              platform::DWORD* bytesPerSector, platform::DWORD* freeClusters,
                                              platform::DWORD* totalClusters) {
  const std::string folder = root.empty() ? CurrentDirectory().substr(0, 3) : std::string(root);
  ResolvedPath resolved = m_machine.Resolve(folder, CurrentDirectory());
  std::error_code ec;
  if (!resolved.ok() || !fs::is_directory(fs::symlink_status(resolved.host, ec))) {
    m_lastError = ERROR_PATH_NOT_FOUND;
    return 0;
  }
  char drive = folder.size() >= 2 && folder[1] == ':' ? folder[0] : CurrentDirectory()[0];
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

platform::BOOL SimPlatform::CreateDirectoryA(std::string_view path) {
  ResolvedPath resolved = m_machine.Resolve(path, CurrentDirectory());
  std::error_code ec;
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
  if (error != ERROR_SUCCESS) m_lastError = error;
  return error == ERROR_SUCCESS;
}

platform::BOOL SimPlatform::RemoveDirectoryA(std::string_view path) {
  ResolvedPath resolved = m_machine.Resolve(path, CurrentDirectory());
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
  if (error != ERROR_SUCCESS) m_lastError = error;
  return error == ERROR_SUCCESS;
}

platform::BOOL SimPlatform::DeleteFileA(std::string_view path) {
  ResolvedPath resolved = m_machine.Resolve(path, CurrentDirectory());
  std::error_code ec;
  platform::DWORD error = resolved.error;
  if (resolved.ok()) {
    const fs::file_status status = fs::symlink_status(resolved.host, ec);
    if (!fs::exists(status)) {
      error = MissingError(resolved.host);
    } else if (!fs::is_regular_file(status) || IsReadOnly(resolved.host) || IsHeldOpen(resolved.host)) {
      error = ERROR_ACCESS_DENIED;
    } else if (!m_machine.RemoveHost(resolved.host, false)) {
      error = ERROR_ACCESS_DENIED;
    }
    if (error == ERROR_SUCCESS) m_machine.NoteChanged(resolved.host, fs::file_type::not_found);
  }
  if (error != ERROR_SUCCESS) m_lastError = error;
  return error == ERROR_SUCCESS;
}

platform::DWORD SimPlatform::GetFileAttributesA(std::string_view path) {
  ResolvedPath resolved = m_machine.Resolve(path, CurrentDirectory());
  if (!resolved.ok()) {
    m_lastError = resolved.error;
    return INVALID_FILE_ATTRIBUTES;
  }
  if (resolved.type == fs::file_type::directory) return FILE_ATTRIBUTE_DIRECTORY;
  if (resolved.type == fs::file_type::regular) {
    // Files the machine holds have been written since their last backup.
    return FILE_ATTRIBUTE_ARCHIVE | (IsReadOnly(resolved.host) ? FILE_ATTRIBUTE_READONLY : 0);
  }
  // A free name in a folder that is there; anything else is none of the program's.
  m_lastError = resolved.type == fs::file_type::not_found ? ERROR_FILE_NOT_FOUND : MissingError(resolved.host);
  return INVALID_FILE_ATTRIBUTES;
}

platform::BOOL SimPlatform::SetFileAttributesA(std::string_view path, platform::DWORD attributes) {
  ResolvedPath resolved = m_machine.Resolve(path, CurrentDirectory());
  std::error_code ec;
  if (!resolved.ok()) {
    m_lastError = resolved.error;
    return 0;
  }
  const fs::file_status status = fs::symlink_status(resolved.host, ec);
  if (!fs::exists(status)) {
    m_lastError = MissingError(resolved.host);
    return 0;
  }
  // A CD keeps the attributes it was written with.
  if (m_machine.IsOnCd(resolved.host)) {
    m_lastError = ERROR_ACCESS_DENIED;
    return 0;
  }
  // Only the read-only bit of a file is kept; the others are accepted.
  if (fs::is_regular_file(status)) {
    const fs::perms write = fs::perms::owner_write | fs::perms::group_write;
    fs::permissions(resolved.host, write,
                    (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? fs::perm_options::remove : fs::perm_options::add, ec);
    if (ec) {
      m_lastError = ERROR_ACCESS_DENIED;
      return 0;
    }
  }
  return 1;
}

platform::DWORD SimPlatform::GetCurrentDirectoryA(platform::DWORD size, char* buffer) {
  // Without the closing backslash, except for a drive's root.
  std::string folder = m_currentDirectory;
  if (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  return CopyFolder(folder, buffer, size);
}

platform::BOOL SimPlatform::SetCurrentDirectoryA(std::string_view path) {
  ResolvedPath resolved = m_machine.Resolve(path, CurrentDirectory());
  std::error_code ec;
  if (!resolved.ok() || !fs::is_directory(fs::symlink_status(resolved.host, ec))) {
    m_lastError = resolved.ok() ? (fs::exists(resolved.host, ec) ? ERROR_DIRECTORY : MissingError(resolved.host))
                                : resolved.error;
    return 0;
  }
  m_currentDirectory = m_machine.WindowsPathOf(resolved.host);
  if (m_currentDirectory.back() != '\\') m_currentDirectory += '\\';
  return 1;
}

platform::BOOL SimPlatform::MoveFileExA(const char* existing, const char* newName, platform::DWORD flags) {
  auto fail = [this](platform::DWORD error) {
    m_lastError = error;
    return 0;
  };
  if (existing == nullptr) return fail(ERROR_INVALID_PARAMETER);
  ResolvedPath from = m_machine.Resolve(existing, CurrentDirectory());
  if (!from.ok()) return fail(from.error);
  std::error_code ec;
  const fs::file_status status(from.type);

  // Recorded whether or not the file exists now: the next start finds out.
  if ((flags & MOVEFILE_DELAY_UNTIL_REBOOT) != 0) {
    // Windows 95/98 keep no such list: their next-start work is WININIT.INI's.
    if (!m_machine.IsNT()) return fail(ERROR_CALL_NOT_IMPLEMENTED);
    std::string target;
    if (newName != nullptr && *newName != '\0') {
      ResolvedPath to = m_machine.Resolve(newName, CurrentDirectory());
      if (!to.ok()) return fail(to.error);
      target = std::string((flags & MOVEFILE_REPLACE_EXISTING) != 0 ? "!" : "") + "\\??\\" +
               m_machine.WindowsPathOf(to.host);
    }
    platform::IRegistry& registry = m_machine.Registry();
    platform::HKEY key = nullptr;
    if (registry.RegCreateKeyExA(HKEY_LOCAL_MACHINE, kPendingRenamesKey, 0, KEY_ALL_ACCESS, &key, nullptr) !=
        ERROR_SUCCESS) {
      return fail(ERROR_ACCESS_DENIED);
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
    return stored == ERROR_SUCCESS ? 1 : fail(ERROR_ACCESS_DENIED);
  }

  if (!fs::exists(status)) return fail(MissingError(from.host));
  if (newName == nullptr || *newName == '\0') return fail(ERROR_INVALID_PARAMETER);
  ResolvedPath to = m_machine.Resolve(newName, CurrentDirectory());
  if (!to.ok()) return fail(to.error);
  // A free name was found in its folder; a name that is there has one.
  const fs::file_status targetStatus =
      to.type == fs::file_type::not_found ? fs::file_status(fs::file_type::not_found) : fs::symlink_status(to.host, ec);
  const bool sameEntry = fs::exists(targetStatus) && fs::equivalent(from.host, to.host, ec);
  if (fs::exists(targetStatus) && !sameEntry) {
    if ((flags & MOVEFILE_REPLACE_EXISTING) == 0) return fail(ERROR_ALREADY_EXISTS);
    if (!fs::is_regular_file(targetStatus) || fs::is_directory(status) || IsReadOnly(to.host) ||
        IsHeldOpen(to.host)) {
      return fail(ERROR_ACCESS_DENIED);
    }
  }
  // A folder never moves into itself.
  if (fs::is_directory(status)) {
    const fs::path relative = to.host.lexically_relative(from.host);
    if (!relative.empty() && *relative.begin() != ".." && !sameEntry) return fail(ERROR_ACCESS_DENIED);
  }
  if (!m_machine.RenameHost(from.host, to.host)) {
    m_machine.NoteChanged(from.host);
    m_machine.NoteChanged(to.host);
    return fail(ERROR_ACCESS_DENIED);
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

platform::DWORD SimPlatform::GetShortPathNameA(const char* longPath, char* buffer, platform::DWORD size) {
  if (longPath == nullptr) {
    m_lastError = ERROR_INVALID_PARAMETER;
    return 0;
  }
  ResolvedPath resolved = m_machine.Resolve(longPath, CurrentDirectory());
  std::error_code ec;
  if (!resolved.ok() || !fs::exists(fs::symlink_status(resolved.host, ec))) {
    m_lastError = resolved.ok() ? MissingError(resolved.host) : resolved.error;
    return 0;
  }
  std::string result = ShortWindowsPath(m_machine, resolved.host);
  const std::string_view asked(longPath);
  if (result.size() > 3 && (asked.back() == '\\' || asked.back() == '/')) result += "\\";
  if (buffer == nullptr || size <= result.size()) return static_cast<platform::DWORD>(result.size() + 1);
  std::memcpy(buffer, result.c_str(), result.size() + 1);
  return static_cast<platform::DWORD>(result.size());
}

platform::HMODULE SimPlatform::LoadLibraryA(std::string_view name) {
  const std::string file = LibraryFileName(name);
  const bool builtIn = IsBuiltInLibrary(file) && m_machine.LibraryPresent(file);
  // A built-in library is known by its name, a library file by where it lies.
  std::string key = file;
  fs::path host;
  if (!builtIn) {
    // Found by its path, or in the program's, the system and the Windows folder.
    std::string path(name);
    if (name.find_first_of("\\/") == std::string_view::npos) {
      path.clear();
      for (const std::string& folder :
           {ProgramFolder(), CurrentDirectory(), m_machine.SystemDir() + "\\", m_machine.WindowsDir() + "\\"}) {
        if (FileExists(folder + file)) {
          path = folder + file;
          break;
        }
      }
    }
    ResolvedPath resolved = path.empty() ? ResolvedPath{{}, ERROR_MOD_NOT_FOUND} : m_machine.Resolve(path, CurrentDirectory());
    std::error_code ec;
    if (!resolved.ok() || !fs::is_regular_file(fs::symlink_status(resolved.host, ec))) {
      // Windows 95/98 tell a missing library by a code of their own.
      m_lastError = m_machine.IsNT() ? ERROR_MOD_NOT_FOUND : ERROR_DLL_NOT_FOUND;
      return nullptr;
    }
    host = resolved.host;
    key = host.string();
  }
  for (auto& [handle, library] : m_libraries) {
    if (library.name == key) {
      ++library.references;
      return reinterpret_cast<platform::HMODULE>(handle);
    }
  }
  std::shared_ptr<const PeResources> resources;
  if (!builtIn) {
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(host, ec);
    std::vector<std::uint8_t> image;
    if (!ec && size <= kMaxLibrarySize) {
      std::ifstream in(host, std::ios::binary);
      image.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::string error;
    auto parsed = image.empty() ? std::nullopt : PeResources::Parse(std::move(image), error);
    if (!parsed) {
      m_lastError = ERROR_BAD_EXE_FORMAT;
      return nullptr;
    }
    resources = std::make_shared<const PeResources>(std::move(*parsed));
  }
  std::uintptr_t handle = m_nextHandle;
  m_nextHandle += 0x10000;
  m_libraries[handle] = LoadedLibrary{key, 1, std::move(resources)};
  return reinterpret_cast<platform::HMODULE>(handle);
}

const SimPlatform::LoadedLibrary* SimPlatform::Find(platform::HMODULE module) const {
  auto it = m_libraries.find(reinterpret_cast<std::uintptr_t>(module));
  return it == m_libraries.end() ? nullptr : &it->second;
}

platform::FARPROC SimPlatform::GetProcAddress(platform::HMODULE module, const char* name) {
  const LoadedLibrary* library = Find(module);
  if (library == nullptr) {
    m_lastError = ERROR_INVALID_HANDLE;
    return nullptr;
  }
  platform::FARPROC proc = name != nullptr && !library->resources && m_machine.EntryPointPresent(library->name, name)
                               ? BuiltInEntryPoint(library->name, name)
                               : nullptr;
  if (proc == nullptr) m_lastError = ERROR_PROC_NOT_FOUND;
  return proc;
}

platform::FARPROC SimPlatform::GetProcAddressByOrdinal(platform::HMODULE module, platform::WORD ordinal) {
  const LoadedLibrary* library = Find(module);
  if (library == nullptr) {
    m_lastError = ERROR_INVALID_HANDLE;
    return nullptr;
  }
  platform::FARPROC proc = library->resources ? nullptr : BuiltInEntryPoint(library->name, ordinal);
  if (proc == nullptr) m_lastError = ERROR_PROC_NOT_FOUND;
  return proc;
}

platform::BOOL SimPlatform::FreeLibrary(platform::HMODULE module) {
  auto it = m_libraries.find(reinterpret_cast<std::uintptr_t>(module));
  if (it == m_libraries.end()) {
    m_lastError = ERROR_INVALID_HANDLE;
    return 0;
  }
  if (--it->second.references == 0) m_libraries.erase(it);
  return 1;
}

platform::DWORD SimPlatform::GetLastError() { return m_lastError; }

void SimPlatform::OutputDebugStringA(const char* text) {
  if (text == nullptr) return;
  // One line of the record, however the text breaks.
  std::string line(text);
  std::replace_if(line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  while (!line.empty() && line.back() == ' ') line.pop_back();
  m_machine.AppendEvent("debug " + line);
}

const PeResources* SimPlatform::ResourcesOf(platform::HMODULE module) const {
  const LoadedLibrary* library = Find(module);
  return library != nullptr ? library->resources.get() : nullptr;
}

int SimPlatform::LoadStringA(platform::HMODULE module, platform::UINT id, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  buffer[0] = '\0';
  const PeResources* resources = ResourcesOf(module);
  auto text = resources != nullptr ? resources->LoadString(id, m_machine.CodePage()) : std::nullopt;
  if (!text) return 0;
  const std::size_t n = std::min(text->size(), static_cast<std::size_t>(size) - 1);
  std::memcpy(buffer, text->data(), n);
  buffer[n] = '\0';
  return static_cast<int>(n);
}

bool SimPlatform::FindResourceA(platform::HMODULE module, platform::UINT id, platform::UINT type) {
  const PeResources* resources = ResourcesOf(module);
  return resources != nullptr && resources->HasResource(type, id);
}

platform::HMODULE SimPlatform::GetProgramModule() { return reinterpret_cast<platform::HMODULE>(kProgramModule); }

int SimPlatform::MessageBoxA(const platform::MessageBoxRequest& request) {
  const int answer = m_answerer ? m_answerer(request) : DefaultAnswer(request.type);
  std::string line = "message " + std::to_string(request.messageId);
  for (const std::string& insert : request.inserts) line += " \"" + insert + "\"";
  line += std::string(" -> ") + AnswerName(answer);
  m_machine.AppendEvent(line);
  return answer;
}

}  // namespace sim
