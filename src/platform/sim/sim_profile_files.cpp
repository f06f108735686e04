#include "platform/sim/sim_profile_files.h"

#include "platform/ascii_text.h"

#include <cstring>
#include <fstream>
#include <string_view>
#include <system_error>
#include <utility>

#include "platform/shared/config_file.h"
#include "platform/sim/sim_platform.h"

namespace fs = std::filesystem;

namespace sim {
namespace {

using platform::BOOL;
using platform::DWORD;
using platform::UINT;

constexpr std::size_t npos = std::string_view::npos;

// White space as the profile reader trims it: the C blanks and the DOS
// end-of-file mark that old editors leave behind.
bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == '\x1a';
}

std::string_view TrimLeft(std::string_view s) {
  std::size_t b = 0;
  while (b < s.size() && IsBlank(s[b])) ++b;
  return s.substr(b);
}

std::string_view TrimRight(std::string_view s) {
  std::size_t e = s.size();
  while (e > 0 && IsBlank(s[e - 1])) --e;
  return s.substr(0, e);
}

std::string_view Trim(std::string_view s) { return TrimRight(TrimLeft(s)); }

// Names and values are C strings once read: a NUL byte in the file ends them.
std::string_view CutAtNul(std::string_view s) { return s.substr(0, s.find('\0')); }

// One line: its text is [begin, end); the next line starts at `next`.
struct LineSpan {
  std::size_t begin = 0;
  std::size_t end = 0;
  std::size_t next = 0;
};

// Lines end at CR LF, LF or a lone CR.
bool NextLine(std::string_view text, std::size_t& pos, LineSpan& line) {
  if (pos >= text.size()) return false;
  std::size_t end = text.find_first_of("\r\n", pos);
  if (end == npos) end = text.size();
  std::size_t next = end;
  if (next < text.size()) next += (text[next] == '\r' && next + 1 < text.size() && text[next + 1] == '\n') ? 2 : 1;
  line = {pos, end, next};
  pos = next;
  return true;
}

enum class LineKind { kBlank, kComment, kSection, kEntry };

struct ParsedLine {
  LineKind kind = LineKind::kBlank;
  std::string_view name;                  // the section name, or the key
  std::optional<std::string_view> value;  // an entry's text after '='; none without '='
};

ParsedLine ParseLine(std::string_view raw) {
  ParsedLine p;
  std::string_view t = Trim(raw);
  if (t.empty()) return p;
  if (t[0] == ';') {
    p.kind = LineKind::kComment;
    return p;
  }
  if (t[0] == '[') {
    // The name runs to the first ']', or to the end of a line that lacks one.
    std::string_view inner = t.substr(1);
    p.kind = LineKind::kSection;
    p.name = CutAtNul(Trim(inner.substr(0, inner.find(']'))));
    return p;
  }
  p.kind = LineKind::kEntry;
  std::size_t eq = t.find('=');
  if (eq == npos) {
    p.name = CutAtNul(t);
    return p;
  }
  p.name = CutAtNul(TrimRight(t.substr(0, eq)));
  p.value = CutAtNul(TrimLeft(t.substr(eq + 1)));
  return p;
}

template <typename Visit>
void ForEachLine(std::string_view text, std::size_t begin, std::size_t end, Visit visit) {
  std::size_t pos = begin;
  LineSpan line;
  while (pos < end && NextLine(text, pos, line)) visit(line, ParseLine(text.substr(line.begin, line.end - line.begin)));
}

// A section: its header line and its body, up to the next header. Lines
// before the first header belong to no section.
struct SectionSpan {
  LineSpan header;
  std::size_t bodyBegin = 0;
  std::size_t bodyEnd = 0;
};

// The first section of that name; a later one of the same name is never read.
std::optional<SectionSpan> FindSection(std::string_view text, std::string_view name) {
  std::size_t pos = 0;
  LineSpan line;
  std::optional<SectionSpan> found;
  while (NextLine(text, pos, line)) {
    ParsedLine p = ParseLine(text.substr(line.begin, line.end - line.begin));
    if (p.kind != LineKind::kSection) continue;
    if (found) {
      found->bodyEnd = line.begin;
      return found;
    }
    if (ascii::EqualNoCase(p.name, name)) found = SectionSpan{line, line.next, text.size()};
  }
  return found;
}

struct EntrySpan {
  LineSpan line;
  ParsedLine parsed;
};

// The first line of that key, with or without '='.
std::optional<EntrySpan> FindEntry(std::string_view text, const SectionSpan& section, std::string_view key) {
  std::optional<EntrySpan> found;
  ForEachLine(text, section.bodyBegin, section.bodyEnd, [&](const LineSpan& line, const ParsedLine& p) {
    if (!found && p.kind == LineKind::kEntry && ascii::EqualNoCase(p.name, key)) found = EntrySpan{line, p};
  });
  return found;
}

// Where a new line joins a section: after its last line that is not blank,
// so that blank lines separating it from the next section stay there.
std::size_t EndOfContent(std::string_view text, const SectionSpan& section) {
  std::size_t at = section.bodyBegin;
  ForEachLine(text, section.bodyBegin, section.bodyEnd, [&](const LineSpan& line, const ParsedLine& p) {
    if (p.kind != LineKind::kBlank) at = line.next;
  });
  return at;
}

// Ends an unterminated last line before more lines are added after it.
void EndLastLine(std::string& text) {
  if (!text.empty() && text.back() != '\n' && text.back() != '\r') text += "\r\n";
}

std::string_view StripQuotes(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) return v.substr(1, v.size() - 2);
  return v;
}

