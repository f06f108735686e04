#include "allowlists.h"

#include <fstream>
#include <sstream>

namespace imports {
namespace {

// "kernel32.dll" -> "KERNEL32", the name of its list.
std::string ListName(std::string_view library) {
  std::string name(library);
  for (char& c : name) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  if (name.size() > 4 && name.compare(name.size() - 4, 4, ".DLL") == 0) name.resize(name.size() - 4);
  return name;
}

}  // namespace

std::optional<Allowlist> ParseAllowlist(std::string_view text, std::string& error) {
  Allowlist list;
  std::istringstream lines{std::string(text)};
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    if (const std::size_t comment = line.find('#'); comment != std::string::npos) line.resize(comment);
    std::istringstream words(line);
    std::string function, mark, extra;
    if (!(words >> function)) continue;
    words >> mark >> extra;
    if ((!mark.empty() && mark != "stub") || !extra.empty()) {
      error = "line " + std::to_string(number) + ": expected a function name, optionally followed by \"stub\"";
      return std::nullopt;
    }
    if (!list.emplace(function, mark == "stub").second) {
      error = "line " + std::to_string(number) + ": " + function + " is listed twice";
      return std::nullopt;
    }
  }
  return list;
}

std::optional<Allowlists> ReadAllowlists(const std::filesystem::path& folder, std::string& error) {
  Allowlists lists;
  std::error_code failure;
  for (const auto& entry : std::filesystem::directory_iterator(folder, failure)) {
    if (entry.path().extension() != ".txt") continue;
    std::ifstream file(entry.path(), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    if (!file) {
      error = entry.path().string() + ": cannot be read";
      return std::nullopt;
    }
    std::optional<Allowlist> list = ParseAllowlist(text.str(), error);
    if (!list) {
      error = entry.path().string() + ": " + error;
      return std::nullopt;
    }
    lists.emplace(ListName(entry.path().stem().string()), std::move(*list));
  }
  if (failure) {
    error = folder.string() + ": " + failure.message();
    return std::nullopt;
  }
  return lists;
}

CheckResult CheckImports(std::string_view binary, const std::vector<ImportedLibrary>& libraries,
                         const Allowlists& lists, std::string_view system) {
  CheckResult result;
  const std::string prefix = std::string(binary) + ": ";
  for (const ImportedLibrary& library : libraries) {
    const auto list = lists.find(ListName(library.name));
    if (list == lists.end()) {
      result.failures.push_back(prefix + "depends on " + library.name + ", which " + std::string(system) +
                                " does not have");
      continue;
    }
    for (const std::string& function : library.functions) {
      const auto allowed = list->second.find(function);
      if (allowed == list->second.end()) {
        result.failures.push_back(prefix + "imports " + function + " from " + library.name + ", which " +
                                  std::string(system) + " does not export");
      } else if (allowed->second) {
        result.stubs.push_back(library.name + "!" + function);
      }
    }
  }
  return result;
}

}  // namespace imports
