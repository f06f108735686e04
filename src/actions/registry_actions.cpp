#include "actions/registry_actions.h"

#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "script/script_line.h"
#include "script/setup_script.h"
#include "core/registry_key.h"

namespace {

// Value types chosen by the flags field, after its bit of value 2 is cleared.
constexpr int kFlagNumber = 1;  // REG_DWORD, or REG_BINARY when field 5 is present
constexpr int kFlagPath = 4;
constexpr int kFlagMultiString = 8;
constexpr int kFlagExpandString = 16;
constexpr int kFlagIgnored = 2;

std::optional<platform::HKEY> RootOf(std::string_view name) {
  if (name == "HKCR") return HKEY_CLASSES_ROOT;
  if (name == "HKCU") return HKEY_CURRENT_USER;
  if (name == "HKLM") return HKEY_LOCAL_MACHINE;
  if (name == "HKU") return HKEY_USERS;
  return std::nullopt;
}

// One leading and one trailing backslash go, with the white space they leave.
std::string TrimSubKey(std::string subKey) {
  if (!subKey.empty() && subKey.front() == '\\') subKey = std::string(TrimLeft(std::string_view(subKey).substr(1)));
  if (!subKey.empty() && subKey.back() == '\\') {
    subKey.pop_back();
    subKey = std::string(TrimRight(subKey));
  }
  return subKey;
}

// A hexadecimal field: its leading hex digits (after an optional "0x"); the
// low byte is kept.
platform::BYTE HexByte(std::string_view field) {
  if (field.size() > 2 && field[0] == '0' && (field[1] == 'x' || field[1] == 'X')) field.remove_prefix(2);
  unsigned value = 0;
  for (char c : field) {
    unsigned digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<unsigned>(c - '0');
    } else if (c >= 'a' && c <= 'f') {
      digit = static_cast<unsigned>(c - 'a' + 10);
    } else if (c >= 'A' && c <= 'F') {
      digit = static_cast<unsigned>(c - 'A' + 10);
    } else {
      break;
    }
    value = ((value << 4) | digit) & 0xFFu;
  }
  return static_cast<platform::BYTE>(value);
}

void ReportBadLine(const CSetupScript& script, std::string_view line) {
  script.GetMessages().ShowError(MSG_BAD_REGISTRY_LINE, script.RestoreMarkers(line));
}

void WriteValue(const CSetupScript& script, platform::HKEY key, std::string_view line, const std::string& valueName) {
  const platform::Platform& platform = script.GetContext().GetPlatform();
  const bool nt = script.GetContext().IsNT();
  const int flags = GetFieldInt(line, 3) & ~kFlagIgnored;
  std::string text = script.GetField(line, 4);
  platform::DWORD type = REG_SZ;
  std::vector<platform::BYTE> data;
  std::size_t size = 0;

  if (flags == kFlagNumber && script.GetField(line, 5).empty()) {
    const auto number = static_cast<platform::DWORD>(GetFieldInt(line, 4));
    type = REG_DWORD;
    data = {static_cast<platform::BYTE>(number), static_cast<platform::BYTE>(number >> 8),
            static_cast<platform::BYTE>(number >> 16), static_cast<platform::BYTE>(number >> 24)};
    size = data.size();
  } else if (flags == kFlagNumber) {
    type = REG_BINARY;
    for (int index = 4; index < 4 + kMaxRegistryBinary; ++index) {
      const std::string field = script.GetField(line, index);
      if (field.empty()) break;
      data.push_back(HexByte(field));
    }
    size = data.size();
  } else {
    std::size_t terminators = 1;
    if (flags == kFlagPath) {
      if (text.size() < 2 || text[1] != ':') text = script.GetContext().GetDestDir() + "\\" + text;
      size = text.size() + (nt ? 1 : 0);
    } else if (flags == kFlagMultiString) {
      type = REG_MULTI_SZ;
      terminators = 2;
      size = text.size() + (nt ? 2 : 1);
    } else if (flags == kFlagExpandString) {
      type = REG_EXPAND_SZ;
      size = text.size() + 1;
    } else {
      size = text.size() + (nt ? 1 : 0);
    }
    data.assign(text.begin(), text.end());
    data.insert(data.end(), terminators, 0);
  }
  platform.Registry().RegSetValueExA(key, valueName.c_str(), type, data.empty() ? nullptr : data.data(),
                                      static_cast<platform::DWORD>(size));
}

}  // namespace

bool IsRegistryRoot(std::string_view root) { return RootOf(root).has_value(); }

bool IsKnownRegistryFlags(int flags) {
  const int type = flags & ~kFlagIgnored;
  return type == 0 || type == kFlagNumber || type == kFlagPath || type == kFlagMultiString || type == kFlagExpandString;
}

void RunRegistrySection(const CSetupScript& script, const CScriptSection& section, int mode) {
  for (const std::string& line : section.GetLines()) ApplyRegistryLine(script, line, mode);
}

void ApplyRegistryLine(const CSetupScript& script, std::string_view line, int mode) {
  const platform::Platform& platform = script.GetContext().GetPlatform();
  const auto root = RootOf(script.GetField(line, 0));
  if (!root) {
    ReportBadLine(script, line);
    return;
  }
  std::string subKey = script.GetField(line, 1);
  if (subKey.empty()) {
    ReportBadLine(script, line);
    return;
  }
  subKey = TrimSubKey(std::move(subKey));
  const std::string valueName = script.GetField(line, 2);
  platform::IRegistry& registry = platform.Registry();

  if (mode == kRegistryDelete) {
    if (valueName.empty()) {
      DeleteKeyTree(platform, *root, subKey);
      return;
    }
    platform::HKEY key = nullptr;
    if (registry.RegOpenKeyExA(*root, subKey.c_str(), 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
      registry.RegDeleteValueA(key, valueName.c_str());
      registry.RegCloseKey(key);
    }
    return;
  }

  platform::HKEY key = nullptr;
  platform::DWORD disposition = 0;
  if (registry.RegCreateKeyExA(*root, subKey.c_str(), REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, &key, &disposition) !=
      ERROR_SUCCESS) {
    return;
  }
  WriteValue(script, key, line, valueName);
  registry.RegCloseKey(key);
}

bool DeleteKeyTree(const platform::Platform& platform, platform::HKEY root, std::string_view subKey) {
  // The tree walk itself is the registry key's: subkeys first, each index
  // read again after a deletion, then the values, then the key.
  CRegistryKey key(platform, root);
  return key.DeleteTree(subKey);
}
