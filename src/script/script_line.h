// One processed script line: fields, keys, numbers and the markers that
// carry protected characters and the destination folder through splitting.
#pragma once

#include <string>
#include <string_view>

#include "core/name_compare.h"

// Blank, tab, CR, LF, vertical tab, form feed.
bool IsScriptSpace(char c);

std::string_view TrimLeft(std::string_view text);
std::string_view TrimRight(std::string_view text);
std::string_view Trim(std::string_view text);

// The line up to its first ';' outside double quotes (each '"' toggles).
std::string_view CutComment(std::string_view line);

// Fields are separated by '=' and ','; the byte after an '@' is never a
// separator. In a double-byte code page a lead byte and its trail byte are
// one character. Missing fields (and negative indexes) give an empty string.
std::string GetField(std::string_view line, int index, std::string_view installDir = {},
                     unsigned codePage = kDefaultCodePage);
std::string GetRawField(std::string_view line, int index, unsigned codePage = kDefaultCodePage);

// Markers a stored line carries until a field or key is taken from it.
constexpr std::string_view kInstallDirMarker = "@@InstallDir@@";
constexpr std::string_view kCommaMarker = "@@Komma@@";
constexpr std::string_view kEqualMarker = "@@Equal@@";

// GetField read as a signed decimal: optional sign, then digits up to the
// first other byte; no leading digits reads as 0. Saturates at INT_MIN/INT_MAX.
int GetFieldInt(std::string_view line, int index);

// The text before the first '=' (the whole line without one), trimmed; empty
// when that text ends with '@'. Markers are restored.
std::string GetKey(std::string_view line, std::string_view installDir = {}, unsigned codePage = kDefaultCodePage);

// Replaces "@@InstallDir@@" by `installDir` (the destination folder at the
// moment the field is taken), "@@Komma@@" by ',' and "@@Equal@@" by '=',
// then trims. One left-to-right pass: replaced text is never scanned again,
// so a folder that itself holds a marker cannot loop.
std::string RestoreMarkers(std::string_view text, std::string_view installDir = {});

// True when the text is made only of decimal digits (a directory code).
bool IsAllDigits(std::string_view text);
