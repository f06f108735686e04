#include "platform/sim/scripted_programs.h"

#include "platform/ascii_text.h"

#include <optional>
#include <string>
#include <vector>

namespace sim {
namespace {

constexpr std::size_t kMaxScriptSize = 64 * 1024;
constexpr int kMaxKeyDepth = 64;

std::vector<std::string> Split(std::string_view text, char separator, std::size_t maxParts) {
  std::vector<std::string> parts;
  while (parts.size() + 1 < maxParts) {
    const std::size_t at = text.find(separator);
    if (at == std::string_view::npos) break;
    parts.emplace_back(ascii::Trim(text.substr(0, at)));
    text.remove_prefix(at + 1);
  }
  parts.emplace_back(ascii::Trim(text));
  return parts;
}

// "HKEY_LOCAL_MACHINE\Software\Tool" -> the root and the path below it.
std::optional<platform::HKEY> SplitRoot(std::string_view keyPath, std::string& below) {
  const std::size_t slash = keyPath.find('\\');
  const std::string_view root = keyPath.substr(0, slash);
  below = slash == std::string_view::npos ? std::string() : std::string(keyPath.substr(slash + 1));
  if (ascii::EqualNoCase(root, "HKEY_CLASSES_ROOT")) return HKEY_CLASSES_ROOT;
  if (ascii::EqualNoCase(root, "HKEY_CURRENT_USER")) return HKEY_CURRENT_USER;
  if (ascii::EqualNoCase(root, "HKEY_LOCAL_MACHINE")) return HKEY_LOCAL_MACHINE;
  if (ascii::EqualNoCase(root, "HKEY_USERS")) return HKEY_USERS;
  return std::nullopt;
}

bool DeleteKey(platform::IRegistry& registry, platform::HKEY parent, const std::string& name, int depth) {
  platform::HKEY key = nullptr;
  if (depth > kMaxKeyDepth || registry.RegOpenKeyExA(parent, name.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
    return false;
  }
  while (true) {
    char child[256] = {};
    platform::DWORD size = sizeof child;
    if (registry.RegEnumKeyExA(key, 0, child, &size) != ERROR_SUCCESS) break;
    if (!DeleteKey(registry, key, std::string(child, size), depth + 1)) break;
  }
  registry.RegCloseKey(key);
  return registry.RegDeleteKeyA(parent, name.c_str()) == ERROR_SUCCESS;
}

// Carries out one line; false when it is not understood.
bool ApplyLine(std::string_view line, ProgramRun& run, const Machine& machine) {
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) return false;
  const std::string key = ascii::ToUpper(ascii::Trim(line.substr(0, equals)));
  const std::string_view value = ascii::Trim(line.substr(equals + 1));
  if (key == "RUNS") {
    const auto ms = ParseUnsigned(value, 10, ProgramRun::kForever - 1);
    if (!ms) return false;
    run.runsForMs = *ms;
    return true;
  }
  if (key == "EXIT") {
    const auto code = ParseUnsigned(value, 10, 0xFFFFFFFFull);
    if (!code) return false;
    run.exitCode = static_cast<platform::DWORD>(*code);
    return true;
  }
  if (key == "WINDOW") {
    const std::vector<std::string> parts = Split(value, ',', 3);
    if (parts.size() < 2 || parts[0].empty()) return false;
    const auto ms = ParseUnsigned(parts[1], 10, ProgramRun::kForever - 1);
    if (!ms) return false;
    run.windows.push_back({parts[0], parts.size() > 2 ? parts[2] : std::string(), *ms});
    return true;
  }
  if (key == "REGISTRY") {
    const std::vector<std::string> parts = Split(value, '|', 3);
    std::string below;
    if (parts.size() != 3 || !SplitRoot(parts[0], below)) return false;
    return machine.Registry().SetString(parts[0], parts[1], parts[2]);
  }
  if (key == "DELETE-KEY") {
    std::string below;
    const auto root = SplitRoot(value, below);
    if (!root || below.empty()) return false;
    DeleteKey(machine.Registry(), *root, below, 0);  // a key already gone is no fault of the line
    return true;
  }
  return false;
}

}  // namespace

ProgramRun ScriptedProgramBehaviour(const ProgramStart& start, const Machine& machine) {
  ProgramRun run;
  const ResolvedPath resolved = machine.Resolve(start.programPath, start.currentDirectory);
  if (!resolved.ok()) return run;
  // The script is the file's beginning; a larger program reads as its first part.
  std::vector<char> content;
  machine.ReadHostFile(resolved.host, content, kMaxScriptSize, true);
  const std::string text(content.begin(), content.end());

  std::size_t start_of_line = 0;
  int number = 0;
  while (start_of_line < text.size()) {
    std::size_t end = text.find('\n', start_of_line);
    if (end == std::string::npos) end = text.size();
    const std::string_view line = ascii::Trim(std::string_view(text).substr(start_of_line, end - start_of_line));
    start_of_line = end + 1;
    ++number;
    if (number == 1) {
      if (!ascii::EqualNoCase(line, kScriptedProgramMarker)) return run;  // a plain program file
      continue;
    }
    if (line.empty() || line[0] == ';') continue;
    if (!ApplyLine(line, run, machine)) {
      machine.AppendEvent("program " + start.programPath + " line " + std::to_string(number) +
                          " not understood: " + std::string(line));
    }
  }
  return run;
}

}  // namespace sim
