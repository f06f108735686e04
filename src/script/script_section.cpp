#include "script/script_section.h"

#include <climits>

#include "script/script_line.h"
#include "core/name_compare.h"

bool CScriptSection::Read(CScriptText& script, std::string_view name, ILineExpander* expander) {
  m_strLabel = std::string(name);
  m_lines.clear();
  m_nCodePage = script.GetCodePage();
  if (script.FindSection(name) == 0) return false;
  // NextLine returns non-blank lines only, so an empty result is the end.
  for (std::string line = script.NextLine(); !line.empty(); line = script.NextLine()) {
    // Blanks before a cut comment stay; fields are trimmed when taken.
    const std::string_view content = CutComment(Trim(line));
    if (content.empty()) continue;
    m_lines.push_back(expander != nullptr ? expander->Expand(content) : std::string(content));
  }
  return true;
}

int CScriptSection::GetCount() const {
  return m_lines.size() > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(m_lines.size());
}

std::string CScriptSection::GetLine(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= m_lines.size()) return {};
  return m_lines[static_cast<std::size_t>(index)];
}

std::string CScriptSection::FindKey(std::string_view key) const {
  for (const std::string& line : m_lines) {
    if (EqualNoCase(GetKey(line, {}, m_nCodePage), key, m_nCodePage)) return line;
  }
  return {};
}
