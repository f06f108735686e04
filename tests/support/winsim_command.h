// Runs one winsim command in the test's process and keeps what it printed,
// and for `run` what the setup program's start came to.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "install/run_outcome.h"
#include "winsim_commands.h"

namespace testing_support {

struct WinsimResult {
  int status;
  std::string out, err;
  CRunOutcome outcome;
};

inline WinsimResult Winsim(std::vector<std::string> args) {
  std::ostringstream out, err;
  CRunOutcome outcome;
  const int status = winsim::RunCommand(args, out, err, {}, &outcome);
  return {status, out.str(), err.str(), std::move(outcome)};
}

}  // namespace testing_support
