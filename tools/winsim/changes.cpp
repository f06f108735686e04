#include "changes.h"

#include "platform/ascii_text.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <ostream>
#include <set>
#include <sstream>
#include <vector>

#include "platform/shared/config_file.h"

namespace fs = std::filesystem;

namespace winsim {
namespace {

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && ascii::ToUpper(text.substr(text.size() - end.size())) == end;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// "[Section] line" for every line of an INI file, sections kept.
std::multiset<std::string> IniLines(const std::string& text) {
  std::multiset<std::string> lines;
  std::string section;
  for (const std::string& line : Lines(text)) {
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == ';') continue;
    if (line[first] == '[') {
      section = line.substr(first);
      continue;
    }
    lines.insert(section + " " + line.substr(first));
  }
  return lines;
}

// A REG_MULTI_SZ as REGEDIT4 writes it ("hex(7):41,00,...") as its strings,
// each quoted; other data as written.
std::string Readable(const std::string& data) {
  if (data.rfind("hex(7):", 0) != 0) return data;
  std::string text, current;
  std::istringstream bytes(data.substr(7));
  std::string byte;
  while (std::getline(bytes, byte, ',')) {
    const char c = static_cast<char>(std::strtoul(byte.c_str(), nullptr, 16));
    if (c != '\0') {
      current += c;
    } else if (!current.empty()) {
      text += (text.empty() ? "\"" : " \"") + current + "\"";
      current.clear();
    }
  }
  return text;
}

void Heading(std::ostream& out, const char* title, std::size_t count) {
  out << title << " (" << count << ")\n";
}

}  // namespace

std::map<std::string, std::map<std::string, std::string>> ParseRegistryText(const std::string& text) {
  std::map<std::string, std::map<std::string, std::string>> keys;
  std::string key;
  const std::vector<std::string> lines = Lines(text);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string line = lines[i];
    while (!line.empty() && line.back() == '\\' && i + 1 < lines.size()) {
      line.pop_back();
      std::string next = lines[++i];
      next.erase(0, next.find_first_not_of(" \t"));
      line += next;
    }
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      key = line.substr(1, line.size() - 2);
      keys[key];
      continue;
    }
    if (key.empty() || line.empty()) continue;
    std::string name;
    std::size_t pos = 0;
    if (line[0] == '@') {
      name = "@";
      pos = 1;
    } else if (line[0] == '"') {
      for (pos = 1; pos < line.size() && line[pos] != '"'; ++pos) {
        if (line[pos] == '\\' && pos + 1 < line.size()) ++pos;
        name += line[pos];
      }
      ++pos;
    } else {
      continue;
    }
    if (pos >= line.size() || line[pos] != '=') continue;
    keys[key][name] = line.substr(pos + 1);
  }
  return keys;
}

MachineSnapshot TakeSnapshot(const fs::path& machineFolder) {
  MachineSnapshot snapshot;
  std::error_code ec;
  for (const fs::directory_entry& drive : fs::directory_iterator(machineFolder, ec)) {
    const std::string name = drive.path().filename().string();
    if (name.size() != 7 || name.rfind("drive_", 0) != 0 || !drive.is_directory(ec)) continue;
    const std::string letter(1, static_cast<char>(std::toupper(static_cast<unsigned char>(name[6]))));
    for (auto it = fs::recursive_directory_iterator(drive.path(), fs::directory_options::skip_permission_denied, ec);
         it != fs::recursive_directory_iterator(); it.increment(ec)) {
      if (ec || !it->is_regular_file(ec) || it->is_symlink(ec)) continue;
      std::string relative = fs::relative(it->path(), drive.path(), ec).string();
      std::replace(relative.begin(), relative.end(), '/', '\\');
      snapshot.files[letter + ":\\" + relative] = ReadAll(it->path());
    }
  }
  snapshot.registry = ParseRegistryText(ReadAll(machineFolder / "registry.reg"));
  return snapshot;
}

