// `winsim plan`: what an installation of a distribution would do on a
// machine, worked out on a copy of the machine.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace winsim {

// args: "plan" DIR PROGRAM [OPTIONS...] [--type TYPE] [--json]
int Plan(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace winsim
