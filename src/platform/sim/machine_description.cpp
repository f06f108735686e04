#include "platform/sim/machine_description.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/ascii_text.h"
#include "platform/sim/device_installer.h"

namespace fs = std::filesystem;

namespace sim {
namespace {

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

constexpr LocaleInfo kLocales[] = {
    {"CHS", 936},  {"CHT", 950},  {"DAN", 1252}, {"NLD", 1252}, {"ENU", 1252}, {"FIN", 1252}, {"FRA", 1252},
    {"DEU", 1252}, {"ITA", 1252}, {"JPN", 932},  {"KOR", 949},  {"NOR", 1252}, {"PLK", 1250}, {"PTB", 1252},
    {"PTG", 1252}, {"RUS", 1251}, {"ESP", 1252}, {"SVE", 1252}, {"THA", 874}};

bool ReadMachineFolderFile(const fs::path& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  out = buffer.str();
  return !in.bad();
}

bool ParseFlag(std::string_view value, bool& out) {
  if (value == "1") {
    out = true;
  } else if (value == "0") {
    out = false;
  } else {
    return false;
  }
  return true;
}

}  // namespace

std::optional<LocaleInfo> FindLocale(std::string_view code, std::string& storage) {
  for (const LocaleInfo& l : kLocales) {
    if (ascii::EqualNoCase(l.code, code)) return l;
  }
  if (code.size() != 3 || !std::all_of(code.begin(), code.end(), IsAsciiLetter)) return std::nullopt;
  storage = ascii::ToUpper(code);
  return LocaleInfo{storage.c_str(), 1252};
}

std::string DefaultWindowsDir(OsKind os) {
  return (os == OsKind::NT4 || os == OsKind::NT5) ? "C:\\WINNT" : "C:\\WINDOWS";
}

// A display service of Windows NT, the one \Device\Video0 names.
void WriteDisplayService(SimRegistry& r, const std::string& name, const std::string& group, std::uint32_t start) {
  const std::string key = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\" + name;
  r.SetDword(key, "Type", 1);
  r.SetDword(key, "Start", start);
  r.SetDword(key, "ErrorControl", 1);
  r.SetString(key, "Group", group);
  r.SetString(key, "ImagePath", "System32\\drivers\\" + name + ".sys");
  r.SetString("HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\VIDEO", "\\Device\\Video0",
              "\\REGISTRY\\Machine\\System\\CurrentControlSet\\Services\\" + name + "\\Device0");
}

std::optional<Machine> Machine::Open(const fs::path& dir, std::string& error) {
  Machine m;
  std::error_code ec;
  m.m_dir = fs::absolute(dir, ec);
  if (ec || !fs::is_directory(m.m_dir, ec)) {
    error = dir.string() + " is not a machine folder";
    return std::nullopt;
  }
  m.m_paths = std::make_unique<PathResolver>(m.m_dir);
  m.m_hostFiles = std::make_unique<HostFiles>(m.m_dir, kCdDrive);
  m.m_events = EventLog(m.m_dir / "events.log");

  std::string text;
  if (!ReadMachineFolderFile(m.m_dir / "machine.ini", text)) {
    error = "cannot read " + (m.m_dir / "machine.ini").string() + " (make a machine with 'winsim new')";
    return std::nullopt;
  }
  auto machineIni = ConfigFile::Parse(text, "machine.ini", error, ConfigFile::Repeats::kRefused);
  if (!machineIni) return std::nullopt;

  auto osName = machineIni->Get("Machine", "OS");
  if (!osName) {
    error = "machine.ini: [Machine] has no OS";
    return std::nullopt;
  }
  auto os = ParseOsKind(*osName);
  if (!os) {
    error = "machine.ini: OS '" + *osName + "' is not one of win95, win98, nt4, nt5";
    return std::nullopt;
  }
  m.m_os = *os;
  std::string localeStorage;
  const auto locale = FindLocale(machineIni->Get("Machine", "Locale").value_or("ENU"), localeStorage);
  if (!locale) {
    error = "machine.ini: unknown Locale '" + machineIni->Get("Machine", "Locale").value_or("") + "'";
    return std::nullopt;
  }
  m.m_locale = locale->code;
  m.m_codePage = locale->codePage;
  m.m_windowsDir = machineIni->Get("Machine", "WindowsDir").value_or(DefaultWindowsDir(m.m_os));
  while (m.m_windowsDir.size() > 3 && m.m_windowsDir.back() == '\\') m.m_windowsDir.pop_back();
  if (m.m_windowsDir.size() < 3 || !IsAsciiLetter(m.m_windowsDir[0]) || m.m_windowsDir[1] != ':' ||
      m.m_windowsDir[2] != '\\') {
    error = "machine.ini: WindowsDir '" + m.m_windowsDir + "' is not a full path such as C:\\WINDOWS";
    return std::nullopt;
  }
  for (const char* key : {"Administrator", "SafeMode"}) {
    bool flag = false;
    auto value = machineIni->Get("Machine", key);
    if (value && !ParseFlag(*value, flag)) {
      error = std::string("machine.ini: ") + key + " must be 0 or 1, not '" + *value + "'";
      return std::nullopt;
    }
    // A machine.ini without the line keeps the administrator of a new machine.
    if (std::string_view(key) == "Administrator") m.m_administrator = value ? flag : true;
    if (std::string_view(key) == "SafeMode") m.m_safeMode = value && flag;
  }

  m.m_registry = SimRegistry::Load(m.m_dir / "registry.reg", m.IsNT(), error);
  if (!m.m_registry) return std::nullopt;

  if (!ReadMachineFolderFile(m.m_dir / "hardware.ini", text)) {
    error = "cannot read " + (m.m_dir / "hardware.ini").string();
    return std::nullopt;
  }
  auto hw = ConfigFile::Parse(text, "hardware.ini", error, ConfigFile::Repeats::kRefused);
  if (!hw) return std::nullopt;

  auto hardware = HardwareDescription::Read(*hw, error);
  if (!hardware) return std::nullopt;
  m.m_hardware = std::move(*hardware);
  if (const auto* drives = hw->FindSection("Drives")) {
    for (const auto& [key, value] : drives->entries) {
      auto parts = SplitList(value, ',');
      std::optional<unsigned long long> clusters, sectors, bytes;
      if (parts.size() == 3) {
        clusters = ParseUnsigned(parts[0], 10, 0xFFFFFFFFull);
        sectors = ParseUnsigned(parts[1], 10, 0xFFFFFFFFull);
        bytes = ParseUnsigned(parts[2], 10, 0xFFFFFFFFull);
      }
      if (key.size() != 1 || !IsAsciiLetter(key[0]) || !clusters || !sectors || !bytes) {
        error = "hardware.ini: [Drives] " + key + "='" + value +
                "' is not 'letter=free clusters,sectors per cluster,bytes per sector'";
        return std::nullopt;
      }
      m.m_drives.emplace_back(ascii::ToUpper(key)[0], DriveSpace{static_cast<std::uint32_t>(*clusters),
                                                          static_cast<std::uint32_t>(*sectors),
                                                          static_cast<std::uint32_t>(*bytes)});
    }
  }
  if (const auto* libs = hw->FindSection("Libraries")) {
    for (const auto& [key, value] : libs->entries) {
      bool present = false;
      if (!ParseFlag(value, present)) {
        error = "hardware.ini: [Libraries] " + key + " must be 0 or 1, not '" + value + "'";
        return std::nullopt;
      }
      m.m_libraries.emplace_back(key, present);
    }
  }
  if (const auto* missing = hw->FindSection("MissingEntryPoints")) {
    for (const auto& [library, list] : missing->entries) {
      for (const std::string& entry : SplitList(list, ',')) {
        if (!entry.empty()) m.m_missingEntries.emplace_back(library, entry);
      }
    }
  }
  if (const auto* held = hw->FindSection("FilesInUse")) {
    for (const auto& entry : held->entries) {
      if (!entry.second.empty()) m.m_filesInUse.push_back(entry.second);
    }
  }
  if (const auto name = hw->Get("DisplayService", "Name"); name && m.IsNT()) {
    // Another active display service than a fresh machine's, written once.
    const std::string group = hw->Get("DisplayService", "Group").value_or("Video");
    const auto start = ParseUnsigned(hw->Get("DisplayService", "Start").value_or("1"), 10, 4);
    if (name->empty() || name->find('\\') != std::string::npos || !start) {
      error = "hardware.ini: [DisplayService] needs a Name without '\\' and a Start from 0 to 4";
      return std::nullopt;
    }
    if (!m.m_registry->Export("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\" + *name)) {
      WriteDisplayService(*m.m_registry, *name, group, static_cast<std::uint32_t>(*start));
    }
  }
  if (!m.IsNT()) {
    // Windows 95/98 find their display devices at start: each gets its Enum
    // key with the description, driven by the standard VGA driver until one
    // is installed.
    for (const DisplayDevice& device : m.m_hardware.DisplayDevices()) {
      const std::string key = "HKEY_LOCAL_MACHINE\\" + device.driverKey;
      if (device.description.empty() || m.m_registry->Export(key)) continue;
      m.m_registry->SetString(key, "DeviceDesc", device.description);
      m.m_registry->SetString(key, "Class", "Display");
      m.m_registry->SetString(key, "Driver", kStandardVgaDriver);
    }
  }
  return m;
}

}  // namespace sim
