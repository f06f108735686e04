#include "platform/sim/next_start.h"

#include "platform/ascii_text.h"

#include <system_error>

#include "platform/shared/config_file.h"

namespace fs = std::filesystem;

namespace sim {
namespace {

constexpr const char* kSessionManager = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr const char* kPendingRenames = "PendingFileRenameOperations";
constexpr const char* kRunOnce = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

std::string Trim(std::string_view text) { return std::string(ascii::Trim(text, " \t\r")); }

class NextStart {
 public:
  explicit NextStart(SimPlatform& platform) : m_platform(platform), m_machine(platform.GetMachine()) {}

  std::vector<std::string> Run() {
    if (m_machine.IsNT()) {
      PendingRenames();
    } else {
      Wininit();
    }
    RunOnce();
    return std::move(m_log);
  }

 private:
  void Note(std::string line) {
    m_machine.AppendEvent("restart " + line);
    m_log.push_back(std::move(line));
  }

  // A file, or an empty folder, is deleted; anything else stays.
  void Delete(const std::string& path) {
    const ResolvedPath where = m_machine.Resolve(path);
    std::error_code ec;
    const fs::file_status status = where.ok() ? fs::symlink_status(where.host, ec) : fs::file_status{};
    if (!fs::exists(status)) {
      Note("delete " + path + ": not found");
    } else if (fs::is_directory(status) && !fs::is_empty(where.host, ec)) {
      Note("delete " + path + ": folder not empty, kept");
    } else if (!fs::is_directory(status) && !fs::is_regular_file(status)) {
      Note("delete " + path + ": not a file, kept");
    } else {
      const bool removed = m_machine.RemoveHost(where.host, fs::is_directory(status));
      if (removed) m_machine.NoteChanged(where.host, fs::file_type::not_found);
      Note("delete " + path + (removed ? "" : ": failed"));
    }
  }

  void Move(const std::string& from, const std::string& to, bool replace) {
    const ResolvedPath source = m_machine.Resolve(from);
    const ResolvedPath target = m_machine.Resolve(to);
    std::error_code ec;
    if (!source.ok() || !fs::exists(fs::symlink_status(source.host, ec))) {
      Note("move " + from + " to " + to + ": source not found");
      return;
    }
    if (!target.ok() || !fs::is_directory(fs::symlink_status(target.host.parent_path(), ec))) {
      Note("move " + from + " to " + to + ": target folder not found");
      return;
    }
    const fs::file_status existing = fs::symlink_status(target.host, ec);
    if (fs::exists(existing) && !fs::equivalent(source.host, target.host, ec)) {
      if (!replace || !fs::is_regular_file(existing)) {
        Note("move " + from + " to " + to + ": target exists, kept");
        return;
      }
      m_machine.RemoveHost(target.host, false);
    }
    const bool moved = m_machine.RenameHost(source.host, target.host);
    m_machine.NoteChanged(source.host);
    m_machine.NoteChanged(target.host);
    Note("move " + from + " to " + to + (moved ? "" : ": failed"));
  }

  // Windows 95/98: WININIT.INI [Rename] in order, then WININIT.INI becomes WININIT.BAK.
  void Wininit() {
    const ResolvedPath file = m_machine.Resolve(m_machine.WindowsDir() + "\\WININIT.INI");
    std::error_code ec;
    if (!file.ok() || !fs::is_regular_file(fs::symlink_status(file.host, ec))) return;
    std::vector<char> content;
    if (!m_platform.Interfaces().Files().ReadWholeFile(m_machine.WindowsDir() + "\\WININIT.INI", content)) {
      Note("WININIT.INI cannot be read");
      return;
    }
    const std::string text(content.begin(), content.end());
    bool inRename = false;
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      const std::string line = Trim(std::string_view(text).substr(start, end - start));
      start = end + 1;
      if (line.empty() || line[0] == ';') continue;
      if (line[0] == '[') {
        const std::size_t close = line.find(']');
        inRename = close != std::string::npos && ascii::EqualNoCase(Trim(line.substr(1, close - 1)), "Rename");
        continue;
      }
      if (!inRename) continue;
      const std::size_t equals = line.find('=');
      if (equals == std::string::npos) continue;
      const std::string target = Trim(line.substr(0, equals));
      const std::string source = Trim(line.substr(equals + 1));
      if (ascii::EqualNoCase(target, "NUL")) {
        Delete(source);
      } else if (!source.empty()) {
        Move(source, target, true);
      }
    }
    const ResolvedPath backup = m_machine.Resolve(m_machine.WindowsDir() + "\\WININIT.BAK");
    bool renamed = false;
    if (backup.ok()) {
      m_machine.RemoveHost(backup.host, false);
      renamed = m_machine.RenameHost(file.host, file.host.parent_path() / "WININIT.BAK");
      m_machine.NoteChanged(backup.host);
      m_machine.NoteChanged(file.host.parent_path() / "WININIT.BAK");
      m_machine.NoteChanged(file.host);
    }
    Note(renamed ? "WININIT.INI renamed to WININIT.BAK" : "WININIT.INI could not become WININIT.BAK");
  }

