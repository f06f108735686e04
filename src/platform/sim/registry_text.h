// Keys and values in the text of a REGEDIT4 file, as regedit writes them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/sim_registry.h"

namespace sim {

// Text in double quotes, its backslashes and quotes escaped.
std::string QuoteRegistryText(std::string_view text);
// One value line: "name"=..., @=... for the default value.
std::string FormatRegistryValue(const SimRegistry::Value& v);
// The key at `path`, its values and, after them, its subkeys.
void ExportRegistryKey(const SimRegistry::Key& key, const std::string& path, std::string& out);
// Reads a quoted text at `pos` (just after the opening quote); false if unterminated.
bool ReadQuotedRegistryText(std::string_view line, std::size_t& pos, std::string& out);
// "00,ff,…": false when malformed or longer than `maxSize` bytes.
bool ParseRegistryHexBytes(std::string_view text, std::vector<platform::BYTE>& out, std::size_t maxSize);

}  // namespace sim
