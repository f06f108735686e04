// INST16.EXE as the simulated machine runs it: the helper's own logic on
// the machine's drives and registry, the BIOS text from hardware.ini.
#pragma once

#include "platform/sim/sim_processes.h"

namespace sim {

// The behaviour of INST16.EXE (and of its copy $INST16.EXE). `processes`
// keeps a removal that waits for the running setup program until it ends.
ProgramRun Inst16Behaviour(const ProgramStart& start, const Machine& machine, SimProcesses& processes);

}  // namespace sim
