// What a run changed on a machine: the files of its drives, the registry,
// INI lines, shortcuts and the work left for the next start, as a summary
// a person reads after an installation.
#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <map>
#include <string>

namespace winsim {

struct MachineSnapshot {
  // Windows path ("C:\WINDOWS\VELA.INI") -> content.
  std::map<std::string, std::string> files;
  // Key -> value name ("@" for the default) -> data as REGEDIT4 writes it.
  std::map<std::string, std::map<std::string, std::string>> registry;
};

MachineSnapshot TakeSnapshot(const std::filesystem::path& machineFolder);

// The REGEDIT4 text as keys and values; continuation lines are joined.
std::map<std::string, std::map<std::string, std::string>> ParseRegistryText(const std::string& text);

// Prints the summary: files added, changed and removed; registry values;
// INI lines; shortcuts; next-start operations.
void PrintChanges(const MachineSnapshot& before, const MachineSnapshot& after, std::ostream& out);

}  // namespace winsim
