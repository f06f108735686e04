#include "platform/sim/sim_inst16.h"

#include <memory>
#include <system_error>

#include "platform/shared/inst16_logic.h"
#include "platform/sim/short_names.h"
#include "platform/sim/sim_registry.h"

namespace fs = std::filesystem;

namespace sim {
namespace {

constexpr std::size_t kLargestManifest = 16 * 1024 * 1024;

platform::HKEY RootKey(shell_folders::Root root) {
  return root == shell_folders::Root::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

class SimInst16Host final : public inst16::Host {
 public:
  SimInst16Host(const Machine& machine, SimProcesses& processes, const ProgramStart& start)
      : m_machine(machine), m_processes(processes), m_current(start.currentDirectory) {
    const std::size_t slash = start.programPath.find_last_of('\\');
    m_programFolder = slash == std::string::npos ? std::string() : start.programPath.substr(0, slash);
  }

  std::string WindowsFolder() override { return m_machine.WindowsDir(); }

  std::optional<std::vector<inst16::FolderEntry>> ListFolder(const std::string& folder) override {
    const ResolvedPath resolved = m_machine.Resolve(folder, m_current);
    std::error_code ec;
    if (!resolved.ok() || !fs::is_directory(fs::symlink_status(resolved.host, ec))) return std::nullopt;
    std::vector<inst16::FolderEntry> entries;
    for (fs::directory_iterator it(resolved.host, ec), end; !ec && it != end; it.increment(ec)) {
      entries.push_back({it->path().filename().string(), fs::is_directory(it->symlink_status(ec))});
    }
    return entries;
  }

  bool RemoveFile(const std::string& path) override {
    const ResolvedPath resolved = m_machine.Resolve(path, m_current);
    std::error_code ec;
    const bool removed = resolved.ok() && !fs::is_directory(fs::symlink_status(resolved.host, ec)) &&
                         m_machine.RemoveHost(resolved.host, false);
    if (removed) m_machine.NoteChanged(resolved.host, fs::file_type::not_found);
    return removed;
  }

  bool RemoveFolder(const std::string& folder) override {
    const ResolvedPath resolved = m_machine.Resolve(folder, m_current);
    std::error_code ec;
    if (!resolved.ok() || !fs::is_directory(fs::symlink_status(resolved.host, ec)) ||
        !m_machine.RemoveHost(resolved.host, true)) {
      return false;
    }
    m_machine.NoteChanged(resolved.host, fs::file_type::not_found);
    m_machine.AppendEvent("inst16 removed " + folder);
    return true;
  }

  void WhenProgramHasEnded(const std::string& program, std::function<void()> then) override {
    const ResolvedPath waited = m_machine.Resolve(program, m_current);
    const ResolvedPath running = m_machine.Resolve(m_processes.ProgramPath(), m_current);
    // Other programs run and end in virtual time at once; only the setup
    // program itself is still running.
    if (waited.ok() && running.ok() && waited.host == running.host) {
      m_machine.AppendEvent("inst16 waits for " + program);
      m_processes.AtProgramEnd(std::move(then));
    } else {
      then();
    }
  }

  std::string BiosText() override { return m_machine.BiosText(); }

  void AnswerBiosSearch(bool found) override {
    m_machine.Registry().SetString("HKEY_CLASSES_ROOT\\SearchBios", "", found ? "1" : "0");
  }

  std::string ProgramFolder() override { return m_programFolder; }

  std::optional<std::string> ReadTextFile(const std::string& path) override {
    const ResolvedPath resolved = m_machine.Resolve(path, m_current);
    std::vector<char> content;
    if (!resolved.ok() || !m_machine.ReadHostFile(resolved.host, content, kLargestManifest)) return std::nullopt;
    return std::string(content.begin(), content.end());
  }

  std::string ShortPath(const std::string& path) override {
    const ResolvedPath resolved = m_machine.Resolve(path, m_current);
    std::error_code ec;
    if (!resolved.ok() || !fs::exists(fs::symlink_status(resolved.host, ec))) return {};
    return ShortWindowsPath(m_machine, resolved.host);
  }

  std::string ReadRegistryString(shell_folders::Root root, const std::string& key, const std::string& value) override {
    SimRegistry& registry = m_machine.Registry();
    platform::HKEY opened = nullptr;
    if (registry.RegOpenKeyExA(RootKey(root), key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return {};
    char buffer[MAX_PATH + 1] = {};
    platform::DWORD size = MAX_PATH;
    platform::DWORD type = 0;
    const bool read = registry.RegQueryValueExA(opened, value.c_str(), &type, reinterpret_cast<platform::BYTE*>(buffer),
                                                &size) == ERROR_SUCCESS &&
                      (type == REG_SZ || type == REG_EXPAND_SZ);
    registry.RegCloseKey(opened);
    return read ? std::string(buffer) : std::string();
  }

  std::vector<std::string> RegistrySubKeys(shell_folders::Root root, const std::string& key) override {
    SimRegistry& registry = m_machine.Registry();
    std::vector<std::string> names;
    platform::HKEY opened = nullptr;
    if (registry.RegOpenKeyExA(RootKey(root), key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return names;
    for (platform::DWORD index = 0;; ++index) {
      char name[MAX_PATH + 1] = {};
      platform::DWORD size = MAX_PATH;
      if (registry.RegEnumKeyExA(opened, index, name, &size) != ERROR_SUCCESS) break;
      names.emplace_back(name, size);
    }
    registry.RegCloseKey(opened);
    return names;
  }

  // Windows 95/98 keep their temporary files in the Windows folder's TEMP,
  // Windows NT in C:\TEMP.
  std::string TemporaryFolder() override { return m_machine.IsNT() ? "C:\\TEMP" : m_machine.WindowsDir() + "\\TEMP"; }

  void RecordRefusal(const std::string& folder, const std::string& why) override {
    m_machine.AppendEvent("inst16 refused to remove " + folder + ": " + why);
  }

 private:
  const Machine& m_machine;
  SimProcesses& m_processes;
  std::string m_current;
  std::string m_programFolder;
};

}  // namespace

ProgramRun Inst16Behaviour(const ProgramStart& start, const Machine& machine, SimProcesses& processes) {
  ProgramRun run;
  run.runsForMs = 50;
  std::string error;
  const auto command = inst16::ParseArguments(start.arguments, error);
  if (!command) {
    machine.AppendEvent("inst16 " + error);
    run.exitCode = inst16::kBadCommandLine;
    return run;
  }
  // The host lives as long as a removal that waits for the setup program.
  auto host = std::make_shared<SimInst16Host>(machine, processes, start);
  if (command->kind == inst16::Command::Kind::RemoveTreeAfterProgram) {
    const std::string folder = command->folder;
    if (const std::string why = inst16::WhyTreeIsKept(*host, folder); !why.empty()) {
      host->RecordRefusal(folder, why);
      run.exitCode = inst16::kRefused;
      return run;
    }
    host->WhenProgramHasEnded(command->program, [host, folder] { inst16::RemoveTree(*host, folder); });
    return run;
  }
  run.exitCode = static_cast<platform::DWORD>(inst16::Run(*command, *host));
  return run;
}

}  // namespace sim
