// The import table of a PE image (32- or 64-bit): which functions it takes
// from which library. The file is untrusted: anything malformed gives a
// message naming what is wrong, never a read outside the image.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace imports {

struct ImportedLibrary {
  std::string name;                    // as the image spells it, e.g. "KERNEL32.dll"
  std::vector<std::string> functions;  // by name, or "#<ordinal>"
};

std::optional<std::vector<ImportedLibrary>> ReadImportTable(std::span<const std::uint8_t> image, std::string& error);

}  // namespace imports
