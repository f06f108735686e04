// Runs one winsim command in the test's process and keeps what it printed.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "winsim_commands.h"

namespace testing_support {

struct WinsimResult {
  int status;
  std::string out, err;
};

inline WinsimResult Winsim(std::vector<std::string> args) {
  std::ostringstream out, err;
  const int status = winsim::RunCommand(args, out, err);
  return {status, out.str(), err.str()};
}

}  // namespace testing_support
