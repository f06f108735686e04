#include "platform/shared/hardware_description.h"

#include "platform/ascii_text.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>

#include "platform/outside_libraries.h"

namespace sim {

// Splits at the separator, trimming blanks around each part.
std::vector<std::string> SplitList(std::string_view text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (true) {
    std::size_t end = text.find(separator, start);
    std::string_view part = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    std::size_t b = part.find_first_not_of(" \t");
    std::size_t e = part.find_last_not_of(" \t");
    parts.emplace_back(b == std::string_view::npos ? std::string_view{} : part.substr(b, e - b + 1));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return parts;
}

namespace {

// Copies text into a caller's buffer of `size` bytes, always terminated;
// answers the length copied.
std::size_t CopyBounded(const std::string& text, char* buffer, std::size_t size) {
  if (buffer == nullptr || size == 0) return 0;
  const std::size_t n = std::min(text.size(), size - 1);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return n;
}

// A folder at a drive root keeps its backslash ("C:\"); no doubling.
std::string Below(const std::string& folder, const char* name) {
  std::string path = folder;
  if (path.empty() || path.back() != '\\') path += '\\';
  path.append(name);
  return path;
}

// Appends the texts, each in double quotes after a blank.
std::string WithQuoted(std::string line, std::initializer_list<const char*> texts) {
  for (const char* text : texts) {
    line += " \"";
    if (text != nullptr) line.append(text);
    line += '"';
  }
  return line;
}

}  // namespace

std::optional<HardwareDescription> HardwareDescription::Parse(std::string_view text, std::string& error) {
  auto file = ConfigFile::Parse(text, "hardware.ini", error, ConfigFile::Repeats::kRefused);
  if (!file) return std::nullopt;
  return Read(*file, error);
}

std::optional<HardwareDescription> HardwareDescription::Read(const ConfigFile& hw, std::string& error) {
  HardwareDescription h;
  h.m_biosText = hw.Get("Bios", "Text").value_or("");
  if (const auto* pci = hw.FindSection("PCI")) {
    for (const auto& [key, value] : pci->entries) {
      auto parts = SplitList(value, ',');
      std::optional<unsigned long long> vendor, device;
      if (parts.size() == 2) {
        vendor = ParseUnsigned(parts[0], 16, 0xFFFF);
        device = ParseUnsigned(parts[1], 16, 0xFFFF);
      }
      if (!vendor || !device) {
        error = "hardware.ini: [PCI] " + key + "='" + value + "' is not 'vendor,device' in hex (for example 10DE,0020)";
        return std::nullopt;
      }
      h.m_pci.push_back(PciDevice{static_cast<std::uint16_t>(*vendor), static_cast<std::uint16_t>(*device)});
    }
  }
  if (const auto* ids = hw.FindSection("InstalledHardware")) {
    for (const auto& entry : ids->entries) h.m_installedIds.push_back(entry.second);
  }
  if (const auto* displays = hw.FindSection("Display")) {
    for (const auto& [key, value] : displays->entries) {
      const auto parts = SplitList(value, '|');
      if (parts.size() < 2 || parts.size() > 3 || parts[0].empty() || parts[1].empty()) {
        error = "hardware.ini: [Display] " + key + "='" + value +
                "' is not 'display name|driver sub-key' or 'display name|driver sub-key|description'";
        return std::nullopt;
      }
      h.m_displays.push_back(DisplayDevice{parts[0], parts[1], parts.size() == 3 ? parts[2] : std::string()});
    }
  }
  if (const auto* monitors = hw.FindSection("Monitors")) {
    h.m_hasMonitorSection = true;
    for (const auto& entry : monitors->entries) {
      if (!entry.second.empty()) h.m_monitors.push_back(entry.second);
    }
  }
  if (const auto* dirs = hw.FindSection("LogicalDirs")) {
    for (const auto& [key, value] : dirs->entries) {
      auto number = ParseUnsigned(key, 10, 0x7FFFFFFF);
      if (!number || value.empty()) {
        error = "hardware.ini: [LogicalDirs] '" + key + "=" + value + "' is not 'number=folder'";
        return std::nullopt;
      }
      h.m_logicalDirs.emplace_back(static_cast<int>(*number), value);
    }
  }
  return h;
}

std::vector<std::string> HardwareDescription::MonitoredDisplays() const {
  if (m_hasMonitorSection) return m_monitors;
  if (m_displays.empty()) return {};
  return {m_displays.front().name};
}

std::vector<std::size_t> HardwareDescription::MatchingDisplays(std::string_view hardwareId, std::int32_t device) const {
  std::vector<std::size_t> found;
  if (hardwareId.empty()) return found;
  for (std::size_t i = 0; i < m_displays.size(); ++i) {
    if (device != outside::kNoDevice && (device < 0 || static_cast<std::size_t>(device) != i)) continue;
    if (m_displays[i].driverKey.find(hardwareId) != std::string::npos) found.push_back(i);
  }
  return found;
}

std::int32_t HardwareDescription::SearchBios(const char* text) const {
  if (text == nullptr || *text == '\0') return 0;
  return m_biosText.find(text) != std::string::npos ? 1 : 0;
}

std::int32_t HardwareDescription::IsVendorIdPresent(const char* hardwareId) const {
  if (hardwareId == nullptr) return 0;
  return std::any_of(m_installedIds.begin(), m_installedIds.end(),
                     [&](const std::string& id) { return ascii::EqualNoCase(id, hardwareId); })
             ? 1
             : 0;
}

std::int32_t HardwareDescription::SearchPciDevice(std::int32_t vendor, std::int32_t device) const {
  return std::any_of(m_pci.begin(), m_pci.end(),
                     [&](const PciDevice& d) { return d.vendor == vendor && d.device == device; })
             ? 1
             : 0;
}

std::optional<std::string> HardwareDescription::LogicalDirectory(int ldid, const std::string& windowsDir,
                                                                 const std::string& systemDir, bool nt) const {
  for (const auto& [number, folder] : m_logicalDirs) {
    if (number == ldid) return folder;
  }
  std::string drive = windowsDir.substr(0, 2);
  drive += '\\';
  // The logical directory numbers of the Windows 95/98 setup engine.
  switch (ldid) {
    case 10: return windowsDir;
    case 11: return systemDir;
    case 12: return Below(systemDir, nt ? "DRIVERS" : "IOSUBSYS");
    case 13: return Below(windowsDir, "COMMAND");
    case 17: return Below(windowsDir, "INF");
    case 18: return Below(windowsDir, "HELP");
    case 20: return Below(windowsDir, "FONTS");
    case 21: return Below(systemDir, "VIEWERS");
    case 22: return Below(systemDir, "VMM32");
    case 23: return Below(systemDir, "COLOR");
    case 24: return drive;
    case 25: return windowsDir;
    case 26: return windowsDir;
    case 28: return windowsDir;
    case 30: return drive;
    case 31: return drive;
    default: return std::nullopt;
  }
}

std::int32_t HardwareDescription::LddToPath(std::int32_t ldid, char* path, std::size_t size,
                                            const std::string& windowsDir, const std::string& systemDir,
                                            bool nt) const {
  const auto folder = LogicalDirectory(ldid, windowsDir, systemDir, nt);
  CopyBounded(folder.value_or(""), path, size);
  return folder ? 1 : 0;
}

std::int32_t HardwareDescription::EnumDisplayDevice(std::int32_t device, char* name, std::uint16_t* nameSize,
                                                    char* subKey, std::uint16_t* subKeySize) const {
  if (device < 1 || static_cast<std::size_t>(device) > m_displays.size()) return 0;
  const DisplayDevice& d = m_displays[static_cast<std::size_t>(device) - 1];
  if (nameSize != nullptr) *nameSize = static_cast<std::uint16_t>(CopyBounded(d.name, name, *nameSize));
  if (subKeySize != nullptr) {
    *subKeySize = static_cast<std::uint16_t>(CopyBounded(d.driverKey, subKey, *subKeySize));
  }
  return 1;
}

namespace hardware_record {

std::string DoDriverInstall(const char* deviceClass, const char* hardwareId, const char* section, const char* infPath,
                            const char* description, const char* manufacturer) {
  return WithQuoted("thunk DoDriverInstall32",
                    {deviceClass, hardwareId, section, infPath, description, manufacturer});
}

std::string DoMultiDriverInstall(const char* deviceClass, const char* hardwareId, const char* section,
                                 const char* infPath, const char* description, const char* manufacturer,
                                 std::int32_t device) {
  std::string line = WithQuoted("thunk DoMultiDriverInstall32",
                                {deviceClass, hardwareId, section, infPath, description, manufacturer});
  line += ' ';
  line += std::to_string(device);
  return line;
}

std::string InstallCompatibleDriver(const char* deviceClass, const char* hardwareId, std::int32_t device) {
  std::string line = WithQuoted("thunk InstallCompatibleDriver32", {deviceClass, hardwareId});
  if (device != outside::kNoDevice) {
    line += ' ';
    line += std::to_string(device);
  }
  return line;
}

std::string Restart(std::int32_t how) {
  return how == outside::kRestartComputer ? "restart computer" : "restart windows";
}

}  // namespace hardware_record

}  // namespace sim
