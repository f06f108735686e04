// The example machine descriptions of examples/machines, put onto a machine
// folder made by `winsim new`.
#pragma once

#include <filesystem>
#include <string>

#include "support/temp_machine.h"

namespace testing_support {

// "win98-adapter", "win98-adapter-not-set-up", "win98-two-monitors", "nt4-adapter".
inline void UseExampleHardware(const std::filesystem::path& machine, const std::string& example) {
  WriteHostFile(machine / "hardware.ini",
                ReadHostFile(std::filesystem::path(SETUP_EXAMPLE_MACHINES_DIR) / (example + ".hardware.ini")));
}

}  // namespace testing_support
