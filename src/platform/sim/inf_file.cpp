#include "platform/sim/inf_file.h"

#include "platform/ascii_text.h"

namespace sim {
namespace {

// A line cut at its comment (a ';' outside quotes), without the quotes'
// meaning lost: fields are split afterwards.
std::string_view WithoutComment(std::string_view line) {
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"') quoted = !quoted;
    if (line[i] == ';' && !quoted) return line.substr(0, i);
  }
  return line;
}

// Splits at commas outside quotes; quotes are removed, "" is one quote;
// each field is trimmed of the blanks outside its quotes.
std::vector<std::string> SplitFields(std::string_view value) {
  std::vector<std::string> fields;
  std::string field;
  bool quoted = false;
  bool wasQuoted = false;
  auto finish = [&] {
    fields.push_back(wasQuoted ? field : std::string(ascii::Trim(field, " \t")));
    field.clear();
    wasQuoted = false;
  };
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    if (c == '"') {
      if (quoted && i + 1 < value.size() && value[i + 1] == '"') {
        field += '"';
        ++i;
      } else {
        if (!quoted && !wasQuoted) field = std::string(ascii::Trim(field, " \t"));
        quoted = !quoted;
        wasQuoted = true;
      }
    } else if (c == ',' && !quoted) {
      finish();
    } else if (!(wasQuoted && !quoted && (c == ' ' || c == '\t'))) {
      field += c;
    }
  }
  finish();
  return fields;
}

// %name% replaced from the strings; %% is one percent sign; an unknown
// name stays as it is.
std::string Substitute(const std::string& text, const std::vector<InfLine>* strings) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    const std::size_t end = text.find('%', i + 1);
    if (end == std::string::npos) {
      out.append(text, i, std::string::npos);
      break;
    }
    const std::string name = text.substr(i + 1, end - i - 1);
    if (name.empty()) {
      out += '%';
    } else {
      bool found = false;
      if (strings != nullptr) {
        for (const InfLine& line : *strings) {
          if (ascii::EqualNoCase(line.key, name)) {
            out += line.Field(1);
            found = true;
            break;
          }
        }
      }
      if (!found) out.append(text, i, end - i + 1);
    }
    i = end;
  }
  return out;
}

}  // namespace

InfFile InfFile::Parse(std::string_view text) {
  InfFile inf;
  NamedSection* current = nullptr;
  std::string pending;  // a line continued with a closing backslash
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view raw = ascii::Trim(WithoutComment(text.substr(start, end - start)), " \t");
    // A line break is CR LF, CR or LF.
    start = end + (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n' ? 2 : 1);
    if (!raw.empty() && raw.back() == '\\') {
      pending.append(raw.substr(0, raw.size() - 1));
      if (end < text.size()) continue;
      raw = {};
    }
    std::string line = pending + std::string(raw);
    pending.clear();
    const std::string_view trimmed = ascii::Trim(line, " \t");
    if (trimmed.empty()) {
      if (end >= text.size()) break;
      continue;
    }
    if (trimmed.front() == '[') {
      const std::size_t close = trimmed.find(']');
      const std::string name(ascii::Trim(trimmed.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1), " \t"));
      current = nullptr;
      for (NamedSection& s : inf.m_sections) {
        if (ascii::EqualNoCase(s.name, name)) current = &s;
      }
      if (current == nullptr) {
        inf.m_sections.push_back(NamedSection{name, {}});
        current = &inf.m_sections.back();
      }
    } else if (current != nullptr) {
      InfLine parsed;
      // A key is what stands before an "=" outside quotes.
      std::size_t equals = std::string_view::npos;
      bool quoted = false;
      for (std::size_t i = 0; i < trimmed.size(); ++i) {
        if (trimmed[i] == '"') quoted = !quoted;
        if (trimmed[i] == '=' && !quoted) {
          equals = i;
          break;
        }
      }
      if (equals != std::string_view::npos) {
        const auto keyFields = SplitFields(trimmed.substr(0, equals));
        parsed.key = keyFields.empty() ? std::string() : keyFields.front();
        parsed.fields = SplitFields(trimmed.substr(equals + 1));
      } else {
        parsed.fields = SplitFields(trimmed);
      }
      current->lines.push_back(std::move(parsed));
    }
    if (end >= text.size()) break;
  }
  // Strings take their effect once every section is read.
  const std::vector<InfLine>* strings = inf.Section("Strings");
  for (NamedSection& s : inf.m_sections) {
    if (ascii::EqualNoCase(s.name, "Strings")) continue;
    for (InfLine& line : s.lines) {
      line.key = Substitute(line.key, strings);
      for (std::string& field : line.fields) field = Substitute(field, strings);
    }
  }
  return inf;
}

const std::vector<InfLine>* InfFile::Section(std::string_view name) const {
  for (const NamedSection& s : m_sections) {
    if (ascii::EqualNoCase(s.name, name)) return &s.lines;
  }
  return nullptr;
}

std::string InfFile::Value(std::string_view section, std::string_view key) const {
  const auto* lines = Section(section);
  if (lines == nullptr) return {};
  for (const InfLine& line : *lines) {
    if (ascii::EqualNoCase(line.key, key)) return line.Field(1);
  }
  return {};
}

}  // namespace sim
