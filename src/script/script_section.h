// One section read out of the script: its label and its processed lines.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "script/script_text.h"

// Turns a trimmed, comment-free line into its stored form (quotes, string
// references, '@' codes). The expansion itself lives with the string tables.
class ILineExpander {
 public:
  virtual ~ILineExpander() = default;
  virtual std::string Expand(std::string_view line) = 0;
};

// What reading keeps of one line of a section: trimmed, its comment cut;
// empty when nothing is left and the line is skipped.
std::string_view SectionLineContent(std::string_view line);

// The lines of the first section of that name as reading takes them:
// `take(content, start)` for each, with where the line starts in the text.
// False when there is no such section. Moves the script's shared cursor.
template <typename Take>
bool ForEachSectionLine(CScriptText& script, std::string_view name, Take&& take) {
  if (script.FindSection(name) == 0) return false;
  // NextLine returns non-blank lines only, so an empty result is the end.
  for (std::string line = script.NextLine(); !line.empty(); line = script.NextLine()) {
    // Blanks before a cut comment stay; fields are trimmed when taken.
    const std::string_view content = SectionLineContent(line);
    if (!content.empty()) take(content, script.GetLineStart());
  }
  return true;
}

class CScriptSection {
 public:
  // Sets the label to the name and refills the lines from the first section
  // of that name; true when the section exists, even with no lines. Moves the
  // script's shared cursor. Without an expander lines are kept as they are
  // after trimming and cutting the comment.
  bool Read(CScriptText& script, std::string_view name, ILineExpander* expander = nullptr);

  int GetCount() const;
  std::string GetLine(int index) const;  // empty when out of range

  // The first line whose key equals `key` without regard to case (in the
  // script's code page), or empty. Keys never name the destination folder.
  // The first lookup indexes every key; later ones take constant time.
  std::string FindKey(std::string_view key) const;

  const std::string& GetLabel() const { return m_strLabel; }
  void SetLabel(std::string label) { m_strLabel = std::move(label); }
  const std::vector<std::string>& GetLines() const { return m_lines; }

 private:
  std::string m_strLabel;
  std::vector<std::string> m_lines;
  unsigned m_nCodePage = kDefaultCodePage;
  // Folded key -> index of the first line with that key; valid while
  // m_bKeysIndexed (the lines change only in Read).
  mutable std::unordered_map<std::string, std::size_t> m_keyIndex;
  mutable bool m_bKeysIndexed = false;
};
