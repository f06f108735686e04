// Plain ASCII text helpers for every part of the program and its tools:
// the letters a-z and A-Z convert and compare without regard to case, every
// other byte stays as it is. (Script names, which follow the machine's code
// page, compare through core/ascii_text.h.)
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace ascii {

constexpr char ToUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

inline std::string ToUpper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = ToUpper(c);
  return upper;
}

inline bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return ToUpper(x) == ToUpper(y); });
}

inline bool LessNoCase(std::string_view a, std::string_view b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return ToUpper(x) < ToUpper(y); });
}

// The text without the characters of `blanks` at either end.
inline std::string_view Trim(std::string_view text, std::string_view blanks = " \t\r\n") {
  const std::size_t first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

}  // namespace ascii
