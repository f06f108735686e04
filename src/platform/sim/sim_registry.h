// The simulated machine's registry: keys and values with Windows semantics,
// kept in registry.reg (REGEDIT4). Changes stay in memory until a flush, as
// Windows keeps its hives: RegFlushKey, the end of the program, the start of
// another program and the end of the object write the whole file anew and
// then rename it over the old one, so a kill loses at most the changes since
// the last flush and never tears the file.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

namespace sim {

class SimRegistry final : public platform::IRegistry {
 public:
  // An empty registry that is not tied to a file (for building one).
  explicit SimRegistry(bool nt);

  // Reads a REGEDIT4 file; nullopt with "<file> line N: …" when malformed.
  static std::unique_ptr<SimRegistry> Load(const std::filesystem::path& file, bool nt, std::string& error);

  // Flushes any change not yet written.
  ~SimRegistry() override;
  SimRegistry(const SimRegistry&) = delete;
  SimRegistry& operator=(const SimRegistry&) = delete;

  // From now on flushes write to `file` (write a new file, then rename).
  void AttachFile(std::filesystem::path file) { m_file = std::move(file); }
  // Writes the whole registry now, whether changed or not.
  bool Save(std::string& error) const;
  // Writes the registry when it changed since the last write.
  bool Flush(std::string& error);
  bool HasUnflushedChanges() const { return m_bDirty; }

  // REGEDIT4 text of the whole registry, or of one key and its subtree
  // ("HKEY_LOCAL_MACHINE\SOFTWARE\…"); nullopt when the key does not exist.
  std::string Export() const;
  std::optional<std::string> Export(std::string_view keyPath) const;

  // Test and set-up helpers on full paths; they flush at once.
  bool SetString(std::string_view keyPath, std::string_view name, std::string_view text);
  bool SetDword(std::string_view keyPath, std::string_view name, std::uint32_t value);

  platform::LONG RegOpenKeyExA(platform::HKEY key, const char* subKey, platform::DWORD options,
                               platform::REGSAM desired, platform::HKEY* result) override;
  platform::LONG RegCreateKeyExA(platform::HKEY key, const char* subKey, platform::DWORD options,
                                 platform::REGSAM desired, platform::HKEY* result,
                                 platform::DWORD* disposition) override;
  platform::LONG RegCloseKey(platform::HKEY key) override;
  platform::LONG RegEnumKeyExA(platform::HKEY key, platform::DWORD index, char* name,
                               platform::DWORD* nameSize) override;
  platform::LONG RegEnumValueA(platform::HKEY key, platform::DWORD index, char* name, platform::DWORD* nameSize,
                               platform::DWORD* type, platform::BYTE* data, platform::DWORD* dataSize) override;
  platform::LONG RegQueryValueExA(platform::HKEY key, const char* name, platform::DWORD* type,
                                  platform::BYTE* data, platform::DWORD* dataSize) override;
  platform::LONG RegSetValueExA(platform::HKEY key, const char* name, platform::DWORD type,
                                const platform::BYTE* data, platform::DWORD size) override;
  platform::LONG RegDeleteValueA(platform::HKEY key, const char* name) override;
  platform::LONG RegDeleteKeyA(platform::HKEY key, const char* subKey) override;
  platform::LONG RegFlushKey(platform::HKEY key) override;

  struct Value {
    std::string name;
    platform::DWORD type = 0;
    std::vector<platform::BYTE> data;
  };
  struct Key {
    std::string name;
    Key* parent = nullptr;
    bool deleted = false;
    std::vector<std::shared_ptr<Key>> subKeys;  // sorted by name without regard to case
    std::vector<Value> values;                  // in the order they were made
  };

 private:
  static constexpr std::size_t kRootCount = 7;

  std::shared_ptr<Key> Resolve(platform::HKEY key) const;
  std::shared_ptr<Key> Walk(const std::shared_ptr<Key>& from, std::string_view path, bool create, bool* created,
                            platform::LONG* error);
  std::shared_ptr<Key> FindPath(std::string_view keyPath) const;
  platform::HKEY NewHandle(std::shared_ptr<Key> key);
  platform::LONG Persist();  // marks the registry changed
  bool SetValue(std::string_view keyPath, Value value);

  bool m_nt;
  std::array<std::shared_ptr<Key>, kRootCount> m_roots;
  std::map<std::uintptr_t, std::shared_ptr<Key>> m_handles;
  std::uintptr_t m_nextHandle = 0x1000;
  std::filesystem::path m_file;
  bool m_bDirty = false;
};

}  // namespace sim
