#include "ui/headless/machine_folders.h"

#include "platform/ascii_text.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "platform/shared/config_file.h"

namespace fs = std::filesystem;

namespace ui {

std::optional<std::string> MachineFolder(const sim::Machine& machine, std::string_view path) {
  // Only full paths: the browser knows no current folder.
  if (path.size() < 2 || !std::isalpha(static_cast<unsigned char>(path[0])) || path[1] != ':') return std::nullopt;
  if (path.size() > 2 && path[2] != '\\' && path[2] != '/') return std::nullopt;
  const std::string full = path.size() == 2 ? std::string(path) + "\\" : std::string(path);
  const sim::ResolvedPath resolved = machine.Resolve(full);
  std::error_code ec;
  if (!resolved.ok() || !fs::is_directory(fs::symlink_status(resolved.host, ec))) return std::nullopt;
  std::string windowsPath = machine.WindowsPathOf(resolved.host);
  if (windowsPath.empty()) return std::nullopt;
  return windowsPath;
}

std::vector<std::string> SubFolders(const sim::Machine& machine, std::string_view folder) {
  std::vector<std::string> folders;
  const auto known = MachineFolder(machine, folder);
  if (!known) return folders;
  const sim::ResolvedPath resolved = machine.Resolve(*known);
  std::error_code ec;
  for (fs::directory_iterator it(resolved.host, ec), end; !ec && it != end; it.increment(ec)) {
    if (!fs::is_directory(it->symlink_status(ec))) continue;
    std::string path = machine.WindowsPathOf(it->path());
    if (!path.empty()) folders.push_back(std::move(path));
  }
  std::sort(folders.begin(), folders.end(),
            [](const std::string& a, const std::string& b) { return ascii::ToUpper(a) < ascii::ToUpper(b); });
  return folders;
}

std::vector<std::string> DriveRoots(const sim::Machine& machine) {
  std::vector<std::string> roots;
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const std::string root = std::string(1, letter) + ":\\";
    if (MachineFolder(machine, root)) roots.push_back(root);
  }
  return roots;
}

}  // namespace ui
