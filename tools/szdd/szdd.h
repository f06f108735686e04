// The compressed-file format of the Windows COMPRESS tool ("SZDD"): an LZSS
// stream behind a 14-byte header that names the original size and the last
// character of the name the underscore replaced (FILE.DL_ holds 'L').
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace szdd {

inline constexpr std::size_t kHeaderSize = 14;
// Larger originals are refused: no distribution file comes near this, and a
// hostile header must not make the expander allocate without bound.
inline constexpr std::uint32_t kMaxExpandedSize = 256u << 20;

// True when the data begins with the SZDD signature.
bool IsCompressed(std::span<const std::uint8_t> data);

struct Expanded {
  std::vector<std::uint8_t> data;
  char missingChar = 0;  // the character the name lost, 0 when not recorded
};

// The original bytes; nullopt with a message in `error` for data that is not
// SZDD, uses another method, is truncated or claims an impossible size.
std::optional<Expanded> Expand(std::span<const std::uint8_t> compressed, std::string& error);

// Compresses `data`, recording `missingChar` (0 for none) in the header.
std::vector<std::uint8_t> Compress(std::span<const std::uint8_t> data, char missingChar);

// The name a compressed copy gets, and the character it loses: a
// three-letter extension loses its last letter to '_' ("FILE.DLL" ->
// "FILE.DL_", 'L'); a shorter one gains '_' ("A.B" -> "A.B_"), a name
// without extension "._" ("README" -> "README._"), losing nothing (0).
std::string CompressedName(const std::string& name, char* missingChar = nullptr);

}  // namespace szdd
