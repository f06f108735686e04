#include "script/script_text.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

#include "platform/platform.h"
#include "script/script_line.h"
#include "core/name_compare.h"

namespace {

constexpr std::uint32_t kNotFound = std::numeric_limits<std::uint32_t>::max();
constexpr std::uint32_t kLoadReserve = 1000;  // spare room when the caller gives no capacity
constexpr char kTail[] = "\r\n\r\n";
constexpr std::uint32_t kTailLength = 4;

bool IsBreak(char c) { return c == '\r' || c == '\n'; }

// The lines `bytes` ends: CR LF, LF and a lone CR each end one. `next` is
// the byte after them, so a CR whose LF follows is not counted twice.
int CountLineBreaks(std::string_view bytes, char next = '\0') {
  int breaks = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\n') {
      ++breaks;
    } else if (bytes[i] == '\r') {
      const char following = i + 1 < bytes.size() ? bytes[i + 1] : next;
      if (following != '\n') ++breaks;
    }
  }
  return breaks;
}

// Makes sure the bytes end in a line break, so whatever follows them in the
// text still starts a line of its own.
void TerminateLine(std::string& bytes) {
  if (bytes.empty() || bytes.back() == '\n') return;
  bytes += bytes.back() == '\r' ? "\n" : "\r\n";
}

}  // namespace

void CScriptText::Reset() {
  // Everything but the code page, the buffer released.
  static_cast<CScriptTextContent&>(*this) = CScriptTextContent{};
}

bool CScriptText::Load(platform::IFileSystem& files, std::string_view path, std::uint32_t capacity) {
  Reset();
  std::vector<char> content;
  if (!files.ReadWholeFile(path, content)) return false;
  if (!LoadFromMemory(content.data(), content.size(), capacity)) return false;
  m_strPath = std::string(path);
  m_sources.push_back(m_strPath);
  if (!content.empty()) m_spans.push_back({0, static_cast<std::uint32_t>(content.size()), 0, 1});
  return true;
}

bool CScriptText::LoadFromMemory(const char* data, std::size_t size, std::uint32_t capacity) {
  Reset();
  // The default reserve must fit the 32-bit sizes too.
  if (size > std::size_t{std::numeric_limits<std::uint32_t>::max() - kTailLength - kLoadReserve}) return false;
  if (data == nullptr && size != 0) return false;
  const auto fileLength = static_cast<std::uint32_t>(size);
  const std::uint32_t length = fileLength + kTailLength;
  const std::uint32_t reserved = capacity == 0 ? fileLength + kLoadReserve : std::max(capacity, length);
  m_text.assign(reserved, '\0');
  if (size != 0) std::memcpy(m_text.data(), data, size);
  std::memcpy(m_text.data() + size, kTail, kTailLength);
  m_nCapacity = reserved;
  m_nLength = length;
  return true;
}

bool CScriptText::Save(platform::IFileSystem& files) {
  if (m_nLength == 0 || m_strPath.empty()) return false;
  return files.WriteWholeFile(m_strPath, m_text.data(), m_nLength) != 0;
}

bool CScriptText::SaveAs(platform::IFileSystem& files, std::string_view path) {
  m_strPath = std::string(path);
  return Save(files);
}

void CScriptText::SetCodePage(unsigned codePage) {
  if (codePage == m_nCodePage) return;
  m_nCodePage = codePage;
  m_bIndexValid = false;
}

bool CScriptText::IsLineStart(std::uint32_t pos) const { return pos == 0 || m_text[pos - 1] == '\n'; }

std::uint32_t CScriptText::LinearSearch(std::string_view name) const {
  std::string pattern(name);
  pattern += ']';
  const char* text = m_text.data();
  std::uint32_t pos = 0;  // always a line start
  while (std::uint64_t{pos} + 3 < m_nLength) {
    if (text[pos] == '[' && std::uint64_t{pos} + 1 + pattern.size() <= m_nLength &&
        EqualNoCase(pattern, std::string_view(text + pos + 1, pattern.size()), m_nCodePage)) {
      return pos;
    }
    const void* lf = std::memchr(text + pos, '\n', m_nLength - pos);
    if (lf == nullptr) break;
    pos = static_cast<std::uint32_t>(static_cast<const char*>(lf) - text) + 1;
  }
  return kNotFound;
}

