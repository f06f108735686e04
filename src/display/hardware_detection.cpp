#include "display/hardware_detection.h"

#include <cstdint>

#include "components/component_list.h"
#include "display/display_devices.h"
#include "platform/ascii_text.h"
#include "platform/outside_libraries.h"
#include "platform/platform.h"
#include "script/setup_script.h"
#include "script/value_expansion.h"

namespace {

constexpr const char* kSearchBiosKey = "SearchBios";

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return c - 'A' + 10;
}

// The default value of HKEY_CLASSES_ROOT\SearchBios as INST16.EXE leaves it.
std::string ReadSearchBiosAnswer(const platform::Platform& platform) {
  platform::IRegistry& registry = platform.Registry();
  platform::HKEY key = nullptr;
  if (registry.RegOpenKeyExA(HKEY_CLASSES_ROOT, kSearchBiosKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
  char buffer[261] = {};
  platform::DWORD type = 0;
  platform::DWORD size = sizeof buffer - 1;
  const bool read =
      registry.RegQueryValueExA(key, nullptr, &type, reinterpret_cast<platform::BYTE*>(buffer), &size) == ERROR_SUCCESS;
  registry.RegCloseKey(key);
  return read && type == REG_SZ ? std::string(buffer) : std::string();
}

}  // namespace

bool ReadPciNumber(std::string_view hardwareId, std::string_view mark, std::int32_t& number) {
  const std::size_t at = hardwareId.find(mark);
  if (at == std::string_view::npos) return false;
  std::uint32_t value = 0;
  for (std::size_t i = at + mark.size(); i < hardwareId.size() && IsHexDigit(hardwareId[i]); ++i) {
    // Digits beyond eight shift the first ones out, as a 32-bit reader would.
    value = (value << 4) | static_cast<std::uint32_t>(HexValue(hardwareId[i]));
  }
  number = static_cast<std::int32_t>(value);
  return true;
}

bool CHardwareDetection::SearchBios(const std::string& text) const {
  const CSetupContext& context = m_script.GetContext();
  if (context.Is9x()) {
    if (const auto search = outside::EntryPointAs<outside::SearchBiosString32Proc>(
            m_script.GetThunkLibrary().GetProc(outside::kSearchBiosString32))) {
      return search(text.c_str()) != 0;
    }
  }
  // INST16.EXE -B searches the BIOS and answers in the registry.
  platform::IRegistry& registry = m_script.GetContext().GetPlatform().Registry();
  registry.RegDeleteKeyA(HKEY_CLASSES_ROOT, kSearchBiosKey);
  const std::string command = context.GetSetupDir() + "\\INST16.EXE -B" + text;
  platform::PROCESS_INFORMATION info{};
  platform::IProcesses& processes = m_script.GetContext().GetPlatform().Processes();
  if (!processes.CreateProcessA(command, DETACHED_PROCESS, info)) return false;
  processes.CloseHandle(info.hThread);
  processes.WaitForSingleObject(info.hProcess, INFINITE);
  processes.CloseHandle(info.hProcess);
  const bool found = ReadSearchBiosAnswer(m_script.GetContext().GetPlatform()) == "1";
  registry.RegDeleteKeyA(HKEY_CLASSES_ROOT, kSearchBiosKey);
  return found;
}

int CHardwareDetection::SearchPci(std::string_view modelsLine, std::string& hardwareId) const {
  hardwareId.clear();
  const CSetupContext& context = m_script.GetContext();
  if (context.IsNT()) return m_script.GetContext().GetPlatform().System().IsAdministratorToken() ? 0 : MSG_NOT_ADMINISTRATOR;
  if (m_script.GetContext().GetPlatform().System().GetSystemMetrics(SM_CLEANBOOT) != 0) return MSG_SAFE_MODE;
  const CThunkLibrary& thunk = m_script.GetThunkLibrary();
  const auto isInstalled =
      outside::EntryPointAs<outside::IsVendorIdPresent32Proc>(thunk.GetProc(outside::kIsVendorIdPresent32));
  const auto onBus = outside::EntryPointAs<outside::SearchPCIDevice32Proc>(thunk.GetProc(outside::kSearchPCIDevice32));
  if (isInstalled == nullptr || onBus == nullptr) return MSG_NO_MATCHING_MODEL;
  for (const std::string& id : HardwareIdentifiers(m_script, modelsLine)) {
    if (isInstalled(id.c_str()) != 0) {
      hardwareId = id;
      return 0;
    }
    std::int32_t vendor = 0, device = 0;
    if (ReadPciNumber(id, "VEN_", vendor) && ReadPciNumber(id, "DEV_", device) && onBus(vendor, device) != 0) {
      hardwareId = std::string(kNotInstalled);
      return 0;
    }
  }
  return MSG_NO_MATCHING_MODEL;
}

std::vector<std::string> HardwareIdentifiers(const CSetupScript& script, std::string_view modelsLine) {
  std::vector<std::string> ids;
  for (int n = 2;; ++n) {
    std::string id = script.GetField(modelsLine, n);
    if (id.empty()) {
      // An empty first identifier is passed over; any later one ends the list.
      if (n == 2) continue;
      return ids;
    }
    if (id.front() == '*') id.erase(0, 1);
    ids.push_back(std::move(id));
  }
}

bool CHardwareDetection::Detect(CComponentList& list) {
  IMessageSink& messages = m_script.GetMessages();
  CSetupContext& context = m_script.GetContext();
  const CScriptSection version = m_script.ReadSection("Version");
  if (version.GetCount() == 0) {
    messages.ShowError(MSG_SECTION_MISSING, "Version");
    return false;
  }
  const std::string deviceClass = m_script.GetField(version.FindKey("Class"), 1);
  if (ascii::EqualNoCase(deviceClass, "Software")) return true;
  if (deviceClass.empty()) {
    messages.ShowError(MSG_KEY_NOT_FOUND, "Class", "Version");
    return false;
  }
  const std::string provider = m_script.GetField(version.FindKey("Provider"), 1);
  const std::string manufacturerLine = m_script.ReadSection("Manufacturer").GetLine(0);
  const std::string manufacturer = m_script.GetKey(manufacturerLine);
  const std::string modelsName = m_script.GetField(manufacturerLine, 1);
  const CScriptSection models = m_script.ReadSection(modelsName);
  if (models.GetCount() == 0) {
    messages.ShowError(MSG_SECTION_NOT_FOUND, modelsName);
    return false;
  }

  for (const std::string& line : models.GetLines()) {
    if (m_script.RestoreMarkers(line).empty()) break;
    const std::string installName = m_script.GetField(line, 1);
    CScriptSection install;
    if (installName.empty() || !m_script.ReadSection(install, installName)) continue;
    const std::string biosText = m_script.GetField(install.FindKey("BiosString"), 1);
    if (!biosText.empty() && !SearchBios(biosText)) continue;
    std::string hardwareId;
    const int found = SearchPci(line, hardwareId);
    if (found == MSG_SAFE_MODE || found == MSG_NOT_ADMINISTRATOR) {
      messages.ShowError(found);
      return false;
    }
    if (found != 0) continue;

    // The setup component, first in the list, lends a driver its tip.
    const std::string setupTip = list.GetCount() > 0 ? list.GetAt(0).m_strTip : std::string();
    CComponent& driver = list.Append(installName);
    driver.m_strDriverClass = deviceClass;
    driver.m_strDriverManufacturer = manufacturer;
    driver.m_strDriverProvider = provider;
    driver.m_strHardwareId = hardwareId;
    if (context.IsWin98() && !m_bDevicesShown) {
      driver.m_nDeviceCount = static_cast<std::uint32_t>(EnumerateDisplayDevices(m_script.GetContext().GetPlatform(), driver.m_deviceList, hardwareId));
      if (driver.m_nDeviceCount > 1) {
        m_bDevicesShown = true;
        m_pChooser->ChooseDevices(driver.m_deviceList, (context.GetFlags() & SF_MAINTENANCE_WIZARD) != 0);
      }
    }
    return driver.Load(installName, m_script.GetKey(line), setupTip);
  }

  if ((context.GetFlags() & SF_MAINTENANCE_WIZARD) != 0) return true;
  messages.ShowError(MSG_NO_MATCHING_MODEL);
  return false;
}
