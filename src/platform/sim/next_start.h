// The next start of a simulated machine, as Windows makes it: the file work
// left for it (WININIT.INI's [Rename] lines on Windows 95/98, the pending
// file renames on Windows NT), then the RunOnce commands, each once.
#pragma once

#include <string>
#include <vector>

#include "platform/sim/machine.h"
#include "platform/sim/sim_platform.h"

namespace sim {

// Carries out the next start on the machine of `platform` (installed). Each
// step done, and each that could not be done, is one line of the result
// and of events.log.
std::vector<std::string> RunNextStart(SimPlatform& platform);

}  // namespace sim
