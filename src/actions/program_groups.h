// Program-group sections of the script: shortcuts in a group of the Start
// menu's programs folder, or in the Startup folder.
#pragma once

#include <string>
#include <string_view>

#include "script/script_section.h"

class CInstallManifest;
class CSetupScript;

constexpr int kGroupInstall = 1;
constexpr int kGroupRemove = 2;

// The group name that stands for the Startup folder (compared with case).
constexpr std::string_view kStartupGroup = "Startup";

// ApplyProgramGroupLine for every line of the section, in order.
void RunProgramGroupSection(const CSetupScript& script, const CScriptSection& section, int mode,
                            CInstallManifest* manifest = nullptr);

// One line: group, shortcut name, target, arguments, working folder, icon
// file, icon index, all-users bit (Windows NT only). Mode 1 creates the
// group folder and the link; any other mode removes the link, an old .pif
// of the same name and, for a group, its folder once it is empty (never the
// Start menu, its programs or startup folder). Nothing is reported; a line
// whose names would leave the programs folder does nothing but tell the
// debug output why. The group folders mode 1 makes are noted in the
// manifest, if any; only such a folder is left for the next start to remove.
void ApplyProgramGroupLine(const CSetupScript& script, std::string_view line, int mode,
                           CInstallManifest* manifest = nullptr);

// Why a group and shortcut name would not make a shortcut below the Start
// menu's programs folder, or empty when they would: a group is "Startup",
// empty (the programs folder itself) or folder names joined by backslashes;
// no name may be "." or "..", hold a drive's colon, begin with a backslash,
// or hold a character a file name cannot hold; the shortcut name is one
// such name, never empty.
std::string WhyProgramGroupNamesAreRefused(std::string_view group, std::string_view item);

// The folder a line's shortcut goes to: the shell folder of the current
// user or of all users, and the group below it; empty when the shell folder
// is not known.
std::string GetProgramGroupFolder(const CSetupScript& script, std::string_view line);
