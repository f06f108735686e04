// The simulated machine's own description files (machine.ini, hardware.ini):
// a strict reader that names the file and line of anything malformed, and a
// writer for the files `winsim new` lays down.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sim {

class ConfigFile {
 public:
  struct Section {
    std::string name;
    std::vector<std::pair<std::string, std::string>> entries;
  };

  // What a section whose name was given before means.
  enum class Repeats {
    kFirstWins,  // its lines are never read
    kRefused,    // an error: the file says two things and neither is sure
  };

  // Parses the text; on a malformed line returns nullopt and sets `error` to
  // "<fileName> line N: <what>".
  static std::optional<ConfigFile> Parse(std::string_view text, std::string_view fileName, std::string& error,
                                         Repeats repeats = Repeats::kFirstWins);

  // Section and key names match without regard to case; the first wins.
  const Section* FindSection(std::string_view name) const;
  std::optional<std::string> Get(std::string_view section, std::string_view key) const;

  Section& AddSection(std::string name);
  std::string Serialize() const;

 private:
  std::vector<Section> m_sections;
};


// Strict numbers: the whole text must be the number, within range.
std::optional<unsigned long long> ParseUnsigned(std::string_view text, int base, unsigned long long max);

}  // namespace sim
