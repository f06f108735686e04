#include "platform/install_manifest.h"

#include "platform/ascii_text.h"
#include "platform/win_types.h"

namespace install_manifest {
namespace {

std::string_view WithoutClosingSeparators(std::string_view path) {
  while (path.size() > 3 && (path.back() == '\\' || path.back() == '/')) path.remove_suffix(1);
  return path;
}

bool IsFullPath(std::string_view path) {
  return path.size() >= 3 && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) &&
         path[1] == ':' && path[2] == '\\';
}

}  // namespace

std::vector<Entry> Parse(std::string_view text) {
  std::vector<Entry> entries;
  while (!text.empty()) {
    const std::size_t end = text.find_first_of("\r\n");
    const std::string_view line = ascii::Trim(text.substr(0, end), " \t");
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!IsFullPath(line) || line.size() >= platform::kMaxPath) continue;
    const bool isFolder = line.back() == '\\';
    const std::string_view path = WithoutClosingSeparators(line);
    if (path.size() <= 3) continue;  // a drive's root is never anyone's to remove
    entries.push_back({std::string(path), isFolder});
  }
  return entries;
}

std::string Format(const std::vector<Entry>& entries) {
  std::string text;
  for (const Entry& entry : entries) {
    text += entry.path;
    if (entry.isFolder) text += '\\';
    text += "\r\n";
  }
  return text;
}

bool IsSetupFolderFile(std::string_view name) {
  const std::string upper = ascii::ToUpper(name);
  for (const char* known : {"SETUP.EXE", "SETUP.INF", "INST16.EXE", "$INST16.EXE"}) {
    if (upper == known) return true;
  }
  return upper == kFileName || upper == kNewFileName || (upper.size() == 12 && upper.rfind("_INSTALL.", 0) == 0);
}

bool IsAtOrBelow(std::string_view path, std::string_view folder) {
  path = WithoutClosingSeparators(path);
  folder = WithoutClosingSeparators(folder);
  if (path.size() < folder.size() || !ascii::EqualNoCase(path.substr(0, folder.size()), folder)) return false;
  return path.size() == folder.size() || folder.back() == '\\' || path[folder.size()] == '\\';
}

}  // namespace install_manifest
