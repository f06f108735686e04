#include "script/value_expansion.h"

#include <algorithm>
#include <climits>
#include <vector>

#include "core/name_compare.h"
#include "script/destination_dirs.h"
#include "script/script_line.h"
#include "script/setup_script.h"

namespace {

// How much of a key the message shows.
constexpr std::size_t kKeyShownLength = 40;

// Decimal digits as a directory code; numbers beyond the 32-bit range stay at
// its top, which no directory has.
int CodeFromDigits(std::string_view digits) {
  long long value = 0;
  for (char c : digits) {
    value = value * 10 + (c - '0');
    if (value > INT_MAX) return INT_MAX;
  }
  return static_cast<int>(value);
}

// A line after the first pass. Text put in for an '@' code is marked
// literal: the second pass neither takes a quote or '%' in it for syntax
// nor lets a ',' or '=' in it split the line (a source folder may hold any).
struct CodedLine {
  std::string text;
  std::vector<bool> literal;

  void Add(char c, bool isLiteral) {
    text.push_back(c);
    literal.push_back(isLiteral);
  }
  void AddLiteral(std::string_view value) {
    for (char c : value) Add(c, true);
  }
};

// Commas and equals signs that must not separate fields.
void AppendProtected(std::string& out, char c) {
  if (c == ',') {
    out.append(kCommaMarker);
  } else if (c == '=') {
    out.append(kEqualMarker);
  } else {
    out.push_back(c);
  }
}

void AppendProtected(std::string& out, std::string_view text) {
  for (char c : text) AppendProtected(out, c);
}

}  // namespace

std::string CValueExpander::Expand(std::string_view line) {
  const CSetupContext& context = m_script.GetContext();
  const unsigned codePage = m_script.GetCodePage();
  // A line may be long as written; expanding may not make it longer than that.
  const std::size_t limit = std::max(kMaxExpandedLine, line.size());

  // Pass 1: '@' codes outside quoted runs.
  CodedLine coded;
  coded.text.reserve(line.size());
  coded.literal.reserve(line.size());
  for (std::size_t i = 0; i < line.size();) {
    const char c = line[i];
    if (c == '"') {
      std::size_t close = line.find('"', i + 1);
      const std::size_t end = close == std::string_view::npos ? line.size() : close + 1;
      for (; i < end; ++i) coded.Add(line[i], false);
      continue;
    }
    if (IsLeadByte(codePage, static_cast<unsigned char>(c)) && i + 1 < line.size()) {
      // Its trail byte may have the value of '@': it starts no code.
      coded.Add(c, false);
      coded.Add(line[i + 1], false);
      i += 2;
      continue;
    }
    if (c == '@' && i + 1 < line.size()) {
      switch (line[i + 1]) {
        case 'c': coded.AddLiteral(kMakerName); i += 2; continue;
        case 'r': coded.AddLiteral(context.GetLanguageCode()); i += 2; continue;
        case 's': coded.AddLiteral(context.GetInstallFrom()); i += 2; continue;
        case 'p': coded.AddLiteral(kInstallDirMarker); i += 2; continue;
        default: break;
      }
    }
    coded.Add(c, false);
    ++i;
    if (coded.text.size() > limit) return ValueTooLong(line);
  }

  // Pass 2: quotes and '%' references.
  const std::string& text = coded.text;
  std::string result;
  result.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (coded.literal[i]) {
      AppendProtected(result, c);
      ++i;
    } else if (c == '"') {
      std::size_t j = i + 1;
      for (; j < text.size() && !(text[j] == '"' && !coded.literal[j]); ++j) AppendProtected(result, text[j]);
      i = j < text.size() ? j + 1 : j;
    } else if (c == '%') {
      std::size_t close = text.find('%', i + 1);
      const std::size_t end = close == std::string::npos ? text.size() : close;
      const std::string value = ReferenceValue(std::string_view(text).substr(i + 1, end - i - 1));
      // References of references double at each step: a line may not grow
      // past what any use of it can take.
      if (result.size() + value.size() > limit) return ValueTooLong(line);
      result.append(value);
      i = close == std::string::npos ? end : end + 1;
    } else {
      result.push_back(c);
      ++i;
    }
  }
  // Every line counts against the whole script's allowance.
  const std::size_t scriptLimit =
      std::max(kMaxExpandedScript, kExpandedScriptFactor * std::size_t{m_script.GetText().GetLength()});
  if (m_bScriptTooLong || result.size() > scriptLimit - std::min(scriptLimit, m_nExpandedTotal)) {
    const bool first = !m_bScriptTooLong;
    m_bScriptTooLong = true;
    return ValueTooLong(line, first);
  }
  m_nExpandedTotal += result.size();
  return result;
}

std::string CValueExpander::ValueTooLong(std::string_view line, bool report) {
  const bool keyed = line.find('=') != std::string_view::npos;
  const std::string key = keyed ? GetKey(line, {}, m_script.GetCodePage()) : std::string(Trim(line));
  if (report) m_script.GetMessages().ShowError(MSG_VALUE_TOO_LONG, key.substr(0, kKeyShownLength));
  // The key stays with an empty value, so that what refers to it finds it.
  return keyed ? key + "=" : std::string();
}

std::string CValueExpander::ReferenceValue(std::string_view name) {
  if (name.empty()) return {};
  if (IsAllDigits(name)) {
    // A folder is one value, whatever characters its name holds.
    std::string folder;
    AppendProtected(folder, DirectoryFromCode(m_script, CodeFromDigits(name)));
    return folder;
  }
  // Field 1 with its markers, so quoted commas stay inside the value.
  std::string line = m_script.GetLangStrings().FindKey(name);
  if (line.empty()) line = m_script.GetStrings().FindKey(name);
  if (!line.empty()) return GetRawField(line, 1, m_script.GetCodePage());
  m_script.GetMessages().ShowError(MSG_KEY_NOT_FOUND, name, "Strings");
  return {};
}

void CValueExpander::ReadStringSections() {
  m_script.GetLangStrings() = CScriptSection();
  m_script.GetStrings() = CScriptSection();
  m_script.ReadSection(m_script.GetLangStrings(), "Strings." + m_script.GetContext().GetLanguageCode());
  m_script.ReadSection(m_script.GetStrings(), "Strings");
}
