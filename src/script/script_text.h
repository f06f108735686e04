// The whole setup script as one editable block of text with one shared
// section cursor.
//
// Loading appends CR LF CR LF, so the last line always ends in a line break;
// every edit keeps those four bytes as the tail of the text. Positions are
// byte offsets into the text, so a copy carries them over unchanged.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/name_compare.h"
#include "platform/file_system.h"

// Where a line of a script was read: the file and its line (from 1).
struct CScriptOrigin {
  std::string file;
  int line = 0;
};

// A stretch of a text as it was read from a file: its first byte is on
// line `line` of source `source`.
struct CScriptSpan {
  std::uint32_t pos = 0;
  std::uint32_t length = 0;
  std::uint32_t source = 0;
  int line = 0;
};

// The text and its cursors: all of a text but its code page.
struct CScriptTextContent {
  std::string m_strPath;
  std::vector<char> m_text;  // m_nCapacity bytes, the first m_nLength in use
  std::uint32_t m_nCapacity = 0;
  std::uint32_t m_nLength = 0;

  // The current section and the line cursor.
  std::string m_strSectionName;
  bool m_bHasSection = false;
  std::uint32_t m_nSectionStart = 0;
  std::uint32_t m_nSectionLength = 0;
  bool m_bHasLine = false;
  std::uint32_t m_nLinePos = 0;

  // Where NextSectionName scans on from.
  bool m_bHasIteration = false;
  std::uint32_t m_nIterationPos = 0;

  // Folded header name -> offset of the first such header. Built on the
  // second lookup after an edit, so a run of edits each followed by one
  // lookup (merging) never pays for a rebuild.
  std::unordered_map<std::string, std::uint32_t> m_sectionIndex;
  bool m_bIndexValid = false;

  // The files the text was read from (the loaded one first) and, in text
  // order, the stretches that came from them; what edits wrote has none.
  std::vector<std::string> m_sources;
  std::vector<CScriptSpan> m_spans;
};

// A base whose move leaves the source as new; a copy is a plain copy.
template <class T>
struct CEmptiedByMove : T {
  CEmptiedByMove() = default;
  CEmptiedByMove(const CEmptiedByMove&) = default;
  CEmptiedByMove& operator=(const CEmptiedByMove&) = default;
  CEmptiedByMove(CEmptiedByMove&& other) noexcept : T(std::exchange(static_cast<T&>(other), T{})) {}
  CEmptiedByMove& operator=(CEmptiedByMove&& other) noexcept {
    if (this != &other) static_cast<T&>(*this) = std::exchange(static_cast<T&>(other), T{});
    return *this;
  }
  ~CEmptiedByMove() = default;
};

class CScriptText : private CEmptiedByMove<CScriptTextContent> {
 public:
  CScriptText() = default;
  CScriptText(const CScriptText& other) = default;
  CScriptText& operator=(const CScriptText& other) = default;
  // A moved-from text is left empty but for its code page: a length or a
  // cursor kept without the buffer behind it would read past it.
  CScriptText(CScriptText&& other) noexcept = default;
  CScriptText& operator=(CScriptText&& other) noexcept = default;
  ~CScriptText() = default;

  // Reads the file through the platform layer. Capacity 0 reserves the file
  // length + 1000 bytes; otherwise the larger of capacity and length + 4.
  // On failure the object is left empty.
  bool Load(platform::IFileSystem& files, std::string_view path, std::uint32_t capacity = 0);
  bool LoadFromMemory(const char* data, std::size_t size, std::uint32_t capacity = 0);

  // Writes all `length` bytes, tail included, to the path.
  bool Save(platform::IFileSystem& files);
  bool SaveAs(platform::IFileSystem& files, std::string_view path);

  // Makes the first section of that name (compared without regard to case)
  // current and returns its length, or 0 when there is none (the previous
  // section then stays current). Resets the line cursor to the header.
  std::uint32_t FindSection(std::string_view name);
  std::uint32_t GetSectionStart() const { return m_nSectionStart; }
  bool HasCurrentSection() const { return m_bHasSection; }

  // The next non-blank line of the current section, left-trimmed; empty at
  // the end of the section.
  std::string NextLine();
  // Where the line NextLine returned last begins in the text (before its
  // leading blanks were removed).
  std::uint32_t GetLineStart() const { return m_nLinePos; }

  // The name of the next section header in text order (skipping "[]" and
  // headers without ']'), making the first section of that name current;
  // empty at the end of the text. Keeps its own position, so a repeated
  // section name does not send it back.
  std::string NextSectionName();
  // The whole section (header to the next header) whose name NextSectionName
  // returned last: a repeated name gives each occurrence's own text. Empty
  // before the first call.
  std::string_view GetIteratedSection() const;

  bool DeleteSection(std::string_view name);

  // Adds the body of `block` (its first line being a header) to the end of
  // the section's last non-empty line, or appends the whole block when the
  // section does not exist. Returns the bytes inserted. `origin`: where the
  // block's first byte was read, kept for the lines it brings.
  std::uint32_t InsertSectionText(std::string_view name, const char* block, std::uint32_t count,
                                  const std::optional<CScriptOrigin>& origin = std::nullopt);

  // Adds the line and CR LF after the last non-empty line of the current
  // section, noting `origin` as where it was read.
  bool AppendLine(std::string_view line, const std::optional<CScriptOrigin>& origin = std::nullopt);

  // Where the byte at `pos` was read: the file and line, through every edit
  // since. None for what an edit wrote and for a text read from memory.
  std::optional<CScriptOrigin> OriginOf(std::uint32_t pos) const;

  // Names compare without regard to case in this code page (the machine's).
  void SetCodePage(unsigned codePage);
  unsigned GetCodePage() const { return m_nCodePage; }

  const std::string& GetPath() const { return m_strPath; }
  std::uint32_t GetLength() const { return m_nLength; }
  std::uint32_t GetCapacity() const { return m_nCapacity; }
  std::string_view GetText() const { return {m_text.data(), m_nLength}; }
  const std::string& GetCurrentSectionName() const { return m_strSectionName; }

 private:
  struct Location {
    bool found = false;
    std::uint32_t start = 0;
    std::uint32_t length = 0;
  };

  void Reset();
  bool IsLineStart(std::uint32_t pos) const;
  Location Locate(std::string_view name);
  std::uint32_t LinearSearch(std::string_view name) const;  // header offset or UINT32_MAX
  void BuildIndex();
  std::uint32_t SectionLength(std::uint32_t start, std::size_t nameLength) const;
  std::uint32_t InsertionPoint(const Location& section, std::size_t nameLength) const;
  bool InsertBytes(std::uint32_t pos, std::string_view bytes);
  void EraseBytes(std::uint32_t pos, std::uint32_t count);
  std::uint32_t EnsureTail();
  void AfterEdit();
  std::uint32_t LineBreaks(std::uint32_t from, std::uint32_t to) const;
  void NoteOrigin(std::uint32_t pos, std::uint32_t length, const CScriptOrigin& origin);

  unsigned m_nCodePage = kDefaultCodePage;
  unsigned m_nLookupsSinceEdit = 0;
};
