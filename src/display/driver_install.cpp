#include "display/driver_install.h"

#include <cstdint>
#include <vector>

#include "components/component.h"
#include "core/registry_key.h"
#include "display/hardware_detection.h"
#include "files/file_copy.h"
#include "files/locked_files.h"
#include "platform/ascii_text.h"
#include "platform/outside_libraries.h"
#include "platform/platform.h"
#include "script/destination_dirs.h"
#include "script/setup_script.h"

namespace {

constexpr int kInfDirectoryCode = 17;
constexpr const char* kCurrentVersionKey = "Software\\Microsoft\\Windows\\CurrentVersion";

// A registry text value of HKEY_LOCAL_MACHINE, empty on any failure.
std::string ReadMachineString(const platform::Platform& platform, const char* keyPath, const char* name) {
  CRegistryKey key(platform, HKEY_LOCAL_MACHINE);
  return key.Open(keyPath, KEY_READ) ? key.ReadString(name) : std::string();
}

void WriteMachineString(const platform::Platform& platform, const char* keyPath, const char* name,
                        const std::string& text) {
  platform::IRegistry& registry = platform.Registry();
  platform::HKEY key = nullptr;
  platform::DWORD disposition = 0;
  if (registry.RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_ALL_ACCESS, &key, &disposition) != ERROR_SUCCESS) {
    return;
  }
  registry.RegSetValueExA(key, name, REG_SZ, reinterpret_cast<const platform::BYTE*>(text.c_str()),
                          static_cast<platform::DWORD>(text.size() + 1));
  registry.RegCloseKey(key);
}

// A description as a file name: the characters a name cannot hold, and the
// folder separators that would lead out of the folder, become "_".
std::string AsFileName(const std::string& description) {
  std::string name = description;
  for (char& c : name) {
    if (static_cast<unsigned char>(c) < 0x20 || std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos) {
      c = '_';
    }
  }
  if (name.empty() || name.find_first_not_of('.') == std::string::npos) name = "_" + name;
  return name;
}

}  // namespace

std::string CDisplayDriverInstall::DriverScriptPath() const {
  const CSetupContext& context = m_script.GetContext();
  // The destination is text put in for "%s", never a format.
  std::string folder = context.GetSetupPath();
  if (const std::size_t mark = folder.find("%s"); mark != std::string::npos) {
    folder.replace(mark, 2, context.GetDestDir());
  }
  return JoinPath(folder, "SETUP.INF");
}

bool CDisplayDriverInstall::UsesDeviceList(const CComponent& component) const {
  return m_script.GetContext().IsWin98() && component.m_nDeviceCount > 1;
}

CStepResult CDisplayDriverInstall::InstallDisplayDriver(const CComponent& component, Action action) {
  if (component.m_strDriverClass.empty()) return CStepResult::GoOn();
  if (action != Action::Install && action != Action::Remove) return CStepResult::GoOn();
  CSetupContext& context = m_script.GetContext();
  context.SetFlags(context.GetFlags() | SF_RESTART_NEEDED);
  const bool install = action == Action::Install;
  if (context.IsNT()) {
    return CStepResult::FromCode(install ? InstallNT(component, DriverScriptPath()) : RemoveNT(component));
  }
  return CStepResult::FromCode(install ? Install9x(component, DriverScriptPath()) : Remove9x(component));
}

void CDisplayDriverInstall::MarkInstalledFiles(const CComponent& component) {
  const platform::Platform& platform = m_script.GetContext().GetPlatform();
  std::vector<CFileRecord> copies;
  component.QueueCopies(copies);
  for (const CFileRecord& file : copies) MarkInstalledFile(platform, file);
}

void CDisplayDriverInstall::PrepareForNextStart(const CComponent& component) {
  const platform::Platform& platform = m_script.GetContext().GetPlatform();
  std::string folder = ReadMachineString(platform, kCurrentVersionKey, "OtherDevicePath");
  if (folder.empty()) {
    folder = DirectoryFromCode(m_script, kInfDirectoryCode) + "\\OTHER";
    WriteMachineString(platform, kCurrentVersionKey, "OtherDevicePath", folder);
  }
  CFileRecord where;
  where.m_strDestDir = folder;
  CreateDestDir(platform, where);
  // The script as it is held, under the adapter's name, where Windows looks.
  m_script.GetText().SaveAs(platform.Files(), JoinPath(folder, AsFileName(component.m_strDescription) + ".INF"));
  if (ascii::EqualNoCase(component.m_strDriverClass, "Display")) {
    m_script.GetContext().GetPlatform().Profiles().WritePrivateProfileStringA("boot.description", "display.drv",
                                                    component.m_strDescription.c_str(), "SYSTEM.INI");
  }
}

int CDisplayDriverInstall::Install9x(const CComponent& component, const std::string& scriptPath) {
  MarkInstalledFiles(component);
  if (component.m_strHardwareId == kNotInstalled) {
    PrepareForNextStart(component);
    return 0;
  }
  const CThunkLibrary& thunk = m_script.GetThunkLibrary();
  const char* deviceClass = component.m_strDriverClass.c_str();
  const char* hardwareId = component.m_strHardwareId.c_str();
  const char* section = component.m_strName.c_str();
  const char* description = component.m_strDescription.c_str();
  const char* manufacturer = component.m_strDriverManufacturer.c_str();
  if (UsesDeviceList(component)) {
    const auto multi =
        outside::EntryPointAs<outside::DoMultiDriverInstall32Proc>(thunk.GetProc(outside::kDoMultiDriverInstall32));
    if (multi == nullptr) return 1;
    for (const CDisplayDevice& device : component.m_deviceList) {
      if (device.m_bChosen) {
        multi(deviceClass, hardwareId, section, scriptPath.c_str(), description, manufacturer, device.m_nDevice);
      }
    }
    return 0;
  }
  const auto single = outside::EntryPointAs<outside::DoDriverInstall32Proc>(thunk.GetProc(outside::kDoDriverInstall32));
  if (single == nullptr) return 1;
  return single(deviceClass, hardwareId, section, scriptPath.c_str(), description, manufacturer);
}

int CDisplayDriverInstall::Remove9x(const CComponent& component) {
  const auto compatible = outside::EntryPointAs<outside::InstallCompatibleDriver32Proc>(
      m_script.GetThunkLibrary().GetProc(outside::kInstallCompatibleDriver32));
  if (compatible == nullptr) return 1;
  const char* deviceClass = component.m_strDriverClass.c_str();
  const char* hardwareId = component.m_strHardwareId.c_str();
  // The library counts the devices its own way: it is always told which one
  // is meant, so that caller and library never disagree on the arguments.
  if (!UsesDeviceList(component)) return compatible(deviceClass, hardwareId, outside::kNoDevice);
  // A device that kept the driver is not hidden by a later one that gave it up.
  int result = 0;
  for (const CDisplayDevice& device : component.m_deviceList) {
    if (!device.m_bChosen) continue;
    const int r = compatible(deviceClass, hardwareId, device.m_nDevice);
    if (result == 0) result = r;
  }
  return result;
}