void CScriptText::BuildIndex() {
  m_sectionIndex.clear();
  const char* text = m_text.data();
  std::uint32_t pos = 0;
  while (std::uint64_t{pos} + 3 < m_nLength) {
    if (text[pos] == '[') {
      std::uint32_t end = pos + 1;
      while (end < m_nLength && text[end] != ']' && !IsBreak(text[end])) ++end;
      if (end < m_nLength && text[end] == ']') {
        // emplace keeps the first header of a name.
        m_sectionIndex.emplace(FoldCase(std::string_view(text + pos + 1, end - pos - 1), m_nCodePage), pos);
      }
    }
    const void* lf = std::memchr(text + pos, '\n', m_nLength - pos);
    if (lf == nullptr) break;
    pos = static_cast<std::uint32_t>(static_cast<const char*>(lf) - text) + 1;
  }
  m_bIndexValid = true;
}

std::uint32_t CScriptText::SectionLength(std::uint32_t start, std::size_t nameLength) const {
  const char* text = m_text.data();
  std::uint64_t end = m_nLength >= 2 ? m_nLength - 2 : m_nLength;
  // The body ends at the next line that starts with '[', whatever follows it.
  std::uint64_t pos = std::uint64_t{start} + nameLength + 2;
  while (pos + 3 < m_nLength) {
    const auto p = static_cast<std::uint32_t>(pos);
    if (text[p] == '[' && IsLineStart(p)) {
      end = p;
      break;
    }
    const void* lf = std::memchr(text + p, '\n', m_nLength - p);
    if (lf == nullptr) break;
    pos = static_cast<std::uint64_t>(static_cast<const char*>(lf) - text) + 1;
  }
  end = std::max<std::uint64_t>(end, std::uint64_t{start} + 1);
  return static_cast<std::uint32_t>(end - start);
}

CScriptText::Location CScriptText::Locate(std::string_view name) {
  Location location;
  // "[]" headers cannot be found by name.
  if (m_nLength == 0 || name.empty()) return location;
  if (m_bHasSection && EqualNoCase(name, m_strSectionName, m_nCodePage)) {
    location.found = true;
    location.start = m_nSectionStart;
    location.length = m_nSectionLength;
    return location;
  }
  std::uint32_t start = kNotFound;
  // The index holds names up to the first ']' of a header line; others need the scan.
  const bool indexable = name.find_first_of("]\r\n") == std::string_view::npos;
  if (indexable && (m_bIndexValid || m_nLookupsSinceEdit > 0)) {
    if (!m_bIndexValid) BuildIndex();
    const auto it = m_sectionIndex.find(FoldCase(name, m_nCodePage));
    if (it != m_sectionIndex.end()) start = it->second;
  } else {
    start = LinearSearch(name);
  }
  if (m_nLookupsSinceEdit < 2) ++m_nLookupsSinceEdit;
  if (start == kNotFound) return location;
  location.found = true;
  location.start = start;
  location.length = SectionLength(start, name.size());
  return location;
}

std::uint32_t CScriptText::FindSection(std::string_view name) {
  if (m_nLength == 0) return 0;
  if (m_bHasSection && EqualNoCase(name, m_strSectionName, m_nCodePage)) {
    m_bHasLine = true;
    m_nLinePos = m_nSectionStart;
    return m_nSectionLength;
  }
  const Location location = Locate(name);
  if (!location.found) {
    if (m_bHasSection) {
      m_bHasLine = true;
      m_nLinePos = m_nSectionStart;
    }
    return 0;
  }
  m_strSectionName = std::string(name);
  m_bHasSection = true;
  m_nSectionStart = location.start;
  m_nSectionLength = location.length;
  m_bHasLine = true;
  m_nLinePos = location.start;
  m_bHasIteration = true;
  m_nIterationPos = location.start + 1;
  return location.length;
}

