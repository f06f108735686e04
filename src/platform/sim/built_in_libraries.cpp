#include "platform/sim/built_in_libraries.h"

#include <string>

#include "platform/outside_libraries.h"
#include "platform/sim/device_installer.h"
#include "platform/setup_api.h"
#include "platform/sim/sim_platform.h"
#include "platform/sim/sim_setup_api.h"

namespace sim {
namespace {

// Every answer comes from the active machine's hardware description, shared
// with the real libraries of ours that stand in for these on Windows.
void Record(const std::string& line) {
  if (const Machine* m = ActiveMachine()) m->AppendEvent(line);
}

std::string Text(const char* text) { return text != nullptr ? text : ""; }

// Windows 98's device installer acts on the INF it is given.
std::int32_t Install(const char* deviceClass, const char* hardwareId, const char* section, const char* infPath,
                     const char* description, const char* manufacturer, std::int32_t device) {
  const Machine* m = ActiveMachine();
  if (m == nullptr) return 0;
  const std::int32_t result = InstallDisplayDriver(
      *m, DriverInstallCall{Text(deviceClass), Text(hardwareId), Text(section), Text(infPath), Text(description),
                            Text(manufacturer), device});
  if (result != 0) Record("thunk result " + std::to_string(result));
  return result;
}

std::int32_t OUTSIDE_CALL DoDriverInstall32(const char* deviceClass, const char* hardwareId, const char* section,
                                            const char* infPath, const char* description, const char* manufacturer) {
  Record(hardware_record::DoDriverInstall(deviceClass, hardwareId, section, infPath, description, manufacturer));
  return Install(deviceClass, hardwareId, section, infPath, description, manufacturer, -1);
}

std::int32_t OUTSIDE_CALL DoMultiDriverInstall32(const char* deviceClass, const char* hardwareId, const char* section,
                                                 const char* infPath, const char* description,
                                                 const char* manufacturer, std::int32_t device) {
  Record(hardware_record::DoMultiDriverInstall(deviceClass, hardwareId, section, infPath, description, manufacturer,
                                               device));
  // A number outside the devices installs on none.
  return Install(deviceClass, hardwareId, section, infPath, description, manufacturer, device < 0 ? 0x7FFFFFFF : device);
}

std::int32_t OUTSIDE_CALL InstallCompatibleDriver32(const char* deviceClass, const char* hardwareId,
                                                    std::int32_t device) {
  Record(hardware_record::InstallCompatibleDriver(deviceClass, hardwareId, device));
  const Machine* m = ActiveMachine();
  // A number outside the devices gives back none.
  const std::int32_t result =
      m == nullptr ? kNoSuchDevice
                   : InstallCompatibleDisplayDriver(*m, Text(hardwareId),
                                                    device < 0 && device != outside::kNoDevice ? 0x7FFFFFFF : device);
  if (result != 0) Record("thunk result " + std::to_string(result));
  return result;
}

std::int32_t OUTSIDE_CALL SearchBiosString32(const char* text) {
  const Machine* m = ActiveMachine();
  return m != nullptr ? m->Hardware().SearchBios(text) : 0;
}

std::int32_t OUTSIDE_CALL IsVendorIdPresent32(const char* hardwareId) {
  const Machine* m = ActiveMachine();
  return m != nullptr ? m->Hardware().IsVendorIdPresent(hardwareId) : 0;
}

std::int32_t OUTSIDE_CALL SearchPCIDevice32(std::int32_t vendor, std::int32_t device) {
  const Machine* m = ActiveMachine();
  return m != nullptr ? m->Hardware().SearchPciDevice(vendor, device) : 0;
}

std::int32_t OUTSIDE_CALL Restart32(std::int32_t how) {
  Record(hardware_record::Restart(how));
  return 1;
}

std::int32_t OUTSIDE_CALL LDDToPath32(std::int32_t ldid, char* path) {
  const Machine* m = ActiveMachine();
  if (m == nullptr) {
    if (path != nullptr) path[0] = '\0';
    return 0;
  }
  return m->Hardware().LddToPath(ldid, path, outside::kLogicalDirectoryBufferSize, m->WindowsDir(), m->SystemDir(),
                                 m->IsNT());
}

std::int32_t OUTSIDE_CALL EnumDisplayDevice(std::int32_t device, char* name, std::uint16_t* nameSize, platform::HKEY* root,
                               char* subKey, std::uint16_t* subKeySize) {
  const Machine* m = ActiveMachine();
  if (m == nullptr || m->Hardware().EnumDisplayDevice(device, name, nameSize, subKey, subKeySize) == 0) return 0;
  if (root != nullptr) *root = platform::PredefinedKey(0x80000002);  // HKEY_LOCAL_MACHINE
  return 1;
}

}  // namespace

bool IsBuiltInLibrary(std::string_view upperFileName) {
  return upperFileName == outside::kThunkLibraryName || upperFileName == outside::kSetupLibraryName ||
         upperFileName == setupapi::kLibraryName;
}

platform::FARPROC BuiltInEntryPoint(std::string_view upperFileName, std::string_view name) {
  using outside::AsFarProc;
  if (upperFileName == setupapi::kLibraryName) return SetupApiEntryPoint(name);
  if (upperFileName != outside::kThunkLibraryName) return nullptr;
  if (name == outside::kDoDriverInstall32) return AsFarProc(&DoDriverInstall32);
  if (name == outside::kDoMultiDriverInstall32) return AsFarProc(&DoMultiDriverInstall32);
  if (name == outside::kInstallCompatibleDriver32) return AsFarProc(&InstallCompatibleDriver32);
  if (name == outside::kSearchBiosString32) return AsFarProc(&SearchBiosString32);
  if (name == outside::kIsVendorIdPresent32) return AsFarProc(&IsVendorIdPresent32);
  if (name == outside::kSearchPCIDevice32) return AsFarProc(&SearchPCIDevice32);
  if (name == outside::kRestart32) return AsFarProc(&Restart32);
  if (name == outside::kLDDToPath32) return AsFarProc(&LDDToPath32);
  return nullptr;
}

platform::FARPROC BuiltInEntryPoint(std::string_view upperFileName, platform::WORD ordinal) {
  if (upperFileName == outside::kSetupLibraryName && ordinal == outside::kDisplayDeviceOrdinal) {
    return outside::AsFarProc(&EnumDisplayDevice);
  }
  return nullptr;
}

}  // namespace sim
