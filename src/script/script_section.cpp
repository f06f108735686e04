#include "script/script_section.h"

#include <climits>

#include "script/script_line.h"
#include "core/name_compare.h"

std::string_view SectionLineContent(std::string_view line) { return CutComment(Trim(line)); }

bool CScriptSection::Read(CScriptText& script, std::string_view name, ILineExpander* expander) {
  m_strLabel = std::string(name);
  m_lines.clear();
  m_keyIndex.clear();
  m_bKeysIndexed = false;
  m_nCodePage = script.GetCodePage();
  return ForEachSectionLine(script, name, [&](std::string_view content, std::uint32_t) {
    m_lines.push_back(expander != nullptr ? expander->Expand(content) : std::string(content));
    // The expander may look keys up in this very section while it is read.
    if (m_bKeysIndexed) m_keyIndex.emplace(FoldCase(GetKey(m_lines.back(), {}, m_nCodePage), m_nCodePage), m_lines.size() - 1);
  });
}

int CScriptSection::GetCount() const {
  return m_lines.size() > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(m_lines.size());
}

std::string CScriptSection::GetLine(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= m_lines.size()) return {};
  return m_lines[static_cast<std::size_t>(index)];
}

std::string CScriptSection::FindKey(std::string_view key) const {
  if (!m_bKeysIndexed) {
    m_keyIndex.reserve(m_lines.size());
    // emplace keeps the first line of a key.
    for (std::size_t i = 0; i < m_lines.size(); ++i) m_keyIndex.emplace(FoldCase(GetKey(m_lines[i], {}, m_nCodePage), m_nCodePage), i);
    m_bKeysIndexed = true;
  }
  const auto found = m_keyIndex.find(FoldCase(key, m_nCodePage));
  return found == m_keyIndex.end() ? std::string() : m_lines[found->second];
}
