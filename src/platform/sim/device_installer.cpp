#include "platform/sim/device_installer.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

#include "platform/ascii_text.h"
#include "platform/sim/inf_file.h"
#include "platform/sim/machine.h"
#include "platform/sim/opened_key.h"

namespace sim {
namespace {

using platform::BYTE;
using platform::DWORD;
using platform::HKEY;
using platform::IRegistry;

// AddReg flags of the Windows 95/98 setup engine.
constexpr unsigned long kAddRegBinary = 0x00000001;
constexpr unsigned long kAddRegNoClobber = 0x00000002;
constexpr unsigned long kAddRegDelete = 0x00000004;
constexpr unsigned long kAddRegMultiSz = 0x00010000;
constexpr unsigned long kAddRegExpandSz = 0x00020000;
constexpr unsigned long kAddRegDword = 0x00010001;

std::string FullDriverKey(const std::string& driver) {
  // "Display\0001" names a key below Services\Class.
  return "System\\CurrentControlSet\\Services\\Class\\" + driver;
}

std::optional<unsigned long> ParseNumber(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const unsigned long value = std::strtoul(text.c_str(), &end, 0);
  if (end == nullptr || *end != '\0') return std::nullopt;
  return value;
}

// The root of an INF registry line: HKR is the driver key.
HKEY RootOf(const std::string& name, HKEY relative) {
  if (ascii::EqualNoCase(name, "HKR")) return relative;
  if (ascii::EqualNoCase(name, "HKLM")) return HKEY_LOCAL_MACHINE;
  if (ascii::EqualNoCase(name, "HKCU")) return HKEY_CURRENT_USER;
  if (ascii::EqualNoCase(name, "HKCR")) return HKEY_CLASSES_ROOT;
  if (ascii::EqualNoCase(name, "HKU")) return HKEY_USERS;
  return nullptr;
}

void RunDelReg(IRegistry& registry, const InfLine& line, HKEY relative) {
  HKEY root = RootOf(line.key.empty() ? line.Field(1) : line.key, relative);
  // A line is "root,subkey[,name]"; fields counted from the root.
  std::vector<std::string> f = line.fields;
  if (!line.key.empty()) f.insert(f.begin(), line.key);
  if (root == nullptr || f.empty()) return;
  const std::string subKey = f.size() > 1 ? f[1] : std::string();
  if (f.size() > 2) {
    OpenedKey key(registry, root, subKey, false);
    if (key) registry.RegDeleteValueA(key.Handle(), f[2].empty() ? nullptr : f[2].c_str());
  } else if (!subKey.empty()) {
    registry.RegDeleteKeyA(root, subKey.c_str());
  }
}

void RunAddReg(IRegistry& registry, const std::vector<std::string>& f, HKEY relative) {
  if (f.empty()) return;
  HKEY root = RootOf(f[0], relative);
  if (root == nullptr) return;
  OpenedKey key(registry, root, f.size() > 1 ? f[1] : std::string(), true);
  if (!key || f.size() < 3) return;
  const std::string& name = f[2];
  const char* valueName = name.empty() ? nullptr : name.c_str();
  const unsigned long flags = f.size() > 3 ? ParseNumber(f[3]).value_or(0) : 0;
  if ((flags & kAddRegDelete) != 0) {
    registry.RegDeleteValueA(key.Handle(), valueName);
    return;
  }
  if ((flags & kAddRegNoClobber) != 0 && key.HasValue(valueName)) return;
  std::vector<std::string> values(f.begin() + std::min<std::size_t>(f.size(), 4), f.end());
  std::vector<BYTE> data;
  if ((flags & kAddRegDword) == kAddRegDword) {
    std::uint32_t number = 0;
    if (values.size() == 1) {
      number = static_cast<std::uint32_t>(ParseNumber(values[0]).value_or(0));
    } else {
      for (std::size_t i = 0; i < values.size() && i < 4; ++i) {
        number |= static_cast<std::uint32_t>(std::strtoul(values[i].c_str(), nullptr, 16) & 0xFF) << (8 * i);
      }
    }
    for (int i = 0; i < 4; ++i) data.push_back(static_cast<BYTE>(number >> (8 * i)));
    key.Set(valueName, REG_DWORD, data);
  } else if ((flags & kAddRegBinary) != 0) {
    for (const std::string& byte : values) data.push_back(static_cast<BYTE>(std::strtoul(byte.c_str(), nullptr, 16)));
    key.Set(valueName, REG_BINARY, data);
  } else if ((flags & kAddRegMultiSz) != 0) {
    for (const std::string& text : values) {
      data.insert(data.end(), text.begin(), text.end());
      data.push_back(0);
    }
    data.push_back(0);
    key.Set(valueName, REG_MULTI_SZ, data);
  } else {
    const std::string text = values.empty() ? std::string() : values[0];
    data.assign(text.begin(), text.end());
    data.push_back(0);
    key.Set(valueName, (flags & kAddRegExpandSz) != 0 ? REG_EXPAND_SZ : REG_SZ, data);
  }
}

// The sections a key of the install section names, in order.
std::vector<std::string> SectionsOf(const std::vector<InfLine>& install, const char* key) {
  std::vector<std::string> names;
  for (const InfLine& line : install) {
    if (!ascii::EqualNoCase(line.key, key)) continue;
    for (const std::string& name : line.fields) {
      if (!name.empty()) names.push_back(name);
    }
  }
  return names;
}

// The install section of the model whose identifiers hold the device's, as
// the device installer matches a device to its INF; the caller's section
// when no model names it.
std::string PickInstallSection(const InfFile& inf, const std::string& hardwareId, const std::string& given) {
  if (const auto* manufacturers = inf.Section("Manufacturer")) {
    for (const InfLine& maker : *manufacturers) {
      const auto* models = inf.Section(maker.Field(1));
      if (models == nullptr) continue;
      for (const InfLine& model : *models) {
        for (std::size_t n = 2; n <= model.fields.size(); ++n) {
          std::string id = model.Field(n);
          if (!id.empty() && id.front() == '*') id.erase(0, 1);
          if (!id.empty() && ascii::EqualNoCase(id, hardwareId)) return model.Field(1);
        }
      }
    }
  }
  return given;
}

// The first free number below Services\Class\Display.
std::string NewDriverNumber(IRegistry& registry) {
  for (int n = 0; n < 10000; ++n) {
    char number[12];  // room for any int, though n stays below 10000
    std::snprintf(number, sizeof number, "%04d", n);
    OpenedKey existing(registry, HKEY_LOCAL_MACHINE, std::string(kDisplayClassKey) + "\\" + number, false);
    if (!existing) return number;
  }
  return "9999";
}

// The devices with that identifier in their driver sub-key (all, or only
// `device`), as indexes of the machine's display devices.
std::vector<std::size_t> MatchingDevices(const Machine& machine, const std::string& hardwareId, std::int32_t device) {
  return machine.Hardware().MatchingDisplays(hardwareId, device);
}

// Points a device's Enum key at a driver; the driver it leaves, unless it
// is the standard VGA one, goes with it.
void LinkDevice(IRegistry& registry, const std::string& enumKey, const std::string& driver) {
  OpenedKey key(registry, HKEY_LOCAL_MACHINE, enumKey, true);
  if (!key) return;
  const std::string old = key.GetString("Driver").value_or("");
  if (!old.empty() && !ascii::EqualNoCase(old, driver) && !ascii::EqualNoCase(old, kStandardVgaDriver) &&
      ascii::EqualNoCase(old.substr(0, 8), "Display\\")) {
    registry.RegDeleteKeyA(HKEY_LOCAL_MACHINE, FullDriverKey(old).c_str());
  }
  key.SetString("Class", "Display");
  key.SetString("Driver", driver);
}

}  // namespace

std::optional<std::string> ReadMachineFile(const Machine& machine, const std::string& windowsPath) {
  const ResolvedPath resolved = machine.Resolve(windowsPath);
  if (!resolved.ok()) return std::nullopt;
  constexpr std::size_t kMaxMachineFile = 16 << 20;
  std::vector<char> content;
  if (!machine.ReadHostFile(resolved.host, content, kMaxMachineFile)) return std::nullopt;
  return std::string(content.begin(), content.end());
}

void RunRegistryLines(IRegistry& registry, const InfFile& inf, const std::vector<InfLine>& install, HKEY relative) {
  for (const std::string& name : SectionsOf(install, "DelReg")) {
    if (const auto* lines = inf.Section(name)) {
      for (const InfLine& line : *lines) RunDelReg(registry, line, relative);
    }
  }
  for (const std::string& name : SectionsOf(install, "AddReg")) {
    if (const auto* lines = inf.Section(name)) {
      for (const InfLine& line : *lines) {
        std::vector<std::string> f = line.fields;
        if (!line.key.empty()) f.insert(f.begin(), line.key);
        RunAddReg(registry, f, relative);
      }
    }
  }
}

void WriteStandardVgaDriver(IRegistry& registry) {
  OpenedKey vga(registry, HKEY_LOCAL_MACHINE, FullDriverKey(kStandardVgaDriver), true);
  vga.SetString("DriverDesc", "Standard Display Adapter (VGA)");
  vga.SetString("InfPath", "MSDISP.INF");
  vga.SetString("InfSection", "VGA");
  vga.SetString("ProviderName", "Microsoft");
  vga.SetString("MatchingDeviceId", "*PNP0900");
  vga.SetString("DevLoader", "*vdd");
  OpenedKey defaults(registry, HKEY_LOCAL_MACHINE, FullDriverKey(kStandardVgaDriver) + "\\DEFAULT", true);
  defaults.SetString("drv", "vga.drv");
  defaults.SetString("vdd", "*vdd");
}

std::int32_t InstallDisplayDriver(const Machine& machine, const DriverInstallCall& call) {
  const auto text = ReadMachineFile(machine, call.infPath);
  if (!text) return ERROR_FILE_NOT_FOUND;
  const InfFile inf = InfFile::Parse(*text);
  const std::string section = PickInstallSection(inf, call.hardwareId, call.section);
  const auto* install = inf.Section(section);
  if (install == nullptr) return kSectionNotFound;

  IRegistry& registry = machine.Registry();
  const std::string driver = "Display\\" + NewDriverNumber(registry);
  OpenedKey driverKey(registry, HKEY_LOCAL_MACHINE, FullDriverKey(driver), true);
  if (!driverKey) return ERROR_ACCESS_DENIED;
  driverKey.SetString("DriverDesc", call.description);
  driverKey.SetString("InfPath", call.infPath);
  driverKey.SetString("InfSection", section);
  driverKey.SetString("ProviderName", inf.Value("Version", "Provider"));
  driverKey.SetString("MatchingDeviceId", call.hardwareId);
  RunRegistryLines(registry, inf, *install, driverKey.Handle());
  for (std::size_t i : MatchingDevices(machine, call.hardwareId, call.device)) {
    LinkDevice(registry, machine.DisplayDevices()[i].driverKey, driver);
  }
  return 0;
}

std::int32_t InstallCompatibleDisplayDriver(const Machine& machine, const std::string& hardwareId,
                                            std::int32_t device) {
  // No device to give back: the call changed nothing and says so.
  const std::vector<std::size_t> devices = MatchingDevices(machine, hardwareId, device);
  if (devices.empty()) return kNoSuchDevice;
  IRegistry& registry = machine.Registry();
  WriteStandardVgaDriver(registry);
  for (std::size_t i : devices) LinkDevice(registry, machine.DisplayDevices()[i].driverKey, kStandardVgaDriver);
  return 0;
}

}  // namespace sim
