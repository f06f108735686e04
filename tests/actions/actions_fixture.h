// A script on a simulated machine for the script actions: sections read
// through the value expansion, the registry and files of the machine, and
// its event record.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/sim_platform.h"
#include "platform/sim/sim_processes.h"
#include "script/app_fixture.h"
#include "support/temp_machine.h"

namespace actions_test {

struct RegistryValue {
  bool found = false;
  platform::DWORD type = 0;
  std::vector<platform::BYTE> data;  // exactly the size stored
};

inline RegistryValue ReadValue(platform::IRegistry& registry, platform::HKEY root, const std::string& subKey,
                               const std::string& name) {
  RegistryValue value;
  platform::HKEY key = nullptr;
  if (registry.RegOpenKeyExA(root, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return value;
  std::vector<platform::BYTE> buffer(4096);
  platform::DWORD size = static_cast<platform::DWORD>(buffer.size());
  if (registry.RegQueryValueExA(key, name.c_str(), &value.type, buffer.data(), &size) == ERROR_SUCCESS) {
    value.found = true;
    value.data.assign(buffer.begin(), buffer.begin() + size);
  }
  registry.RegCloseKey(key);
  return value;
}

inline bool KeyExists(platform::IRegistry& registry, platform::HKEY root, const std::string& subKey) {
  platform::HKEY key = nullptr;
  if (registry.RegOpenKeyExA(root, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  registry.RegCloseKey(key);
  return true;
}

inline std::vector<platform::BYTE> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

class ScriptActions : public script_test::AppOnMachine {
 public:
  explicit ScriptActions(sim::OsKind os = sim::OsKind::Win98) : AppOnMachine(os) {
    Context().SetDestDir("C:\\HALVION");
  }

  // Loads a script and reads one of its sections.
  CScriptSection Section(const std::string& script, const std::string& name) {
    LoadScript(script);
    return ReadSection(name);
  }

  const sim::Machine& Machine() const { return Temp().Machine(); }
  RegistryValue ReadValue(platform::HKEY root, const std::string& subKey, const std::string& name) const {
    return actions_test::ReadValue(Interfaces().Registry(), root, subKey, name);
  }
  bool KeyExists(platform::HKEY root, const std::string& subKey) const {
    return actions_test::KeyExists(Interfaces().Registry(), root, subKey);
  }
  // The host file of a Windows path; folders that do not exist yet are
  // taken as written.
  std::filesystem::path Host(const std::string& windowsPath) const {
    const sim::ResolvedPath resolved = Machine().Resolve(windowsPath);
    if (resolved.ok()) return resolved.host;
    std::filesystem::path host = Machine().Folder() / (std::string("drive_") + static_cast<char>(std::tolower(windowsPath[0])));
    std::string rest = windowsPath.substr(3);
    for (std::size_t at = 0; (at = rest.find('\\', at)) != std::string::npos;) rest[at] = '/';
    return host / rest;
  }
  void PutFile(const std::string& windowsPath, const std::string& text) {
    testing_support::WriteHostFile(Host(windowsPath), text);
  }
  bool Exists(const std::string& windowsPath) const {
    std::error_code ec;
    return std::filesystem::exists(Host(windowsPath), ec);
  }
  std::string Events() const { return testing_support::ReadHostFile(Machine().Folder() / "events.log"); }
  sim::SimProcesses& Processes() { return Temp().Platform().Processes(); }
};

}  // namespace actions_test
