#include "platform/shared/config_file.h"

#include <cctype>
#include <unordered_map>

#include "platform/ascii_text.h"

namespace sim {
namespace {

std::string_view Trim(std::string_view s) { return ascii::Trim(s, " \t\r\n\v\f"); }

}  // namespace

std::optional<unsigned long long> ParseUnsigned(std::string_view text, int base, unsigned long long max) {
  text = Trim(text);
  if (text.empty()) return std::nullopt;
  unsigned long long value = 0;
  for (char c : text) {
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return std::nullopt;
    }
    if (digit >= base) return std::nullopt;
    if (value > (max - static_cast<unsigned long long>(digit)) / static_cast<unsigned long long>(base)) {
      return std::nullopt;
    }
    value = value * static_cast<unsigned long long>(base) + static_cast<unsigned long long>(digit);
  }
  return value;
}

std::optional<ConfigFile> ConfigFile::Parse(std::string_view text, std::string_view fileName, std::string& error,
                                            Repeats repeats) {
  ConfigFile file;
  Section* current = nullptr;
  std::unordered_map<std::string, std::size_t> headerLines;  // by upper-case name
  std::size_t lineNo = 0;
  std::size_t pos = 0;
  auto fail = [&](const std::string& what) {
    error = std::string(fileName) + " line " + std::to_string(lineNo) + ": " + what;
    return std::nullopt;
  };
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = Trim(text.substr(pos, end - pos));
    pos = end + 1;
    ++lineNo;
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    for (char c : line) {
      if (c == '\0') return fail("contains a NUL byte");
    }
    if (line[0] == '[') {
      // A name of blanks only would be written back as "[]", which no reader takes.
      const std::string_view name = line.size() < 2 ? std::string_view() : Trim(line.substr(1, line.size() - 2));
      if (line.back() != ']' || name.empty()) return fail("malformed section header '" + std::string(line) + "'");
      if (repeats == Repeats::kRefused) {
        const auto [first, added] = headerLines.emplace(ascii::ToUpper(name), lineNo);
        if (!added) {
          return fail("section [" + std::string(name) + "] is given again (first at line " +
                      std::to_string(first->second) + "); put its lines into the first");
        }
      }
      current = &file.AddSection(std::string(name));
      continue;
    }
    std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) return fail("expected 'key=value', found '" + std::string(line) + "'");
    if (current == nullptr) return fail("a value outside any section");
    std::string_view key = Trim(line.substr(0, eq));
    if (key.empty()) return fail("empty key");
    current->entries.emplace_back(std::string(key), std::string(Trim(line.substr(eq + 1))));
  }
  return file;
}

const ConfigFile::Section* ConfigFile::FindSection(std::string_view name) const {
  for (const Section& s : m_sections) {
    if (ascii::EqualNoCase(s.name, name)) return &s;
  }
  return nullptr;
}

std::optional<std::string> ConfigFile::Get(std::string_view section, std::string_view key) const {
  const Section* s = FindSection(section);
  if (s == nullptr) return std::nullopt;
  for (const auto& [k, v] : s->entries) {
    if (ascii::EqualNoCase(k, key)) return v;
  }
  return std::nullopt;
}

ConfigFile::Section& ConfigFile::AddSection(std::string name) {
  m_sections.push_back(Section{std::move(name), {}});
  return m_sections.back();
}

std::string ConfigFile::Serialize() const {
  std::string out;
  for (const Section& s : m_sections) {
    if (!out.empty()) out += "\n";
    out += "[" + s.name + "]\n";
    for (const auto& [k, v] : s.entries) out += k + "=" + v + "\n";
  }
  return out;
}

}  // namespace sim
