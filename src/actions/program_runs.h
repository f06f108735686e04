// Program sections of the script ("Execute", "ExecuteUninstall"): programs
// the component installed, programs from the installation disks, and the
// uninstallers other products registered with Windows.
#pragma once

#include <string_view>

#include "platform/win_types.h"
#include "files/file_dialogs.h"
#include "script/script_section.h"

class CSetupScript;

constexpr int MSG_PROGRAM_NOT_STARTED = 1082;

constexpr int kProgramInstall = 1;
constexpr int kProgramRemove = 2;

// Result of a line whose disk prompt was cancelled.
constexpr int kProgramCancelled = 1;

// Where uninstallers are registered, below HKEY_LOCAL_MACHINE.
constexpr std::string_view kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// Expands the section's destination template, then runs its lines in order;
// the first non-zero line result ends the section and is returned.
int RunProgramSection(const CSetupScript& script, IFileDialogs& dialogs, const CScriptSection& section,
                      platform::HWND caller, int mode);

// One line: installed program, disk program or registered uninstaller,
// arguments, and whether the caller's window stays shown. Waits for the
// program (and for an InstallShield engine it hands over to), ending the
// wait early when the Windows session is ending. 0 go on, 1 the disk prompt
// was cancelled, 1082 the program could not be started (install mode).
int RunProgramLine(const CSetupScript& script, IFileDialogs& dialogs, std::string_view line, std::string_view destFolder,
                   platform::HWND caller, int mode);
