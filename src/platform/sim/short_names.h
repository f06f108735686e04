// 8.3 names of the simulated machine's files, made the way Windows makes
// them: a name that is already a valid 8.3 name is its own short name; any
// other gets the first six usable characters, "~N" and the first three of
// its extension, N the lowest number no other name of the folder has taken
// (names of a folder are numbered in sorted order).
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace sim {

class Machine;

// A name that fits 8.3 as it stands: at most eight characters, at most one
// dot followed by at most three, no blanks and nothing 8.3 forbids.
bool IsShortName(std::string_view name);

// The short name of entry `name` of the host folder `folder`.
std::string ShortNameOf(const std::filesystem::path& folder, const std::string& name);

// The entry of `folder` whose short name is `shortName` (without regard to
// case), if any.
std::optional<std::filesystem::path> FindByShortName(const std::filesystem::path& folder, std::string_view shortName);

// The 8.3 form of the Windows path of an existing host path of the
// machine's drives, each folder from the drive down in its short form;
// empty when the host path lies on no drive.
std::string ShortWindowsPath(const Machine& machine, const std::filesystem::path& host);

}  // namespace sim