std::string CScriptText::NextLine() {
  if (!m_bHasSection || !m_bHasLine) return {};
  const char* text = m_text.data();
  const std::uint32_t end = std::min<std::uint32_t>(m_nSectionStart + m_nSectionLength, m_nLength);
  std::uint32_t pos = m_nLinePos;
  while (pos < end && !IsBreak(text[pos])) ++pos;  // rest of the line last returned
  for (;;) {
    while (pos < end && IsBreak(text[pos])) ++pos;
    if (pos >= end) return {};
    const std::uint32_t lineStart = pos;
    while (pos < end && !IsBreak(text[pos])) ++pos;
    const std::string_view line = TrimLeft(std::string_view(text + lineStart, pos - lineStart));
    if (!line.empty()) {
      m_nLinePos = lineStart;
      return std::string(line);
    }
  }
}

std::string CScriptText::NextSectionName() {
  if (m_nLength == 0) return {};
  const char* text = m_text.data();
  std::uint32_t pos = m_bHasIteration ? m_nIterationPos : (m_bHasSection ? m_nSectionStart + 1 : 0);
  while (std::uint64_t{pos} + 3 < m_nLength) {
    if (text[pos] == '[' && IsLineStart(pos)) {
      std::uint32_t end = pos + 1;
      while (end < m_nLength && text[end] != ']' && !IsBreak(text[end])) ++end;
      // "[]" and a header without ']' end a section but cannot be found by name.
      if (end < m_nLength && text[end] == ']' && end > pos + 1) {
        std::string name(text + pos + 1, end - pos - 1);
        if (FindSection(name) != 0) {
          m_bHasIteration = true;
          m_nIterationPos = pos + 1;
          return name;
        }
      }
    }
    const void* lf = std::memchr(text + pos, '\n', m_nLength - pos);
    if (lf == nullptr) break;
    pos = static_cast<std::uint32_t>(static_cast<const char*>(lf) - text) + 1;
  }
  return {};
}

std::string_view CScriptText::GetIteratedSection() const {
  if (!m_bHasIteration || m_nIterationPos == 0 || m_nIterationPos > m_nLength) return {};
  const std::uint32_t start = m_nIterationPos - 1;
  const char* text = m_text.data();
  if (text[start] != '[') return {};
  std::uint32_t close = start + 1;
  while (close < m_nLength && text[close] != ']' && !IsBreak(text[close])) ++close;
  if (close >= m_nLength || text[close] != ']') return {};
  return {text + start, SectionLength(start, close - start - 1)};
}

std::uint32_t CScriptText::InsertionPoint(const Location& section, std::size_t nameLength) const {
  const char* text = m_text.data();
  const std::uint32_t end = std::min<std::uint32_t>(section.start + section.length, m_nLength);
  const auto afterHeader =
      static_cast<std::uint32_t>(std::min<std::uint64_t>(std::uint64_t{section.start} + nameLength + 2, end));
  // One past the last byte that is not white space; the header line when the body is blank.
  std::uint32_t contentEnd = afterHeader;
  for (std::uint32_t i = end; i > afterHeader; --i) {
    if (!IsScriptSpace(text[i - 1])) {
      contentEnd = i;
      break;
    }
  }
  std::uint32_t pos = contentEnd;
  while (pos < end && !IsBreak(text[pos])) ++pos;
  if (pos < end) pos += (text[pos] == '\r' && pos + 1 < end && text[pos + 1] == '\n') ? 2 : 1;
  return pos;
}