// At most size - 1 characters and a NUL (size >= 1); the characters copied.
DWORD CopyString(std::string_view s, char* buffer, DWORD size) {
  std::size_t n = s.size() < size - 1 ? s.size() : size - 1;
  if (n > 0) std::memcpy(buffer, s.data(), n);
  buffer[n] = '\0';
  return static_cast<DWORD>(n);
}

// `list`: NUL-terminated strings. Followed by the NUL that ends the list when
// it fits with room to spare; otherwise cut to size - 2 characters and ended
// by two NULs, and the result is size - 2 (size >= 1).
DWORD CopyList(std::string_view list, char* buffer, DWORD size) {
  if (size < 2) {
    buffer[0] = '\0';
    return 0;
  }
  if (list.size() + 2 <= size) {
    if (!list.empty()) std::memcpy(buffer, list.data(), list.size());
    buffer[list.size()] = '\0';
    return static_cast<DWORD>(list.size());
  }
  const std::size_t n = size - 2;
  std::memcpy(buffer, list.data(), n);
  buffer[n] = '\0';
  buffer[n + 1] = '\0';
  return static_cast<DWORD>(n);
}

// Files with a UTF-16LE byte-order mark are read as text of the single-byte
// characters they hold and written back as UTF-16LE.
std::string FromUtf16(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    unsigned unit = static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned>(static_cast<unsigned char>(bytes[i + 1])) << 8);
    out.push_back(unit < 0x100 ? static_cast<char>(unit) : '?');
  }
  return out;
}

std::string ToUtf16(std::string_view text) {
  std::string out("\xFF\xFE", 2);
  out.reserve(2 + text.size() * 2);
  for (char c : text) {
    out.push_back(c);
    out.push_back('\0');
  }
  return out;
}

}  // namespace

SimProfileFiles::SimProfileFiles(ProcessState& process) : m_machine(process.machine), m_process(process) {}

ResolvedPath SimProfileFiles::Locate(const char* fileName) const {
  std::string name = fileName != nullptr ? fileName : "WIN.INI";
  if (name.find_first_of("\\/:") == std::string::npos) name = m_machine.WindowsDir() + "\\" + name;
  return m_machine.Resolve(name, m_process.currentDirectory);
}

SimProfileFiles::Loaded SimProfileFiles::Load(const ResolvedPath& where) const {
  Loaded result;
  if (!where.ok()) return result;
  std::error_code ec;
  const fs::file_status status = fs::symlink_status(where.host, ec);
  if (status.type() == fs::file_type::not_found) {
    result.state = Loaded::kMissing;
    return result;
  }
  if (ec || !fs::is_regular_file(status)) return result;
  std::vector<char> content;
  if (!m_machine.ReadHostFile(where.host, content, kMaxFileSize)) return result;
  const std::string bytes(content.begin(), content.end());
  result.state = Loaded::kPresent;
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
    result.utf16 = true;
    result.text = FromUtf16(std::string_view(bytes).substr(2));
  } else {
    result.text = std::move(bytes);
  }
  return result;
}

bool SimProfileFiles::RefusedOnCd(const ResolvedPath& where) const {
  // A file on the CD is opened for writing before anything is looked at: it
  // fails even when nothing would change.
  if (!where.ok() || !m_machine.IsOnCd(where.host)) return false;
  m_process.lastError = ERROR_ACCESS_DENIED;
  return true;
}

BOOL SimProfileFiles::WriteFailed(const ResolvedPath& where) const {
  std::error_code ec;
  if (!where.ok()) {
    m_process.lastError = where.error;
  } else {
    m_process.lastError =
        fs::is_directory(fs::symlink_status(where.host.parent_path(), ec)) ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND;
  }
  return 0;
}

