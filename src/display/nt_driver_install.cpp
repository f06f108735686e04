// The driver step on Windows NT: the driver goes in through the system's
// device installer as a root-enumerated legacy device named after its
// service; the display service that ran before is disabled while the new
// one is installed, and started again when the installation fails.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include "components/component.h"
#include "core/message_sink.h"
#include "core/registry_key.h"
#include "display/driver_install.h"
#include "platform/ascii_text.h"
#include "platform/outside_libraries.h"
#include "platform/platform.h"
#include "platform/setup_api.h"
#include "script/script_section.h"
#include "script/setup_script.h"

namespace {

using platform::DWORD;

constexpr const char* kServicesKey = "SYSTEM\\CurrentControlSet\\Services\\";
constexpr const char* kOpenGlDriversKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\OpenGLDrivers";
constexpr const char* kVideoMapKey = "HARDWARE\\DEVICEMAP\\VIDEO";
constexpr DWORD kStartWithSystem = 1;
constexpr DWORD kDisabled = 4;
constexpr DWORD kInstallFlags = setupapi::DI_ENUMSINGLEINF | setupapi::DI_DONOTCALLCONFIGMG | setupapi::DI_NOFILECOPY;
static_assert(kInstallFlags == 0x01030000);
constexpr DWORD kClassNameBufferSize = 100;

// A service's start type; nullopt when it cannot be read as a number.
std::optional<DWORD> ReadServiceStart(const platform::Platform& platform, const std::string& service) {
  platform::IRegistry& registry = platform.Registry();
  platform::HKEY key = nullptr;
  if (registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kServicesKey + service).c_str(), 0, KEY_READ, &key) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  DWORD type = 0, size = sizeof(DWORD), start = 0;
  const long result = registry.RegQueryValueExA(key, "Start", &type, reinterpret_cast<platform::BYTE*>(&start), &size);
  registry.RegCloseKey(key);
  if (result != ERROR_SUCCESS || type != REG_DWORD || size != sizeof(DWORD)) return std::nullopt;
  return start;
}

void WriteServiceStart(const platform::Platform& platform, const std::string& service, DWORD start) {
  platform::IRegistry& registry = platform.Registry();
  platform::HKEY key = nullptr;
  if (registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kServicesKey + service).c_str(), 0, KEY_ALL_ACCESS, &key) !=
      ERROR_SUCCESS) {
    return;
  }
  registry.RegSetValueExA(key, "Start", REG_DWORD, reinterpret_cast<const platform::BYTE*>(&start), sizeof start);
  registry.RegCloseKey(key);
}

// The service of the active display: \Device\Video0 names its key, such as
// \REGISTRY\Machine\System\CurrentControlSet\Services\vga\Device0.
std::string ActiveDisplayService(const platform::Platform& platform) {
  CRegistryKey map(platform, HKEY_LOCAL_MACHINE);
  if (!map.Open(kVideoMapKey, KEY_READ)) return {};
  const std::string path = map.ReadString("\\Device\\Video0");
  const std::size_t mark = path.find("Services\\");
  if (mark == std::string::npos) return {};
  const std::size_t start = mark + std::strlen("Services\\");
  return path.substr(start, path.find('\\', start) - start);
}

template <typename Proc>
bool Resolve(platform::ILibraryLoader& libraries, platform::HMODULE library, const char* name, Proc& proc) {
  proc = outside::EntryPointAs<Proc>(libraries.GetProcAddress(library, name));
  return proc != nullptr;
}

