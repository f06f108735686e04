// A registry key of the simulated machine, created or opened through its
// registry and closed with the object. Calls on a key that could not be
// had do nothing and find nothing.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace sim {

class OpenedKey {
 public:
  OpenedKey(platform::IRegistry& registry, platform::HKEY root, const std::string& path, bool create)
      : m_registry(registry) {
    platform::DWORD disposition = 0;
    const long result =
        create ? registry.RegCreateKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, &m_key, &disposition)
               : registry.RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, &m_key);
    if (result != ERROR_SUCCESS) m_key = nullptr;
  }
  ~OpenedKey() {
    if (m_key != nullptr) m_registry.RegCloseKey(m_key);
  }
  OpenedKey(const OpenedKey&) = delete;
  OpenedKey& operator=(const OpenedKey&) = delete;
  explicit operator bool() const { return m_key != nullptr; }
  platform::HKEY Handle() const { return m_key; }

  void Set(const char* name, platform::DWORD type, const std::vector<platform::BYTE>& data) {
    if (m_key != nullptr) {
      m_registry.RegSetValueExA(m_key, name, type, data.data(), static_cast<platform::DWORD>(data.size()));
    }
  }
  void SetString(const char* name, const std::string& text, platform::DWORD type = REG_SZ) {
    std::vector<platform::BYTE> data(text.begin(), text.end());
    data.push_back(0);
    Set(name, type, data);
  }
  void SetDword(const char* name, platform::DWORD value) {
    Set(name, REG_DWORD,
        {static_cast<platform::BYTE>(value), static_cast<platform::BYTE>(value >> 8),
         static_cast<platform::BYTE>(value >> 16), static_cast<platform::BYTE>(value >> 24)});
  }
  std::optional<std::string> GetString(const char* name) const {
    if (m_key == nullptr) return std::nullopt;
    char buffer[1024] = {};
    platform::DWORD type = 0, size = sizeof buffer - 1;
    if (m_registry.RegQueryValueExA(m_key, name, &type, reinterpret_cast<platform::BYTE*>(buffer), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
      return std::nullopt;
    }
    return std::string(buffer);
  }
  bool HasValue(const char* name) const {
    platform::DWORD type = 0, size = 0;
    return m_key != nullptr &&
           m_registry.RegQueryValueExA(m_key, name, &type, nullptr, &size) == ERROR_SUCCESS;
  }

 private:
  platform::IRegistry& m_registry;
  platform::HKEY m_key = nullptr;
};

}  // namespace sim
