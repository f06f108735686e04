// Program files that carry their own behaviour: a file whose first line is
// "; winsim program" tells the machine what the program does when started.
//
//   ; winsim program
//   runs=1500                         milliseconds until it ends (default 0)
//   exit=3                            its exit code (default 0)
//   window=InstallSHIELD,4000,Title   a top-level window of that class, open
//                                     for that long from the start (title optional)
//   registry=HKEY_LOCAL_MACHINE\Software\Tool|Name|text   writes a string value
//   delete-key=HKEY_LOCAL_MACHINE\Software\Tool           removes a key and its subtree
//
// Lines starting with ';' are comments. A line the machine does not
// understand is recorded in events.log and passed over.
#pragma once

#include <string_view>

#include "platform/sim/machine.h"
#include "platform/sim/sim_processes.h"

namespace sim {

constexpr std::string_view kScriptedProgramMarker = "; winsim program";

// The behaviour of a program without a built-in one: the scripted effect of
// its file when it has one (registry changes are made at once), otherwise
// a program that ends at once with exit code 0.
ProgramRun ScriptedProgramBehaviour(const ProgramStart& start, const Machine& machine);

}  // namespace sim
