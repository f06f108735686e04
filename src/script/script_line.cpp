#include "script/script_line.h"

#include <climits>
#include <cstdint>

#include "core/name_compare.h"

namespace {

// Position of the first '=' or ',' at or after `from`, stepping over the
// byte after every '@' and the trail byte of every double-byte character
// (which may have the value of '@'); npos when there is none.
std::size_t FindSeparator(std::string_view line, std::size_t from, unsigned codePage) {
  std::size_t i = from;
  while (i < line.size()) {
    const char c = line[i];
    if (c == '@' || IsLeadByte(codePage, static_cast<unsigned char>(c))) {
      i += 2;
      continue;
    }
    if (c == '=' || c == ',') return i;
    ++i;
  }
  return std::string_view::npos;
}

std::string_view RawFieldView(std::string_view line, int index, unsigned codePage) {
  if (index < 0) return {};
  std::size_t start = 0;
  for (int i = 0; i < index; ++i) {
    const std::size_t sep = FindSeparator(line, start, codePage);
    if (sep == std::string_view::npos) return {};
    start = sep + 1;
  }
  const std::size_t end = FindSeparator(line, start, codePage);
  const std::string_view field =
      line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
  return Trim(field);
}

}  // namespace

bool IsAllDigits(std::string_view text) {
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

bool IsScriptSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view TrimLeft(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsScriptSpace(text[i])) ++i;
  return text.substr(i);
}

std::string_view TrimRight(std::string_view text) {
  std::size_t n = text.size();
  while (n > 0 && IsScriptSpace(text[n - 1])) --n;
  return text.substr(0, n);
}

std::string_view Trim(std::string_view text) { return TrimRight(TrimLeft(text)); }

std::string_view CutComment(std::string_view line) {
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"') {
      quoted = !quoted;
    } else if (line[i] == ';' && !quoted) {
      return line.substr(0, i);
    }
  }
  return line;
}

std::string GetRawField(std::string_view line, int index, unsigned codePage) {
  return std::string(RawFieldView(line, index, codePage));
}

std::string GetField(std::string_view line, int index, std::string_view installDir, unsigned codePage) {
  return RestoreMarkers(RawFieldView(line, index, codePage), installDir);
}

int GetFieldInt(std::string_view line, int index) {
  const std::string field = GetField(line, index);
  std::size_t i = 0;
  bool negative = false;
  if (i < field.size() && (field[i] == '+' || field[i] == '-')) {
    negative = field[i] == '-';
    ++i;
  }
  // Magnitude up to one past INT_MAX, enough for INT_MIN; further digits saturate.
  const std::int64_t limit = static_cast<std::int64_t>(INT_MAX) + 1;
  std::int64_t value = 0;
  for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
    value = value * 10 + (field[i] - '0');
    if (value > limit) value = limit;
  }
  if (negative) return static_cast<int>(-value);  // -limit is INT_MIN
  return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

std::string GetKey(std::string_view line, std::string_view installDir, unsigned codePage) {
  const std::size_t eq = line.find('=');
  const std::string_view key = Trim(line.substr(0, eq));
  // A key ending in '@' has none; the trail byte of a last double-byte
  // character is no '@'.
  bool endsWithAt = false;
  for (std::size_t i = 0; i < key.size(); ++i) {
    endsWithAt = key[i] == '@';
    if (IsLeadByte(codePage, static_cast<unsigned char>(key[i]))) ++i;
  }
  if (endsWithAt) return {};
  return RestoreMarkers(key, installDir);
}

std::string RestoreMarkers(std::string_view text, std::string_view installDir) {
  // One pass from the left, each marker taken where it starts: markers side
  // by side (a quoted "=Komma,") cannot borrow each other's "@@", and what a
  // marker puts in is never scanned again.
  std::string result;
  result.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::string_view rest = text.substr(i);
    if (rest.starts_with(kInstallDirMarker)) {
      result.append(installDir);
      i += kInstallDirMarker.size();
    } else if (rest.starts_with(kCommaMarker)) {
      result.push_back(',');
      i += kCommaMarker.size();
    } else if (rest.starts_with(kEqualMarker)) {
      result.push_back('=');
      i += kEqualMarker.size();
    } else {
      result.push_back(text[i]);
      ++i;
    }
  }
  return std::string(Trim(result));
}
