// Destination folders: directory codes, "DestinationDirs" lines and the
// templates that file lists carry until they run.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

constexpr int MSG_UNKNOWN_DIRECTORY_CODE = 1091;

// The folder of a directory code, without a trailing backslash: the thunk
// library's answer when it has one, else 10, 11 and 12 of our own; any
// other code reports 1091 and gives an empty folder.
std::string DirectoryFromCode(std::int32_t code);

// The template of one "DestinationDirs" line: a complete folder for a code,
// else "%s\" and the folder relative to the destination directory; then
// "\" and the subfolder of field 2 when there is one.
std::string GetDestinationTemplate(std::string_view line);

// The template of a file list: its own "DestinationDirs" line, else the
// "DefaultDestDir" line; with neither, reports 1089 and gives nothing.
std::optional<std::string> ResolveDestination(std::string_view listName);

// The folder of a template at this moment: a leading "%s" becomes the
// destination directory; everything else is taken as it stands.
std::string ExpandDestination(std::string_view destTemplate);

// The same with a given destination directory.
std::string ExpandDestination(std::string_view destTemplate, std::string_view destDir);