bool SimProfileFiles::Store(const ResolvedPath& where, const std::string& text, bool utf16) const {
  const std::string bytes = utf16 ? ToUtf16(text) : text;
  // A fresh file beside the old one, renamed over it in one step, so that a
  // failed write never leaves half a file.
  std::error_code ec;
  const fs::path folder = where.host.parent_path();
  fs::path temp;
  for (int n = 0; n < 100 && temp.empty(); ++n) {
    std::string name("~");
    name.append(where.host.filename().string()).append(".").append(std::to_string(n)).append(".tmp");
    fs::path candidate = folder / name;
    if (fs::symlink_status(candidate, ec).type() == fs::file_type::not_found) temp = candidate;
  }
  if (temp.empty()) return false;
  const Machine::HostWrite written = m_machine.WriteHostFile(temp, bytes.data(), bytes.size());
  if (written != Machine::HostWrite::kDone) {
    if (written == Machine::HostWrite::kFailed) m_machine.RemoveHost(temp, false);
    return false;
  }
  const bool renamed = m_machine.RenameHost(temp, where.host);
  if (!renamed) m_machine.RemoveHost(temp, false);
  m_machine.NoteChanged(temp, fs::file_type::not_found);
  m_machine.NoteChanged(where.host);
  return renamed;
}

DWORD SimProfileFiles::GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                                                char* buffer, DWORD size, const char* fileName) {
  if (buffer == nullptr || size == 0) return 0;
  std::string_view fallback = defaultValue != nullptr ? defaultValue : "";
  const Loaded file = Load(Locate(fileName));
  const std::string_view text = file.text;

  if (section == nullptr) {
    std::string list;
    ForEachLine(text, 0, text.size(), [&](const LineSpan&, const ParsedLine& p) {
      if (p.kind == LineKind::kSection && !p.name.empty()) list.append(p.name).push_back('\0');
    });
    return CopyList(list, buffer, size);
  }

  if (key == nullptr) {
    // The section name is taken as given here, untrimmed; lines without '='
    // are no keys. An empty answer gives way to the default.
    std::string list;
    if (auto found = FindSection(text, section)) {
      ForEachLine(text, found->bodyBegin, found->bodyEnd, [&](const LineSpan&, const ParsedLine& p) {
        if (p.kind == LineKind::kEntry && p.value) list.append(p.name).push_back('\0');
      });
    }
    const DWORD copied = CopyList(list, buffer, size);
    if (buffer[0] != '\0') return copied;
    return CopyString(StripQuotes(fallback), buffer, size);
  }

  // Trailing blanks of the default are dropped, spaces only.
  while (!fallback.empty() && fallback.back() == ' ') fallback.remove_suffix(1);
  std::string_view value = fallback;
  if (auto found = FindSection(text, Trim(section))) {
    auto entry = FindEntry(text, *found, Trim(key));
    if (entry && entry->parsed.value) value = *entry->parsed.value;
  }
  return CopyString(StripQuotes(value), buffer, size);
}

UINT SimProfileFiles::GetPrivateProfileIntA(const char* section, const char* key, int defaultValue,
                                            const char* fileName) {
  // The text goes through a 30-character buffer, so digits beyond the 29th
  // are never seen.
  char text[30];
  const DWORD length = GetPrivateProfileStringA(section, key, "", text, sizeof text, fileName);
  if (length == 0 || text[0] == '\0') return static_cast<UINT>(defaultValue);

  const char* p = text;
  while (*p != '\0' && static_cast<unsigned char>(*p) <= ' ') ++p;
  bool negative = false;
  if (*p == '+') {
    ++p;
  } else if (*p == '-') {
    negative = true;
    ++p;
  }
  unsigned base = 10;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'o' || p[1] == 'b')) {
    base = p[1] == 'x' ? 16 : p[1] == 'o' ? 8 : 2;
    p += 2;
  }
  UINT total = 0;  // wraps as the 32-bit conversion does
  for (; *p != '\0'; ++p) {
    unsigned digit;
    if (*p >= '0' && *p <= '9') {
      digit = static_cast<unsigned>(*p - '0');
    } else if (*p >= 'A' && *p <= 'Z') {
      digit = static_cast<unsigned>(*p - 'A') + 10;
    } else if (*p >= 'a' && *p <= 'z') {
      digit = static_cast<unsigned>(*p - 'a') + 10;
    } else {
      break;
    }
    if (digit >= base) break;
    total = total * base + digit;
  }
  return negative ? 0u - total : total;
}

