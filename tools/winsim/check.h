// `winsim check`: reads a distribution the way the setup program does and
// names each problem with its file, section and line.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "platform/sim/machine.h"

namespace winsim {

struct Finding {
  std::string file;     // relative to the distribution folder, '/' between folders
  std::string section;  // empty for a whole file
  int line = 0;         // 1-based; 0 when the file itself is missing
  std::string severity;  // "error", "warning", or "note" (what a described machine recognises)
  std::string code;      // stable, such as "file-missing"
  std::string message;
};

struct CheckReport {
  std::vector<std::string> systems;    // the systems the distribution was read for
  std::vector<std::string> languages;  // the languages it offers
  std::vector<Finding> findings;       // in file and line order
  int Errors() const;
  int Notes() const;
};

// Reads `distribution` on a fresh simulated machine of each system; with
// hardware descriptions, also says which models line each such machine
// recognises. False with `error` when no machine could be made.
bool CheckDistribution(const std::filesystem::path& distribution, const std::vector<sim::OsKind>& systems,
                       CheckReport& report, std::string& error,
                       const std::vector<std::filesystem::path>& hardware = {});

// args: "check" DIST [--os LIST] [--hardware FILE...] [--json]. Exit status 1
// when an error was found.
int Check(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// "win95,nt4" or "all" -> systems; false for an unknown name.
bool ParseSystems(const std::string& text, std::vector<sim::OsKind>& systems);

}  // namespace winsim
