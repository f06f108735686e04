// What a system exports, library by library, and the check of an import
// table against it. A list is a text file named after its library
// ("KERNEL32.txt"): one function a line, "stub" after the name when the
// system exports it only as a stub that fails, "#" starting a comment.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "import_table.h"

namespace imports {

using Allowlist = std::map<std::string, bool, std::less<>>;           // function -> only a stub
using Allowlists = std::map<std::string, Allowlist, std::less<>>;     // "KERNEL32" -> its list

std::optional<Allowlist> ParseAllowlist(std::string_view text, std::string& error);
// Every "*.txt" of the folder.
std::optional<Allowlists> ReadAllowlists(const std::filesystem::path& folder, std::string& error);

struct CheckResult {
  std::vector<std::string> failures;  // one line each, naming the binary, the library and the function
  std::vector<std::string> stubs;     // "KERNEL32.dll!MoveFileExA": allowed, but it fails on the system
};

CheckResult CheckImports(std::string_view binary, const std::vector<ImportedLibrary>& libraries,
                         const Allowlists& lists, std::string_view system);

}  // namespace imports
