// Offsets and values in the messages of the resource readers, in hex as a
// file dump shows them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace sim {

inline std::string Hex(std::uint64_t value) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "0x%llX", static_cast<unsigned long long>(value));
  return buffer;
}

}  // namespace sim
