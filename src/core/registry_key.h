// One open registry key under a fixed root. A key that failed to open or
// be created answers reads with empty or false and writes with 3.
#pragma once

#include <string>
#include <string_view>

#include "platform/platform.h"
#include "platform/registry.h"

class CRegistryKey {
 public:
  // The platform must outlive the key.
  CRegistryKey(const platform::Platform& platform, platform::HKEY root);
  CRegistryKey(const platform::Platform& platform, std::string_view subKey, platform::HKEY root);
  virtual ~CRegistryKey();
  CRegistryKey(const CRegistryKey&) = delete;
  CRegistryKey& operator=(const CRegistryKey&) = delete;

  bool Open(std::string_view subKey, platform::REGSAM access = KEY_ALL_ACCESS);
  // 0 on failure, else REG_CREATED_NEW_KEY or REG_OPENED_EXISTING_KEY.
  platform::DWORD Create(std::string_view subKey);
  // Deletes the key with everything below it; true when the key itself went.
  bool DeleteTree(std::string_view subKey);
  void Close();
  bool IsOpen() const { return m_hKey != nullptr; }

  std::string EnumKey(platform::DWORD index);
  // The value whatever its type, as text of at most 260 characters.
  std::string ReadString(std::string_view name);
  platform::LONG WriteString(std::string_view name, std::string_view text);
  // A REG_DWORD value; false (value untouched) for a missing value or another type.
  bool ReadDword(std::string_view name, platform::DWORD& value);
  platform::LONG WriteDword(std::string_view name, platform::DWORD value);
  bool DeleteValue(std::string_view name);

 private:
  const platform::Platform& m_platform;
  platform::HKEY m_hRoot;
  platform::HKEY m_hKey = nullptr;
};

// The result of writing through a key that is not open.
constexpr platform::LONG kRegistryKeyNotOpen = 3;
