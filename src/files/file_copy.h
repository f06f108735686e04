// Copying the component files: the copy queue of all components, copied disk
// by disk with the version installer, compressed sources expanded, and every
// outcome resolved with the user or handed to the replacement of files in use.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "files/file_progress.h"
#include "script/file_record.h"
#include "platform/platform.h"
#include "platform/win_types.h"

class CInstallManifest;
class CSetupScript;

// Messages of the copy run.
constexpr int MSG_CANNOT_WRITE = 1092;        // %1 destination folder
constexpr int MSG_CANNOT_CREATE_FILE = 1093;  // %1 drive
constexpr int MSG_ASK_DISK_FULL = 1094;       // %1 drive, Yes/No
constexpr int MSG_FILE_INSTALL = 1095;        // %1 result bits in decimal

constexpr int kLastDisk = 99;  // disks 0 to 99 are copied; others never

// sourceDir\sourceName and destDir\destName.
std::string SourcePath(const CFileRecord& record);
std::string DestPath(const CFileRecord& record);
std::string JoinPath(const std::string& folder, const std::string& name);

// The copy queue in the order the copies are made: disk by disk from 0 to
// kLastDisk, each disk's files in queue order. Files of other disks are
// never copied.
std::vector<CFileRecord> InCopyOrder(std::vector<CFileRecord> queue);

// The names the copy looks for the source under, in order: the source
// name, its compressed form, then the destination name and its compressed
// form when the two names differ.
std::vector<std::string> SourceNameCandidates(const CSetupScript& script, const CFileRecord& record);

// Makes destDir with every missing level; each level it made is noted in
// the manifest, when there is one.
bool CreateDestDir(const platform::Platform& platform, const CFileRecord& record, CInstallManifest* manifest = nullptr);

// The first "TMP<n>.@@@" (n from 0 to 9999) that does not exist in destDir;
// the last one tried when all do.
std::string FindTempName(const platform::Platform& platform, const CFileRecord& record);

// Whether destName needs a long name: a base longer than 8 characters or an
// extension (from the last dot, dot included) longer than 4.
bool IsLongName(const CFileRecord& record);
