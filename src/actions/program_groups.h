// Program-group sections of the script: shortcuts in a group of the Start
// menu's programs folder, or in the Startup folder.
#pragma once

#include <string>
#include <string_view>

#include "script/script_section.h"

class CSetupScript;

constexpr int kGroupInstall = 1;
constexpr int kGroupRemove = 2;

// The group name that stands for the Startup folder (compared with case).
constexpr std::string_view kStartupGroup = "Startup";

// ApplyProgramGroupLine for every line of the section, in order.
void RunProgramGroupSection(const CSetupScript& script, const CScriptSection& section, int mode);

// One line: group, shortcut name, target, arguments, working folder, icon
// file, icon index, all-users bit (Windows NT only). Mode 1 creates the
// group folder and the link; any other mode removes the link, an old .pif
// of the same name and, for a group, its folder once it is empty. Nothing
// is reported.
void ApplyProgramGroupLine(const CSetupScript& script, std::string_view line, int mode);

// The folder a line's shortcut goes to: the shell folder of the current
// user or of all users, and the group below it; empty when the shell folder
// is not known.
std::string GetProgramGroupFolder(const CSetupScript& script, std::string_view line);