bool CScriptText::InsertBytes(std::uint32_t pos, std::string_view bytes) {
  if (bytes.empty()) return true;
  const std::uint64_t needed = std::uint64_t{m_nLength} + bytes.size();
  if (needed > std::numeric_limits<std::uint32_t>::max()) return false;
  if (needed > m_nCapacity) {
    const std::uint64_t grown = std::uint64_t{m_nCapacity} + m_nCapacity / 2;
    const std::uint64_t capacity =
        std::min<std::uint64_t>(std::max(needed, grown), std::numeric_limits<std::uint32_t>::max());
    m_text.resize(static_cast<std::size_t>(capacity));
    m_nCapacity = static_cast<std::uint32_t>(capacity);
  }
  const auto count = static_cast<std::uint32_t>(bytes.size());
  // A stretch read from a file moves with its bytes; one the insertion
  // falls into is cut in two.
  auto span = std::lower_bound(m_spans.begin(), m_spans.end(), pos,
                               [](const CScriptSpan& s, std::uint32_t p) { return s.pos < p; });
  if (span != m_spans.begin() && (span - 1)->pos + (span - 1)->length > pos) {
    CScriptSpan& cut = *(span - 1);
    const CScriptSpan tail{pos, cut.pos + cut.length - pos, cut.source,
                           cut.line + static_cast<int>(LineBreaks(cut.pos, pos))};
    cut.length = pos - cut.pos;
    span = m_spans.insert(span, tail);
  }
  for (; span != m_spans.end(); ++span) span->pos += count;
  char* text = m_text.data();
  std::memmove(text + pos + count, text + pos, m_nLength - pos);
  std::memcpy(text + pos, bytes.data(), count);
  m_nLength += count;
  // Positions at or after the insertion move with their bytes.
  if (m_bHasSection && m_nSectionStart >= pos) m_nSectionStart += count;
  if (m_bHasLine && m_nLinePos >= pos) m_nLinePos += count;
  if (m_bHasIteration && m_nIterationPos > pos) m_nIterationPos += count;
  return true;
}

void CScriptText::EraseBytes(std::uint32_t pos, std::uint32_t count) {
  const std::uint32_t end = pos + count;
  std::vector<CScriptSpan> spans;
  spans.reserve(m_spans.size() + 1);
  for (CScriptSpan span : m_spans) {
    const std::uint32_t spanEnd = span.pos + span.length;
    if (spanEnd <= pos) {
      spans.push_back(span);
    } else if (span.pos >= end) {
      span.pos -= count;
      spans.push_back(span);
    } else {
      if (span.pos < pos) spans.push_back({span.pos, pos - span.pos, span.source, span.line});
      if (spanEnd > end) {
        spans.push_back({pos, spanEnd - end, span.source, span.line + static_cast<int>(LineBreaks(span.pos, end))});
      }
    }
  }
  m_spans = std::move(spans);
  char* text = m_text.data();
  std::memmove(text + pos, text + pos + count, m_nLength - pos - count);
  m_nLength -= count;
  if (m_bHasIteration) {
    if (m_nIterationPos >= pos + count) {
      m_nIterationPos -= count;
    } else if (m_nIterationPos > pos) {
      m_nIterationPos = pos;  // the header it stood after is gone; go on with what follows
    }
  }
}

std::uint32_t CScriptText::EnsureTail() {
  const char* text = m_text.data();
  if (m_nLength >= kTailLength && std::memcmp(text + m_nLength - kTailLength, kTail, kTailLength) == 0) return 0;
  const bool endsInCrLf = m_nLength >= 2 && text[m_nLength - 2] == '\r' && text[m_nLength - 1] == '\n';
  const std::string_view missing = endsInCrLf ? std::string_view(kTail, 2) : std::string_view(kTail, kTailLength);
  return InsertBytes(m_nLength, missing) ? static_cast<std::uint32_t>(missing.size()) : 0;
}

void CScriptText::AfterEdit() {
  m_bIndexValid = false;
  m_sectionIndex.clear();
  m_nLookupsSinceEdit = 0;
  // An edit may move the end of the current section (or, by inserting a
  // header line, shorten it): measure it again.
  if (m_bHasSection) m_nSectionLength = SectionLength(m_nSectionStart, m_strSectionName.size());
}

bool CScriptText::DeleteSection(std::string_view name) {
  const Location location = Locate(name);
  if (!location.found) return false;
  m_strSectionName.clear();
  m_bHasSection = false;
  m_nSectionStart = 0;
  m_nSectionLength = 0;
  m_bHasLine = false;
  m_nLinePos = 0;
  EraseBytes(location.start, location.length);
  // Deleting the last section also takes its final line break; restore the tail.
  EnsureTail();
  AfterEdit();
  return true;
}

