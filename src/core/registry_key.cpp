#include "core/registry_key.h"

#include "platform/platform.h"

namespace {

constexpr platform::DWORD kReadBufferSize = 261;
constexpr platform::DWORD kEnumNameSize = 261;
constexpr platform::DWORD kTreeNameSize = 257;
constexpr int kMaxTreeDepth = 512;

bool IsNT(platform::ISystemInfo& system) {
  platform::OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof(info);
  return system.GetVersionExA(info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

bool DeleteTreeBelow(platform::IRegistry& registry, platform::HKEY parent, const std::string& name, int depth) {
  platform::HKEY key = nullptr;
  if (depth < kMaxTreeDepth &&
      registry.RegOpenKeyExA(parent, name.c_str(), 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
    for (platform::DWORD index = 0;;) {
      char child[kTreeNameSize] = {};
      platform::DWORD size = kTreeNameSize;
      const platform::LONG status = registry.RegEnumKeyExA(key, index, child, &size);
      if (status == ERROR_MORE_DATA) {  // a name too long for the buffer: leave it, go on
        ++index;
        continue;
      }
      if (status != ERROR_SUCCESS) break;
      // The later sub-keys move down after a deletion.
      if (!DeleteTreeBelow(registry, key, std::string(child, size), depth + 1)) ++index;
    }
    for (platform::DWORD index = 0;;) {
      char value[kTreeNameSize] = {};
      platform::DWORD size = kTreeNameSize;
      // Only the name is needed: no data buffer, so no value is too large to read.
      if (registry.RegEnumValueA(key, index, value, &size, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      if (registry.RegDeleteValueA(key, std::string(value, size).c_str()) != ERROR_SUCCESS) ++index;
    }
    registry.RegCloseKey(key);
  }
  return registry.RegDeleteKeyA(parent, name.c_str()) == ERROR_SUCCESS;
}

}  // namespace

CRegistryKey::CRegistryKey(const platform::Platform& platform, platform::HKEY root)
    : m_platform(platform), m_hRoot(root) {}

CRegistryKey::CRegistryKey(const platform::Platform& platform, std::string_view subKey, platform::HKEY root)
    : m_platform(platform), m_hRoot(root) {
  Open(subKey);
}

CRegistryKey::~CRegistryKey() { Close(); }

void CRegistryKey::Close() {
  if (m_hKey != nullptr) m_platform.Registry().RegCloseKey(m_hKey);
  m_hKey = nullptr;
}

bool CRegistryKey::Open(std::string_view subKey, platform::REGSAM access) {
  Close();
  const std::string name(subKey);
  platform::HKEY key = nullptr;
  if (m_platform.Registry().RegOpenKeyExA(m_hRoot, name.c_str(), 0, access, &key) != ERROR_SUCCESS) return false;
  m_hKey = key;
  return true;
}

platform::DWORD CRegistryKey::Create(std::string_view subKey) {
  Close();
  const std::string name(subKey);
  platform::HKEY key = nullptr;
  platform::DWORD disposition = 0;
  if (m_platform.Registry().RegCreateKeyExA(m_hRoot, name.c_str(), REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, &key,
                                           &disposition) != ERROR_SUCCESS) {
    return 0;
  }
  m_hKey = key;
  return disposition;
}

bool CRegistryKey::DeleteTree(std::string_view subKey) {
  Close();
  // An empty name would open the root itself and empty it.
  if (subKey.find_first_not_of('\\') == std::string_view::npos) return false;
  return DeleteTreeBelow(m_platform.Registry(), m_hRoot, std::string(subKey), 0);
}

std::string CRegistryKey::EnumKey(platform::DWORD index) {
  if (m_hKey == nullptr) return {};
  char name[kEnumNameSize] = {};
  platform::DWORD size = kEnumNameSize;
  if (m_platform.Registry().RegEnumKeyExA(m_hKey, index, name, &size) != ERROR_SUCCESS) return {};
  return std::string(name, size);
}

std::string CRegistryKey::ReadString(std::string_view name) {
  if (m_hKey == nullptr) return {};
  platform::BYTE buffer[kReadBufferSize] = {};
  platform::DWORD size = kReadBufferSize;
  platform::DWORD type = 0;
  const std::string valueName(name);
  if (m_platform.Registry().RegQueryValueExA(m_hKey, valueName.c_str(), &type, buffer, &size) != ERROR_SUCCESS) {
    return {};
  }
  // A value written without its NUL, or filling the buffer, still ends here.
  std::string text(reinterpret_cast<const char*>(buffer), size < kReadBufferSize ? size : kReadBufferSize - 1);
  return text.substr(0, text.find('\0'));
}

bool CRegistryKey::ReadDword(std::string_view name, platform::DWORD& value) {
  if (m_hKey == nullptr) return false;
  platform::DWORD number = 0, size = sizeof number, type = 0;
  const std::string valueName(name);
  if (m_platform.Registry().RegQueryValueExA(m_hKey, valueName.c_str(), &type, reinterpret_cast<platform::BYTE*>(&number),
                                            &size) != ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof number) {
    return false;
  }
  value = number;
  return true;
}

platform::LONG CRegistryKey::WriteDword(std::string_view name, platform::DWORD value) {
  if (m_hKey == nullptr) return kRegistryKeyNotOpen;
  const std::string valueName(name);
  return m_platform.Registry().RegSetValueExA(m_hKey, valueName.c_str(), REG_DWORD,
                                             reinterpret_cast<const platform::BYTE*>(&value), sizeof value);
}


platform::LONG CRegistryKey::WriteString(std::string_view name, std::string_view text) {
  if (m_hKey == nullptr) return kRegistryKeyNotOpen;
  const std::string valueName(name);
  const std::string data(text);
  // Windows NT counts the terminating NUL; Windows 95/98 are given the length alone.
  const auto size = static_cast<platform::DWORD>(data.size() + (IsNT(m_platform.System()) ? 1 : 0));
  return m_platform.Registry().RegSetValueExA(m_hKey, valueName.c_str(), REG_SZ,
                                             reinterpret_cast<const platform::BYTE*>(data.c_str()), size);
}



bool CRegistryKey::DeleteValue(std::string_view name) {
  const std::string valueName(name);
  return m_hKey != nullptr && m_platform.Registry().RegDeleteValueA(m_hKey, valueName.c_str()) == ERROR_SUCCESS;
}
