#include "display/display_devices.h"

#include <string>

#include "platform/outside_libraries.h"
#include "platform/platform.h"

namespace {

// Display devices counted by the system (the stand-by answers one where
// several monitors are not supported).
int CountDisplayDevices(const platform::Platform& platform) {
  int count = 0;
  for (;; ++count) {
    platform::DISPLAY_DEVICEA device{};
    device.cb = sizeof device;
    if (!platform.System().EnumDisplayDevicesA(static_cast<platform::DWORD>(count), device)) break;
    // No system has this many; a machine that answers on is not believed.
    if (count >= 256) break;
  }
  return count;
}

// DeviceDesc of a device's driver key; false when the key or value is missing.
bool ReadDeviceDesc(const platform::Platform& platform, platform::HKEY root, const char* subKey, std::string& description) {
  platform::IRegistry& registry = platform.Registry();
  platform::HKEY key = nullptr;
  if (registry.RegOpenKeyExA(root, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  char buffer[outside::kDisplayDeviceBufferSize + 1] = {};
  platform::DWORD type = 0;
  platform::DWORD size = outside::kDisplayDeviceBufferSize;
  const bool read = registry.RegQueryValueExA(key, "DeviceDesc", &type, reinterpret_cast<platform::BYTE*>(buffer),
                                              &size) == ERROR_SUCCESS;
  registry.RegCloseKey(key);
  if (read) description = buffer;
  return read;
}

}  // namespace

int EnumerateDisplayDevices(const platform::Platform& platform, std::vector<CDisplayDevice>& list,
                            std::string_view hardwareId) {
  const int count = CountDisplayDevices(platform);
  platform::ILibraryLoader& libraries = platform.Libraries();
  platform::HMODULE setup = libraries.LoadLibraryA(outside::kSetupLibraryName);
  if (setup == nullptr) return 0;
  const auto proc = outside::EntryPointAs<outside::DisplayDeviceProc>(
      libraries.GetProcAddressByOrdinal(setup, outside::kDisplayDeviceOrdinal));
  int appended = 0;
  for (int n = 1; proc != nullptr && n <= count; ++n) {
    char name[outside::kDisplayDeviceBufferSize + 1] = {};
    char subKey[outside::kDisplayDeviceBufferSize + 1] = {};
    std::uint16_t nameSize = outside::kDisplayDeviceBufferSize;
    std::uint16_t subKeySize = outside::kDisplayDeviceBufferSize;
    platform::HKEY root = nullptr;
    if (proc(n, name, &nameSize, &root, subKey, &subKeySize) == 0) break;
    std::string description;
    if (!ReadDeviceDesc(platform, root, subKey, description)) continue;
    if (hardwareId.empty() || std::string_view(subKey).find(hardwareId) == std::string_view::npos) continue;
    CDisplayDevice device;
    device.m_nDevice = n - 1;
    device.m_strDisplayName = name;
    device.m_strDeviceDesc = std::move(description);
    list.push_back(std::move(device));
    ++appended;
  }
  libraries.FreeLibrary(setup);
  return appended;
}
