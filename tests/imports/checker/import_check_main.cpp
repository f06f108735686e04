// import_check LISTS_FOLDER SYSTEM BINARY...: fails when a binary imports a
// function, or depends on a library, that the lists of SYSTEM lack.
#include <cstdio>
#include <fstream>
#include <iterator>

#include "allowlists.h"

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: import_check LISTS_FOLDER SYSTEM BINARY...\n");
    return 2;
  }
  const std::string system = argv[2];
  std::string error;
  const std::optional<imports::Allowlists> lists = imports::ReadAllowlists(argv[1], error);
  if (!lists) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 2;
  }
  int failures = 0;
  for (int i = 3; i < argc; ++i) {
    const std::string binary = argv[i];
    std::ifstream file(binary, std::ios::binary);
    const std::vector<std::uint8_t> image((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (!file.good() && !file.eof()) {
      std::printf("%s: cannot be read\n", binary.c_str());
      ++failures;
      continue;
    }
    const auto table = imports::ReadImportTable(image, error);
    if (!table) {
      std::printf("%s: %s\n", binary.c_str(), error.c_str());
      ++failures;
      continue;
    }
    const imports::CheckResult result = imports::CheckImports(binary, *table, *lists, system);
    for (const std::string& failure : result.failures) std::printf("%s\n", failure.c_str());
    std::size_t count = 0;
    for (const auto& library : *table) count += library.functions.size();
    std::printf("%s: %zu imports from %zu libraries, %zu not on the %s lists", binary.c_str(), count, table->size(),
                result.failures.size(), system.c_str());
    if (!result.stubs.empty()) {
      std::printf("; only stubs on %s:", system.c_str());
      for (const std::string& stub : result.stubs) std::printf(" %s", stub.c_str());
    }
    std::printf("\n");
    failures += static_cast<int>(result.failures.size());
  }
  return failures == 0 ? 0 : 1;
}
