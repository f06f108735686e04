// The direction of #include lines between the system's folders: the rules
// of layers.txt and the check of a source tree against them.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace layers_test {

struct IncludeRules {
  // Folder under src/ -> the folders its files may include besides their own.
  std::map<std::string, std::set<std::string>> allowed;
  // Files (relative to src/) that may include anything.
  std::set<std::string> entries;
};

// Reads the rules; an unreadable or malformed file gives nullopt and `error`.
std::optional<IncludeRules> ReadRules(const std::filesystem::path& file, std::string& error);

// One include that points where its folder may not reach: "file:line: includes
// "header", which its folder may not".
std::vector<std::string> FindViolations(const std::filesystem::path& sourceRoot, const IncludeRules& rules);

}  // namespace layers_test
