// Case-insensitive comparison of script names (sections, keys).
//
// Scripts are ANSI text in the active code page. ASCII letters compare
// without regard to case; in a double-byte code page a lead byte and the
// byte after it form one character that compares exactly, so a trail byte
// that happens to be an ASCII letter is never folded.
#pragma once

#include <string>
#include <string_view>

// The code page of a machine whose ANSI code page is not known.
constexpr unsigned kDefaultCodePage = 1252;

// True when c starts a double-byte character in the given code page.
bool IsLeadByte(unsigned codePage, unsigned char c);

// True when both texts are equal without regard to case.
bool EqualNoCase(std::string_view a, std::string_view b, unsigned codePage);

// A key for hashing: two texts compare equal with EqualNoCase exactly when
// their folded forms are byte-for-byte equal.
std::string FoldCase(std::string_view text, unsigned codePage);
