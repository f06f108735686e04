// The winsim commands, callable from tests as well as from main.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace winsim {

// Runs one command line (without the program name). Exit status: 0 done,
// 1 the machine or its files are not usable, 2 the command line is wrong.
int RunCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace winsim
