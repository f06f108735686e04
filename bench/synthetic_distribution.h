// Synthetic distributions for the benchmarks: a setup script with many
// components, each copying its own files and writing its own registry
// values, the files themselves and the English language library, laid out
// as a CD.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace bench {

struct DistributionShape {
  int components = 50;
  int filesPerComponent = 10;
  std::uint64_t fileSize = 1;  // bytes of every payload file
  int registryValuesPerComponent = 4;
};

// Writes the distribution into `folder` (created; must not exist yet) with
// `languageLibrary` as its _INSTALL.ENU. Returns the script's length in
// bytes; throws std::runtime_error when a file cannot be written.
std::uint64_t WriteDistribution(const std::filesystem::path& folder, const DistributionShape& shape,
                                const std::filesystem::path& languageLibrary);

// Parses "components=500,files=10,size=1,registry=4" (any subset, any order).
DistributionShape ParseShape(const std::string& text);

}  // namespace bench