void PrintChanges(const MachineSnapshot& before, const MachineSnapshot& after, std::ostream& out) {
  std::vector<std::string> added, changed, removed, shortcuts;
  for (const auto& [path, content] : after.files) {
    auto old = before.files.find(path);
    if (old == before.files.end()) {
      added.push_back(path + " (" + std::to_string(content.size()) + " bytes)");
      if (EndsWith(path, ".LNK")) shortcuts.push_back("+ " + path);
    } else if (old->second != content) {
      changed.push_back(path + " (" + std::to_string(content.size()) + " bytes)");
    }
  }
  for (const auto& [path, content] : before.files) {
    if (after.files.count(path) != 0) continue;
    removed.push_back(path);
    if (EndsWith(path, ".LNK")) shortcuts.push_back("- " + path);
  }
  out << "what changed\n";
  Heading(out, "files added", added.size());
  for (const std::string& f : added) out << "  + " << f << "\n";
  Heading(out, "files changed", changed.size());
  for (const std::string& f : changed) out << "  * " << f << "\n";
  Heading(out, "files removed", removed.size());
  for (const std::string& f : removed) out << "  - " << f << "\n";

  std::vector<std::string> values;
  for (const auto& [key, names] : after.registry) {
    auto old = before.registry.find(key);
    for (const auto& [name, data] : names) {
      if (old == before.registry.end() || old->second.count(name) == 0) {
        values.push_back("+ " + key + " " + name + "=" + data);
      } else if (old->second.at(name) != data) {
        values.push_back("* " + key + " " + name + "=" + data);
      }
    }
    if (names.empty() && old == before.registry.end()) values.push_back("+ " + key);
  }
  for (const auto& [key, names] : before.registry) {
    auto now = after.registry.find(key);
    if (now == after.registry.end()) {
      values.push_back("- " + key);
      continue;
    }
    for (const auto& [name, data] : names) {
      if (now->second.count(name) == 0) values.push_back("- " + key + " " + name);
    }
  }
  Heading(out, "registry", values.size());
  for (const std::string& v : values) out << "  " << v << "\n";

  std::vector<std::string> iniLines;
  for (const auto& [path, content] : after.files) {
    if (!EndsWith(path, ".INI") || EndsWith(path, "\\WININIT.INI")) continue;
    auto old = before.files.find(path);
    const std::multiset<std::string> now = IniLines(content);
    const std::multiset<std::string> was = old == before.files.end() ? std::multiset<std::string>() : IniLines(old->second);
    for (const std::string& line : now) {
      if (was.count(line) < now.count(line) && (iniLines.empty() || iniLines.back() != "+ " + path + " " + line)) {
        iniLines.push_back("+ " + path + " " + line);
      }
    }
    for (const std::string& line : was) {
      if (now.count(line) < was.count(line) && (iniLines.empty() || iniLines.back() != "- " + path + " " + line)) {
        iniLines.push_back("- " + path + " " + line);
      }
    }
  }
  Heading(out, "INI lines", iniLines.size());
  for (const std::string& l : iniLines) out << "  " << l << "\n";

  Heading(out, "shortcuts", shortcuts.size());
  for (const std::string& s : shortcuts) out << "  " << s << "\n";

  // What the next start does: WININIT.INI's renames (9x), the pending file
  // renames (NT) and the RunOnce commands, as they stand now.
  std::vector<std::string> nextStart;
  for (const auto& [path, content] : after.files) {
    if (!EndsWith(path, "\\WININIT.INI")) continue;
    for (const std::string& line : IniLines(content)) {
      if (ascii::ToUpper(line).rfind("[RENAME] ", 0) == 0) nextStart.push_back("rename " + line.substr(9));
    }
  }
  for (const auto& [key, names] : after.registry) {
    const std::string upper = ascii::ToUpper(key);
    if (EndsWith(upper, "\\CONTROL\\SESSION MANAGER")) {
      if (auto it = names.find("PendingFileRenameOperations"); it != names.end()) {
        nextStart.push_back("pending file renames " + Readable(it->second));
      }
    }
    if (EndsWith(upper, "\\CURRENTVERSION\\RUNONCE")) {
      for (const auto& [name, data] : names) nextStart.push_back("run once " + name + "=" + data);
    }
  }
  Heading(out, "next start", nextStart.size());
  for (const std::string& n : nextStart) out << "  " << n << "\n";
}

}  // namespace winsim