std::uint32_t CScriptText::InsertSectionText(std::string_view name, const char* block, std::uint32_t count,
                                             const std::optional<CScriptOrigin>& origin) {
  if (block == nullptr || count == 0) return 0;
  // A copy first: the block may come from this very text, which may move.
  std::string bytes(block, count);
  const Location location = Locate(name);
  std::uint32_t pos = 0;
  std::optional<CScriptOrigin> first = origin;
  if (location.found) {
    std::size_t bodyStart = 0;
    while (bodyStart < bytes.size() && !IsBreak(bytes[bodyStart])) ++bodyStart;
    while (bodyStart < bytes.size() && IsBreak(bytes[bodyStart])) ++bodyStart;
    if (bodyStart >= bytes.size()) return 0;
    if (first) first->line += CountLineBreaks(std::string_view(bytes).substr(0, bodyStart));
    bytes.erase(0, bodyStart);
    pos = InsertionPoint(location, name.size());
  } else {
    pos = m_nLength;
  }
  const auto fromBlock = static_cast<std::uint32_t>(bytes.size());
  if (location.found) TerminateLine(bytes);
  // The inserted text must start a line of its own.
  std::uint32_t lead = 0;
  if (pos > 0 && !IsBreak(m_text[pos - 1])) {
    bytes.insert(0, "\r\n");
    lead = 2;
  }
  if (!InsertBytes(pos, bytes)) return 0;
  if (first) NoteOrigin(pos + lead, fromBlock, *first);
  const std::uint32_t inserted = static_cast<std::uint32_t>(bytes.size()) + EnsureTail();
  AfterEdit();
  return inserted;
}

bool CScriptText::AppendLine(std::string_view line, const std::optional<CScriptOrigin>& origin) {
  if (!m_bHasSection) return false;
  std::string bytes(line);
  bytes += "\r\n";
  Location section;
  section.found = true;
  section.start = m_nSectionStart;
  section.length = m_nSectionLength;
  const std::uint32_t pos = InsertionPoint(section, m_strSectionName.size());
  std::uint32_t lead = 0;
  if (pos > 0 && !IsBreak(m_text[pos - 1])) {
    bytes.insert(0, "\r\n");
    lead = 2;
  }
  if (!InsertBytes(pos, bytes)) return false;
  if (origin) NoteOrigin(pos + lead, static_cast<std::uint32_t>(line.size()), *origin);
  EnsureTail();
  AfterEdit();
  return true;
}

std::uint32_t CScriptText::LineBreaks(std::uint32_t from, std::uint32_t to) const {
  return CountLineBreaks(std::string_view(m_text.data() + from, to - from), to < m_nLength ? m_text[to] : '\0');
}

void CScriptText::NoteOrigin(std::uint32_t pos, std::uint32_t length, const CScriptOrigin& origin) {
  if (length == 0) return;
  auto source = std::find(m_sources.begin(), m_sources.end(), origin.file);
  if (source == m_sources.end()) source = m_sources.insert(m_sources.end(), origin.file);
  const CScriptSpan span{pos, length, static_cast<std::uint32_t>(source - m_sources.begin()), origin.line};
  const auto at = std::upper_bound(m_spans.begin(), m_spans.end(), pos,
                                   [](std::uint32_t p, const CScriptSpan& s) { return p < s.pos; });
  m_spans.insert(at, span);
}

std::optional<CScriptOrigin> CScriptText::OriginOf(std::uint32_t pos) const {
  auto after = std::upper_bound(m_spans.begin(), m_spans.end(), pos,
                                [](std::uint32_t p, const CScriptSpan& s) { return p < s.pos; });
  if (after == m_spans.begin()) return std::nullopt;
  const CScriptSpan& span = *(after - 1);
  if (pos >= span.pos + span.length) return std::nullopt;
  return CScriptOrigin{m_sources[span.source], span.line + static_cast<int>(LineBreaks(span.pos, pos))};
}
