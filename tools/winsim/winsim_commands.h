// The winsim commands, callable from tests as well as from main.
#pragma once

#include <iosfwd>
#include <istream>
#include <string>
#include <vector>

struct CRunOutcome;

namespace winsim {

// Where a person answers message boxes; not interactive: default buttons.
struct Terminal {
  std::istream* in = nullptr;
  bool interactive = false;
};

// Runs one command line (without the program name). Exit status: 0 done,
// 1 the machine or its files are not usable, 2 the command line is wrong;
// `run` answers its own (outcome.h) and, when `outcome` is given, leaves
// there what the setup program's start came to.
int RunCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               const Terminal& terminal = {}, CRunOutcome* outcome = nullptr);

}  // namespace winsim
