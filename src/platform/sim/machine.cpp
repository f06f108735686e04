#include "platform/sim/machine.h"

#include <algorithm>
#include <system_error>

#include "platform/ascii_text.h"

namespace fs = std::filesystem;

namespace sim {

std::optional<OsKind> ParseOsKind(std::string_view name) {
  if (ascii::EqualNoCase(name, "win95")) return OsKind::Win95;
  if (ascii::EqualNoCase(name, "win98")) return OsKind::Win98;
  if (ascii::EqualNoCase(name, "nt4")) return OsKind::NT4;
  if (ascii::EqualNoCase(name, "nt5")) return OsKind::NT5;
  return std::nullopt;
}

const char* OsKindName(OsKind os) {
  switch (os) {
    case OsKind::Win95: return "win95";
    case OsKind::Win98: return "win98";
    case OsKind::NT4: return "nt4";
    case OsKind::NT5: return "nt5";
  }
  return "win98";
}

namespace {
// A Windows folder at a drive root keeps its backslash ("C:\"); no doubling.
std::string Below(const std::string& folder, const char* name) {
  return (!folder.empty() && folder.back() == '\\' ? folder : folder + "\\") + name;
}
}  // namespace

void Machine::ShareCdOf(const std::filesystem::path& machineFolder) {
  std::error_code ec;
  const std::filesystem::path home = std::filesystem::absolute(machineFolder, ec);
  m_paths->ShareCd(home, kCdDrive);
  m_hostFiles->ShareCd(home);
}

std::string Machine::SystemDir() const { return Below(m_windowsDir, IsNT() ? "SYSTEM32" : "SYSTEM"); }

platform::OSVERSIONINFOA Machine::VersionInfo() const {
  platform::OSVERSIONINFOA v{};
  v.dwOSVersionInfoSize = sizeof(v);
  auto setCsd = [&](const char* text) {
    std::size_t n = std::min(std::char_traits<char>::length(text), sizeof(v.szCSDVersion) - 1);
    std::copy_n(text, n, v.szCSDVersion);
  };
  switch (m_os) {
    case OsKind::Win95:
      v = {sizeof(v), 4, 0, 0x040003B6, VER_PLATFORM_WIN32_WINDOWS, {}};
      break;
    case OsKind::Win98:
      v = {sizeof(v), 4, 10, 0x040A07CE, VER_PLATFORM_WIN32_WINDOWS, {}};
      break;
    case OsKind::NT4:
      v = {sizeof(v), 4, 0, 1381, VER_PLATFORM_WIN32_NT, {}};
      setCsd("Service Pack 6");
      break;
    case OsKind::NT5:
      v = {sizeof(v), 5, 0, 2195, VER_PLATFORM_WIN32_NT, {}};
      setCsd("Service Pack 4");
      break;
  }
  return v;
}

DriveSpace Machine::FreeSpace(char driveLetter) const {
  char letter = ascii::ToUpper(std::string_view(&driveLetter, 1))[0];
  for (const auto& [d, space] : m_drives) {
    if (d == letter) return space;
  }
  // A drive that hardware.ini does not describe: 1 GB free in 4 KB clusters.
  return DriveSpace{262144, 8, 512};
}

bool Machine::LibraryPresent(std::string_view libraryName) const {
  for (const auto& [name, present] : m_libraries) {
    if (ascii::EqualNoCase(name, libraryName)) return present;
  }
  // Windows NT's device installer; the distribution's own libraries serve Windows 95/98.
  if (ascii::EqualNoCase(libraryName, "SETUPAPI.DLL")) return IsNT();
  return !IsNT();
}

bool Machine::EntryPointPresent(std::string_view libraryName, std::string_view entryPoint) const {
  for (const auto& [library, entry] : m_missingEntries) {
    if (ascii::EqualNoCase(library, libraryName) && entry == entryPoint) return false;
  }
  return true;
}

std::optional<std::string> Machine::LogicalDirectory(int ldid) const {
  return m_hardware.LogicalDirectory(ldid, m_windowsDir, SystemDir(), IsNT());
}

bool Machine::IsHeldOpen(const fs::path& host) const {
  std::error_code ec;
  for (const std::string& path : m_filesInUse) {
    const ResolvedPath held = Resolve(path);
    if (held.ok() && fs::equivalent(held.host, host, ec)) return true;
  }
  return false;
}

}  // namespace sim
