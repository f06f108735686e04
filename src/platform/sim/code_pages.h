// The ANSI code pages the simulated machine converts: 1250, 1251, 1252 and
// 65001 (UTF-8). Fixed tables only, nothing that changes while a program runs.
#pragma once

#include <string>
#include <string_view>

namespace sim {

// WideCharToMultiByte without best fit: code pages 1250, 1251, 1252 and
// 65001 (UTF-8); any other code page keeps ASCII only. Characters the code
// page lacks (and unpaired surrogates) become '?'.
std::string Utf16ToAnsi(std::u16string_view text, unsigned codePage);

// The character a byte stands for in a single-byte code page: ASCII below
// 0x80, from the code page's table above it; 0 when the code page gives the
// byte none (every byte above 0x7F of a code page without a table).
char16_t AnsiByteToUtf16(unsigned char byte, unsigned codePage);

}  // namespace sim
