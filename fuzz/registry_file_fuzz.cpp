// Fuzzes the reader of the simulated machine's registry file (REGEDIT4):
// what it accepts is exported, read again and must export the same, so a
// registry written by the machine always loads back unchanged.
//
// Input: byte 0 bit 0 picks Windows NT rules; the rest is the file.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/sim/sim_registry.h"

namespace {

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

void Write(const std::filesystem::path& file, const char* data, std::size_t size) {
  std::FILE* out = std::fopen(file.c_str(), "wb");
  if (out == nullptr) std::abort();
  std::fwrite(data, 1, size, out);
  std::fclose(out);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  static const std::filesystem::path file =
      std::filesystem::temp_directory_path() / ("registry-fuzz-" + std::to_string(getpid()) + ".reg");
  const bool nt = (data[0] & 1) != 0;
  Write(file, reinterpret_cast<const char*>(data + 1), size - 1);
  std::string error;
  auto registry = sim::SimRegistry::Load(file, nt, error);
  if (!registry) {
    Check(!error.empty(), "a refused file is named with its reason");
    return 0;
  }
  const std::string exported = registry->Export();
  Write(file, exported.data(), exported.size());
  auto again = sim::SimRegistry::Load(file, nt, error);
  Check(again != nullptr, "an exported registry loads");
  Check(again->Export() == exported, "an exported registry loads unchanged");
  return 0;
}
