#include "core/name_compare.h"

namespace {

unsigned char FoldAscii(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

}  // namespace

bool IsLeadByte(unsigned codePage, unsigned char c) {
  switch (codePage) {
    case 932:  // Japanese
      return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    case 936:  // Simplified Chinese
    case 949:  // Korean
    case 950:  // Traditional Chinese
      return c >= 0x81 && c <= 0xFE;
    default:
      return false;
  }
}

bool EqualNoCase(std::string_view a, std::string_view b, unsigned codePage) {
  if (a.size() != b.size()) return false;
  const std::size_t n = a.size();
  std::size_t i = 0;
  while (i < n) {
    const auto ca = static_cast<unsigned char>(a[i]);
    const auto cb = static_cast<unsigned char>(b[i]);
    if (IsLeadByte(codePage, ca) && i + 1 < n) {
      // Equal lead bytes make b's character double-byte as well.
      if (ca != cb || a[i + 1] != b[i + 1]) return false;
      i += 2;
    } else {
      if (FoldAscii(ca) != FoldAscii(cb)) return false;
      ++i;
    }
  }
  return true;
}

std::string FoldCase(std::string_view text, unsigned codePage) {
  std::string folded(text);
  const std::size_t n = folded.size();
  std::size_t i = 0;
  while (i < n) {
    const auto c = static_cast<unsigned char>(folded[i]);
    if (IsLeadByte(codePage, c) && i + 1 < n) {
      i += 2;
    } else {
      folded[i] = static_cast<char>(FoldAscii(c));
      ++i;
    }
  }
  return folded;
}