// SETUPAPI.DLL and its fifteen entry points, all present or the library is
// of no use.
struct SetupApi {
  setupapi::GetInfClassProc getInfClass = nullptr;
  setupapi::CreateDeviceInfoListProc createDeviceInfoList = nullptr;
  setupapi::OpenDeviceInfoProc openDeviceInfo = nullptr;
  setupapi::CreateDeviceInfoProc createDeviceInfo = nullptr;
  setupapi::RegisterDeviceInfoProc registerDeviceInfo = nullptr;
  setupapi::GetDeviceInstallParamsProc getDeviceInstallParams = nullptr;
  setupapi::SetDeviceInstallParamsProc setDeviceInstallParams = nullptr;
  setupapi::BuildDriverInfoListProc buildDriverInfoList = nullptr;
  setupapi::SetSelectedDriverProc setSelectedDriver = nullptr;
  setupapi::InstallDeviceProc installDevice = nullptr;
  setupapi::OpenInfFileProc openInfFile = nullptr;
  setupapi::InstallFromInfSectionProc installFromInfSection = nullptr;
  setupapi::CloseInfFileProc closeInfFile = nullptr;
  setupapi::DestroyDriverInfoListProc destroyDriverInfoList = nullptr;
  setupapi::DestroyDeviceInfoListProc destroyDeviceInfoList = nullptr;

  bool ResolveAll(platform::ILibraryLoader& libraries, platform::HMODULE library) {
    using namespace setupapi;
    return Resolve(libraries, library, kGetInfClass, getInfClass) && Resolve(libraries, library, kCreateDeviceInfoList, createDeviceInfoList) &&
           Resolve(libraries, library, kOpenDeviceInfo, openDeviceInfo) && Resolve(libraries, library, kCreateDeviceInfo, createDeviceInfo) &&
           Resolve(libraries, library, kRegisterDeviceInfo, registerDeviceInfo) &&
           Resolve(libraries, library, kGetDeviceInstallParams, getDeviceInstallParams) &&
           Resolve(libraries, library, kSetDeviceInstallParams, setDeviceInstallParams) &&
           Resolve(libraries, library, kBuildDriverInfoList, buildDriverInfoList) &&
           Resolve(libraries, library, kSetSelectedDriver, setSelectedDriver) && Resolve(libraries, library, kInstallDevice, installDevice) &&
           Resolve(libraries, library, kOpenInfFile, openInfFile) && Resolve(libraries, library, kInstallFromInfSection, installFromInfSection) &&
           Resolve(libraries, library, kCloseInfFile, closeInfFile) &&
           Resolve(libraries, library, kDestroyDriverInfoList, destroyDriverInfoList) &&
           Resolve(libraries, library, kDestroyDeviceInfoList, destroyDeviceInfoList);
  }
};

// Copies text into a fixed field, cut to fit with its terminating zero.
template <std::size_t N>
void CopyField(char (&field)[N], const std::string& text) {
  const std::size_t n = std::min(text.size(), N - 1);
  std::memcpy(field, text.data(), n);
  field[n] = '\0';
}

// One installation through the library: what it holds is let go on every
// road out.
class NtDeviceInstall {
 public:
  explicit NtDeviceInstall(platform::ILibraryLoader& libraries) : m_libraries(libraries) {}
  ~NtDeviceInstall() { Release(); }
  NtDeviceInstall(const NtDeviceInstall&) = delete;
  NtDeviceInstall& operator=(const NtDeviceInstall&) = delete;

  bool Load() {
    m_library = m_libraries.LoadLibraryA(setupapi::kLibraryName);
    return m_library != nullptr && m_api.ResolveAll(m_libraries, m_library);
  }
  const SetupApi& Api() const { return m_api; }

  bool CreateSet(const setupapi::Guid& classGuid) {
    setupapi::HDEVINFO set = m_api.createDeviceInfoList(&classGuid, nullptr);
    if (set == nullptr || set == setupapi::InvalidHandle()) return false;
    m_set = set;
    return true;
  }
  setupapi::HDEVINFO Set() const { return m_set; }
  setupapi::SP_DEVINFO_DATA& Device() { return m_device; }

  bool BuildDriverList() {
    if (!m_api.buildDriverInfoList(m_set, &m_device, setupapi::SPDIT_CLASSDRIVER)) return false;
    m_driverListBuilt = true;
    return true;
  }

  bool OpenInf(const std::string& path) {
    setupapi::HINF inf = m_api.openInfFile(path.c_str(), nullptr, setupapi::INF_STYLE_WIN4, nullptr);
    if (inf == nullptr || inf == setupapi::InvalidHandle()) return false;
    m_inf = inf;
    return true;
  }
  setupapi::HINF Inf() const { return m_inf; }

