// The device installer of the simulated Windows 95/98 machine, as the thunk
// library reaches it: a display driver installed from its INF (the driver
// key under Services\Class\Display, the install section's DelReg and
// AddReg with HKR meaning that key, the device's Enum key linked to it) and
// the standard VGA driver put back.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/sim/inf_file.h"

namespace sim {

class Machine;

// The text of a file of the machine; nullopt when it cannot be read.
std::optional<std::string> ReadMachineFile(const Machine& machine, const std::string& windowsPath);
// The registry lines of an install section: the DelReg sections it names,
// then the AddReg ones, with HKR meaning `relative`.
void RunRegistryLines(platform::IRegistry& registry, const InfFile& inf, const std::vector<InfLine>& install,
                      platform::HKEY relative);

// The driver key of the standard VGA adapter, as a fresh Windows 95/98 has it.
constexpr const char* kDisplayClassKey = "System\\CurrentControlSet\\Services\\Class\\Display";
constexpr const char* kStandardVgaDriver = "Display\\0000";
// Writes the standard VGA driver key (HKEY_LOCAL_MACHINE\…\Display\0000).
void WriteStandardVgaDriver(platform::IRegistry& registry);

struct DriverInstallCall {
  std::string deviceClass, hardwareId, section, infPath, description, manufacturer;
  // The 0-based device number, or -1 for every device with that identifier.
  std::int32_t device = -1;
};

// DoDriverInstall32 and DoMultiDriverInstall32: 0, or the Windows error of
// the failure (the INF cannot be read: ERROR_FILE_NOT_FOUND; it has no such
// install section: kSectionNotFound, the setup interface's ERROR_SECTION_NOT_FOUND).
constexpr std::int32_t kSectionNotFound = static_cast<std::int32_t>(0xE0000102u);
std::int32_t InstallDisplayDriver(const Machine& machine, const DriverInstallCall& call);
// InstallCompatibleDriver32: the devices with that identifier (or device
// `device` only, when it is not -1) go back to the standard VGA driver; 0,
// or kNoSuchDevice when no device matched and nothing changed.
std::int32_t InstallCompatibleDisplayDriver(const Machine& machine, const std::string& hardwareId,
                                            std::int32_t device);

}  // namespace sim
