#include "platform/sim/built_in_libraries.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "display/outside_libraries.h"
#include "platform/sim/sim_platform.h"

namespace sim {
namespace {

// Copies text into a caller's buffer of `size` bytes, always NUL-terminated.
void CopyBounded(const std::string& text, char* buffer, std::size_t size) {
  if (buffer == nullptr || size == 0) return;
  std::size_t n = std::min(text.size(), size - 1);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
}

std::string Text(const char* p) { return p != nullptr ? std::string(p) : std::string(); }

void Record(const std::string& line) {
  if (const Machine* m = ActiveMachine()) m->AppendEvent(line);
}

std::int32_t DoDriverInstall32(const char* deviceClass, const char* hardwareId, const char* section,
                               const char* infPath, const char* description, const char* manufacturer) {
  Record("thunk DoDriverInstall32 \"" + Text(deviceClass) + "\" \"" + Text(hardwareId) + "\" \"" + Text(section) +
         "\" \"" + Text(infPath) + "\" \"" + Text(description) + "\" \"" + Text(manufacturer) + "\"");
  return 0;
}

std::int32_t DoMultiDriverInstall32(const char* deviceClass, const char* hardwareId, const char* section,
                                    const char* infPath, const char* description, const char* manufacturer,
                                    std::int32_t device) {
  Record("thunk DoMultiDriverInstall32 \"" + Text(deviceClass) + "\" \"" + Text(hardwareId) + "\" \"" +
         Text(section) + "\" \"" + Text(infPath) + "\" \"" + Text(description) + "\" \"" + Text(manufacturer) +
         "\" " + std::to_string(device));
  return 0;
}

std::int32_t InstallCompatibleDriver32(const char* deviceClass, const char* hardwareId, std::int32_t device) {
  Record("thunk InstallCompatibleDriver32 \"" + Text(deviceClass) + "\" \"" + Text(hardwareId) + "\"" +
         (device == outside::kNoDevice ? std::string() : " " + std::to_string(device)));
  return 0;
}

std::int32_t SearchBiosString32(const char* text) {
  const Machine* m = ActiveMachine();
  if (m == nullptr || text == nullptr || *text == '\0') return 0;
  return m->BiosText().find(text) != std::string::npos ? 1 : 0;
}

std::int32_t IsVendorIdPresent32(const char* hardwareId) {
  const Machine* m = ActiveMachine();
  if (m == nullptr || hardwareId == nullptr) return 0;
  const auto& ids = m->InstalledHardwareIds();
  return std::any_of(ids.begin(), ids.end(), [&](const std::string& id) { return EqualsNoCase(id, hardwareId); })
             ? 1
             : 0;
}

std::int32_t SearchPCIDevice32(std::int32_t vendor, std::int32_t device) {
  const Machine* m = ActiveMachine();
  if (m == nullptr) return 0;
  const auto& devices = m->PciDevices();
  return std::any_of(devices.begin(), devices.end(),
                     [&](const PciDevice& d) { return d.vendor == vendor && d.device == device; })
             ? 1
             : 0;
}

std::int32_t Restart32(std::int32_t how) {
  Record("restart " + std::string(how == outside::kRestartComputer ? "computer" : "windows"));
  return 1;
}

std::int32_t LDDToPath32(std::int32_t ldid, char* path) {
  const Machine* m = ActiveMachine();
  auto folder = m != nullptr ? m->LogicalDirectory(ldid) : std::nullopt;
  CopyBounded(folder.value_or(""), path, outside::kLogicalDirectoryBufferSize);
  return folder ? 1 : 0;
}

std::int32_t EnumDisplayDevice(std::int32_t device, char* name, std::uint16_t* nameSize, platform::HKEY* root,
                           char* subKey, std::uint16_t* subKeySize) {
  const Machine* m = ActiveMachine();
  if (m == nullptr || device < 1 || static_cast<std::size_t>(device) > m->DisplayDevices().size()) return 0;
  const DisplayDevice& d = m->DisplayDevices()[static_cast<std::size_t>(device) - 1];
  if (nameSize != nullptr) {
    CopyBounded(d.name, name, *nameSize);
    *nameSize = static_cast<std::uint16_t>(std::min<std::size_t>(d.name.size(), *nameSize ? *nameSize - 1 : 0));
  }
  if (subKeySize != nullptr) {
    CopyBounded(d.driverKey, subKey, *subKeySize);
    *subKeySize =
        static_cast<std::uint16_t>(std::min<std::size_t>(d.driverKey.size(), *subKeySize ? *subKeySize - 1 : 0));
  }
  if (root != nullptr) *root = platform::PredefinedKey(0x80000002);  // HKEY_LOCAL_MACHINE
  return 1;
}

}  // namespace

bool IsBuiltInLibrary(std::string_view upperFileName) {
  return upperFileName == outside::kThunkLibraryName || upperFileName == outside::kSetupLibraryName;
}

platform::FARPROC BuiltInEntryPoint(std::string_view upperFileName, std::string_view name) {
  using outside::AsFarProc;
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
