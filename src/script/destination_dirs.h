// Destination folders: directory codes, "DestinationDirs" lines and the
// templates that file lists carry until they run.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class CSetupScript;

constexpr int MSG_UNKNOWN_DIRECTORY_CODE = 1091;

// The folder of a directory code, without a trailing backslash: the thunk
// library's answer when it has one, else 10, 11 and 12 of our own; any
// other code reports 1091 and gives an empty folder.
std::string DirectoryFromCode(const CSetupScript& script, std::int32_t code);

// The template of one "DestinationDirs" line: a complete folder for a code,
// else "%s\" and the folder relative to the destination directory; then
// "\" and the subfolder of field 2 when there is one.
std::string GetDestinationTemplate(const CSetupScript& script, std::string_view line);

// The folder of a template with a destination directory: a leading "%s"
// becomes the destination; everything else is taken as it stands.
std::string ExpandDestination(std::string_view destTemplate, std::string_view destDir);
// The same with the destination the script's context holds now.
std::string ExpandDestination(const CSetupScript& script, std::string_view destTemplate);
