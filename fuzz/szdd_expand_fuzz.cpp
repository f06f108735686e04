// The SZDD expander on arbitrary bytes: never a read or write out of bounds,
// and whatever it accepts has the size its header claims.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "szdd.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string error;
  auto expanded = szdd::Expand(std::span<const std::uint8_t>(data, size), error);
  if (expanded) {
    const std::uint32_t claimed = static_cast<std::uint32_t>(data[10]) | (static_cast<std::uint32_t>(data[11]) << 8) |
                                  (static_cast<std::uint32_t>(data[12]) << 16) |
                                  (static_cast<std::uint32_t>(data[13]) << 24);
    if (expanded->data.size() != claimed) std::abort();
    // What it expands compresses and expands back to the same bytes.
    auto again = szdd::Expand(szdd::Compress(expanded->data, expanded->missingChar), error);
    if (!again || again->data != expanded->data) std::abort();
  } else if (error.empty()) {
    std::abort();
  }
  return 0;
}