  void Release() {
    if (m_inf != nullptr) m_api.closeInfFile(m_inf);
    if (m_driverListBuilt) m_api.destroyDriverInfoList(m_set, &m_device, setupapi::SPDIT_CLASSDRIVER);
    if (m_set != nullptr) m_api.destroyDeviceInfoList(m_set);
    if (m_library != nullptr) m_libraries.FreeLibrary(m_library);
    m_inf = nullptr;
    m_driverListBuilt = false;
    m_set = nullptr;
    m_library = nullptr;
  }

 private:
  platform::ILibraryLoader& m_libraries;
  platform::HMODULE m_library = nullptr;
  SetupApi m_api;
  setupapi::HDEVINFO m_set = nullptr;
  setupapi::SP_DEVINFO_DATA m_device{};
  bool m_driverListBuilt = false;
  setupapi::HINF m_inf = nullptr;
};

// A registry-only install of an INF section relative to a key of
// HKEY_LOCAL_MACHINE, created when missing.
bool InstallRegistrySection(platform::IRegistry& registry, const SetupApi& api, setupapi::HINF inf,
                            const std::string& section, const std::string& keyPath, const std::string* description) {
  platform::HKEY key = nullptr;
  DWORD disposition = 0;
  if (registry.RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_ALL_ACCESS, &key, &disposition) !=
      ERROR_SUCCESS) {
    return false;
  }
  if (description != nullptr) {
    registry.RegSetValueExA(key, "Device Description", REG_SZ,
                            reinterpret_cast<const platform::BYTE*>(description->c_str()),
                            static_cast<DWORD>(description->size() + 1));
  }
  const bool done = api.installFromInfSection(nullptr, inf, section.c_str(), setupapi::SPINST_REGISTRY, key, nullptr, 0,
                                              nullptr, nullptr, nullptr, nullptr) != 0;
  registry.RegCloseKey(key);
  return done;
}

}  // namespace

std::string CDisplayDriverInstall::ServiceName(const CComponent& component) {
  const CScriptSection services = m_script.ReadSection(component.m_strName + ".Services");
  return m_script.GetField(services.GetLine(0), 1);
}

std::string CDisplayDriverInstall::DisableActiveDisplayService() {
  const platform::Platform& platform = m_script.GetContext().GetPlatform();
  const std::string service = ActiveDisplayService(platform);
  if (service.empty()) return {};
  CRegistryKey key(platform, HKEY_LOCAL_MACHINE);
  if (!key.Open(kServicesKey + service, KEY_READ)) return {};
  if (!ascii::EqualNoCase(key.ReadString("Group"), "Video") || ReadServiceStart(platform, service) != kStartWithSystem) {
    return {};
  }
  WriteServiceStart(platform, service, kDisabled);
  return service;
}

