// Registry sections of the script: each line writes one value, or deletes
// one value or a whole key tree.
#pragma once

#include <string_view>

#include "platform/platform.h"
#include "platform/registry.h"
#include "script/script_section.h"

class CSetupScript;

constexpr int MSG_BAD_REGISTRY_LINE = 1096;

// Modes of a registry line.
constexpr int kRegistryWrite = 1;
constexpr int kRegistryDelete = 2;

// The longest REG_BINARY value a line can give.
constexpr int kMaxRegistryBinary = 1000;

// Whether a line's root field names a root key (HKCR, HKCU, HKLM, HKU, upper
// case only); any other root reports 1096.
bool IsRegistryRoot(std::string_view root);
// Whether the flags field chooses a value type of its own (0, 1, 4, 8, 16
// once its bit of value 2 is cleared); any other value is written as a string.
bool IsKnownRegistryFlags(int flags);

// ApplyRegistryLine for every line of the section, in order.
void RunRegistrySection(const CSetupScript& script, const CScriptSection& section, int mode);

// One line: root, subkey, value name, flags, data… A root other than HKCR,
// HKCU, HKLM or HKU (upper case only) or an empty subkey reports 1096 with
// the line; registry failures are silent.
void ApplyRegistryLine(const CSetupScript& script, std::string_view line, int mode);

// Deletes the key with all its subkeys and values; true when the key itself
// went. An empty path (the root itself) is refused.
bool DeleteKeyTree(const platform::Platform& platform, platform::HKEY root, std::string_view subKey);
