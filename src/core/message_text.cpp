#include "core/message_text.h"

std::string ReplaceInsert(std::string_view text, std::string_view marker, std::string_view insert) {
  std::string result;
  std::size_t from = 0;
  for (std::size_t at = text.find(marker); at != std::string_view::npos; at = text.find(marker, from)) {
    result.append(text.substr(from, at - from));
    result.append(insert);
    from = at + marker.size();
  }
  result.append(text.substr(from));
  return result;
}

const std::string& CMessageText::LoadText(int id) {
  m_strText = m_resources.LoadString(id);
  return m_strText;
}

const std::string& CMessageText::LoadText(int id, std::string_view insert1) {
  m_strText = ReplaceInsert(m_resources.LoadString(id), "%1", insert1);
  return m_strText;
}

const std::string& CMessageText::LoadText(int id, std::string_view insert1, std::string_view insert2) {
  m_strText = ReplaceInsert(ReplaceInsert(m_resources.LoadString(id), "%1", insert1), "%2", insert2);
  return m_strText;
}
