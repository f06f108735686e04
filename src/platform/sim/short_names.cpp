#include "platform/sim/short_names.h"

#include "platform/ascii_text.h"
#include "platform/sim/machine.h"

#include <algorithm>
#include <set>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace sim {
namespace {


bool IsShortChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (u < 0x20 || c == ' ' || c == '.') return false;
  return std::string_view("\"*+,/:;<=>?[\\]|").find(c) == std::string_view::npos;
}

// What a long name keeps in its short form: no blanks or dots; characters
// 8.3 forbids become '_'.
std::string Usable(std::string_view text) {
  std::string result;
  for (char c : text) {
    if (c == ' ' || c == '.') continue;
    result += IsShortChar(c) ? ascii::ToUpper(c) : '_';
  }
  return result;
}

// Built up with single characters: GCC 12 at -O3 reports a bogus -Wrestrict
// overlap for a one-character literal prepended to or assigned to a string.
std::string Candidate(const std::string& base, const std::string& extension, int number) {
  const std::string digits = std::to_string(number);
  std::string result = base.substr(0, std::min<std::size_t>(base.size(), 8 - 1 - digits.size()));
  result += '~';
  result += digits;
  if (!extension.empty()) {
    result += '.';
    result += extension;
  }
  return result;
}

std::vector<std::string> Entries(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    names.push_back(it->path().filename().string());
  }
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    const std::string ua = ascii::ToUpper(a), ub = ascii::ToUpper(b);
    return ua != ub ? ua < ub : a < b;
  });
  return names;
}

// Every entry of the folder with its short name, in sorted order.
std::vector<std::pair<std::string, std::string>> ShortNames(const fs::path& folder) {
  const std::vector<std::string> names = Entries(folder);
  std::set<std::string> taken;
  for (const std::string& name : names) {
    if (IsShortName(name)) taken.insert(ascii::ToUpper(name));
  }
  std::vector<std::pair<std::string, std::string>> result;
  for (const std::string& name : names) {
    if (IsShortName(name)) {
      result.emplace_back(name, name);
      continue;
    }
    std::string_view text = name;
    while (!text.empty() && text.front() == '.') text.remove_prefix(1);
    const std::size_t dot = text.find_last_of('.');
    std::string base = Usable(dot == std::string_view::npos ? text : text.substr(0, dot));
    std::string extension = dot == std::string_view::npos ? std::string() : Usable(text.substr(dot + 1));
    if (extension.size() > 3) extension.resize(3);
    if (base.empty()) base.push_back('_');
    std::string alias;
    for (int n = 1; n < 1000000; ++n) {
      alias = Candidate(base, extension, n);
      if (taken.insert(alias).second) break;
    }
    result.emplace_back(name, alias);
  }
  return result;
}

}  // namespace

bool IsShortName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  const std::size_t dot = name.find('.');
  const std::string_view base = name.substr(0, dot);
  const std::string_view extension = dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
  if (base.empty() || base.size() > 8 || extension.size() > 3) return false;
  if (dot != std::string_view::npos && extension.empty()) return false;
  return std::all_of(base.begin(), base.end(), IsShortChar) &&
         std::all_of(extension.begin(), extension.end(), IsShortChar);
}

std::string ShortNameOf(const fs::path& folder, const std::string& name) {
  if (IsShortName(name)) return name;
  for (const auto& [entry, alias] : ShortNames(folder)) {
    if (entry == name) return alias;
  }
  return name;
}

std::optional<fs::path> FindByShortName(const fs::path& folder, std::string_view shortName) {
  if (shortName.find('~') == std::string_view::npos) return std::nullopt;
  const std::string wanted = ascii::ToUpper(shortName);
  for (const auto& [entry, alias] : ShortNames(folder)) {
    if (!IsShortName(entry) && alias == wanted) return folder / entry;
  }
  return std::nullopt;
}

std::string ShortWindowsPath(const Machine& machine, const std::filesystem::path& host) {
  const std::string full = machine.WindowsPathOf(host);
  if (full.size() < 2) return {};
  std::string result = full.substr(0, 2);
  std::filesystem::path folder = machine.DriveFolder(full[0]);
  std::size_t start = 3;
  while (start < full.size()) {
    std::size_t end = full.find('\\', start);
    if (end == std::string::npos) end = full.size();
    const std::string name = full.substr(start, end - start);
    result += '\\';
    result += ShortNameOf(folder, name);
    folder /= name;
    start = end + 1;
  }
  if (result.size() == 2) result += '\\';
  return result;
}

}  // namespace sim