  // Windows NT: the pending file renames, deletions and moves, then cleared.
  void PendingRenames() {
    SimRegistry& registry = m_machine.Registry();
    platform::HKEY key = nullptr;
    if (registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    platform::DWORD type = 0, size = 0;
    if (registry.RegQueryValueExA(key, kPendingRenames, &type, nullptr, &size) == ERROR_SUCCESS) {
      std::vector<platform::BYTE> data(size);
      if (size > 0) registry.RegQueryValueExA(key, kPendingRenames, &type, data.data(), &size);
      data.resize(size);
      std::vector<std::string> strings;
      std::string current;
      for (platform::BYTE b : data) {
        if (b == 0) {
          strings.push_back(current);
          current.clear();
        } else {
          current += static_cast<char>(b);
        }
      }
      if (!current.empty()) strings.push_back(current);
      // The closing empty string of the list is no pair.
      if (strings.size() % 2 == 1 && strings.back().empty()) strings.pop_back();
      auto strip = [](std::string path) {
        if (path.rfind("\\??\\", 0) == 0) path.erase(0, 4);
        return path;
      };
      for (std::size_t i = 0; i + 1 < strings.size(); i += 2) {
        if (strings[i].empty()) continue;
        const std::string from = strip(strings[i]);
        std::string to = strings[i + 1];
        if (to.empty()) {
          Delete(from);
          continue;
        }
        const bool replace = to[0] == '!';
        if (replace) to.erase(0, 1);
        Move(from, strip(to), replace);
      }
      registry.RegDeleteValueA(key, kPendingRenames);
      Note("pending file renames cleared");
    }
    registry.RegCloseKey(key);
  }

  // Every RunOnce command once: its value goes first, then it starts.
  void RunOnce() {
    SimRegistry& registry = m_machine.Registry();
    platform::HKEY key = nullptr;
    if (registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunOnce, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    std::vector<std::pair<std::string, std::string>> commands;
    for (platform::DWORD index = 0;; ++index) {
      char name[16384];
      platform::BYTE data[4096];
      platform::DWORD nameSize = sizeof name, dataSize = sizeof data - 1, type = 0;
      const platform::LONG status = registry.RegEnumValueA(key, index, name, &nameSize, &type, data, &dataSize);
      if (status == ERROR_NO_MORE_ITEMS) break;
      if (status != ERROR_SUCCESS) continue;
      if (type != REG_SZ && type != REG_EXPAND_SZ) continue;
      data[dataSize] = 0;
      commands.emplace_back(std::string(name, nameSize), reinterpret_cast<const char*>(data));
    }
    for (const auto& [name, command] : commands) {
      registry.RegDeleteValueA(key, name.c_str());
      platform::PROCESS_INFORMATION info;
      if (!m_platform.Processes().CreateProcessA(command, 0, info)) {
        Note("RunOnce " + name + ": " + command + ": cannot start (error " +
             std::to_string(m_platform.Interfaces().System().GetLastError()) + ")");
        continue;
      }
      const bool ended = m_platform.Processes().WaitForSingleObject(info.hProcess, INFINITE) == WAIT_OBJECT_0;
      platform::DWORD code = 0;
      m_platform.Processes().GetExitCodeProcess(info.hProcess, &code);
      m_platform.Processes().CloseHandle(info.hThread);
      m_platform.Processes().CloseHandle(info.hProcess);
      Note("RunOnce " + name + ": " + command +
           (ended ? " (exit code " + std::to_string(code) + ")" : " (still running)"));
    }
    registry.RegCloseKey(key);
  }

  SimPlatform& m_platform;
  const Machine& m_machine;
  std::vector<std::string> m_log;
};

}  // namespace

std::vector<std::string> RunNextStart(SimPlatform& platform) { return NextStart(platform).Run(); }

}  // namespace sim
