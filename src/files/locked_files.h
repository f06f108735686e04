// File operations other than copying: deletions, renames, files replaced or
// deleted while in use, and the work left for the next start of Windows
// (NT's pending renames, WININIT.INI's [Rename] section on Windows 95/98).
#pragma once

#include <string>

#include "script/file_record.h"
#include "platform/platform.h"
#include "platform/win_types.h"

// The [Rename] section is read and written through a buffer of this size.
constexpr std::size_t kWininitBufferSize = 32768;

class CInstallManifest;

// Removes the folder when empty; one this run emptied but cannot remove yet
// goes at the next start. Given the installation's manifest, only a folder
// it lists goes at all, and only such a folder is ever left for the next
// start. System and shell folders and drive roots are left alone.
void RemoveRecordFolder(const platform::Platform& platform, const CFileRecord& record, bool emptiedByThisRun,
                        const CInstallManifest* manifest);
// The Windows and system folders, a shell folder (the Start menu and its
// programs and startup folders, the desktop, Program Files, Common Files …)
// or a drive's root: never removed, even when a run leaves it empty.
bool IsSystemFolder(const platform::Platform& platform, const std::string& folder);
// The 8.3 form of a path (GetShortPathNameA); the path itself when it has none.
std::string ShortPath(const platform::Platform& platform, const std::string& path);
// Clears the read-only attribute of a file, keeping its other attributes.
void ClearReadOnly(const platform::Platform& platform, const std::string& path);

// Records destName under HKLM\System\CurrentControlSet\control\InstalledFiles.
void MarkInstalledFile(const platform::Platform& platform, const CFileRecord& record);

// Appends "dest=temp" or "NUL=dest" (short paths) to WININIT.INI [Rename].
// False, with nothing written, when the section would outgrow its buffer.
bool AddWininitRename(const platform::Platform& platform, const CFileRecord& record, const std::string& tempPath);
bool AddWininitDelete(const platform::Platform& platform, const CFileRecord& record);
