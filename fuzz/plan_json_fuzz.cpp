// Fuzzes `winsim plan --json` on hostile scripts: the input is the
// distribution's SETUP.INF; the plan is worked out on a copy of a simulated
// machine and its JSON listing must always parse, whatever bytes the script
// put into names, folders, values and messages.
//
// Input: byte 0 picks the setup type (low 3 bits) and /S or /M (bit 3); the
// rest is the script.
#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "fuzz_machine.h"
#include "plan.h"

using fuzz_support::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  static const std::filesystem::path folder = [] {
    const std::filesystem::path machine = fuzz_support::TheMachine().folder;
    std::filesystem::copy_file(std::filesystem::path(SETUP_LANGUAGE_LIBRARY_DIR) / "_INSTALL.ENU",
                               machine / "drive_d/_INSTALL.ENU", std::filesystem::copy_options::overwrite_existing);
    return machine;
  }();
  {
    std::FILE* out = std::fopen((folder / "drive_d/SETUP.INF").c_str(), "wb");
    if (out == nullptr) std::abort();
    std::fwrite(data + 1, 1, size - 1, out);
    std::fclose(out);
  }
  static const char* const kTypes[] = {"minimal", "typical", "custom", "change", "again", "remove"};
  std::vector<std::string> args = {"plan", folder.string(), "D:\\SETUP.EXE", (data[0] & 8) ? "/S" : "/M", "--json"};
  if ((data[0] & 7) < 6) {
    args.emplace_back("--type");
    args.emplace_back(kTypes[data[0] & 7]);
  }
  std::ostringstream out, err;
  const int status = winsim::Plan(args, out, err);
  Check(status == 0 || status == 1, "the plan is made, or the script could not be prepared");
  Check(nlohmann::json::accept(out.str()), "the listing is JSON");
  return 0;
}
