// The outcome of one start of the setup program as winsim shows it: the
// words of `winsim run`'s last lines, its exit status, and the JSON that
// `winsim matrix` and tools read.
#pragma once

#include <iosfwd>
#include <string>

#include <nlohmann/json.hpp>

#include "install/run_outcome.h"

namespace winsim {

// Exit status of `winsim run`; 1 and 2 are the command's own (machine or
// files not usable, command line wrong).
enum RunStatus : int {
  kRunSucceeded = 0,       // installed, removed, changed or installed again
  kRunFailed = 3,          // the installation or removal run failed (flag 0x100000)
  kRunCancelled = 4,       // the wizard ended before the run: Cancel, or a page it could not show
  kRunNotPrepared = 5,     // stopped before the wizard or while preparing the script, with a message
  kRunProgramFailed = 6,   // a program the script runs could not be started (message 1082)
};

RunStatus StatusOf(const CRunOutcome& outcome);

// "213 type": a page's dialog template and its name in answers files.
std::string PageLabel(unsigned templateId);
// "the device installer (SETUPAPI.DLL)", …
std::string DriverRoadText(CDriverStep::Road road);
// One line in words: "installed", "cancelled on page 213 type", "failed with
// message 1092: …".
std::string DescribeOutcome(const CRunOutcome& outcome);
// What the run did, a line each, then the line in words.
void PrintOutcome(const CRunOutcome& outcome, std::ostream& out);

nlohmann::ordered_json OutcomeJson(const CRunOutcome& outcome);
// Read back from OutcomeJson's form; what is missing or of another type stays empty.
CRunOutcome OutcomeFromJson(const nlohmann::ordered_json& json);

// A message text on one line: its line breaks become blanks.
std::string OneLine(std::string text);

}  // namespace winsim
