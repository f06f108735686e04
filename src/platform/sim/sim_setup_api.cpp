#include "platform/sim/sim_setup_api.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ascii_text.h"
#include "platform/outside_libraries.h"
#include "platform/setup_api.h"
#include "platform/sim/device_installer.h"
#include "platform/sim/inf_file.h"
#include "platform/sim/machine.h"
#include "platform/sim/opened_key.h"
#include "platform/sim/sim_platform.h"

namespace sim {
namespace {

using namespace setupapi;
using platform::BYTE;
using platform::HKEY;
using platform::IRegistry;

constexpr const char* kEnumKey = "SYSTEM\\CurrentControlSet\\Enum\\";
constexpr const char* kClassKey = "SYSTEM\\CurrentControlSet\\Control\\Class\\";
constexpr const char* kServicesKey = "SYSTEM\\CurrentControlSet\\Services\\";

struct Driver {
  std::string description, manufacturer, provider, section, infPath;
};

struct Device {
  std::string instanceId;
  Guid classGuid{};
  bool registered = false;
  SP_DEVINSTALL_PARAMS_A params{};
  std::vector<Driver> drivers;
  std::optional<std::size_t> selected;
};

struct DeviceSet {
  Guid classGuid{};
  std::vector<std::unique_ptr<Device>> devices;
};

struct OpenInf {
  std::string path;
  InfFile inf;
};

}  // namespace

struct SetupApiHandles {
  std::map<void*, std::unique_ptr<DeviceSet>> sets;
  std::map<void*, std::unique_ptr<OpenInf>> infs;
};

void SetupApiHandlesDeleter::operator()(SetupApiHandles* handles) const { delete handles; }

SetupApiHandlesPtr MakeSetupApiHandles() { return SetupApiHandlesPtr(new SetupApiHandles); }

namespace {

// The sets and INF files the calling program holds; nullptr outside a program.
SetupApiHandles* Handles() {
  SimPlatform* program = CallingProgram();
  return program != nullptr ? &program->SetupApiState() : nullptr;
}

BOOL Fail(DWORD code) {
  SetActiveLastError(code);
  return FALSE;
}

// The machine's record of a device install (instance, service, description),
// as its 98 device installer keeps one of each thunk call: the texts in
// double quotes after the verb, then what went wrong.
void Record(const Machine& machine, const std::string& verb, std::initializer_list<std::string> texts,
            const std::string& tail = {}) {
  std::string line = "setupapi " + verb;
  for (const std::string& text : texts) line += " \"" + text + "\"";
  if (!tail.empty()) line += " " + tail;
  machine.AppendEvent(line);
}

std::string ErrorText(DWORD code) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(code));
  return std::string("error ") + text;
}

// Fails a device install and records it, like an install but with no
// service and with its error.
BOOL FailInstall(const Machine& machine, const std::string& instanceId, const std::string& description, DWORD code) {
  Record(machine, "install", {instanceId, "", description}, ErrorText(code));
  return Fail(code);
}

bool IsNullGuid(const Guid& guid) {
  static constexpr Guid kNull{};
  return std::memcmp(&guid, &kNull, sizeof guid) == 0;
}

bool SameGuid(const Guid& a, const Guid& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

std::string GuidText(const Guid& g) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.data1, g.data2, g.data3,
                g.data4[0], g.data4[1], g.data4[2], g.data4[3], g.data4[4], g.data4[5], g.data4[6], g.data4[7]);
  return text;
}

std::optional<Guid> ParseGuid(const std::string& text) {
  // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
  if (text.size() != 38 || text.front() != '{' || text.back() != '}') return std::nullopt;
  const std::string body = text.substr(1, 36);
  for (std::size_t i = 0; i < body.size(); ++i) {
    const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    if (dash != (body[i] == '-') || (!dash && !std::isxdigit(static_cast<unsigned char>(body[i])))) {
      return std::nullopt;
    }
  }
  auto hex = [&](std::size_t at, std::size_t n) { return std::stoul(body.substr(at, n), nullptr, 16); };
  Guid g{};
  g.data1 = static_cast<std::uint32_t>(hex(0, 8));
  g.data2 = static_cast<std::uint16_t>(hex(9, 4));
  g.data3 = static_cast<std::uint16_t>(hex(14, 4));
  g.data4[0] = static_cast<std::uint8_t>(hex(19, 2));
  g.data4[1] = static_cast<std::uint8_t>(hex(21, 2));
  for (std::size_t i = 0; i < 6; ++i) g.data4[2 + i] = static_cast<std::uint8_t>(hex(24 + 2 * i, 2));
  return g;
}