int CDisplayDriverInstall::InstallNT(const CComponent& component, const std::string& scriptPath) {
  const platform::Platform& platform = m_script.GetContext().GetPlatform();
  NtDeviceInstall run(platform.Libraries());
  std::string disabledService;
  const auto fail = [&] {
    run.Release();
    if (!disabledService.empty()) WriteServiceStart(platform, disabledService, kStartWithSystem);
    m_script.GetMessages().ShowError(MSG_DRIVER_NOT_INSTALLED);
    return 1;
  };
  if (!run.Load()) return fail();
  const SetupApi& api = run.Api();

  setupapi::Guid classGuid{};
  char className[kClassNameBufferSize] = {};
  if (!api.getInfClass(scriptPath.c_str(), &classGuid, className, sizeof className, nullptr)) return fail();
  const std::string service = ServiceName(component);
  if (service.empty()) return fail();
  if (ascii::EqualNoCase(component.m_strDriverClass, "Display")) disabledService = DisableActiveDisplayService();

  const std::string instanceId = "Root\\LEGACY_" + service + "\\0000";
  if (!run.CreateSet(classGuid)) return fail();
  setupapi::SP_DEVINFO_DATA& device = run.Device();
  device.cbSize = sizeof device;
  if (!api.openDeviceInfo(run.Set(), instanceId.c_str(), nullptr, 0, &device)) {
    device = setupapi::SP_DEVINFO_DATA{};
    device.cbSize = sizeof device;
    if (!api.createDeviceInfo(run.Set(), instanceId.c_str(), &classGuid, nullptr, nullptr, 0, &device) ||
        !api.registerDeviceInfo(run.Set(), &device, 0, nullptr, nullptr, nullptr)) {
      return fail();
    }
  }

  setupapi::SP_DEVINSTALL_PARAMS_A params{};
  params.cbSize = sizeof params;
  if (!api.getDeviceInstallParams(run.Set(), &device, &params)) return fail();
  params.Flags = kInstallFlags;
  if (scriptPath.size() >= sizeof params.DriverPath) return fail();
  CopyField(params.DriverPath, scriptPath);
  if (!api.setDeviceInstallParams(run.Set(), &device, &params)) return fail();

  if (!run.BuildDriverList()) return fail();
  setupapi::SP_DRVINFO_DATA_A driver{};
  driver.cbSize = sizeof driver;
  driver.DriverType = setupapi::SPDIT_CLASSDRIVER;
  CopyField(driver.Description, component.m_strDescription);
  CopyField(driver.MfgName, component.m_strDriverManufacturer);
  CopyField(driver.ProviderName, component.m_strDriverProvider);
  if (!api.setSelectedDriver(run.Set(), &device, &driver)) return fail();
  if (!api.installDevice(run.Set(), &device)) return fail();

  if (!run.OpenInf(scriptPath)) return fail();
  CScriptSection settings;
  const std::string softwareSettings = component.m_strName + ".SoftwareSettings";
  if (m_script.ReadSection(settings, softwareSettings) &&
      !InstallRegistrySection(platform.Registry(), api, run.Inf(), softwareSettings, kServicesKey + service + "\\Device0",
                              &component.m_strDescription)) {
    return fail();
  }
  const std::string openGlSettings = component.m_strName + ".OpenGLSoftwareSettings";
  if (m_script.ReadSection(settings, openGlSettings) &&
      !InstallRegistrySection(platform.Registry(), api, run.Inf(), openGlSettings, kOpenGlDriversKey, nullptr)) {
    return fail();
  }
  run.Release();
  if (!disabledService.empty() && !ascii::EqualNoCase(disabledService, service)) {
    RecordDisabledDisplayService(disabledService, kStartWithSystem);
  }
  return 0;
}

void CDisplayDriverInstall::RecordDisabledDisplayService(const std::string& service, DWORD start) {
  const platform::Platform& platform = m_script.GetContext().GetPlatform();
  CSetupContext& context = m_script.GetContext();
  context.SetDisabledDisplayService(service, start);
  // Beside the record the installation run has just written; never a record of its own.
  CRegistryKey record(platform, HKEY_LOCAL_MACHINE);
  if (!record.Open(context.GetInstallRecordKey())) return;
  record.WriteString(kDisabledDisplayServiceValue, service);
  record.WriteDword(kDisabledDisplayStartValue, start);
}

int CDisplayDriverInstall::RemoveNT(const CComponent& component) {
  const platform::Platform& platform = m_script.GetContext().GetPlatform();
  const std::string service = ServiceName(component);
  if (!service.empty()) WriteServiceStart(platform, service, kDisabled);
  // The display service the installation disabled starts as it did, unless
  // it is the one going, or has been set otherwise since.
  const CSetupContext& context = m_script.GetContext();
  const std::string& before = context.GetDisabledDisplayService();
  if (!before.empty() && !ascii::EqualNoCase(before, service) && context.GetDisabledDisplayStart() < kDisabled &&
      ReadServiceStart(platform, before) == kDisabled) {
    WriteServiceStart(platform, before, context.GetDisabledDisplayStart());
  }
  return 0;
}