DWORD SimProfileFiles::GetPrivateProfileSectionA(const char* section, char* buffer, DWORD size,
                                                 const char* fileName) {
  if (buffer == nullptr || size == 0 || section == nullptr) return 0;
  const Loaded file = Load(Locate(fileName));
  const std::string_view text = file.text;
  std::string list;
  if (auto found = FindSection(text, section)) {
    ForEachLine(text, found->bodyBegin, found->bodyEnd, [&](const LineSpan&, const ParsedLine& p) {
      if (p.kind != LineKind::kEntry || (p.name.empty() && !p.value)) return;
      list.append(p.name);
      if (p.value) list.append("=").append(*p.value);
      list.push_back('\0');
    });
  }
  if (list.empty()) {
    buffer[0] = '\0';
    if (size >= 2) buffer[1] = '\0';
    return 0;
  }
  return CopyList(list, buffer, size);
}

BOOL SimProfileFiles::WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                                 const char* fileName) {
  if (section == nullptr) return 0;
  const ResolvedPath where = Locate(fileName);
  if (RefusedOnCd(where)) return 0;
  Loaded file = Load(where);
  if (file.state == Loaded::kUnreadable) return WriteFailed(where);  // never replace what could not be read
  const std::string& text = file.text;
  const std::string_view name = Trim(section);
  const std::optional<SectionSpan> found = FindSection(text, name);

  // Untouched lines keep their bytes; a written line ends in CR LF.
  std::string updated;
  if (key == nullptr) {
    if (!found) return 1;
    updated = text.substr(0, found->header.begin) + text.substr(found->bodyEnd);
  } else if (value == nullptr) {
    if (!found) return 1;
    auto entry = FindEntry(text, *found, Trim(key));
    if (!entry) return 1;
    updated = text.substr(0, entry->line.begin) + text.substr(entry->line.next);
  } else {
    const std::string_view keyName = Trim(key);
    const std::string_view newValue = TrimLeft(value);
    if (!found) {
      updated = text;
      EndLastLine(updated);
      updated.append("[").append(name).append("]\r\n").append(keyName).append("=").append(newValue).append("\r\n");
    } else if (auto entry = FindEntry(text, *found, keyName)) {
      if (entry->parsed.value && *entry->parsed.value == newValue) return 1;
      // The key keeps its spelling from the file.
      updated = text.substr(0, entry->line.begin);
      updated.append(entry->parsed.name).append("=").append(newValue).append("\r\n").append(text, entry->line.next);
    } else {
      const std::size_t at = EndOfContent(text, *found);
      updated = text.substr(0, at);
      EndLastLine(updated);
      updated.append(keyName).append("=").append(newValue).append("\r\n").append(text, at);
    }
  }
  if (updated == text) return 1;
  return Store(where, updated, file.utf16) ? 1 : WriteFailed(where);
}

BOOL SimProfileFiles::WritePrivateProfileSectionA(const char* section, const char* lines, const char* fileName) {
  if (section == nullptr) return 0;
  const ResolvedPath where = Locate(fileName);
  if (RefusedOnCd(where)) return 0;
  Loaded file = Load(where);
  if (file.state == Loaded::kUnreadable) return WriteFailed(where);
  const std::string& text = file.text;
  const std::string_view name = Trim(section);
  const std::optional<SectionSpan> found = FindSection(text, name);

  std::string updated;
  if (lines == nullptr) {
    if (!found) return 1;
    updated = text.substr(0, found->header.begin) + text.substr(found->bodyEnd);
  } else {
    // Each "key=value" becomes a line; strings without '=' are dropped.
    std::string block;
    for (const char* p = lines; *p != '\0'; p += std::strlen(p) + 1) {
      const std::string_view line(p);
      const std::size_t eq = line.find('=');
      if (eq == npos) continue;
      block.append(Trim(line.substr(0, eq))).append("=").append(TrimLeft(line.substr(eq + 1))).append("\r\n");
    }
    if (!found) {
      if (block.empty()) return 1;
      updated = text;
      EndLastLine(updated);
      updated.append("[").append(name).append("]\r\n").append(block);
    } else {
      // Every line of the old body goes, but the blank lines that end it.
      const std::size_t keep = EndOfContent(text, *found);
      updated = text.substr(0, found->bodyBegin);
      if (!block.empty()) EndLastLine(updated);
      updated.append(block).append(text, keep);
    }
  }
  if (updated == text) return 1;
  return Store(where, updated, file.utf16) ? 1 : WriteFailed(where);
}

}  // namespace sim
