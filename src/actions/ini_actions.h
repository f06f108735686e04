// INI-update sections of the script: each line sets or removes one entry of
// a profile file.
#pragma once

#include <string_view>

#include "script/script_section.h"

class CSetupScript;

constexpr int kIniWrite = 1;
constexpr int kIniRemove = 2;

// ApplyIniLine for every line of the section, in order.
void RunIniSection(const CSetupScript& script, const CScriptSection& section, int mode);

// One line: file, section, (unused), "key=value". Mode 2 removes the key;
// any other mode writes it. The key is the entry's text before its first
// '=' or ',', the value the text after it up to the next one. Results are
// not checked.
void ApplyIniLine(const CSetupScript& script, std::string_view line, int mode);
