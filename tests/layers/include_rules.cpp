#include "include_rules.h"

#include <fstream>
#include <sstream>

namespace layers_test {
namespace {

// The known folder that holds `path` (relative to src/): the longest one
// that is a prefix of it, or empty.
std::string FolderOf(const IncludeRules& rules, const std::string& path) {
  std::string best;
  for (const auto& [folder, allowed] : rules.allowed) {
    if (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == '/' &&
        folder.size() > best.size()) {
      best = folder;
    }
  }
  return best;
}

}  // namespace

std::optional<IncludeRules> ReadRules(const std::filesystem::path& file, std::string& error) {
  std::ifstream in(file);
  if (!in) {
    error = "cannot read " + file.string();
    return std::nullopt;
  }
  IncludeRules rules;
  std::set<std::string> below;
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    std::istringstream words(line);
    std::string kind;
    if (!(words >> kind) || kind[0] == '#') continue;
    std::string folder;
    if (!(words >> folder)) {
      error = file.string() + ":" + std::to_string(number) + ": a folder must follow \"" + kind + "\"";
      return std::nullopt;
    }
    if (kind == "layer") {
      rules.allowed[folder] = below;
      below.insert(folder);
    } else if (kind == "beside" && folder.back() == ':') {
      folder.pop_back();
      std::set<std::string>& allowed = rules.allowed[folder];
      for (std::string other; words >> other;) allowed.insert(other);
    } else if (kind == "entry") {
      rules.entries.insert(folder);
    } else {
      error = file.string() + ":" + std::to_string(number) + ": not a rule: " + line;
      return std::nullopt;
    }
  }
  return rules;
}

std::vector<std::string> FindViolations(const std::filesystem::path& sourceRoot, const IncludeRules& rules) {
  namespace fs = std::filesystem;
  std::vector<std::string> violations;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(sourceRoot)) {
    const std::string extension = entry.path().extension().string();
    if (!entry.is_regular_file() || (extension != ".h" && extension != ".cpp")) continue;
    const std::string file = entry.path().lexically_relative(sourceRoot).generic_string();
    if (rules.entries.count(file) != 0) continue;
    const std::string folder = FolderOf(rules, file);
    if (folder.empty()) {
      violations.push_back(file + ": lies in no folder the rules know");
      continue;
    }
    const std::set<std::string>& allowed = rules.allowed.at(folder);
    std::ifstream in(entry.path());
    int number = 0;
    for (std::string line; std::getline(in, line);) {
      ++number;
      const std::size_t hash = line.find_first_not_of(" \t");
      if (hash == std::string::npos || line.compare(hash, 8, "#include") != 0) continue;
      const std::size_t open = line.find('"', hash);
      const std::size_t close = open == std::string::npos ? open : line.find('"', open + 1);
      if (close == std::string::npos) continue;  // <system> headers
      const std::string header = line.substr(open + 1, close - open - 1);
      // Headers beside the file, or outside src/ (resources, tools), are not the layers' business.
      if (fs::exists(entry.path().parent_path() / header) || !fs::exists(sourceRoot / header)) continue;
      const std::string target = FolderOf(rules, header);
      if (target == folder || allowed.count(target) != 0) continue;
      violations.push_back(file + ":" + std::to_string(number) + ": includes \"" + header + "\" of " +
                           (target.empty() ? std::string("no known folder") : target) + ", which " + folder +
                           " may not");
    }
  }
  return violations;
}

}  // namespace layers_test
