// Merging an included script into the main one: its sections join, its
// disks are renumbered into the main list.
#pragma once

#include <string_view>

#include "script/script_text.h"

// The section that names the scripts to include; never kept in the merged script.
constexpr std::string_view kIncludeInf = "IncludeInf";

// Loads the script named by one "IncludeInf" line: the line as given below
// `folder`, else its file name directly in `folder`. `name` becomes the
// path that loaded, relative to the folder; false when neither loads.
bool LoadIncludedScript(platform::IFileSystem& files, CScriptText& included, std::string_view folder, std::string_view line, std::string& name);

// Merges the script named by one "IncludeInf" line (relative to `folder`,
// the setup program's folder) into `main`. Nothing is reported when it
// cannot be loaded.
void MergeScript(platform::IFileSystem& files, CScriptText& main, std::string_view folder, std::string_view line);
