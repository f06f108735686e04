// Where the files of a copy list come from: "SourceDisksFiles" and
// "SourceDisksNames", source folders and sizes, and the copy records.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "script/file_record.h"
#include "script/script_section.h"

class CSetupScript;

constexpr int MSG_DISK_NOT_LISTED = 1090;

// Each operation on a copy-list line looks the file up itself, so a file
// without an entry is reported (1089) once per operation.

// The "SourceDisksFiles" line of the file: by its source name (field 1),
// then by its destination name (field 0), each also with its last character
// replaced by '_'. Empty after reporting 1089.
std::string FindSourceEntry(const CSetupScript& script, std::string_view line);

std::int32_t GetSourceSize(const CSetupScript& script, std::string_view line);  // 0 without an entry
std::int32_t GetSourceDisk(const CSetupScript& script, std::string_view line);  // 0 without an entry
std::string GetDiskDescription(const CSetupScript& script, std::string_view line);  // empty when the disk is not listed
bool IsDiskListed(const CSetupScript& script, std::string_view line);

// The folder that holds the source file: the source root, or the root and
// the entry's subfolder; a leading "..\" climbs one level above the root.
std::string GetSourceFolder(const CSetupScript& script, std::string_view line);

// Sum of the sizes of a copy list's files.
std::int64_t GetListSize(const CSetupScript& script, const CScriptSection& copyList);

// Appends one record per line of a copy list whose label is its destination
// template; a disk without a "SourceDisksNames" line reports 1090 and the
// record is appended all the same.
void BuildCopyRecords(const CSetupScript& script, const CScriptSection& copyList, std::vector<CFileRecord>& records);

// True when the setup program runs from a floppy drive (A: or B:).
bool IsFloppySource(std::string_view folder);

// A "SourceDisksFiles" line as it is written for a floppy source: name,
// disk and size, the subfolder dropped, in script syntax that reads back to
// the same fields.
std::string FloppySourceLine(std::string_view line);

// Rewrites the merged script's "SourceDisksFiles" for a floppy source, so
// every file is taken from the root of its disk, and reads it again.
void RewriteSourceDisksForFloppy(CSetupScript& script);
