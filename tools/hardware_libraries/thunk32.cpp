// _THUNK32.DLL of our own: the thunk library's entry points by name,
// answering from the hardware description in the Windows folder and
// recording the calls that would change the machine.
#include <windows.h>

#include <cstdint>
#include <type_traits>

#include "platform/outside_libraries.h"
#include "hardware_file.h"

using hardware_libraries::ReadDescription;
using hardware_libraries::Record;
namespace record = sim::hardware_record;

extern "C" {

std::int32_t OUTSIDE_CALL DoDriverInstall32(const char* deviceClass, const char* hardwareId, const char* section,
                               const char* infPath, const char* description, const char* manufacturer) {
  Record(record::DoDriverInstall(deviceClass, hardwareId, section, infPath, description, manufacturer));
  return 0;
}

std::int32_t OUTSIDE_CALL DoMultiDriverInstall32(const char* deviceClass, const char* hardwareId, const char* section,
                                    const char* infPath, const char* description, const char* manufacturer,
                                    std::int32_t device) {
  Record(record::DoMultiDriverInstall(deviceClass, hardwareId, section, infPath, description, manufacturer, device));
  return 0;
}

// Nothing changes here; the call only succeeds for a display device the
// description gives with the identifier (and that number, when one is asked for).
std::int32_t OUTSIDE_CALL InstallCompatibleDriver32(const char* deviceClass, const char* hardwareId,
                                                    std::int32_t device) {
  Record(record::InstallCompatibleDriver(deviceClass, hardwareId, device));
  const bool found = hardwareId != nullptr && !ReadDescription().MatchingDisplays(hardwareId, device).empty();
  return found ? 0 : sim::kNoSuchDevice;
}

std::int32_t OUTSIDE_CALL SearchBiosString32(const char* text) { return ReadDescription().SearchBios(text); }

std::int32_t OUTSIDE_CALL IsVendorIdPresent32(const char* hardwareId) { return ReadDescription().IsVendorIdPresent(hardwareId); }

std::int32_t OUTSIDE_CALL SearchPCIDevice32(std::int32_t vendor, std::int32_t device) {
  return ReadDescription().SearchPciDevice(vendor, device);
}

// A stand-in does not restart the machine it runs on: the request is recorded.
std::int32_t OUTSIDE_CALL Restart32(std::int32_t how) {
  Record(record::Restart(how));
  return 1;
}

std::int32_t OUTSIDE_CALL LDDToPath32(std::int32_t ldid, char* path) {
  return ReadDescription().LddToPath(ldid, path, outside::kLogicalDirectoryBufferSize,
                                     hardware_libraries::WindowsFolder(), hardware_libraries::SystemFolder(),
                                     hardware_libraries::IsWindowsNT());
}

}  // extern "C"

// Each entry has exactly its contract's type.
static_assert(std::is_same_v<decltype(&DoDriverInstall32), outside::DoDriverInstall32Proc>);
static_assert(std::is_same_v<decltype(&DoMultiDriverInstall32), outside::DoMultiDriverInstall32Proc>);
static_assert(std::is_same_v<decltype(&InstallCompatibleDriver32), outside::InstallCompatibleDriver32Proc>);
static_assert(std::is_same_v<decltype(&SearchBiosString32), outside::SearchBiosString32Proc>);
static_assert(std::is_same_v<decltype(&IsVendorIdPresent32), outside::IsVendorIdPresent32Proc>);
static_assert(std::is_same_v<decltype(&SearchPCIDevice32), outside::SearchPCIDevice32Proc>);
static_assert(std::is_same_v<decltype(&Restart32), outside::Restart32Proc>);
static_assert(std::is_same_v<decltype(&LDDToPath32), outside::LDDToPath32Proc>);
