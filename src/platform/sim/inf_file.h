// The simulated machine's own reader of device INF files, as its device
// installer reads them: sections of lines, each an optional key and a list
// of comma-separated fields, with quotes, comments, line continuations and
// %strings% from the [Strings] section.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

struct InfLine {
  std::string key;                  // empty when the line has no "="
  std::vector<std::string> fields;  // the value's fields, 1-based in INF terms: fields[0] is field 1
  // Field n (1 = the first after the key); empty when the line has fewer.
  std::string Field(std::size_t n) const { return n >= 1 && n <= fields.size() ? fields[n - 1] : std::string(); }
};

class InfFile {
 public:
  // Reads the text; never fails: what cannot be read is left out, as the
  // device installer leaves it out.
  static InfFile Parse(std::string_view text);

  // The lines of a section (name without regard to case); nullptr when the
  // file has no such section. Sections of the same name are joined.
  const std::vector<InfLine>* Section(std::string_view name) const;
  // Field 1 of the first line of `section` whose key is `key` (no regard
  // to case); empty when there is none.
  std::string Value(std::string_view section, std::string_view key) const;

 private:
  struct NamedSection {
    std::string name;
    std::vector<InfLine> lines;
  };
  std::vector<NamedSection> m_sections;
};

}  // namespace sim
