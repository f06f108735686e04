// What a machine's hardware answers, read from a hardware description file
// (hardware.ini): BIOS text, PCI devices, hardware identifiers already
// installed, display devices and logical directories.
//
// Portable, on the standard library only: the simulated machine's built-in
// _THUNK32.DLL and SETUP32.DLL answer through it, and so do the real DLLs of
// ours that stand in for them on Windows (tools/hardware_libraries), reading
// the same file from the Windows folder. One set of answers on both.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <string_view>
#include <vector>

#include "platform/shared/config_file.h"

namespace sim {

// Splits at the separator, trimming blanks around each part.
std::vector<std::string> SplitList(std::string_view text, char separator);

struct PciDevice {
  std::uint16_t vendor = 0;
  std::uint16_t device = 0;
};

struct DisplayDevice {
  std::string name;
  std::string driverKey;    // registry sub-key of its driver under HKEY_LOCAL_MACHINE
  std::string description;  // its DeviceDesc; empty when the line gives none
};

class HardwareDescription {
 public:
  // The sections [Bios], [PCI], [InstalledHardware], [Display], [Monitors]
  // and [LogicalDirs]; nullopt with "hardware.ini: …" when one is malformed.
  static std::optional<HardwareDescription> Read(const ConfigFile& file, std::string& error);
  // The whole file's text; nullopt with a message when it does not parse.
  static std::optional<HardwareDescription> Parse(std::string_view text, std::string& error);

  const std::string& BiosText() const { return m_biosText; }
  const std::vector<PciDevice>& PciDevices() const { return m_pci; }
  const std::vector<std::string>& InstalledHardwareIds() const { return m_installedIds; }
  const std::vector<DisplayDevice>& DisplayDevices() const { return m_displays; }
  // The display names of the devices a monitor is attached to ([Monitors]);
  // without that section the first display device has the one monitor.
  std::vector<std::string> MonitoredDisplays() const;
  // The display devices a driver call for that identifier acts on, as
  // indexes into DisplayDevices(): those whose driver sub-key holds the
  // identifier (case included), every one for outside::kNoDevice, else only
  // the one of that 0-based number. None for an empty identifier.
  std::vector<std::size_t> MatchingDisplays(std::string_view hardwareId, std::int32_t device) const;

  // The answers of the entry points, in their contracts' terms.
  // SearchBiosString32: 1 when the text (not empty) occurs in the BIOS text, case included.
  std::int32_t SearchBios(const char* text) const;
  // IsVendorIdPresent32: 1 when the identifier is installed, without regard to case.
  std::int32_t IsVendorIdPresent(const char* hardwareId) const;
  // SearchPCIDevice32: 1 when a device of these numbers is on the bus.
  std::int32_t SearchPciDevice(std::int32_t vendor, std::int32_t device) const;
  // LDDToPath32: the folder of a logical directory number into `path`
  // (`size` bytes, always terminated; empty when unknown); 1 when known.
  std::int32_t LddToPath(std::int32_t ldid, char* path, std::size_t size, const std::string& windowsDir,
                         const std::string& systemDir, bool nt) const;
  std::optional<std::string> LogicalDirectory(int ldid, const std::string& windowsDir, const std::string& systemDir,
                                              bool nt) const;
  // SETUP32.DLL ordinal 11 without the root key: device is 1-based; the
  // sizes are in (buffer size) and out (length copied). 1 when it exists.
  std::int32_t EnumDisplayDevice(std::int32_t device, char* name, std::uint16_t* nameSize, char* subKey,
                                 std::uint16_t* subKeySize) const;

 private:
  std::string m_biosText;
  std::vector<PciDevice> m_pci;
  std::vector<std::string> m_installedIds;
  std::vector<DisplayDevice> m_displays;
  std::vector<std::string> m_monitors;
  bool m_hasMonitorSection = false;
  std::vector<std::pair<int, std::string>> m_logicalDirs;
};

// What the device installer answers when no device of the call exists
// (SETUPAPI's ERROR_NO_SUCH_DEVINST): the library changed nothing.
constexpr std::int32_t kNoSuchDevice = static_cast<std::int32_t>(0xE000020Bu);

// The record lines of the calls that change the machine, as the machine's
// event record and the libraries' record file keep them.
namespace hardware_record {
std::string DoDriverInstall(const char* deviceClass, const char* hardwareId, const char* section, const char* infPath,
                            const char* description, const char* manufacturer);
std::string DoMultiDriverInstall(const char* deviceClass, const char* hardwareId, const char* section,
                                 const char* infPath, const char* description, const char* manufacturer,
                                 std::int32_t device);
// device: outside::kNoDevice when the call had no device number.
std::string InstallCompatibleDriver(const char* deviceClass, const char* hardwareId, std::int32_t device);
std::string Restart(std::int32_t how);
}  // namespace hardware_record

}  // namespace sim
