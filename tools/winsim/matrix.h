// `winsim matrix`: installs a distribution unattended on a fresh simulated
// machine for every combination of system, setup type, language and
// hardware, removes it again, and compares what the combinations did.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "install/run_outcome.h"

namespace winsim {

struct Combination {
  std::string os;        // win95, win98, nt4, nt5
  std::string type;      // minimal, typical
  std::string language;  // ENU, DEU, …
  std::string hardware;  // a hardware.ini to put on the machine, or empty
};

struct CombinationOutcome {
  Combination combination;
  bool ran = false;      // the machine could be made and the setup started
  bool success = false;  // the installation ran to its end and reached the finish page
  std::uint32_t flags = 0;
  int lastMessage = 0;
  int files = 0;             // files added or changed
  int registryValues = 0;    // values added or changed
  int shortcuts = 0;         // shortcuts added
  bool restartNeeded = false;
  bool driverInstalled = false;
  std::string driver;        // how: "thunk library", "device installer", "next start", "failed", or empty
  std::string why;           // a run that did not succeed: what stopped it, in words
  std::vector<std::string> messages;  // "1089 "key" "Strings"", each message the installation put up
  // What the installation and the removal came to, as the setup program knows it.
  CRunOutcome installation, removal;
  // What the installation added, with the Windows and system folders written
  // as %windows% and %system%, so that systems compare.
  std::vector<std::string> installedFiles, installedValues, installedShortcuts;
  bool removed = false;  // the maintenance wizard of the installed copy removed the installation
  // What the removal leaves: files and registry values that differ from the
  // machine before the installation, right after it and after the next start.
  std::vector<std::string> leftAfterRemoval, leftAfterRestart;
  std::string error;  // why the combination did not run
};

// One combination, worked in `folder` (made fresh) by this process.
CombinationOutcome RunCombination(const std::filesystem::path& distribution, const std::filesystem::path& folder,
                                  const Combination& combination);

// args: "matrix" DIST [--os LIST] [--types LIST] [--languages LIST]
// [--hardware FILE...] [--jobs N] [--json]
int Matrix(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// args: "matrix-one" DIST FOLDER OS TYPE LANGUAGE [HARDWARE]: one
// combination, its outcome as JSON; what `winsim matrix` runs in parallel.
int MatrixOne(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace winsim