DeviceSet* FindSet(HDEVINFO handle) {
  SetupApiHandles* handles = Handles();
  if (handles == nullptr) return nullptr;
  auto it = handles->sets.find(handle);
  return it == handles->sets.end() ? nullptr : it->second.get();
}

// The device a caller's SP_DEVINFO_DATA names in that set; sets the error when none.
Device* FindDevice(HDEVINFO handle, const SP_DEVINFO_DATA* data) {
  DeviceSet* set = FindSet(handle);
  if (set == nullptr) {
    SetActiveLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (data == nullptr || data->cbSize != sizeof(SP_DEVINFO_DATA)) {
    SetActiveLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  for (const auto& device : set->devices) {
    if (reinterpret_cast<std::uintptr_t>(device.get()) == data->Reserved) return device.get();
  }
  SetActiveLastError(ERROR_INVALID_PARAMETER);
  return nullptr;
}

void Describe(const Device& device, SP_DEVINFO_DATA* data) {
  data->ClassGuid = device.classGuid;
  data->DevInst = 0;
  data->Reserved = reinterpret_cast<std::uintptr_t>(&device);
}

std::optional<InfFile> ReadInf(const Machine& machine, const char* path) {
  if (path == nullptr || *path == '\0') return std::nullopt;
  const auto text = ReadMachineFile(machine, path);
  if (!text) return std::nullopt;
  return InfFile::Parse(*text);
}

// Whether the INF is written for Windows 95 and later or Windows NT.
bool IsWin4Style(const InfFile& inf) {
  const std::string signature = inf.Value("Version", "Signature");
  return ascii::EqualNoCase(signature, "$Chicago$") || ascii::EqualNoCase(signature, "$Windows NT$") ||
         ascii::EqualNoCase(signature, "$Windows 95$");
}

// The logical folders a service's binary names: 10 Windows, 11 system, 12 drivers.
std::string ExpandFolders(const Machine& machine, std::string text) {
  const std::pair<const char*, std::string> folders[] = {{"%10%", machine.WindowsDir()},
                                                         {"%11%", machine.SystemDir()},
                                                         {"%12%", machine.SystemDir() + "\\drivers"}};
  for (const auto& [mark, folder] : folders) {
    for (std::size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at + folder.size())) {
      text.replace(at, std::strlen(mark), folder);
    }
  }
  return text;
}

DWORD Number(const std::string& text) { return static_cast<DWORD>(std::strtoul(text.c_str(), nullptr, 0)); }

// The AddService lines of a .Services section: the service keys; the
// service whose flags make it the device's own, or empty.
std::string InstallServices(const Machine& machine, const InfFile& inf, const std::vector<InfLine>& services) {
  std::string own;
  for (const InfLine& line : services) {
    if (!ascii::EqualNoCase(line.key, "AddService") || line.Field(1).empty()) continue;
    const std::string name = line.Field(1);
    const std::vector<InfLine>* install = inf.Section(line.Field(3));
    OpenedKey key(machine.Registry(), HKEY_LOCAL_MACHINE, kServicesKey + name, true);
    if (!key) continue;
    if (install != nullptr) {
      for (const InfLine& entry : *install) {
        const std::string& value = entry.Field(1);
        if (ascii::EqualNoCase(entry.key, "ServiceType")) key.SetDword("Type", Number(value));
        if (ascii::EqualNoCase(entry.key, "StartType")) key.SetDword("Start", Number(value));
        if (ascii::EqualNoCase(entry.key, "ErrorControl")) key.SetDword("ErrorControl", Number(value));
        if (ascii::EqualNoCase(entry.key, "ServiceBinary")) {
          key.SetString("ImagePath", ExpandFolders(machine, value), REG_EXPAND_SZ);
        }
        if (ascii::EqualNoCase(entry.key, "LoadOrderGroup")) key.SetString("Group", value);
        if (ascii::EqualNoCase(entry.key, "DisplayName")) key.SetString("DisplayName", value);
      }
    }
    if (own.empty() && (Number(line.Field(2)) & SPSVCINST_ASSOCSERVICE) != 0) own = name;
  }
  return own;
}

// The first free driver number below the class's key.
std::string NewDriverKey(IRegistry& registry, const Guid& classGuid) {
  for (int n = 0; n < 10000; ++n) {
    char number[12];  // room for any int, though n stays below 10000
    std::snprintf(number, sizeof number, "%04d", n);
    const std::string name = GuidText(classGuid) + "\\" + number;
    if (!OpenedKey(registry, HKEY_LOCAL_MACHINE, kClassKey + name, false)) return name;
  }
  return GuidText(classGuid) + "\\9999";
}

BOOL SETUP_WINAPI GetInfClass(const char* infName, Guid* classGuid, char* className, DWORD classNameSize,
                              DWORD* requiredSize) {
  const Machine* machine = ActiveMachine();
  if (machine == nullptr || infName == nullptr || classGuid == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  const auto inf = ReadInf(*machine, infName);
  if (!inf) return Fail(ERROR_FILE_NOT_FOUND);
  const std::string guidText = inf->Value("Version", "ClassGUID");
  const std::string name = inf->Value("Version", "Class");
  // An INF may name its class by GUID, by name or both; without a GUID the
  // answer is GUID_NULL, for the caller to look the name up.
  if (guidText.empty() && name.empty()) return Fail(ERROR_INVALID_CLASS);
  const auto guid = guidText.empty() ? std::optional<Guid>(Guid{}) : ParseGuid(guidText);
  if (!guid) return Fail(ERROR_INVALID_CLASS);
  *classGuid = *guid;
  if (requiredSize != nullptr) *requiredSize = static_cast<DWORD>(name.size() + 1);
  if (className == nullptr || classNameSize <= name.size()) return Fail(ERROR_INSUFFICIENT_BUFFER);
  std::memcpy(className, name.c_str(), name.size() + 1);
  return TRUE;
}

HDEVINFO SETUP_WINAPI CreateDeviceInfoList(const Guid* classGuid, platform::HWND) {
  SetupApiHandles* handles = Handles();
  if (handles == nullptr) {
    SetActiveLastError(ERROR_INVALID_PARAMETER);
    return InvalidHandle();
  }
  auto set = std::make_unique<DeviceSet>();
  if (classGuid != nullptr) set->classGuid = *classGuid;
  void* handle = set.get();
  handles->sets[handle] = std::move(set);
  return handle;
}

// A whole instance identifier: enumerator, device and instance, none empty.
bool IsInstanceId(const char* id) {
  if (id == nullptr) return false;
  const std::string text(id);
  const std::size_t first = text.find('\\');
  const std::size_t second = first == std::string::npos ? first : text.find('\\', first + 1);
  return first != std::string::npos && first > 0 && second != std::string::npos && second > first + 1 &&
         second + 1 < text.size() && text.find('\\', second + 1) == std::string::npos;
}

BOOL SETUP_WINAPI OpenDeviceInfo(HDEVINFO handle, const char* instanceId, platform::HWND, DWORD,
                                 SP_DEVINFO_DATA* data) {
  const Machine* machine = ActiveMachine();
  DeviceSet* set = FindSet(handle);
  if (set == nullptr || machine == nullptr) return Fail(ERROR_INVALID_HANDLE);
  if (instanceId == nullptr || *instanceId == '\0') return Fail(ERROR_INVALID_DEVINST_NAME);
  if (data != nullptr && data->cbSize != sizeof(SP_DEVINFO_DATA)) return Fail(ERROR_INVALID_USER_BUFFER);
  for (const auto& device : set->devices) {
    if (ascii::EqualNoCase(device->instanceId, instanceId)) {
      if (data != nullptr) Describe(*device, data);
      return TRUE;
    }
  }
  OpenedKey key(machine->Registry(), HKEY_LOCAL_MACHINE, kEnumKey + std::string(instanceId), false);
  if (!key) return Fail(ERROR_NO_SUCH_DEVINST);
  auto device = std::make_unique<Device>();
  device->instanceId = instanceId;
  device->classGuid = ParseGuid(key.GetString("ClassGUID").value_or("")).value_or(Guid{});
  device->registered = true;
  if (!IsNullGuid(set->classGuid) && !SameGuid(set->classGuid, device->classGuid)) {
    return Fail(ERROR_CLASS_MISMATCH);
  }
  if (data != nullptr) Describe(*device, data);
  set->devices.push_back(std::move(device));
  return TRUE;
}

BOOL SETUP_WINAPI CreateDeviceInfo(HDEVINFO handle, const char* instanceId, const Guid* classGuid,
                                   const char* description, platform::HWND, DWORD, SP_DEVINFO_DATA* data) {
  const Machine* machine = ActiveMachine();
  DeviceSet* set = FindSet(handle);
  if (set == nullptr || machine == nullptr) return Fail(ERROR_INVALID_HANDLE);
  if (classGuid == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (!IsInstanceId(instanceId)) return Fail(ERROR_INVALID_DEVINST_NAME);
  if (data != nullptr && data->cbSize != sizeof(SP_DEVINFO_DATA)) return Fail(ERROR_INVALID_USER_BUFFER);
  if (!IsNullGuid(set->classGuid) && !SameGuid(set->classGuid, *classGuid)) return Fail(ERROR_CLASS_MISMATCH);
  for (const auto& device : set->devices) {
    if (ascii::EqualNoCase(device->instanceId, instanceId)) return Fail(ERROR_DEVINST_ALREADY_EXISTS);
  }
  if (OpenedKey(machine->Registry(), HKEY_LOCAL_MACHINE, kEnumKey + std::string(instanceId), false)) {
    return Fail(ERROR_DEVINST_ALREADY_EXISTS);
  }
  auto device = std::make_unique<Device>();
  device->instanceId = instanceId;
  device->classGuid = *classGuid;
  (void)description;
  if (data != nullptr) Describe(*device, data);
  set->devices.push_back(std::move(device));
  return TRUE;
}

BOOL SETUP_WINAPI RegisterDeviceInfo(HDEVINFO handle, SP_DEVINFO_DATA* data, DWORD, void*, void*, SP_DEVINFO_DATA*) {
  const Machine* machine = ActiveMachine();
  Device* device = FindDevice(handle, data);
  if (device == nullptr || machine == nullptr) return FALSE;
  if (device->registered) return Fail(ERROR_DEVINST_ALREADY_EXISTS);
  OpenedKey key(machine->Registry(), HKEY_LOCAL_MACHINE, kEnumKey + device->instanceId, true);
  if (!key) return Fail(ERROR_ACCESS_DENIED);
  key.SetString("ClassGUID", GuidText(device->classGuid));
  device->registered = true;
  return TRUE;
}

BOOL SETUP_WINAPI GetDeviceInstallParams(HDEVINFO handle, SP_DEVINFO_DATA* data, SP_DEVINSTALL_PARAMS_A* params) {
  Device* device = FindDevice(handle, data);
  if (device == nullptr) return FALSE;
  if (params == nullptr || params->cbSize != sizeof(SP_DEVINSTALL_PARAMS_A)) return Fail(ERROR_INVALID_USER_BUFFER);
  *params = device->params;
  params->cbSize = sizeof(SP_DEVINSTALL_PARAMS_A);
  return TRUE;
}

BOOL SETUP_WINAPI SetDeviceInstallParams(HDEVINFO handle, SP_DEVINFO_DATA* data, SP_DEVINSTALL_PARAMS_A* params) {
  Device* device = FindDevice(handle, data);
  if (device == nullptr) return FALSE;
  if (params == nullptr || params->cbSize != sizeof(SP_DEVINSTALL_PARAMS_A)) return Fail(ERROR_INVALID_USER_BUFFER);
  device->params = *params;
  // A path that fills the buffer is cut at its end, never read beyond it.
  device->params.DriverPath[sizeof device->params.DriverPath - 1] = '\0';
  return TRUE;
}

// The models of every manufacturer of the INF, when its class is the device's.
void AddClassDrivers(const InfFile& inf, const std::string& infPath, const Device& device,
                     std::vector<Driver>& drivers) {
  const auto guid = ParseGuid(inf.Value("Version", "ClassGUID"));
  if (!guid || (!IsNullGuid(device.classGuid) && !SameGuid(*guid, device.classGuid))) return;
  const std::string provider = inf.Value("Version", "Provider");
  const auto* manufacturers = inf.Section("Manufacturer");
  if (manufacturers == nullptr) return;
  for (const InfLine& maker : *manufacturers) {
    const auto* models = inf.Section(maker.Field(1).empty() ? maker.key : maker.Field(1));
    if (models == nullptr) continue;
    for (const InfLine& model : *models) {
      if (model.key.empty() || model.Field(1).empty()) continue;
      drivers.push_back(Driver{model.key, maker.key, provider, model.Field(1), infPath});
    }
  }
}

BOOL SETUP_WINAPI BuildDriverInfoList(HDEVINFO handle, SP_DEVINFO_DATA* data, DWORD type) {
  const Machine* machine = ActiveMachine();
  Device* device = FindDevice(handle, data);
  if (device == nullptr || machine == nullptr) return FALSE;
  if (type != SPDIT_CLASSDRIVER && type != SPDIT_COMPATDRIVER) return Fail(ERROR_INVALID_PARAMETER);
  // A root-enumerated device has no hardware identifiers for a compatible
  // driver to match; its class drivers come from the one INF, or from the
  // INF folder.
  if (type == SPDIT_COMPATDRIVER) return TRUE;
  std::vector<std::string> files;
  if ((device->params.Flags & DI_ENUMSINGLEINF) != 0) {
    files.emplace_back(device->params.DriverPath);
  } else {
    const std::string folder = device->params.DriverPath[0] != '\0' ? std::string(device->params.DriverPath)
                                                                     : machine->WindowsDir() + "\\INF";
    const ResolvedPath resolved = machine->Resolve(folder);
    std::error_code ec;
    if (resolved.ok()) {
      for (const auto& entry : std::filesystem::directory_iterator(resolved.host, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.size() > 4 && ascii::EqualNoCase(name.substr(name.size() - 4), ".INF")) {
          files.push_back(folder + "\\" + name);
        }
      }
    }
  }
  for (const std::string& file : files) {
    if (const auto inf = ReadInf(*machine, file.c_str())) AddClassDrivers(*inf, file, *device, device->drivers);
  }
  return TRUE;
}

std::string Bounded(const char* text, std::size_t size) { return std::string(text, strnlen(text, size)); }

BOOL SETUP_WINAPI SetSelectedDriver(HDEVINFO handle, SP_DEVINFO_DATA* data, SP_DRVINFO_DATA_A* driver) {
  Device* device = FindDevice(handle, data);
  if (device == nullptr) return FALSE;
  if (driver == nullptr) {
    device->selected.reset();
    return TRUE;
  }
  if (driver->cbSize != sizeof(SP_DRVINFO_DATA_A)) return Fail(ERROR_INVALID_USER_BUFFER);
  if (driver->Reserved != 0) {
    if (driver->Reserved > device->drivers.size()) return Fail(ERROR_INVALID_PARAMETER);
    device->selected = driver->Reserved - 1;
    return TRUE;
  }
  if (driver->DriverType != SPDIT_CLASSDRIVER) return Fail(ERROR_INVALID_PARAMETER);
  const std::string description = Bounded(driver->Description, sizeof driver->Description);
  const std::string manufacturer = Bounded(driver->MfgName, sizeof driver->MfgName);
  const std::string provider = Bounded(driver->ProviderName, sizeof driver->ProviderName);
  for (std::size_t i = 0; i < device->drivers.size(); ++i) {
    const Driver& candidate = device->drivers[i];
    if (ascii::EqualNoCase(candidate.description, description) &&
        ascii::EqualNoCase(candidate.manufacturer, manufacturer) && ascii::EqualNoCase(candidate.provider, provider)) {
      device->selected = i;
      driver->Reserved = i + 1;
      return TRUE;
    }
  }
  // No driver of the list has that name: the install cannot go on.
  if (const Machine* machine = ActiveMachine()) {
    Record(*machine, "select", {device->instanceId, description, manufacturer, provider},
           ErrorText(ERROR_INVALID_PARAMETER));
  }
  return Fail(ERROR_INVALID_PARAMETER);
}

BOOL SETUP_WINAPI InstallDevice(HDEVINFO handle, SP_DEVINFO_DATA* data) {
  const Machine* machine = ActiveMachine();
  Device* device = FindDevice(handle, data);
  if (device == nullptr || machine == nullptr) return FALSE;
  if (!device->selected) return FailInstall(*machine, device->instanceId, "", ERROR_NO_DRIVER_SELECTED);
  const Driver& driver = device->drivers[*device->selected];
  const std::string& infPath = driver.infPath;
  const auto inf = ReadInf(*machine, infPath.c_str());
  if (!inf) return FailInstall(*machine, device->instanceId, driver.description, ERROR_FILE_NOT_FOUND);
  const auto* install = inf->Section(driver.section);
  if (install == nullptr) return FailInstall(*machine, device->instanceId, driver.description, ERROR_SECTION_NOT_FOUND);

  IRegistry& registry = machine->Registry();
  OpenedKey instance(registry, HKEY_LOCAL_MACHINE, kEnumKey + device->instanceId, true);
  if (!instance) return FailInstall(*machine, device->instanceId, driver.description, ERROR_ACCESS_DENIED);
  // The device keeps its driver key when it is installed again.
  std::string driverName = instance.GetString("Driver").value_or("");
  if (driverName.empty()) driverName = NewDriverKey(registry, device->classGuid);
  OpenedKey driverKey(registry, HKEY_LOCAL_MACHINE, kClassKey + driverName, true);
  if (!driverKey) return FailInstall(*machine, device->instanceId, driver.description, ERROR_ACCESS_DENIED);
  driverKey.SetString("DriverDesc", driver.description);
  driverKey.SetString("ProviderName", driver.provider);
  driverKey.SetString("InfPath", infPath);
  driverKey.SetString("InfSection", driver.section);
  // Files would come from CopyFiles; under DI_NOFILECOPY none are copied,
  // and the simulated machine copies none in any case.
  RunRegistryLines(registry, *inf, *install, driverKey.Handle());
  std::string service;
  if (const auto* services = inf->Section(driver.section + ".Services")) {
    service = InstallServices(*machine, *inf, *services);
  }
  instance.SetString("DeviceDesc", driver.description);
  instance.SetString("Mfg", driver.manufacturer);
  instance.SetString("ClassGUID", GuidText(device->classGuid));
  instance.SetString("Class", inf->Value("Version", "Class"));
  instance.SetString("Driver", driverName);
  if (!service.empty()) instance.SetString("Service", service);
  device->registered = true;
  Record(*machine, "install", {device->instanceId, service, driver.description});
  return TRUE;
}

HINF SETUP_WINAPI OpenInfFile(const char* fileName, const char* infClass, DWORD style, UINT* errorLine) {
  const Machine* machine = ActiveMachine();
  SetupApiHandles* handles = Handles();
  if (errorLine != nullptr) *errorLine = 0;
  if (machine == nullptr || handles == nullptr) {
    SetActiveLastError(ERROR_INVALID_PARAMETER);
    return InvalidHandle();
  }
  auto inf = ReadInf(*machine, fileName);
  if (!inf) {
    SetActiveLastError(ERROR_FILE_NOT_FOUND);
    return InvalidHandle();
  }
  if ((style & INF_STYLE_WIN4) != 0 && !IsWin4Style(*inf)) {
    SetActiveLastError(ERROR_WRONG_INF_STYLE);
    return InvalidHandle();
  }
  if (infClass != nullptr && *infClass != '\0' && !ascii::EqualNoCase(inf->Value("Version", "Class"), infClass)) {
    SetActiveLastError(ERROR_CLASS_MISMATCH);
    return InvalidHandle();
  }
  auto open = std::make_unique<OpenInf>(OpenInf{fileName, std::move(*inf)});
  void* handle = open.get();
  handles->infs[handle] = std::move(open);
  return handle;
}

BOOL SETUP_WINAPI InstallFromInfSection(platform::HWND, HINF handle, const char* section, UINT flags, HKEY relative,
                                        const char*, UINT, void*, void*, HDEVINFO, SP_DEVINFO_DATA*) {
  const Machine* machine = ActiveMachine();
  SetupApiHandles* handles = Handles();
  if (handles == nullptr || machine == nullptr) return Fail(ERROR_INVALID_HANDLE);
  auto it = handles->infs.find(handle);
  if (it == handles->infs.end()) return Fail(ERROR_INVALID_HANDLE);
  if (section == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  // Only the registry lines are carried out; the other kinds of lines are
  // not asked for on this machine. What cannot be carried out is left out,
  // as Windows leaves it out: an install section or an AddReg or DelReg
  // section the file lacks, a line with a root it does not know.
  const auto* lines = it->second->inf.Section(section);
  if ((flags & SPINST_REGISTRY) != 0 && lines != nullptr) {
    RunRegistryLines(machine->Registry(), it->second->inf, *lines, relative);
  }
  return TRUE;
}

void SETUP_WINAPI CloseInfFile(HINF handle) {
  if (SetupApiHandles* handles = Handles()) handles->infs.erase(handle);
}

BOOL SETUP_WINAPI DestroyDriverInfoList(HDEVINFO handle, SP_DEVINFO_DATA* data, DWORD) {
  if (FindSet(handle) == nullptr) return Fail(ERROR_INVALID_HANDLE);
  if (data == nullptr) return TRUE;
  Device* device = FindDevice(handle, data);
  if (device == nullptr) return FALSE;
  device->drivers.clear();
  device->selected.reset();
  return TRUE;
}

BOOL SETUP_WINAPI DestroyDeviceInfoList(HDEVINFO handle) {
  SetupApiHandles* handles = Handles();
  if (handles == nullptr || handles->sets.erase(handle) == 0) return Fail(ERROR_INVALID_HANDLE);
  return TRUE;
}

}  // namespace

platform::FARPROC SetupApiEntryPoint(std::string_view name) {
  using outside::AsFarProc;
  if (name == kGetInfClass) return AsFarProc(&GetInfClass);
  if (name == kCreateDeviceInfoList) return AsFarProc(&CreateDeviceInfoList);
  if (name == kOpenDeviceInfo) return AsFarProc(&OpenDeviceInfo);
  if (name == kCreateDeviceInfo) return AsFarProc(&CreateDeviceInfo);
  if (name == kRegisterDeviceInfo) return AsFarProc(&RegisterDeviceInfo);
  if (name == kGetDeviceInstallParams) return AsFarProc(&GetDeviceInstallParams);
  if (name == kSetDeviceInstallParams) return AsFarProc(&SetDeviceInstallParams);
  if (name == kBuildDriverInfoList) return AsFarProc(&BuildDriverInfoList);
  if (name == kSetSelectedDriver) return AsFarProc(&SetSelectedDriver);
  if (name == kInstallDevice) return AsFarProc(&InstallDevice);
  if (name == kOpenInfFile) return AsFarProc(&OpenInfFile);
  if (name == kInstallFromInfSection) return AsFarProc(&InstallFromInfSection);
  if (name == kCloseInfFile) return AsFarProc(&CloseInfFile);
  if (name == kDestroyDriverInfoList) return AsFarProc(&DestroyDriverInfoList);
  if (name == kDestroyDeviceInfoList) return AsFarProc(&DestroyDeviceInfoList);
  return nullptr;
}

}  // namespace sim
