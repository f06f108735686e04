// File operations other than copying: deletions, renames, files replaced or
// deleted while in use, and the work left for the next start of Windows
// (NT's pending renames, WININIT.INI's [Rename] section on Windows 95/98).
#pragma once

#include <string>

#include "files/file_progress.h"
#include "files/file_record.h"
#include "platform/win_types.h"

// The [Rename] section is read and written through a buffer of this size.
constexpr std::size_t kWininitBufferSize = 32768;

// Deletes the files of every component for the phase (1: DelFiles of the
// components to be installed; 0: Uninstall of those to be removed). Always 0.
int RunDeletes(IFileProgress& progress, int phase);
// Gives the files of the RenFiles sections their new names. Always 0.
int RunRenames(IFileProgress& progress);

// 0 when the file is gone or was never there (or lies on a drive that is
// not ready), the deferral's result for a file in use, else the error code.
platform::DWORD DeleteFileRecord(const CFileRecord& record);
// Removes destDir when it is empty; asks Windows NT to remove it at its next start.
void RemoveRecordFolder(const CFileRecord& record);
// The 8.3 form of a path (GetShortPathNameA); the path itself when it has none.
std::string ShortPath(const std::string& path);
// Clears the read-only attribute of a file, keeping its other attributes.
void ClearReadOnly(const std::string& path);

// Deletes the file at the next start. 0 or the error of the request.
platform::DWORD DeferDelete(const CFileRecord& record);
// Installs a file that is in use so that the new one takes its place at the
// next start: 0 or a CopyFile result.
platform::DWORD ReplaceInUse(const CFileRecord& record, platform::DWORD flags);
// 0 on success or when there is nothing to rename, -1 on failure.
int RenameFileRecord(const CFileRecord& record);
// Records destName under HKLM\System\CurrentControlSet\control\InstalledFiles.
void MarkInstalledFile(const CFileRecord& record);

// Appends "dest=temp" or "NUL=dest" (short paths) to WININIT.INI [Rename].
// False, with nothing written, when the section would outgrow its buffer.
bool AddWininitRename(const CFileRecord& record, const std::string& tempPath);
bool AddWininitDelete(const CFileRecord& record);
