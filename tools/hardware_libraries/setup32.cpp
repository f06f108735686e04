// SETUP32.DLL of our own: the display devices through ordinal 11, from the
// hardware description in the Windows folder.
#include <windows.h>

#include <cstdint>
#include <type_traits>

#include "platform/outside_libraries.h"
#include "hardware_file.h"

extern "C" std::int32_t OUTSIDE_CALL EnumDisplayDevice(std::int32_t device, char* name, std::uint16_t* nameSize,
                                          platform::HKEY* root, char* subKey, std::uint16_t* subKeySize) {
  if (hardware_libraries::ReadDescription().EnumDisplayDevice(device, name, nameSize, subKey, subKeySize) == 0) {
    return 0;
  }
  if (root != nullptr) *root = reinterpret_cast<platform::HKEY>(HKEY_LOCAL_MACHINE);
  return 1;
}

static_assert(std::is_same_v<decltype(&EnumDisplayDevice), outside::DisplayDeviceProc>);
